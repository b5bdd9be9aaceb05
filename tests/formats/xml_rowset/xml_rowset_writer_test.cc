#include "formats/xml_rowset/xml_rowset_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "data/recordset.h"
#include "export_source.h"
#include "writer_test.h"

namespace vdimpexp::formats {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

// Beside every type: NOT NULL columns, one filled with nulls by an outer join; values at
// the edges of their declarations and a second row beyond them.
const std::string kSource = std::string(testing::kEveryTypeTable) + R"(;
    CREATE TABLE Makes (MakeID INTEGER PRIMARY KEY, Make TEXT(30) NOT NULL);
    CREATE TABLE Docs (DocID INTEGER NOT NULL, MakeID INTEGER);
    INSERT INTO Makes VALUES (1, 'Acme');
    INSERT INTO Docs VALUES (1, 1), (2, NULL), (3, NULL);
    CREATE TABLE bad (Bell TEXT(10), Utf8 TEXT(10), Small SMALLINT, Heavy DOUBLE,
                      Digits DECIMAL(10,2), Single SINGLE, Chars TEXT(10), Share DECIMAL(2,2));
    INSERT INTO bad VALUES ('fine', 'fine', 32767, 1, 12345678.99, 3.4e38, 'Zoë Ångstr', -0.99);
    INSERT INTO bad VALUES ('bell' || char(7), CAST(x'41C328' AS TEXT), 40000, 'heavy',
                            123456789.5, 1e39, 'Zoë Ångström', 0.999);)";

class XmlRowsetWriterTest : public testing::WriterTest {
 protected:
  XmlRowsetWriterTest() : WriterTest(kSource), connection_(db_) {}

  // Opens `sql` as the export does; a table name opens the table itself.
  data::Recordset Open(const std::string& sql) {
    data::Recordset rows;
    bool table = sql.find(' ') == std::string::npos;
    rows.Open(sql, connection_, data::CursorType::kKeyset,
              table ? data::LockType::kOptimistic : data::LockType::kUnspecified,
              table ? data::CommandType::kTable : data::CommandType::kText);
    return rows;
  }
  std::vector<std::string> Save(data::Recordset& rows,
                                const std::string& file = "out.xml") {
    return rows.Save(Out(file), data::PersistFormat::kXml);
  }
  std::string Read(const std::string& file) {
    return testing::ReadBack("read_rowset.py", Out(file));
  }
  // What the reader makes of the rows of `sql` saved as `file`.
  std::string Saved(const std::string& sql, const std::string& file = "out.xml") {
    data::Recordset rows = Open(sql);
    Save(rows, file);
    return Read(file);
  }

  data::Connection connection_;
};

constexpr char kEveryType[] =
    R"(column 1 "Id" int maxLength=4 precision=10 maybenull=true
column 2 "Name" string maxLength=40 maybenull=true
column 3 "Last Name" string maxLength=30 maybenull=true
column 4 "Zip" string maxLength=10 maybenull=true
column 5 "Notes" string maxLength=536870910 maybenull=true
column 6 "Active" boolean maxLength=2 maybenull=true
column 7 "Grade" ui1 maxLength=1 precision=3 maybenull=true
column 8 "Price" number/currency maxLength=8 precision=19 maybenull=true
column 9 "Ratio" r4 maxLength=4 precision=7 maybenull=true
column 10 "Amount" float maxLength=8 precision=15 maybenull=true
column 11 "Exact" number/numeric maxLength=19 precision=10 scale=2 maybenull=true
column 12 "Born" dateTime/variantdate maxLength=16 maybenull=true
[1, "Zoë", "Ångström", "01234", "said \"hi\", then left\r\nnext line", true, 200, "12.5", 0.25, 1234567.891, "99.95", "2001-03-15T00:00:00"]
[2, "Smith, John", " padded ", "00501", "<&> 'single'", false, 0, "0", 1.5, -0.001, "0.10", "1999-12-31T23:59:58"]
[3, "", null, null, null, null, null, null, null, null, null, null]
rows 3
)";

TEST_F(XmlRowsetWriterTest, RowsetsReadBackThroughElementTreeAndXmllint) {
  struct Case {
    std::string sql, expected;
  };
  const Case cases[] = {
      {"SELECT Id, Name, [Last Name], Zip, Notes, Active, Grade, Price, Ratio, Amount, "
       "Exact, Born FROM t ORDER BY Id",
       kEveryType},
      {"SELECT Id FROM t WHERE Id > 99",
       "column 1 \"Id\" int maxLength=4 precision=10 maybenull=true\nrows 0\n"},
      // Names that are no XML names or repeat are aliased; expressions are text.
      {"SELECT Id AS [Part ID], Id AS [2nd], Id AS xmlns, Id AS [a:b], Id AS c0, "
       "Id AS Größe, Name AS [Part ID], Id * 1.5 AS Half, 'x' || Name AS Joined "
       "FROM t WHERE Id = 1",
       R"(column 1 "Part ID" int maxLength=4 precision=10 maybenull=true
column 2 "2nd" int maxLength=4 precision=10 maybenull=true
column 3 "xmlns" int maxLength=4 precision=10 maybenull=true
column 4 "a:b" int maxLength=4 precision=10 maybenull=true
column 5 "c0" int maxLength=4 precision=10 maybenull=true
column 6 "Größe" int maxLength=4 precision=10 maybenull=true
column 7 "Part ID" string maxLength=40 maybenull=true
column 8 "Half" string maxLength=536870910 maybenull=true
column 9 "Joined" string maxLength=536870910 maybenull=true
[1, 1, 1, 1, 1, 1, "Zoë", "1.5", "xZoë"]
rows 1
)"},
      // A null through an outer join: the NOT NULL column may be null after all.
      {"SELECT Docs.DocID, Makes.Make FROM Docs LEFT JOIN Makes ON Docs.MakeID = "
       "Makes.MakeID ORDER BY Docs.DocID",
       R"(column 1 "DocID" int maxLength=4 precision=10 maybenull=false
column 2 "Make" string maxLength=30 maybenull=true
[1, "Acme"]
[2, null]
[3, null]
rows 3
)"},
      // What the declarations allow is written, at their very edges too.
      {"SELECT Small, Digits, Single, Chars, Share FROM bad WHERE Bell = 'fine'",
       R"(column 1 "Small" i2 maxLength=2 precision=5 maybenull=true
column 2 "Digits" number/numeric maxLength=19 precision=10 scale=2 maybenull=true
column 3 "Single" r4 maxLength=4 precision=7 maybenull=true
column 4 "Chars" string maxLength=10 maybenull=true
column 5 "Share" number/numeric maxLength=19 precision=2 scale=2 maybenull=true
[32767, "12345678.99", 3.4e+38, "Zoë Ångstr", "-0.99"]
rows 1
)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    ClearOut();
    EXPECT_EQ(Saved(c.sql), c.expected);
  }

  // What the reader cannot tell apart, as ADO writes it: a name that is no XML name as
  // "c" and its index beside the real one; booleans as words; line ends as references,
  // which no reader folds into blanks; a null a missing attribute, never an empty one.
  Saved(cases[0].sql, "raw.xml");
  std::string xml = testing::FileContents(Out("raw.xml"));
  EXPECT_THAT(xml,
              HasSubstr("<s:AttributeType name='c2' rs:name='Last Name' rs:number='3' "
                        "rs:nullable='true' rs:writeunknown='true'>"));
  EXPECT_THAT(xml, HasSubstr(" Active='True' "));
  EXPECT_THAT(xml,
              HasSubstr(" Notes='said &quot;hi&quot;, then left&#13;&#10;next line' "));
  EXPECT_THAT(xml, HasSubstr(" Notes='&lt;&amp;&gt; &apos;single&apos;' "));
  EXPECT_THAT(xml, HasSubstr("\t<z:row Id='3' Name=''/>\n"));
}

TEST_F(XmlRowsetWriterTest, SaveWritesEveryRowFromTheFirstAPendingNewRowOrAClearError) {
  data::Recordset rows = Open("SELECT Id FROM t ORDER BY Id");
  rows.MoveNext();
  rows.MoveNext();
  Save(rows);
  EXPECT_THAT(Read("out.xml"), EndsWith("[1]\n[2]\n[3]\nrows 3\n"));
  // The first row is current again.
  EXPECT_EQ(rows.Fields("Id").Value(), data::Value(1));
  rows.MoveNext();
  EXPECT_EQ(rows.Fields("Id").Value(), data::Value(2));

  data::Recordset makes = Open("Makes");
  makes.AddNew();
  makes.Fields("Make").SetValue("Added");
  Save(makes, "table.xml");
  EXPECT_FALSE(makes.IsAddingNew());
  EXPECT_THAT(Read("table.xml"),
              EndsWith("maybenull=false\n[1, \"Acme\"]\n[2, \"Added\"]\nrows 2\n"));

  // ADTG is not written, and nor is XML while no writer is registered for it.
  ClearOut();
  EXPECT_THAT([&] { rows.Save(Out("binary.adtg"), data::PersistFormat::kAdtg); },
              ThrowsMessage<data::DbError>(HasSubstr("ADTG")));
  struct Restore {  // puts the real writer back however the test ends
    ~Restore() {
      data::RegisterTableWriter("XML",
                                [] { return std::make_unique<XmlRowsetWriter>(); });
    }
  } restore;
  data::RegisterTableWriter("XML", [] { return std::unique_ptr<data::TableWriter>(); });
  EXPECT_THAT([&] { Save(rows); }, ThrowsMessage<data::DbError>(
                                       HasSubstr("no writer for the XML rowset format")));
  EXPECT_THAT(OutFiles(), ::testing::IsEmpty());
}

TEST_F(XmlRowsetWriterTest, TextAndWholeNumbersAreNeverRefusedButChangedAsTold) {
  // A text longer than its declared size, or a whole number beyond it, widens its
  // column; what XML 1.0 cannot hold is written as "?".
  data::Recordset rows = Open("SELECT Bell, Utf8, Chars, Small FROM bad");
  EXPECT_EQ(Save(rows), (std::vector<std::string>{
                            "Bell: 1 character written as \"?\", which XML 1.0 lacks",
                            "Utf8: 1 character written as \"?\", which XML 1.0 lacks"}));
  EXPECT_EQ(Read("out.xml"), R"(column 1 "Bell" string maxLength=10 maybenull=true
column 2 "Utf8" string maxLength=10 maybenull=true
column 3 "Chars" string maxLength=12 maybenull=true
column 4 "Small" i8 maxLength=8 precision=19 maybenull=true
["fine", "fine", "Zoë Ångstr", 32767]
["bell?", "A?(", "Zoë Ångström", 40000]
rows 2
)");
}

TEST_F(XmlRowsetWriterTest, AValueTheFormatCannotHoldFailsNamingFileRowAndColumn) {
  const std::pair<const char*, const char*> cases[] = {
      {"Heavy", "the stored value 'heavy' is not of the column's type DOUBLE"},
      {"Digits", "the number 123456789.50 has more digits than DECIMAL(10,2) holds"},
      {"Single", "the number is beyond the range of a single"},
      // Rounded to its scale, 0.999 has a digit DECIMAL(2,2) has no room for.
      {"Share", "the number 1.00 has more digits than DECIMAL(2,2) holds"},
  };
  for (const auto& [column, message] : cases) {
    data::Recordset rows = Open(std::string("SELECT ") + column + " FROM bad");
    EXPECT_THAT([&] { Save(rows); },
                ThrowsMessage<data::DbError>(HasSubstr(
                    Out("out.xml") + "', row 2, column '" + column + "': " + message)));
  }
}

}  // namespace
}  // namespace vdimpexp::formats

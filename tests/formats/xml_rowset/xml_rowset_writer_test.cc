#include "formats/xml_rowset/xml_rowset_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "data/recordset.h"
#include "export_source.h"
#include "writer_test.h"

namespace vdimpexp::formats {
namespace {

using ::testing::HasSubstr;

// Every column type the host declares, NOT NULL where the reader must see
// rs:maybenull='false', names with a blank and a leading digit, and values
// that need escaping.
constexpr char kParts[] = R"(
    CREATE TABLE Parts (PartID INTEGER PRIMARY KEY NOT NULL, [Part Name] TEXT(40) NOT NULL,
                        [2ndSupplier] TEXT(20), Notes LONGTEXT, Price CURRENCY,
                        Weight DOUBLE, Ratio SINGLE, Qty SMALLINT, Bin BYTE,
                        Exact DECIMAL(10,2), InStock BIT NOT NULL, Received DATETIME);
    INSERT INTO Parts VALUES (1, 'Crème brûlée', 'Zoë & Søn',
                              'Tom & Jerry <"quoted"> it''s', 0.1 + 0.2, 0.1, 0.1, -3, 200,
                              12.5, 1, '2024-02-29 13:05:09');
    INSERT INTO Parts VALUES (2, 'Plain', NULL,
                              'line one' || char(10) || 'line two' || char(9) || 'tab' ||
                                  char(13) || 'cr',
                              NULL, NULL, NULL, NULL, NULL, NULL, 0, '1999-12-31');
    INSERT INTO Parts VALUES (3, '日本 🎉', NULL, NULL, 1234.5678, -2.5e-7, 3.25, 32767, 0,
                              -0.5, 1, NULL);
    CREATE TABLE Makes (MakeID INTEGER PRIMARY KEY, Make TEXT(30) NOT NULL);
    CREATE TABLE Docs (DocID INTEGER NOT NULL, MakeID INTEGER);
    INSERT INTO Makes VALUES (1, 'Acme');
    INSERT INTO Docs VALUES (1, 1), (2, NULL), (3, NULL);
    CREATE TABLE Edges (A TEXT(10), B DECIMAL(2,2), C SINGLE);
    INSERT INTO Edges VALUES ('Zoë Ångstr', -0.99, 3.4e38);)";

constexpr char kPartsColumns[] =
    R"(column 1 "PartID" int maxLength=4 precision=10 maybenull=false
column 2 "Part Name" string maxLength=40 maybenull=false
column 3 "2ndSupplier" string maxLength=20 maybenull=true
column 4 "Notes" string maxLength=536870910 maybenull=true
column 5 "Price" number/currency maxLength=8 precision=19 maybenull=true
column 6 "Weight" float maxLength=8 precision=15 maybenull=true
column 7 "Ratio" r4 maxLength=4 precision=7 maybenull=true
column 8 "Qty" i2 maxLength=2 precision=5 maybenull=true
column 9 "Bin" ui1 maxLength=1 precision=3 maybenull=true
column 10 "Exact" number/numeric maxLength=19 precision=10 scale=2 maybenull=true
column 11 "InStock" boolean maxLength=2 maybenull=false
column 12 "Received" dateTime/variantdate maxLength=16 maybenull=true
)";

constexpr char kPartsRows[] =
    R"([1, "Crème brûlée", "Zoë & Søn", "Tom & Jerry <\"quoted\"> it's", "0.3", 0.1, 0.1, -3, 200, "12.50", true, "2024-02-29T13:05:09"]
[2, "Plain", null, "line one\nline two\ttab\rcr", null, null, null, null, null, null, false, "1999-12-31T00:00:00"]
[3, "日本 🎉", null, null, "1234.5678", -2.5e-07, 3.25, 32767, 0, "-0.50", true, null]
)";

class XmlRowsetWriterTest : public ::testing::Test {
 protected:
  XmlRowsetWriterTest() : connection_(scratch_.Database("parts.db", kParts)) {
    RegisterFileFormats();
  }

  // Opens `sql` as the export does; a table name opens the table itself.
  data::Recordset Open(const std::string& sql) {
    data::Recordset rows;
    bool table = sql.find(' ') == std::string::npos;
    rows.Open(sql, connection_, data::CursorType::kKeyset,
              table ? data::LockType::kOptimistic : data::LockType::kUnspecified,
              table ? data::CommandType::kTable : data::CommandType::kText);
    return rows;
  }

  // What the reader makes of the rows saved as `file`.
  std::string Saved(data::Recordset& rows, const std::string& file = "out.xml") {
    rows.Save(scratch_.File(file), data::PersistFormat::kXml);
    return testing::ReadBack("read_rowset.py", scratch_.File(file));
  }
  std::string Saved(const std::string& sql) {
    data::Recordset rows = Open(sql);
    return Saved(rows);
  }

  testing::ScratchDirectory scratch_;
  data::Connection connection_;
};

TEST_F(XmlRowsetWriterTest, RowsetsReadBackThroughElementTreeAndXmllint) {
  struct Case {
    const char* sql;
    std::string expected;
  };
  const Case cases[] = {
      {"SELECT * FROM Parts ORDER BY PartID",
       std::string(kPartsColumns) + kPartsRows + "rows 3\n"},
      {"SELECT * FROM Parts WHERE PartID > 99", std::string(kPartsColumns) + "rows 0\n"},
      // Names that are no XML names or repeat are aliased; expressions are text.
      {"SELECT PartID AS [Part ID], PartID AS [2nd], PartID AS xmlns, PartID AS [a:b], "
       "PartID AS c0, PartID AS Größe, [Part Name] AS [Part ID], PartID * 1.5 AS Half, "
       "'x' || [Part Name] AS Joined FROM Parts WHERE PartID = 1",
       R"(column 1 "Part ID" int maxLength=4 precision=10 maybenull=false
column 2 "2nd" int maxLength=4 precision=10 maybenull=false
column 3 "xmlns" int maxLength=4 precision=10 maybenull=false
column 4 "a:b" int maxLength=4 precision=10 maybenull=false
column 5 "c0" int maxLength=4 precision=10 maybenull=false
column 6 "Größe" int maxLength=4 precision=10 maybenull=false
column 7 "Part ID" string maxLength=40 maybenull=false
column 8 "Half" string maxLength=536870910 maybenull=true
column 9 "Joined" string maxLength=536870910 maybenull=true
[1, 1, 1, 1, 1, 1, "Crème brûlée", "1.5", "xCrème brûlée"]
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
      {"SELECT * FROM Edges", R"(column 1 "A" string maxLength=10 maybenull=true
column 2 "B" number/numeric maxLength=19 precision=2 scale=2 maybenull=true
column 3 "C" r4 maxLength=4 precision=7 maybenull=true
["Zoë Ångstr", "-0.99", 3.4e+38]
rows 1
)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    std::filesystem::remove(scratch_.File("out.xml"));
    EXPECT_EQ(Saved(c.sql), c.expected);
  }
}

TEST_F(XmlRowsetWriterTest, WhatTheReaderCannotTellApartIsWrittenAsAdoWritesIt) {
  Saved("SELECT * FROM Parts ORDER BY PartID");
  std::string xml = testing::FileContents(scratch_.File("out.xml"));
  // Names that are no XML names: "c" and the column's index, the real name
  // beside it; booleans as words; line ends as references, so that no reader
  // folds them into blanks; a null a missing attribute, never an empty one.
  EXPECT_THAT(xml,
              HasSubstr("<s:AttributeType name='c1' rs:name='Part Name' rs:number='2' "
                        "rs:writeunknown='true'>"));
  EXPECT_THAT(xml, HasSubstr("name='c2' rs:name='2ndSupplier' rs:number='3' "
                             "rs:nullable='true'"));
  EXPECT_THAT(xml, HasSubstr("InStock='True'"));
  EXPECT_THAT(xml, HasSubstr("Notes='line one&#10;line two&#9;tab&#13;cr'"));
  EXPECT_THAT(xml,
              HasSubstr("Notes='Tom &amp; Jerry &lt;&quot;quoted&quot;&gt; it&apos;s'"));
  EXPECT_THAT(xml, HasSubstr("\t<z:row PartID='2' c1='Plain' Notes="));
}

TEST_F(XmlRowsetWriterTest, SaveWritesEveryRowFromTheFirstAndAPendingNewRow) {
  data::Recordset rows = Open("SELECT PartID, Qty FROM Parts ORDER BY PartID");
  rows.MoveNext();
  rows.MoveNext();
  EXPECT_THAT(Saved(rows),
              ::testing::EndsWith("[1, -3]\n[2, null]\n[3, 32767]\nrows 3\n"));
  // The first row is current again.
  EXPECT_EQ(rows.Fields("PartID").Value(), data::Value(1));
  rows.MoveNext();
  EXPECT_EQ(rows.Fields("PartID").Value(), data::Value(2));

  data::Recordset parts = Open("Parts");
  parts.AddNew();
  parts.Fields("Part Name").SetValue("Added");
  parts.Fields("InStock").SetValue(true);
  EXPECT_EQ(Saved(parts, "table.xml"),
            std::string(kPartsColumns) + kPartsRows +
                "[4, \"Added\", null, null, null, null, null, null, null, null, true, "
                "null]\nrows 4\n");
  EXPECT_FALSE(parts.IsAddingNew());
}

TEST_F(XmlRowsetWriterTest, AValueTheFormatCannotHoldFailsNamingFileRowAndColumn) {
  struct Case {
    const char* row_two;   // of t (A TEXT(10), B ...), after ('fine', 0)
    const char* column_b;  // B's declaration
    const char* message;   // after the file's path
  };
  const Case cases[] = {
      {"'bell' || char(7), 1", "SMALLINT",
       "', row 2, column 'A': character 5 (U+0007) cannot be held in an XML 1.0"},
      {"CAST(x'41C328' AS TEXT), 1", "SMALLINT",
       "', row 2, column 'A': the text is not valid UTF-8 (character 2)"},
      {"'ok', 40000", "SMALLINT",
       "', row 2, column 'B': the whole number 40000 is outside the column's range "
       "(-32768 to 32767)"},
      {"'ok', 'heavy'", "DOUBLE",
       "', row 2, column 'B': the stored value 'heavy' is not of the column's type "
       "DOUBLE"},
      {"'ok', 123456789.5", "DECIMAL(10,2)",
       "', row 2, column 'B': the number 123456789.50 has more digits than "
       "DECIMAL(10,2)"},
      {"'ok', 1e39", "SINGLE",
       "', row 2, column 'B': the number is beyond the range of a single"},
      // Characters, not bytes, are held to the declared size.
      {"'Zoë Ångström', 1", "SMALLINT",
       "', row 2, column 'A': the text is 12 characters long and the column holds 10"},
      // Rounded to its scale, 0.999 has a digit DECIMAL(2,2) has no room for.
      {"'ok', 0.999", "DECIMAL(2,2)",
       "', row 2, column 'B': the number 1.00 has more digits than DECIMAL(2,2) holds"},
  };
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row_two);
    std::string name = "case" + std::to_string(++number);
    connection_ = data::Connection(scratch_.Database(
        name + ".db", std::string("CREATE TABLE t (A TEXT(10), B ") + c.column_b +
                          "); INSERT INTO t VALUES ('fine', 0), (" + c.row_two + ");"));
    data::Recordset rows = Open("SELECT * FROM t");
    try {
      rows.Save(scratch_.File(name + ".xml"), data::PersistFormat::kXml);
      ADD_FAILURE() << "saved";
    } catch (const data::DbError& error) {
      EXPECT_THAT(error.what(), HasSubstr(scratch_.File(name + ".xml") + c.message));
    }
  }
}

TEST_F(XmlRowsetWriterTest, AdtgAndAMissingWriterAreClearErrorsThatWriteNothing) {
  data::Recordset rows = Open("SELECT * FROM Parts");
  EXPECT_THAT(
      [&] { rows.Save(scratch_.File("binary.adtg"), data::PersistFormat::kAdtg); },
      ::testing::ThrowsMessage<data::DbError>(HasSubstr("ADTG")));
  // Puts the real writer back however the test ends.
  struct Restore {
    ~Restore() {
      data::RegisterTableWriter("XML",
                                [] { return std::make_unique<XmlRowsetWriter>(); });
    }
  } restore;
  data::RegisterTableWriter("XML", [] { return std::unique_ptr<data::TableWriter>(); });
  EXPECT_THAT([&] { rows.Save(scratch_.File("none.xml"), data::PersistFormat::kXml); },
              ::testing::ThrowsMessage<data::DbError>(
                  HasSubstr("no writer for the XML rowset format")));
  EXPECT_FALSE(std::filesystem::exists(scratch_.File("binary.adtg")));
  EXPECT_FALSE(std::filesystem::exists(scratch_.File("none.xml")));
}

}  // namespace
}  // namespace vdimpexp::formats

#include "formats/xml_rowset/xml_rowset_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "data/connection.h"
#include "data/db_error.h"
#include "data/external_target.h"
#include "data/recordset.h"
#include "export_source.h"
#include "formats/file_formats.h"
#include "independent_reader.h"
#include "scratch_database.h"

namespace vdimpexp::formats {
namespace {

using testing::FileContents;

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
                              -0.5, 1, NULL);)";

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
  XmlRowsetWriterTest() { RegisterFileFormats(); }

  std::string Out(const std::string& file) const { return scratch_.File(file); }

  // Opens `sql` the way the export does and saves it as `file`.
  void Save(const std::string& database, const std::string& sql,
            const std::string& file) {
    data::Connection connection(database);
    data::Recordset rows;
    rows.Open(sql, connection, data::CursorType::kKeyset, data::LockType::kUnspecified,
              data::CommandType::kText);
    rows.Save(Out(file), data::PersistFormat::kXml);
  }

  testing::ReaderOutput Read(const std::string& file) const {
    return testing::RunIndependentReader("read_rowset.py",
                                         testing::ShellQuoted(Out(file)));
  }

  // The message of the DbError that saving `sql` raises ("" when none).
  std::string SaveFailure(const std::string& database, const std::string& sql,
                          const std::string& file) {
    try {
      Save(database, sql, file);
    } catch (const data::DbError& error) {
      return error.what();
    }
    return "";
  }

  testing::ScratchDirectory scratch_;
};

TEST_F(XmlRowsetWriterTest, EveryColumnTypeReadsBackThroughElementTreeAndXmllint) {
  std::string db = scratch_.Database("parts.db", kParts);
  Save(db, "SELECT * FROM Parts ORDER BY PartID", "parts.xml");

  testing::ReaderOutput read = Read("parts.xml");
  EXPECT_EQ(read.exit_code, 0) << read.text;
  EXPECT_EQ(read.text, std::string(kPartsColumns) + kPartsRows + "rows 3\n");

  std::string xml = FileContents(Out("parts.xml"));
  // The names that are no XML names travel as ADO writes them: "c" and the
  // column's index, with the real name beside it.
  EXPECT_NE(xml.find("<s:AttributeType name='c1' rs:name='Part Name' rs:number='2' "
                     "rs:writeunknown='true'>"),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("name='c2' rs:name='2ndSupplier' rs:number='3' rs:nullable='true'"),
            std::string::npos)
      << xml;
  // Booleans as ADO writes them, and line ends as references, so that no
  // reader folds them into blanks.
  EXPECT_NE(xml.find("InStock='True'"), std::string::npos) << xml;
  EXPECT_NE(xml.find("Notes='line one&#10;line two&#9;tab&#13;cr'"), std::string::npos)
      << xml;
  EXPECT_NE(xml.find("Notes='Tom &amp; Jerry &lt;&quot;quoted&quot;&gt; it&apos;s'"),
            std::string::npos)
      << xml;
  // A null is a missing attribute, never an empty one.
  EXPECT_NE(xml.find("\t<z:row PartID='2' c1='Plain' Notes="), std::string::npos) << xml;
}

TEST_F(XmlRowsetWriterTest, SaveWritesEveryRowFromTheFirstAndLeavesTheFirstCurrent) {
  std::string db = scratch_.Database("parts.db", kParts);
  data::Connection connection(db);
  data::Recordset rows;
  rows.Open("SELECT PartID, Qty FROM Parts ORDER BY PartID", connection,
            data::CursorType::kKeyset, data::LockType::kUnspecified,
            data::CommandType::kText);
  rows.MoveNext();
  rows.MoveNext();
  ASSERT_EQ(rows.Fields("PartID").Value(), data::Value(3));

  rows.Save(Out("all.xml"), data::PersistFormat::kXml);

  EXPECT_FALSE(rows.IsEOF());
  EXPECT_EQ(rows.Fields("PartID").Value(), data::Value(1));
  rows.MoveNext();
  EXPECT_EQ(rows.Fields("PartID").Value(), data::Value(2));
  testing::ReaderOutput read = Read("all.xml");
  EXPECT_EQ(read.exit_code, 0) << read.text;
  EXPECT_EQ(read.text, R"(column 1 "PartID" int maxLength=4 precision=10 maybenull=false
column 2 "Qty" i2 maxLength=2 precision=5 maybenull=true
[1, -3]
[2, null]
[3, 32767]
rows 3
)");
}

TEST_F(XmlRowsetWriterTest, ATableRecordsetSavesItsPendingNewRowAndItsNotNullColumns) {
  std::string db = scratch_.Database("parts.db", kParts);
  data::Connection connection(db);
  data::Recordset parts;
  parts.Open("Parts", connection, data::CursorType::kKeyset, data::LockType::kOptimistic,
             data::CommandType::kTable);
  parts.AddNew();
  parts.Fields("Part Name").SetValue("Added");
  parts.Fields("InStock").SetValue(true);

  parts.Save(Out("table.xml"), data::PersistFormat::kXml);

  EXPECT_FALSE(parts.IsAddingNew());
  testing::ReaderOutput read = Read("table.xml");
  EXPECT_EQ(read.exit_code, 0) << read.text;
  EXPECT_EQ(read.text,
            std::string(kPartsColumns) + kPartsRows +
                "[4, \"Added\", null, null, null, null, null, null, null, null, "
                "true, null]\nrows 4\n");
}

TEST_F(XmlRowsetWriterTest, AnEmptyResultKeepsItsSchemaAndHasNoRows) {
  std::string db = scratch_.Database("parts.db", kParts);
  Save(db, "SELECT * FROM Parts WHERE PartID > 99", "empty.xml");

  testing::ReaderOutput read = Read("empty.xml");
  EXPECT_EQ(read.exit_code, 0) << read.text;
  EXPECT_EQ(read.text, std::string(kPartsColumns) + "rows 0\n");
  EXPECT_NE(FileContents(Out("empty.xml")).find("<rs:data>\n</rs:data>\n</xml>\n"),
            std::string::npos);
}

TEST_F(XmlRowsetWriterTest,
       NamesThatAreNoXmlNamesOrRepeatAreAliasedAndExpressionsAreText) {
  std::string db = scratch_.Database("parts.db", kParts);
  Save(db,
       "SELECT PartID AS [Part ID], PartID AS [2nd], PartID AS xmlns, PartID AS [a:b], "
       "PartID AS c0, PartID AS Größe, [Part Name] AS [Part ID], PartID * 1.5 AS Half, "
       "'x' || [Part Name] AS Joined FROM Parts WHERE PartID = 1",
       "names.xml");

  testing::ReaderOutput read = Read("names.xml");
  EXPECT_EQ(read.exit_code, 0) << read.text;
  EXPECT_EQ(read.text, R"(column 1 "Part ID" int maxLength=4 precision=10 maybenull=false
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
)");
  std::string xml = FileContents(Out("names.xml"));
  EXPECT_NE(xml.find("<z:row c0='1' c1='1' c2='1' c3='1' c4='1' Größe='1' "
                     "c6='Crème brûlée' Half='1.5' Joined='xCrème brûlée'/>"),
            std::string::npos)
      << xml;
}

TEST_F(XmlRowsetWriterTest, ANullThroughAnOuterJoinDeclaresTheNotNullColumnMayBeNull) {
  std::string db = scratch_.Database("docs.db", R"(
      CREATE TABLE Makes (MakeID INTEGER PRIMARY KEY, Make TEXT(30) NOT NULL);
      CREATE TABLE Docs (DocID INTEGER NOT NULL, MakeID INTEGER);
      INSERT INTO Makes VALUES (1, 'Acme');
      INSERT INTO Docs VALUES (1, 1), (2, NULL), (3, NULL);)");
  Save(db,
       "SELECT Docs.DocID, Makes.Make FROM Docs LEFT JOIN Makes ON Docs.MakeID = "
       "Makes.MakeID ORDER BY Docs.DocID",
       "docs.xml");

  testing::ReaderOutput read = Read("docs.xml");
  EXPECT_EQ(read.exit_code, 0) << read.text;
  EXPECT_EQ(read.text, R"(column 1 "DocID" int maxLength=4 precision=10 maybenull=false
column 2 "Make" string maxLength=30 maybenull=true
[1, "Acme"]
[2, null]
[3, null]
rows 3
)");
}

TEST_F(XmlRowsetWriterTest,
       AValueTheFormatCannotHoldFailsNamingRowAndColumnAndLeavesNoFile) {
  struct Case {
    const char* row_two;  // the second row of t (A TEXT(10), B ...)
    const char* column_b;
    const char* failing_column;
    const char* message;
  };
  const Case cases[] = {
      {"'bell' || char(7), 1", "SMALLINT", "A",
       "(U+0007) cannot be held in an XML 1.0 file"},
      {"CAST(x'41C328' AS TEXT), 1", "SMALLINT", "A", "not valid UTF-8 (character 2)"},
      {"'ok', 40000", "SMALLINT", "B", "outside the column's range (-32768 to 32767)"},
      {"'ok', 'heavy'", "DOUBLE", "B", "'heavy' is not of the column's type DOUBLE"},
      {"'ok', 123456789.5", "DECIMAL(10,2)", "B", "more digits than DECIMAL(10,2) holds"},
      {"'ok', 1e39", "SINGLE", "B", "beyond the range of a single"},
      // Characters, not bytes, are held to the declared size.
      {"'Zoë Ångström', 1", "SMALLINT", "A",
       "the text is 12 characters long and the column holds 10"},
  };
  int number = 0;
  for (const Case& c : cases) {
    std::string name = "case" + std::to_string(++number);
    std::string db = scratch_.Database(
        name + ".db", std::string("CREATE TABLE t (A TEXT(10), B ") + c.column_b +
                          "); INSERT INTO t VALUES ('fine', 1); INSERT INTO t VALUES (" +
                          c.row_two + ");");
    std::string message = SaveFailure(db, "SELECT * FROM t", name + ".xml");
    EXPECT_NE(message.find(Out(name + ".xml") + "', row 2, column '" + c.failing_column +
                           "': "),
              std::string::npos)
        << name << ": " << message;
    EXPECT_NE(message.find(c.message), std::string::npos) << name << ": " << message;
    EXPECT_FALSE(std::filesystem::exists(Out(name + ".xml"))) << name;
  }

  // What the declarations allow is written, at their very edges too.
  std::string db = scratch_.Database("edges.db", R"(
      CREATE TABLE t (A TEXT(10), B DECIMAL(2,2), C SINGLE);
      INSERT INTO t VALUES ('Zoë Ångstr', -0.99, 3.4e38);)");
  Save(db, "SELECT * FROM t", "edges.xml");
  testing::ReaderOutput read = Read("edges.xml");
  EXPECT_EQ(read.exit_code, 0) << read.text;
  EXPECT_TRUE(read.text.ends_with("[\"Zoë Ångstr\", \"-0.99\", 3.4e+38]\nrows 1\n"))
      << read.text;
  // Rounded to its scale, 0.999 has a digit DECIMAL(2,2) has no room for.
  db = scratch_.Database("rounded.db", R"(
      CREATE TABLE t (B DECIMAL(2,2));
      INSERT INTO t VALUES (0.5), (0.999);)");
  std::string message = SaveFailure(db, "SELECT * FROM t", "rounded.xml");
  EXPECT_NE(message.find("row 2, column 'B': the number 1.00 has more digits than "
                         "DECIMAL(2,2) holds"),
            std::string::npos)
      << message;
  EXPECT_FALSE(std::filesystem::exists(Out("rounded.xml")));
}

TEST_F(XmlRowsetWriterTest, AnUnwritableNameOrAQueryFailingMidwayLeavesNoFile) {
  std::string db = scratch_.Database("parts.db", kParts);

  std::string message = SaveFailure(db, "SELECT 1 AS [a\x01z]", "name.xml");
  EXPECT_NE(message.find("the name of column 1: character 2 (U+0001)"), std::string::npos)
      << message;
  EXPECT_FALSE(std::filesystem::exists(Out("name.xml")));

  // abs() of the smallest integer fails on the second row, after the first
  // has been written.
  message = SaveFailure(db,
                        "SELECT PartID, abs(-9223372036854775807 - (PartID - 1)) FROM "
                        "Parts ORDER BY PartID",
                        "midway.xml");
  EXPECT_NE(message.find("integer overflow"), std::string::npos) << message;
  EXPECT_FALSE(std::filesystem::exists(Out("midway.xml")));
}

TEST_F(XmlRowsetWriterTest, AnExistingFileIsRefusedAndLeftAsItWas) {
  std::string db = scratch_.Database("parts.db", kParts);
  testing::WriteFile(Out("keep.xml"), "precious");

  std::string message = SaveFailure(db, "SELECT * FROM Parts", "keep.xml");

  EXPECT_NE(message.find("already exists"), std::string::npos) << message;
  EXPECT_EQ(FileContents(Out("keep.xml")), "precious");
}

TEST_F(XmlRowsetWriterTest, AdtgAndAMissingWriterAreClearErrorsThatWriteNothing) {
  std::string db = scratch_.Database("parts.db", kParts);
  data::Connection connection(db);
  data::Recordset rows;
  rows.Open("SELECT * FROM Parts", connection, data::CursorType::kKeyset,
            data::LockType::kUnspecified, data::CommandType::kText);
  try {
    rows.Save(Out("binary.adtg"), data::PersistFormat::kAdtg);
    ADD_FAILURE() << "an ADTG save was accepted";
  } catch (const data::DbError& error) {
    EXPECT_NE(std::string(error.what()).find("ADTG"), std::string::npos) << error.what();
  }
  EXPECT_FALSE(std::filesystem::exists(Out("binary.adtg")));

  // Puts the real writer back however the test ends.
  struct Restore {
    ~Restore() {
      data::RegisterTableWriter("XML",
                                [] { return std::make_unique<XmlRowsetWriter>(); });
    }
  } restore;
  data::RegisterTableWriter("XML", [] { return std::unique_ptr<data::TableWriter>(); });
  try {
    rows.Save(Out("unregistered.xml"), data::PersistFormat::kXml);
    ADD_FAILURE() << "a save without a writer was accepted";
  } catch (const data::DbError& error) {
    EXPECT_NE(std::string(error.what()).find("no writer for the XML rowset format"),
              std::string::npos)
        << error.what();
  }
  EXPECT_FALSE(std::filesystem::exists(Out("unregistered.xml")));
}

}  // namespace
}  // namespace vdimpexp::formats

#include "formats/text/text_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "data/connection.h"
#include "data/db_error.h"
#include "export_source.h"
#include "formats/file_formats.h"
#include "formats/text/schema_ini.h"
#include "independent_reader.h"
#include "scratch_database.h"

namespace vdimpexp::formats {
namespace {

using testing::FileContents;
using testing::RunIndependentReader;
using testing::ShellQuoted;
using testing::WriteFile;

class TextWriterTest : public ::testing::Test {
 protected:
  TextWriterTest() : db_(scratch_.Database("source.db", testing::kEveryTypeTable)) {
    RegisterFileFormats();
    std::filesystem::create_directory(scratch_.File("out"));
  }

  std::string Target(const std::string& file) const {
    return "[TEXT;Database=" + scratch_.File("out") + "].[" + file + "]";
  }
  std::string Out(const std::string& file) const { return scratch_.File("out/" + file); }

  void Export(const std::string& fields, const std::string& file,
              const std::string& rest = "FROM t ORDER BY Id") {
    data::Connection(db_).Execute("SELECT " + fields + " INTO " + Target(file) + " " +
                                  rest);
  }

  // The reader's whole output; a reader failure fails the test.
  std::string Read(const std::string& script, const std::string& arguments) {
    testing::ReaderOutput output = RunIndependentReader(script, arguments);
    EXPECT_EQ(output.exit_code, 0) << output.text;
    return output.text;
  }

  testing::ScratchDirectory scratch_;
  std::string db_;
};

TEST_F(TextWriterTest, EveryColumnTypeReadsBackThroughPythonsCsvAndConfigParser) {
  Export("*, Id * 2 AS Twice", "cust.csv");

  EXPECT_EQ(
      Read("read_csv.py", ShellQuoted(Out("cust.csv"))),
      R"(["Id", "Name", "Last Name", "Zip", "Code", "Notes", "Active", "Grade", "Rank", "Price", "Ratio", "Amount", "Exact", "Born", "Twice"]
["1", "Zoë", "Ångström", "01234", "ABCDÉ", "said \"hi\", then left\r\nnext line", "True", "200", "-5", "12.5", "0.25", "1234567.891", "99.95", "2001-03-15 00:00:00", "2"]
["2", "Smith, John", " padded ", "00501", "XY", "<&> 'single'", "False", "0", "40000", "0", "1.5", "-0.001", "0.1", "1999-12-31 23:59:58", "4"]
["3", "", "", "", "", "", "", "", "", "", "", "", "", "", "6"]
)");

  // What the csv module cannot tell apart: names and text quoted, an empty
  // text quoted, a null left empty; every line end CRLF.
  std::string bytes = FileContents(Out("cust.csv"));
  EXPECT_TRUE(bytes.starts_with("\"Id\",\"Name\",\"Last Name\",\"Zip\"")) << bytes;
  EXPECT_TRUE(bytes.ends_with("\r\n3,\"\"" + std::string(13, ',') + "6\r\n")) << bytes;
  size_t line_feeds = std::count(bytes.begin(), bytes.end(), '\n');
  size_t crlfs = 0;
  for (size_t at = 0; (at = bytes.find("\r\n", at)) != std::string::npos; at += 2)
    ++crlfs;
  EXPECT_EQ(line_feeds, 5u);  // four lines and the one inside Notes
  EXPECT_EQ(crlfs, line_feeds);

  // Declared sizes widen to the longest text written (Code holds five
  // characters in six bytes), a SMALLINT holding 40000 is announced as
  // Long, and the expression column takes the type of its values.
  EXPECT_EQ(Read("read_schema_ini.py", ShellQuoted(Out("schema.ini")) + " cust.csv"),
            R"(["cust.csv"]
ColNameHeader=True
Format=CSVDelimited
MaxScanRows=0
CharacterSet=65001
DateTimeFormat=yyyy-mm-dd hh:nn:ss
DecimalSymbol=.
CurrencyDecimalSymbol=.
Col1=Id Long
Col2=Name Char Width 40
Col3="Last Name" Char Width 30
Col4=Zip Char Width 10
Col5=Code Char Width 5
Col6=Notes Memo
Col7=Active Bit
Col8=Grade Byte
Col9=Rank Long
Col10=Price Currency
Col11=Ratio Single
Col12=Amount Double
Col13=Exact Decimal
Col14=Born DateTime
Col15=Twice Long
)");
}

TEST_F(TextWriterTest, QuotedTextStaysTextForAReaderThatTakesUnquotedFieldsAsNumbers) {
  Export("Zip, Price, Amount, Id", "zips.txt", "FROM t WHERE Id < 3 ORDER BY Id");
  EXPECT_EQ(Read("read_csv.py", ShellQuoted(Out("zips.txt")) + " --unquoted-as-numbers"),
            R"(["Zip", "Price", "Amount", "Id"]
["01234", 12.5, 1234567.891, 1.0]
["00501", 0.0, -0.001, 2.0]
)");
}

TEST_F(TextWriterTest, NumbersAtTheEdgesAreWrittenWithoutExponentsAndTypedToBeRead) {
  Export("*, Id * -0.0 AS Zero", "edges.csv", "FROM edges ORDER BY Id");

  // The text driver cannot read a column that mixes plain and exponent
  // notation, so neither a million nor a ten-thousandth takes an exponent
  // (1e39 is written as the double holds it); a negative zero is a zero.
  EXPECT_EQ(Read("read_csv.py", ShellQuoted(Out("edges.csv"))),
            R"(["Id", "Price", "Ratio", "Amount", "Zero"]
["1", "1000000", "0.0001", "1000000000000000000000", "0"]
["2", "100000000000000000000", "999999999999999939709166371603178586112", "inf", "0"]
["3", "-0.5", "-0.0000001", "-0.00000025", "0"]
)");

  // Currency and Single cannot hold 1e20 and 1e39, and no number type
  // reads "inf": those columns are announced as what can read them.
  std::string listing =
      Read("read_schema_ini.py", ShellQuoted(Out("schema.ini")) + " edges.csv");
  EXPECT_TRUE(
      listing.ends_with("Col1=Id Long\n"
                        "Col2=Price Double\n"
                        "Col3=Ratio Double\n"
                        "Col4=Amount Char Width 255\n"
                        "Col5=Zero Double\n"))
      << listing;

  // Within their ranges the declared types stand.
  Export("Price, Ratio", "plain.csv", "FROM edges WHERE Id <> 2");
  listing = Read("read_schema_ini.py", ShellQuoted(Out("schema.ini")) + " plain.csv");
  EXPECT_TRUE(listing.ends_with("Col1=Price Currency\nCol2=Ratio Single\n")) << listing;
}

TEST_F(TextWriterTest, SchemaIniReplacesItsOwnSectionAndKeepsEveryOtherByte) {
  const std::string before =
      "; kept by hand\r\n"
      "[other.txt]\r\nColNameHeader=False\r\nFormat=TabDelimited\r\n\r\n";
  const std::string stale =
      "  [CUST.CSV] \r\nColNameHeader=False\r\nCol1=Old Char Width 5\r\n";
  const std::string after = "[last.txt]\nFormat=Delimited(;)\nCol1=A Long";
  WriteFile(Out("schema.ini"), before + stale + after);

  Export("Name, Zip", "cust.csv");
  std::string first = FileContents(Out("schema.ini"));
  EXPECT_TRUE(first.starts_with(before)) << first;
  EXPECT_TRUE(first.ends_with("\r\n" + after)) << first;
  EXPECT_EQ(first.find("Old"), std::string::npos) << first;
  EXPECT_EQ(Read("read_schema_ini.py", ShellQuoted(Out("schema.ini")) + " cust.csv"),
            R"(["other.txt", "cust.csv", "last.txt"]
ColNameHeader=True
Format=CSVDelimited
MaxScanRows=0
CharacterSet=65001
DateTimeFormat=yyyy-mm-dd hh:nn:ss
DecimalSymbol=.
CurrencyDecimalSymbol=.
Col1=Name Char Width 40
Col2=Zip Char Width 10
)");

  // Another file gets a section of its own; the first stays as it was.
  Export("Id", "more.csv");
  std::string second = FileContents(Out("schema.ini"));
  EXPECT_TRUE(second.starts_with(first + "\r\n[more.csv]\r\n")) << second;
  std::string listing =
      Read("read_schema_ini.py", ShellQuoted(Out("schema.ini")) + " more.csv");
  EXPECT_TRUE(listing.starts_with(R"(["other.txt", "cust.csv", "last.txt", "more.csv"])"))
      << listing;
  EXPECT_TRUE(listing.ends_with("Col1=Id Long\n")) << listing;

  // No staging file is left behind.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(scratch_.File("out"))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"cust.csv", "more.csv", "schema.ini"}));
}

TEST_F(TextWriterTest, AnExistingFileIsRefusedAndLeftUntouched) {
  WriteFile(Out("cust.csv"), "precious");
  try {
    Export("Name", "cust.csv");
    FAIL() << "an existing file was exported over";
  } catch (const data::DbError& error) {
    EXPECT_NE(std::string(error.what()).find("already exists"), std::string::npos)
        << error.what();
  }
  EXPECT_EQ(FileContents(Out("cust.csv")), "precious");
  EXPECT_FALSE(std::filesystem::exists(Out("schema.ini")));
}

TEST_F(TextWriterTest, AFailureLeavesNeitherTheFileNorASchemaIniChange) {
  const std::string kept = "[old.csv]\r\nFormat=CSVDelimited\r\n";
  WriteFile(Out("schema.ini"), kept);

  // The source fails after two rows were written.
  EXPECT_THROW(Export("Name, Abs(Big) AS Size", "cust.csv", "FROM failing"),
               data::DbError);
  EXPECT_FALSE(std::filesystem::exists(Out("cust.csv")));
  EXPECT_EQ(FileContents(Out("schema.ini")), kept);

  // A name schema.ini cannot hold fails the export once the rows are out.
  try {
    Export(R"(Name AS [say "hi"])", "cust.csv");
    FAIL() << "a column name with a quote was written to schema.ini";
  } catch (const data::DbError& error) {
    EXPECT_NE(std::string(error.what()).find(R"(say "hi")"), std::string::npos)
        << error.what();
  }
  EXPECT_FALSE(std::filesystem::exists(Out("cust.csv")));
  EXPECT_EQ(FileContents(Out("schema.ini")), kept);

  // A schema.ini that cannot be read or replaced takes the file with it.
  std::filesystem::remove(Out("schema.ini"));
  std::filesystem::create_directory(Out("schema.ini"));
  try {
    Export("Name", "cust.csv");
    FAIL() << "an unreadable schema.ini went unnoticed";
  } catch (const data::DbError& error) {
    EXPECT_NE(std::string(error.what()).find(Out("schema.ini")), std::string::npos)
        << error.what();
  }
  EXPECT_FALSE(std::filesystem::exists(Out("cust.csv")));
  EXPECT_TRUE(std::filesystem::is_directory(Out("schema.ini")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch_.File("out")),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(SchemaIniTest, ReplaceIniSectionTouchesOnlyTheNamedSection) {
  const std::string section = "[a.csv]\r\nNew=1\r\n";
  // A first section, a name in another case with blanks around it, a
  // duplicate further down, and a value that merely looks like a header.
  EXPECT_EQ(ReplaceIniSection("[A.CSV]\nOld=1\n[b.csv]\nX=[a.csv]\n[ a.csv ]\nOld=2\n",
                              "a.csv", section),
            "[a.csv]\r\nNew=1\r\n[b.csv]\nX=[a.csv]\n");
  // Appended after a last line without its line end, or to nothing.
  EXPECT_EQ(ReplaceIniSection("; note\n[b.csv]\nX=1", "a.csv", section),
            "; note\n[b.csv]\nX=1\r\n[a.csv]\r\nNew=1\r\n");
  EXPECT_EQ(ReplaceIniSection("", "a.csv", section), section);
  // A similar name is another section.
  EXPECT_EQ(ReplaceIniSection("[a.csv.bak]\nY=2\n", "a.csv", section),
            "[a.csv.bak]\nY=2\n[a.csv]\r\nNew=1\r\n");
}

}  // namespace
}  // namespace vdimpexp::formats

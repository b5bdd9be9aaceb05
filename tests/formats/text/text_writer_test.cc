#include "formats/text/text_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "export_source.h"
#include "formats/text/delimited_text.h"
#include "writer_test.h"

namespace vdimpexp::formats {
namespace {

using ::testing::EndsWith;
using testing::FileContents;
using ::testing::HasSubstr;
using ::testing::StartsWith;

class TextWriterTest : public testing::WriterTest {
 protected:
  void Export(const std::string& fields, const std::string& file,
              const std::string& rest = "FROM t ORDER BY Id") {
    ExportInto(FolderTarget("TEXT", file), fields, rest);
  }
  std::string Csv(const std::string& file, const std::string& more = "") {
    return testing::ReadBack("read_csv.py", Out(file), more);
  }
  std::string SchemaIni(const std::string& section) {
    return testing::ReadBack("read_schema_ini.py", Out("schema.ini"), " " + section);
  }
};

constexpr char kSectionStart[] = R"(ColNameHeader=True
Format=CSVDelimited
MaxScanRows=0
CharacterSet=65001
DateTimeFormat=yyyy-mm-dd hh:nn:ss
DecimalSymbol=.
CurrencyDecimalSymbol=.
)";

TEST_F(TextWriterTest, EveryColumnTypeReadsBackThroughPythonsCsvAndConfigParser) {
  Export("*, Id * 2 AS Twice", "cust.csv");
  EXPECT_EQ(
      Csv("cust.csv"),
      R"(["Id", "Name", "Last Name", "Zip", "Code", "Notes", "Active", "Grade", "Rank", "Price", "Ratio", "Amount", "Exact", "Born", "Twice"]
["1", "Zoë", "Ångström", "01234", "ABCDÉ", "said \"hi\", then left\r\nnext line", "True", "200", "-5", "12.5", "0.25", "1234567.891", "99.95", "2001-03-15 00:00:00", "2"]
["2", "Smith, John", " padded ", "00501", "XY", "<&> 'single'", "False", "0", "40000", "0", "1.5", "-0.001", "0.1", "1999-12-31 23:59:58", "4"]
["3", "", "", "", "", "", "", "", "", "", "", "", "", "", "6"]
)");
  // What the csv module cannot tell apart: names, text and empty text quoted, a null
  // left empty; every line end CRLF.
  std::string bytes = FileContents(Out("cust.csv"));
  EXPECT_THAT(bytes, StartsWith("\"Id\",\"Name\",\"Last Name\",\"Zip\""));
  EXPECT_THAT(bytes, EndsWith("\r\n3,\"\"" + std::string(13, ',') + "6\r\n"));
  for (size_t at = bytes.find('\n'); at != std::string::npos;
       at = bytes.find('\n', at + 1))
    EXPECT_EQ(bytes[at - 1], '\r') << at;

  // Sizes widen to the longest text written (Code: five characters in six bytes), a
  // SMALLINT holding 40000 is a Long, and the expression takes the type of its values.
  EXPECT_EQ(SchemaIni("cust.csv"),
            std::string("[\"cust.csv\"]\n") + kSectionStart + R"(Col1=Id Long
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

  // Quoted text stays text for a reader that takes unquoted fields as numbers.
  Export("Zip, Price, Amount, Id", "zips.txt", "FROM t WHERE Id < 3 ORDER BY Id");
  EXPECT_EQ(Csv("zips.txt", " --unquoted-as-numbers"), R"(["Zip", "Price", "Amount", "Id"]
["01234", 12.5, 1234567.891, 1.0]
["00501", 0.0, -0.001, 2.0]
)");
}

TEST_F(TextWriterTest, NumbersAtTheEdgesAreWrittenWithoutExponentsAndTypedToBeRead) {
  // The text driver cannot read a column mixing plain and exponent notation, so no number
  // takes an exponent (1e39 as the double holds it); a negative zero is a zero.
  Export("*, Id * -0.0 AS Zero", "edges.csv", "FROM edges ORDER BY Id");
  EXPECT_EQ(Csv("edges.csv"), R"(["Id", "Price", "Ratio", "Amount", "Zero"]
["1", "1000000", "0.0001", "1000000000000000000000", "0"]
["2", "100000000000000000000", "999999999999999939709166371603178586112", "inf", "0"]
["3", "-0.5", "-0.0000001", "-0.00000025", "0"]
)");
  // Currency and Single cannot hold 1e20 and 1e39, and no number type reads "inf".
  EXPECT_THAT(SchemaIni("edges.csv"),
              EndsWith("Col1=Id Long\nCol2=Price Double\nCol3=Ratio Double\n"
                       "Col4=Amount Char Width 255\nCol5=Zero Double\n"));
  // Within their ranges the declared types stand.
  Export("Price, Ratio", "plain.csv", "FROM edges WHERE Id <> 2");
  EXPECT_THAT(SchemaIni("plain.csv"),
              EndsWith("Col1=Price Currency\nCol2=Ratio Single\n"));
}

TEST_F(TextWriterTest, SchemaIniReplacesItsSectionKeepsTheRestOrFailsTheExport) {
  // The section in another case with blanks around it, a duplicate further down, a value
  // that looks like its header, a similar name, and a last line without its line end.
  const std::string before = "; by hand\r\n[other.txt]\r\nX=[cust.csv]\r\n\r\n";
  const std::string between = "[cust.csv.bak]\nY=2\n";
  const std::string after = "[last.txt]\nCol1=A Long";
  testing::WriteFile(Out("schema.ini"), before + "  [CUST.CSV] \r\nCol1=Old\r\n" +
                                            between + "[cust.csv]\nOld=2\n" + after);
  Export("Name, Zip", "cust.csv");
  std::string first = FileContents(Out("schema.ini"));
  EXPECT_THAT(first, StartsWith(before + "[cust.csv]\r\n"));
  EXPECT_THAT(first, EndsWith("\r\n" + between + after));
  EXPECT_EQ(SchemaIni("cust.csv"),
            R"(["other.txt", "cust.csv", "cust.csv.bak", "last.txt"])"
            "\n" +
                std::string(kSectionStart) +
                "Col1=Name Char Width 40\nCol2=Zip Char Width 10\n");
  // Another file's section is appended; the rest stays as it was.
  Export("Id", "more.csv");
  EXPECT_THAT(FileContents(Out("schema.ini")), StartsWith(first + "\r\n[more.csv]\r\n"));
  EXPECT_THAT(SchemaIni("more.csv"), EndsWith("Col1=Id Long\n"));
  // A schema.ini that cannot be read or replaced takes the file with it.
  ClearOut();
  std::filesystem::create_directory(Out("schema.ini"));
  EXPECT_THAT(ExportIntoError(FolderTarget("TEXT", "cust.csv"), "Name", "FROM t").what(),
              HasSubstr(Out("schema.ini")));
  EXPECT_EQ(OutFiles(), std::vector<std::string>{"schema.ini"});
}

TEST(DelimitedTextTest, QuotesExactlyTheFieldsThatNeedItAndPythonsCsvAgrees) {
  const std::vector<std::string> fields = {"plain",      "",           "a,b",
                                           "say \"hi\"", "two\nlines", "cr\ronly",
                                           " leading",   "trailing\t", "in side"};
  std::string text;
  AppendCsvLine(text, fields);
  EXPECT_EQ(text,
            "plain,,\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",\"cr\ronly\",\" leading\","
            "\"trailing\t\",in side\r\n");
  testing::ScratchDirectory scratch;
  testing::WriteFile(scratch.File("line.csv"), text);
  EXPECT_EQ(
      testing::ReadBack("read_csv.py", scratch.File("line.csv")),
      R"(["plain", "", "a,b", "say \"hi\"", "two\nlines", "cr\ronly", " leading", "trailing\t", "in side"])"
      "\n");
}

}  // namespace
}  // namespace vdimpexp::formats

#include "formats/lotus/lotus_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "data/connection.h"
#include "data/db_error.h"
#include "export_source.h"
#include "formats/file_formats.h"
#include "independent_reader.h"
#include "scratch_database.h"
#include "writer_test.h"

namespace vdimpexp::formats {
namespace {

using testing::FileContents;
using testing::RunIndependentReader;
using testing::ShellQuoted;
using testing::WriteFile;

// Beside the table of every type: numbers and dates a cell cannot hold as
// they are, text at and beyond the label limits, text outside the
// character set, and tables one row short of and at a worksheet's end.
const std::string kSource = std::string(testing::kEveryTypeTable) + R"(
    CREATE TABLE odd (Id INTEGER, Big INTEGER, Amount DOUBLE, Born DATETIME);
    INSERT INTO odd VALUES (1, 9007199254740993, 1e300, '1899-12-31');
    INSERT INTO odd VALUES (2, -9007199254740992, -2.5e-300, '1850-06-01 10:20:30');
    INSERT INTO odd VALUES (3, 32768, 9e999, '1900-01-01');
    INSERT INTO odd VALUES (4, -32769, -9e999, '2099-12-31 12:00:00');
    CREATE TABLE texts (Id INTEGER, Note LONGTEXT);
    INSERT INTO texts VALUES (239, printf('%.239c', 'x'));
    INSERT INTO texts VALUES (240, printf('%.240c', 'y'));
    INSERT INTO texts VALUES (511, printf('%.511c', 'z'));
    INSERT INTO texts VALUES (512, printf('%.512c', 'w'));
    INSERT INTO texts VALUES (1, 'Łódź');
    INSERT INTO texts VALUES (2, 'bell' || char(7));
    CREATE TABLE big (Id INTEGER, Name TEXT(10));
    WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 8192)
      INSERT INTO big SELECT i, 'r' || i FROM n;)";

class LotusWriterTest : public testing::WriterTest {
 protected:
  LotusWriterTest() : WriterTest(kSource) {}

  void Export(const std::string& connect, const std::string& fields,
              const std::string& rest, const std::string& file) {
    ExportInto(FolderTarget(connect, file), fields, rest);
  }

  data::DbError ExportError(const std::string& connect, const std::string& fields,
                            const std::string& rest, const std::string& file) {
    return ExportIntoError(FolderTarget(connect, file), fields, rest);
  }

  std::string ReadWithGnumeric(const std::string& file) {
    testing::ReaderOutput output = RunIndependentReader(
        "read_with_ssconvert.py", ShellQuoted(Out(file)) + " Gnumeric_lotus:lotus");
    EXPECT_EQ(output.exit_code, 0) << output.text;
    return output.text;
  }

  // What SheetJS reads; text decoded as code page 850 (see the script).
  std::string ReadWithSheetJs(const std::string& file) {
    testing::ProcessOutput output = testing::RunProcess(
        "NODE_PATH=" + ShellQuoted(std::string(VDIMPEXP_NODE_READERS) + "/node_modules") +
        " node " + ShellQuoted(std::string(VDIMPEXP_READERS_DIR) + "/read_sheetjs.js") +
        " " + ShellQuoted(Out(file)) + " --cp850");
    EXPECT_EQ(output.exit_code, 0) << output.text;
    return output.text;
  }
};

// A reader's output cut into its worksheets: each name with its row lines.
using SheetLines = std::vector<std::pair<std::string, std::vector<std::string>>>;

SheetLines Sheets(const std::string& output) {
  SheetLines sheets;
  size_t start = 0;
  while (start < output.size()) {
    size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    if (line.starts_with("sheet ")) {
      sheets.push_back({line.substr(6), {}});
    } else if (!sheets.empty()) {
      sheets.back().second.push_back(line);
    }
    start = end + 1;
  }
  return sheets;
}

std::string Hex(const std::string& bytes, size_t from, size_t count) {
  std::string hex;
  for (size_t i = from; i < from + count && i < bytes.size(); ++i) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(bytes[i]));
    hex += digits;
  }
  return hex;
}

// Gnumeric's reader script goes through Gnumeric's XML, whose reading turns
// a carriage return and line feed into a line feed; SheetJS shows both.
constexpr char kEveryTypeRows[] =
    R"(["Id", "Name", "Last Name", "Zip", "Code", "Notes", "Active", "Grade", "Rank", "Price", "Ratio", "Amount", "Exact", "Born"]
[1, "Zoë", "Ångström", "01234", "ABCDÉ", "said \"hi\", then left\nnext line", 1, 200, -5, 12.5, 0.25, 1234567.891, 99.95, {"n": 36965, "format": "d-mmm-yy"}]
[2, "Smith, John", " padded ", "00501", "XY", "<&> 'single'", 0, 0, 40000, 0, 1.5, -0.001, 0.1, {"n": 36525.999976851854, "format": "d-mmm-yy"}]
[3, "", null, null, null, null, null, null, null, null, null, null, null, null]
)";

TEST_F(LotusWriterTest, EveryTypeReadsBackInEachRelease) {
  // Release 2 and 3 have no sheet names: Gnumeric shows the first WK1
  // worksheet as 1-2-3's letter A, a WK3 one under its own name; the WK4
  // tab bears the table's name.
  struct Release {
    std::string connect;
    std::string file;
    std::string sheet;
    std::string signature;  // the first bytes, as file identification tools know them
  };
  for (const Release& release :
       {Release{"Lotus WK1", "cust.wk1", "A", "0000020006040600080000000000"},
        Release{"Lotus WK3", "cust.wk3", "Sheet1", "00001A0000100400"},
        Release{"Lotus WK4", "cust.wk4", "cust.wk4", "00001A0002100400"}}) {
    SCOPED_TRACE(release.connect);
    Export(release.connect, "*", "FROM t ORDER BY Id", release.file);
    EXPECT_EQ(ReadWithGnumeric(release.file),
              "sheet " + release.sheet + "\n" + kEveryTypeRows);
    const std::string bytes = FileContents(Out(release.file));
    EXPECT_EQ(Hex(bytes, 0, release.signature.size() / 2), release.signature);
    if (release.connect == "Lotus WK1") {
      // The RANGE record ends at column N, row 4.
      EXPECT_EQ(Hex(bytes, 14, 4), "0D000300");
    } else {
      // The BOF's last cell (row 3 of worksheet 0, column N) and the
      // default LMBCS group, 1.
      EXPECT_EQ(Hex(bytes, 12, 4), "0300000D");
      EXPECT_EQ(Hex(bytes, 4 + 16, 1), "01");
    }
    EXPECT_EQ(Hex(bytes, bytes.size() - 4, 4), "01000000");  // EOF
  }

  EXPECT_EQ(ReadWithSheetJs("cust.wk1"),
            R"(sheet Sheet1
["Id","Name","Last Name","Zip","Code","Notes","Active","Grade","Rank","Price","Ratio","Amount","Exact","Born"]
[1,"Zoë","Ångström","01234","ABCDÉ","said \"hi\", then left\r\nnext line",1,200,-5,12.5,0.25,1234567.891,99.95,{"n":36965,"format":"m/d/yy"}]
[2,"Smith, John"," padded ","00501","XY","<&> 'single'",0,0,40000,0,1.5,-0.001,0.1,{"n":36525.999976851854,"format":"m/d/yy"}]
[3,"",null,null,null,null,null,null,null,null,null,null,null,null]
)");
  // SheetJS 0.18.5 reads the sign of a WK3 number as -65535 rather than -1
  // (Gnumeric above reads negative numbers right), and ignores WK3 cell
  // formats, so its check keeps to the columns without negative values.
  Export("Lotus WK3",
         "Id, Name, [Last Name], Zip, Code, Notes, Active, Grade, Price, Born",
         "FROM t ORDER BY Id", "part.wk3");
  EXPECT_EQ(ReadWithSheetJs("part.wk3"),
            R"(sheet Sheet1
["Id","Name","Last Name","Zip","Code","Notes","Active","Grade","Price","Born"]
[1,"Zoë","Ångström","01234","ABCDÉ","said \"hi\", then left\r\nnext line",1,200,12.5,36965]
[2,"Smith, John"," padded ","00501","XY","<&> 'single'",0,0,0,36525.999976851854]
[3,"",null,null,null,null,null,null,null,null]
)");
}

TEST_F(LotusWriterTest, ValuesNoNumberCellHoldsBecomeLabels) {
  // Whole numbers beyond 2^53 and infinities as their text, dates before
  // 1900 as yyyy-mm-dd with any time; the rest as numbers, dates from
  // 1900-01-01 (serial 1) on with the date format.
  constexpr char kOddRows[] = R"(["Id", "Big", "Amount", "Born"]
[1, "9007199254740993", 1e+300, "1899-12-31"]
[2, -9007199254740992.0, -2.5e-300, "1850-06-01 10:20:30"]
[3, 32768, "inf", {"n": 1, "format": "d-mmm-yy"}]
[4, -32769, "-inf", {"n": 73050.5, "format": "d-mmm-yy"}]
)";
  for (std::string release : {"WK1", "WK3", "WK4"}) {
    SCOPED_TRACE(release);
    Export("Lotus " + release, "*", "FROM odd ORDER BY Id", "odd." + release);
    std::string read = ReadWithGnumeric("odd." + release);
    EXPECT_TRUE(read.ends_with(kOddRows)) << read;
  }
  EXPECT_EQ(ReadWithSheetJs("odd.WK1"), R"(sheet Sheet1
["Id","Big","Amount","Born"]
[1,"9007199254740993",1e+300,"1899-12-31"]
[2,-9007199254740992,-2.5e-300,"1850-06-01 10:20:30"]
[3,32768,"inf",{"n":1,"format":"m/d/yy"}]
[4,-32769,"-inf",{"n":73050.5,"format":"m/d/yy"}]
)");

  // A WK1 INTEGER cell holds -32,767 to 32,767: -32,768 is a NUMBER cell
  // (format FF, column A, row 2, the double -32768), -32,767 an INTEGER.
  Export("Lotus WK1", "Id - 32769 AS Low, Id - 32768 AS Edge", "FROM odd WHERE Id = 1",
         "edge.wk1");
  const std::string bytes = FileContents(Out("edge.wk1"));
  const std::string hex = Hex(bytes, 0, bytes.size());
  EXPECT_NE(hex.find("0E000D00FF00000100000000000000E0C0"), std::string::npos) << hex;
  EXPECT_NE(hex.find("0D000700FF010001000180"), std::string::npos) << hex;
  std::string read = ReadWithGnumeric("edge.wk1");
  EXPECT_TRUE(read.ends_with("[\"Low\", \"Edge\"]\n[-32768, -32767]\n")) << read;
}

TEST_F(LotusWriterTest, AWk1WorksheetEndsAtItsLastRow) {
  Export("Lotus WK1", "Id, Name", "FROM big WHERE Id <= 8191 ORDER BY Id", "full.wk1");
  for (const std::string& read :
       {ReadWithGnumeric("full.wk1"), ReadWithSheetJs("full.wk1")}) {
    SheetLines sheets = Sheets(read);
    ASSERT_EQ(sheets.size(), 1u) << read.substr(0, 200);
    const std::vector<std::string>& rows = sheets[0].second;
    ASSERT_EQ(rows.size(), 8192u);
    EXPECT_NE(rows.front().find("\"Name\""), std::string::npos) << rows.front();
    EXPECT_NE(rows.back().find("8191"), std::string::npos) << rows.back();
    EXPECT_NE(rows.back().find("\"r8191\""), std::string::npos) << rows.back();
  }

  data::DbError error =
      ExportError("Lotus WK1", "Id, Name", "FROM big ORDER BY Id", "over.wk1");
  EXPECT_NE(error.description().find(Out("over.wk1") + "', row 8192"), std::string::npos)
      << error.what();
  EXPECT_NE(
      error.description().find("a Lotus WK1 worksheet holds at most 8,192 rows: the "
                               "column names and 8,191 records"),
      std::string::npos)
      << error.what();
  EXPECT_FALSE(std::filesystem::exists(Out("over.wk1")));
}

TEST_F(LotusWriterTest, Wk3AndWk4ContinueOnAFurtherWorksheet) {
  struct Case {
    std::string connect;
    std::string file;
    std::string first_sheet;
    std::string second_sheet;
  };
  for (const Case& c : {Case{"Lotus WK3", "big.wk3", "Sheet1", "Sheet2"},
                        Case{"Lotus WK4", "big.wk4", "big.wk4", "big.wk4 (2)"}}) {
    SCOPED_TRACE(c.connect);
    Export(c.connect, "Id, Name", "FROM big ORDER BY Id", c.file);
    std::vector<std::string> reads = {ReadWithGnumeric(c.file)};
    if (c.connect == "Lotus WK3") reads.push_back(ReadWithSheetJs(c.file));
    for (const std::string& read : reads) {
      SheetLines sheets = Sheets(read);
      ASSERT_EQ(sheets.size(), 2u) << read.substr(0, 200);
      EXPECT_EQ(sheets[0].first, c.first_sheet);
      ASSERT_EQ(sheets[0].second.size(), 8192u);
      EXPECT_NE(sheets[0].second.back().find("\"r8191\""), std::string::npos);
      EXPECT_EQ(sheets[1].first, c.second_sheet);
      ASSERT_EQ(sheets[1].second.size(), 2u);
      EXPECT_NE(sheets[1].second[0].find("\"Name\""), std::string::npos)
          << sheets[1].second[0];
      EXPECT_NE(sheets[1].second[1].find("\"r8192\""), std::string::npos)
          << sheets[1].second[1];
    }
    // The BOF's last cell: row 8191, worksheet 1, column B.
    EXPECT_EQ(Hex(FileContents(Out(c.file)), 12, 4), "FF1F0101");
  }
}

TEST_F(LotusWriterTest, ShapesAndValuesBeyondTheFormatFailNamingTheLimit) {
  std::string names;
  for (int i = 1; i <= 257; ++i) {
    names += (i > 1 ? ", " : "") + std::to_string(i) + " AS F" + std::to_string(i);
  }
  data::DbError wide =
      ExportError("Lotus WK3", names, "FROM texts WHERE Id = 1", "wide.wk3");
  EXPECT_NE(wide.description().find("257 columns"), std::string::npos) << wide.what();
  EXPECT_NE(wide.description().find("at most 256 columns"), std::string::npos)
      << wide.what();
  EXPECT_TRUE(OutFiles().empty());
  Export("Lotus WK1", names.substr(0, names.rfind(", ")), "FROM texts WHERE Id = 1",
         "wide.wk1");
  std::vector<std::string> rows = Sheets(ReadWithGnumeric("wide.wk1"))[0].second;
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_TRUE(rows[0].ends_with("\"F255\", \"F256\"]")) << rows[0];
  EXPECT_TRUE(rows[1].ends_with("255, 256]")) << rows[1];

  struct Case {
    std::string connect;
    int fits;
    int too_long;
    std::string limit;
  };
  for (const Case& c :
       {Case{"Lotus WK1", 239, 240, "a Lotus WK1 label holds at most 239"},
        Case{"Lotus WK3", 511, 512, "a Lotus WK3 label holds at most 511"},
        Case{"Lotus WK4", 511, 512, "a Lotus WK4 label holds at most 511"}}) {
    SCOPED_TRACE(c.connect);
    std::filesystem::remove_all(scratch_.File("out"));
    std::filesystem::create_directory(scratch_.File("out"));
    Export(c.connect, "Note", "FROM texts WHERE Id = " + std::to_string(c.fits), "fits");
    rows = Sheets(ReadWithGnumeric("fits"))[0].second;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].size(), static_cast<size_t>(c.fits) + 4) << rows[1];

    data::DbError error = ExportError(
        c.connect, "Note", "FROM texts WHERE Id = " + std::to_string(c.too_long), "long");
    EXPECT_EQ(error.number(), data::error_number::kTextTooLong) << error.what();
    EXPECT_NE(error.description().find("row 1, column 'Note'"), std::string::npos)
        << error.what();
    EXPECT_NE(error.description().find(std::to_string(c.too_long) + " characters long"),
              std::string::npos)
        << error.what();
    EXPECT_NE(error.description().find(c.limit), std::string::npos) << error.what();

    for (const auto& [id, expected] : {std::pair<int, std::string>{1, "'Ł' (U+0141)"},
                                       std::pair<int, std::string>{2, "U+0007"}}) {
      data::DbError refused = ExportError(
          c.connect, "Note", "FROM texts WHERE Id = " + std::to_string(id), "odd");
      EXPECT_EQ(refused.number(), data::error_number::kTypeMismatch) << refused.what();
      EXPECT_NE(refused.description().find("row 1, column 'Note'"), std::string::npos)
          << refused.what();
      EXPECT_NE(refused.description().find(expected), std::string::npos)
          << refused.what();
    }
    // A column name is a label too.
    data::DbError name =
        ExportError(c.connect, "Note AS [Łódź]", "FROM texts WHERE Id = 1", "named");
    EXPECT_NE(name.description().find("the column names' row, column 'Łódź'"),
              std::string::npos)
        << name.what();
    EXPECT_EQ(OutFiles(), std::vector<std::string>{"fits"});
  }
}

TEST_F(LotusWriterTest, AnExistingFileIsRefusedAndKept) {
  for (std::string release : {"WK1", "WK3", "WK4"}) {
    WriteFile(Out("keep." + release), "precious");
    data::DbError error =
        ExportError("Lotus " + release, "*", "FROM t", "keep." + release);
    EXPECT_NE(error.description().find("already exists"), std::string::npos)
        << error.what();
    EXPECT_EQ(FileContents(Out("keep." + release)), "precious");
  }
}

}  // namespace
}  // namespace vdimpexp::formats

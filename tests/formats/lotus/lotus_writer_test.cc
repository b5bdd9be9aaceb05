#include "formats/lotus/lotus_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "export_source.h"
#include "independent_reader.h"
#include "writer_test.h"

namespace vdimpexp::formats {
namespace {

using ::testing::AllOf;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using testing::ShellQuoted;
using ::testing::StartsWith;

// Beside the table of every type: numbers and dates no cell holds as they
// are, labels at and beyond their limits, and rows to fill a worksheet.
const std::string kSource = std::string(testing::kEveryTypeTable) + R"(
    CREATE TABLE odd (Id INTEGER, Big INTEGER, Amount DOUBLE, Born DATETIME);
    INSERT INTO odd VALUES (1, 9007199254740993, 1e300, '1899-12-31'),
      (2, -9007199254740992, -2.5e-300, '1850-06-01 10:20:30'),
      (3, 32768, 9e999, '1900-01-01'), (4, -32769, -9e999, '2099-12-31 12:00:00');
    CREATE TABLE texts (Id INTEGER, Note LONGTEXT);
    INSERT INTO texts VALUES (239, printf('%.239c', 'x')), (240, printf('%.240c', 'y')),
      (511, printf('%.511c', 'z')), (512, printf('%.512c', 'w')), (1, 'Łódź'),
      (2, 'bell' || char(7));
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

  std::string Gnumeric(const std::string& file) {
    return Checked(testing::RunIndependentReader(
        "read_with_ssconvert.py", ShellQuoted(Out(file)) + " Gnumeric_lotus:lotus"));
  }

  // What SheetJS reads; text decoded as code page 850 (see the script).
  std::string SheetJs(const std::string& file) {
    return Checked(testing::RunProcess(
        "NODE_PATH=" + ShellQuoted(std::string(VDIMPEXP_NODE_READERS) + "/node_modules") +
        " node " + ShellQuoted(std::string(VDIMPEXP_READERS_DIR) + "/read_sheetjs.js") +
        " " + ShellQuoted(Out(file)) + " --cp850"));
  }

  static std::string Checked(const testing::ProcessOutput& output) {
    EXPECT_EQ(output.exit_code, 0) << output.text;
    return output.text;
  }

  // `count` bytes of the file from `from`, in hex.
  std::string Hex(const std::string& file, size_t from, size_t count) {
    std::string bytes = testing::FileContents(Out(file)), hex;
    for (unsigned char byte : bytes.substr(from, count)) {
      char digits[3];
      std::snprintf(digits, sizeof digits, "%02X", byte);
      hex += digits;
    }
    return hex;
  }
};

struct Release {
  std::string connect, file;
  // The worksheets as Gnumeric names them (Release 2 and 3 have no sheet
  // names; WK4 tabs bear the table's); WK1 has no further worksheet.
  std::string sheet, next_sheet;
  // The first bytes of a file of 4 rows and 14 columns: the BOF as file
  // identification tools know it, then WK1's RANGE ending at column N, row
  // 4; the BOF of later releases holds its last cell (row 3, worksheet 0,
  // column N) and the default LMBCS group, 1.
  std::string head;
  int longest_label;
  char filler;   // of the texts table's longest label
  bool sheetjs;  // whether SheetJS reads the release's worksheets
};

const Release kReleases[] = {
    {"Lotus WK1", "cust.wk1", "A", "", "00000200060406000800000000000D000300", 239, 'x',
     true},
    {"Lotus WK3", "cust.wk3", "Sheet1", "Sheet2",
     "00001A0000100400000000000300000D0000000001", 511, 'z', true},
    {"Lotus WK4", "cust.wk4", "cust.wk4", "cust.wk4 (2)",
     "00001A0002100400000000000300000D0000000001", 511, 'z', false},
};

void PrintTo(const Release& release, std::ostream* out) { *out << release.connect; }

class EveryReleaseTest : public LotusWriterTest,
                         public ::testing::WithParamInterface<Release> {
 protected:
  const Release& release_ = GetParam();
};

TEST_P(EveryReleaseTest, ValuesReadBack) {
  // Gnumeric's XML turns a carriage return and line feed into a line feed.
  Export(release_.connect, "*", "FROM t ORDER BY Id", release_.file);
  EXPECT_EQ(
      Gnumeric(release_.file),
      "sheet " + release_.sheet + "\n" +
          R"(["Id", "Name", "Last Name", "Zip", "Code", "Notes", "Active", "Grade", "Rank", "Price", "Ratio", "Amount", "Exact", "Born"]
[1, "Zoë", "Ångström", "01234", "ABCDÉ", "said \"hi\", then left\nnext line", 1, 200, -5, 12.5, 0.25, 1234567.891, 99.95, {"n": 36965, "format": "d-mmm-yy"}]
[2, "Smith, John", " padded ", "00501", "XY", "<&> 'single'", 0, 0, 40000, 0, 1.5, -0.001, 0.1, {"n": 36525.999976851854, "format": "d-mmm-yy"}]
[3, "", null, null, null, null, null, null, null, null, null, null, null, null]
)");
  EXPECT_EQ(Hex(release_.file, 0, release_.head.size() / 2), release_.head);
  EXPECT_THAT(Hex(release_.file, 0, 1 << 20), EndsWith("01000000"));  // EOF

  // Whole numbers beyond 2^53, infinities and dates before 1900 as text.
  Export(release_.connect, "*", "FROM odd ORDER BY Id", "odd");
  EXPECT_THAT(Gnumeric("odd"), EndsWith(R"(["Id", "Big", "Amount", "Born"]
[1, "9007199254740993", 1e+300, "1899-12-31"]
[2, -9007199254740992.0, -2.5e-300, "1850-06-01 10:20:30"]
[3, 32768, "inf", {"n": 1, "format": "d-mmm-yy"}]
[4, -32769, "-inf", {"n": 73050.5, "format": "d-mmm-yy"}]
)"));

  // 256 columns fit (one more is refused like every refusal).
  std::string fields = "1 AS F1", values = "[1";
  for (int i = 2; i <= 256; ++i) {
    fields += ", " + std::to_string(i) + " AS F" + std::to_string(i);
    values += ", " + std::to_string(i);
  }
  Export(release_.connect, fields, "FROM t WHERE Id = 1", "wide");
  EXPECT_THAT(Gnumeric("wide"), EndsWith("\"F255\", \"F256\"]\n" + values + "]\n"));
}

TEST_P(EveryReleaseTest, LabelsAreCutAndReplacedAsToldButNamesAreRefused) {
  const bool unicode = release_.connect != "Lotus WK1";
  const std::string longest = std::to_string(release_.longest_label);
  const std::string character_set =
      unicode ? "the character set of Lotus labels" : "code page 850";
  struct Label {
    std::string id, read;
    std::vector<std::string> changes;
  };
  for (const Label& label : {
           Label{longest, std::string(release_.longest_label, release_.filler), {}},
           Label{std::to_string(release_.longest_label + 1),
                 std::string(release_.longest_label, release_.filler == 'x' ? 'y' : 'w'),
                 {"Note: 1 text cut to " + longest + " characters"}},
           // Release 3 and 4 keep what code page 850 lacks in LMBCS's
           // Unicode group; a control character would read as a group mark.
           Label{"1", unicode ? "Łódź" : "?ód?",
                 unicode
                     ? std::vector<std::string>{}
                     : std::vector<std::string>{"Note: 2 characters written as \"?\", "
                                                "which code page 850 lacks"}},
           Label{
               "2",
               "bell?",
               {"Note: 1 character written as \"?\", which " + character_set + " lacks"}},
       }) {
    SCOPED_TRACE(label.id);
    EXPECT_EQ(ExportInto(FolderTarget(release_.connect, "t" + label.id), "Note",
                         "FROM texts WHERE Id = " + label.id),
              label.changes);
    EXPECT_THAT(Gnumeric("t" + label.id), EndsWith("[\"" + label.read + "\"]\n"));
  }
  // A column name is a label too, and is never changed.
  data::DbError error =
      ExportError(release_.connect, "Note AS [Łódź]", "FROM texts WHERE Id = 1", "no");
  EXPECT_EQ(error.number(), data::error_number::kTypeMismatch);
  EXPECT_THAT(
      error.description(),
      HasSubstr("the column names' row, column 'Łódź': the character 'Ł' (U+0141)"));
}

TEST_P(EveryReleaseTest, AWorksheetEndsAtItsLastRowAndLaterReleasesGoOnInAnother) {
  // 8,192 rows: the column names and 8,191 records. Release 3 and 4 go on
  // in a further worksheet with the column names again.
  const bool continues = !release_.next_sheet.empty();
  Export(release_.connect, "Id, Name",
         continues ? "FROM big" : "FROM big WHERE Id < 8192", release_.file);
  if (!continues) {
    EXPECT_THAT(
        ExportError(release_.connect, "Id, Name", "FROM big", "over").description(),
        HasSubstr(Out("over") + "', row 8192: a Lotus WK1 worksheet holds at most 8,192 "
                                "rows: the column names and 8,191 records"));
  } else {
    // The BOF's last cell: row 8191, worksheet 1, column B.
    EXPECT_EQ(Hex(release_.file, 12, 4), "FF1F0101");
  }
  for (bool sheetjs : {false, true}) {
    if (sheetjs && !release_.sheetjs) continue;
    SCOPED_TRACE(sheetjs ? "SheetJS" : "Gnumeric");
    std::string read = sheetjs ? SheetJs(release_.file) : Gnumeric(release_.file);
    // Both readers' rows alike: Gnumeric's reader writes ", ", SheetJS ",".
    for (size_t at; (at = read.find(", ")) != std::string::npos;) read.erase(at + 1, 1);
    // SheetJS names the worksheets as Gnumeric names those of WK3 files.
    const std::string sheet = sheetjs ? "Sheet1" : release_.sheet;
    const std::string next_sheet = sheetjs && continues ? "Sheet2" : release_.next_sheet;
    EXPECT_THAT(read, StartsWith("sheet " + sheet + "\n[\"Id\",\"Name\"]\n[1,\"r1\"]\n"));
    EXPECT_THAT(read, EndsWith("[8191,\"r8191\"]\n" +
                               (continues ? "sheet " + next_sheet +
                                                "\n[\"Id\",\"Name\"]\n[8192,\"r8192\"]\n"
                                          : "")));
    EXPECT_EQ(std::count(read.begin(), read.end(), '\n'), continues ? 8196 : 8193);
  }
}

INSTANTIATE_TEST_SUITE_P(Lotus, EveryReleaseTest, ::testing::ValuesIn(kReleases),
                         [](const ::testing::TestParamInfo<Release>& info) {
                           return info.param.connect.substr(6);
                         });

TEST_F(LotusWriterTest, SheetJsReadsRelease2And3Files) {
  // SheetJS shows a carriage return and line feed as they are.
  Export("Lotus WK1", "*", "FROM t ORDER BY Id", "cust.wk1");
  EXPECT_EQ(SheetJs("cust.wk1"), R"(sheet Sheet1
["Id","Name","Last Name","Zip","Code","Notes","Active","Grade","Rank","Price","Ratio","Amount","Exact","Born"]
[1,"Zoë","Ångström","01234","ABCDÉ","said \"hi\", then left\r\nnext line",1,200,-5,12.5,0.25,1234567.891,99.95,{"n":36965,"format":"m/d/yy"}]
[2,"Smith, John"," padded ","00501","XY","<&> 'single'",0,0,40000,0,1.5,-0.001,0.1,{"n":36525.999976851854,"format":"m/d/yy"}]
[3,"",null,null,null,null,null,null,null,null,null,null,null,null]
)");
  Export("Lotus WK1", "*", "FROM odd ORDER BY Id", "odd.wk1");
  EXPECT_EQ(SheetJs("odd.wk1"), R"(sheet Sheet1
["Id","Big","Amount","Born"]
[1,"9007199254740993",1e+300,"1899-12-31"]
[2,-9007199254740992,-2.5e-300,"1850-06-01 10:20:30"]
[3,32768,"inf",{"n":1,"format":"m/d/yy"}]
[4,-32769,"-inf",{"n":73050.5,"format":"m/d/yy"}]
)");
  // SheetJS 0.18.5 reads the sign of a WK3 number as -65535 rather than -1
  // (Gnumeric reads negative numbers right), and ignores WK3 cell formats,
  // so its check keeps to the columns without negative values.
  Export("Lotus WK3",
         "Id, Name, [Last Name], Zip, Code, Notes, Active, Grade, Price, Born",
         "FROM t ORDER BY Id", "part.wk3");
  EXPECT_EQ(SheetJs("part.wk3"), R"(sheet Sheet1
["Id","Name","Last Name","Zip","Code","Notes","Active","Grade","Price","Born"]
[1,"Zoë","Ångström","01234","ABCDÉ","said \"hi\", then left\r\nnext line",1,200,12.5,36965]
[2,"Smith, John"," padded ","00501","XY","<&> 'single'",0,0,0,36525.999976851854]
[3,"",null,null,null,null,null,null,null,null]
)");
}

TEST_F(LotusWriterTest, Wk1IntegerCellsHoldUpTo32767) {
  // -32,768 is a NUMBER cell (format FF, column A, row 2, the double
  // -32768), -32,767 an INTEGER.
  Export("Lotus WK1", "Id - 32769 AS Low, Id - 32768 AS Edge", "FROM odd WHERE Id = 1",
         "edge.wk1");
  EXPECT_THAT(Hex("edge.wk1", 0, 1 << 20),
              AllOf(HasSubstr("0E000D00FF00000100000000000000E0C0"),
                    HasSubstr("0D000700FF010001000180")));
  EXPECT_THAT(Gnumeric("edge.wk1"), EndsWith("[\"Low\", \"Edge\"]\n[-32768, -32767]\n"));
}

}  // namespace
}  // namespace vdimpexp::formats

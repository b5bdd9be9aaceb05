#include "formats/excel/excel_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "export_source.h"
#include "formats/ods/ods_writer.h"
#include "formats/xlsx/xlsx_writer.h"
#include "independent_reader.h"
#include "writer_test.h"

namespace vdimpexp::formats {
namespace {

using ::testing::AllOf;
using ::testing::ContainsRegex;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::ReadBack;
using testing::ShellQuoted;
using Lines = std::vector<std::string>;

// Numbers at the edges of cells, dates around 1900, text beyond Windows-1252 and 16 bits,
// long text, rows to fill worksheets, more distinct strings than a writer keeps at hand.
const std::string kSource = std::string(testing::kEveryTypeTable) + R"(
    CREATE TABLE odd (Id INTEGER, Big INTEGER, Whole INTEGER, Amount DOUBLE, Born DATETIME);
    INSERT INTO odd VALUES (1, 9007199254740993, 536870911, 1e300, '1899-12-31'),
      (2, -9007199254740992, 536870912, -2.5e-300, '1850-06-01 10:20:30'),
      (3, 9007199254740992, -536870912, 9e999, '1900-01-01'),
      (4, -9007199254740993, -536870913, -9e999, '1900-03-01 12:00:00');
    CREATE TABLE wide (Id INTEGER, Note TEXT(40));
    INSERT INTO wide VALUES (1, '€ – “x”'), (2, 'Łódź 😀'), (3, 'Ω中');
    CREATE TABLE texts (Id INTEGER, Note LONGTEXT);
    INSERT INTO texts VALUES (255, printf('%.255c', 'a')), (256, printf('%.256c', 'b')),
      (32767, printf('%.32766c', 'c') || 'Ł'), (32768, printf('%.32768c', 'd')),
      (32769, printf('%.32766c', 'g') || '😀'),
    -- Across the SST's 8,224-byte records, one and two bytes a character.
      (1, printf('%.9000c', 'e')), (2, replace(printf('%.9001c', 'x'), 'x', 'Ł')),
      (3, replace(printf('%.5000c', 'x'), 'x', '😀'));
    -- A surrogate pair where only the length, flags and one unit fit the SST.
    CREATE TABLE pair (Id INTEGER, Note LONGTEXT);
    INSERT INTO pair VALUES (1, printf('%.8201c', 'f')), (2, '😀x');
    CREATE TABLE big (Id INTEGER, Pad TEXT(150));
    WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 65536)
      INSERT INTO big SELECT i, printf('%.120c', 'p') || i FROM n;
    -- Of one and two bytes a character, lengths so that record ends fall everywhere.
    CREATE TABLE spill (Id INTEGER, Long LONGTEXT, Short TEXT(9), Few TEXT(2), Many TEXT(5));
    WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 33000)
      INSERT INTO spill SELECT i, replace(printf('%.*c', i % 71, 'x'), 'x', CASE i % 3
        WHEN 0 THEN 'a' WHEN 1 THEN 'Ω' ELSE '中' END) || i, 'b' || i, 'Ω' || (i % 7),
        'd' || (i % 5000) FROM n;
    INSERT INTO spill SELECT -Id, Note, 'l', 'l', 'l' FROM texts WHERE Id < 10;)";

struct Version {
  std::string connect;
  int biff;
  std::string xlrd_sheet, gnumeric_sheet;  // of "Łódź 😀.xls" as xlrd and Gnumeric name it
  int longest_text;                        // the most a cell holds
  int records, total;     // the most a worksheet holds under the names; records to export
  std::string continued;  // what Changes() says of the further worksheets
  std::string records_written, reference;  // of a small export; a file others wrote
};

// Excel 3.0 and 4.0 files are one unnamed worksheet; workbooks name it after the file as
// far as Windows-1252 (5.0) or UTF-16 (97: U+FFFF on counts twice) stores it. References:
// what Excel 2003 saved in each version, and OpenOffice.org in Excel 95's.
// clang-format off
const Version kVersions[] = {
    {"Excel 3.0", 30, "Sheet 1", "Worksheet", 255, 16383, 16383, "",
     "stream file 580\n0209:6 0042:2 0022:2 0081:2 0231:12*4 001E:8 001E:11 001E:20 0243:12*18 0293:4 "
     "0055:2 0200:10 0204:10 0204:12 0204:14 027E:10 0204:11 0205:8 003D:10 023E:10 000A:0\n", "simple2003_3.xls"},
    {"Excel 4.0", 40, "Sheet 1", "Worksheet", 255, 16383, 16383, "",
     "stream file 586\n0409:6 0042:2 0022:2 0081:2 0231:12*4 041E:10 041E:13 041E:22 0443:12*18 0293:4 "
     "0055:2 0200:10 0204:10 0204:12 0204:14 027E:10 0204:11 0205:8 003D:10 023E:10 000A:0\n", "simple2003_4.xls"},
    {"Excel 5.0", 50, "_ód_ _.xls", "_ód_ _.xls", 255, 16383, 49149,
     "Rows 16,384 to 49,149 continued on 2 more worksheets: 'Q1_ sales_ _all_ regions of (2)', 'Q1_ sales_ _all_ regions of (3)'",
     "stream Book 4096\n0809:8 0042:2 003D:18 0022:2 0031:20*5 041E:13 041E:22 00E0:16*18 0293:4 0085:14 000A:0 "
     "0809:8 0081:2 0055:2 0200:10 0204:10 0204:12 0204:14 027E:10 0204:11 0205:8 023E:10 000A:0\n", "oocalc_simple95.xls"},
    {"Excel 8.0", 80, "Łódź _.xls", "Łódź _.xls", 32767, 65535, 65536,
     "Row 65,536 continued on 1 more worksheet: 'Q1_ sales_ _all_ regions of (2)'",
     "stream Workbook 4096\n0809:16 0042:2 003D:18 0022:2 0031:21*5 041E:15 041E:24 00E0:20*18 0293:4 0085:15 "
     "00FC:35 00FF:10 000A:0 0809:16 0081:2 0055:2 0200:14 00FD:10*3 027E:10 00FD:10 0205:8 023E:18 000A:0\n"
     "sst ok, 4 strings for 4 cells\nextsst ok, 1 buckets of 8 strings\n", "simple2003.xls"},
};
// clang-format on

void PrintTo(const Version& version, std::ostream* out) { *out << version.connect; }

class ExcelWriterTest : public testing::WriterTest {
 protected:
  ExcelWriterTest() : WriterTest(kSource) {}

  std::vector<std::string> Export(const std::string& fields, const std::string& rest,
                                  const std::string& file) {
    return ExportInto(WorkbookTarget(connect_, file), fields, rest);
  }
  data::DbError ExportError(const std::string& fields, const std::string& rest,
                            const std::string& file) {
    return ExportIntoError(WorkbookTarget(connect_, file), fields, rest);
  }
  // With `summary`, each worksheet's first two rows and its last.
  std::string Xlrd(const std::string& file, bool summary = false) {
    return ReadBack("read_xls.py", Out(file), summary ? " --summary" : "");
  }
  std::string Gnumeric(const std::string& file) {
    return ReadBack("read_with_ssconvert.py", Out(file), " Gnumeric_Excel:excel");
  }
  std::string SheetJs(const std::string& file) {
    const testing::ProcessOutput out = testing::RunProcess(
        std::string("NODE_PATH=" VDIMPEXP_NODE_READERS
                    "/node_modules node " VDIMPEXP_READERS_DIR "/read_sheetjs.js ") +
        ShellQuoted(Out(file)));
    EXPECT_EQ(out.exit_code, 0) << out.text;
    return out.text;
  }
  // With " REFERENCE", whether the records come in its order.
  std::string RecordsOf(const std::string& file, const std::string& reference = "") {
    return ReadBack("read_biff_records.py", Out(file), reference);
  }

  std::string connect_ = "Excel 8.0";
};

class EveryVersionTest : public ExcelWriterTest,
                         public ::testing::WithParamInterface<Version> {
 protected:
  EveryVersionTest() { connect_ = version_.connect; }
  const Version& version_ = GetParam();
  const std::string head_ = "biff " + std::to_string(version_.biff) + " encoding " +
                            (version_.biff == 80 ? "utf_16_le" : "cp1252") + "\n";
};

TEST_P(EveryVersionTest, ValuesReadBack) {
  // A date without a time of day takes the date format, one with a time the other.
  const std::string
      file = "Łódź 😀.xls",
      names =
          R"(["Id", "Name", "Last Name", "Zip", "Code", "Notes", "Active", "Grade", "Rank", "Price", "Ratio", "Amount", "Exact", "Born"]
)";
  Export("*", "FROM t ORDER BY Id", file);
  EXPECT_EQ(
      Xlrd(file),
      head_ + "sheet " + version_.xlrd_sheet + " rows 4 columns 14\n" + names +
          R"([1, "Zoë", "Ångström", "01234", "ABCDÉ", "said \"hi\", then left\r\nnext line", true, 200, -5, 12.5, 0.25, 1234567.891, 99.95, "date:2001-03-15"]
[2, "Smith, John", " padded ", "00501", "XY", "<&> 'single'", false, 0, 40000, 0, 1.5, -0.001, 0.1, "date:1999-12-31 23:59:58"]
[3, "", null, null, null, null, null, null, null, null, null, null, null, null]
)");
  // Gnumeric turns CR LF into LF, and drops an empty text cell before Excel 97.
  EXPECT_EQ(
      Gnumeric(file),
      "sheet " + version_.gnumeric_sheet + "\n" + names +
          R"([1, "Zoë", "Ångström", "01234", "ABCDÉ", "said \"hi\", then left\nnext line", true, 200, -5, 12.5, 0.25, 1234567.891, 99.95, {"n": 36965, "format": "yyyy-mm-dd"}]
[2, "Smith, John", " padded ", "00501", "XY", "<&> 'single'", false, 0, 40000, 0, 1.5, -0.001, 0.1, {"n": 36525.999976851854, "format": "yyyy-mm-dd hh:mm:ss"}]
[3, )" + (version_.biff == 80 ? "\"\"" : "null") +
          R"(, null, null, null, null, null, null, null, null, null, null, null, null]
)");

  // Whole numbers beyond 2^53 and infinities as text, around the limits of RK cells;
  // dates before 1900 as text, 1900-03-01 after the phantom leap day.
  Export("*", "FROM odd ORDER BY Id", "odd.xls");
  EXPECT_THAT(Xlrd("odd.xls"), EndsWith(R"(["Id", "Big", "Whole", "Amount", "Born"]
[1, "9007199254740993", 536870911, 1e+300, "1899-12-31"]
[2, -9007199254740992.0, 536870912, -2.5e-300, "1850-06-01 10:20:30"]
[3, 9007199254740992.0, -536870912, "inf", "date:1900-01-01"]
[4, "-9007199254740993", -536870913, "-inf", "date:1900-03-01 12:00:00"]
)"));

  // 256 columns fit (one more is refused like every refusal).
  std::string fields = "1 AS C1", values = "[1";
  for (int i = 2; i <= 256; ++i) {
    const std::string n = std::to_string(i);
    fields += ", " + n + " AS C" + n, values += ", " + n;
  }
  Export(fields, "FROM t WHERE Id = 1", "256.xls");
  EXPECT_THAT(Xlrd("256.xls"), AllOf(HasSubstr(" rows 2 columns 256\n"),
                                     EndsWith("\"C256\"]\n" + values + "]\n")));
}

TEST_P(EveryVersionTest, TextACellCannotHoldIsCutAndTold) {
  const bool unicode = version_.biff == 80;
  const std::string longest = std::to_string(version_.longest_text);
  // A character beyond U+FFFF is two UTF-16 units, and stays whole or goes.
  EXPECT_EQ(Export("Note",
                   "FROM texts WHERE Id BETWEEN " + longest + " AND " + longest +
                       " + 2 ORDER BY Id",
                   "l"),
            Lines{"Note: " + std::string(unicode ? "2 texts" : "1 text") + " cut to " +
                  longest + " characters"});
  EXPECT_THAT(Xlrd("l"),
              EndsWith(unicode ? "[\"" + std::string(32766, 'c') + "Ł\"]\n[\"" +
                                     std::string(32767, 'd') + "\"]\n[\"" +
                                     std::string(32766, 'g') + "\"]\n"
                               : "[\"" + std::string(255, 'a') + "\"]\n[\"" +
                                     std::string(255, 'b') + "\"]\n"));

  // Before Excel 97 a character Windows-1252 lacks is written as "?" and counted; in a
  // column name it is refused.
  EXPECT_EQ(Export("*", "FROM wide ORDER BY Id", "wide.xls"),
            unicode ? Lines{}
                    : Lines{"Note: 5 characters written as \"?\", which the Windows-1252 "
                            "code page lacks"});
  const std::string rows = unicode ? "[1, \"€ – “x”\"]\n[2, \"Łódź 😀\"]\n[3, \"Ω中\"]\n"
                                   : "[1, \"€ – “x”\"]\n[2, \"?ód? ?\"]\n[3, \"??\"]\n";
  EXPECT_THAT(Xlrd("wide.xls"), EndsWith(rows));
  EXPECT_THAT(Gnumeric("wide.xls"), EndsWith(rows));
  if (unicode) return;
  data::DbError error = ExportError("Note AS [Ωmega]", "FROM wide", "name.xls");
  EXPECT_EQ(error.number(), data::error_number::kTypeMismatch);
  EXPECT_THAT(error.description(),
              HasSubstr("names' row, column 'Ωmega': the character 'Ω' (U+03A9)"));
}

TEST_P(EveryVersionTest, RecordsComeInTheOrderOfFilesOthersWrote) {
  const std::string references = std::string(VDIMPEXP_PARADOX_REFERENCES) + "/../freexl/";
  if (!std::filesystem::is_directory(references)) GTEST_SKIP() << "no " << references;
  Export("Id, Name, Active", "FROM t WHERE Id = 1", "seq.xls");
  EXPECT_EQ(RecordsOf("seq.xls", " " + ShellQuoted(references + version_.reference)),
            version_.records_written + "order of " + version_.reference + ": kept\n");
  // WSBOOL holds the options Excel saves with every worksheet (0x04C1).
  const std::string bytes = testing::FileContents(Out("seq.xls"));
  EXPECT_THAT(bytes, HasSubstr(std::string("\x81\0\x02\0\xC1\x04", 6)));
  // Both BIFF8 BOFs say Excel 97 (build 0x0DBB of 1996), saved on Windows.
  const std::string bof = std::string("\0\xBB\x0D\xCC\x07\x01\0\0\0\x06\0\0\0", 13);
  if (version_.biff == 80) {
    for (char type : {'\x05', '\x10'}) {
      EXPECT_THAT(bytes, HasSubstr(std::string("\x09\x08\x10\0\0\x06", 6) + type + bof));
    }
  }
}

TEST_P(EveryVersionTest, AWorksheetEndsAtItsLastRowAndAWorkbookGoesOnInAnother) {
  // A workbook goes on in worksheets named after the first (the file's name, ':?*' as
  // '_', cut to 31 characters) with the column names again, never after a full one empty.
  // Excel 97's stream of over 7 MB has more allocation tables than the header lists.
  const std::string file = "Q1: sales? *all* regions of the world.xls";
  const std::string names = "[\"Id\", \"Pad\"]\n", sheet = "Q1_ sales_ _all_ regions of ";
  auto row = [](int id) {
    const std::string n = std::to_string(id);
    return "[" + n + ", \"" + std::string(120, 'p') + n + "\"]\n";
  };
  const int records = version_.records, total = version_.total;
  const int sheets = (total + records - 1) / records;
  const auto changes =
      Export("Id, Pad", "FROM big WHERE Id <= " + std::to_string(total), file);
  std::string expected = head_, name = sheets > 1 ? sheet + "the" : "Sheet 1";
  for (int i = 1; i <= sheets; ++i) {
    const int first = records * (i - 1) + 1, last = std::min(records * i, total);
    expected += "sheet " + (i > 1 ? sheet + "(" + std::to_string(i) + ")" : name) +
                " rows " + std::to_string(last - first + 2) + " columns 2\n" + names +
                row(first) + (last > first ? row(last) : "");
  }
  EXPECT_EQ(Xlrd(file, true), expected);
  EXPECT_EQ(changes, sheets == 1 ? Lines{} : Lines{version_.continued});
  if (sheets > 1) {
    const int before = records * (sheets - 1);  // the records of all but the last
    EXPECT_THAT(Gnumeric(file),
                AllOf(HasSubstr(row(before) + "sheet " + sheet + "(" +
                                std::to_string(sheets) + ")\n" + names + row(before + 1)),
                      EndsWith(row(total))));
  } else {
    std::filesystem::remove(Out(file));
    const std::string more = "FROM big WHERE Id <= " + std::to_string(records + 1);
    EXPECT_THAT(ExportError("Id, Pad", more, file).description(),
                HasSubstr("worksheet '" + Out(file) + "': an " + version_.connect +
                          " worksheet holds at most 16,384 rows: the column names and "
                          "16,383 records."));
  }
  if (version_.biff == 80) {
    EXPECT_THAT(RecordsOf(file), HasSubstr(" strings for 65540 cells\nextsst ok, "));
  }
}

INSTANTIATE_TEST_SUITE_P(Excel, EveryVersionTest, ::testing::ValuesIn(kVersions),
                         [](const ::testing::TestParamInfo<Version>& info) {
                           return "Biff" + std::to_string(info.param.biff);
                         });

// The first line where `read` and `expected` part, or "" when they do not.
std::string FirstDifference(const std::string& read, const std::string& expected) {
  std::istringstream a(read), b(expected);
  for (std::string x, y; std::getline(a, x), std::getline(b, y), a || b;)
    if (x != y) return x + "\ninstead of: " + y;
  return "";
}

TEST_F(ExcelWriterTest, SharedStringsCrossRecordsAndTheirIndexFindsThem) {
  Export("Id, Note", "FROM texts WHERE Id < 10 ORDER BY Id", "strings.xls");
  // CONTINUE records go on with whole two-byte characters (8,223 bytes: flags and 4,111
  // of them), and one ends at 8,221 bytes rather than part a surrogate pair.
  EXPECT_THAT(
      RecordsOf("strings.xls"),
      AllOf(HasSubstr(" 00FC:8224 003C:8223*2 003C:8224 003C:8221 003C:5921 00FF:10 "),
            EndsWith(
                "\nsst ok, 5 strings for 5 cells\nextsst ok, 1 buckets of 8 strings\n")));

  // "Note" and 8,201 characters leave 5 bytes of the SST: room for the length and flags
  // of "😀x" and half its pair, so it goes on in a CONTINUE record as a whole.
  Export("Note", "FROM pair ORDER BY Id", "pair.xls");
  EXPECT_THAT(RecordsOf("pair.xls"), HasSubstr(" 00FC:8219 003C:9 00FF:10 "));
  EXPECT_THAT(Xlrd("pair.xls"),
              EndsWith("[\"" + std::string(8201, 'f') + "\"]\n[\"😀x\"]\n"));

  // 71,016 distinct strings (the names and those above included) in 132,017 cells, each
  // read back as SQLite has it; most of those repeated stored once.
  EXPECT_THAT(Export("*", "FROM spill ORDER BY Id", "spill.xls"), IsEmpty());
  std::string rows = "[\"Id\", \"Long\", \"Short\", \"Few\", \"Many\"]\n", packed;
  for (const Lines& row :
       testing::QueryRows(db_, R"(SELECT format('[%d, "%s", "%s", "%s", "%s"]',
                          Id, Long, Short, Few, Many) FROM spill ORDER BY Id)"))
    rows += row[0] + "\n";
  // SheetJS leaves out the blank after each comma; the strings have none.
  for (char c : rows) packed += c == ' ' ? "" : std::string(1, c);
  const std::string xlrd =
      "biff 80 encoding utf_16_le\nsheet spill.xls rows 33004 columns 5\n";
  EXPECT_EQ(FirstDifference(Xlrd("spill.xls"), xlrd + rows), "");
  EXPECT_EQ(FirstDifference(SheetJs("spill.xls"), "sheet spill.xls\n" + packed), "");
  EXPECT_THAT(RecordsOf("spill.xls"),
              ContainsRegex("sst ok, 7[1-9][0-9]{3} strings for 132017 cells\n"));
}

// The zipped XML workbooks, with a worksheet lowered to 3 rows: typed cells (leading
// zeros and blanks kept, dates date-formatted), the names frozen, and the last record
// on a further worksheet named after the file as far as each format's names allow.
TEST_F(ExcelWriterTest, ZippedWorkbooksTypeTheirCellsAndGoOnPastALoweredRowLimit) {
  struct Case {
    std::string connect, file, sheet, second;
    data::TableWriterFactory lowered, usual;
    std::string empty_text;    // how the readers see ''
    std::string third_amount;  // 0.1 + 0.2 as the readers see it
    Lines rounded;             // what Changes() says of it
    std::vector<std::string> readers;
  };
  const std::string file = "Q1: sales? *all* regions of the world";
  const std::string cut = "Q1_ sales_ _all_ regions of ", whole = cut + "the world.ods";
  const std::vector<Case> cases = {
      // libxlsxwriter leaves an empty text's cell out.
      {"Excel 12.0 Xml",
       file + ".xlsx",
       cut + "the",
       cut + "(2)",
       [] { return std::make_unique<XlsxWriter>(3); },
       [] { return std::make_unique<XlsxWriter>(); },
       "null",
       "0.3",
       {"Amount: 1 number rounded to 16 significant digits"},
       {"read_xlsx.py", "read_with_ssconvert.py Gnumeric_Excel:xlsx"}},
      {"ODS",
       file + ".ods",
       whole,
       whole + " (2)",
       [] { return std::make_unique<OdsWriter>(3); },
       [] { return std::make_unique<OdsWriter>(); },
       R"("")",
       "0.30000000000000004",
       {},
       {"read_with_ssconvert.py Gnumeric_OpenCalc:openoffice"}},
  };
  data::Connection(db_).Execute("UPDATE t SET Born = '2000-02-29 12:00:00' WHERE Id = 2");
  data::Connection(db_).Execute("UPDATE t SET Amount = 0.1 + 0.2 WHERE Id = 3");
  const std::string names =
      R"(["Id", "Name", "Last Name", "Zip", "Active", "Amount", "Born"])"
      "\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.connect);
    data::RegisterTableWriter(c.connect, c.lowered);
    const Lines changes = ExportInto(WorkbookTarget(c.connect, c.file),
                                     "Id, Name, [Last Name], Zip, Active, Amount, Born",
                                     "FROM t ORDER BY Id");
    data::RegisterTableWriter(c.connect, c.usual);
    Lines told = c.rounded;
    told.push_back("Row 3 continued on 1 more worksheet: '" + c.second + "'");
    EXPECT_EQ(changes, told);
    // "script arguments": what the script prints for the file, with `more`.
    auto read = [&](const std::string& reader, const std::string& more = "") {
      const size_t blank = reader.find(' ');
      return ReadBack(reader.substr(0, blank), Out(c.file),
                      (blank == std::string::npos ? "" : reader.substr(blank)) + more);
    };
    for (const std::string& reader : c.readers) {
      EXPECT_EQ(
          read(reader),
          "sheet " + c.sheet + " frozen A2\n" + names +
              R"([1, "Zoë", "Ångström", "01234", true, 1234567.891, {"n": 36965, "format": "yyyy-mm-dd"}])"
              "\n"
              R"([2, "Smith, John", " padded ", "00501", false, -0.001, {"n": 36585.5, "format": "yyyy-mm-dd hh:mm:ss"}])"
              "\nsheet " +
              c.second + " frozen A2\n" + names + "[3, " + c.empty_text +
              ", null, null, null, " + c.third_amount + ", null]\n")
          << reader;
    }
    // The widths follow the values: "Smith, John" widens the names' column past that of
    // the one-digit ids.
    std::istringstream widths(read(c.readers.front(), " --widths"));
    double id_width = 0, name_width = 0;
    widths >> id_width >> name_width;
    EXPECT_LT(id_width, name_width) << widths.str();
  }
}

// LibreOffice, which users on Linux open these files in, converts both workbooks to CSV
// in one run: every value with the type CSV shows (text quoted, numbers and booleans
// bare, dates as their format shows them; a line end as Calc keeps it, one LF), the
// worksheet named after the file.
TEST_F(ExcelWriterTest, LibreOfficeReadsEveryTypeFromBothZippedWorkbooks) {
  if (testing::RunProcess("command -v soffice").exit_code != 0) {
    GTEST_SKIP() << "soffice is not installed (Debian's libreoffice-calc-nogui), so "
                    "LibreOffice's reading of the xlsx and ods files goes unchecked";
  }
  struct Case {
    std::string connect, file, sheet;
    std::string empty_text;  // how LibreOffice shows ''
  };
  const std::vector<Case> cases = {
      // libxlsxwriter leaves an empty text's cell out.
      {"Excel 12.0 Xml", "Zoë's types.xlsx", "Zoë's types.xlsx", "null"},
      {"ODS", "Zoë's types (ods).ods", "Zoë's types (ods).ods", R"("")"},
  };
  std::string files, expected;
  for (const Case& c : cases) {
    EXPECT_THAT(ExportInto(WorkbookTarget(c.connect, c.file), "*", "FROM t ORDER BY Id"),
                IsEmpty());
    files += " " + ShellQuoted(Out(c.file));
    expected +=
        "sheet " + c.sheet + "\n" +
        R"(["Id", "Name", "Last Name", "Zip", "Code", "Notes", "Active", "Grade", )"
        R"("Rank", "Price", "Ratio", "Amount", "Exact", "Born"])"
        "\n"
        R"([1, "Zoë", "Ångström", "01234", "ABCDÉ", "said \"hi\", then left\nnext line", )"
        R"(true, 200, -5, 12.5, 0.25, 1234567.891, 99.95, {"shown": "2001-03-15"}])"
        "\n"
        R"([2, "Smith, John", " padded ", "00501", "XY", "<&> 'single'", false, 0, )"
        R"(40000, 0, 1.5, -0.001, 0.1, {"shown": "1999-12-31 23:59:58"}])"
        "\n[3, " +
        c.empty_text +
        ", null, null, null, null, null, null, null, null, null, null, null, null]\n";
  }
  const testing::ReaderOutput read =
      testing::RunIndependentReader("read_with_libreoffice.py", files);
  EXPECT_EQ(read.exit_code, 0);
  EXPECT_EQ(read.text, expected);
}

}  // namespace
}  // namespace vdimpexp::formats

#include "formats/excel/excel_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "export_source.h"
#include "independent_reader.h"
#include "writer_test.h"

namespace vdimpexp::formats {
namespace {

using ::testing::AllOf;
using ::testing::ContainsRegex;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::ReadBack;
using testing::ShellQuoted;

// Beside the table of every type: numbers at the edges of what cells hold,
// dates around the serial system's start, text beyond Windows-1252 (and
// beyond 16 bits), long text, rows enough to fill a worksheet, and more
// distinct strings than any writer keeps at hand.
const std::string kSource = std::string(testing::kEveryTypeTable) + R"(
    CREATE TABLE odd (Id INTEGER, Big INTEGER, Whole INTEGER, Amount DOUBLE,
                      Born DATETIME);
    INSERT INTO odd VALUES (1, 9007199254740993, 536870911, 1e300, '1899-12-31'),
      (2, -9007199254740992, 536870912, -2.5e-300, '1850-06-01 10:20:30'),
      (3, 9007199254740992, -536870912, 9e999, '1900-01-01'),
      (4, -9007199254740993, -536870913, -9e999, '1900-03-01 12:00:00');
    CREATE TABLE wide (Id INTEGER, Note TEXT(40));
    INSERT INTO wide VALUES (1, '€ – “x”'), (2, 'Łódź 😀'), (3, 'Ω中');
    CREATE TABLE texts (Id INTEGER, Note LONGTEXT);
    INSERT INTO texts VALUES (255, printf('%.255c', 'a')), (256, printf('%.256c', 'b')),
      (32767, printf('%.32766c', 'c') || 'Ł'), (32768, printf('%.32768c', 'd')),
    -- Strings that cross the 8,224-byte records of the shared string table,
    -- one byte and two bytes per character.
      (1, printf('%.9000c', 'e')), (2, replace(printf('%.9001c', 'x'), 'x', 'Ł')),
      (3, replace(printf('%.5000c', 'x'), 'x', '😀'));
    -- A string that starts with a surrogate pair where only its length,
    -- flags and one two-byte unit would fit the SST record.
    CREATE TABLE pair (Id INTEGER, Note LONGTEXT);
    INSERT INTO pair VALUES (1, printf('%.8201c', 'f')), (2, '😀x');
    CREATE TABLE big (Id INTEGER, Pad TEXT(150));
    WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 65536)
      INSERT INTO big SELECT i, printf('%.120c', 'p') || i FROM n;
    -- Long ones of one and two bytes a character, of many lengths, so that
    -- record ends fall everywhere; short ones, few and many times repeated.
    CREATE TABLE spill (Id INTEGER, Long LONGTEXT, Short TEXT(9), Few TEXT(2), Many TEXT(5));
    WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 33000)
      INSERT INTO spill SELECT i, CASE i % 3 WHEN 0 THEN printf('%.*c', i % 71, 'a')
        WHEN 1 THEN replace(printf('%.*c', i % 67, 'x'), 'x', 'Ω')
        ELSE replace(printf('%.*c', i % 37, 'x'), 'x', '中') END || i,
        'b' || i, 'Ω' || (i % 7), 'd' || (i % 5000) FROM n;)";

struct Version {
  std::string connect;
  int biff;
  // The worksheet of "Łódź 😀.xls" as xlrd and Gnumeric name it.
  std::string xlrd_sheet, gnumeric_sheet;
  int longest_text;
  std::string cell_holds;  // as a refusal of longer text says
  int records;             // the most a worksheet holds under the column names
  std::string records_written, reference;  // of a small export; a file others wrote
};

// Excel 3.0 and 4.0 files are one unnamed worksheet ("Sheet 1" to xlrd,
// "Worksheet" to Gnumeric) with records numbered apart; workbooks name it
// after the file as far as Windows-1252 (5.0) or UTF-16 (97, where a
// character beyond U+FFFF counts twice) stores it. The references are what
// Excel 2003 saved in each version, and OpenOffice.org in Excel 95's.
const Version kVersions[] = {
    {"Excel 3.0", 30, "Sheet 1", "Worksheet", 255, "an Excel 3.0 cell holds at most 255",
     16383,
     "stream file 580\n0209:6 0042:2 0022:2 0081:2 0231:12*4 001E:8 001E:11 001E:20 "
     "0243:12*18 0293:4 0055:2 0200:10 0204:10 0204:12 0204:14 027E:10 0204:11 0205:8 "
     "003D:10 023E:10 000A:0\n",
     "simple2003_3.xls"},
    {"Excel 4.0", 40, "Sheet 1", "Worksheet", 255, "an Excel 4.0 cell holds at most 255",
     16383,
     "stream file 586\n0409:6 0042:2 0022:2 0081:2 0231:12*4 041E:10 041E:13 041E:22 "
     "0443:12*18 0293:4 0055:2 0200:10 0204:10 0204:12 0204:14 027E:10 0204:11 0205:8 "
     "003D:10 023E:10 000A:0\n",
     "simple2003_4.xls"},
    {"Excel 5.0", 50, "_ód_ _.xls", "_ód_ _.xls", 255,
     "an Excel 5.0 cell holds at most 255", 16383,
     "stream Book 4096\n0809:8 0042:2 003D:18 0022:2 0031:20*5 041E:13 041E:22 "
     "00E0:16*18 "
     "0293:4 0085:14 000A:0 0809:8 0081:2 0055:2 0200:10 0204:10 0204:12 0204:14 027E:10 "
     "0204:11 0205:8 023E:10 000A:0\n",
     "oocalc_simple95.xls"},
    {"Excel 8.0", 80, "Łódź _.xls", "Łódź _.xls", 32767,
     "an Excel 97 cell holds at most 32,767", 65535,
     "stream Workbook 4096\n0809:16 0042:2 003D:18 0022:2 0031:21*5 041E:15 041E:24 "
     "00E0:20*18 0293:4 0085:15 00FC:35 00FF:10 000A:0 0809:16 0081:2 0055:2 0200:14 "
     "00FD:10*3 027E:10 00FD:10 0205:8 023E:18 000A:0\n"
     "sst ok, 4 strings for 4 cells\nextsst ok, 1 buckets of 8 strings\n",
     "simple2003.xls"},
};

void PrintTo(const Version& version, std::ostream* out) { *out << version.connect; }

class ExcelWriterTest : public testing::WriterTest {
 protected:
  ExcelWriterTest() : WriterTest(kSource) {}

  std::vector<std::string> Export(const Version& version, const std::string& fields,
                                  const std::string& rest, const std::string& file) {
    return ExportInto(WorkbookTarget(version.connect, file), fields, rest);
  }
  data::DbError ExportError(const Version& version, const std::string& fields,
                            const std::string& rest, const std::string& file) {
    return ExportIntoError(WorkbookTarget(version.connect, file), fields, rest);
  }
  // With `summary`, each worksheet's first two rows and its last.
  std::string Xlrd(const std::string& file, bool summary = false) {
    return ReadBack("read_xls.py", Out(file), summary ? " --summary" : "");
  }
  std::string Gnumeric(const std::string& file) {
    return ReadBack("read_with_ssconvert.py", Out(file), " Gnumeric_Excel:excel");
  }
  std::string SheetJs(const std::string& file) {
    testing::ProcessOutput output = testing::RunProcess(
        "NODE_PATH=" + ShellQuoted(std::string(VDIMPEXP_NODE_READERS) + "/node_modules") +
        " node " + ShellQuoted(std::string(VDIMPEXP_READERS_DIR) + "/read_sheetjs.js") +
        " " + ShellQuoted(Out(file)));
    EXPECT_EQ(output.exit_code, 0) << output.text;
    return output.text;
  }
  // With a `reference`, whether the records come in its order.
  std::string RecordsOf(const std::string& file, const std::string& reference = "") {
    return ReadBack("read_biff_records.py", Out(file),
                    reference.empty() ? "" : " " + ShellQuoted(reference));
  }
};

class EveryVersionTest : public ExcelWriterTest,
                         public ::testing::WithParamInterface<Version> {
 protected:
  const Version& version_ = GetParam();
  // xlrd's first line: the version and the encoding the CODEPAGE names.
  const std::string head_ = "biff " + std::to_string(version_.biff) + " encoding " +
                            (version_.biff == 80 ? "utf_16_le" : "cp1252") + "\n";
};

TEST_P(EveryVersionTest, ValuesReadBack) {
  // A date without a time of day takes the date format, one with a time
  // the date-time format.
  const std::string file = "Łódź 😀.xls";
  Export(version_, "*", "FROM t ORDER BY Id", file);
  EXPECT_EQ(
      Xlrd(file),
      head_ + "sheet " + version_.xlrd_sheet + " rows 4 columns 14\n" +
          R"(["Id", "Name", "Last Name", "Zip", "Code", "Notes", "Active", "Grade", "Rank", "Price", "Ratio", "Amount", "Exact", "Born"]
[1, "Zoë", "Ångström", "01234", "ABCDÉ", "said \"hi\", then left\r\nnext line", true, 200, -5, 12.5, 0.25, 1234567.891, 99.95, "date:2001-03-15"]
[2, "Smith, John", " padded ", "00501", "XY", "<&> 'single'", false, 0, 40000, 0, 1.5, -0.001, 0.1, "date:1999-12-31 23:59:58"]
[3, "", null, null, null, null, null, null, null, null, null, null, null, null]
)");
  // Gnumeric's XML turns a carriage return and line feed into a line feed;
  // Gnumeric drops an empty text cell before Excel 97.
  EXPECT_EQ(
      Gnumeric(file),
      "sheet " + version_.gnumeric_sheet + "\n" +
          R"(["Id", "Name", "Last Name", "Zip", "Code", "Notes", "Active", "Grade", "Rank", "Price", "Ratio", "Amount", "Exact", "Born"]
[1, "Zoë", "Ångström", "01234", "ABCDÉ", "said \"hi\", then left\nnext line", true, 200, -5, 12.5, 0.25, 1234567.891, 99.95, {"n": 36965, "format": "yyyy-mm-dd"}]
[2, "Smith, John", " padded ", "00501", "XY", "<&> 'single'", false, 0, 40000, 0, 1.5, -0.001, 0.1, {"n": 36525.999976851854, "format": "yyyy-mm-dd hh:mm:ss"}]
[3, )" + (version_.biff == 80 ? "\"\"" : "null") +
          ", null, null, null, null, null, null, null, null, null, "
          "null, null, null]\n");

  // Whole numbers beyond 2^53 and infinities as text, around the limits of
  // RK cells; dates before 1900 as text, 1900-03-01 after the phantom leap
  // day as serial 61.
  Export(version_, "*", "FROM odd ORDER BY Id", "odd.xls");
  EXPECT_THAT(Xlrd("odd.xls"), EndsWith(R"(["Id", "Big", "Whole", "Amount", "Born"]
[1, "9007199254740993", 536870911, 1e+300, "1899-12-31"]
[2, -9007199254740992.0, 536870912, -2.5e-300, "1850-06-01 10:20:30"]
[3, 9007199254740992.0, -536870912, "inf", "date:1900-01-01"]
[4, "-9007199254740993", -536870913, "-inf", "date:1900-03-01 12:00:00"]
)"));
  EXPECT_THAT(Gnumeric("odd.xls"), EndsWith(R"(
[3, 9007199254740992.0, -536870912, "inf", {"n": 1, "format": "yyyy-mm-dd"}]
[4, "-9007199254740993", -536870913, "-inf", {"n": 61.5, "format": "yyyy-mm-dd hh:mm:ss"}]
)"));

  // 256 columns fit (one more is refused like every refusal).
  std::string fields = "1 AS C1", values = "[1";
  for (int i = 2; i <= 256; ++i) {
    fields += ", " + std::to_string(i) + " AS C" + std::to_string(i);
    values += ", " + std::to_string(i);
  }
  Export(version_, fields, "FROM t WHERE Id = 1", "256.xls");
  EXPECT_THAT(Xlrd("256.xls"), AllOf(HasSubstr(" rows 2 columns 256\n"),
                                     EndsWith("\"C256\"]\n" + values + "]\n")));
}

TEST_P(EveryVersionTest, TextACellCannotHoldIsRefusedNamingRowAndColumn) {
  const std::string longest = std::to_string(version_.longest_text);
  data::DbError error = ExportError(
      version_, "Id, Note", "FROM texts WHERE Id >= " + longest + " ORDER BY Id", "l");
  EXPECT_EQ(error.number(), data::error_number::kTextTooLong);
  EXPECT_THAT(error.description(), HasSubstr("row 2, column 'Note': the text is " +
                                             std::to_string(version_.longest_text + 1) +
                                             " characters long; " + version_.cell_holds));
  Export(version_, "Note", "FROM texts WHERE Id = " + longest, "l");
  EXPECT_THAT(Xlrd("l"), EndsWith("[\"" +
                                  (version_.biff == 80 ? std::string(32766, 'c') + "Ł"
                                                       : std::string(255, 'a')) +
                                  "\"]\n"));

  // Before Excel 97 a character Windows-1252 lacks is written as "?" and
  // counted; in a column name it is refused.
  const bool unicode = version_.biff == 80;
  using Lines = std::vector<std::string>;
  EXPECT_EQ(Export(version_, "*", "FROM wide ORDER BY Id", "wide.xls"),
            unicode ? Lines{}
                    : Lines{"Note: 5 characters written as \"?\", which the Windows-1252 "
                            "code page lacks"});
  const std::string rows = unicode ? "[1, \"€ – “x”\"]\n[2, \"Łódź 😀\"]\n[3, \"Ω中\"]\n"
                                   : "[1, \"€ – “x”\"]\n[2, \"?ód? ?\"]\n[3, \"??\"]\n";
  EXPECT_THAT(Xlrd("wide.xls"), EndsWith(rows));
  EXPECT_THAT(Gnumeric("wide.xls"), EndsWith(rows));
  if (unicode) return;
  error = ExportError(version_, "Note AS [Ωmega]", "FROM wide", "name.xls");
  EXPECT_EQ(error.number(), data::error_number::kTypeMismatch);
  EXPECT_THAT(error.description(),
              HasSubstr("'" + Out("name.xls") +
                        "', the column names' row, column 'Ωmega': the character "
                        "'Ω' (U+03A9)"));
}

TEST_P(EveryVersionTest, RecordsComeInTheOrderOfFilesOthersWrote) {
  const std::string references = std::string(VDIMPEXP_PARADOX_REFERENCES) + "/../freexl/";
  if (!std::filesystem::is_directory(references)) GTEST_SKIP() << "no " << references;
  Export(version_, "Id, Name, Active", "FROM t WHERE Id = 1", "seq.xls");
  EXPECT_EQ(RecordsOf("seq.xls", references + version_.reference),
            version_.records_written + "order of " + version_.reference + ": kept\n");
  // WSBOOL holds the options Excel saves with every worksheet (0x04C1).
  const std::string bytes = testing::FileContents(Out("seq.xls"));
  EXPECT_THAT(bytes, HasSubstr(std::string("\x81\0\x02\0\xC1\x04", 6)));
  // Both BIFF8 BOFs say Excel 97 (build 0x0DBB of 1996), saved on Windows,
  // every record readable by Excel 97.
  if (version_.biff < 80) return;
  for (char type : {'\x05', '\x10'}) {
    EXPECT_THAT(bytes,
                HasSubstr(std::string("\x09\x08\x10\0\0\x06", 6) + type +
                          std::string("\0\xBB\x0D\xCC\x07\x01\0\0\0\x06\0\0\0", 13)));
  }
}

TEST_P(EveryVersionTest, AWorksheetEndsAtItsLastRowAndAWorkbookGoesOnInAnother) {
  // A workbook goes on in a worksheet named after the first (the file's
  // name, ':', '?' and '*' replaced, cut to 31 characters) with the column
  // names again. Excel 97's 65,536 rows make a stream of over 7 MB, whose
  // allocation table sectors outgrow the header's list (the DIFAT holds
  // the rest).
  const std::string file = "Q1: sales? *all* regions of the world.xls";
  const std::string names = "[\"Id\", \"Pad\"]\n";
  auto row = [](int id) {
    return "[" + std::to_string(id) + ", \"" + std::string(120, 'p') +
           std::to_string(id) + "\"]\n";
  };
  const int records = version_.records;
  const std::string first_sheet =
      head_ + "sheet " +
      (version_.biff < 50 ? "Sheet 1" : "Q1_ sales_ _all_ regions of the") + " rows " +
      std::to_string(records + 1) + " columns 2\n" + names + row(1) + row(records);
  Export(version_, "Id, Pad", "FROM big WHERE Id <= " + std::to_string(records), file);
  EXPECT_EQ(Xlrd(file, true), first_sheet);
  std::filesystem::remove(Out(file));

  // Excel 5.0 fills a second worksheet and starts a third; Changes() names
  // them and the rows they took.
  const int sheets = version_.biff == 50 ? 3 : 2, total = records * (sheets - 1) + 1;
  const std::string rest = "FROM big WHERE Id <= " + std::to_string(total);
  if (version_.biff < 50) {
    EXPECT_THAT(ExportError(version_, "Id, Pad", rest, file).description(),
                HasSubstr(version_.connect + " worksheet '" + Out(file) + "': an " +
                          version_.connect +
                          " worksheet holds at most 16,384 rows: the column names and "
                          "16,383 records."));
    return;
  }
  const std::string sheet = "Q1_ sales_ _all_ regions of (";
  EXPECT_THAT(
      Export(version_, "Id, Pad", rest, file),
      ElementsAre(sheets == 3
                      ? "Rows 16,384 to 32,767 continued on 2 more worksheets: '" +
                            sheet + "2)', '" + sheet + "3)'"
                      : "Row 65,536 continued on 1 more worksheet: '" + sheet + "2)'"));
  std::string expected = first_sheet;
  for (int i = 2; i <= sheets; ++i) {
    const int first = records * (i - 1) + 1, last = std::min(records * i, total);
    expected += "sheet " + sheet + std::to_string(i) + ") rows " +
                std::to_string(last - first + 2) + " columns 2\n" + names + row(first) +
                (last > first ? row(last) : "");
  }
  EXPECT_EQ(Xlrd(file, true), expected);
  EXPECT_THAT(Gnumeric(file),
              EndsWith(row(total - 1) + "sheet " + sheet + std::to_string(sheets) +
                       ")\n" + names + row(total)));
  if (version_.biff == 80) {
    EXPECT_GT(std::filesystem::file_size(Out(file)), 7u << 20);
    EXPECT_THAT(RecordsOf(file),
                ContainsRegex("\nsst ok, [0-9]+ strings for 65540 cells\n"
                              "extsst ok, "));
  }
}

INSTANTIATE_TEST_SUITE_P(Excel, EveryVersionTest, ::testing::ValuesIn(kVersions),
                         [](const ::testing::TestParamInfo<Version>& info) {
                           return "Biff" + std::to_string(info.param.biff);
                         });

// The first line where `read` and `expected` part, or "" when they do not.
std::string FirstDifference(const std::string& read, const std::string& expected) {
  std::istringstream a(read), b(expected);
  std::string x, y;
  for (int line = 1;; ++line) {
    const bool more_read = !!std::getline(a, x), more_expected = !!std::getline(b, y);
    if (!more_read && !more_expected) return "";
    if (x != y) return "line " + std::to_string(line) + ": " + x + "\ninstead of: " + y;
  }
}

TEST_F(ExcelWriterTest, SharedStringsCrossRecordsAndTheirIndexFindsThem) {
  // Nine thousand one-byte characters, nine thousand two-byte ones and
  // five thousand surrogate pairs: each string goes on in CONTINUE records.
  Export(kVersions[3], "Id, Note", "FROM texts WHERE Id < 10 ORDER BY Id", "strings.xls");
  std::string two_byte, pairs;
  for (int i = 0; i < 9001; ++i) two_byte += "Ł";
  for (int i = 0; i < 5000; ++i) pairs += "😀";
  const std::string rows = "[\"Id\", \"Note\"]\n[1, \"" + std::string(9000, 'e') +
                           "\"]\n[2, \"" + two_byte + "\"]\n[3, \"" + pairs + "\"]\n";
  EXPECT_THAT(Xlrd("strings.xls"), EndsWith(rows));
  EXPECT_THAT(Gnumeric("strings.xls"), EndsWith(rows));
  // The SST fills its 8,224 bytes; CONTINUE records go on with whole
  // two-byte characters (8,223 bytes: flags and 4,111 of them), and one
  // ends at 8,221 bytes rather than part a surrogate pair.
  EXPECT_THAT(
      RecordsOf("strings.xls"),
      AllOf(HasSubstr(" 00FC:8224 003C:8223*2 003C:8224 003C:8221 003C:5921 00FF:10 "),
            EndsWith(
                "\nsst ok, 5 strings for 5 cells\nextsst ok, 1 buckets of 8 strings\n")));

  // The name "Note" and 8,201 characters leave 5 bytes of the SST record:
  // room for the length and flags of "😀x" and half its pair. The string
  // goes on in a CONTINUE record as a whole, never its length and flags
  // alone in one record and its first character in the next.
  Export(kVersions[3], "Note", "FROM pair ORDER BY Id", "pair.xls");
  EXPECT_THAT(RecordsOf("pair.xls"), HasSubstr(" 00FC:8219 003C:9 00FF:10 "));
  EXPECT_THAT(Xlrd("pair.xls"),
              EndsWith("[\"" + std::string(8201, 'f') + "\"]\n[\"😀x\"]\n"));

  // 71,012 distinct strings (the names included) in 132,005 cells, each
  // read back as SQLite has it; most of the seven "Few" stored once.
  EXPECT_THAT(Export(kVersions[3], "*", "FROM spill ORDER BY Id", "spill.xls"),
              IsEmpty());
  std::string xlrd = "[\"Id\", \"Long\", \"Short\", \"Few\", \"Many\"]\n", sheetjs = xlrd;
  sheetjs.erase(std::remove(sheetjs.begin(), sheetjs.end(), ' '), sheetjs.end());
  for (const std::vector<std::string>& row :
       testing::QueryRows(db_, "SELECT * FROM spill ORDER BY Id")) {
    xlrd += "[" + row[0] + ", \"" + row[1] + "\", \"" + row[2] + "\", \"" + row[3] +
            "\", \"" + row[4] + "\"]\n";
    sheetjs += "[" + row[0] + ",\"" + row[1] + "\",\"" + row[2] + "\",\"" + row[3] +
               "\",\"" + row[4] + "\"]\n";
  }
  EXPECT_EQ(FirstDifference(Xlrd("spill.xls"),
                            "biff 80 encoding utf_16_le\nsheet spill.xls rows 33001 "
                            "columns 5\n" +
                                xlrd),
            "");
  EXPECT_EQ(FirstDifference(SheetJs("spill.xls"), "sheet spill.xls\n" + sheetjs), "");
  const std::string records = RecordsOf("spill.xls");
  const size_t counts = records.find("\nsst ok, ");
  ASSERT_NE(counts, std::string::npos) << records;
  EXPECT_THAT(records.substr(counts),
              HasSubstr(" strings for 132005 cells\nextsst ok, "));
  const long strings = std::stol(records.substr(counts + 9));
  EXPECT_GE(strings, 71012);
  EXPECT_LT(strings, 71012 + 10000);
}

}  // namespace
}  // namespace vdimpexp::formats

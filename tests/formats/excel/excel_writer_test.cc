#include "formats/excel/excel_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Beside the table of every type: whole numbers at the edges of what a
// cell holds exactly, numbers no cell holds, dates before and at the start
// of the serial system, text beyond Windows-1252 (one character beyond the
// 16-bit range), long text, and rows enough to fill a worksheet.
const std::string kSource = std::string(testing::kEveryTypeTable) + R"(
    CREATE TABLE odd (Id INTEGER, Big INTEGER, Whole INTEGER, Amount DOUBLE,
                      Born DATETIME);
    INSERT INTO odd VALUES (1, 9007199254740993, 536870911, 1e300, '1899-12-31');
    INSERT INTO odd VALUES (2, -9007199254740992, 536870912, -2.5e-300,
                            '1850-06-01 10:20:30');
    INSERT INTO odd VALUES (3, 9007199254740992, -536870912, 9e999, '1900-01-01');
    INSERT INTO odd VALUES (4, -9007199254740993, -536870913, -9e999,
                            '1900-03-01 12:00:00');
    CREATE TABLE wide (Id INTEGER, Note TEXT(40));
    INSERT INTO wide VALUES (1, '€ – “x”'), (2, 'Łódź 😀');
    CREATE TABLE texts (Id INTEGER, Note LONGTEXT);
    INSERT INTO texts VALUES (255, printf('%.255c', 'a'));
    INSERT INTO texts VALUES (256, printf('%.256c', 'b'));
    INSERT INTO texts VALUES (32767, printf('%.32766c', 'c') || 'Ł');
    INSERT INTO texts VALUES (32768, printf('%.32768c', 'd'));
    -- Strings that cross the 8,224-byte records of the shared string table,
    -- one byte and two bytes per character.
    INSERT INTO texts VALUES (1, printf('%.9000c', 'e'));
    INSERT INTO texts VALUES (2, replace(printf('%.9001c', 'x'), 'x', 'Ł'));
    INSERT INTO texts VALUES (3, replace(printf('%.5000c', 'x'), 'x', '😀'));
    -- A string that starts with a surrogate pair where only its length,
    -- flags and one two-byte unit would fit the SST record.
    CREATE TABLE pair (Id INTEGER, Note LONGTEXT);
    INSERT INTO pair VALUES (1, printf('%.8201c', 'f')), (2, '😀x');
    CREATE TABLE big (Id INTEGER, Name TEXT(10), Pad TEXT(150));
    WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 65536)
      INSERT INTO big SELECT i, 'r' || i, printf('%.120c', 'p') || i FROM n;)";

struct Version {
  std::string connect;
  int biff;
};

const Version kExcel3{"Excel 3.0", 30};
const Version kExcel4{"Excel 4.0", 40};
const Version kExcel5{"Excel 5.0", 50};
const Version kExcel97{"Excel 8.0", 80};

class ExcelWriterTest : public testing::WriterTest {
 protected:
  ExcelWriterTest() : WriterTest(kSource) {}

  void Export(const std::string& connect, const std::string& fields,
              const std::string& rest, const std::string& file) {
    ExportInto(WorkbookTarget(connect, file), fields, rest);
  }

  data::DbError ExportError(const std::string& connect, const std::string& fields,
                            const std::string& rest, const std::string& file) {
    return ExportIntoError(WorkbookTarget(connect, file), fields, rest);
  }

  std::string Read(const std::string& script, const std::string& arguments) {
    testing::ReaderOutput output = RunIndependentReader(script, arguments);
    EXPECT_EQ(output.exit_code, 0) << output.text;
    return output.text;
  }

  std::string ReadWithXlrd(const std::string& file) {
    return Read("read_xls.py", ShellQuoted(Out(file)));
  }
  // The worksheets' names and sizes, and their first two and last rows.
  std::string SummaryByXlrd(const std::string& file) {
    return Read("read_xls.py", "--summary " + ShellQuoted(Out(file)));
  }
  std::string ReadWithGnumeric(const std::string& file) {
    return Read("read_with_ssconvert.py",
                ShellQuoted(Out(file)) + " Gnumeric_Excel:excel");
  }
  std::string RecordsOf(const std::string& file) {
    return Read("read_biff_records.py", ShellQuoted(Out(file)));
  }
};

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Text cells keep leading zeros, blanks, quotes, commas and line breaks;
// numbers come back as numbers, booleans as booleans; a date without a
// time of day takes the date format, one with a time the date-time format.
constexpr char kEveryTypeByXlrd[] =
    R"(["Id", "Name", "Last Name", "Zip", "Code", "Notes", "Active", "Grade", "Rank", "Price", "Ratio", "Amount", "Exact", "Born"]
[1, "Zoë", "Ångström", "01234", "ABCDÉ", "said \"hi\", then left\r\nnext line", true, 200, -5, 12.5, 0.25, 1234567.891, 99.95, "date:2001-03-15"]
[2, "Smith, John", " padded ", "00501", "XY", "<&> 'single'", false, 0, 40000, 0, 1.5, -0.001, 0.1, "date:1999-12-31 23:59:58"]
[3, "", null, null, null, null, null, null, null, null, null, null, null, null]
)";

// Gnumeric's reader script goes through Gnumeric's XML, whose reading turns
// a carriage return and line feed into a line feed. Gnumeric drops an empty
// text cell of Excel 3.0 to 5.0 files and keeps one of Excel 97.
constexpr char kEveryTypeByGnumeric[] =
    R"(["Id", "Name", "Last Name", "Zip", "Code", "Notes", "Active", "Grade", "Rank", "Price", "Ratio", "Amount", "Exact", "Born"]
[1, "Zoë", "Ångström", "01234", "ABCDÉ", "said \"hi\", then left\nnext line", true, 200, -5, 12.5, 0.25, 1234567.891, 99.95, {"n": 36965, "format": "yyyy-mm-dd"}]
[2, "Smith, John", " padded ", "00501", "XY", "<&> 'single'", false, 0, 40000, 0, 1.5, -0.001, 0.1, {"n": 36525.999976851854, "format": "yyyy-mm-dd hh:mm:ss"}]
)";

TEST_F(ExcelWriterTest, EveryTypeReadsBackInEveryVersion) {
  // Excel 3.0 and 4.0 files hold one worksheet without a name of its own;
  // xlrd calls it "Sheet 1", Gnumeric "Worksheet".
  struct Case {
    Version version;
    std::string encoding;
    std::string xlrd_sheet;
    std::string gnumeric_sheet;
    std::string gnumeric_empty_name;
  };
  for (const Case& c : {Case{kExcel3, "cp1252", "Sheet 1", "Worksheet", "null"},
                        Case{kExcel4, "cp1252", "Sheet 1", "Worksheet", "null"},
                        Case{kExcel5, "cp1252", "every.xls", "every.xls", "null"},
                        Case{kExcel97, "utf_16_le", "every.xls", "every.xls", "\"\""}}) {
    SCOPED_TRACE(c.version.connect);
    std::filesystem::remove(Out("every.xls"));
    Export(c.version.connect, "*", "FROM t ORDER BY Id", "every.xls");
    EXPECT_EQ(ReadWithXlrd("every.xls"),
              "biff " + std::to_string(c.version.biff) + " encoding " + c.encoding +
                  "\nsheet " + c.xlrd_sheet + " rows 4 columns 14\n" + kEveryTypeByXlrd);
    EXPECT_EQ(ReadWithGnumeric("every.xls"), "sheet " + c.gnumeric_sheet + "\n" +
                                                 kEveryTypeByGnumeric + "[3, " +
                                                 c.gnumeric_empty_name +
                                                 ", null, null, null, null, null, null, "
                                                 "null, null, null, null, null, null]\n");
  }
}

TEST_F(ExcelWriterTest, NumbersAndDatesNoCellHoldsBecomeText) {
  // Whole numbers beyond 2^53 as their digits, 2^53 itself a number; the
  // largest and smallest of the compact whole-number cells and their
  // neighbours; infinities as text; dates before 1900 as text in the
  // date form, 1900-01-01 as serial 1 and 1900-03-01 after the phantom
  // leap day as serial 61.
  for (const Version& version : {kExcel3, kExcel5, kExcel97}) {
    SCOPED_TRACE(version.connect);
    const std::string file = "odd" + std::to_string(version.biff) + ".xls";
    Export(version.connect, "*", "FROM odd ORDER BY Id", file);
    const std::string xlrd = ReadWithXlrd(file);
    EXPECT_TRUE(xlrd.ends_with(R"(["Id", "Big", "Whole", "Amount", "Born"]
[1, "9007199254740993", 536870911, 1e+300, "1899-12-31"]
[2, -9007199254740992.0, 536870912, -2.5e-300, "1850-06-01 10:20:30"]
[3, 9007199254740992.0, -536870912, "inf", "date:1900-01-01"]
[4, "-9007199254740993", -536870913, "-inf", "date:1900-03-01 12:00:00"]
)")) << xlrd;
    const std::string gnumeric = ReadWithGnumeric(file);
    EXPECT_TRUE(gnumeric.ends_with(R"(
[3, 9007199254740992.0, -536870912, "inf", {"n": 1, "format": "yyyy-mm-dd"}]
[4, "-9007199254740993", -536870913, "-inf", {"n": 61.5, "format": "yyyy-mm-dd hh:mm:ss"}]
)")) << gnumeric;
  }
}

TEST_F(ExcelWriterTest, TextBeyondTheCodePageIsUnicodeInExcel97AndRefusedBefore) {
  Export("Excel 8.0", "*", "FROM wide ORDER BY Id", "wide.xls");
  const std::string rows = R"(["Id", "Note"]
[1, "€ – “x”"]
[2, "Łódź 😀"]
)";
  EXPECT_TRUE(ReadWithXlrd("wide.xls").ends_with(rows));
  EXPECT_TRUE(ReadWithGnumeric("wide.xls").ends_with(rows));

  for (const Version& version : {kExcel3, kExcel4, kExcel5}) {
    SCOPED_TRACE(version.connect);
    data::DbError error =
        ExportError(version.connect, "*", "FROM wide ORDER BY Id", "w.xls");
    EXPECT_EQ(error.number(), data::error_number::kTypeMismatch);
    EXPECT_TRUE(
        Contains(error.description(), "'" + Out("w.xls") + "', row 2, column 'Note'"))
        << error.what();
    EXPECT_TRUE(Contains(error.description(), "'Ł' (U+0141)")) << error.what();
    EXPECT_EQ(OutFiles(), std::vector<std::string>{"wide.xls"});
    // What Windows-1252 holds is stored.
    Export(version.connect, "*", "FROM wide WHERE Id = 1", "w.xls");
    EXPECT_TRUE(ReadWithXlrd("w.xls").ends_with("[1, \"€ – “x”\"]\n"));
    std::filesystem::remove(Out("w.xls"));
  }
}

TEST_F(ExcelWriterTest, TextLongerThanACellHoldsIsRefusedNamingRowAndColumn) {
  struct Case {
    Version version;
    int longest_fitting;
    std::string expected;
  };
  for (const Case& c :
       {Case{kExcel3, 255, "256 characters long; an Excel 3.0 cell holds at most 255"},
        Case{kExcel5, 255, "256 characters long; an Excel 5.0 cell holds at most 255"},
        Case{kExcel97, 32767,
             "32768 characters long; an Excel 97 cell holds at most 32,767"}}) {
    SCOPED_TRACE(c.version.connect);
    const std::string limit = std::to_string(c.longest_fitting);
    data::DbError error =
        ExportError(c.version.connect, "Id, Note",
                    "FROM texts WHERE Id >= " + limit + " ORDER BY Id", "long.xls");
    EXPECT_EQ(error.number(), data::error_number::kTextTooLong);
    EXPECT_TRUE(
        Contains(error.description(), "row 2, column 'Note': the text is " + c.expected))
        << error.what();
    EXPECT_TRUE(OutFiles().empty());

    Export(c.version.connect, "Note", "FROM texts WHERE Id = " + limit, "long.xls");
    const std::string xlrd = ReadWithXlrd("long.xls");
    const std::string expected_text =
        c.longest_fitting == 255 ? std::string(255, 'a') : std::string(32766, 'c') + "Ł";
    EXPECT_TRUE(xlrd.ends_with("[\"" + expected_text + "\"]\n")) << xlrd.substr(0, 200);
    std::filesystem::remove(Out("long.xls"));
  }
}

TEST_F(ExcelWriterTest, SharedStringsCrossRecordsAndTheirIndexFindsThem) {
  // Nine thousand one-byte characters, nine thousand two-byte ones and
  // five thousand surrogate pairs: each string goes on in CONTINUE records.
  Export("Excel 8.0", "Id, Note", "FROM texts WHERE Id < 10 ORDER BY Id", "strings.xls");
  std::string pairs;
  for (int i = 0; i < 5000; ++i) pairs += "😀";
  std::string two_byte;
  for (int i = 0; i < 9001; ++i) two_byte += "Ł";
  const std::string rows = "[\"Id\", \"Note\"]\n[1, \"" + std::string(9000, 'e') +
                           "\"]\n[2, \"" + two_byte + "\"]\n[3, \"" + pairs + "\"]\n";
  EXPECT_TRUE(ReadWithXlrd("strings.xls").ends_with(rows));
  EXPECT_TRUE(ReadWithGnumeric("strings.xls").ends_with(rows));
  const std::string records = RecordsOf("strings.xls");
  // The SST fills its 8,224 bytes; CONTINUE records go on with whole
  // two-byte characters (8,223 bytes: flags and 4,111 of them), and one
  // ends at 8,221 bytes rather than part a surrogate pair.
  EXPECT_TRUE(
      Contains(records,
               "00FC 8224\n003C 8223\n003C 8223\n003C 8224\n003C 8221\n003C 5921\n"
               "00FF 10\n"))
      << records;
  EXPECT_TRUE(records.ends_with("extsst ok, 1 buckets of 8 strings\n")) << records;

  // The name "Note" and 8,201 characters leave 5 bytes of the SST record:
  // room for the length and flags of "😀x" and half its pair. The string
  // goes on in a CONTINUE record as a whole, never its length and flags
  // alone in one record and its first character in the next.
  Export("Excel 8.0", "Note", "FROM pair ORDER BY Id", "pair.xls");
  const std::string pair_records = RecordsOf("pair.xls");
  EXPECT_TRUE(Contains(pair_records, "\n00FC 8219\n003C 9\n00FF 10\n")) << pair_records;
  EXPECT_TRUE(pair_records.ends_with("extsst ok, 1 buckets of 8 strings\n"))
      << pair_records;
  EXPECT_TRUE(ReadWithXlrd("pair.xls")
                  .ends_with("[\"" + std::string(8201, 'f') + "\"]\n[\"😀x\"]\n"));
}

TEST_F(ExcelWriterTest, RecordSequenceFollowsExcel) {
  // The records Excel itself writes around the cells, in its order: for
  // Excel 3.0 a single worksheet stream, for Excel 97 the workbook globals
  // with the string table, then the worksheet. The identifiers are those of
  // the reference files Excel 2003 saved in each version.
  Export("Excel 3.0", "Id, Name, Active", "FROM t WHERE Id = 1", "seq3.xls");
  std::string expected3 = "stream file 580\n0209 6\n0042 2\n0022 2\n0081 2\n";
  for (int i = 0; i < 4; ++i) expected3 += "0231 12\n";
  expected3 += "001E 8\n001E 11\n001E 20\n";
  for (int i = 0; i < 18; ++i) expected3 += "0243 12\n";
  expected3 +=
      "0293 4\n0055 2\n0200 10\n0204 10\n0204 12\n0204 14\n027E 10\n0204 11\n0205 8\n"
      "003D 10\n023E 10\n000A 0\n";
  EXPECT_EQ(RecordsOf("seq3.xls"), expected3);

  // Excel 4.0 numbers its records apart from 3.0; Excel 5.0 keeps its
  // workbook in the stream "Book".
  Export("Excel 4.0", "Id", "FROM t WHERE Id = 1", "seq4.xls");
  EXPECT_TRUE(
      Contains(RecordsOf("seq4.xls"), "\n0409 6\n0042 2\n0022 2\n0081 2\n0231 12\n"));
  EXPECT_TRUE(Contains(RecordsOf("seq4.xls"), "\n0443 12\n0293 4\n0055 2\n0200 10\n"));
  Export("Excel 5.0", "Id", "FROM t WHERE Id = 1", "seq5.xls");
  EXPECT_TRUE(
      RecordsOf("seq5.xls").starts_with("stream Book 4096\n0809 8\n0042 2\n003D 18\n"));
  EXPECT_TRUE(Contains(RecordsOf("seq5.xls"),
                       "\n00E0 16\n0293 4\n0085 15\n000A 0\n0809 8\n0081 2\n0055 2\n"));

  Export("Excel 8.0", "Id, Name, Active", "FROM t WHERE Id = 1", "seq8.xls");
  std::string expected8 = "stream Workbook 4096\n0809 16\n0042 2\n003D 18\n0022 2\n";
  for (int i = 0; i < 5; ++i) expected8 += "0031 21\n";
  expected8 += "041E 15\n041E 24\n";
  for (int i = 0; i < 18; ++i) expected8 += "00E0 20\n";
  expected8 +=
      "0293 4\n0085 16\n00FC 35\n00FF 10\n000A 0\n"
      "0809 16\n0081 2\n0055 2\n0200 14\n00FD 10\n00FD 10\n00FD 10\n027E 10\n00FD 10\n"
      "0205 8\n023E 18\n000A 0\nextsst ok, 1 buckets of 8 strings\n";
  EXPECT_EQ(RecordsOf("seq8.xls"), expected8);
  // The WSBOOL holds the options Excel saves (0x04C1, as in the reference
  // worksheets of every version).
  EXPECT_TRUE(
      Contains(FileContents(Out("seq3.xls")), std::string("\x81\0\x02\0\xC1\x04", 6)));
  // The BIFF8 BOFs say Excel 97 (build 0x0DBB of 1996, the year being
  // 1996 or 1997 in every BIFF8 BOF) and a file saved on Windows, and that
  // Excel 97 reads every record: the globals' BOF and the worksheet's.
  const std::string seq8 = FileContents(Out("seq8.xls"));
  for (char type : {'\x05', '\x10'}) {
    const std::string bof = std::string("\x09\x08\x10\0\0\x06", 6) + type +
                            std::string("\0\xBB\x0D\xCC\x07\x01\0\0\0\x06\0\0\0", 13);
    EXPECT_TRUE(Contains(seq8, bof)) << static_cast<int>(type);
  }
}

TEST_F(ExcelWriterTest, SingleSheetFilesEndAtTheirLastRow) {
  for (const Version& version : {kExcel3, kExcel4}) {
    SCOPED_TRACE(version.connect);
    data::DbError error =
        ExportError(version.connect, "Id", "FROM big WHERE Id <= 16384", "full.xls");
    EXPECT_TRUE(Contains(error.description(),
                         version.connect + " worksheet '" + Out("full.xls") + "': an " +
                             version.connect +
                             " worksheet holds at most 16,384 rows: the column names and "
                             "16,383 records."))
        << error.what();
    EXPECT_TRUE(OutFiles().empty());

    Export(version.connect, "Id", "FROM big WHERE Id <= 16383", "full.xls");
    EXPECT_EQ(SummaryByXlrd("full.xls"), "biff " + std::to_string(version.biff) +
                                             " encoding cp1252\nsheet Sheet 1 rows 16384 "
                                             "columns 1\n[\"Id\"]\n[1]\n[16383]\n");
    std::filesystem::remove(Out("full.xls"));
  }
}

TEST_F(ExcelWriterTest, WorkbooksGoOnInNewWorksheetsWithTheColumnNamesAgain) {
  // The worksheet name is the file name with ':', '?' and '*' replaced and
  // cut to Excel's 31 characters, its suffix included.
  const std::string file = "Q1: sales? *all* regions of the world.xls";
  Export("Excel 5.0", "Id, Name", "FROM big WHERE Id <= 16384", file);
  const std::string expected =
      "biff 50 encoding cp1252\n"
      "sheet Q1_ sales_ _all_ regions of the rows 16384 columns 2\n"
      "[\"Id\", \"Name\"]\n[1, \"r1\"]\n[16383, \"r16383\"]\n"
      "sheet Q1_ sales_ _all_ regions of (2) rows 2 columns 2\n"
      "[\"Id\", \"Name\"]\n[16384, \"r16384\"]\n";
  EXPECT_EQ(SummaryByXlrd(file), expected);
  const std::string gnumeric = ReadWithGnumeric(file);
  EXPECT_TRUE(
      gnumeric.ends_with("\n[16383, \"r16383\"]\n"
                         "sheet Q1_ sales_ _all_ regions of (2)\n"
                         "[\"Id\", \"Name\"]\n[16384, \"r16384\"]\n"))
      << gnumeric.substr(gnumeric.size() - std::min<size_t>(gnumeric.size(), 300));

  // Exactly full: one worksheet.
  Export("Excel 5.0", "Id", "FROM big WHERE Id <= 16383", "full5.xls");
  EXPECT_TRUE(Contains(SummaryByXlrd("full5.xls"),
                       "sheet full5.xls rows 16384 columns 1\n"
                       "[\"Id\"]\n[1]\n[16383]\n"));
  EXPECT_FALSE(Contains(SummaryByXlrd("full5.xls"), "(2)"));
}

TEST_F(ExcelWriterTest, AFileNameTheWorkbookCannotStoreIsCleanedForItsWorksheet) {
  // Excel 5.0 stores worksheet names in Windows-1252, Excel 97 in UTF-16,
  // where a character beyond U+FFFF would count twice.
  const std::string file = "Łódź 😀.xls";
  Export("Excel 5.0", "Id", "FROM t WHERE Id = 1", file);
  EXPECT_TRUE(Contains(SummaryByXlrd(file), "\nsheet _ód_ _.xls rows 2 columns 1\n"))
      << SummaryByXlrd(file);
  std::filesystem::remove(Out(file));
  Export("Excel 8.0", "Id", "FROM t WHERE Id = 1", file);
  EXPECT_TRUE(Contains(SummaryByXlrd(file), "\nsheet Łódź _.xls rows 2 columns 1\n"))
      << SummaryByXlrd(file);
}

TEST_F(ExcelWriterTest, Excel97HoldsSixtyFiveThousandRowsPerSheetInALargeCompoundFile) {
  // 65,536 rows of 120-character text make a workbook stream of more than
  // 7 MB: the compound file needs more allocation table sectors than its
  // header lists, and the DIFAT for the rest.
  Export("Excel 8.0", "Id, Name, Pad", "FROM big", "big.xls");
  EXPECT_GT(std::filesystem::file_size(Out("big.xls")), 7u << 20);
  EXPECT_EQ(SummaryByXlrd("big.xls"),
            "biff 80 encoding utf_16_le\n"
            "sheet big.xls rows 65536 columns 3\n"
            "[\"Id\", \"Name\", \"Pad\"]\n[1, \"r1\", \"" +
                std::string(120, 'p') +
                "1\"]\n"
                "[65535, \"r65535\", \"" +
                std::string(120, 'p') +
                "65535\"]\n"
                "sheet big.xls (2) rows 2 columns 3\n"
                "[\"Id\", \"Name\", \"Pad\"]\n[65536, \"r65536\", \"" +
                std::string(120, 'p') + "65536\"]\n");
  const std::string gnumeric = ReadWithGnumeric("big.xls");
  EXPECT_TRUE(gnumeric.ends_with(
      "sheet big.xls (2)\n[\"Id\", \"Name\", \"Pad\"]\n[65536, \"r65536\", \"" +
      std::string(120, 'p') + "65536\"]\n"))
      << gnumeric.substr(gnumeric.size() - std::min<size_t>(gnumeric.size(), 300));
  EXPECT_TRUE(RecordsOf("big.xls").ends_with("extsst ok, 128 buckets of 1025 strings\n"));

  // 65,535 records and the names fill one worksheet exactly.
  Export("Excel 8.0", "Id", "FROM big WHERE Id < 65536", "full.xls");
  EXPECT_EQ(SummaryByXlrd("full.xls"),
            "biff 80 encoding utf_16_le\nsheet full.xls rows 65536 columns 1\n"
            "[\"Id\"]\n[1]\n[65535]\n");
}

TEST_F(ExcelWriterTest, ColumnsBeyondAWorksheetAreRefusedBeforeAnyFile) {
  std::string names;
  for (int i = 1; i <= 257; ++i) {
    names += (i > 1 ? ", " : "") + std::to_string(i) + " AS C" + std::to_string(i);
  }
  for (const Version& version : {kExcel3, kExcel5, kExcel97}) {
    SCOPED_TRACE(version.connect);
    data::DbError error = ExportError(version.connect, names, "FROM t", "wide.xls");
    EXPECT_TRUE(Contains(error.description(), "the export has 257 columns; an "))
        << error.what();
    EXPECT_TRUE(Contains(error.description(), "worksheet holds at most 256 columns"))
        << error.what();
    EXPECT_TRUE(OutFiles().empty());
  }
  const std::string fitting = names.substr(0, names.rfind(", "));
  Export("Excel 8.0", fitting, "FROM t WHERE Id = 1", "256.xls");
  const std::string xlrd = ReadWithXlrd("256.xls");
  EXPECT_TRUE(Contains(xlrd, "sheet 256.xls rows 2 columns 256\n")) << xlrd;
  EXPECT_TRUE(xlrd.ends_with(", 255, 256]\n"));
}

TEST_F(ExcelWriterTest, AnExistingFileIsRefusedAndLeftUntouched) {
  for (const Version& version : {kExcel4, kExcel97}) {
    SCOPED_TRACE(version.connect);
    WriteFile(Out("keep.xls"), "precious");
    data::DbError error = ExportError(version.connect, "*", "FROM t", "keep.xls");
    EXPECT_TRUE(Contains(error.description(), "already exists")) << error.what();
    EXPECT_EQ(FileContents(Out("keep.xls")), "precious");
    EXPECT_EQ(OutFiles(), std::vector<std::string>{"keep.xls"});
  }
}

}  // namespace
}  // namespace vdimpexp::formats

#include "formats/dbase/dbf_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>

#include "export_source.h"
#include "writer_test.h"

namespace vdimpexp::formats {
namespace {

using ::testing::AnyOf;
using testing::FileContents;
using ::testing::HasSubstr;
using namespace std::string_literals;

// Every type the host declares, Windows-1252 beyond Latin-1, negative numbers with
// places, a date with a time of day, an empty memo and a row of nulls beside its key.
constexpr char kSource[] = R"(
    CREATE TABLE t (Id INTEGER, Name TEXT(20), Notes LONGTEXT, Active BIT, Grade BYTE,
                    Rank SMALLINT, Price CURRENCY, Ratio SINGLE, Amount DOUBLE,
                    Exact DECIMAL(8,3), Born DATETIME);
    INSERT INTO t VALUES (1, 'Zoë "Q" O''Brien',
                          'Smörgås – “quoted” €5' || char(13, 10) || 'line 2',
                          1, 255, -32768, -12.3456, 2.5, -1234.5, -0.125, '1999-03-15');
    INSERT INTO t VALUES (2, 'Œuvre ™ ‰ ÿ', '', 0, 0, 32767, 1000000, -0.000000001, 1e12,
                          99999.999, '2001-02-03 04:05:06');
    INSERT INTO t VALUES (3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
    -- Two memos, the second longer than one 512-byte block.
    CREATE TABLE m (Name TEXT(8), Notes LONGTEXT, Qty SMALLINT, Price CURRENCY);
    INSERT INTO m VALUES ('A', 'first memo', 1, 2.5);
    INSERT INTO m VALUES ('B', printf('%.600c', 'x'), -2, -0.5);
    -- SQLite keeps what its columns' declarations would refuse.
    CREATE TABLE bad (City TEXT(5), Notes LONGTEXT, Qty SMALLINT, Amount DOUBLE);
    INSERT INTO bad VALUES ('Rome', 'ok', 1, 1.5);
    INSERT INTO bad VALUES ('Hamburg', 'ctrl-z ' || char(26), 1234567, 1e25);
    -- Every digit a decimal: the field needs a zero before the point too.
    CREATE TABLE shares (Share DECIMAL(2,2));
    INSERT INTO shares VALUES (-0.99), (0.5);
    -- Values beyond what their declarations or the format hold.
    CREATE TABLE edge (Label TEXT(5), Plain TEXT, Story TEXT(50), Amount DOUBLE,
                       Stamp DATETIME);
    INSERT INTO edge VALUES ('Łódź Ω', 'short', printf('%.300c', 'y'), 3.14159265358979,
                             '1999-12-31 23:59:59');
    INSERT INTO edge VALUES ('Hamburg', NULL, 'z', 1e15, '2000-01-01');)";

class DbfWriterTest : public testing::WriterTest {
 protected:
  DbfWriterTest() : WriterTest(kSource) {}

  std::vector<std::string> Export(const std::string& connect, const std::string& fields,
                                  const std::string& rest,
                                  const std::string& file = "out.dbf") {
    return ExportInto(FolderTarget(connect, file), fields, rest);
  }
  std::string Dbfread(const std::string& file) {
    return testing::ReadBack("read_dbf.py", Out(file));
  }
};

// The little-endian number of `size` bytes at `at`.
unsigned Little(const std::string& bytes, size_t at, int size) {
  unsigned value = 0;
  while (size-- > 0) value = value << 8 | static_cast<unsigned char>(bytes.at(at + size));
  return value;
}

// Today as the header stores it: years since 1900, month, day.
std::string Today() {
  std::time_t now = std::time(nullptr);
  std::tm today{};
  localtime_r(&now, &today);
  return {static_cast<char>(today.tm_year), static_cast<char>(today.tm_mon + 1),
          static_cast<char>(today.tm_mday)};
}

TEST_F(DbfWriterTest, EveryColumnTypeReadsBackThroughDbfread) {
  EXPECT_EQ(Export("dBASE IV", "*, Id * 2 AS Twice", "FROM t ORDER BY Id"),
            std::vector<std::string>{"Born: the time of day left out of 1 date"});

  // Text decoded by the code page the header names; numbers as wide as their
  // values need; blanks (and '?' for the logical) read back as nothing.
  EXPECT_EQ(Dbfread("out.dbf"), R"(version 0x8b cp1252 records 3
Id N 11 0
Name C 20 0
Notes M 10 0
Active L 1 0
Grade N 3 0
Rank N 6 0
Price N 13 4
Ratio N 12 9
Amount N 16 1
Exact N 10 3
Born D 8 0
Twice C 1 0
[1, "Zoë \"Q\" O'Brien", "Smörgås – “quoted” €5\r\nline 2", true, 255, -32768, -12.3456, 2.5, -1234.5, -0.125, "1999-03-15", "2"]
[2, "Œuvre ™ ‰ ÿ", null, false, 0, 32767, 1000000.0, -1e-09, 1000000000000.0, 99999.999, "2001-02-03", "4"]
[3, "", null, null, null, null, null, null, null, null, null, "6"]
)");
  EXPECT_EQ(FileContents(Out("out.cpg")), "1252");
}

TEST_F(DbfWriterTest, EachLevelWritesItsVersionNumbersAndMemoLayout) {
  struct Level {
    const char *connect, *version_with_memo;
    bool length_prefixed_memos;
  };
  for (const Level& level : {Level{"dBASE III", "0x83", false},
                             {"dBASE IV", "0x8b", true},
                             {"dBASE 5.0", "0x8b", true}}) {
    SCOPED_TRACE(level.connect);
    ClearOut();
    std::string before = Today();
    Export(level.connect, "*", "FROM m ORDER BY Name");
    std::string after = Today();
    EXPECT_EQ(Dbfread("out.dbf"),
              "version "s + level.version_with_memo +
                  " cp1252 records 2\nName C 8 0\nNotes M 10 0\nQty N 6 0\nPrice N 4 1\n"
                  "[\"A\", \"first memo\", 1, 2.5]\n[\"B\", \"" +
                  std::string(600, 'x') + "\", -2, -0.5]\n");

    // What dbfread passes over: the date of the last change, the record length, the
    // end-of-file mark, and the memo file's own header.
    std::string dbf = FileContents(Out("out.dbf"));
    EXPECT_THAT(dbf.substr(1, 3), AnyOf(before, after));
    EXPECT_EQ(Little(dbf, 10, 2), 1 + 8 + 10 + 6 + 4u);
    EXPECT_EQ(dbf.size(), 32 + 4 * 32 + 1 + 2 * Little(dbf, 10, 2) + 1);
    EXPECT_EQ(dbf.back(), '\x1A');
    // Block 1 holds the first memo, blocks 2 and 3 the second; 4 is next.
    std::string dbt = FileContents(Out("out.dbt"));
    ASSERT_EQ(dbt.size(), 4u * 512);
    EXPECT_EQ(Little(dbt, 0, 4), 4u);
    if (level.length_prefixed_memos) {
      EXPECT_EQ(Little(dbt, 20, 2), 512u);
      EXPECT_EQ(dbt.substr(512, 8), "\xFF\xFF\x08\x00\x12\x00\x00\x00"s);
    } else {
      EXPECT_EQ(dbt[16], '\x03');
      EXPECT_EQ(dbt.substr(512 + 10, 2), "\x1A\x1A");
    }
  }
}

TEST_F(DbfWriterTest, ShapesNamesAndValuesTheTableCannotHoldFailNamingFileRowAndColumn) {
  using data::error_number::kEngineFailure, data::error_number::kTypeMismatch;
  // Sixteen texts of 254 characters each and the deletion flag make 4065 bytes.
  std::string many = "1 AS F1", wide = "printf('%.254c', 'w') AS W1";
  for (int i = 2; i <= 129; ++i) many += ", 1 AS F" + std::to_string(i);
  for (int i = 2; i <= 16; ++i)
    wide += ", printf('%.254c', 'w') AS W" + std::to_string(i);
  struct Case {
    std::string connect, fields, from;
    int32_t number;
    std::string expected;  // after the file's path
  };
  const Case cases[] = {
      {"dBASE III", many, "FROM m", kEngineFailure,
       "': the export has 129 columns; dBASE III allows at most 128 fields"},
      {"dBASE IV", wide, "FROM m", kEngineFailure,
       "': its records would be 4065 bytes long; dBASE IV allows at most 4000 bytes"},
      {"dBASE IV", "Name, Qty AS NAME", "FROM m", kEngineFailure,
       "': the column names 'Name' and 'NAME' are the same field name"},
      {"dBASE IV", "Name AS [Straße]", "FROM m", kEngineFailure,
       "': the column name 'Straße' holds characters other than printable ASCII"},
      {"dBASE III", "Notes", "FROM bad", kTypeMismatch,
       "', row 2, column 'Notes': the text holds the character U+001A"},
  };
  for (const Case& c : cases) {
    data::DbError error =
        ExportIntoError(FolderTarget(c.connect, "out.dbf"), c.fields, c.from);
    EXPECT_EQ(error.number(), c.number) << error.what();
    EXPECT_THAT(error.what(), HasSubstr(Out("out.dbf") + c.expected));
  }
  // dBASE 5.0 holds the wide record; ten characters make a name; what fits is written.
  Export("dBASE 5.0", wide, "FROM m", "wide.dbf");
  EXPECT_EQ(Little(FileContents(Out("wide.dbf")), 10, 2), 4065u);
  Export("dBASE IV", "City AS CustomerNa, Notes, Qty, Amount",
         "FROM bad WHERE City = 'Rome'");
  const std::string rome = Dbfread("out.dbf");
  EXPECT_THAT(rome, HasSubstr("CustomerNa C 5 0\n"));
  EXPECT_THAT(rome, HasSubstr(R"(["Rome", "ok", 1, 1.5])"));
  // Without a memo, no memo file and the plain version; a fraction filling its field
  // keeps its sign.
  Export("dBASE III", "*", "FROM shares", "shares.dbf");
  EXPECT_EQ(Dbfread("shares.dbf"),
            "version 0x03 cp1252 records 2\nShare N 5 2\n[-0.99]\n[0.5]\n");
  EXPECT_FALSE(std::filesystem::exists(Out("shares.dbt")));
}

// Texts wider than declared widen their field, beyond 254 characters become
// memos, numbers keep what the level's widest field holds, and each change
// is told.
TEST_F(DbfWriterTest, ValuesBeyondTheirFieldsAreWidenedRoundedOrReplacedAndSaidSo) {
  const std::string first =
      "\"?\u00f3d? ?\", \"short\", \"" + std::string(300, 'y') + "\", ";
  const std::tuple<std::string, std::string, std::string> levels[] = {
      {"dBASE IV", "Amount N 20 3", "3.142"}, {"dBASE III", "Amount N 19 2", "3.14"}};
  for (const auto& [connect, amount_field, pi] : levels) {
    SCOPED_TRACE(connect);
    ClearOut();
    const int decimals = connect == "dBASE IV" ? 3 : 2;
    EXPECT_EQ(
        Export(connect, "*", "FROM edge ORDER BY Plain DESC"),
        (std::vector<std::string>{
            "Label: 3 characters written as \"?\", which the Windows-1252 code page "
            "lacks",
            "Story: a memo field, for texts longer than 254 characters",
            "Amount: 1 number rounded to " + std::to_string(decimals) + " decimals",
            "Stamp: the time of day left out of 1 date"}));
    const std::string read = Dbfread("out.dbf");
    EXPECT_THAT(read, HasSubstr("\nLabel C 7 0\nPlain C 5 0\nStory M 10 0\n" +
                                amount_field + "\nStamp D 8 0\n"));
    EXPECT_THAT(read, HasSubstr(first + pi + ", \"1999-12-31\"]\n"));
    EXPECT_THAT(read,
                HasSubstr(R"(["Hamburg", "", "z", 1000000000000000.0, "2000-01-01"])"));
  }
}

}  // namespace
}  // namespace vdimpexp::formats

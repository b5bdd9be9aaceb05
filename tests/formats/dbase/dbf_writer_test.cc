#include "formats/dbase/dbf_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
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
using namespace std::string_literals;

// One column of every type the host declares, text that needs Windows-1252
// beyond Latin-1, negative numbers with places, a date with a time of day,
// an empty memo and a row of nulls beside its key.
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
    INSERT INTO bad VALUES ('Hamburg', 'ctrl-z ' || char(26), 1234567, 1e15);
    INSERT INTO bad VALUES ('Łódź', 'ok', 1, 1.5);
    -- Every digit a decimal: the field needs a zero before the point too.
    CREATE TABLE shares (Share DECIMAL(2,2));
    INSERT INTO shares VALUES (-0.99), (0.5);)";

class DbfWriterTest : public testing::WriterTest {
 protected:
  DbfWriterTest() : WriterTest(kSource) {}

  void Export(const std::string& connect, const std::string& fields,
              const std::string& rest, const std::string& file = "out.dbf") {
    ExportInto(FolderTarget(connect, file), fields, rest);
  }

  data::DbError ExportError(const std::string& connect, const std::string& fields,
                            const std::string& rest) {
    return ExportIntoError(FolderTarget(connect, "out.dbf"), fields, rest);
  }

  std::string ReadWithDbfread(const std::string& file) {
    testing::ReaderOutput output =
        RunIndependentReader("read_dbf.py", ShellQuoted(Out(file)));
    EXPECT_EQ(output.exit_code, 0) << output.text;
    return output.text;
  }
};

unsigned Byte(const std::string& bytes, size_t at) {
  return static_cast<unsigned char>(bytes.at(at));
}

unsigned Little16(const std::string& bytes, size_t at) {
  return Byte(bytes, at) | Byte(bytes, at + 1) << 8;
}

unsigned Little32(const std::string& bytes, size_t at) {
  return Little16(bytes, at) | Little16(bytes, at + 2) << 16;
}

std::string Today() {
  std::time_t now = std::time(nullptr);
  std::tm today{};
  localtime_r(&now, &today);
  return {static_cast<char>(today.tm_year), static_cast<char>(today.tm_mon + 1),
          static_cast<char>(today.tm_mday)};
}

TEST_F(DbfWriterTest, EveryColumnTypeReadsBackThroughDbfread) {
  Export("dBASE IV", "*, Id * 2 AS Twice", "FROM t ORDER BY Id");

  // Text decoded by the code page the header names; a time of day dropped
  // from the date; -0.000000001 rounded to a zero without sign; blanks (and
  // '?' for the logical) read back as nothing.
  EXPECT_EQ(ReadWithDbfread("out.dbf"), R"(version 0x8b cp1252 records 3
Id N 11 0
Name C 20 0
Notes M 10 0
Active L 1 0
Grade N 3 0
Rank N 6 0
Price N 20 4
Ratio N 20 6
Amount N 20 6
Exact N 10 3
Born D 8 0
Twice C 254 0
[1, "Zoë \"Q\" O'Brien", "Smörgås – “quoted” €5\r\nline 2", true, 255, -32768, -12.3456, 2.5, -1234.5, -0.125, "1999-03-15", "2"]
[2, "Œuvre ™ ‰ ÿ", null, false, 0, 32767, 1000000.0, 0.0, 1000000000000.0, 99999.999, "2001-02-03", "4"]
[3, "", null, null, null, null, null, null, null, null, null, "6"]
)");
  EXPECT_EQ(FileContents(Out("out.cpg")), "1252");
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"out.cpg", "out.dbf", "out.dbt"}));
}

TEST_F(DbfWriterTest, EachLevelWritesItsHeaderAndMemoLayout) {
  struct Level {
    std::string connect;
    unsigned version_with_memo;
    unsigned numeric_width;
    bool length_prefixed_memos;
  };
  const std::string long_memo(600, 'x');
  for (const Level& level :
       {Level{"dBASE III", 0x83, 19, false}, Level{"dBASE IV", 0x8B, 20, true},
        Level{"dBASE 5.0", 0x8B, 20, true}}) {
    SCOPED_TRACE(level.connect);
    std::filesystem::remove_all(scratch_.File("out"));
    std::filesystem::create_directory(scratch_.File("out"));
    std::string before = Today();
    Export(level.connect, "*", "FROM m ORDER BY Name");
    std::string after = Today();

    std::string dbf = FileContents(Out("out.dbf"));
    const size_t header_length = 32 + 4 * 32 + 1;
    const size_t record_length = 1 + 8 + 10 + 6 + level.numeric_width;
    ASSERT_EQ(dbf.size(), header_length + 2 * record_length + 1);
    EXPECT_EQ(Byte(dbf, 0), level.version_with_memo);
    std::string date = dbf.substr(1, 3);
    EXPECT_TRUE(date == before || date == after);
    EXPECT_EQ(Little32(dbf, 4), 2u);
    EXPECT_EQ(Little16(dbf, 8), header_length);
    EXPECT_EQ(Little16(dbf, 10), record_length);
    EXPECT_EQ(Byte(dbf, 29), 0x57u);
    EXPECT_EQ(dbf.substr(32, 12), std::string("Name\0\0\0\0\0\0\0C", 12));
    EXPECT_EQ(dbf.substr(32 + 16, 2), "\x08\x00"s);
    EXPECT_EQ(dbf.substr(128 + 11, 1), "N");
    EXPECT_EQ(Byte(dbf, 128 + 16), level.numeric_width);
    EXPECT_EQ(Byte(dbf, 128 + 17), 4u);
    EXPECT_EQ(Byte(dbf, header_length - 1), 0x0Du);
    std::string first = dbf.substr(header_length, record_length);
    EXPECT_EQ(first.substr(0, 25), " A                1     1");
    EXPECT_EQ(dbf.substr(header_length + record_length, 19), " B                2");
    EXPECT_EQ(dbf.back(), '\x1A');

    // Block 1 holds the first memo, blocks 2 and 3 the second; 4 is next.
    std::string dbt = FileContents(Out("out.dbt"));
    ASSERT_EQ(dbt.size(), 4u * 512);
    EXPECT_EQ(Little32(dbt, 0), 4u);
    if (level.length_prefixed_memos) {
      EXPECT_EQ(Little16(dbt, 20), 512u);
      EXPECT_EQ(dbt.substr(512, 18), "\xFF\xFF\x08\x00\x12\x00\x00\x00"s + "first memo");
      EXPECT_EQ(Little32(dbt, 1024 + 4), 608u);
    } else {
      EXPECT_EQ(Byte(dbt, 16), 3u);
      EXPECT_EQ(dbt.substr(512, 12), "first memo\x1A\x1A");
      EXPECT_EQ(dbt.substr(1024 + 600, 2), "\x1A\x1A");
    }
    std::string expected_rows =
        "[\"A\", \"first memo\", 1, 2.5]\n[\"B\", \"" + long_memo + "\", -2, -0.5]\n";
    EXPECT_TRUE(ReadWithDbfread("out.dbf").ends_with(expected_rows));

    // Without a memo column there is no memo file and the plain version.
    Export(level.connect, "Name, Qty", "FROM m", "plain.dbf");
    EXPECT_EQ(Byte(FileContents(Out("plain.dbf")), 0), 0x03u);
    EXPECT_FALSE(std::filesystem::exists(Out("plain.dbt")));
  }
}

TEST_F(DbfWriterTest, TableShapesBeyondTheLevelAreRefusedBeforeAnyFile) {
  std::string names;
  for (int i = 1; i <= 129; ++i) {
    names += (i > 1 ? ", " : "") + std::to_string(i) + " AS F" + std::to_string(i);
  }
  data::DbError too_many = ExportError("dBASE III", names, "FROM m");
  EXPECT_NE(too_many.description().find("129 columns"), std::string::npos)
      << too_many.what();
  EXPECT_NE(too_many.description().find("at most 128 fields"), std::string::npos)
      << too_many.what();
  EXPECT_TRUE(OutFiles().empty());

  // Sixteen expressions, 254 characters each, and the deletion flag.
  std::string wide;
  for (int i = 1; i <= 16; ++i) {
    wide += (i > 1 ? ", 1 AS W" : "1 AS W") + std::to_string(i);
  }
  data::DbError too_long = ExportError("dBASE IV", wide, "FROM m");
  EXPECT_NE(too_long.description().find("4065 bytes long"), std::string::npos)
      << too_long.what();
  EXPECT_NE(too_long.description().find("at most 4000 bytes"), std::string::npos)
      << too_long.what();
  EXPECT_TRUE(OutFiles().empty());
  Export("dBASE 5.0", wide, "FROM m");
  EXPECT_EQ(Little16(FileContents(Out("out.dbf")), 10), 4065u);
}

TEST_F(DbfWriterTest, FieldNamesDBaseCannotHoldAreErrorsNamingTheColumn) {
  struct Case {
    std::string fields;
    std::string expected;
  };
  for (const Case& c :
       {Case{"Name AS CustomerNam", "'CustomerNam' is longer than the 10"},
        Case{"Name, Qty AS NAME", "'Name' and 'NAME' are the same"},
        Case{"Name AS [Straße]", "'Straße' holds characters other than"}}) {
    data::DbError error = ExportError("dBASE IV", c.fields, "FROM m");
    EXPECT_NE(error.description().find(c.expected), std::string::npos) << error.what();
    EXPECT_NE(error.description().find(Out("out.dbf")), std::string::npos)
        << error.what();
    EXPECT_TRUE(OutFiles().empty()) << c.fields;
  }
  // Ten characters are allowed.
  Export("dBASE IV", "Name AS CustomerNa", "FROM m");
  EXPECT_NE(FileContents(Out("out.dbf")).find("CustomerNa\0C"s), std::string::npos);
}

TEST_F(DbfWriterTest, ValuesTheFieldCannotHoldFailTheExportAndLeaveNoFile) {
  struct Case {
    std::string connect;
    std::string fields;
    std::string where;
    int32_t number;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"dBASE IV",
       "*",
       "",
       data::error_number::kTextTooLong,
       {"row 2, column 'City'", "7 characters long", "holds 5"}},
      {"dBASE IV",
       "City",
       "WHERE Qty = 1",
       data::error_number::kTypeMismatch,
       {"row 2, column 'City'", "'Ł' (U+0141)", "Windows-1252"}},
      {"dBASE IV",
       "Qty",
       "",
       data::error_number::kTypeMismatch,
       {"row 2, column 'Qty'", "1234567 does not fit", "6 characters"}},
      {"dBASE IV",
       "Amount",
       "",
       data::error_number::kTypeMismatch,
       {"row 2, column 'Amount'", "does not fit"}},
      {"dBASE III",
       "Notes",
       "",
       data::error_number::kTypeMismatch,
       {"row 2, column 'Notes'", "U+001A"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.connect + ": " + c.fields + " " + c.where);
    data::DbError error = ExportError(c.connect, c.fields, "FROM bad " + c.where);
    EXPECT_EQ(error.number(), c.number) << error.what();
    for (const std::string& part : c.expected) {
      EXPECT_NE(error.description().find(part), std::string::npos) << error.what();
    }
    EXPECT_TRUE(OutFiles().empty());
  }
  // The same dBASE IV fields take what fits.
  Export("dBASE IV", "*", "FROM bad WHERE City = 'Rome'");
  EXPECT_NE(ReadWithDbfread("out.dbf").find(R"(["Rome", "ok", 1, 1.5])"),
            std::string::npos);

  // Whatever its declaration allows fits, the sign of a fraction included.
  Export("dBASE IV", "*", "FROM shares", "shares.dbf");
  EXPECT_EQ(ReadWithDbfread("shares.dbf"), R"(version 0x03 cp1252 records 2
Share N 5 2
[-0.99]
[0.5]
)");
}

TEST_F(DbfWriterTest, AnExistingTableIsRefusedAndWhatADeletedOneLeftIsReplaced) {
  WriteFile(Out("out.dbf"), "precious");
  WriteFile(Out("out.dbt"), "memos");
  WriteFile(Out("out.cpg"), "437");
  data::DbError error = ExportError("dBASE IV", "*", "FROM m");
  EXPECT_NE(error.description().find("already exists"), std::string::npos)
      << error.what();
  EXPECT_EQ(FileContents(Out("out.dbf")), "precious");
  EXPECT_EQ(FileContents(Out("out.dbt")), "memos");
  EXPECT_EQ(FileContents(Out("out.cpg")), "437");
  EXPECT_EQ(OutFiles(), (std::vector<std::string>{"out.cpg", "out.dbf", "out.dbt"}));

  // Answering Yes to the overwrite question deletes the table file alone;
  // the memo and code page files it leaves behind are replaced by the
  // export that follows, not reasons for it to fail.
  Export("dBASE IV", "*", "FROM m", "again.dbf");
  std::filesystem::remove(Out("again.dbf"));
  WriteFile(Out("again.cpg"), "437");
  Export("dBASE IV", "Name, Notes", "FROM m WHERE Name = 'A'", "again.dbf");
  EXPECT_EQ(ReadWithDbfread("again.dbf"), R"(version 0x8b cp1252 records 1
Name C 8 0
Notes M 10 0
["A", "first memo"]
)");
  // A new memo file of one memo, not the four blocks of the old one.
  std::string dbt = FileContents(Out("again.dbt"));
  EXPECT_EQ(dbt.size(), 2u * 512);
  EXPECT_EQ(Little32(dbt, 0), 2u);
  EXPECT_EQ(FileContents(Out("again.cpg")), "1252");
}

}  // namespace
}  // namespace vdimpexp::formats

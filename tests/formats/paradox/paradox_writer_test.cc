#include "formats/paradox/paradox_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>
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
using testing::ShellQuoted;
using testing::WriteFile;
using namespace std::string_literals;

// Beside the table of every type: memos short enough for the record, long
// enough for several .MB blocks, empty and beyond code page 437; many rows;
// values Paradox fields cannot hold; and the rows of a table Paradox 3 wrote.
const std::string kSource = std::string(testing::kEveryTypeTable) + R"(
    CREATE TABLE memos (Id INTEGER, Notes LONGTEXT);
    INSERT INTO memos VALUES (1, 'short'), (2, printf('%.5000c', 'x') || 'end'),
                             (3, ''), (4, NULL), (5, 'Smörgås – “quoted” €5');
    CREATE TABLE big (N INTEGER, Label TEXT(12));
    INSERT INTO big WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c
                                            WHERE x < 5000)
                    SELECT x, 'row ' || x FROM c;
    CREATE TABLE bad (City TEXT(10), Small SMALLINT, Whole INTEGER);
    INSERT INTO bad VALUES ('Rome', 1, 2147483647), ('Łódź', -32768, 2147483648),
                           ('€uro', 32767, 9007199254740993);
    CREATE TABLE store ([Store #] TEXT(2), [Store Name] TEXT(30), [Store City] TEXT(20),
                        [Store State] TEXT(2));
    INSERT INTO store VALUES ('A', 'Video Village', 'San Mateo', 'CA'),
                             ('B', 'Video Outtakes', 'Reno', 'NV'),
                             ('C', 'The Video Stop', 'Eugene', 'OR'),
                             ('D', 'Video West', 'Los Angeles', 'CA');
    CREATE TABLE dates (DATE DATETIME);
    INSERT INTO dates VALUES ('2018-01-01'), ('2018-02-01'), ('2018-01-02');)";

// The columns of the every-type table a Paradox field holds unchanged:
// Code holds five characters in a TEXT(3) column and Rank 40000 in a
// SMALLINT, both refused below.
constexpr char kEveryTypeFields[] =
    "Id, Name, [Last Name], Zip, Notes, Active, Grade, Price, Ratio, Amount, Exact, Born";

// What pxlib read from a table, as read_paradox prints it.
struct PxlibTable {
  int exit_code = -1;
  std::string output;
  std::string head;                 // the "table" line
  std::vector<std::string> fields;  // "name type size"
  std::vector<std::string> rows;    // the values, tab-separated

  // A value of the head line, e.g. Head("records").
  std::string Head(const std::string& key) const {
    std::istringstream in(head);
    std::string item;
    while (std::getline(in, item, '\t')) {
      std::string value;
      std::getline(in, value, '\t');
      if (item == key) return value;
    }
    return "<missing " + key + ">";
  }
};

PxlibTable ReadWithPxlib(const std::string& table, const std::string& memo = "") {
  std::string command = ShellQuoted(VDIMPEXP_READ_PARADOX) + " " + ShellQuoted(table);
  if (!memo.empty()) command += " " + ShellQuoted(memo);
  PxlibTable read;
  testing::ProcessOutput output = testing::RunProcess(command);
  read.exit_code = output.exit_code;
  read.output = std::move(output.text);
  std::istringstream lines(read.output);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("table\t")) {
      read.head = line;
    } else if (line.starts_with("field\t")) {
      std::string field = line.substr(6);
      std::replace(field.begin(), field.end(), '\t', ' ');
      read.fields.push_back(field);
    } else if (line.starts_with("row\t")) {
      read.rows.push_back(line.substr(4));
    } else if (line == "row") {
      read.rows.push_back("");
    }
  }
  return read;
}

std::string Reference(const std::string& name) {
  return std::string(VDIMPEXP_PARADOX_REFERENCES) + "/" + name;
}

// The tables Paradox wrote are kept beside the project, not in it.
bool ReferencesMissing() {
  return !std::filesystem::is_directory(VDIMPEXP_PARADOX_REFERENCES);
}

constexpr char kNoReferences[] =
    "no tables written by Paradox in " VDIMPEXP_PARADOX_REFERENCES
    " (set VDIMPEXP_PARADOX_REFERENCES)";

unsigned Byte(const std::string& bytes, size_t at) {
  return static_cast<unsigned char>(bytes.at(at));
}

unsigned Little16(const std::string& bytes, size_t at) {
  return Byte(bytes, at) | Byte(bytes, at + 1) << 8;
}

class ParadoxWriterTest : public testing::WriterTest {
 protected:
  ParadoxWriterTest() : WriterTest(kSource) {}

  void Export(const std::string& connect, const std::string& fields,
              const std::string& rest, const std::string& file = "out.db") {
    ExportInto(FolderTarget(connect, file), fields, rest);
  }

  data::DbError ExportError(const std::string& connect, const std::string& fields,
                            const std::string& rest) {
    return ExportIntoError(FolderTarget(connect, "out.db"), fields, rest);
  }

  void ClearOut() {
    std::filesystem::remove_all(scratch_.File("out"));
    std::filesystem::create_directory(scratch_.File("out"));
  }
};

// The reader is trusted with our tables only because it reads the tables
// Paradox itself wrote as their expected contents say.
TEST(ParadoxReaderTest, ReadsTablesParadoxWroteAsExpected) {
  if (ReferencesMissing()) GTEST_SKIP() << kNoReferences;
  for (const char* name : {"px30-employee", "px30-store", "px35-date", "px40-date",
                           "px40-empty", "px50-datetime", "px50-logical", "px50-long",
                           "px50-nulls", "px50-timestamp", "px70-decimal"}) {
    SCOPED_TRACE(name);
    PxlibTable read = ReadWithPxlib(Reference(name + ".db"s));
    ASSERT_EQ(read.exit_code, 0) << read.output;
    std::istringstream expected(FileContents(Reference(name + ".expected.csv"s)));
    std::string line;
    std::getline(expected, line);
    std::string joined_names;
    for (const std::string& field : read.fields) {
      // "name type size": the name may hold blanks, type and size cannot.
      std::string without_size = field.substr(0, field.rfind(' '));
      joined_names += (joined_names.empty() ? "" : ",") +
                      without_size.substr(0, without_size.rfind(' '));
    }
    EXPECT_EQ(joined_names, line);
    std::vector<std::string> expected_rows;
    while (std::getline(expected, line)) {
      if (line == "\"\"") line.clear();
      std::replace(line.begin(), line.end(), ',', '\t');
      expected_rows.push_back(line);
    }
    std::vector<std::string> rows = read.rows;
    for (std::string& row : rows) {
      for (size_t at; (at = row.find("\\N")) != std::string::npos;) row.erase(at, 2);
    }
    EXPECT_EQ(rows, expected_rows);
    EXPECT_EQ(read.Head("records"), std::to_string(expected_rows.size()));
  }
}

TEST_F(ParadoxWriterTest, EveryVersionReadsBackThroughPxlib) {
  struct Version {
    std::string connect;
    std::string blocks;  // Paradox 3's 1 KB blocks hold two of these records
    std::string file_version;
    std::string code_page;
    std::string sort_order;
    std::vector<std::string> fields;
    std::vector<std::string> rows;
  };
  // Before Paradox 5 booleans are text and dates have no time of day.
  const std::vector<std::string> before_paradox5_rows = {
      "1\tZoë\tÅngström\t01234\tsaid \"hi\", then left\\r\\nnext "
      "line\tTrue\t200\t12.5\t"
      "0.25\t1234567.891\t99.95\t2001-03-15",
      "2\tSmith, John\t padded \t00501\t<&> 'single'\tFalse\t0\t0\t1.5\t-0.001\t0.1\t"
      "1999-12-31",
      "3\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N"};
  const std::vector<Version> versions = {
      {"Paradox 3.x",
       "2",
       "30",
       "0",
       "0x00",
       {"Id N 8", "Name A 40", "Last Name A 30", "Zip A 10", "Notes A 255", "Active A 5",
        "Grade S 2", "Price $ 8", "Ratio N 8", "Amount N 8", "Exact N 8", "Born D 4"},
       before_paradox5_rows},
      {"Paradox 4.x",
       "1",
       "40",
       "1252",
       "0x11",
       {"Id N 8", "Name A 40", "Last Name A 30", "Zip A 10", "Notes M 20", "Active A 5",
        "Grade S 2", "Price $ 8", "Ratio N 8", "Amount N 8", "Exact N 8", "Born D 4"},
       before_paradox5_rows},
      {"Paradox 5.x",
       "1",
       "50",
       "1252",
       "0x11",
       {"Id I 4", "Name A 40", "Last Name A 30", "Zip A 10", "Notes M 20", "Active L 1",
        "Grade S 2", "Price $ 8", "Ratio N 8", "Amount N 8", "Exact N 8", "Born @ 8"},
       {"1\tZoë\tÅngström\t01234\tsaid \"hi\", then left\\r\\nnext "
        "line\tTRUE\t200\t12.5\t"
        "0.25\t1234567.891\t99.95\t2001-03-15 00:00:00",
        "2\tSmith, John\t padded \t00501\t<&> 'single'\tFALSE\t0\t0\t1.5\t-0.001\t0.1\t"
        "1999-12-31 23:59:58",
        "3\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N"}},
  };
  for (const Version& version : versions) {
    SCOPED_TRACE(version.connect);
    ClearOut();
    Export(version.connect, kEveryTypeFields, "FROM t ORDER BY Id", "Cust.db");
    const bool memo_file = version.connect != "Paradox 3.x";
    const std::vector<std::string> files =
        memo_file ? std::vector<std::string>{"Cust.db", "Cust.mb"}
                  : std::vector<std::string>{"Cust.db"};
    EXPECT_EQ(OutFiles(), files);
    PxlibTable read = ReadWithPxlib(Out("Cust.db"), memo_file ? Out("Cust.mb") : "");
    ASSERT_EQ(read.exit_code, 0) << read.output;
    EXPECT_EQ(read.Head("table"), "Cust.db");
    EXPECT_EQ(read.Head("version"), version.file_version);
    EXPECT_EQ(read.Head("type"), "2");
    EXPECT_EQ(read.Head("codepage"), version.code_page);
    EXPECT_EQ(read.Head("sortorder"), version.sort_order);
    EXPECT_EQ(read.Head("records"), "3");
    EXPECT_EQ(read.Head("blocks"), version.blocks);
    EXPECT_EQ(read.fields, version.fields);
    EXPECT_EQ(read.rows, version.rows);
  }
}

TEST_F(ParadoxWriterTest, MemosGoToTheMbFileAndOnlyFitAlphaFieldsInParadox3) {
  for (const std::string connect : {"Paradox 4.x", "Paradox 5.x"}) {
    SCOPED_TRACE(connect);
    ClearOut();
    Export(connect, "*", "FROM memos ORDER BY Id", "NOTES.DB");
    EXPECT_EQ(OutFiles(), (std::vector<std::string>{"NOTES.DB", "NOTES.MB"}));
    PxlibTable read = ReadWithPxlib(Out("NOTES.DB"), Out("NOTES.MB"));
    ASSERT_EQ(read.exit_code, 0) << read.output;
    // An empty memo is blank, as Paradox has no other empty text.
    EXPECT_EQ(read.rows, (std::vector<std::string>{
                             "1\tshort", "2\t" + std::string(5000, 'x') + "end", "3\t\\N",
                             "4\t\\N", "5\tSmörgås – “quoted” €5"}));
    // The .MB header block, then one 4 KB block for each of the short
    // memos and two for the long one.
    std::string mb = FileContents(Out("NOTES.MB"));
    EXPECT_EQ(mb.size(), 5u * 4096);
    EXPECT_EQ(Byte(mb, 0), 0u);
    EXPECT_EQ(Byte(mb, 4096), 2u);
    EXPECT_EQ(Little16(mb, 4096 + 1), 1u);
    EXPECT_EQ(Byte(mb, 2 * 4096), 2u);
    EXPECT_EQ(Little16(mb, 2 * 4096 + 1), 2u);
  }

  ClearOut();
  data::DbError error = ExportError("Paradox 3.x", "*", "FROM memos ORDER BY Id");
  EXPECT_EQ(error.number(), data::error_number::kTextTooLong);
  EXPECT_NE(error.description().find("row 2, column 'Notes': the text is 5003 characters "
                                     "long and the field holds 255"),
            std::string::npos)
      << error.what();
  EXPECT_TRUE(OutFiles().empty());
  // Short memos fit, and '–', '“' and '€' have no place in code page 437.
  error = ExportError("Paradox 3.x", "*", "FROM memos WHERE Id <> 2 ORDER BY Id");
  EXPECT_NE(error.description().find("row 4, column 'Notes': the character '–' (U+2013) "
                                     "has no place in the DOS code page 437"),
            std::string::npos)
      << error.what();
  Export("Paradox 3.x", "*", "FROM memos WHERE Id IN (1, 3)");
  EXPECT_EQ(ReadWithPxlib(Out("out.db")).rows,
            (std::vector<std::string>{"1\tshort", "3\t\\N"}));
}

TEST_F(ParadoxWriterTest, ManyRowsFillLinkedBlocksAndAnEmptyTableHasNone) {
  struct Version {
    std::string connect;
    size_t record_size;
    size_t block_size;
    size_t header_size;
  };
  for (const Version& version : {Version{"Paradox 3.x", 8 + 12, 1024, 0},
                                 Version{"Paradox 4.x", 8 + 12, 2048, 2048},
                                 Version{"Paradox 5.x", 4 + 12, 2048, 2048}}) {
    SCOPED_TRACE(version.connect);
    ClearOut();
    Export(version.connect, "*", "FROM big ORDER BY N");
    PxlibTable read = ReadWithPxlib(Out("out.db"));
    ASSERT_EQ(read.exit_code, 0) << read.output;
    const size_t per_block = (version.block_size - 6) / version.record_size;
    const size_t blocks = (5000 + per_block - 1) / per_block;
    EXPECT_EQ(read.Head("records"), "5000");
    EXPECT_EQ(read.Head("blocks"), std::to_string(blocks));
    EXPECT_EQ(read.Head("blocksize"), std::to_string(version.block_size));
    ASSERT_EQ(read.rows.size(), 5000u);
    for (size_t i = 0; i < read.rows.size(); ++i) {
      const std::string n = std::to_string(i + 1);
      ASSERT_EQ(read.rows[i], n + "\trow " + n);
    }
    const std::string db = FileContents(Out("out.db"));
    const size_t header_size = Little16(db, 2);
    if (version.header_size > 0) {
      EXPECT_EQ(header_size, version.header_size);
    }
    EXPECT_EQ(db.size(), header_size + blocks * version.block_size);
    // Blocks link forward and back in file order; the last holds the rest.
    const size_t last = header_size + (blocks - 1) * version.block_size;
    EXPECT_EQ(Little16(db, header_size), 2u);
    EXPECT_EQ(Little16(db, header_size + 2), 0u);
    EXPECT_EQ(Little16(db, last), 0u);
    EXPECT_EQ(Little16(db, last + 2), blocks - 1);
    EXPECT_EQ(Little16(db, last + 4),
              (5000 - (blocks - 1) * per_block - 1) * version.record_size);

    Export(version.connect, "*", "FROM big WHERE N < 0", "empty.db");
    PxlibTable empty = ReadWithPxlib(Out("empty.db"));
    ASSERT_EQ(empty.exit_code, 0) << empty.output;
    EXPECT_EQ(empty.Head("records"), "0");
    EXPECT_EQ(empty.Head("blocks"), "0");
    EXPECT_EQ(empty.fields.size(), 2u);
    EXPECT_TRUE(empty.rows.empty());
    EXPECT_EQ(FileContents(Out("empty.db")).size(),
              Little16(FileContents(Out("empty.db")), 2));
  }
}

TEST_F(ParadoxWriterTest, FieldsParadoxRefusesAreErrorsBeforeAnyFile) {
  struct Case {
    std::string connect;
    std::string fields;
    std::string expected;
  };
  std::string many;
  for (int i = 1; i <= 256; ++i) {
    many += (i > 1 ? ", Id AS F" : "Id AS F") + std::to_string(i);
  }
  // Sixteen expressions, alpha fields of 255 bytes: 4080 bytes a record.
  std::string wide;
  for (int i = 1; i <= 16; ++i) {
    wide += (i > 1 ? ", Zip || '' AS W" : "Zip || '' AS W") + std::to_string(i);
  }
  for (const Case& c : {
           Case{"Paradox 4.x", "Name AS [ABCDEFGHIJKLMNOPQRSTUVWXYZ]",
                "'ABCDEFGHIJKLMNOPQRSTUVWXYZ' is longer than the 25 characters"},
           Case{"Paradox 5.x", "Name, Zip AS NAME", "'Name' and 'NAME' are the same"},
           Case{"Paradox 4.x", "Name AS [ Lead]", "starts with a blank"},
           Case{"Paradox 4.x", "Name AS [#]", "'#' alone"},
           Case{"Paradox 5.x", "Name AS [a->b]", "contains '->'"},
           Case{"Paradox 3.x", "Name AS [Cost (net)]", "contains '('"},
           Case{"Paradox 4.x", "Name AS [x{y}]", "contains '{'"},
           Case{"Paradox 5.x", "Name AS [x[y]", "contains '['"},
           Case{"Paradox 3.x", "Name AS [Œuvre]", "'Œ' (U+0152) has no place in the DOS"},
           Case{"Paradox 5.x", many, "256 columns; a Paradox table has at most 255"},
           Case{"Paradox 3.x", wide, "4080 bytes long; Paradox 3.x allows at most 4000"},
           Case{"Paradox 4.x", wide, "4080 bytes long; Paradox 4.x allows at most 4000"},
       }) {
    SCOPED_TRACE(c.connect + ": " + c.fields.substr(0, 60));
    data::DbError error = ExportError(c.connect, c.fields, "FROM t");
    EXPECT_NE(error.description().find(c.expected), std::string::npos) << error.what();
    EXPECT_NE(error.description().find(c.connect + " table '" + Out("out.db") + "'"),
              std::string::npos)
        << error.what();
    EXPECT_TRUE(OutFiles().empty());
  }
  // What the rules allow: 25 characters, blanks and '#' inside a name,
  // Windows-1252 from Paradox 4 on, long records in Paradox 5.
  Export("Paradox 4.x",
         "Name AS [ABCDEFGHIJKLMNOPQRSTUVWXY], Zip AS [Zip #], Code AS [Œuvre]",
         "FROM t WHERE Id = 2", "names.db");
  EXPECT_EQ(ReadWithPxlib(Out("names.db")).fields,
            (std::vector<std::string>{"ABCDEFGHIJKLMNOPQRSTUVWXY A 40", "Zip # A 10",
                                      "Œuvre A 3"}));
  Export("Paradox 5.x", wide, "FROM t WHERE Id = 1", "wide.db");
  PxlibTable read = ReadWithPxlib(Out("wide.db"));
  ASSERT_EQ(read.exit_code, 0) << read.output;
  EXPECT_EQ(read.fields.back(), "W16 A 255");
  EXPECT_EQ(read.rows.size(), 1u);
  EXPECT_EQ(read.rows[0].substr(0, 11), "01234\t01234");
  EXPECT_EQ(read.Head("blocksize"), "4096");
}

TEST_F(ParadoxWriterTest, ValuesTheFieldCannotHoldFailTheExportAndLeaveNoFile) {
  struct Case {
    std::string connect;
    std::string fields;
    std::string from;
    int32_t number;
    std::string expected;
  };
  for (
      const Case& c : {
          Case{"Paradox 4.x", "Id, Code", "t ORDER BY Id",
               data::error_number::kTextTooLong,
               "row 1, column 'Code': the text is 5 characters long and the field holds "
               "3"},
          Case{"Paradox 5.x", "Rank", "t ORDER BY Id", data::error_number::kTypeMismatch,
               "row 2, column 'Rank': the number 40000 is outside the range -32767 to "
               "32767"},
          Case{"Paradox 4.x", "City", "bad", data::error_number::kTypeMismatch,
               "row 2, column 'City': the character 'Ł' (U+0141) has no place in the "
               "Windows-1252"},
          Case{
              "Paradox 3.x", "City", "bad WHERE City <> 'Łódź'",
              data::error_number::kTypeMismatch,
              "row 2, column 'City': the character '€' (U+20AC) has no place in the DOS"},
          // The smallest value of each width encodes as blank.
          Case{"Paradox 5.x", "Small", "bad", data::error_number::kTypeMismatch,
               "row 2, column 'Small': the number -32768 is outside"},
          Case{"Paradox 5.x", "Whole", "bad", data::error_number::kTypeMismatch,
               "row 2, column 'Whole': the number 2147483648 is outside the range "
               "-2147483647 to 2147483647"},
          Case{
              "Paradox 4.x", "Whole", "bad", data::error_number::kTypeMismatch,
              "row 3, column 'Whole': the whole number 9007199254740993 has more digits"},
      }) {
    SCOPED_TRACE(c.connect + ": " + c.fields + " FROM " + c.from);
    data::DbError error = ExportError(c.connect, c.fields, "FROM " + c.from);
    EXPECT_EQ(error.number(), c.number) << error.what();
    EXPECT_NE(error.description().find(c.connect + " table '" + Out("out.db") + "', " +
                                       c.expected),
              std::string::npos)
        << error.what();
    EXPECT_TRUE(OutFiles().empty());
  }
  // The largest long integer fits.
  Export("Paradox 5.x", "City, Small, Whole", "FROM bad WHERE City = 'Rome'");
  EXPECT_EQ(ReadWithPxlib(Out("out.db")).rows,
            (std::vector<std::string>{"Rome\t1\t2147483647"}));
}

TEST_F(ParadoxWriterTest, AnExistingTableIsRefusedAndAStaleMemoFileReplaced) {
  WriteFile(Out("out.db"), "precious");
  WriteFile(Out("out.mb"), "memos");
  data::DbError error = ExportError("Paradox 4.x", "*", "FROM memos");
  EXPECT_NE(error.description().find("already exists"), std::string::npos)
      << error.what();
  EXPECT_EQ(FileContents(Out("out.db")), "precious");
  EXPECT_EQ(FileContents(Out("out.mb")), "memos");

  // Answering Yes to the overwrite question deletes the table file alone.
  std::filesystem::remove(Out("out.db"));
  Export("Paradox 4.x", "*", "FROM memos WHERE Id = 1");
  EXPECT_EQ(FileContents(Out("out.mb")).size(), 2u * 4096);
  EXPECT_EQ(ReadWithPxlib(Out("out.db"), Out("out.mb")).rows,
            std::vector<std::string>{"1\tshort"});
}

// Our headers set what Paradox itself set in tables of the same shape.
TEST_F(ParadoxWriterTest, HeadersAndBlocksMatchTablesParadoxWrote) {
  if (ReferencesMissing()) GTEST_SKIP() << kNoReferences;
  // Paradox 3: a header as long as its contents, 1 KB blocks for short
  // records, version byte 3, no code page and the "ascii" sort order.
  Export("Paradox 3.x", "*", "FROM store", "RESTTEMP.DB");
  std::string ours = FileContents(Out("RESTTEMP.DB"));
  std::string theirs = FileContents(Reference("px30-store.db"));
  ASSERT_EQ(ours.size(), theirs.size());
  EXPECT_EQ(Little16(ours, 0), Little16(theirs, 0));  // record size
  EXPECT_EQ(Little16(ours, 2), 0xEDu);                // header size
  EXPECT_EQ(Little16(ours, 2), Little16(theirs, 2));
  EXPECT_EQ(Byte(ours, 4), 2u);  // theirs is keyed (0); ours has no key
  for (size_t at :
       {0x05, 0x06, 0x0A, 0x0C, 0x0E, 0x10, 0x21, 0x29, 0x39, 0x3A, 0x3E, 0x3F}) {
    EXPECT_EQ(Byte(ours, at), Byte(theirs, at)) << "at 0x" << std::hex << at;
  }
  // Field types and sizes; then, past the pointers, table and field names.
  EXPECT_EQ(ours.substr(0x58, 8), theirs.substr(0x58, 8));
  EXPECT_EQ(ours.substr(0x74, 0xED - 0x74), theirs.substr(0x74, 0xED - 0x74));
  // The one data block, records and all.
  EXPECT_EQ(ours.substr(0xED), theirs.substr(0xED));

  // Paradox 4: the same dates give the same record block as theirs.
  Export("Paradox 4.x", "*", "FROM dates", "DATE4.db");
  ours = FileContents(Out("DATE4.db"));
  theirs = FileContents(Reference("px40-date.db"));
  ASSERT_EQ(ours.size(), theirs.size());
  for (size_t at : {0x00, 0x02, 0x04, 0x05, 0x06, 0x0A, 0x0C, 0x0E, 0x10, 0x21,
                    0x25, 0x26, 0x27, 0x28, 0x39, 0x3A, 0x3E, 0x3F, 0x56, 0x58,
                    0x59, 0x5A, 0x5B, 0x64, 0x66, 0x6C, 0x6D, 0x6E, 0x70}) {
    EXPECT_EQ(Byte(ours, at), Byte(theirs, at)) << "at 0x" << std::hex << at;
  }
  EXPECT_EQ(ours.substr(0x78, 2), theirs.substr(0x78, 2));
  EXPECT_EQ(ours.substr(0x82, 0xD8 - 0x82), theirs.substr(0x82, 0xD8 - 0x82));
  EXPECT_EQ(ours.substr(2048), theirs.substr(2048));
  // Theirs was written under code page 850 and the "ascii" sort order.
  EXPECT_EQ(Little16(ours, 0x6A), 1252u);
  EXPECT_EQ(Byte(ours, 0x29), 0x11u);

  // Paradox 5 with Windows-1252 text: what Paradox wrote for a logical
  // field under that code page, its sort order byte and name included.
  Export("Paradox 5.x", "Active AS BOOL", "FROM t WHERE Id = 1", "resttemp.DB");
  ours = FileContents(Out("resttemp.DB"));
  theirs = FileContents(Reference("px50-logical.db"));
  for (size_t at : {0x00, 0x02, 0x04, 0x05, 0x0E, 0x21, 0x25, 0x26, 0x27, 0x28,
                    0x29, 0x39, 0x3E, 0x3F, 0x51, 0x52, 0x56, 0x58, 0x59, 0x5A,
                    0x5B, 0x64, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x70}) {
    EXPECT_EQ(Byte(ours, at), Byte(theirs, at)) << "at 0x" << std::hex << at;
  }
  EXPECT_EQ(ours.substr(0x78, 2), theirs.substr(0x78, 2));
  EXPECT_EQ(ours.substr(0x82, 0x800 - 0x82), theirs.substr(0x82, 0x800 - 0x82));
  EXPECT_EQ(ours.substr(2048, 7), "\0\0\0\0\0\0\x81"s);
}

}  // namespace
}  // namespace vdimpexp::formats

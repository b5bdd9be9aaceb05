// What every registered writer promises: an existing file is never touched, what a
// deleted table left beside it is replaced, a failed export, a full disk included,
// leaves nothing, and no value fails an export or changes without a word.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <regex>
#include <set>

#include "data/external_target.h"
#include "export_source.h"
#include "formats/common/target_file.h"
#include "writer_test.h"

namespace vdimpexp::formats {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

struct Writer {
  const char* connect;
  const char* file;                // Excel's workbook is the Database= itself
  const char* refused;             // a field list the format refuses ("" where none)...
  const char* because;             // ...and what the refusal says
  std::vector<std::string> files;  // what a completed export leaves in the folder
  const char* reader;              // the independent reader and its arguments
};

void PrintTo(const Writer& writer, std::ostream* out) { *out << writer.connect; }

constexpr char kWide[] = "257 columns";  // more than a worksheet holds
constexpr char kDbfRefusal[] = "Name AS CustomerNam";
const std::vector<std::string> kDbfFiles = {"c.cpg", "c.dbf", "c.dbt"};
// The Paradox reader escapes as JSON does, but leaves quotes alone.
constexpr char kPxReader[] = "read_paradox";
constexpr char kLotusReader[] = "read_with_ssconvert.py Gnumeric_lotus:lotus";
constexpr char kPxRefusal[] = "Name AS ABCDEFGHIJKLMNOPQRSTUVWXYZ";

const Writer kWriters[] = {
    {"dBASE III", "c.dbf", kDbfRefusal, "longer than the 10", kDbfFiles, "read_dbf.py"},
    {"dBASE IV", "c.dbf", kDbfRefusal, "longer than the 10", kDbfFiles, "read_dbf.py"},
    {"dBASE 5.0", "c.dbf", kDbfRefusal, "longer than the 10", kDbfFiles, "read_dbf.py"},
    // Before 4.x a memo is an alpha field.
    {"Paradox 3.x", "c.db", kPxRefusal, "longer than the 25", {"c.db"}, kPxReader},
    {"Paradox 4.x",
     "c.db",
     kPxRefusal,
     "longer than the 25",
     {"c.db", "c.mb"},
     kPxReader},
    {"Paradox 5.x",
     "c.db",
     kPxRefusal,
     "longer than the 25",
     {"c.db", "c.mb"},
     kPxReader},
    {"Excel 3.0", "c.xls", kWide, "at most 256 columns", {"c.xls"}, "read_xls.py"},
    {"Excel 4.0", "c.xls", kWide, "at most 256 columns", {"c.xls"}, "read_xls.py"},
    {"Excel 5.0", "c.xls", kWide, "at most 256 columns", {"c.xls"}, "read_xls.py"},
    {"Excel 8.0", "c.xls", kWide, "at most 256 columns", {"c.xls"}, "read_xls.py"},
    {"Lotus WK1", "c.wk1", kWide, "at most 256 columns", {"c.wk1"}, kLotusReader},
    {"Lotus WK3", "c.wk3", kWide, "at most 256 columns", {"c.wk3"}, kLotusReader},
    {"Lotus WK4", "c.wk4", kWide, "at most 256 columns", {"c.wk4"}, kLotusReader},
    {"HTML Export", "c.htm", "", "", {"c.htm"}, "read_html.py"},
    {"TEXT",
     "c.csv",
     "Name AS [a\"z]",
     "cannot be described",
     {"c.csv", "schema.ini"},
     "read_csv.py"},
    {"XML",
     "c.xml",
     "Name AS [a\x01z]",
     "character 2 (U+0001)",
     {"c.xml"},
     "read_rowset.py"},
    {"Excel 12.0 Xml", "c.xlsx", "", "", {"c.xlsx"}, "read_xlsx.py"},
    {"ODS",
     "c.ods",
     "",
     "",
     {"c.ods"},
     "read_with_ssconvert.py Gnumeric_OpenCalc:openoffice"},
};

// Text, a memo, a number and a date: every companion file is written.
constexpr char kExport[] = "Id, Name, Notes, Price, Born";

class WriterContractTest : public testing::WriterTest,
                           public ::testing::WithParamInterface<Writer> {
 protected:
  std::string Target() const {
    const Writer& w = GetParam();
    const std::string connect = w.connect;
    return connect.starts_with("Excel") || connect == "ODS"
               ? WorkbookTarget(connect, w.file)
               : FolderTarget(connect, w.file);
  }
};

TEST(WriterRegistryTest, EveryRegisteredConnectTypeHasAContractCase) {
  RegisterFileFormats();
  std::vector<std::string> covered;
  for (const Writer& w : kWriters) {
    EXPECT_NE(data::CreateTableWriter(w.connect), nullptr) << w.connect;
    covered.push_back(w.connect);
    for (char& c : covered.back()) c = static_cast<char>(std::tolower(c));
  }
  EXPECT_THAT(data::RegisteredConnectTypes(),
              ::testing::UnorderedElementsAreArray(covered));
}

TEST_P(WriterContractTest, AnExistingFileIsRefusedAndWhatADeletedOneLeftIsReplaced) {
  const std::vector<std::string>& files = GetParam().files;
  const std::string stale(70000, '~');  // longer than anything the export writes
  for (const std::string& name : files) testing::WriteFile(Out(name), name + stale);
  EXPECT_THAT(ExportIntoError(Target(), kExport, "FROM t").what(),
              HasSubstr("already exists"));
  for (const std::string& name : files)
    EXPECT_EQ(testing::FileContents(Out(name)), name + stale);
  EXPECT_EQ(OutFiles(), files);
  // Yes to the overwrite question deletes the table file alone. What it left beside it
  // is replaced, not appended to; schema.ini, shared by the folder's text tables, stays.
  std::filesystem::remove(Out(GetParam().file));
  ExportInto(Target(), kExport, "FROM t");
  EXPECT_EQ(OutFiles(), files);
  for (const std::string& name : files) {
    if (name == "schema.ini") continue;
    EXPECT_THAT(testing::FileContents(Out(name)), Not(HasSubstr(stale))) << name;
  }
}

TEST_P(WriterContractTest, ARefusedColumnAFailingRowOrAMissingFolderLeavesNoFile) {
  // What was in the folder stays as it was: schema.ini, for one, which the text tables
  // share.
  const std::string kept = "[old.csv]\r\nFormat=CSVDelimited\r\n";
  testing::WriteFile(Out("schema.ini"), kept);
  const std::vector<std::string> only_kept = {"schema.ini"};
  std::string refused = GetParam().refused;
  if (refused == kWide) {
    refused = "1 AS C1";
    for (int i = 2; i <= 257; ++i) refused += ", 1 AS C" + std::to_string(i);
  }
  if (!refused.empty()) {
    std::string message = ExportIntoError(Target(), refused, "FROM t").what();
    EXPECT_THAT(message, HasSubstr(GetParam().because));
    EXPECT_THAT(message, HasSubstr(GetParam().file));
    EXPECT_EQ(OutFiles(), only_kept);
  }
  // The last row fails after the others were written.
  ExportIntoError(Target(), "Name, Abs(Big) AS Size", "FROM failing");
  EXPECT_EQ(OutFiles(), only_kept);
  EXPECT_EQ(testing::FileContents(Out("schema.ini")), kept);
  std::filesystem::remove_all(scratch_.File("out"));
  EXPECT_THAT(ExportIntoError(Target(), kExport, "FROM t").what(),
              HasSubstr(Out(GetParam().file)));
  EXPECT_FALSE(std::filesystem::exists(scratch_.File("out")));
}

TEST_P(WriterContractTest,
       AFullDiskAtAnyWriteFailsNamingTheFileAndTheReasonAndLeavesNothing) {
  // The table's path up to its extension names each of its companions too.
  const std::string stem = Out("c.");
  for (int nth = 1;; ++nth) {
    SCOPED_TRACE("write " + std::to_string(nth));
    ASSERT_LT(nth, 500) << "the export never completed";
    ClearOut();
    WriteFaultInjection fault(nth);
    try {
      ExportInto(Target(), kExport, "FROM t ORDER BY Id");
    } catch (const data::DbError& error) {
      EXPECT_TRUE(fault.Fired()) << error.what();
      EXPECT_THAT(error.what(), HasSubstr(stem));
      EXPECT_THAT(error.what(), HasSubstr(std::strerror(ENOSPC)));
      EXPECT_THAT(OutFiles(), IsEmpty());
      continue;
    }
    EXPECT_FALSE(fault.Fired()) << "a failed write went unnoticed";
    EXPECT_EQ(OutFiles(), GetParam().files);
    break;
  }
}

// Texts at every edge a format has; each reads back as it was unless the export said
// what it changed in its column.
TEST_P(WriterContractTest, NoValueFailsTheExportOrChangesUnsaid) {
  struct Probe {
    std::string column, text;
  };
  const std::vector<Probe> probes = {
      {"Label", "a,b \"q\"\r\n\tz"},   {"Label", "007"},
      {"Label", std::string(60, 'L')},  // longer than its TEXT(50)
      {"Note", "é ü ß ½ € Ω 中"},      {"Note", std::string(255, 'f')},
      {"Note", std::string(300, 't')}, {"Note", std::string(70000, 'm')}};
  std::string rows;
  for (size_t i = 0; i < probes.size(); ++i) {
    rows += (i ? ", (" : "(") + std::to_string(i) + ", '" + probes[i].column + "', '" +
            probes[i].text + "', '1899-12-30', 0.1)";
  }
  db_ = scratch_.Database("odd.db", R"(
      CREATE TABLE odd (Id INTEGER, Kind TEXT(5), Label TEXT(50), Note LONGTEXT,
                        Stamp DATETIME, Amount DOUBLE, Big INTEGER);
      CREATE TABLE probes (Id INTEGER, Kind TEXT(5), Text LONGTEXT, Stamp, Amount);
      INSERT INTO probes VALUES )" + rows +
                                        R"(;
      INSERT INTO odd SELECT Id, Kind, CASE Kind WHEN 'Label' THEN Text END,
                             CASE Kind WHEN 'Note' THEN Text END, Stamp, Amount, Id
                      FROM probes;
      INSERT INTO odd VALUES (10, NULL, NULL, NULL, NULL, NULL, NULL),
        (11, 'Dates', NULL, NULL, '9999-12-31 23:59:59', -0.0, 9007199254740993),
        (12, 'Dates', NULL, NULL, '2000-02-29 12:00:00', 1e15, 123456789012345),
        (13, 'Dates', NULL, NULL, '1999-12-31', 1e-7, -1),
        (14, 'Wide', NULL, NULL, NULL, -1e300, 1e20), (15, 'Wide', NULL, NULL, NULL, 0, 2.5);)");
  const std::vector<std::string> changes =
      ExportInto(Target(), "Label, Note, Stamp, Amount, Big", "FROM odd ORDER BY Id");
  std::string reader = GetParam().reader, more;
  if (size_t blank = reader.find(' '); blank != std::string::npos) {
    more = reader.substr(blank);
    reader.resize(blank);
  }
  const std::string file = Out(GetParam().file);
  std::string read;
  if (reader == kPxReader) {
    const std::string memo = Out("c.mb");
    testing::ProcessOutput output = testing::RunProcess(
        testing::ShellQuoted(VDIMPEXP_READ_PARADOX) + " " + testing::ShellQuoted(file) +
        (std::filesystem::exists(memo) ? " " + testing::ShellQuoted(memo) : ""));
    EXPECT_EQ(output.exit_code, 0) << output.text;
    read = output.text;
  } else {
    read = testing::ReadBack(reader, file, more);
  }
  for (const Probe& probe : probes) {
    std::string escaped;
    for (char c : probe.text) {
      // Gnumeric's own files keep a line end as a line feed alone.
      if (c == '\r' && reader == "read_with_ssconvert.py") continue;
      const char* escape = c == '\r'                         ? "\\r"
                           : c == '\n'                       ? "\\n"
                           : c == '\t'                       ? "\\t"
                           : c == '"' && reader != kPxReader ? "\\\""
                                                             : nullptr;
      escape ? escaped += escape : escaped += c;
    }
    const bool told = std::ranges::any_of(changes, [&](const std::string& line) {
      return line.starts_with(probe.column + ":");
    });
    EXPECT_TRUE(read.find(escaped) != std::string::npos || told)
        << probe.text.substr(0, 40) << " in " << probe.column << " changed unsaid";
  }
  // Numbers read back as the same number, however the reader spells it; whole
  // numbers beyond 2^53 as their very digits.
  std::set<std::string> spelled;
  std::set<double> numbers;
  const std::regex number(R"([-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?)");
  for (std::sregex_iterator it(read.begin(), read.end(), number), end; it != end; ++it) {
    spelled.insert(it->str());
    numbers.insert(std::strtod(it->str().c_str(), nullptr));
  }
  const std::pair<std::string, std::string> written[] = {
      {"Big", "9007199254740993"}, {"Big", "1e20"},    {"Big", "-1"},
      {"Amount", "-1e300"},        {"Amount", "1e-7"}, {"Amount", "0.1"}};
  for (const auto& [column, text] : written) {
    const bool read_back = text.size() > 15
                               ? spelled.contains(text)
                               : numbers.contains(std::strtod(text.c_str(), nullptr));
    EXPECT_TRUE(read_back) << text << " in " << column << " did not read back";
  }
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, WriterContractTest, ::testing::ValuesIn(kWriters),
                         [](const ::testing::TestParamInfo<Writer>& info) {
                           std::string name = info.param.connect;
                           for (char& c : name) c = std::isalnum(c) ? c : '_';
                           return name;
                         });

}  // namespace
}  // namespace vdimpexp::formats

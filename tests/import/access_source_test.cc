// Real Microsoft Access databases (written by Jackcess and by Access itself,
// with the tables as two other readers print them) read through the reader
// program: the zip-code import from each format, the files and reader
// failures it refuses, every table against its expected rows; and such a
// file refused where an export would write into it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "data/db_error.h"
#include "export/export_dialogs.h"
#include "import/zip_code_import.h"
#include "jet_reader/jet_reader_protocol.h"
#include "jet_reader/jet_table_reader.h"
#include "schema/reference_database.h"
#include "scratch_database.h"
#include "scripted_prompts.h"

namespace vdimpexp::importing {
namespace {

namespace fs = std::filesystem;
using support::MessageAnswer;
using ::testing::HasSubstr;
using testing::QueryRows;
using testing::QueryText;
using testing::SqliteDump;

const fs::path kAccessFiles = VDIMPEXP_ACCESS_REFERENCES;
using Rows = std::vector<std::vector<std::string>>;

std::string FileText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

Rows ParseCsv(const std::string& text) {
  Rows rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted && c == '"') {
      quoted = i + 1 < text.size() && text[i + 1] == '"';
      if (quoted) field += text[++i];
    } else if (quoted || (c != '"' && c != ',' && c != '\n')) {
      field += c;
    } else if (c == '"') {
      quoted = true;
    } else {
      row.push_back(std::exchange(field, {}));
      if (c == '\n') rows.push_back(std::exchange(row, {}));
    }
  }
  return rows;
}

// A value as the expected files print it.
std::string CsvText(const jet_reader::JetValue& value) {
  struct {
    std::string operator()(std::monostate) { return ""; }
    std::string operator()(bool b) { return b ? "TRUE" : "FALSE"; }
    std::string operator()(int64_t i) { return std::to_string(i); }
    std::string operator()(double d) {
      char text[400];
      return std::string(
          text, std::to_chars(text, std::end(text), d, std::chars_format::fixed).ptr);
    }
    std::string operator()(const jet_reader::Currency& c) {
      const uint64_t units = c.ten_thousandths < 0 ? 0 - uint64_t(c.ten_thousandths)
                                                   : uint64_t(c.ten_thousandths);
      std::string places = std::to_string(10000 + units % 10000).substr(1);
      places.erase(places.find_last_not_of('0') + 1);
      return (c.ten_thousandths < 0 ? "-" : "") + std::to_string(units / 10000) +
             (places.empty() ? "" : "." + places);
    }
    std::string operator()(const jet_reader::DateSerial& d) {
      auto date = jet_reader::DateFromSerial(d.days);
      return date ? date->ToIso() : "<days " + std::to_string(d.days) + ">";
    }
    std::string operator()(const std::string& s) { return s; }
    std::string operator()(const jet_reader::Binary& b) {
      return "<" + std::to_string(b.bytes.size()) + " bytes>";
    }
    std::string operator()(const jet_reader::Decimal& d) { return d.digits; }
  } print;
  return std::visit(print, value);
}

// A component folder: the workgroup file, and as its reader program the
// real one or a script around it.
std::string Component(const testing::ScratchDirectory& scratch, const std::string& name,
                      const std::string& script = {}) {
  const fs::path folder = scratch.File(name);
  fs::create_directories(folder);
  std::ofstream(folder / std::string(kWorkgroupFileName));
  const fs::path reader = folder / std::string(jet_reader::kReaderProgramName);
  if (script.empty()) {
    fs::create_symlink(VDIMPEXP_JET_READER, reader);
  } else {
    std::ofstream(reader) << "#!/bin/sh\n" << script << "\n";
    fs::permissions(reader, fs::perms::owner_all);
  }
  return folder.string();
}

// The files Access and other programs wrote live in the shared reference
// folder beside the checkout; without it these tests have nothing to read.
#define SKIP_WITHOUT_ACCESS_FILES() \
  if (!fs::is_directory(kAccessFiles)) GTEST_SKIP() << "no " << kAccessFiles

class AccessZipCodeTest : public ::testing::Test {
 protected:
  void SetUp() override { SKIP_WITHOUT_ACCESS_FILES(); }
  AccessZipCodeTest() {
    schema::CreateReferenceDatabase(host_path_, {.contacts = 5, .seed = 3});
    host_.Open(host_path_);
  }
  ZipCodeImportResult Import(MessageAnswer answer, const std::string& source,
                             const std::string& component) {
    prompts_.AnswerNext(answer);
    return ImportZipCodes(host_, source, component);
  }

  testing::ScratchDirectory scratch_;
  std::string host_path_ = scratch_.File("shop.db");
  std::string component_ = Component(scratch_, "component");
  data::Connection host_;
  testing::ScriptedPrompts prompts_;
};

TEST_F(AccessZipCodeTest, EveryFormatKeepsOrReplacesTheCodesAsOurOwnDatabasesDo) {
  const std::string zip_codes =
      "SELECT ZipCode, City, State, coalesce(AreaCode, '<null>') FROM ZipCodes ORDER BY "
      "rowid";
  // Kept: the host's own codes stay, the source's new ones come in, and the
  // user hears how many were skipped.
  const Rows own = QueryRows(host_path_, zip_codes);
  host_.BeginTrans();
  const ZipCodeImportResult kept =
      Import(MessageAnswer::kYes, kAccessFiles / "zipcodes-V2010.accdb", component_);
  host_.CommitTrans();
  const Rows after = QueryRows(host_path_, zip_codes);
  EXPECT_EQ(kept.added + kept.skipped, 40);
  ASSERT_EQ(after.size(), own.size() + kept.added);
  EXPECT_TRUE(std::equal(own.begin(), own.end(), after.begin()));
  EXPECT_THAT(prompts_.questions().back().text,
              HasSubstr(std::to_string(kept.skipped) + " zip codes were already"));

  // A value no host column holds refuses its row alone: here the area codes
  // are binary data (the column's type byte in the table definition set so).
  const std::string binary = scratch_.File("binary.mdb");
  fs::copy_file(kAccessFiles / "zipcodes-V2000.mdb", binary);
  {
    constexpr std::streamoff kAreaCodeType = 0x1808a;
    std::fstream patch(binary, std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_EQ(patch.seekg(kAreaCodeType).get(), 0x0a) << "not the AreaCode text column";
    patch.seekp(kAreaCodeType).put(0x09);
  }
  const ZipCodeImportResult refused = Import(MessageAnswer::kNo, binary, component_);
  EXPECT_EQ(refused.added, 1);
  EXPECT_EQ(refused.refused, 39);
  EXPECT_EQ(refused.skipped, 0) << "none of them was in the table";
  EXPECT_EQ(QueryText(host_path_, "SELECT group_concat(City) FROM ZipCodes"),
            "Norfolk Island");

  // Replaced and rolled back: as it was.
  const std::string dump_before = SqliteDump(host_path_);
  host_.BeginTrans();
  Import(MessageAnswer::kNo, kAccessFiles / "zipcodes-V2000.mdb", component_);
  host_.RollbackTrans();
  EXPECT_EQ(SqliteDump(host_path_), dump_before);

  for (const char* name :
       {"zipcodes-V2000.mdb", "zipcodes-V2003.mdb", "zipcodes-V2007.accdb",
        "zipcodes-V2010.accdb", "zipcodes-extra-table-V2000.mdb"}) {
    SCOPED_TRACE(name);
    // Replaced and committed: the source's rows in its order, each code
    // once ("0800" with its zero, names exact), the empty area code NULL.
    Rows expected,
        source = ParseCsv(FileText(
            kAccessFiles / (std::string(name) + ".AustralianZipCodes.expected.csv")));
    std::set<std::string> codes;
    for (auto row = source.begin() + 1; row != source.end(); ++row) {
      if (row->at(3).empty()) row->at(3) = "<null>";
      if (codes.insert(row->at(0)).second) expected.push_back(*row);
    }
    host_.BeginTrans();
    const ZipCodeImportResult replaced =
        Import(MessageAnswer::kNo, kAccessFiles / name, component_);
    host_.CommitTrans();
    EXPECT_EQ(replaced.added, static_cast<int64_t>(expected.size()));
    EXPECT_EQ(replaced.skipped,
              static_cast<int64_t>(source.size() - 1 - expected.size()));
    EXPECT_EQ(QueryRows(host_path_, zip_codes), expected);
    EXPECT_EQ(QueryText(host_path_, "SELECT City FROM ZipCodes WHERE AreaCode IS NULL"),
              "Norfolk Island");
  }
}

TEST_F(AccessZipCodeTest, FilesAndReadersThatFailAreNamedAndLeaveTheHostAsItWas) {
  const std::string whole = (kAccessFiles / "zipcodes-V2000.mdb").string();
  const std::string cut = scratch_.File("cut.mdb"), text = scratch_.File("notes.mdb");
  fs::copy_file(whole, cut);
  fs::resize_file(cut, fs::file_size(whole) / 2 + 100);
  std::ofstream(text) << "PostCode,CityTown\n0800,Darwin\n";
  const std::string password =
      (kAccessFiles / "mdb-reader/V2000_with-password.mdb").string();
  const std::string missing =
      (kAccessFiles / "zipcodes-missing-table-V2000.mdb").string();
  const std::string real = testing::ShellQuoted(VDIMPEXP_JET_READER);
  const std::string nowhere = scratch_.File("nowhere");
  // What goes wrong, and the file the message names.
  const struct {
    std::string source, component, message, named;
  } cases[] = {
      {cut, component_, "is damaged or cut short", cut},
      {text, component_, "is not a database file", text},
      {password, component_, "is protected by a database password", password},
      {missing, component_, "Cannot find the input table or query 'AustralianZipCodes'",
       missing},
      // Killed once its first rows are out: after the question, and after
      // the old codes were deleted.
      {whole,
       Component(scratch_, "killed", real + " \"$@\" | head -c 400; kill -KILL $$"),
       "ended by signal 9", whole},
      {whole, Component(scratch_, "garbage", "exec cat \"$1\""),
       "the reader sent a frame larger than any value", whole},
      {whole, nowhere, "workgroup information file", nowhere},
  };
  const std::string before = SqliteDump(host_path_);
  for (const auto& [source, component, message, named] : cases) {
    try {
      Import(MessageAnswer::kNo, source, component);
      ADD_FAILURE() << source << " was imported";
    } catch (const data::DbError& error) {
      EXPECT_THAT(error.what(), HasSubstr(message));
      EXPECT_THAT(error.what(), HasSubstr(named));
    }
    EXPECT_EQ(SqliteDump(host_path_), before) << message;
  }
}

// Every table of every sample, read by the program straight, against what
// two other readers print (rows as a set: libmdb reads them in page order).
TEST(JetTableReaderTest, EveryTableReadsAsItsExpectedFile) {
  SKIP_WITHOUT_ACCESS_FILES();
  testing::ScratchDirectory scratch;
  const jet_reader::ReaderOptions options{.program = VDIMPEXP_JET_READER};
  int tables = 0;
  for (const auto& entry : fs::recursive_directory_iterator(kAccessFiles)) {
    const std::string name = entry.path().filename().string();
    const size_t suffix = name.find(".expected.csv"), table = name.rfind('.', suffix - 1);
    if (suffix == std::string::npos || name.find("with-password") != std::string::npos) {
      continue;
    }
    fs::path file = entry.path().parent_path() / name.substr(0, table);
    if (!fs::exists(file)) {
      const std::string gunzipped = scratch.File(file.filename().string());
      testing::RunProcess("gunzip -c " + testing::ShellQuoted(file.string() + ".gz") +
                          " > " + testing::ShellQuoted(gunzipped));
      file = gunzipped;
    }
    SCOPED_TRACE(name);
    Rows expected = ParseCsv(FileText(entry.path())), read;
    jet_reader::JetTableReader reader(
        file.string(), name.substr(table + 1, suffix - table - 1), options);
    EXPECT_EQ(reader.ColumnNames(), expected.front());
    for (std::vector<jet_reader::JetValue> row; reader.Next(row);) {
      read.emplace_back();
      for (const jet_reader::JetValue& value : row) read.back().push_back(CsvText(value));
    }
    std::sort(expected.begin() + 1, expected.end());
    std::sort(read.begin(), read.end());
    EXPECT_EQ(read, Rows(expected.begin() + 1, expected.end()));
    ++tables;
  }
  EXPECT_EQ(tables, 29);

  // A reader that stalls is stopped at the time limit.
  const std::string stalled = Component(scratch, "stalled", "exec sleep 30");
  try {
    jet_reader::JetTableReader(
        (kAccessFiles / "zipcodes-V2000.mdb").string(), "AustralianZipCodes",
        {.program = stalled + "/" + std::string(jet_reader::kReaderProgramName),
         .time_limit = std::chrono::milliseconds(200)});
    ADD_FAILURE() << "a stalled reader was waited for";
  } catch (const data::DbError& error) {
    EXPECT_THAT(error.what(), HasSubstr("sent nothing for 0.2 seconds"));
  }
}

TEST(AccessTargetTest, ARealAccessDatabaseIsNoTargetAndTheRefusalSaysWhatIs) {
  SKIP_WITHOUT_ACCESS_FILES();
  testing::ScratchDirectory scratch;
  testing::ScriptedPrompts prompts;
  const std::string real = (kAccessFiles / "zipcodes-V2000.mdb").string();
  const std::string own = scratch.Database("own.mdb", "CREATE TABLE t (a);");
  prompts.ChooseNext(real);
  prompts.AnswerNext(MessageAnswer::kRetry);
  prompts.ChooseNext(own);
  EXPECT_EQ(exporting::ChooseExistingAccessDatabase(), own);
  EXPECT_THAT(prompts.questions().back().text,
              ::testing::AllOf(HasSubstr(real), HasSubstr("a SQLite database file"),
                               HasSubstr("suffix .mdb"), HasSubstr("--create-empty")));
}

}  // namespace
}  // namespace vdimpexp::importing

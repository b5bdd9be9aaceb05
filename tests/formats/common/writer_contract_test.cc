// What every registered writer promises: an existing file is never touched, what a
// deleted table left beside it is replaced, and a failed export, a full disk included,
// leaves nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>

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
};

void PrintTo(const Writer& writer, std::ostream* out) { *out << writer.connect; }

constexpr char kWide[] = "257 columns";  // more than a worksheet holds
constexpr char kDbfRefusal[] = "Name AS CustomerNam";
const std::vector<std::string> kDbfFiles = {"c.cpg", "c.dbf", "c.dbt"};
constexpr char kPxRefusal[] = "Name AS ABCDEFGHIJKLMNOPQRSTUVWXYZ";

const Writer kWriters[] = {
    {"dBASE III", "c.dbf", kDbfRefusal, "longer than the 10", kDbfFiles},
    {"dBASE IV", "c.dbf", kDbfRefusal, "longer than the 10", kDbfFiles},
    {"dBASE 5.0", "c.dbf", kDbfRefusal, "longer than the 10", kDbfFiles},
    // Before 4.x a memo is an alpha field.
    {"Paradox 3.x", "c.db", kPxRefusal, "longer than the 25", {"c.db"}},
    {"Paradox 4.x", "c.db", kPxRefusal, "longer than the 25", {"c.db", "c.mb"}},
    {"Paradox 5.x", "c.db", kPxRefusal, "longer than the 25", {"c.db", "c.mb"}},
    {"Excel 3.0", "c.xls", kWide, "at most 256 columns", {"c.xls"}},
    {"Excel 4.0", "c.xls", kWide, "at most 256 columns", {"c.xls"}},
    {"Excel 5.0", "c.xls", kWide, "at most 256 columns", {"c.xls"}},
    {"Excel 8.0", "c.xls", kWide, "at most 256 columns", {"c.xls"}},
    {"Lotus WK1", "c.wk1", kWide, "at most 256 columns", {"c.wk1"}},
    {"Lotus WK3", "c.wk3", kWide, "at most 256 columns", {"c.wk3"}},
    {"Lotus WK4", "c.wk4", kWide, "at most 256 columns", {"c.wk4"}},
    {"HTML Export", "c.htm", "", "", {"c.htm"}},
    {"TEXT", "c.csv", "Name AS [a\"z]", "cannot be described", {"c.csv", "schema.ini"}},
    {"XML", "c.xml", "Name AS [a\x01z]", "character 2 (U+0001)", {"c.xml"}},
};

// Text, a memo, a number and a date: every companion file is written.
constexpr char kExport[] = "Id, Name, Notes, Price, Born";

class WriterContractTest : public testing::WriterTest,
                           public ::testing::WithParamInterface<Writer> {
 protected:
  std::string Target() const {
    const Writer& w = GetParam();
    return std::string(w.connect).starts_with("Excel") ? WorkbookTarget(w.connect, w.file)
                                                       : FolderTarget(w.connect, w.file);
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

TEST_P(WriterContractTest, AFullDiskAtAnyWriteFailsNamingTheFileAndLeavesNothing) {
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
      EXPECT_THAT(OutFiles(), IsEmpty());
      continue;
    }
    EXPECT_FALSE(fault.Fired()) << "a failed write went unnoticed";
    EXPECT_EQ(OutFiles(), GetParam().files);
    break;
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

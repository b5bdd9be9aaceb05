#include "legacy/cb_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "dbf_builder.h"
#include "scratch_database.h"
#include "scripted_prompts.h"

namespace vdimpexp::legacy {
namespace {

using testing::DbfBuilder;

class CbSupportTest : public ::testing::Test {
 protected:
  std::string Table(const std::string& name, int live, int deleted) {
    DbfBuilder table;
    table.Field("FNAME", 'C', 10);
    for (int i = 0; i < deleted; ++i) table.Record({"Gone"}, true);
    for (int i = 0; i < live; ++i) table.Record({"Ann"});
    return table.WriteTo(scratch_.File(name));
  }

  testing::ScratchDirectory scratch_;
  testing::ScriptedPrompts prompts_;
  const std::size_t contexts_before_ = LiveContextCount();
};

TEST_F(CbSupportTest, CountDbfRecordsGivesTheHeaderCountOrZero) {
  EXPECT_EQ(CountDbfRecords(Table("LOG.DBF", 3, 0)), 3);
  EXPECT_EQ(CountDbfRecords(Table("MFG.DBF", 2, 2)), 4)
      << "the header counts deleted ones";
  EXPECT_EQ(CountDbfRecords(Table("EMPTY.DBF", 0, 0)), 0);
  EXPECT_EQ(CountDbfRecords(Table("PURGED.DBF", 0, 3)), 0) << "nothing to read";

  DbfBuilder corrupt = DbfBuilder().Field("FNAME", 'C', 10).Record({"Ann"});
  corrupt.record_length = 5;
  std::filesystem::create_directory(scratch_.File("DIR.DBF"));
  for (const std::string& path :
       {scratch_.File("MISSING.DBF"), scratch_.File("DIR.DBF"),
        corrupt.WriteTo(scratch_.File("CORRUPT.DBF")), std::string()}) {
    EXPECT_EQ(CountDbfRecords(path), 0) << path;
  }
  EXPECT_EQ(CountDbfRecords(scratch_.File("LOG.DBF")), 3) << "no failure lingers";
  EXPECT_TRUE(prompts_.questions().empty()) << "failures say nothing";
  EXPECT_EQ(LiveContextCount(), contexts_before_);
}

TEST_F(CbSupportTest, CountDbfRecordsSaysProblemWhenTheLibraryCannotStart) {
  std::vector<ContextHandle> taken;
  for (ContextHandle context; (context = code4initVB()) != 0;) taken.push_back(context);
  EXPECT_EQ(LiveContextCount(), kMaxLiveContexts);
  const std::string path = Table("LOG.DBF", 3, 0);
  EXPECT_EQ(CountDbfRecords(path), 0);
  EXPECT_EQ(CountDbfRecords(path), 0);
  ASSERT_EQ(prompts_.questions().size(), 2u) << "once per call";
  EXPECT_EQ(prompts_.questions()[1].text, "problem");
  EXPECT_EQ(prompts_.questions()[1].buttons, support::MessageButtons::kOk);
  EXPECT_FALSE(InitDbfLibrary());
  EXPECT_EQ(DbfContext, 0u);

  for (ContextHandle context : taken) code4initUndo(context);
  EXPECT_EQ(CountDbfRecords(path), 3);
  EXPECT_EQ(LiveContextCount(), contexts_before_);
}

TEST_F(CbSupportTest, DbfLibraryFailedReportsAFailureOnceAndTheContextGoesOn) {
  ASSERT_TRUE(InitDbfLibrary());
  EXPECT_FALSE(DbfLibraryFailed());
  DbfFile = d4open(DbfContext, scratch_.File("MISSING.DBF"));
  EXPECT_TRUE(DbfLibraryFailed());
  EXPECT_FALSE(DbfLibraryFailed()) << "asking reset the error";

  // As an import run does: a table, closed, then the next in the context.
  for (const char* name : {"LOG.DBF", "ARCHIVE.DBF"}) {
    DbfFile = d4open(DbfContext, Table(name, 2, 1));
    ASSERT_FALSE(DbfLibraryFailed());
    ASSERT_EQ(d4top(DbfFile), 0);
    EXPECT_EQ(d4recNoLow(DbfFile), 2);
    DbfResult = code4close(DbfContext);
    EXPECT_EQ(DbfResult, 0);
  }
  ReleaseDbfLibrary();
  EXPECT_EQ(DbfResult, 0);
  EXPECT_EQ(LiveContextCount(), contexts_before_);
  EXPECT_TRUE(DbfLibraryFailed()) << "an ended context cannot report success";
}

}  // namespace
}  // namespace vdimpexp::legacy

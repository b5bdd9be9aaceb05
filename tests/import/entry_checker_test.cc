#include "import/entry_checker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "scratch_database.h"

namespace vdimpexp::importing {
namespace {

TEST(EntryCheckerTest, ZipCodeSourceNeedsAnExistingFileToFinish) {
  testing::ScratchDirectory scratch;
  std::string source = scratch.File("zips.mdb");
  std::ofstream(source) << "x";
  auto check = [](std::string_view file) {
    return CheckEntries(
        {.source = kZipCodeSource, .page_tag = "importfrom", .source_file = file});
  };
  EXPECT_EQ(check(source).finish, true);
  EXPECT_EQ(check(source).next, false) << "Next is never allowed on this page";
  EXPECT_EQ(check("").finish, false);
  EXPECT_EQ(check(scratch.File("missing.mdb")).finish, false);
  EXPECT_EQ(check(scratch.File("")).finish, false) << "a directory is not a file";

  EntryVerdict text_page =
      CheckEntries({.source = kZipCodeSource, .page_tag = "TextImport"});
  EXPECT_EQ(text_page.next, true);
  EXPECT_FALSE(text_page.finish.has_value());
}

TEST(EntryCheckerTest, LegacyFolderPageNeedsTheLogTableInTheMainDirectory) {
  testing::ScratchDirectory scratch;
  std::filesystem::create_directories(scratch.File("xav"));
  std::string main_directory = scratch.File("xav");
  auto check = [&](std::string_view directory) {
    return CheckEntries({.source = kLegacySource,
                         .page_tag = "BrowseForXAVFolders",
                         .main_directory = directory});
  };
  EntryVerdict empty_folder = check(main_directory);
  EXPECT_EQ(empty_folder.next, false);
  EXPECT_EQ(empty_folder.database_dir, main_directory + "/");

  std::ofstream(main_directory + "/LOG.DBF") << "x";
  EXPECT_EQ(check(main_directory).next, true);
  EXPECT_EQ(check(main_directory + "/").database_dir, main_directory + "/");
  EXPECT_FALSE(check(main_directory).finish.has_value());
}

TEST(EntryCheckerTest, CheckListAndCategoryPages) {
  EXPECT_EQ(CheckEntries({.source = kLegacySource, .page_tag = "GeneralCheckList"}).next,
            false);
  EXPECT_EQ(CheckEntries({.source = kLegacySource,
                          .page_tag = "GeneralCheckList",
                          .any_table_ticked = true})
                .next,
            true);
  for (int source : {kZipCodeSource, kLegacySource}) {
    EXPECT_EQ(CheckEntries({.source = source, .page_tag = "SelectDB"}).next, true);
    EntryVerdict elsewhere = CheckEntries({.source = source, .page_tag = "Finished"});
    EXPECT_FALSE(elsewhere.next || elsewhere.finish || elsewhere.database_dir)
        << "the last page's buttons are the step engine's";
  }
  // A page of the other source is not this source's business.
  EXPECT_FALSE(
      CheckEntries({.source = kZipCodeSource, .page_tag = "GeneralCheckList"}).next);
}

TEST(EntryCheckerTest, DirectoryTextEndsInOneSeparator) {
  EXPECT_EQ(DirectoryText("/data/xav"), "/data/xav/");
  EXPECT_EQ(DirectoryText("/data/xav/"), "/data/xav/");
  EXPECT_EQ(DirectoryText("/"), "/");
  EXPECT_EQ(DirectoryText("/data//xav"), "/data/xav/");
}

}  // namespace
}  // namespace vdimpexp::importing

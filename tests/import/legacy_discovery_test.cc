// Finding the legacy application's tables in the chosen folders, on the
// demo tables (made with GDAL, not by us) copied into folders of the test.
#include "import/legacy_discovery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "scratch_database.h"
#include "scripted_prompts.h"

namespace vdimpexp::importing {
namespace {

namespace fs = std::filesystem;

const fs::path kDemo = VDIMPEXP_LEGACY_DEMO_DIR;

class LegacyDiscoveryTest : public ::testing::Test {
 protected:
  LegacyDiscoveryTest() {
    fs::create_directories(main_);
    fs::create_directories(history_);
  }

  void Copy(const fs::path& from, const fs::path& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  }
  std::vector<CheckListEntry> Discover() {
    return DiscoverLegacyTables(main_.string() + "/", history_.string() + "/");
  }

  testing::ScratchDirectory scratch_;
  fs::path main_ = scratch_.File("xav");
  fs::path history_ = scratch_.File("xav-history");
  testing::ScriptedPrompts prompts_;
};

TEST_F(LegacyDiscoveryTest, ListsTheTablesWithRecordsInCodeOrder) {
  for (const auto& table : fs::directory_iterator(kDemo / "main")) {
    Copy(table.path(), main_ / table.path().filename());
  }
  Copy(kDemo / "history" / "ARCHIVE.DBF", history_ / "ARCHIVE.DBF");
  EXPECT_EQ(Discover(), (std::vector<CheckListEntry>{
                            {"Customers (40 records)", 1},
                            {"Inventory (30 records)", 2},
                            {"Service Codes (15 records)", 3},
                            {"Labor Codes (10 records)", 4},
                            {"Manufacturers (12 records)", 5},
                            {"Dealers (8 records)", 6},
                            {"Vendor (10 records)", 7},
                            {"History W/O (25 records)", 9},
                        }))
      << "XSERV_LIT.DBF has no records and is left out";

  // The history table is looked for in the history folder only.
  fs::remove(history_ / "ARCHIVE.DBF");
  Copy(kDemo / "history" / "ARCHIVE.DBF", main_ / "ARCHIVE.DBF");
  EXPECT_EQ(Discover().back().code, 7);
  EXPECT_TRUE(prompts_.questions().empty());
}

TEST_F(LegacyDiscoveryTest, NamesAreExactAndUnreadableTablesAreLeftOut) {
  Copy(kDemo / "main" / "LOG.DBF", main_ / "log.dbf");
  Copy(kDemo / "main" / "STOCK.DBF", main_ / "Stock.DBF");
  std::ofstream(main_ / "MFG.DBF") << "not a table";
  fs::create_directory(main_ / "VENDOR.DBF");
  EXPECT_TRUE(Discover().empty());

  // A folder that is not there holds nothing either.
  EXPECT_TRUE(DiscoverLegacyTables(scratch_.File("nowhere/"), scratch_.File("nowhere/")).empty());
  EXPECT_TRUE(prompts_.questions().empty());
}

}  // namespace
}  // namespace vdimpexp::importing

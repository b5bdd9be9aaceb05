#include "formats/common/target_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "data/db_error.h"
#include "scratch_database.h"

namespace vdimpexp::formats {
namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

TEST(TargetFileTest, WritesPatchesAndKeepsWhatWasWritten) {
  testing::ScratchDirectory dir;
  TargetFile file(dir.File("out.bin"));
  file.Write("header....");
  file.Write("body");
  file.WriteAt(6, "DONE");
  file.Write("!");
  file.Close();
  EXPECT_EQ(Contents(dir.File("out.bin")), "headerDONEbody!");
}

TEST(TargetFileTest, RefusesAnExistingFileAndLeavesItAlone) {
  testing::ScratchDirectory dir;
  std::ofstream(dir.File("keep.txt")) << "precious";
  try {
    TargetFile file(dir.File("keep.txt"));
    FAIL() << "an existing file was opened for writing";
  } catch (const data::DbError& error) {
    EXPECT_NE(std::string(error.what()).find("already exists"), std::string::npos)
        << error.what();
  }
  EXPECT_EQ(Contents(dir.File("keep.txt")), "precious");
}

TEST(TargetFileTest, RemoveDeletesAndAMissingFolderIsAClearError) {
  testing::ScratchDirectory dir;
  {
    TargetFile file(dir.File("gone.txt"));
    file.Write("partial");
    file.Remove();
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("gone.txt")));
  try {
    TargetFile file(dir.File("no-such-folder/x.txt"));
    FAIL() << "a file in a missing folder was created";
  } catch (const data::DbError& error) {
    EXPECT_NE(std::string(error.what()).find("no-such-folder/x.txt"), std::string::npos)
        << error.what();
  }
}

TEST(TargetFileTest, TargetPathJoinsFolderAndTable) {
  data::ExternalTarget target{
      .connect_type = "TEXT", .database = "/tmp/exports", .table = "cust.csv"};
  EXPECT_EQ(TargetPath(target), std::filesystem::path("/tmp/exports/cust.csv"));
}

}  // namespace
}  // namespace vdimpexp::formats

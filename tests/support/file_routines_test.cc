#include "support/file_routines.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "process_runner.h"
#include "scratch_database.h"

namespace vdimpexp::support {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Listing(const std::string& dir) {  // links not followed
  std::set<std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    entries.insert(entry.path());
  return entries;
}

TEST(FileRoutinesTest, OnlyVisibleRegularFilesExistAndOnlyFilesAndLinksAreDeleted) {
  testing::ScratchDirectory scratch;
  const auto at = [&](const std::string& name) { return scratch.File(name); };
  ASSERT_EQ(testing::RunProcess(
                "cd " + testing::ShellQuoted(scratch.Path()) +
                " && mkdir sub .folder empty && mkfifo pipe && touch LOG.DBF .hidden.dbf "
                ".folder/in.dbf sub/a.dbf target.dbf .profile abc && ln -s target.dbf "
                "link.dbf && ln -s .profile visible && ln -s target.dbf .hiddenlink && "
                "ln -s gone.dbf dangling.dbf && ln -s sub dirlink")
                .exit_code,
            0);
  std::string very_long = scratch.Path();
  while (very_long.size() < 5000) very_long += "/abcdefgh";

  const struct {
    std::string path;
    bool exists, deleted;
  } cases[] = {
      {at("LOG.DBF"), true, true},
      // Only the name asked about decides whether a file is hidden.
      {at(".hidden.dbf"), false, true},
      {at(".folder/in.dbf"), true, true},
      {at("visible"), true, true},
      {at(".hiddenlink"), false, true},
      // Links are followed to see what they name, and deleted themselves.
      {at("link.dbf"), true, true},
      {at("dangling.dbf"), false, true},
      {at("dirlink"), false, true},
      {at("empty"), false, false},
      {at("sub"), false, false},
      {at("pipe"), false, false},
      // The C library would stop at the NUL and find "abc".
      {at("abc") + std::string("\0xyz", 4), false, false},
      {at("abc") + "/", false, false},
      {very_long, false, false},
      // A backslash is an ordinary character here, not a separator.
      {scratch.Path() + "\\sub\\a.dbf", false, false},
      {at("missing.dbf"), false, false},
      {"", false, false},
      {at("abc"), true, true},
  };
  for (const auto& c : cases) EXPECT_EQ(FileExists(c.path), c.exists) << c.path;
  EXPECT_FALSE(FileExists("/dev/null"));

  // What may not be deleted stays, and so does everything a link names.
  std::set<std::string> remaining = Listing(scratch.Path());
  for (const auto& c : cases) {
    if (!c.deleted) DeleteFileQuietly(c.path);
  }
  EXPECT_EQ(Listing(scratch.Path()), remaining);
  for (const auto& c : cases) {
    if (!c.deleted) continue;
    DeleteFileQuietly(c.path);
    remaining.erase(c.path);
  }
  EXPECT_EQ(Listing(scratch.Path()), remaining);
}

TEST(FileRoutinesTest, FileExistsIsFalseBehindAFolderWithoutPermission) {
  if (::geteuid() == 0) GTEST_SKIP() << "root bypasses directory permissions";
  testing::ScratchDirectory scratch;
  fs::create_directory(scratch.File("locked"));
  std::ofstream(scratch.File("locked/file.dbf")) << "x";
  ASSERT_TRUE(FileExists(scratch.File("locked/file.dbf")));
  fs::permissions(scratch.File("locked"), fs::perms::none);
  EXPECT_FALSE(FileExists(scratch.File("locked/file.dbf")));
  fs::permissions(scratch.File("locked"), fs::perms::owner_all);
}

TEST(FileNameOnlyTest, SplitsAtTheLastSeparatorOfEitherKindAndTrimsSpaces) {
  EXPECT_EQ(FileNameOnly("/home/shop\\data/ LOG.DBF  "), "LOG.DBF");
  EXPECT_EQ(FileNameOnly("C:\\DATA/sub\\STOCK.DBF"), "STOCK.DBF");
  EXPECT_EQ(FileNameOnly("  my file.dbf  "), "my file.dbf");
  EXPECT_EQ(FileNameOnly("C:\\DATA\\"), "");
  EXPECT_EQ(FileNameOnly("/home/shop/   "), "");
  EXPECT_EQ(FileNameOnly("dir/\tname\t"), "\tname\t") << "only spaces are trimmed";
}

}  // namespace
}  // namespace vdimpexp::support

#include "support/file_routines.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace vdimpexp::support {
namespace {

namespace fs = std::filesystem;

// Each test gets its own scratch directory, removed afterwards.
class FileRoutinesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vd_support_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
    dir_ = pattern;
  }

  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(dir_, ignored);
  }

  std::string MakeFile(const std::string& name, const std::string& content = "x") {
    const fs::path path = dir_ / name;
    std::ofstream(path) << content;
    return path.string();
  }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

TEST_F(FileRoutinesTest, FileExistsAcceptsOnlyVisibleRegularFiles) {
  const std::string file = MakeFile("LOG.DBF");
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(MakeFile("empty.txt", "")));

  fs::create_directory(dir_ / "sub");
  EXPECT_FALSE(FileExists(PathOf("sub")));
  EXPECT_FALSE(FileExists(PathOf("sub") + "/"));
  EXPECT_FALSE(FileExists(dir_.string()));

  EXPECT_FALSE(FileExists(MakeFile(".x")));
  EXPECT_FALSE(FileExists(MakeFile(".hidden.dbf")));
  // Only the file's own name decides: a visible file inside a hidden folder is
  // a normal file.
  fs::create_directory(dir_ / ".folder");
  EXPECT_TRUE(FileExists(MakeFile(".folder/inside.dbf")));

  EXPECT_FALSE(FileExists(PathOf("missing.dbf")));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(FileExists("/dev/null"));

  ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
  EXPECT_FALSE(FileExists(PathOf("pipe")));

  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = PathOf("sock");
  ASSERT_LT(socket_path.size(), sizeof(address.sun_path));
  std::strcpy(address.sun_path, socket_path.c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  EXPECT_FALSE(FileExists(socket_path));
  ::close(sock);
}

TEST_F(FileRoutinesTest, FileExistsFollowsLinksButJudgesTheLinkName) {
  const std::string target = MakeFile("target.dbf");
  fs::create_symlink(target, dir_ / "link.dbf");
  EXPECT_TRUE(FileExists(PathOf("link.dbf")));

  fs::create_symlink(dir_ / "gone.dbf", dir_ / "dangling.dbf");
  EXPECT_FALSE(FileExists(PathOf("dangling.dbf")));

  fs::create_directory(dir_ / "sub");
  fs::create_symlink(dir_ / "sub", dir_ / "dirlink");
  EXPECT_FALSE(FileExists(PathOf("dirlink")));

  fs::create_symlink(target, dir_ / ".hiddenlink");
  EXPECT_FALSE(FileExists(PathOf(".hiddenlink")));

  const std::string hidden_target = MakeFile(".profile");
  fs::create_symlink(hidden_target, dir_ / "visible");
  EXPECT_TRUE(FileExists(PathOf("visible")));

  fs::create_symlink(dir_ / "loop_a", dir_ / "loop_b");
  fs::create_symlink(dir_ / "loop_b", dir_ / "loop_a");
  EXPECT_FALSE(FileExists(PathOf("loop_a")));
}

TEST_F(FileRoutinesTest, FileExistsAnswersFalseOnMalformedPaths) {
  const std::string file = MakeFile("abc");
  // The C library would stop at the NUL and find "abc".
  EXPECT_FALSE(FileExists(file + std::string("\0xyz", 4)));
  EXPECT_FALSE(FileExists(std::string("\0", 1) + file));

  // A regular file used as a folder.
  EXPECT_FALSE(FileExists(file + "/inner"));
  EXPECT_FALSE(FileExists(file + "/"));

  // A name longer than any file system allows, and a path longer than PATH_MAX.
  EXPECT_FALSE(FileExists(PathOf(std::string(300, 'a'))));
  std::string very_long = dir_.string();
  while (very_long.size() < 5000) very_long += "/abcdefgh";
  EXPECT_FALSE(FileExists(very_long));

  // Backslashes are ordinary characters on this file system, so a DOS-style
  // path does not find the file it would name on Windows.
  fs::create_directory(dir_ / "DATA");
  MakeFile("DATA/LOG.DBF");
  EXPECT_FALSE(FileExists(dir_.string() + "\\DATA\\LOG.DBF"));
}

TEST_F(FileRoutinesTest, FileExistsIsFalseBehindAFolderWithoutPermission) {
  if (::geteuid() == 0) {
    GTEST_SKIP() << "root bypasses directory permissions";
  }
  fs::create_directory(dir_ / "locked");
  const std::string inside = MakeFile("locked/file.dbf");
  ASSERT_TRUE(FileExists(inside));
  fs::permissions(dir_ / "locked", fs::perms::none);
  EXPECT_FALSE(FileExists(inside));
  fs::permissions(dir_ / "locked", fs::perms::owner_all);
}

TEST_F(FileRoutinesTest, DeleteFileQuietlyRemovesFilesAndLinksOnly) {
  const std::string file = MakeFile("export.xls");
  DeleteFileQuietly(file);
  EXPECT_FALSE(fs::exists(file));

  const std::string hidden = MakeFile(".hidden");
  DeleteFileQuietly(hidden);
  EXPECT_FALSE(fs::exists(hidden));

  const std::string read_only = MakeFile("readonly.dbf");
  fs::permissions(read_only, fs::perms::owner_read);
  DeleteFileQuietly(read_only);
  EXPECT_FALSE(fs::exists(read_only));

  // A link goes, its target stays.
  const std::string target = MakeFile("target.dbf");
  fs::create_symlink(target, dir_ / "link.dbf");
  DeleteFileQuietly(PathOf("link.dbf"));
  EXPECT_FALSE(fs::is_symlink(dir_ / "link.dbf"));
  EXPECT_TRUE(fs::is_regular_file(target));

  fs::create_symlink(dir_ / "gone", dir_ / "dangling");
  DeleteFileQuietly(PathOf("dangling"));
  EXPECT_FALSE(fs::is_symlink(dir_ / "dangling"));

  fs::create_directory(dir_ / "sub");
  fs::create_symlink(dir_ / "sub", dir_ / "dirlink");
  DeleteFileQuietly(PathOf("dirlink"));
  EXPECT_FALSE(fs::is_symlink(dir_ / "dirlink"));
  EXPECT_TRUE(fs::is_directory(dir_ / "sub"));
}

TEST_F(FileRoutinesTest, DeleteFileQuietlyLeavesEverythingElseAndNeverThrows) {
  fs::create_directory(dir_ / "empty");
  DeleteFileQuietly(PathOf("empty"));
  DeleteFileQuietly(PathOf("empty") + "/");
  EXPECT_TRUE(fs::is_directory(dir_ / "empty"));

  fs::create_directory(dir_ / "full");
  MakeFile("full/a.dbf");
  DeleteFileQuietly(PathOf("full"));
  EXPECT_TRUE(fs::is_regular_file(dir_ / "full" / "a.dbf"));

  ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
  DeleteFileQuietly(PathOf("pipe"));
  EXPECT_TRUE(fs::exists(dir_ / "pipe"));

  // The part before the NUL names a real file; it must survive.
  const std::string file = MakeFile("abc");
  DeleteFileQuietly(file + std::string("\0xyz", 4));
  EXPECT_TRUE(fs::exists(file));

  EXPECT_NO_THROW(DeleteFileQuietly(PathOf("missing.dbf")));
  EXPECT_NO_THROW(DeleteFileQuietly(""));
  EXPECT_NO_THROW(DeleteFileQuietly(file + "/inner"));
  EXPECT_NO_THROW(DeleteFileQuietly(PathOf(std::string(300, 'a'))));
  EXPECT_TRUE(fs::exists(file));
}

TEST(FileNameOnlyTest, SplitsAtTheLastSeparatorOfEitherKindAndTrims) {
  EXPECT_EQ(FileNameOnly("C:\\DATA\\LOG.DBF "), "LOG.DBF");
  EXPECT_EQ(FileNameOnly("/home/shop/data/LOG.DBF"), "LOG.DBF");
  EXPECT_EQ(FileNameOnly("/home/shop\\data/ LOG.DBF  "), "LOG.DBF");
  EXPECT_EQ(FileNameOnly("C:\\DATA/sub\\STOCK.DBF"), "STOCK.DBF");
  EXPECT_EQ(FileNameOnly("LOG.DBF"), "LOG.DBF");
  EXPECT_EQ(FileNameOnly("  my file.dbf  "), "my file.dbf");
  EXPECT_EQ(FileNameOnly("C:\\DATA\\"), "");
  EXPECT_EQ(FileNameOnly("/home/shop/"), "");
  EXPECT_EQ(FileNameOnly("/home/shop/   "), "");
  EXPECT_EQ(FileNameOnly(""), "");
  EXPECT_EQ(FileNameOnly("\\"), "");
  // Only spaces are trimmed; other white space belongs to the name.
  EXPECT_EQ(FileNameOnly("dir/\tname\t"), "\tname\t");
  EXPECT_EQ(FileNameOnly("dir/.hidden"), ".hidden");
}

}  // namespace
}  // namespace vdimpexp::support

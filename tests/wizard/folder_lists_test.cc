#include "wizard/folder_lists.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <ostream>

static void PrintTo(const QString& text, std::ostream* out) {
  *out << text.toStdString();
}

namespace vdimpexp::wizard {
namespace {

// tmp/alpha/inner, tmp/beta, tmp/locked (no permissions) and the file
// tmp/note.txt.
class DirectoryListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    root_ = QDir::cleanPath(tmp_.path());
    QDir dir(root_);
    for (const char* path : {"alpha/inner", "beta", "locked"})
      ASSERT_TRUE(dir.mkpath(path));
    ASSERT_TRUE(
        QFile(dir.filePath(QStringLiteral("note.txt"))).open(QIODevice::WriteOnly));
    ASSERT_TRUE(QFile::setPermissions(Child("locked"), {}));
    // The list comes after the tree: a file-system model watching folders
    // while they are being made may miss the deeper ones for a while.
    list_ = std::make_unique<DirectoryList>();
    model_ = dynamic_cast<QFileSystemModel*>(list_->model());
    ASSERT_NE(model_, nullptr);
    list_->resize(400, 600);
    list_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list_.get()));
  }
  void TearDown() override {
    QFile::setPermissions(Child("locked"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  QString Child(const char* relative) const {
    return root_ + QLatin1Char('/') + QLatin1String(relative);
  }
  QString CurrentItemPath() const { return model_->filePath(list_->currentIndex()); }

  // Waits until the directory's row is loaded, scrolls it into sight as a
  // user would, then clicks it. The row is looked up among its parent's loaded
  // rows: asking the model for the path itself would make the row out of turn.
  void Click(const char* relative, bool twice) {
    const QFileInfo target(Child(relative));
    const QModelIndex parent = model_->index(target.path());
    ASSERT_TRUE(parent.isValid());
    QModelIndex index;
    ASSERT_TRUE(QTest::qWaitFor([&] {
      index = QModelIndex();
      for (int row = 0; row < model_->rowCount(parent); ++row) {
        QModelIndex candidate = model_->index(row, 0, parent);
        if (model_->fileName(candidate) == target.fileName()) index = candidate;
      }
      if (!index.isValid()) return false;
      // The tree shows the whole file system from the root, so the row may
      // lie below the bottom edge, where the view ignores presses even though
      // indexAt() still finds the row there. The model also sorts its rows
      // late, moving them after any scrolling, hence the scrolling on every
      // try.
      list_->scrollTo(index);
      const QRect rect = list_->visualRect(index);
      return !rect.isEmpty() && list_->viewport()->rect().contains(rect) &&
             list_->indexAt(rect.center()) == index;
    }));
    const QPoint at = list_->visualRect(index).center();
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, at);
    if (twice) {
      // A window system turns the second press of a double-click into the
      // double-click event itself.
      QTest::mouseDClick(list_->viewport(), Qt::LeftButton, {}, at);
      QTest::mouseRelease(list_->viewport(), Qt::LeftButton, {}, at);
    }
  }

  QTemporaryDir tmp_;
  QString root_;
  std::unique_ptr<DirectoryList> list_;
  QFileSystemModel* model_ = nullptr;
};

TEST_F(DirectoryListTest, SetPathTakesOnlyReadableDirectories) {
  ASSERT_TRUE(list_->SetPath(Child("alpha/inner/..")));
  EXPECT_EQ(list_->Path(), Child("alpha"));
  EXPECT_EQ(CurrentItemPath(), Child("alpha"));
  EXPECT_TRUE(list_->isExpanded(model_->index(root_)));
  ASSERT_TRUE(list_->SetPath(Child("beta/")));
  for (const QString& refused :
       {Child("note.txt"), Child("missing"), Child("note.txt/"), QString()}) {
    EXPECT_FALSE(list_->SetPath(refused)) << refused.toStdString();
    EXPECT_EQ(list_->Path(), Child("beta"));
    EXPECT_EQ(CurrentItemPath(), Child("beta"));
  }
  ASSERT_TRUE(list_->SetPath(QStringLiteral("/")));
  EXPECT_EQ(list_->Path(), QStringLiteral("/"));
}

TEST_F(DirectoryListTest, UnreadableDirectoryIsRefusedByPathAndByClick) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not deny root";
  ASSERT_TRUE(list_->SetPath(Child("beta")));
  EXPECT_FALSE(list_->SetPath(Child("locked")));
  ASSERT_NO_FATAL_FAILURE(Click("locked", /*twice=*/false));
  EXPECT_EQ(list_->Path(), Child("beta"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return CurrentItemPath() == Child("beta"); }));
}

TEST_F(DirectoryListTest, TheChosenFolderStaysInViewWhileTheTreeSettles) {
  // A deep folder among many siblings: the tree lists them and sorts them a
  // moment later, which moves rows about.
  QDir dir(root_);
  for (int i = 0; i < 80; ++i) ASSERT_TRUE(dir.mkpath(QString("many/m%1").arg(i)));
  ASSERT_TRUE(dir.mkpath(QStringLiteral("many/m7/deep")));
  ASSERT_TRUE(list_->SetPath(Child("many/m7/deep")));
  // Long enough for listing and sorting to finish on a busy machine.
  QTest::qWait(1500);
  EXPECT_EQ(model_->filePath(list_->currentIndex()), Child("many/m7/deep"));
  EXPECT_TRUE(
      list_->viewport()->rect().contains(list_->visualRect(list_->currentIndex())));
}

TEST_F(DirectoryListTest, ClickFollowsAndDoubleClickOpens) {
  ASSERT_TRUE(list_->SetPath(root_));
  ASSERT_NO_FATAL_FAILURE(Click("beta", /*twice=*/false));
  EXPECT_EQ(list_->Path(), Child("beta"));
  EXPECT_FALSE(list_->isExpanded(model_->index(Child("alpha"))));
  ASSERT_NO_FATAL_FAILURE(Click("alpha", /*twice=*/true));
  EXPECT_EQ(list_->Path(), Child("alpha"));
  EXPECT_TRUE(list_->isExpanded(model_->index(Child("alpha"))));
  // The opened directory's children show up once loaded and can be chosen.
  ASSERT_NO_FATAL_FAILURE(Click("alpha/inner", /*twice=*/false));
  EXPECT_EQ(list_->Path(), Child("alpha/inner"));
}

TEST(DriveListTest, ListsRootAndPicksTheLongestMountPointHoldingAPath) {
  DriveList drives;
  ASSERT_GE(drives.findData(QStringLiteral("/")), 0);
  // Volumes nested in each other; none of these paths exists, so the choice
  // rests on the names alone: a mount point holds what lies below it.
  const QString outer = QStringLiteral("/vdimpexp-test-volume");
  const QString inner = outer + QStringLiteral("/archive");
  drives.addItem(QStringLiteral("inner"), inner);
  drives.addItem(QStringLiteral("outer"), outer);
  // clang-format off
  const std::pair<QString, QString> cases[] = {
      {inner + "/2001/march", inner}, {inner + "/", inner}, {inner, inner},
      {outer + "/arch", outer}, {inner + "-old", outer}, {inner + "/../x", outer},
      {outer + "2/x", "/"}};
  // clang-format on
  for (const auto& [path, drive] : cases) {
    drives.setCurrentIndex(-1);
    drives.SetDriveOf(path);
    EXPECT_EQ(drives.Drive(), drive) << path.toStdString();
  }
}

}  // namespace
}  // namespace vdimpexp::wizard

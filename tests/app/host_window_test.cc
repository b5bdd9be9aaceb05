#include "app/host_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QTableWidget>

#include "schema/reference_database.h"
#include "scratch_database.h"

namespace vdimpexp::host {
namespace {

class HostWindowTest : public ::testing::Test {
 protected:
  void Open(int contacts) {
    std::string path = scratch_.File("shop.db");
    schema::CreateReferenceDatabase(path, {.contacts = contacts});
    connection_.Open(path);
    window_ = std::make_unique<HostWindow>(connection_);
  }
  QString Text(const char* label) { return window_->findChild<QLabel*>(label)->text(); }
  QTableWidget& Table() { return *window_->findChild<QTableWidget*>("rowsTable"); }

  testing::ScratchDirectory scratch_;
  data::Connection connection_;
  std::unique_ptr<HostWindow> window_;
};

TEST_F(HostWindowTest, ShowsTheSelectionItsCategoryAndItsRows) {
  Open(12);
  window_->ShowSelection(
      "SELECT CKey, FileAs FROM Contacts WHERE CKey <= 3 ORDER BY CKey", 2);
  EXPECT_EQ(window_->findChild<QPlainTextEdit*>("selectionText")->toPlainText(),
            "SELECT CKey, FileAs FROM Contacts WHERE CKey <= 3 ORDER BY CKey");
  EXPECT_EQ(Text("categoryLabel"), "Category: 2");
  EXPECT_EQ(Text("rowsLabel"), "3 row(s) selected.");
  ASSERT_EQ(Table().columnCount(), 2);
  EXPECT_EQ(Table().horizontalHeaderItem(1)->text(), "FileAs");
  ASSERT_EQ(Table().rowCount(), 3);
  EXPECT_EQ(Table().item(2, 0)->text(), "3");

  window_->ShowSelection("", 0);
  EXPECT_EQ(Text("rowsLabel"), "No selection was made.");
  EXPECT_EQ(Table().rowCount(), 0);
  EXPECT_EQ(Table().columnCount(), 0);

  window_->ShowSelection("SELECT Nope FROM Contacts", 0);
  EXPECT_TRUE(Text("rowsLabel").startsWith("Error -2147467259: no such column: Nope"))
      << Text("rowsLabel").toStdString();
}

TEST_F(HostWindowTest, ShowsOnlyTheFirstThousandRows) {
  Open(1005);
  window_->ShowSelection("SELECT CKey FROM Contacts", 0);
  EXPECT_EQ(Table().rowCount(), 1000);
  EXPECT_EQ(Text("rowsLabel"), "The first 1000 rows selected are shown.");
}

}  // namespace
}  // namespace vdimpexp::host

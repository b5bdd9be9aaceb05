#include "app/host_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QTableWidget>

#include "schema/reference_database.h"
#include "scratch_database.h"

namespace vdimpexp::host {
namespace {

TEST(HostWindowTest, ShowsTheSelectionItsCategoryAndAtMostAThousandOfItsRows) {
  testing::ScratchDirectory scratch;
  schema::CreateReferenceDatabase(scratch.File("shop.db"), {.contacts = 1005});
  data::Connection connection(scratch.File("shop.db"));
  HostWindow window(connection);
  auto text = [&](const char* label) { return window.findChild<QLabel*>(label)->text(); };
  QTableWidget& table = *window.findChild<QTableWidget*>("rowsTable");

  const QString selection =
      "SELECT CKey, FileAs FROM Contacts WHERE CKey <= 3 ORDER BY CKey";
  window.ShowSelection(selection.toStdString(), 2);
  EXPECT_EQ(window.findChild<QPlainTextEdit*>("selectionText")->toPlainText(), selection);
  EXPECT_EQ(text("categoryLabel"), "Category: 2");
  EXPECT_EQ(text("rowsLabel"), "3 row(s) selected.");
  ASSERT_EQ(table.columnCount(), 2);
  EXPECT_EQ(table.horizontalHeaderItem(1)->text(), "FileAs");
  ASSERT_EQ(table.rowCount(), 3);
  EXPECT_EQ(table.item(2, 0)->text(), "3");

  window.ShowSelection("SELECT CKey FROM Contacts", 0);
  EXPECT_EQ(table.rowCount(), 1000);
  EXPECT_EQ(text("rowsLabel"), "The first 1000 rows selected are shown.");

  window.ShowSelection("", 0);
  EXPECT_EQ(text("rowsLabel"), "No selection was made.");
  EXPECT_EQ(table.rowCount() + table.columnCount(), 0);

  window.ShowSelection("SELECT Nope FROM Contacts", 0);
  EXPECT_TRUE(text("rowsLabel").startsWith("Error -2147467259: no such column: Nope"))
      << text("rowsLabel").toStdString();
}

}  // namespace
}  // namespace vdimpexp::host

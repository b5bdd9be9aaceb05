// The C interface as a C host uses it. This binary creates no application
// object of its own: the first wizard call must create one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "data/db_error.h"
#include "entry/vdimpexp.h"
#include "schema/reference_database.h"
#include "scratch_database.h"

extern "C" int c_host_select(const char* database, char** selection_sql,
                             int16_t* sql_cat);

namespace vdimpexp {
namespace {

// Once the wizard is shown: chooses the inventory, presses Next to the last
// page and Finish.
void FinishWhenShown() {
  QWidget* window = QApplication::activeModalWidget();
  if (!window) return QTimer::singleShot(10, FinishWhenShown);
  for (const char* name :
       {"cmdNext", "optImportCategory(2)", "cmdNext", "cmdNext", "cmdNext", "cmdFinish"})
    window->findChild<QAbstractButton*>(name)->click();
}
// Runs as the application object is created, which only the wizard call does.
Q_COREAPP_STARTUP_FUNCTION(FinishWhenShown)

TEST(CInterfaceTest, ReportsFailuresAndSelectsForACHostWithoutAnApplicationObject) {
  vdimpexp_connection* connection = nullptr;
  EXPECT_EQ(
      vdimpexp_open_connection("Data Source=/nonexistent/folder/shop.db;", &connection),
      VDIMPEXP_FAILED);
  EXPECT_EQ(connection, nullptr);
  EXPECT_STRNE(vdimpexp_last_error_message(), "");
  char* sql = nullptr;
  int16_t category = 0;
  EXPECT_EQ(vdimpexp_sql_selected(nullptr, &sql, &category), VDIMPEXP_FAILED);
  EXPECT_EQ(vdimpexp_last_error_number(), data::error_number::kInvalidOperation);
  EXPECT_EQ(sql, nullptr);

  setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
  testing::ScratchDirectory scratch;
  std::string database = scratch.File("shop.db");
  schema::CreateReferenceDatabase(database, {.contacts = 5});
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  category = 9;
  EXPECT_EQ(c_host_select(database.c_str(), &sql, &category), VDIMPEXP_OK)
      << vdimpexp_last_error_message();
  EXPECT_EQ(vdimpexp_last_error_number(), 0);
  ASSERT_NE(sql, nullptr);
  EXPECT_STREQ(sql, "SELECT * FROM InventoryWithDefsAll WHERE 1=1 ");
  EXPECT_EQ(category, 2);
  vdimpexp_free_string(sql);
  EXPECT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
}

}  // namespace
}  // namespace vdimpexp

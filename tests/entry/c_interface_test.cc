// The C interface as a C host uses it. This binary creates no application
// object of its own: the first wizard call must create one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <atomic>
#include <thread>

#include "data/db_error.h"
#include "entry/vdimpexp.h"
#include "schema/reference_database.h"
#include "scratch_database.h"

extern "C" int c_host_select(const char* database, char** selection_sql,
                             int16_t* sql_cat);

namespace vdimpexp {
namespace {

// Chooses the inventory and presses Next to the last page and Finish, once
// the wizard is shown; runs on the main thread.
void FinishWhenShown() {
  QWidget* window = QApplication::activeModalWidget();
  if (!window) return QTimer::singleShot(10, FinishWhenShown);
  auto press = [&](const char* name) {
    window->findChild<QAbstractButton*>(name)->click();
  };
  press("cmdNext");
  press("optImportCategory(2)");
  for (int page = 0; page < 3; ++page) press("cmdNext");
  press("cmdFinish");
}

TEST(CInterfaceTest, ReportsFailuresAsStatusNumberAndMessage) {
  EXPECT_STREQ(vdimpexp_version(), "1.08");
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
}

TEST(CInterfaceTest, SelectionFromACHostWithoutAnApplicationObject) {
  setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
  testing::ScratchDirectory scratch;
  std::string database = scratch.File("shop.db");
  schema::CreateReferenceDatabase(database, {.contacts = 5});
  ASSERT_EQ(QCoreApplication::instance(), nullptr);

  // The wizard's own loop runs the presses once the call has created the
  // application object; until then there is no loop to post to.
  std::atomic<bool> done = false;
  std::thread presser([&] {
    while (!done && !QCoreApplication::instance())
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!done)
      QMetaObject::invokeMethod(QCoreApplication::instance(), FinishWhenShown,
                                Qt::QueuedConnection);
  });
  char* sql = nullptr;
  int16_t category = 9;
  int status = c_host_select(database.c_str(), &sql, &category);
  done = true;
  presser.join();

  EXPECT_EQ(status, VDIMPEXP_OK) << vdimpexp_last_error_message();
  EXPECT_EQ(vdimpexp_last_error_number(), 0);
  ASSERT_NE(sql, nullptr);
  EXPECT_STREQ(sql, "SELECT * FROM InventoryWithDefsAll WHERE 1=1 ");
  EXPECT_EQ(category, 2);
  vdimpexp_free_string(sql);
  EXPECT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
}

}  // namespace
}  // namespace vdimpexp

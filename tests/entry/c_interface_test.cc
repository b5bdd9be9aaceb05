// The C interface as a C host uses it. This binary creates no application
// object of its own: the first wizard call must create one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "c_host.h"
#include "data/db_error.h"
#include "entry/vdimpexp.h"
#include "schema/reference_database.h"
#include "scratch_database.h"

namespace vdimpexp {
namespace {

// Presses Cancel on the wizard once it is shown; runs on the main thread.
void CancelWhenShown() {
  auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
  if (!window) {
    QTimer::singleShot(10, CancelWhenShown);
    return;
  }
  window->findChild<QPushButton*>("cmdCancel")->click();
}

TEST(CInterfaceTest, ReportsFailuresAsStatusNumberAndMessage) {
  EXPECT_STREQ(vdimpexp_version(), "1.08");

  vdimpexp_connection* connection = nullptr;
  EXPECT_EQ(
      vdimpexp_open_connection("Data Source=/nonexistent/folder/shop.db;", &connection),
      VDIMPEXP_FAILED);
  EXPECT_EQ(connection, nullptr);
  EXPECT_NE(vdimpexp_last_error_number(), 0);
  EXPECT_NE(std::string(vdimpexp_last_error_message()), "");

  char* sql = nullptr;
  int16_t category = 0;
  EXPECT_EQ(vdimpexp_sql_selected(nullptr, &sql, &category), VDIMPEXP_FAILED);
  EXPECT_EQ(vdimpexp_last_error_number(), data::error_number::kInvalidOperation);
  EXPECT_EQ(sql, nullptr);
  EXPECT_EQ(vdimpexp_export_data(nullptr), VDIMPEXP_FAILED);
  EXPECT_EQ(vdimpexp_open_connection(nullptr, &connection), VDIMPEXP_FAILED);
}

TEST(CInterfaceTest, SelectionFromACHostWithoutAnApplicationObject) {
  setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
  testing::ScratchDirectory scratch;
  std::string database = scratch.File("shop.db");
  schema::DemoDataOptions demo;
  demo.contacts = 5;
  schema::CreateReferenceDatabase(database, demo);
  ASSERT_EQ(QCoreApplication::instance(), nullptr);

  // The wizard's own loop runs the cancel once the call has created the
  // application object; until then there is no loop to post to.
  std::atomic<bool> done = false;
  std::thread canceller([&] {
    while (!done && !QCoreApplication::instance()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!done) {
      QMetaObject::invokeMethod(QCoreApplication::instance(), CancelWhenShown,
                                Qt::QueuedConnection);
    }
  });
  char* sql = nullptr;
  int16_t category = 9;
  int status = c_host_select(database.c_str(), &sql, &category);
  done = true;
  canceller.join();

  EXPECT_EQ(status, VDIMPEXP_OK) << vdimpexp_last_error_message();
  EXPECT_EQ(vdimpexp_last_error_number(), 0);
  ASSERT_NE(sql, nullptr);
  EXPECT_STREQ(sql, "");
  EXPECT_EQ(category, 0);
  vdimpexp_free_string(sql);
  EXPECT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
}

}  // namespace
}  // namespace vdimpexp

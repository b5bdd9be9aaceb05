// Looks at a wizard window the way its user does: which page is shown,
// what the header says, which buttons can be pressed.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <stdexcept>
#include <string>

#include "data/connection.h"
#include "entry/import_export_wizard.h"
#include "modal_driver.h"
#include "schema/reference_database.h"
#include "scratch_database.h"
#include "scripted_prompts.h"
#include "wizard/folder_lists.h"

namespace vdimpexp::testing {

using support::MessageAnswer;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

template <typename Widget = QWidget>
Widget& Control(QWidget& window, const QString& name) {
  auto* widget = window.findChild<Widget*>(name);
  if (!widget) throw std::runtime_error("no control " + name.toStdString());
  return *widget;
}

inline QPushButton& Button(QWidget& window, const char* name) {
  return Control<QPushButton>(window, name);
}

inline std::string Text(QWidget& window, const char* label) {
  return Control<QLabel>(window, label).text().toStdString();
}

// The index of the one page shown; -1 when none or several are.
inline int ShownPage(QWidget& window) {
  std::vector<int> shown;
  for (int index = 0; index < 10; ++index) {
    auto* page = window.findChild<QWidget*>(QString("picWizard(%1)").arg(index));
    if (page && page->isVisible()) shown.push_back(index);
  }
  return shown.size() == 1 ? shown[0] : -1;
}

inline bool HeaderShown(QWidget& window) {
  return Control(window, "picHeader").isVisible();
}

// Previous, Next and Finish as "PNF", with "-" for a disabled one.
inline std::string ButtonStates(QWidget& window) {
  std::string states;
  for (const char* name : {"cmdPrevious", "cmdNext", "cmdFinish"})
    states += Button(window, name).isEnabled() ? name[3] : '-';
  return states;
}

// Waits for the import wizard's entry checker, which ticks twice a second.
inline bool BecomesEnabled(QWidget& window, const char* button, bool enabled = true,
                           int wait_ms = 3000) {
  return QTest::qWaitFor([&] { return Button(window, button).isEnabled() == enabled; },
                         wait_ms);
}

inline void ChooseCategory(QWidget& window, int index) {
  Control<QRadioButton>(window, QString("optImportCategory(%1)").arg(index)).click();
}

inline void SetFolder(QWidget& window, const char* list, const std::string& path) {
  EXPECT_TRUE(
      Control<wizard::DirectoryList>(window, list).SetPath(QString::fromStdString(path)));
}

inline std::vector<std::string> Entries(const QListWidget& list) {
  std::vector<std::string> entries;
  for (int row = 0; row < list.count(); ++row)
    entries.push_back(list.item(row)->text().toStdString());
  return entries;
}

// Double-clicks the entry with `entry` as its text.
inline void DoubleClick(QListWidget& list, const char* entry) {
  QList<QListWidgetItem*> found = list.findItems(entry, Qt::MatchExactly);
  ASSERT_FALSE(found.empty()) << entry;
  list.setCurrentItem(found.front());
  emit list.itemDoubleClicked(found.front());
}

// The reference shop database with a little demo data, open as the host's
// connection, and prompts that answer from the test's script.
class WizardTest : public ::testing::Test {
 protected:
  WizardTest() {
    schema::CreateReferenceDatabase(database_path_, {.contacts = 20});
    connection_.Open(database_path_);
  }

  // Through the host's connection: it sees what its open transaction holds.
  int64_t Count(const std::string& table) {
    return connection_.Execute("SELECT count(*) AS n FROM " + table)
        .Fields("n")
        .Value()
        .AsInteger();
  }

  ScratchDirectory scratch_;
  std::string database_path_ = scratch_.File("shop.db");
  data::Connection connection_;
  ScriptedPrompts prompts_;
  clsVDImportExportWz component_;
};

}  // namespace vdimpexp::testing

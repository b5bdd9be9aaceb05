// Looks at a wizard window the way its user does: which page is shown,
// what the header says, which buttons can be pressed.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/connection.h"
#include "entry/import_export_wizard.h"
#include "modal_driver.h"
#include "schema/reference_database.h"
#include "scratch_database.h"
#include "scripted_prompts.h"

namespace vdimpexp::testing {

inline QPushButton& Button(QDialog& window, const char* name) {
  auto* button = window.findChild<QPushButton*>(name);
  if (!button) throw std::runtime_error(std::string("no button ") + name);
  return *button;
}

template <typename Widget>
Widget& Control(QDialog& window, const char* name) {
  auto* widget = window.findChild<Widget*>(name);
  if (!widget) throw std::runtime_error(std::string("no control ") + name);
  return *widget;
}

// The index of the one page shown; -1 when none or several are.
inline int ShownPage(QDialog& window) {
  int shown = -1;
  for (int index = 0; index < 10; ++index) {
    auto* page = window.findChild<QWidget*>(QString("picWizard(%1)").arg(index));
    if (page && page->isVisible()) {
      if (shown != -1) return -1;
      shown = index;
    }
  }
  return shown;
}

inline std::string HeaderTitle(QDialog& window) {
  return Control<QLabel>(window, "lblHeader").text().toStdString();
}

inline bool HeaderShown(QDialog& window) {
  return Control<QWidget>(window, "picHeader").isVisible();
}

struct Buttons {
  bool previous, next, finish;
  bool operator==(const Buttons&) const = default;
};

inline Buttons ButtonStates(QDialog& window) {
  return {Button(window, "cmdPrevious").isEnabled(),
          Button(window, "cmdNext").isEnabled(), Button(window, "cmdFinish").isEnabled()};
}

inline void ChooseCategory(QDialog& window, int index) {
  Control<QRadioButton>(window, QString("optImportCategory(%1)").arg(index).toUtf8())
      .click();
}

// The texts of a list's entries, top to bottom.
inline std::vector<std::string> Entries(const QListWidget& list) {
  std::vector<std::string> entries;
  for (int row = 0; row < list.count(); ++row) {
    entries.push_back(list.item(row)->text().toStdString());
  }
  return entries;
}

// Double-clicks the entry with `entry` as its text, as the mouse does.
inline void DoubleClick(QListWidget& list, const char* entry) {
  QList<QListWidgetItem*> found = list.findItems(entry, Qt::MatchExactly);
  ASSERT_FALSE(found.empty()) << entry;
  list.scrollToItem(found.front());
  QRect where = list.visualItemRect(found.front());
  // A view acts on a double-click only over the entry the press went to.
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, where.center());
  QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, where.center());
}

// Presses Next until it is disabled; the pages shown after each press.
inline std::vector<int> PressNextToTheEnd(QDialog& window) {
  std::vector<int> pages;
  for (int guard = 0; guard < 12 && Button(window, "cmdNext").isEnabled(); ++guard) {
    Button(window, "cmdNext").click();
    pages.push_back(ShownPage(window));
  }
  return pages;
}

class WizardTest : public ::testing::Test {
 protected:
  WizardTest() {
    schema::DemoDataOptions demo;
    demo.contacts = 20;
    schema::CreateReferenceDatabase(database_path_, demo);
    connection_.Open(database_path_);
  }

  ScratchDirectory scratch_;
  std::string database_path_ = scratch_.File("shop.db");
  data::Connection connection_;
  ScriptedPrompts prompts_;
  clsVDImportExportWz component_;
};

}  // namespace vdimpexp::testing

// Looks at a wizard window the way its user does: the page shown, its header and
// controls against a catalogue of what each page shows, the buttons that can be pressed.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>
#include <QtWidgets>
#include <map>
#include <set>
#include <stdexcept>
#include <string>

#include "data/connection.h"
#include "entry/import_export_wizard.h"
#include "modal_driver.h"
#include "schema/reference_database.h"
#include "scratch_database.h"
#include "scripted_prompts.h"
#include "wizard/date_input.h"
#include "wizard/folder_lists.h"

namespace vdimpexp::testing {

using support::MessageAnswer;
using support::MessageButtons;
using support::MessageIcon;
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

// Clicks the named buttons and options in turn.
inline void Press(QWidget& window, std::initializer_list<const char*> names) {
  for (const char* name : names) Control<QAbstractButton>(window, name).click();
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

// Double-clicks the entries with these texts in turn.
inline void DoubleClick(QListWidget& list, std::initializer_list<const char*> entries) {
  for (const char* entry : entries) {
    QList<QListWidgetItem*> found = list.findItems(entry, Qt::MatchExactly);
    ASSERT_FALSE(found.empty()) << entry;
    list.setCurrentItem(found.front());
    emit list.itemDoubleClicked(found.front());
  }
}

// What a control is; a title is a bold label. An option is enabled and not
// chosen, a chosen one is enabled and chosen, an "off" one is disabled.
// clang-format off
enum class Kind { kLabel, kTitle, kLine, kFrame, kImage, kProgress, kOption, kChosen,
                  kOff, kList, kText, kDate, kListBox, kButton, kDrive, kDirectory, kMemo };
// clang-format on
using enum Kind;

// One control. Within a `block` (a column of the page) controls are listed
// in reading order; a block lies below or right of every lower-numbered one.
// The caption of a list or an input is what it shows when first seen.
struct Catalogued {
  const char* name;
  Kind kind;
  const char* caption = "";
  int block = 0;
};
struct Header {
  const char* title = nullptr;  // none: the header band is hidden
  const char* step = nullptr;
};
struct Page {
  Header header;
  std::vector<Catalogued> controls;
};
using Catalogue = std::map<int, Page>;  // by page index

// clang-format off
// Below the pages of either wizard: the etched separator over the buttons.
inline const std::vector<Catalogued> kButtonRow = {
    {"Line1(7)", kLine}, {"Line1(6)", kLine}, {"cmdCancel", kButton, "&Cancel"},
    {"cmdPrevious", kButton, "< &Previous"}, {"cmdNext", kButton, "&Next >"},
    {"cmdFinish", kButton, "&Finish"}};

inline bool HasKind(QWidget* w, Kind kind) {
  auto* label = qobject_cast<QLabel*>(w);
  auto* option = qobject_cast<QRadioButton*>(w);
  auto* list = qobject_cast<QComboBox*>(w);
  auto* memo = qobject_cast<QPlainTextEdit*>(w);
  auto* bar = qobject_cast<QProgressBar*>(w);
  const bool on = option && option->isChecked(), usable = w->isEnabled();
  switch (kind) {
    case kLabel: return label;
    case kTitle: return label && label->font().bold();
    case kLine: return w->height() == 1 && w->width() > 100;
    case kFrame: return qobject_cast<QGroupBox*>(w);
    case kImage: return label && !label->pixmap().isNull();
    case kProgress: return bar && bar->minimum() == 0 && bar->maximum() == 100;
    case kOption: return option && usable && !on;
    case kChosen: return option && usable && on;
    case kOff: return option && !usable && !on;
    case kList: return list && !list->isEditable();
    case kText: return qobject_cast<QLineEdit*>(w);
    case kDate: return dynamic_cast<wizard::DateInput*>(w);
    case kListBox: return qobject_cast<QListWidget*>(w);
    case kButton: return qobject_cast<QPushButton*>(w);
    case kDrive: return dynamic_cast<wizard::DriveList*>(w);
    case kDirectory: return dynamic_cast<wizard::DirectoryList*>(w);
    case kMemo: return memo && memo->isReadOnly();
  }
  return false;
}
// clang-format on

inline QString Caption(QWidget* w, Kind kind) {
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
  if (auto* frame = qobject_cast<QGroupBox*>(w)) return frame->title();
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
  if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) return memo->toPlainText();
  if (auto* date = dynamic_cast<wizard::DateInput*>(w)) return date->Text();
  return kind == kList ? qobject_cast<QComboBox*>(w)->currentText() : QString();
}

// Whether `b` reads after `a` in page coordinates: a frame before what it
// holds; on one line left before right; otherwise top before bottom.
inline bool ReadsAfter(const QRect& a, const QRect& b) {
  const bool one_line = a.top() <= b.bottom() && b.top() <= a.bottom();
  return a.contains(b) || (one_line ? a.right() < b.left() : a.bottom() < b.top());
}

// Every control is there as catalogued, shown within its parent and the
// page, in the catalogue's reading order and blocks.
inline void ExpectAsCatalogued(QWidget& page, const std::vector<Catalogued>& controls) {
  std::vector<std::pair<const Catalogued*, QRect>> listed;
  for (const Catalogued& c : controls) {
    SCOPED_TRACE(c.name);
    QWidget* w = page.findChild<QWidget*>(c.name);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(HasKind(w, c.kind)) << w->metaObject()->className();
    EXPECT_EQ(Caption(w, c.kind).toStdString(), c.caption);
    const QRect bounds(w->mapTo(&page, QPoint()), w->size());
    EXPECT_TRUE(w->isVisible() && page.rect().contains(bounds) &&
                w->parentWidget()->rect().contains(w->geometry()))
        << "hidden or sticking out";
    for (const auto& [earlier, earlier_bounds] : listed) {
      EXPECT_TRUE(earlier->block == c.block ? ReadsAfter(earlier_bounds, bounds)
                                            : bounds.top() > earlier_bounds.bottom() ||
                                                  bounds.left() > earlier_bounds.right())
          << "should read after " << earlier->name;
    }
    listed.emplace_back(&c, bounds);
  }
}

// The reference shop database with a little demo data, open as the host's
// connection, and prompts that answer from the test's script.
class WizardTest : public ::testing::Test {
 protected:
  WizardTest() {
    schema::CreateReferenceDatabase(database_path_, {.contacts = 20});
    connection_.Open(database_path_);
  }

  // The window as it opens: its size, title and button row, the welcome page.
  void ExpectOpened(QDialog& window, const char* title, const Catalogue& pages) {
    EXPECT_EQ(window.size(), QSize(476, 435));
    EXPECT_EQ(window.windowTitle().toStdString(), title);
    ExpectAsCatalogued(window, kButtonRow);
    EXPECT_EQ(ButtonStates(window), "-N-");
    ExpectShown(window, pages, 0, {});
  }

  // The page shown and its header; its controls the first time it is seen.
  void ExpectShown(QDialog& window, const Catalogue& pages, int page, Header header) {
    SCOPED_TRACE("page " + std::to_string(page));
    ASSERT_EQ(ShownPage(window), page);
    EXPECT_EQ(Control(window, "picHeader").isVisible(), header.title != nullptr);
    if (header.title) {
      EXPECT_EQ(Text(window, "lblHeader"), header.title);
      EXPECT_EQ(Text(window, "lblStep"), header.step);
    }
    if (seen_.insert({&pages, page}).second) {
      ExpectAsCatalogued(Control(window, QString("picWizard(%1)").arg(page)),
                         pages.at(page).controls);
    }
  }

  ScratchDirectory scratch_;
  std::string database_path_ = scratch_.File("shop.db");
  data::Connection connection_;
  ScriptedPrompts prompts_;
  clsVDImportExportWz component_;
  std::set<std::pair<const Catalogue*, int>> seen_;
};

}  // namespace vdimpexp::testing

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <array>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "wizard/filter_wizard_pages.h"
#include "wizard/import_wizard_pages.h"

namespace vdimpexp::wizard {
namespace {

// What a control is; a title is a bold label. The kinds from kOption on take
// the keyboard focus.
// clang-format off
enum class Kind { kLabel, kTitle, kLine, kFrame, kImage, kProgress, kOption,
                  kList, kText, kDate, kListBox, kButton, kDrive, kDirectory, kMemo };
// clang-format on

// One control of the page catalogue. A page's controls are listed in tab
// order; `block` groups them the way the page reads ("left column", "right
// column"): within a block they are listed in reading order, and a block lies
// wholly below or wholly right of every lower-numbered one.
struct Control {
  const char* name;
  Kind kind;
  const char* caption = "";
  int block = 0;
};
using Catalogue = std::map<int16_t, std::vector<Control>>;  // by page

using enum Kind;
// clang-format off
const Catalogue kFilterCatalogue = {
    {0, {{"Image2", kImage}, {"lblWelcome", kTitle, "Select Records With Filters"},
         {"Label5(0)", kLabel,
          "With a filter, you can find records based on whether they contain a specific "
          "value in a particular field or fields. For example, you can find all records "
          "that have \"91773\" in the Zip Code field. When you apply the filter, only "
          "the records that contain the value that you selected will show in the "
          "selection."}}},
    {1, {{"optImportCategory(0)", kOption, "&Business contacts and customers"},
         {"optImportCategory(1)", kOption, "&Business contacts, customers and invoices"},
         {"optImportCategory(5)", kOption, "&Invoices (Export to Access database)"},
         {"optImportCategory(2)", kOption, "&Inventory"},
         {"optImportCategory(3)", kOption, "&Service Documents (Manuals)"},
         {"optImportCategory(4)", kOption, "Service &Tips"}}},
    {2, {{"Label1(4)", kTitle, "&Contacts"}, {"Line1(0)", kLine}, {"Line1(1)", kLine},
         {"Label1(19)", kLabel, "&Acc. Type:"}, {"Combo1(0)", kList},
         {"Label1(16)", kLabel, "&Ref By:"}, {"Combo1(6)", kList},
         {"Frame2(0)", kFrame, "&Zip Code"}, {"Label1(1)", kLabel, "&From:"},
         {"text1(0)", kText}, {"Label1(2)", kLabel, "&To:"}, {"text1(1)", kText},
         {"Frame2(1)", kFrame, "&Last Visit"}, {"Label1(0)", kLabel, "&From:"},
         {"TDBDate(2)", kDate}, {"Label1(3)", kLabel, "&To:"}, {"TDBDate(0)", kDate}}},
    {3, {{"Label1(7)", kTitle, "&Invoices"}, {"Line1(2)", kLine}, {"Line1(3)", kLine},
         {"Label1(9)", kLabel, "&Status:", 1}, {"Combo1(2)", kList, "", 1},
         {"Label1(8)", kLabel, "&Make:", 1}, {"Combo1(1)", kList, "", 1},
         {"Frame2(4)", kFrame, "&Service Requested", 1}, {"TDBDate(4)", kDate, "", 1},
         {"TDBDate(5)", kDate, "", 1}, {"Frame2(2)", kFrame, "&Claimed", 1},
         {"TDBDate(1)", kDate, "", 1}, {"TDBDate(3)", kDate, "", 1},
         {"Frame2(3)", kFrame, "&Invoice Numbers", 1}, {"text1(2)", kText, "", 1},
         {"text1(3)", kText, "", 1}, {"Frame1", kFrame, "&Invoice Types", 2},
         {"optInvoiceType(0)", kOption, "<All>", 2},
         {"optInvoiceType(1)", kOption, "&Sales", 2},
         {"optInvoiceType(2)", kOption, "&Quotes", 2},
         {"optInvoiceType(3)", kOption, "&Repairs", 2}}},
    // The buttons stand between the lists but are tabbed to last.
    {4, {{"Label2(2)", kLabel, "Double-click to select/deselect"},
         {"Label2(0)", kLabel, "&Available Fields", 1},
         {"lstAvailableFlds", kListBox, "", 1},
         {"lblSelectedFlds", kLabel, "&Selected Fields", 3},
         {"lstSelectedFlds", kListBox, "", 3}, {"cmdSelectAllFlds", kButton, ">>", 2},
         {"cmdRemove", kButton, "<<", 2}}},
    {5, {{"lstExportFormats", kListBox}}},
    {6, {{"Label1(15)", kTitle, "&Inventory"}, {"Line1(4)", kLine}, {"Line1(5)", kLine},
         {"Label1(14)", kLabel, "Item &Type:"}, {"cboInvItemType", kList}}},
    {7, {{"Label1(17)", kTitle, "&Service Documents"}, {"Line1(8)", kLine},
         {"Line1(9)", kLine}, {"Label1(18)", kLabel, "&Make:"}, {"cboDocsMake", kList}}},
    {8, {{"Label1(21)", kTitle, "Service Tips"}, {"Line1(10)", kLine},
         {"Line1(11)", kLine}, {"Label1(20)", kLabel, "&Make:"},
         {"cboServTipsMake", kList}}},
    {9, {{"lblFinishedMsg", kLabel, "Export completed..."}, {"lblPercent", kTitle, ""}}},
};

const Catalogue kImportCatalogue = {
    {0, {{"Image2", kImage}, {"lblWelcome", kTitle, "'Verdacor!® Import Wizard"},
         {"Label5(0)", kLabel,
          "This wizard makes it easy to import data into 'Verdacor!®. This wizard "
          "guides you through the steps to import data from text files and other "
          "applications"}}},
    {1, {{"optImportCategory(0)", kOption, "&Business contacts and customers"},
         {"optImportCategory(2)", kOption, "&Inventory"},
         {"optImportCategory(3)", kOption, "&Service Documents (Manuals)"},
         {"optImportCategory(4)", kOption, "Service &Tips"},
         {"optImportCategory(1)", kOption, "&Zip Codes"},
         {"optImportCategory(5)", kOption, "XAV DOS/Windows (Software Application)"}}},
    {2, {{"Label1(21)", kTitle, "Database Locations"}, {"Line1(10)", kLine},
         {"Line1(11)", kLine}, {"Label2(0)", kLabel, "&Main Database Directory", 1},
         {"Drive1", kDrive, "", 1}, {"Dir1", kDirectory, "", 1},
         {"Label2(1)", kLabel, "&History Directory", 2}, {"Drive2", kDrive, "", 2},
         {"Dir2", kDirectory, "", 2}}},
    {3, {{"lstchkGeneral", kListBox}}},
    {6, {{"Label4(0)", kLabel, "Import &From:"}, {"txtFrom", kText},
         {"cmdFrom", kButton, "..."}}},
    {9, {{"tMessage", kMemo}, {"PBar", kProgress}, {"lblPercent", kTitle, ""}}},
};
// clang-format on

bool HasKind(QWidget* w, Kind kind) {
  auto* list = qobject_cast<QComboBox*>(w);
  auto* label = qobject_cast<QLabel*>(w);
  auto* memo = qobject_cast<QPlainTextEdit*>(w);
  auto* bar = qobject_cast<QProgressBar*>(w);
  // clang-format off
  switch (kind) {
    case kLabel: return label;
    case kTitle: return label && label->font().bold();
    case kLine: return w->height() == 1 && w->width() > 100;
    case kFrame: return qobject_cast<QGroupBox*>(w);
    case kOption: return qobject_cast<QRadioButton*>(w);
    case kList: return list && !list->isEditable();
    case kText: return qobject_cast<QLineEdit*>(w);
    case kDate: return dynamic_cast<DateInput*>(w);
    case kListBox: return qobject_cast<QListWidget*>(w);
    case kButton: return qobject_cast<QPushButton*>(w);
    case kImage: return label && !label->pixmap().isNull();
    case kDrive: return dynamic_cast<DriveList*>(w);
    case kDirectory: return dynamic_cast<DirectoryList*>(w);
    case kMemo: return memo && memo->isReadOnly();
    case kProgress: return bar && bar->minimum() == 0 && bar->maximum() == 100;
  }
  // clang-format on
  return false;
}

QString Caption(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
  if (auto* frame = qobject_cast<QGroupBox*>(w)) return frame->title();
  return {};
}

// Reading order of two controls in page coordinates: a frame before what it
// holds; on one line left before right; otherwise top before bottom.
bool ReadsBefore(const QRect& a, const QRect& b) {
  if (a.contains(b)) return true;
  const bool one_line = a.top() <= b.bottom() && b.top() <= a.bottom();
  return one_line ? a.right() < b.left() : a.bottom() < b.top();
}

// Whether a control has the room its caption or contents need.
bool ShowsWhole(QWidget* w) {
  auto* label = qobject_cast<QLabel*>(w);
  if (label && label->wordWrap())
    return label->heightForWidth(label->width()) <= w->height();
  if (auto* button = qobject_cast<QPushButton*>(w)) {
    const QFontMetrics metrics = button->fontMetrics();
    return metrics.horizontalAdvance(button->text()) + 4 <= w->width() &&
           metrics.height() <= w->height();
  }
  const QSize need =
      label || qobject_cast<QRadioButton*>(w) ? w->sizeHint() : w->minimumSizeHint();
  return need.width() <= w->width() && need.height() <= w->height();
}

// A click on the button's round indicator: beside a short caption the rest
// of the row does not belong to the button.
void ClickIndicator(QRadioButton* option) {
  QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
}

template <size_t N>
void ExpectChosen(const std::array<QRadioButton*, N>& group, size_t chosen) {
  for (size_t i = 0; i < N; ++i) EXPECT_EQ(group[i]->isChecked(), i == chosen) << i;
}

// The pages of one wizard hosted as the frame hosts them: page 0 over the
// whole window, the others below the header band.
class PagesTest : public ::testing::Test {
 protected:
  explicit PagesTest(const Catalogue& catalogue) : catalogue_(catalogue) {
    window_.resize(473, 393);
    for (const auto& [page, controls] : catalogue) {
      pages_[page] = new QWidget(&window_);
      pages_[page]->setGeometry(page ? QRect(0, 64, 473, 329) : window_.rect());
    }
  }
  void SetUp() override {
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  }
  PageLookup Lookup() {
    return [this](int16_t index) { return pages_.at(index); };
  }
  void ShowOnly(int16_t shown) {
    for (auto& [index, page] : pages_) page->setVisible(index == shown);
  }
  // The catalogue control that is `w` or holds it, else "?" and the class.
  std::string Owner(int16_t page, QWidget* w) {
    for (QWidget* up = w; up && up != pages_.at(page); up = up->parentWidget()) {
      for (const Control& c : catalogue_.at(page)) {
        if (up->objectName() == c.name) return c.name;
      }
    }
    return w ? std::string("? ") + w->metaObject()->className() : "nothing";
  }
  void ExpectAsCatalogued();
  // Alt and a key on a page move the focus into the target control, and
  // choose it if it is an option button.
  using Accelerator = std::tuple<int16_t, char, const char*>;
  void ExpectAccelerators(const std::vector<Accelerator>& accelerators);

  QWidget window_;
  std::map<int16_t, QWidget*> pages_;
  const Catalogue& catalogue_;
};

// Every control is there as catalogued, shown whole within its parent and
// page; blocks and tab order follow the catalogue; no siblings on a page or
// in a frame cover each other.
void PagesTest::ExpectAsCatalogued() {
  for (const auto& [page, controls] : catalogue_) {
    QWidget* page_widget = pages_.at(page);
    std::vector<std::pair<const Control*, QRect>> listed;  // with page bounds
    std::map<int, QRect> blocks;
    std::vector<std::string> tab_expected, tab_order;
    for (const Control& c : controls) {
      QWidget* w = page_widget->findChild<QWidget*>(c.name);
      ASSERT_NE(w, nullptr) << "page " << page << " has no " << c.name;
      EXPECT_TRUE(HasKind(w, c.kind))
          << c.name << " is a " << w->metaObject()->className();
      EXPECT_EQ(Caption(w).toStdString(), c.caption) << c.name;
      const QRect bounds(w->mapTo(page_widget, QPoint()), w->size());
      EXPECT_TRUE(w->isVisible() && ShowsWhole(w) &&
                  page_widget->rect().contains(bounds) &&
                  w->parentWidget()->rect().contains(w->geometry()))
          << c.name << " is hidden, cut off or sticks out";
      for (const auto& [earlier, earlier_bounds] : listed) {
        EXPECT_TRUE(earlier->block != c.block || ReadsBefore(earlier_bounds, bounds))
            << earlier->name << " should read before " << c.name;
      }
      listed.emplace_back(&c, bounds);
      blocks[c.block] |= bounds;
      if (c.kind >= kOption) tab_expected.push_back(c.name);
    }
    for (auto a = blocks.begin(); a != blocks.end(); ++a) {
      for (auto b = std::next(a); b != blocks.end(); ++b) {
        EXPECT_TRUE(b->second.top() > a->second.bottom() ||
                    b->second.left() > a->second.right())
            << "page " << page << ": block " << b->first << " is not below or right of "
            << a->first;
      }
    }
    for (QWidget* w = page_widget->nextInFocusChain(); w != page_widget;
         w = w->nextInFocusChain()) {
      // Only the chosen button of an option group is a tab stop; the others
      // still hold their place in the chain.
      if (!page_widget->isAncestorOf(w) || w->focusPolicy() == Qt::NoFocus) continue;
      const std::string owner = Owner(page, w);
      if (tab_order.empty() || tab_order.back() != owner) tab_order.push_back(owner);
    }
    EXPECT_EQ(tab_order, tab_expected) << "tab order of page " << page;
    const QList<QWidget*> all = page_widget->findChildren<QWidget*>();
    for (qsizetype i = 0; i < all.size(); ++i) {
      QWidget* parent = all[i]->parentWidget();
      if (parent != page_widget && !qobject_cast<QGroupBox*>(parent)) continue;
      for (qsizetype j = i + 1; j < all.size(); ++j) {
        EXPECT_FALSE(all[j]->parentWidget() == parent &&
                     all[i]->geometry().intersects(all[j]->geometry()))
            << Owner(page, all[i]) << " overlaps " << Owner(page, all[j]);
      }
    }
  }
}

void PagesTest::ExpectAccelerators(const std::vector<Accelerator>& accelerators) {
  // Every caption with an accelerator leads to the next control taking Tab,
  // also where Alt only takes turns between captions sharing a letter.
  for (const auto& [page, page_widget] : pages_) {
    for (QLabel* label : page_widget->findChildren<QLabel*>()) {
      if (!label->text().contains(QLatin1Char('&'))) continue;
      QWidget* next = label->nextInFocusChain();
      while (page_widget->isAncestorOf(next) && !(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
      EXPECT_EQ(label->buddy(), next) << label->objectName().toStdString();
    }
  }
  for (const auto& [page, key, target] : accelerators) {
    ShowOnly(page);
    if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
    QTest::keyClick(&window_, Qt::Key(Qt::Key_A + (key - 'A')), Qt::AltModifier);
    EXPECT_EQ(Owner(page, QApplication::focusWidget()), target)
        << "Alt+" << key << " on page " << page;
    auto* option = pages_.at(page)->findChild<QRadioButton*>(target);
    EXPECT_TRUE(!option || QTest::qWaitFor([&] { return option->isChecked(); }, 1000))
        << "Alt+" << key << " leaves " << target << " unchosen";
  }
}

class FilterWizardPagesTest : public PagesTest {
 protected:
  FilterWizardPagesTest()
      : PagesTest(kFilterCatalogue), pages(BuildFilterWizardPages(Lookup())) {}
  FilterWizardPages pages;
};

class ImportWizardPagesTest : public PagesTest {
 protected:
  ImportWizardPagesTest()
      : PagesTest(kImportCatalogue), pages(BuildImportWizardPages(Lookup())) {}
  ImportWizardPages pages;
};

TEST_F(FilterWizardPagesTest, ControlsAreAsCataloguedReachableAndHandedBack) {
  ExpectAsCatalogued();
  // Real keys, above all for frames and option buttons, which have no buddy.
  // clang-format off
  ExpectAccelerators({
      {1, 'S', "optImportCategory(3)"}, {1, 'T', "optImportCategory(4)"},
      {2, 'Z', "text1(0)"}, {2, 'L', "TDBDate(2)"}, {3, 'C', "TDBDate(1)"},
      {3, 'Q', "optInvoiceType(2)"}, {3, 'R', "optInvoiceType(3)"},
      {4, 'S', "lstSelectedFlds"}, {8, 'M', "cboServTipsMake"}});
  // clang-format on
  // Element i of a handed-back array is the control "name(i)", or null where
  // the page has no such element.
  auto expect_elements = [this](const auto& array, const char* name) {
    for (size_t i = 0; i < array.size(); ++i) {
      const QString element = QStringLiteral("%1(%2)").arg(name).arg(i);
      EXPECT_EQ(array[i], window_.findChild<QWidget*>(element)) << element.toStdString();
    }
  };
  expect_elements(pages.optImportCategory, "optImportCategory");
  expect_elements(pages.Combo1, "Combo1");
  expect_elements(pages.text1, "text1");
  expect_elements(pages.TDBDate, "TDBDate");
  expect_elements(pages.optInvoiceType, "optInvoiceType");
}

TEST_F(FilterWizardPagesTest, OptionGroupsStartChosenAndStayApart) {
  ExpectChosen(pages.optImportCategory, 0);
  ExpectChosen(pages.optInvoiceType, 0);
  ShowOnly(1);
  ClickIndicator(pages.optImportCategory[5]);
  ShowOnly(3);
  ClickIndicator(pages.optInvoiceType[3]);
  // Each click chose its own button and left the other group alone.
  ExpectChosen(pages.optImportCategory, 5);
  ExpectChosen(pages.optInvoiceType, 3);
}

TEST_F(ImportWizardPagesTest, ControlsAreAsCataloguedAndReachable) {
  ExpectAsCatalogued();
  ExpectAccelerators({{2, 'M', "Drive1"}, {2, 'H', "Drive2"}, {6, 'F', "txtFrom"}});
}

TEST_F(ImportWizardPagesTest, OnlyZipCodesAndTheLegacyApplicationCanBeChosen) {
  // Neither a click nor the letter of a source that cannot be imported takes
  // it; Alt+Z chooses the zip codes only after any click those started.
  int refused_taken = 0;
  for (int i = 0; i < 6; ++i) {
    const bool importable = i == 1 || i == 5;
    EXPECT_EQ(pages.optImportCategory[i]->isEnabled(), importable) << i;
    if (importable) continue;
    QObject::connect(pages.optImportCategory[i], &QAbstractButton::toggled,
                     [&] { ++refused_taken; });
  }
  ExpectChosen(pages.optImportCategory, 5);
  ShowOnly(1);
  ClickIndicator(pages.optImportCategory[2]);
  for (Qt::Key key : {Qt::Key_B, Qt::Key_T, Qt::Key_Z})
    QTest::keyClick(&window_, key, Qt::AltModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return pages.optImportCategory[1]->isChecked(); }));
  EXPECT_EQ(refused_taken, 0);
  ExpectChosen(pages.optImportCategory, 1);
}

}  // namespace
}  // namespace vdimpexp::wizard

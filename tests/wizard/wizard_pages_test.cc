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
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "wizard/filter_wizard_pages.h"
#include "wizard/import_wizard_pages.h"

namespace vdimpexp::wizard {
namespace {

// What a control is; the kinds from kOption on take the keyboard focus.
// clang-format off
enum class Kind { kLabel, kLine, kFrame, kImage, kProgress,
                  kOption, kList, kText, kDate, kListBox, kButton, kDrive, kDirectory, kMemo };
// clang-format on

// One control of the page catalogue. Controls of one page are listed in
// display order; `block` groups them the way the catalogue reads a page
// ("at the right", "left column", "right column"): a later block lies wholly
// below or wholly right of an earlier one.
struct Control {
  int16_t page;
  const char* name;
  Kind kind;
  const char* caption = nullptr;  // nullptr: the control shows no caption
  int block = 0;
};
constexpr int kUnordered = -1;  // the field page lists its buttons last

using enum Kind;
// clang-format off
const std::vector<Control> kFilterCatalogue = {
    {0, "Image2", kImage}, {0, "lblWelcome", kLabel, "Select Records With Filters"},
    {0, "Label5(0)", kLabel,
     "With a filter, you can find records based on whether they contain a specific value "
     "in a particular field or fields. For example, you can find all records that have "
     "\"91773\" in the Zip Code field. When you apply the filter, only the records that "
     "contain the value that you selected will show in the selection."},
    {1, "optImportCategory(0)", kOption, "&Business contacts and customers"},
    {1, "optImportCategory(1)", kOption, "&Business contacts, customers and invoices"},
    {1, "optImportCategory(5)", kOption, "&Invoices (Export to Access database)"},
    {1, "optImportCategory(2)", kOption, "&Inventory"},
    {1, "optImportCategory(3)", kOption, "&Service Documents (Manuals)"},
    {1, "optImportCategory(4)", kOption, "Service &Tips"},
    {2, "Label1(4)", kLabel, "&Contacts"}, {2, "Line1(0)", kLine}, {2, "Line1(1)", kLine},
    {2, "Label1(19)", kLabel, "&Acc. Type:"}, {2, "Combo1(0)", kList},
    {2, "Label1(16)", kLabel, "&Ref By:"}, {2, "Combo1(6)", kList},
    {2, "Frame2(0)", kFrame, "&Zip Code"}, {2, "Label1(1)", kLabel, "&From:"},
    {2, "text1(0)", kText}, {2, "Label1(2)", kLabel, "&To:"}, {2, "text1(1)", kText},
    {2, "Frame2(1)", kFrame, "&Last Visit"}, {2, "Label1(0)", kLabel, "&From:"},
    {2, "TDBDate(2)", kDate}, {2, "Label1(3)", kLabel, "&To:"}, {2, "TDBDate(0)", kDate},
    {3, "Label1(7)", kLabel, "&Invoices"}, {3, "Line1(2)", kLine}, {3, "Line1(3)", kLine},
    {3, "Label1(9)", kLabel, "&Status:", 1}, {3, "Combo1(2)", kList, nullptr, 1},
    {3, "Label1(8)", kLabel, "&Make:", 1}, {3, "Combo1(1)", kList, nullptr, 1},
    {3, "Frame2(4)", kFrame, "&Service Requested", 1}, {3, "TDBDate(4)", kDate, nullptr, 1},
    {3, "TDBDate(5)", kDate, nullptr, 1}, {3, "Frame2(2)", kFrame, "&Claimed", 1},
    {3, "TDBDate(1)", kDate, nullptr, 1}, {3, "TDBDate(3)", kDate, nullptr, 1},
    {3, "Frame2(3)", kFrame, "&Invoice Numbers", 1}, {3, "text1(2)", kText, nullptr, 1},
    {3, "text1(3)", kText, nullptr, 1}, {3, "Frame1", kFrame, "&Invoice Types", 2},
    {3, "optInvoiceType(0)", kOption, "<All>", 2}, {3, "optInvoiceType(1)", kOption, "&Sales", 2},
    {3, "optInvoiceType(2)", kOption, "&Quotes", 2},
    {3, "optInvoiceType(3)", kOption, "&Repairs", 2},
    {4, "Label2(2)", kLabel, "Double-click to select/deselect", kUnordered},
    {4, "Label2(0)", kLabel, "&Available Fields", kUnordered},
    {4, "lstAvailableFlds", kListBox, nullptr, kUnordered},
    {4, "lblSelectedFlds", kLabel, "&Selected Fields", kUnordered},
    {4, "lstSelectedFlds", kListBox, nullptr, kUnordered},
    {4, "cmdSelectAllFlds", kButton, ">>", kUnordered},
    {4, "cmdRemove", kButton, "<<", kUnordered},
    {5, "lstExportFormats", kListBox},
    {6, "Label1(15)", kLabel, "&Inventory"}, {6, "Line1(4)", kLine}, {6, "Line1(5)", kLine},
    {6, "Label1(14)", kLabel, "Item &Type:"}, {6, "cboInvItemType", kList},
    {7, "Label1(17)", kLabel, "&Service Documents"}, {7, "Line1(8)", kLine},
    {7, "Line1(9)", kLine}, {7, "Label1(18)", kLabel, "&Make:"}, {7, "cboDocsMake", kList},
    {8, "Label1(21)", kLabel, "Service Tips"}, {8, "Line1(10)", kLine}, {8, "Line1(11)", kLine},
    {8, "Label1(20)", kLabel, "&Make:"}, {8, "cboServTipsMake", kList},
    {9, "lblFinishedMsg", kLabel, "Export completed..."}, {9, "lblPercent", kLabel, ""},
};

const std::vector<Control> kImportCatalogue = {
    {0, "Image2", kImage}, {0, "lblWelcome", kLabel, "'Verdacor!® Import Wizard"},
    {0, "Label5(0)", kLabel,
     "This wizard makes it easy to import data into 'Verdacor!®. This wizard guides you "
     "through the steps to import data from text files and other applications"},
    {1, "optImportCategory(0)", kOption, "&Business contacts and customers"},
    {1, "optImportCategory(2)", kOption, "&Inventory"},
    {1, "optImportCategory(3)", kOption, "&Service Documents (Manuals)"},
    {1, "optImportCategory(4)", kOption, "Service &Tips"},
    {1, "optImportCategory(1)", kOption, "&Zip Codes"},
    {1, "optImportCategory(5)", kOption, "XAV DOS/Windows (Software Application)"},
    {2, "Label1(21)", kLabel, "Database Locations"}, {2, "Line1(10)", kLine},
    {2, "Line1(11)", kLine}, {2, "Label2(0)", kLabel, "&Main Database Directory", 1},
    {2, "Drive1", kDrive, nullptr, 1}, {2, "Dir1", kDirectory, nullptr, 1},
    {2, "Label2(1)", kLabel, "&History Directory", 2}, {2, "Drive2", kDrive, nullptr, 2},
    {2, "Dir2", kDirectory, nullptr, 2},
    {3, "lstchkGeneral", kListBox},
    {6, "Label4(0)", kLabel, "Import &From:"}, {6, "txtFrom", kText},
    {6, "cmdFrom", kButton, "..."},
    {9, "tMessage", kMemo}, {9, "PBar", kProgress}, {9, "lblPercent", kLabel, ""},
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

// The pages of one wizard hosted as the frame hosts them: page 0 over the
// whole window, the others below the header band.
class PagesTest : public ::testing::Test {
 protected:
  PagesTest(std::initializer_list<int16_t> indexes, const std::vector<Control>& catalogue)
      : catalogue_(catalogue) {
    window_.resize(473, 393);
    for (int16_t index : indexes) {
      pages_[index] = new QWidget(&window_);
      pages_[index]->setGeometry(index == 0 ? QRect(0, 0, 473, 393)
                                            : QRect(0, 64, 473, 329));
    }
  }
  PageLookup Lookup() {
    return [this](int16_t index) { return pages_.at(index); };
  }
  void Show() {
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  }
  void ShowOnly(int16_t shown) {
    for (auto& [index, page] : pages_) page->setVisible(index == shown);
  }
  template <typename T = QWidget>
  T* Find(int16_t page, const char* name) {
    T* found = pages_.at(page)->findChild<T*>(name);
    EXPECT_NE(found, nullptr) << "page " << page << " has no " << name;
    return found;
  }
  QRect OnPage(int16_t page, QWidget* w) {
    return {w->mapTo(pages_.at(page), QPoint()), w->size()};
  }
  // The catalogue control that is `w` or holds it, "?" and the class for
  // anything else.
  std::string Owner(int16_t page, QWidget* w) {
    for (QWidget* up = w; up && up != pages_.at(page); up = up->parentWidget()) {
      for (const Control& control : catalogue_) {
        if (control.page == page && up->objectName() == control.name) return control.name;
      }
    }
    return std::string("? ") + w->metaObject()->className();
  }

  // Element i of a handed-back array is the control named "name(i)", or
  // null where the wizard has no such element.
  template <typename T, size_t N>
  void ExpectElements(const std::array<T*, N>& array, const char* name) {
    for (size_t i = 0; i < N; ++i) {
      const QString element = QStringLiteral("%1(%2)").arg(name).arg(i);
      EXPECT_EQ(array[i], window_.findChild<QWidget*>(element)) << element.toStdString();
    }
  }
  void ExpectNamed(std::initializer_list<std::pair<QWidget*, const char*>> controls) {
    for (const auto& [control, name] : controls) {
      EXPECT_EQ(control, window_.findChild<QWidget*>(name)) << name;
    }
  }
  // A bold section title over a dark line with a lighter one directly under it.
  void ExpectSectionTitle(int16_t page, const char* title, const char* dark,
                          const char* light) {
    EXPECT_TRUE(Find(page, title)->font().bold()) << title;
    QWidget* dark_line = Find(page, dark);
    QWidget* light_line = Find(page, light);
    EXPECT_GT(OnPage(page, dark_line).top(), OnPage(page, Find(page, title)).bottom());
    EXPECT_EQ(OnPage(page, light_line), OnPage(page, dark_line).translated(0, 1))
        << light;
    auto lightness = [](QWidget* line) {
      return line->palette().color(line->backgroundRole()).lightness();
    };
    EXPECT_LT(lightness(dark_line), lightness(light_line)) << dark;
  }

  void ExpectCatalogue();
  void ExpectOrders();
  void ExpectEverythingFits();
  // `checks`: the target is an option button the key also chooses.
  struct Accelerator {
    int16_t page;
    char key;
    const char* target;
    bool checks = false;
  };
  void ExpectAccelerators(const std::vector<Accelerator>& accelerators);

  QWidget window_;
  std::map<int16_t, QWidget*> pages_;
  const std::vector<Control>& catalogue_;
};

void PagesTest::ExpectCatalogue() {
  for (const Control& control : catalogue_) {
    QWidget* w = Find(control.page, control.name);
    if (!w) continue;
    EXPECT_TRUE(HasKind(w, control.kind))
        << control.name << " is a " << w->metaObject()->className();
    if (control.caption) {
      EXPECT_EQ(Caption(w).toStdString(), control.caption) << control.name;
    }
  }
}

void PagesTest::ExpectOrders() {
  for (const auto& [page, page_widget] : pages_) {
    std::vector<const Control*> listed;
    std::map<int, QRect> blocks;
    std::vector<std::string> tab_expected;
    for (const Control& control : catalogue_) {
      if (control.page != page) continue;
      listed.push_back(&control);
      if (control.kind >= kOption) tab_expected.push_back(control.name);
      if (control.block != kUnordered) {
        blocks[control.block] |= OnPage(page, Find(page, control.name));
      }
    }
    for (size_t i = 0; i < listed.size(); ++i) {
      for (size_t j = i + 1; j < listed.size(); ++j) {
        if (listed[i]->block != listed[j]->block || listed[i]->block == kUnordered)
          continue;
        EXPECT_TRUE(ReadsBefore(OnPage(page, Find(page, listed[i]->name)),
                                OnPage(page, Find(page, listed[j]->name))))
            << listed[i]->name << " should read before " << listed[j]->name;
      }
    }
    for (const auto& [earlier, earlier_bounds] : blocks) {
      for (const auto& [later, later_bounds] : blocks) {
        if (later <= earlier) continue;
        EXPECT_TRUE(later_bounds.top() > earlier_bounds.bottom() ||
                    later_bounds.left() > earlier_bounds.right())
            << "page " << page << ": block " << later << " is not below or right of "
            << earlier;
      }
    }
    std::vector<std::string> tab_order;
    for (QWidget* w = page_widget->nextInFocusChain(); w != page_widget;
         w = w->nextInFocusChain()) {
      // Only the chosen button of an option group is a tab stop; the others
      // still hold their place in the chain.
      if (!page_widget->isAncestorOf(w) || w->focusPolicy() == Qt::NoFocus) continue;
      const std::string owner = Owner(page, w);
      if (tab_order.empty() || tab_order.back() != owner) tab_order.push_back(owner);
    }
    EXPECT_EQ(tab_order, tab_expected) << "tab order of page " << page;
  }
}

void PagesTest::ExpectEverythingFits() {
  for (const Control& control : catalogue_) {
    QWidget* w = Find(control.page, control.name);
    if (!w) continue;
    EXPECT_TRUE(w->isVisible()) << control.name;
    EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry()))
        << control.name << " sticks out of its parent";
    EXPECT_TRUE(pages_.at(control.page)->rect().contains(OnPage(control.page, w)))
        << control.name << " sticks out of its page";
    EXPECT_TRUE(ShowsWhole(w)) << control.name << " is cut off";
  }
  // Siblings on a page or in a frame never cover each other.
  for (const auto& [page, page_widget] : pages_) {
    std::vector<QWidget*> parents{page_widget};
    for (QGroupBox* frame : page_widget->findChildren<QGroupBox*>())
      parents.push_back(frame);
    for (QWidget* parent : parents) {
      const QList<QWidget*> children =
          parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
      for (qsizetype i = 0; i < children.size(); ++i) {
        for (qsizetype j = i + 1; j < children.size(); ++j) {
          EXPECT_FALSE(children[i]->geometry().intersects(children[j]->geometry()))
              << Owner(page, children[i]) << " overlaps " << Owner(page, children[j]);
        }
      }
    }
  }
}

// Pressing Alt and the underlined letter on the shown page moves the focus
// into the control the catalogue puts after the caption.
void PagesTest::ExpectAccelerators(const std::vector<Accelerator>& accelerators) {
  for (const Accelerator& accelerator : accelerators) {
    ShowOnly(accelerator.page);
    if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
    QTest::keyClick(&window_, Qt::Key(Qt::Key_A + (accelerator.key - 'A')),
                    Qt::AltModifier);
    QWidget* focus = QApplication::focusWidget();
    EXPECT_EQ(focus ? Owner(accelerator.page, focus) : "nothing", accelerator.target)
        << "Alt+" << accelerator.key << " on page " << accelerator.page;
    if (accelerator.checks) {
      auto* option = Find<QRadioButton>(accelerator.page, accelerator.target);
      EXPECT_TRUE(QTest::qWaitFor([&] { return option->isChecked(); }, 1000))
          << "Alt+" << accelerator.key << " leaves " << accelerator.target << " unchosen";
    }
  }
}

class FilterWizardPagesTest : public PagesTest {
 protected:
  FilterWizardPagesTest() : PagesTest({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, kFilterCatalogue) {
    pages = BuildFilterWizardPages(Lookup());
    Show();
  }
  FilterWizardPages pages;
};

class ImportWizardPagesTest : public PagesTest {
 protected:
  ImportWizardPagesTest() : PagesTest({0, 1, 2, 3, 6, 9}, kImportCatalogue) {
    pages = BuildImportWizardPages(Lookup());
    Show();
  }
  ImportWizardPages pages;
};

TEST_F(FilterWizardPagesTest, EveryControlIsAsCataloguedAndHandedBack) {
  ExpectCatalogue();
  const QFont welcome = Find(0, "lblWelcome")->font();
  EXPECT_EQ(welcome.families().value(0), "Verdana");
  EXPECT_TRUE(welcome.bold());
  EXPECT_DOUBLE_EQ(welcome.pointSizeF(), 11.25);
  EXPECT_TRUE(pages.lblPercent->font().bold());
  EXPECT_DOUBLE_EQ(pages.lblPercent->font().pointSizeF(), 8.25);
  EXPECT_TRUE(pages.lblFinishedMsg->wordWrap());
  const QFont caption = Find(2, "Label1(19)")->font();
  EXPECT_EQ(caption.families().value(0), "Tahoma");
  EXPECT_FALSE(caption.bold());
  EXPECT_DOUBLE_EQ(caption.pointSizeF(), 8.25);
  ExpectSectionTitle(2, "Label1(4)", "Line1(0)", "Line1(1)");
  ExpectSectionTitle(3, "Label1(7)", "Line1(2)", "Line1(3)");
  ExpectSectionTitle(6, "Label1(15)", "Line1(4)", "Line1(5)");
  ExpectSectionTitle(7, "Label1(17)", "Line1(8)", "Line1(9)");
  ExpectSectionTitle(8, "Label1(21)", "Line1(10)", "Line1(11)");
  EXPECT_EQ(pages.cmdSelectAllFlds->size(), QSize(33, 17));
  EXPECT_EQ(pages.cmdRemove->size(), QSize(33, 17));
  ExpectElements(pages.optImportCategory, "optImportCategory");
  ExpectElements(pages.Combo1, "Combo1");
  ExpectElements(pages.text1, "text1");
  ExpectElements(pages.TDBDate, "TDBDate");
  ExpectElements(pages.optInvoiceType, "optInvoiceType");
  // clang-format off
  ExpectNamed({{pages.cboInvItemType, "cboInvItemType"}, {pages.cboDocsMake, "cboDocsMake"},
               {pages.cboServTipsMake, "cboServTipsMake"},
               {pages.lstAvailableFlds, "lstAvailableFlds"},
               {pages.lstSelectedFlds, "lstSelectedFlds"}, {pages.lblSelectedFlds, "lblSelectedFlds"},
               {pages.cmdSelectAllFlds, "cmdSelectAllFlds"}, {pages.cmdRemove, "cmdRemove"},
               {pages.lstExportFormats, "lstExportFormats"},
               {pages.lblFinishedMsg, "lblFinishedMsg"}, {pages.lblPercent, "lblPercent"}});
  // clang-format on
}

TEST_F(FilterWizardPagesTest, ControlsReadAndTabInCatalogueOrder) {
  ExpectOrders();
  // The field page's buttons sit between the lists, ">>" above "<<".
  for (QWidget* button : {pages.cmdSelectAllFlds, pages.cmdRemove}) {
    EXPECT_GT(OnPage(4, button).left(), OnPage(4, pages.lstAvailableFlds).right());
    EXPECT_LT(OnPage(4, button).right(), OnPage(4, pages.lstSelectedFlds).left());
  }
  EXPECT_LT(pages.cmdSelectAllFlds->geometry().bottom(),
            pages.cmdRemove->geometry().top());
  EXPECT_LT(OnPage(4, Find(4, "Label2(2)")).bottom(),
            OnPage(4, Find(4, "Label2(0)")).top());
}

TEST_F(FilterWizardPagesTest, AcceleratorsReachTheirControls) {
  // clang-format off
  ExpectAccelerators({
      {1, 'S', "optImportCategory(3)", true}, {1, 'T', "optImportCategory(4)", true},
      {2, 'C', "Combo1(0)"}, {2, 'A', "Combo1(0)"}, {2, 'R', "Combo1(6)"},
      {2, 'Z', "text1(0)"}, {2, 'L', "TDBDate(2)"}, {3, 'M', "Combo1(1)"},
      {3, 'C', "TDBDate(1)"}, {3, 'Q', "optInvoiceType(2)", true},
      {3, 'R', "optInvoiceType(3)", true}, {4, 'A', "lstAvailableFlds"},
      {4, 'S', "lstSelectedFlds"}, {6, 'I', "cboInvItemType"}, {6, 'T', "cboInvItemType"},
      {7, 'S', "cboDocsMake"}, {7, 'M', "cboDocsMake"}, {8, 'M', "cboServTipsMake"}});
  // clang-format on
  // Letters used twice on a page take turns between their controls; each
  // caption still leads to its own.
  using Buddy = std::tuple<int16_t, const char*, const char*>;
  for (const auto& [page, label, buddy] :
       {Buddy{2, "Label1(1)", "text1(0)"}, Buddy{2, "Label1(2)", "text1(1)"},
        Buddy{2, "Label1(0)", "TDBDate(2)"}, Buddy{2, "Label1(3)", "TDBDate(0)"},
        Buddy{3, "Label1(7)", "Combo1(2)"}, Buddy{3, "Label1(9)", "Combo1(2)"},
        Buddy{3, "Label1(8)", "Combo1(1)"}}) {
    EXPECT_EQ(Find<QLabel>(page, label)->buddy(), Find(page, buddy)) << label;
  }
  // The invoice page's ranges: "&From:" and "&To:" lead to their own inputs.
  for (const auto& [frame, from, to] :
       {std::tuple{"Frame2(4)", "TDBDate(4)", "TDBDate(5)"},
        std::tuple{"Frame2(2)", "TDBDate(1)", "TDBDate(3)"},
        std::tuple{"Frame2(3)", "text1(2)", "text1(3)"}}) {
    const QList<QLabel*> labels =
        Find(3, frame)->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(labels.size(), 2) << frame;
    EXPECT_EQ(labels[0]->text(), "&From:");
    EXPECT_EQ(labels[0]->buddy(), Find(3, from)) << frame;
    EXPECT_EQ(labels[1]->text(), "&To:");
    EXPECT_EQ(labels[1]->buddy(), Find(3, to)) << frame;
  }
}

TEST_F(FilterWizardPagesTest, OptionGroupsStartChosenAndStayApart) {
  for (int i = 0; i < 6; ++i) EXPECT_EQ(pages.optImportCategory[i]->isChecked(), i == 0);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(pages.optInvoiceType[i]->isChecked(), i == 0);
  ShowOnly(1);
  ClickIndicator(pages.optImportCategory[5]);
  EXPECT_TRUE(pages.optImportCategory[5]->isChecked());
  EXPECT_FALSE(pages.optImportCategory[0]->isChecked());
  EXPECT_TRUE(pages.optInvoiceType[0]->isChecked());
  ShowOnly(3);
  ClickIndicator(pages.optInvoiceType[3]);
  EXPECT_TRUE(pages.optInvoiceType[3]->isChecked());
  EXPECT_FALSE(pages.optInvoiceType[0]->isChecked());
  EXPECT_TRUE(pages.optImportCategory[5]->isChecked());
}

TEST_F(FilterWizardPagesTest, EverythingFitsOnItsPageUncutAndApart) {
  ExpectEverythingFits();
}

TEST_F(ImportWizardPagesTest, EveryControlIsAsCataloguedAndHandedBack) {
  ExpectCatalogue();
  EXPECT_TRUE(Find(0, "lblWelcome")->font().bold());
  EXPECT_DOUBLE_EQ(Find(0, "lblWelcome")->font().pointSizeF(), 11.25);
  EXPECT_TRUE(pages.lblPercent->font().bold());
  EXPECT_EQ(pages.lblPercent->font().families().value(0), "Verdana");
  ExpectSectionTitle(2, "Label1(21)", "Line1(10)", "Line1(11)");

  ExpectElements(pages.optImportCategory, "optImportCategory");
  // clang-format off
  ExpectNamed({{pages.Drive1, "Drive1"}, {pages.Dir1, "Dir1"}, {pages.Drive2, "Drive2"},
               {pages.Dir2, "Dir2"}, {pages.lstchkGeneral, "lstchkGeneral"},
               {pages.txtFrom, "txtFrom"}, {pages.cmdFrom, "cmdFrom"},
               {pages.tMessage, "tMessage"}, {pages.PBar, "PBar"},
               {pages.lblPercent, "lblPercent"}});
  // clang-format on
}

TEST_F(ImportWizardPagesTest, ControlsReadAndTabInCatalogueOrder) {
  ExpectOrders();
  EXPECT_LT(pages.cmdFrom->width() * 4, pages.txtFrom->width())
      << "a small browse button";
}

TEST_F(ImportWizardPagesTest, AcceleratorsReachTheirControls) {
  ExpectAccelerators({{1, 'Z', "optImportCategory(1)", true},
                      {2, 'M', "Drive1"},
                      {2, 'H', "Drive2"},
                      {6, 'F', "txtFrom"}});
  // The sources that cannot be imported do not answer their letters.
  ShowOnly(1);
  QTest::keyClick(&window_, Qt::Key_B, Qt::AltModifier);
  QTest::keyClick(&window_, Qt::Key_T, Qt::AltModifier);
  QTest::qWait(200);
  EXPECT_TRUE(pages.optImportCategory[1]->isChecked());
}

TEST_F(ImportWizardPagesTest, OnlyZipCodesAndTheLegacyApplicationCanBeChosen) {
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(pages.optImportCategory[i]->isEnabled(), i == 1 || i == 5) << i;
    EXPECT_EQ(pages.optImportCategory[i]->isChecked(), i == 5) << i;
  }
  ShowOnly(1);
  ClickIndicator(pages.optImportCategory[2]);
  EXPECT_TRUE(pages.optImportCategory[5]->isChecked());
  ClickIndicator(pages.optImportCategory[1]);
  EXPECT_TRUE(pages.optImportCategory[1]->isChecked());
  EXPECT_FALSE(pages.optImportCategory[5]->isChecked());
}

TEST_F(ImportWizardPagesTest, EverythingFitsOnItsPageUncutAndApart) {
  ExpectEverythingFits();
}

}  // namespace
}  // namespace vdimpexp::wizard

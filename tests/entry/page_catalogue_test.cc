// What the two wizards show, page by page, as the user walks them with Next
// for every category: headers, controls in reading order, pages visited.
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>
#include <map>
#include <set>

#include "wizard/date_input.h"
#include "wizard_probe.h"

namespace vdimpexp::testing {
namespace {

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
const Catalogue kFilterPages = {
    {0, {{}, {{"Image2", kImage}, {"lblWelcome", kTitle, "Select Records With Filters"},
         {"Label5(0)", kLabel,
          "With a filter, you can find records based on whether they contain a specific "
          "value in a particular field or fields. For example, you can find all records "
          "that have \"91773\" in the Zip Code field. When you apply the filter, only "
          "the records that contain the value that you selected will show in the "
          "selection."}}}},
    {1, {{"Filter Category", "Select category you wish to work with."},
         {{"optImportCategory(0)", kChosen, "&Business contacts and customers"},
         {"optImportCategory(1)", kOption, "&Business contacts, customers and invoices"},
         {"optImportCategory(5)", kOption, "&Invoices (Export to Access database)"},
         {"optImportCategory(2)", kOption, "&Inventory"},
         {"optImportCategory(3)", kOption, "&Service Documents (Manuals)"},
         {"optImportCategory(4)", kOption, "Service &Tips"}}}},
    {2, {{"Filter Customers", "Select how you wish to filter customers."},
         {{"Label1(4)", kTitle, "&Contacts"}, {"Line1(0)", kLine}, {"Line1(1)", kLine},
         {"Label1(19)", kLabel, "&Acc. Type:"}, {"Combo1(0)", kList, "<All>"},
         {"Label1(16)", kLabel, "&Ref By:"}, {"Combo1(6)", kList, "<All>"},
         {"Frame2(0)", kFrame, "&Zip Code"}, {"Label1(1)", kLabel, "&From:"},
         {"text1(0)", kText}, {"Label1(2)", kLabel, "&To:"}, {"text1(1)", kText},
         {"Frame2(1)", kFrame, "&Last Visit"}, {"Label1(0)", kLabel, "&From:"},
         {"TDBDate(2)", kDate}, {"Label1(3)", kLabel, "&To:"}, {"TDBDate(0)", kDate}}}},
    {3, {{"Filter Invoices", "Select how you wish to filter invoices."},
         {{"Label1(7)", kTitle, "&Invoices"}, {"Line1(2)", kLine}, {"Line1(3)", kLine},
         {"Label1(9)", kLabel, "&Status:", 1}, {"Combo1(2)", kList, "<All>", 1},
         {"Label1(8)", kLabel, "&Make:", 1}, {"Combo1(1)", kList, "<All>", 1},
         {"Frame2(4)", kFrame, "&Service Requested", 1}, {"TDBDate(4)", kDate, "", 1},
         {"TDBDate(5)", kDate, "", 1}, {"Frame2(2)", kFrame, "&Claimed", 1},
         {"TDBDate(1)", kDate, "", 1}, {"TDBDate(3)", kDate, "", 1},
         {"Frame2(3)", kFrame, "&Invoice Numbers", 1}, {"text1(2)", kText, "", 1},
         {"text1(3)", kText, "", 1}, {"Frame1", kFrame, "&Invoice Types", 2},
         {"optInvoiceType(0)", kChosen, "<All>", 2},
         {"optInvoiceType(1)", kOption, "&Sales", 2},
         {"optInvoiceType(2)", kOption, "&Quotes", 2},
         {"optInvoiceType(3)", kOption, "&Repairs", 2}}}},
    {4, {{"Export Field Selection",
          "Please select the fields of the selected data you would like to export."},
         {{"Label2(2)", kLabel, "Double-click to select/deselect"},
         {"Label2(0)", kLabel, "&Available Fields", 1},
         {"lstAvailableFlds", kListBox, "", 1},
         {"cmdSelectAllFlds", kButton, ">>", 2}, {"cmdRemove", kButton, "<<", 2},
         {"lblSelectedFlds", kLabel, "&Selected Fields", 3},
         {"lstSelectedFlds", kListBox, "", 3}}}},
    {5, {{"Export Format", "Please select the format for the data export. "},
         {{"lstExportFormats", kListBox}}}},
    {6, {{"Inventory Items Selection", "Please select the type of inventory items."},
         {{"Label1(15)", kTitle, "&Inventory"}, {"Line1(4)", kLine}, {"Line1(5)", kLine},
         {"Label1(14)", kLabel, "Item &Type:"}, {"cboInvItemType", kList, "<All>"}}}},
    {7, {{"Service Documents (Manuals) Selection", "Please make your selection."},
         {{"Label1(17)", kTitle, "&Service Documents"}, {"Line1(8)", kLine},
         {"Line1(9)", kLine}, {"Label1(18)", kLabel, "&Make:"},
         {"cboDocsMake", kList, "<All>"}}}},
    {8, {{"Service Tips Selection", "Please make your selection."},
         {{"Label1(21)", kTitle, "Service Tips"}, {"Line1(10)", kLine},
         {"Line1(11)", kLine},
         {"Label1(20)", kLabel, "&Make:"}, {"cboServTipsMake", kList, "<All>"}}}},
    {9, {{"Finished!", "Export completed."},
         {{"lblFinishedMsg", kLabel, "Export completed..."}, {"lblPercent", kTitle}}}},
};
// What the selection wizard shows instead.
const std::map<int, Header> kSelectingHeaders = {
    {4, {"Sorting Field Selection", "The order in which numbers, text, and special "
                                    "characters are sorted depends on the source data."}},
    {9, {"Finished!", "About to start with your request..."}}};

const Catalogue kImportPages = {
    {0, {{}, {{"Image2", kImage}, {"lblWelcome", kTitle, "'Verdacor!® Import Wizard"},
         {"Label5(0)", kLabel,
          "This wizard makes it easy to import data into 'Verdacor!®. This wizard "
          "guides you through the steps to import data from text files and other "
          "applications"}}}},
    {1, {{"Choose A Database Or Application", "Where would you like to copy data from?"},
         {{"optImportCategory(0)", kOff, "&Business contacts and customers"},
         {"optImportCategory(2)", kOff, "&Inventory"},
         {"optImportCategory(3)", kOff, "&Service Documents (Manuals)"},
         {"optImportCategory(4)", kOff, "Service &Tips"},
         {"optImportCategory(1)", kOption, "&Zip Codes"},
         {"optImportCategory(5)", kChosen, "XAV DOS/Windows (Software Application)"}}}},
    {2, {{"Database Directories", "Please select the location of your XAV database, and "
                                  "History Directories. Double-click to select folder."},
         {{"Label1(21)", kTitle, "Database Locations"}, {"Line1(10)", kLine},
         {"Line1(11)", kLine}, {"Label2(0)", kLabel, "&Main Database Directory", 1},
         {"Drive1", kDrive, "", 1}, {"Dir1", kDirectory, "", 1},
         {"Label2(1)", kLabel, "&History Directory", 2}, {"Drive2", kDrive, "", 2},
         {"Dir2", kDirectory, "", 2}}}},
    {3, {{"Available XAV Databases",
          "Please select the XAV database(s) you wish to import."},
         {{"lstchkGeneral", kListBox}}}},
    {6, {{"Choose a Data Source",
          "Locate the ASCII Text file you wish to import data from into 'Verdacor!®."},
         {{"Label4(0)", kLabel, "Import &From:"}, {"txtFrom", kText},
         {"cmdFrom", kButton, "..."}}}},
    {9, {{"Finished!", "About to start with your request..."},
         {{"tMessage", kMemo, "Click FINISH to begin..."}, {"PBar", kProgress},
         {"lblPercent", kTitle}}}},
};

// Below the pages of either wizard: the etched separator over the buttons.
const std::vector<Catalogued> kButtonRow = {
    {"Line1(7)", kLine}, {"Line1(6)", kLine}, {"cmdCancel", kButton, "&Cancel"},
    {"cmdPrevious", kButton, "< &Previous"}, {"cmdNext", kButton, "&Next >"},
    {"cmdFinish", kButton, "&Finish"}};

bool HasKind(QWidget* w, Kind kind) {
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

QString Caption(QWidget* w, Kind kind) {
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
bool ReadsAfter(const QRect& a, const QRect& b) {
  const bool one_line = a.top() <= b.bottom() && b.top() <= a.bottom();
  return a.contains(b) || (one_line ? a.right() < b.left() : a.bottom() < b.top());
}

// Every control is there as catalogued, shown within its parent and the
// page, in the catalogue's reading order and blocks.
void ExpectAsCatalogued(QWidget& page, const std::vector<Catalogued>& controls) {
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

class PageCatalogueTest : public WizardTest {
 protected:
  // The window as it opens: its size, title and frame, the welcome page
  // without the header band.
  void ExpectOpened(QDialog& window, const char* title, const Catalogue& pages) {
    EXPECT_EQ(window.size(), QSize(476, 435));
    EXPECT_EQ(window.windowTitle().toStdString(), title);
    ExpectAsCatalogued(window, kButtonRow);
    EXPECT_EQ(ButtonStates(window), "-N-");
    ExpectShown(window, pages, 0, {});
  }

  // The page shown, its header, and its controls the first time it is seen.
  void ExpectShown(QDialog& window, const Catalogue& pages, int page, Header header) {
    SCOPED_TRACE("page " + std::to_string(page));
    ASSERT_EQ(ShownPage(window), page);
    EXPECT_EQ(HeaderShown(window), header.title != nullptr);
    if (header.title) {
      EXPECT_EQ(Text(window, "lblHeader"), header.title);
      EXPECT_EQ(Text(window, "lblStep"), header.step);
    }
    if (seen_.insert({&pages, page}).second) {
      ExpectAsCatalogued(Control(window, QString("picWizard(%1)").arg(page)),
                         pages.at(page).controls);
    }
  }

  std::set<std::pair<const Catalogue*, int>> seen_;
};

TEST_F(PageCatalogueTest, FilterWizardPagesForEveryCategoryInBothModes) {
  struct Walk {
    bool exporting;
    int category;
    std::vector<int> pages;
  };
  // The selection walks come first: the last page keeps its design text
  // only until an export has run.
  // clang-format off
  const Walk walks[] = {
      {false, 0, {1, 2, 4, 9}}, {false, 1, {1, 2, 3, 4, 9}}, {false, 2, {1, 6, 4, 9}},
      {false, 3, {1, 7, 4, 9}}, {false, 4, {1, 8, 4, 9}}, {false, 5, {1, 3, 9}},
      {true, 0, {1, 2, 4, 5, 9}}, {true, 1, {1, 2, 3, 4, 5, 9}},
      {true, 2, {1, 6, 4, 5, 9}}, {true, 3, {1, 7, 4, 5, 9}},
      {true, 4, {1, 8, 4, 5, 9}}, {true, 5, {1, 3, 9}}};
  // clang-format on
  for (const Walk& walk : walks) {
    SCOPED_TRACE((walk.exporting ? "export, category " : "selection, category ") +
                 std::to_string(walk.category));
    WhenShown([&](QDialog& window) {
      ExpectOpened(window, "Filter Wizard", kFilterPages);
      for (int page : walk.pages) {
        if (ShownPage(window) == 1) ChooseCategory(window, walk.category);
        Button(window, "cmdNext").click();
        EXPECT_EQ(ButtonStates(window), page == 9 ? "P-F" : "PN-");
        ASSERT_NO_FATAL_FAILURE(
            ExpectShown(window, kFilterPages, page,
                        !walk.exporting && kSelectingHeaders.contains(page)
                            ? kSelectingHeaders.at(page)
                            : kFilterPages.at(page).header));
      }
      EXPECT_THAT(
          Entries(Control<QListWidget>(window, "lstExportFormats")),
          ElementsAre("Microsoft Jet (Access)", "dBASE III", "dBASE IV", "dBASE 5",
                      "Paradox 3.x", "Paradox 4.x", "Paradox 5.x", "Excel 3.0",
                      "Excel 4.0", "Excel 5.0", "Excel 95", "Excel 97",
                      "Lotus 123 WKS and WK1", "Lotus 123 WK3", "Lotus 123 WK4", "HTML",
                      "Text (Comma Delimited)", "OBDC", "Microsoft Exchange", "XML"));
      EXPECT_EQ(Control<QListWidget>(window, "lstExportFormats").currentRow(), 0);
      Button(window, "cmdFinish").click();
    });
    std::string sql;
    int16_t category = -1;
    if (walk.exporting) {
      // The invoice export asks for an existing database until cancelled.
      if (walk.category == 5) prompts_.AnswerNext(MessageAnswer::kCancel);
      component_.ExportData(connection_);
      EXPECT_TRUE(walk.category != 5 ||
                  prompts_.questions().back().text ==
                      "You must select an existing Access database!");
    } else {
      component_.SQLSelected(connection_, sql, category);
      EXPECT_EQ(category, walk.category);
    }
  }
  EXPECT_EQ(seen_.size(), kFilterPages.size()) << "every page was seen";
}

TEST_F(PageCatalogueTest, ImportWizardPagesForBothSources) {
  for (auto [source, pages] : {std::pair{5, std::vector{1, 2, 3, 9}}, {1, {1, 6}}}) {
    SCOPED_TRACE("source " + std::to_string(source));
    WhenShown([&](QDialog& window) {
      ExpectOpened(window, "Import Wizard", kImportPages);
      EXPECT_EQ(Control<QTimer>(window, "tmrCheckEntries").interval(), 500);
      for (int page : pages) {
        // What each page needs before the entry checker lets the user on.
        const int shown = ShownPage(window);
        if (shown == 1) ChooseCategory(window, source);
        if (shown == 2) SetFolder(window, "Dir1", scratch_.File(""));
        EXPECT_TRUE(shown < 2 || !BecomesEnabled(window, "cmdNext", true, 700));
        if (shown == 2) SetFolder(window, "Dir1", VDIMPEXP_LEGACY_DEMO_DIR "/main");
        if (shown == 3)
          Control<QListWidget>(window, "lstchkGeneral")
              .item(0)
              ->setCheckState(Qt::Checked);
        ASSERT_TRUE(BecomesEnabled(window, "cmdNext"));
        Button(window, "cmdNext").click();
        EXPECT_EQ(ButtonStates(window), page == 9 ? "P-F" : "P--");
        ASSERT_NO_FATAL_FAILURE(
            ExpectShown(window, kImportPages, page, kImportPages.at(page).header));
      }
      Button(window, "cmdCancel").click();
    });
    component_.ImportData(connection_);
  }
  EXPECT_EQ(seen_.size(), kImportPages.size()) << "every page was seen";
}

}  // namespace
}  // namespace vdimpexp::testing

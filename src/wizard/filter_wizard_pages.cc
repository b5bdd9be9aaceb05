#include "wizard/filter_wizard_pages.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <tuple>
#include <utility>

#include "wizard/page_parts.h"

namespace vdimpexp::wizard {
namespace {

// The buttons between the two field lists are this small so that the lists
// keep the room.
constexpr QSize kFieldButtonSize(33, 17);

QVBoxLayout* PageColumn(QWidget& page) {
  PreparePage(page);
  auto* column = new QVBoxLayout(&page);
  column->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
  column->setSpacing(kControlSpacing);
  return column;
}

// Label and drop-down list on one row of `grid`; the label's accelerator
// leads to the list.
QComboBox* AddLabelledList(QWidget& page, QGridLayout* grid, int row, int label_index,
                           const char* caption, const QString& list_name) {
  QLabel* label = AddLabel(&page, ElementName("Label1", label_index), caption);
  QComboBox* list = AddDropDownList(&page, list_name);
  label->setBuddy(list);
  grid->addWidget(label, row, 0);
  grid->addWidget(list, row, 1);
  return list;
}

QGridLayout* AddListGrid(QVBoxLayout* column) {
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(kControlSpacing * 2);
  grid->setVerticalSpacing(kControlSpacing);
  // The lists keep their own width; the rest of the row stays empty.
  grid->setColumnStretch(2, 1);
  column->addLayout(grid);
  return grid;
}

// The names of a titled From/To frame and its four controls.
struct RangeNames {
  QString frame;
  const char* title;
  QString from_label;
  QString from;
  QString to_label;
  QString to;
};

// A frame holding "&From:", input, "&To:", input on one line; the two
// inputs are made in that order so that the tab order follows the line.
template <typename Input>
std::pair<Input*, Input*> AddRangeFrame(QWidget& page, QVBoxLayout* column,
                                        const RangeNames& names) {
  auto* frame = new QGroupBox(names.title, &page);
  frame->setObjectName(names.frame);
  auto* line = new QHBoxLayout(frame);
  line->setContentsMargins(8, 4, 8, 6);
  line->setSpacing(kControlSpacing);
  QLabel* from_label = AddLabel(frame, names.from_label, "&From:");
  auto* from = new Input(frame);
  from->setObjectName(names.from);
  QLabel* to_label = AddLabel(frame, names.to_label, "&To:");
  auto* to = new Input(frame);
  to->setObjectName(names.to);
  from_label->setBuddy(from);
  to_label->setBuddy(to);
  line->addWidget(from_label);
  line->addWidget(from, 1);
  line->addSpacing(kControlSpacing);
  line->addWidget(to_label);
  line->addWidget(to, 1);
  column->addWidget(frame);
  return {from, to};
}

void BuildCategoryPage(QWidget& page, FilterWizardPages& pages) {
  QVBoxLayout* column = PageColumn(page);
  column->setContentsMargins(24, 16, kPageMargin, kPageMargin);
  column->setSpacing(10);
  AddOptionGroup(&page, column, "optImportCategory",
                 {{0, "&Business contacts and customers"},
                  {1, "&Business contacts, customers and invoices"},
                  {5, "&Invoices (Export to Access database)"},
                  {2, "&Inventory"},
                  {3, "&Service Documents (Manuals)"},
                  {4, "Service &Tips"}},
                 0, pages.optImportCategory);
  column->addStretch(1);
}

void BuildContactsPage(QWidget& page, FilterWizardPages& pages) {
  QVBoxLayout* column = PageColumn(page);
  QLabel* title = AddSectionTitle(&page, column, 4, "&Contacts", 0, 1);
  QGridLayout* grid = AddListGrid(column);
  pages.Combo1[0] = AddLabelledList(page, grid, 0, 19, "&Acc. Type:", "Combo1(0)");
  pages.Combo1[6] = AddLabelledList(page, grid, 1, 16, "&Ref By:", "Combo1(6)");
  title->setBuddy(pages.Combo1[0]);
  column->addSpacing(kControlSpacing);
  std::tie(pages.text1[0], pages.text1[1]) = AddRangeFrame<QLineEdit>(
      page, column,
      {"Frame2(0)", "&Zip Code", "Label1(1)", "text1(0)", "Label1(2)", "text1(1)"});
  std::tie(pages.TDBDate[2], pages.TDBDate[0]) = AddRangeFrame<DateInput>(
      page, column,
      {"Frame2(1)", "&Last Visit", "Label1(0)", "TDBDate(2)", "Label1(3)", "TDBDate(0)"});
  column->addStretch(1);
}

void BuildInvoicesPage(QWidget& page, FilterWizardPages& pages) {
  QVBoxLayout* column = PageColumn(page);
  QLabel* title = AddSectionTitle(&page, column, 7, "&Invoices", 2, 3);
  // The filters on the left, the invoice types in a frame beside them and
  // as tall as they are.
  auto* sides = new QHBoxLayout;
  sides->setSpacing(kPageMargin);
  column->addLayout(sides);
  column->addStretch(1);
  auto* filters = new QVBoxLayout;
  filters->setSpacing(kControlSpacing);
  sides->addLayout(filters, 1);

  QGridLayout* grid = AddListGrid(filters);
  pages.Combo1[2] = AddLabelledList(page, grid, 0, 9, "&Status:", "Combo1(2)");
  pages.Combo1[1] = AddLabelledList(page, grid, 1, 8, "&Make:", "Combo1(1)");
  title->setBuddy(pages.Combo1[2]);
  filters->addSpacing(kControlSpacing);
  std::tie(pages.TDBDate[4], pages.TDBDate[5]) =
      AddRangeFrame<DateInput>(page, filters,
                               {"Frame2(4)", "&Service Requested", "lblRequestedFrom",
                                "TDBDate(4)", "lblRequestedTo", "TDBDate(5)"});
  std::tie(pages.TDBDate[1], pages.TDBDate[3]) =
      AddRangeFrame<DateInput>(page, filters,
                               {"Frame2(2)", "&Claimed", "lblClaimedFrom", "TDBDate(1)",
                                "lblClaimedTo", "TDBDate(3)"});
  std::tie(pages.text1[2], pages.text1[3]) =
      AddRangeFrame<QLineEdit>(page, filters,
                               {"Frame2(3)", "&Invoice Numbers", "lblInvoiceNoFrom",
                                "text1(2)", "lblInvoiceNoTo", "text1(3)"});

  auto* types = new QGroupBox("&Invoice Types", &page);
  types->setObjectName("Frame1");
  auto* type_column = new QVBoxLayout(types);
  type_column->setContentsMargins(10, 6, 10, 8);
  type_column->setSpacing(8);
  AddOptionGroup(types, type_column, "optInvoiceType",
                 {{0, "<All>"}, {1, "&Sales"}, {2, "&Quotes"}, {3, "&Repairs"}}, 0,
                 pages.optInvoiceType);
  type_column->addStretch(1);
  sides->addWidget(types);
}

void BuildFieldsPage(QWidget& page, FilterWizardPages& pages) {
  QVBoxLayout* column = PageColumn(page);
  column->addWidget(AddLabel(&page, "Label2(2)", "Double-click to select/deselect"));
  column->addSpacing(kControlSpacing);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(kControlSpacing * 2);
  grid->setVerticalSpacing(3);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(1, 1);
  column->addLayout(grid, 1);

  QLabel* available = AddLabel(&page, "Label2(0)", "&Available Fields");
  pages.lstAvailableFlds = new QListWidget(&page);
  pages.lstAvailableFlds->setObjectName("lstAvailableFlds");
  available->setBuddy(pages.lstAvailableFlds);
  pages.lblSelectedFlds = AddLabel(&page, "lblSelectedFlds", "&Selected Fields");
  pages.lstSelectedFlds = new QListWidget(&page);
  pages.lstSelectedFlds->setObjectName("lstSelectedFlds");
  pages.lblSelectedFlds->setBuddy(pages.lstSelectedFlds);
  pages.cmdSelectAllFlds = new QPushButton(">>", &page);
  pages.cmdSelectAllFlds->setObjectName("cmdSelectAllFlds");
  pages.cmdRemove = new QPushButton("<<", &page);
  pages.cmdRemove->setObjectName("cmdRemove");
  // Neither button may take Enter from the lists: the frame's buttons answer
  // it.
  for (QPushButton* button : {pages.cmdSelectAllFlds, pages.cmdRemove}) {
    button->setFixedSize(kFieldButtonSize);
    button->setAutoDefault(false);
  }

  grid->addWidget(available, 0, 0);
  grid->addWidget(pages.lstAvailableFlds, 1, 0);
  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(kControlSpacing);
  buttons->addStretch(1);
  buttons->addWidget(pages.cmdSelectAllFlds);
  buttons->addWidget(pages.cmdRemove);
  buttons->addStretch(1);
  grid->addLayout(buttons, 1, 1);
  grid->addWidget(pages.lblSelectedFlds, 0, 2);
  grid->addWidget(pages.lstSelectedFlds, 1, 2);
}

// The three pages that filter on one list: a section title and one labelled
// drop-down list.
QComboBox* BuildOneListPage(QWidget& page, int title_index, const char* title_caption,
                            int dark_index, int light_index, int label_index,
                            const char* label_caption, const char* list_name) {
  QVBoxLayout* column = PageColumn(page);
  QLabel* title =
      AddSectionTitle(&page, column, title_index, title_caption, dark_index, light_index);
  QComboBox* list = AddLabelledList(page, AddListGrid(column), 0, label_index,
                                    label_caption, list_name);
  title->setBuddy(list);
  column->addStretch(1);
  return list;
}

void BuildFinishedPage(QWidget& page, FilterWizardPages& pages) {
  QVBoxLayout* column = AddFinishedPageColumn(page);
  pages.lblFinishedMsg = AddLabel(&page, "lblFinishedMsg", "Export completed...");
  QFont message_font = WindowFont();
  message_font.setPointSizeF(11.25);
  pages.lblFinishedMsg->setFont(message_font);
  pages.lblFinishedMsg->setWordWrap(true);
  pages.lblFinishedMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  column->addWidget(pages.lblFinishedMsg, 1);
  pages.lblPercent = AddPercentLabel(page);
  column->addWidget(pages.lblPercent);
}

}  // namespace

FilterWizardPages BuildFilterWizardPages(const PageLookup& page) {
  FilterWizardPages pages;
  BuildWelcomePage(*page(0), "Select Records With Filters",
                   "With a filter, you can find records based on whether they contain a "
                   "specific value in a particular field or fields. For example, you can "
                   "find all records that have \"91773\" in the Zip Code field. When you "
                   "apply the filter, only the records that contain the value that you "
                   "selected will show in the selection.",
                   QStyle::SP_FileDialogContentsView);
  BuildCategoryPage(*page(1), pages);
  BuildContactsPage(*page(2), pages);
  BuildInvoicesPage(*page(3), pages);
  BuildFieldsPage(*page(4), pages);
  pages.lstExportFormats = AddPageList(*page(5), "lstExportFormats");
  pages.cboInvItemType = BuildOneListPage(*page(6), 15, "&Inventory", 4, 5, 14,
                                          "Item &Type:", "cboInvItemType");
  pages.cboDocsMake = BuildOneListPage(*page(7), 17, "&Service Documents", 8, 9, 18,
                                       "&Make:", "cboDocsMake");
  pages.cboServTipsMake = BuildOneListPage(*page(8), 21, "Service Tips", 10, 11, 20,
                                           "&Make:", "cboServTipsMake");
  BuildFinishedPage(*page(9), pages);
  return pages;
}

}  // namespace vdimpexp::wizard

#include "export/filter_wizard.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "export/export_formats.h"
#include "export/export_selection.h"
#include "export/invoice_export.h"
#include "support/host_connection.h"
#include "support/prompts.h"
#include "support/window_routines.h"
#include "wizard/keyboard_order.h"

namespace vdimpexp::exporting {
namespace {

void FillList(QComboBox& list, const std::vector<ListEntry>& entries) {
  list.addItem(QString::fromUtf8(kAllEntry));
  for (const ListEntry& entry : entries) {
    list.addItem(QString::fromStdString(entry.text), entry.item_data);
  }
  list.setCurrentIndex(0);
}

ListChoice ChoiceOf(const QComboBox& list) {
  if (list.currentText() == QString::fromUtf8(kAllEntry)) return std::nullopt;
  return list.currentData(support::kItemDataRole).toInt();
}

TextRange RangeOf(const QLineEdit& from, const QLineEdit& to) {
  return {from.text().toStdString(), to.text().toStdString()};
}

DateRange RangeOf(const wizard::DateInput& from, const wizard::DateInput& to) {
  return {from.Value(), to.Value()};
}

std::vector<std::string> EntriesOf(const QListWidget& list) {
  std::vector<std::string> entries;
  for (int row = 0; row < list.count(); ++row) {
    entries.push_back(list.item(row)->text().toStdString());
  }
  return entries;
}

// Entries without a position go to the end: the lists keep the table's
// column order and then the order of the user's choices.
void MoveCurrentEntry(QListWidget& from, QListWidget& to) {
  int row = from.currentRow();
  if (row < 0) return;
  to.addItem(from.item(row)->text());
  delete from.takeItem(row);
  // The entry that took its place, so that a key pressed again moves it.
  from.setCurrentRow(std::min(row, from.count() - 1));
}

}  // namespace

fFilterWizard::fFilterWizard()
    : WizardWindow("Filter Wizard", wizard::kFilterWizardPages,
                   wizard::NextStyle::kRunHookFirst),
      controls_(wizard::BuildFilterWizardPages(Pages())) {
  setObjectName("fFilterWizard");
  connect(controls_.lstAvailableFlds, &QListWidget::itemDoubleClicked, this,
          [this] { lstAvailableFlds_DblClick(); });
  connect(controls_.lstSelectedFlds, &QListWidget::itemDoubleClicked, this,
          [this] { lstSelectedFlds_DblClick(); });
  // The keyboard's double-click: Return or Space, and Insert or Delete as
  // the list's purpose suggests.
  wizard::OnListKeys(*controls_.lstAvailableFlds,
                     {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_Insert},
                     [this] { lstAvailableFlds_DblClick(); });
  wizard::OnListKeys(*controls_.lstSelectedFlds,
                     {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_Delete},
                     [this] { lstSelectedFlds_DblClick(); });
  connect(controls_.cmdSelectAllFlds, &QPushButton::clicked, this,
          [this] { cmdSelectAllFlds_Click(); });
  connect(controls_.cmdRemove, &QPushButton::clicked, this,
          [this] { Guarded([this] { cmdRemove_Click(); }); });
}

void fFilterWizard::Export() {
  ExportMode_ = true;
  ShowModal();
}

void fFilterWizard::FilterSQL(std::string& SelectionSQL, int16_t& sqlCat) {
  ShowModal();
  SelectionSQL = ResultSQL_;
  sqlCat = ResultCategory_;
}

int fFilterWizard::Category() const {
  return support::SelectedOptionIndex(controls_.optImportCategory);
}

std::vector<std::string> fFilterWizard::SetupWizardSteps() const {
  return wizard::FilterWizardSteps(ExportMode_);
}

void fFilterWizard::LoadForm() {
  selected_fields_caption_ = controls_.lblSelectedFlds->text();
  FillFilterLists(LoadFilterLists(support::HostConnection()));
  for (wizard::DateInput* date : controls_.TDBDate) date->SetValue(std::nullopt);
  for (const ExportFormat& format : kExportFormats) {
    controls_.lstExportFormats->addItem(QString::fromUtf8(format.entry));
  }
  controls_.lstExportFormats->setCurrentRow(0);
}

void fFilterWizard::FillFilterLists(const FilterLists& lists) {
  FillList(*controls_.Combo1[0], lists.account_types);
  FillList(*controls_.Combo1[6], lists.referral_sources);
  FillList(*controls_.Combo1[2], lists.job_statuses);
  FillList(*controls_.cboInvItemType, lists.item_types);
  for (QComboBox* makes :
       {controls_.cboDocsMake, controls_.Combo1[1], controls_.cboServTipsMake}) {
    FillList(*makes, lists.makes);
  }
}

SelectionRequest fFilterWizard::ReadSelectionRequest() const {
  const wizard::FilterWizardPages& c = controls_;
  return {
      .category = Category(),
      .filters =
          {
              .account_type = ChoiceOf(*c.Combo1[0]),
              .referral_source = ChoiceOf(*c.Combo1[6]),
              .zip_codes = RangeOf(*c.text1[0], *c.text1[1]),
              .last_visit = RangeOf(*c.TDBDate[2], *c.TDBDate[0]),
              .status = ChoiceOf(*c.Combo1[2]),
              .make = ChoiceOf(*c.Combo1[1]),
              .service_requested = RangeOf(*c.TDBDate[4], *c.TDBDate[5]),
              .claimed = RangeOf(*c.TDBDate[1], *c.TDBDate[3]),
              .invoice_numbers = RangeOf(*c.text1[2], *c.text1[3]),
              .invoice_type = static_cast<InvoiceTypeChoice>(
                  support::SelectedOptionIndex(c.optInvoiceType)),
              .item_type = ChoiceOf(*c.cboInvItemType),
              .documents_make = ChoiceOf(*c.cboDocsMake),
              .tips_make = ChoiceOf(*c.cboServTipsMake),
          },
      .export_mode = ExportMode_,
      .cancelled = Cancelled_,
      .selected_fields = EntriesOf(*c.lstSelectedFlds),
  };
}

void fFilterWizard::ShowStepHeader(const char* tag) {
  SetHeader(wizard::FilterWizardHeader(tag, ExportMode_));
}

// Runs as a page is entered with Next. Arriving at the field page offers
// every column of the category's data afresh, with none chosen; coming
// back with Previous does not run it, so the choice is kept.
void fFilterWizard::CheckActions() {
  support::ShowBusyPointer();
  if (wizard::TagIs(Engine().CurrentTag(), "SelectFlds")) {
    controls_.lstAvailableFlds->clear();
    controls_.lstSelectedFlds->clear();
    if (std::optional<std::string> source = ColumnSourceSQL(Category())) {
      for (const std::string& name : ColumnNames(support::HostConnection(), *source)) {
        controls_.lstAvailableFlds->addItem(QString::fromStdString(name));
      }
    }
    controls_.lstAvailableFlds->setCurrentRow(0);
  } else if (wizard::TagIs(Engine().CurrentTag(), "Finished") && ExportMode_) {
    ExportData();
  }
  support::RestoreMousePointer();
}

void fFilterWizard::ExportData() {
  data::Connection& host = support::HostConnection();
  std::optional<std::string> finished_message;
  if (Category() == kInvoicesToAccessCategory) {
    finished_message = AutomatedWOExp2Access(ReadSelectionRequest(), host);
  } else {
    ExportResult result = ExportSelection(
        {.format_index = static_cast<size_t>(controls_.lstExportFormats->currentRow()),
         .selection = ReadSelectionRequest()},
        host, [this](bool accepting) { setEnabled(accepting); });
    if (!result.result_sql.empty()) ResultSQL_ = result.result_sql;
    finished_message = result.finished_message;
  }
  if (finished_message) {
    controls_.lblFinishedMsg->setText(QString::fromStdString(*finished_message));
  }
}

void fFilterWizard::lstAvailableFlds_DblClick() {
  MoveCurrentEntry(*controls_.lstAvailableFlds, *controls_.lstSelectedFlds);
  ShowSelectedFieldCount();
}

void fFilterWizard::lstSelectedFlds_DblClick() {
  MoveCurrentEntry(*controls_.lstSelectedFlds, *controls_.lstAvailableFlds);
  ShowSelectedFieldCount();
}

// The offered columns stay offered, so pressing it twice lists each twice.
void fFilterWizard::cmdSelectAllFlds_Click() {
  QListWidget& available = *controls_.lstAvailableFlds;
  for (int row = 0; row < available.count(); ++row) {
    controls_.lstSelectedFlds->insertItem(row, available.item(row)->text());
  }
  ShowSelectedFieldCount();
}

void fFilterWizard::cmdRemove_Click() {
  controls_.lstSelectedFlds->clear();
  ShowSelectedFieldCount();
  CheckActions();
}

void fFilterWizard::ShowSelectedFieldCount() {
  controls_.lblSelectedFlds->setText(QStringLiteral("%1(%2)").arg(
      selected_fields_caption_, QString::number(controls_.lstSelectedFlds->count())));
}

void fFilterWizard::FinishClicked() {
  SelectionRequest request = ReadSelectionRequest();
  // The host would receive a statement cut short: the user mends the box.
  if (std::optional<std::string> problem = FilterTextProblem(request)) {
    support::ActivePrompts().Ask({.text = *problem});
    return;
  }
  Engine().Finish();
  ApplyButtonStates();
  ResultSQL_ = CreateSQL(request);
  ResultCategory_ = static_cast<int16_t>(request.category);
  support::RestoreMousePointer();
  HideWizard();
}

void fFilterWizard::CancelRequested() {
  ResultSQL_.clear();
  Cancelled_ = true;
}

}  // namespace vdimpexp::exporting

// The controls on the pages of the export (and selection) wizard. Each
// widget's object name is the control's name, with the element index in
// brackets for control arrays ("Combo1(6)", "TDBDate(2)").
#pragma once

#include <array>

#include "wizard/date_input.h"
#include "wizard/page_lookup.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QWidget;

namespace vdimpexp::wizard {

struct FilterWizardPages {
  // "SelectDB": the categories 0 to 5.
  std::array<QRadioButton*, 6> optImportCategory{};
  // "ContactsSelections" and "WorkorderSelection": elements 0, 1, 2 and 6
  // exist; the others stay null.
  std::array<QComboBox*, 7> Combo1{};
  std::array<QLineEdit*, 4> text1{};
  std::array<DateInput*, 6> TDBDate{};
  std::array<QRadioButton*, 4> optInvoiceType{};
  // "Inventory", "ServiceDocs", "ServiceTips".
  QComboBox* cboInvItemType = nullptr;
  QComboBox* cboDocsMake = nullptr;
  QComboBox* cboServTipsMake = nullptr;
  // "SelectFlds".
  QListWidget* lstAvailableFlds = nullptr;
  QListWidget* lstSelectedFlds = nullptr;
  QLabel* lblSelectedFlds = nullptr;
  QPushButton* cmdSelectAllFlds = nullptr;
  QPushButton* cmdRemove = nullptr;
  // "ExportFormats".
  QListWidget* lstExportFormats = nullptr;
  // "Finished".
  QLabel* lblFinishedMsg = nullptr;
  QLabel* lblPercent = nullptr;
};

// Fills pages 0 to 9 with their controls, in display and tab order, with
// the preselections the wizard opens with.
FilterWizardPages BuildFilterWizardPages(const PageLookup& page);

}  // namespace vdimpexp::wizard

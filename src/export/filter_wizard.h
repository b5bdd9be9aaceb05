// The export wizard, which also serves as the selection wizard: the user
// picks a category, sets its filters and fields, and either exports the
// rows or hands the selection back to the host.
#pragma once

#include <cstdint>
#include <string>

#include "export/filter_lists.h"
#include "export/selection_sql.h"
#include "wizard/filter_wizard_pages.h"
#include "wizard/wizard_window.h"

namespace vdimpexp::exporting {

class fFilterWizard : public wizard::WizardWindow {
 public:
  fFilterWizard();

  // Shows the wizard modally in export mode.
  void Export();
  // Shows the wizard modally in selection mode; afterwards the selection and
  // its category are what the wizard ended with ("" and 0 when cancelled).
  void FilterSQL(std::string& SelectionSQL, int16_t& sqlCat);

 private:
  int Category() const override;
  std::vector<std::string> SetupWizardSteps() const override;
  void LoadForm() override;
  void ShowStepHeader(const char* tag) override;
  void CheckActions() override;
  void FinishClicked() override;
  void CancelRequested() override;

  void FillFilterLists(const FilterLists& lists);
  // On arrival at the last page in export mode: writes the selection into
  // the chosen file, or the invoices into the chosen database.
  void ExportData();
  // The category and the filter pages' choices as they stand.
  SelectionRequest ReadSelectionRequest() const;

  // The field page: a double-click moves one column between the lists,
  // ">>" adds every offered column ahead of the chosen ones, "<<" starts over.
  void lstAvailableFlds_DblClick();
  void lstSelectedFlds_DblClick();
  void cmdSelectAllFlds_Click();
  void cmdRemove_Click();
  void ShowSelectedFieldCount();

  wizard::FilterWizardPages controls_;
  bool ExportMode_ = false;
  std::string ResultSQL_;
  int16_t ResultCategory_ = 0;
  bool Cancelled_ = false;
  // The selected-fields label's own caption; the count goes after it.
  QString selected_fields_caption_;
};

}  // namespace vdimpexp::exporting

// The export wizard, which also serves as the selection wizard: the user
// picks a category, sets its filters and fields, and either exports the
// rows or hands the selection back to the host.
#pragma once

#include <cstdint>
#include <string>

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
  void ShowStepHeader(const char* tag) override;
  void CheckActions() override;
  void FinishClicked() override;
  void CancelRequested() override;

  wizard::FilterWizardPages controls_;
  bool ExportMode_ = false;
  std::string ResultSQL_;
  int16_t ResultCategory_ = 0;
  bool Cancelled_ = false;
};

}  // namespace vdimpexp::exporting

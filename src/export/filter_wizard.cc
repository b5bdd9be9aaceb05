#include "export/filter_wizard.h"

#include "support/prompts.h"
#include "support/window_routines.h"

namespace vdimpexp::exporting {

fFilterWizard::fFilterWizard()
    : WizardWindow("Filter Wizard", wizard::kFilterWizardPages,
                   wizard::NextStyle::kRunHookFirst),
      controls_(wizard::BuildFilterWizardPages(Pages())) {
  setObjectName("fFilterWizard");
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

void fFilterWizard::ShowStepHeader(const char* tag) {
  SetHeader(wizard::FilterWizardHeader(tag, ExportMode_));
}

// The field page and the export itself hook in here as they are entered.
void fFilterWizard::CheckActions() {}

void fFilterWizard::FinishClicked() {
  Engine().Finish();
  ApplyButtonStates();
  // The category is what the selection stands for; the statement itself
  // is built from the filter pages' choices.
  ResultCategory_ = static_cast<int16_t>(Category());
  support::RestoreMousePointer();
  HideWizard();
}

void fFilterWizard::CancelRequested() {
  ResultSQL_.clear();
  Cancelled_ = true;
}

}  // namespace vdimpexp::exporting

// The import wizard: the user picks a source (the legacy application's
// tables or a zip-code database), says where it is, and Finish imports it
// inside one transaction that the user then commits or rolls back.
#pragma once

#include <string>
#include <vector>

#include "data/connection.h"
#include "legacy/xav_import.h"
#include "wizard/import_wizard_pages.h"
#include "wizard/wizard_window.h"

class QTimer;

namespace vdimpexp::importing {

class fImportWizard : public wizard::WizardWindow {
 public:
  fImportWizard();

  // Shows the wizard modally.
  void Import();

 private:
  int Category() const override;
  std::vector<std::string> SetupWizardSteps() const override;
  void LoadForm() override;
  void ShowStepHeader(const char* tag) override;
  void CheckActions() override;
  void FinishClicked() override;
  void Unloading() override;
  QWidget* PageFocus(int16_t page) const override;
  void StopRequested() override;

  void CheckEntries();
  void ChooseSourceFile();
  bool AnyTableTicked() const;
  // The entries of lstchkGeneral in list order, with their codes and ticks.
  std::vector<legacy::XavTableEntry> ListedTables() const;
  // Lists the legacy tables found in the chosen folders, none ticked.
  void LoadGeneralCheckList();
  // The character set chosen for tables that declare none: its iconv name,
  // empty for the automatic choice.
  std::string UnmarkedCodePage() const;
  // Shows the highlighted table's character set and a few of its values.
  void ShowCodePagePreview();
  // Asks where, and writes there the list of the records the import left
  // out; a list that cannot be written says why.
  void SaveSetAsideList();
  // Runs the chosen source's import inside the host transaction that
  // Finish holds; says what it brought in ("12 zip codes added, 1 skipped").
  std::string ImportChosenSource();
  // Asks whether the imported rows stay, ends the transaction so, and shows
  // the outcome on the last page.
  void AskToCommit(data::Connection& host, const std::string& imported);
  // Shows the outcome's line until a key is pressed or a moment has passed.
  void ShowOutcome(const std::string& line);
  void ReportFailedImport(const std::string& what);

  wizard::ImportWizardPages controls_;
  QTimer* tmrCheckEntries_ = nullptr;
  // The legacy main and history directories, each with one trailing
  // separator.
  std::string DatabaseDir_;
  std::string HistoryDir_;
  // The user confirmed stopping the import that runs.
  bool stop_requested_ = false;
  // What the legacy import of this Finish brought in and left out.
  legacy::XavImportReport report_;
};

}  // namespace vdimpexp::importing

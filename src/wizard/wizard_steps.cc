#include "wizard/wizard_steps.h"

namespace vdimpexp::wizard {

const std::array<Page, 10> kFilterWizardPages = {{
    {0, "Start"},
    {1, "SelectDB"},
    {2, "ContactsSelections"},
    {3, "WorkorderSelection"},
    {4, "SelectFlds"},
    {5, "ExportFormats"},
    {6, "Inventory"},
    {7, "ServiceDocs"},
    {8, "ServiceTips"},
    {9, "Finished"},
}};

const std::array<Page, 6> kImportWizardPages = {{
    {0, "Start"},
    {1, "SelectDB"},
    {2, "BrowseForXAVFolders"},
    {3, "GeneralCheckList"},
    {6, "ImportFrom"},
    {9, "Finished"},
}};

std::vector<std::string> FilterWizardSteps(bool export_mode) {
  const std::string formats = export_mode ? "ExportFormats," : "";
  std::vector<std::string> steps(kFilterWizardPages.size());
  steps[0] = "ContactsSelections,SelectFlds," + formats + "Finished";
  steps[1] = "ContactsSelections,WorkOrderSelection,SelectFlds," + formats + "Finished";
  steps[2] = "Inventory,SelectFlds," + formats + "Finished";
  steps[3] = "ServiceDocs,SelectFlds," + formats + "Finished";
  steps[4] = "ServiceTips,SelectFlds," + formats + "Finished";
  steps[5] = "WorkOrderSelection,Finished";
  return steps;
}

std::vector<std::string> ImportWizardSteps() {
  std::vector<std::string> steps(6);
  steps[1] = "ImportFrom,TextImport,Finished";
  steps[5] = "BrowseForXAVFolders,GeneralCheckList,Finished";
  return steps;
}

std::optional<StepHeader> FilterWizardHeader(const char* tag, bool export_mode) {
  if (TagIs(tag, "SelectDB")) {
    return StepHeader{"Filter Category", "Select category you wish to work with."};
  }
  if (TagIs(tag, "ContactsSelections")) {
    return StepHeader{"Filter Customers", "Select how you wish to filter customers."};
  }
  if (TagIs(tag, "WorkOrderSelection")) {
    return StepHeader{"Filter Invoices", "Select how you wish to filter invoices."};
  }
  if (TagIs(tag, "SelectFlds")) {
    if (export_mode) {
      return StepHeader{"Export Field Selection",
                        "Please select the fields of the selected data "
                        "you would like to export."};
    }
    return StepHeader{"Sorting Field Selection",
                      "The order in which numbers, text, and special "
                      "characters are sorted depends on the source data."};
  }
  if (TagIs(tag, "ExportFormats")) {
    return StepHeader{"Export Format", "Please select the format for the data export. "};
  }
  if (TagIs(tag, "Inventory")) {
    return StepHeader{"Inventory Items Selection",
                      "Please select the type of inventory items."};
  }
  if (TagIs(tag, "ServiceDocs")) {
    return StepHeader{"Service Documents (Manuals) Selection",
                      "Please make your selection."};
  }
  if (TagIs(tag, "ServiceTips")) {
    return StepHeader{"Service Tips Selection", "Please make your selection."};
  }
  if (TagIs(tag, "Finished")) {
    return StepHeader{"Finished!", export_mode ? "Export completed."
                                               : "About to start with your request..."};
  }
  return std::nullopt;
}

std::optional<StepHeader> ImportWizardHeader(const char* tag, int category) {
  if (TagIs(tag, "SelectDB")) {
    return StepHeader{"Choose A Database Or Application",
                      "Where would you like to copy data from?"};
  }
  if (TagIs(tag, "BrowseForXAVFolders")) {
    return StepHeader{"Database Directories",
                      "Please select the location of your XAV database, "
                      "and History Directories. Double-click to select folder."};
  }
  if (TagIs(tag, "GeneralCheckList")) {
    if (category != 5) return std::nullopt;
    return StepHeader{"Available XAV Databases",
                      "Please select the XAV database(s) you wish to import."};
  }
  if (TagIs(tag, "ImportFrom")) {
    return StepHeader{"Choose a Data Source",
                      "Locate the ASCII Text file you wish to import data from "
                      "into 'Verdacor!\u00ae."};
  }
  if (TagIs(tag, "Finished")) {
    return StepHeader{"Finished!", "About to start with your request..."};
  }
  return std::nullopt;
}

}  // namespace vdimpexp::wizard

#include "entry/import_export_wizard.h"

#include <QApplication>
#include <memory>
#include <stdexcept>

#include "export/filter_wizard.h"
#include "import/import_wizard.h"
#include "support/host_connection.h"
#include "support/prompts.h"
#include "support/qt_prompts.h"

namespace vdimpexp {
namespace {

// A host may have installed prompts of its own (a test does); otherwise
// the user is asked through real windows.
void EnsurePrompts() {
  thread_local support::QtPrompts windowed_prompts;
  if (!support::HasPrompts()) support::UsePrompts(&windowed_prompts);
}

void EnsureWindowSystem() {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    throw std::runtime_error(
        "The wizards need a windowed application object (QApplication) in the host.");
  }
}

// Each call starts with fresh prompts, connection and a new form; the
// form is unloaded when the call ends, also when it fails.
template <typename Form, typename Run>
void RunWizard(data::Connection& connection, Run run) {
  EnsureWindowSystem();
  EnsurePrompts();
  support::ShowBusyPointer();
  support::SetHostConnection(connection);
  auto form = std::make_unique<Form>();
  run(*form);
  form->Unload();
}

}  // namespace

void clsVDImportExportWz::ImportData(data::Connection& cnADO) {
  RunWizard<importing::fImportWizard>(
      cnADO, [](importing::fImportWizard& form) { form.Import(); });
}

void clsVDImportExportWz::ExportData(data::Connection& cnADO) {
  RunWizard<exporting::fFilterWizard>(
      cnADO, [](exporting::fFilterWizard& form) { form.Export(); });
}

void clsVDImportExportWz::SQLSelected(data::Connection& cnADO, std::string& SelectionSQL,
                                      int16_t& sqlCat) {
  RunWizard<exporting::fFilterWizard>(cnADO, [&](exporting::fFilterWizard& form) {
    form.FilterSQL(SelectionSQL, sqlCat);
  });
}

std::string_view ComponentVersion() { return "1.08"; }

}  // namespace vdimpexp

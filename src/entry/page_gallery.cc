#include "entry/page_gallery.h"

#include <QApplication>
#include <QPixmap>
#include <stdexcept>

#include "export/filter_wizard.h"
#include "import/import_wizard.h"
#include "support/host_connection.h"

namespace vdimpexp {
namespace {

void RenderPages(wizard::WizardWindow& form, std::span<const wizard::Page> pages,
                 const std::filesystem::path& directory,
                 std::vector<std::filesystem::path>& written) {
  for (const wizard::Page& page : pages) {
    form.RevealPage(page.index);
    std::filesystem::path file =
        directory / (form.objectName().toStdString() + "-" + page.tag + ".png");
    if (!form.grab().save(QString::fromStdString(file.string()), "PNG")) {
      throw std::runtime_error("Could not write the page image " + file.string() + ".");
    }
    written.push_back(file);
  }
}

}  // namespace

std::vector<std::filesystem::path> RenderWizardPages(
    data::Connection& connection, const std::filesystem::path& directory) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    throw std::runtime_error("Rendering the wizards needs a QApplication.");
  }
  std::filesystem::create_directories(directory);
  support::SetHostConnection(connection);
  std::vector<std::filesystem::path> written;
  exporting::fFilterWizard filter_wizard;
  RenderPages(filter_wizard, wizard::kFilterWizardPages, directory, written);
  importing::fImportWizard import_wizard;
  RenderPages(import_wizard, wizard::kImportWizardPages, directory, written);
  import_wizard.Unload();
  return written;
}

}  // namespace vdimpexp

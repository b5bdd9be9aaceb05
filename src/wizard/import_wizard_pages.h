// The controls on the pages of the import wizard. Object names as on the
// export wizard's pages.
#pragma once

#include <array>

#include "wizard/folder_lists.h"
#include "wizard/page_lookup.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace vdimpexp::wizard {

struct ImportWizardPages {
  // "SelectDB": sources 0 to 5; only 1 and 5 are enabled, 5 is chosen.
  std::array<QRadioButton*, 6> optImportCategory{};
  // "BrowseForXAVFolders".
  DriveList* Drive1 = nullptr;
  DirectoryList* Dir1 = nullptr;
  DriveList* Drive2 = nullptr;
  DirectoryList* Dir2 = nullptr;
  // Under each tree, its folder's full path, where a path can be typed.
  QLineEdit* txtDir1Path = nullptr;
  QLineEdit* txtDir2Path = nullptr;
  // "GeneralCheckList": a check box in front of every entry; under it the
  // character set of tables that declare none (its entries are the import's
  // to fill), and a preview of the highlighted table's text read in it.
  QListWidget* lstchkGeneral = nullptr;
  QComboBox* cboCodePage = nullptr;
  QPlainTextEdit* txtCodePagePreview = nullptr;
  // "ImportFrom".
  QLineEdit* txtFrom = nullptr;
  QPushButton* cmdFrom = nullptr;
  // "Finished".
  QPlainTextEdit* tMessage = nullptr;
  QProgressBar* PBar = nullptr;
  QLabel* lblPercent = nullptr;
};

// Fills pages 0, 1, 2, 3, 6 and 9 with their controls.
ImportWizardPages BuildImportWizardPages(const PageLookup& page);

}  // namespace vdimpexp::wizard

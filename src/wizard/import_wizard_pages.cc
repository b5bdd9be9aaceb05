#include "wizard/import_wizard_pages.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include "wizard/page_parts.h"

namespace vdimpexp::wizard {
namespace {

// Room the drive lists keep for a mount point before the layout widens them.
constexpr int kDriveContentsLength = 12;

void BuildSourcePage(QWidget& page, ImportWizardPages& pages) {
  PreparePage(page);
  auto* column = new QVBoxLayout(&page);
  column->setContentsMargins(24, 16, kPageMargin, kPageMargin);
  column->setSpacing(10);
  // Only the zip codes and the legacy application can be imported; the
  // other sources are shown so the user sees what the wizard cannot do yet.
  AddOptionGroup(&page, column, "optImportCategory",
                 {{0, "&Business contacts and customers", false},
                  {2, "&Inventory", false},
                  {3, "&Service Documents (Manuals)", false},
                  {4, "Service &Tips", false},
                  {1, "&Zip Codes"},
                  {5, "XAV DOS/Windows (Software Application)"}},
                 5, pages.optImportCategory);
  column->addStretch(1);
}

// One column of the folder page: caption, drive list, directory list and
// the box with its path; the caption's accelerator leads to the drive list.
void AddFolderColumn(QWidget& page, QGridLayout* grid, int grid_column, int label_index,
                     const char* caption, const char* drive_name,
                     const char* directory_name, DriveList*& drive,
                     DirectoryList*& directory, QLineEdit*& path) {
  QLabel* label = AddLabel(&page, ElementName("Label2", label_index), caption);
  drive = new DriveList(&page);
  drive->setObjectName(drive_name);
  // Mount points can be long: the column decides the width, not the entries.
  drive->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  drive->setMinimumContentsLength(kDriveContentsLength);
  directory = new DirectoryList(&page);
  directory->setObjectName(directory_name);
  label->setBuddy(drive);
  grid->addWidget(label, 0, grid_column);
  grid->addWidget(drive, 1, grid_column);
  grid->addWidget(directory, 2, grid_column);
  path = new QLineEdit(&page);
  path->setObjectName(QString("txt%1Path").arg(directory_name));
  grid->addWidget(path, 3, grid_column);
}

void BuildFoldersPage(QWidget& page, ImportWizardPages& pages) {
  PreparePage(page);
  auto* column = new QVBoxLayout(&page);
  column->setContentsMargins(kPageMargin, kPageMargin, kPageMargin, kPageMargin);
  column->setSpacing(kControlSpacing);
  AddSectionTitle(&page, column, 21, "Database Locations", 10, 11);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(kPageMargin);
  grid->setVerticalSpacing(kControlSpacing);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(2, 1);
  column->addLayout(grid, 1);
  AddFolderColumn(page, grid, 0, 0, "&Main Database Directory", "Drive1", "Dir1",
                  pages.Drive1, pages.Dir1, pages.txtDir1Path);
  AddFolderColumn(page, grid, 1, 1, "&History Directory", "Drive2", "Dir2", pages.Drive2,
                  pages.Dir2, pages.txtDir2Path);
}

// Lines of the preview box: the declaration and the samples.
constexpr int kPreviewLines = 6;

void BuildCheckListPage(QWidget& page, ImportWizardPages& pages) {
  pages.lstchkGeneral = AddPageList(page, "lstchkGeneral");
  auto* column = static_cast<QBoxLayout*>(page.layout());
  column->setSpacing(kControlSpacing);
  auto* line = new QHBoxLayout;
  line->setSpacing(kControlSpacing);
  column->addLayout(line);
  QLabel* label = AddLabel(&page, "lblCodePage", "Character &set of tables without one:");
  pages.cboCodePage = AddDropDownList(&page, "cboCodePage");
  label->setBuddy(pages.cboCodePage);
  line->addWidget(label);
  line->addWidget(pages.cboCodePage, 1);

  pages.txtCodePagePreview = new QPlainTextEdit(&page);
  pages.txtCodePagePreview->setObjectName("txtCodePagePreview");
  pages.txtCodePagePreview->setReadOnly(true);
  pages.txtCodePagePreview->setLineWrapMode(QPlainTextEdit::NoWrap);
  pages.txtCodePagePreview->setFixedHeight(
      pages.txtCodePagePreview->fontMetrics().lineSpacing() * kPreviewLines +
      2 * pages.txtCodePagePreview->frameWidth() + 8);
  column->addWidget(pages.txtCodePagePreview);
}

void BuildSourceFilePage(QWidget& page, ImportWizardPages& pages) {
  PreparePage(page);
  auto* column = new QVBoxLayout(&page);
  column->setContentsMargins(kPageMargin, 24, kPageMargin, kPageMargin);
  auto* line = new QHBoxLayout;
  line->setSpacing(kControlSpacing);
  column->addLayout(line);
  column->addStretch(1);

  QLabel* label = AddLabel(&page, "Label4(0)", "Import &From:");
  pages.txtFrom = new QLineEdit(&page);
  pages.txtFrom->setObjectName("txtFrom");
  label->setBuddy(pages.txtFrom);
  pages.cmdFrom = new QPushButton("...", &page);
  pages.cmdFrom->setObjectName("cmdFrom");
  pages.cmdFrom->setAutoDefault(false);
  // As tall as the text box it belongs to, and no wider than its dots need.
  const int height = pages.txtFrom->sizeHint().height();
  pages.cmdFrom->setFixedSize(height + 4, height);
  line->addWidget(label);
  line->addWidget(pages.txtFrom, 1);
  line->addWidget(pages.cmdFrom);
}

void BuildFinishedPage(QWidget& page, ImportWizardPages& pages) {
  QVBoxLayout* column = AddFinishedPageColumn(page);
  pages.tMessage = new QPlainTextEdit(&page);
  pages.tMessage->setObjectName("tMessage");
  pages.tMessage->setReadOnly(true);
  column->addWidget(pages.tMessage, 1);

  auto* progress = new QHBoxLayout;
  progress->setSpacing(kControlSpacing);
  column->addLayout(progress);
  pages.PBar = new QProgressBar(&page);
  pages.PBar->setObjectName("PBar");
  pages.PBar->setRange(0, 100);
  pages.PBar->setValue(0);
  // lblPercent beside the bar tells the percentage; the bar itself says it
  // only once.
  pages.PBar->setTextVisible(false);
  pages.lblPercent = AddPercentLabel(page);
  pages.lblPercent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  pages.lblPercent->setMinimumWidth(
      pages.lblPercent->fontMetrics().horizontalAdvance("100%") + 4);
  progress->addWidget(pages.PBar, 1);
  progress->addWidget(pages.lblPercent);
}

}  // namespace

ImportWizardPages BuildImportWizardPages(const PageLookup& page) {
  ImportWizardPages pages;
  BuildWelcomePage(
      *page(0), "'Verdacor!® Import Wizard",
      "This wizard makes it easy to import data into 'Verdacor!®. This wizard "
      "guides you through the steps to import data from text files and other "
      "applications",
      QStyle::SP_DialogOpenButton);
  BuildSourcePage(*page(1), pages);
  BuildFoldersPage(*page(2), pages);
  BuildCheckListPage(*page(3), pages);
  BuildSourceFilePage(*page(6), pages);
  BuildFinishedPage(*page(9), pages);
  return pages;
}

}  // namespace vdimpexp::wizard

#include "import/import_wizard.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>

#include "import/code_page_preview.h"
#include "import/entry_checker.h"
#include "import/legacy_discovery.h"
#include "import/set_aside_list.h"
#include "import/zip_code_import.h"
#include "legacy/code_page_choice.h"
#include "legacy/legacy_tables.h"
#include "legacy/xav_import.h"
#include "support/component_location.h"
#include "support/host_connection.h"
#include "support/progress_sink.h"
#include "support/prompts.h"
#include "support/resource_strings.h"
#include "support/window_routines.h"

namespace vdimpexp::importing {
namespace {

constexpr int kCheckIntervalMs = 500;
// How often the window is let repaint while a table import runs.
constexpr std::chrono::milliseconds kRepaintInterval{100};

// Keeps a directory list on the drive the user chose; a drive that cannot
// be read puts the drive list back on the directory's drive, silently.
void FollowDrive(wizard::DriveList* drive, wizard::DirectoryList* directory) {
  if (!directory->SetPath(drive->Drive())) drive->SetDriveOf(directory->Path());
}

// The box under a directory list shows its path; a path typed or pasted
// there takes the list (and its drive) to it, one that cannot be read puts
// the box back.
void ConnectPathBox(wizard::DriveList* drive, wizard::DirectoryList* directory,
                    QLineEdit* box) {
  directory->OnPathChanged(
      [box](const QString& path) { box->setText(QDir::toNativeSeparators(path)); });
  QObject::connect(box, &QLineEdit::editingFinished, box, [=] {
    if (QDir::fromNativeSeparators(box->text()) == directory->Path()) return;
    if (directory->SetPath(QDir::fromNativeSeparators(box->text()))) {
      drive->SetDriveOf(directory->Path());
    } else {
      box->setText(QDir::toNativeSeparators(directory->Path()));
    }
  });
}

// How long the last page shows how an import ended, unless a key is pressed.
constexpr std::chrono::milliseconds kOutcomeShownFor{1500};

// Ends `loop` at the first key pressed anywhere in the program; the key
// does nothing else.
class AnyKeyEnds : public QObject {
 public:
  explicit AnyKeyEnds(QEventLoop& loop) : loop_(loop) {
    QCoreApplication::instance()->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    loop_.quit();
    return true;
  }

 private:
  QEventLoop& loop_;
};

// Raised through the import when the user chose to stop it.
struct ImportStopped {};

// The last page as the legacy import's progress: its lines go to tMessage,
// its percentage to PBar. The window gets to handle its events every 100 ms
// while the records are read, so the bar moves, the window does not look
// hung, and Cancel can be asked; every other button is disabled then, so no
// click acts on a transaction that is still being filled. A stop the user
// confirmed ends the import at its next record.
class FinishedPageProgress : public support::ProgressSink {
 public:
  FinishedPageProgress(QPlainTextEdit& message, QProgressBar& bar, QLabel& percent,
                       const bool& stop)
      : message_(message),
        bar_(bar),
        percent_(percent),
        stop_(stop),
        repaint_(kRepaintInterval) {}

  void AppendLine(std::string_view text) override {
    if (stop_) throw ImportStopped{};
    message_.appendPlainText(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }
  void SetPercent(double percent) override {
    if (stop_) throw ImportStopped{};
    const int whole = static_cast<int>(std::lround(std::clamp(percent, 0.0, 100.0)));
    bar_.setValue(whole);
    if (!bar_.isHidden()) ShowPercent();
    if (repaint_.Due()) RunPendingEvents();
  }
  void ShowBar(bool visible) override {
    bar_.setVisible(visible);
    visible ? ShowPercent() : percent_.clear();
  }
  void RunPendingEvents() override { QCoreApplication::processEvents(); }

 private:
  void ShowPercent() { percent_.setText(QString("%1%").arg(bar_.value())); }

  QPlainTextEdit& message_;
  QProgressBar& bar_;
  QLabel& percent_;
  const bool& stop_;
  support::RepaintPacer repaint_;
};

}  // namespace

fImportWizard::fImportWizard()
    : WizardWindow("Import Wizard", wizard::kImportWizardPages,
                   wizard::NextStyle::kShowPageFirst),
      controls_(wizard::BuildImportWizardPages(Pages())) {
  setObjectName("fImportWizard");
  tmrCheckEntries_ = new QTimer(this);
  tmrCheckEntries_->setObjectName("tmrCheckEntries");
  tmrCheckEntries_->setInterval(kCheckIntervalMs);
  connect(tmrCheckEntries_, &QTimer::timeout, this,
          [this] { Guarded([this] { CheckEntries(); }); });
  connect(controls_.cmdFrom, &QPushButton::clicked, this,
          [this] { Guarded([this] { ChooseSourceFile(); }); });
  connect(controls_.Drive1, &QComboBox::activated, this,
          [this] { FollowDrive(controls_.Drive1, controls_.Dir1); });
  connect(controls_.Drive2, &QComboBox::activated, this,
          [this] { FollowDrive(controls_.Drive2, controls_.Dir2); });
  ConnectPathBox(controls_.Drive1, controls_.Dir1, controls_.txtDir1Path);
  ConnectPathBox(controls_.Drive2, controls_.Dir2, controls_.txtDir2Path);
  for (const legacy::UnmarkedCodePageChoice& choice : legacy::kUnmarkedCodePageChoices) {
    controls_.cboCodePage->addItem(
        QString::fromUtf8(choice.label.data(),
                          static_cast<qsizetype>(choice.label.size())),
        QString::fromUtf8(choice.iconv_name.data(),
                          static_cast<qsizetype>(choice.iconv_name.size())));
  }
  connect(controls_.lstchkGeneral, &QListWidget::currentRowChanged, this,
          [this] { Guarded([this] { ShowCodePagePreview(); }); });
  connect(controls_.cboCodePage, &QComboBox::currentIndexChanged, this,
          [this] { Guarded([this] { ShowCodePagePreview(); }); });
}

void fImportWizard::Import() { ShowModal(); }

int fImportWizard::Category() const {
  return support::SelectedOptionIndex(controls_.optImportCategory);
}

std::vector<std::string> fImportWizard::SetupWizardSteps() const {
  return wizard::ImportWizardSteps();
}

void fImportWizard::LoadForm() {
  // The folder lists start where the program was started, as the legacy
  // application's users expect from its own folder pickers.
  QString start = QDir::currentPath();
  for (auto [drive, directory] : {std::pair{controls_.Drive1, controls_.Dir1},
                                  std::pair{controls_.Drive2, controls_.Dir2}}) {
    directory->SetPath(start);
    drive->SetDriveOf(directory->Path());
  }
  tmrCheckEntries_->start();
}

void fImportWizard::ShowStepHeader(const char* tag) {
  SetHeader(wizard::ImportWizardHeader(tag, Category()));
  if (wizard::TagIs(tag, "Finished"))
    controls_.tMessage->setPlainText("Click FINISH to begin...");
}

void fImportWizard::CheckActions() {
  support::ShowBusyPointer();
  if (wizard::TagIs(Engine().CurrentTag(), "GeneralCheckList")) LoadGeneralCheckList();
  support::RestoreMousePointer();
}

void fImportWizard::LoadGeneralCheckList() {
  QListWidget& tables = *controls_.lstchkGeneral;
  tables.clear();
  DatabaseDir_ = DirectoryText(controls_.Dir1->Path().toStdString());
  HistoryDir_ = DirectoryText(controls_.Dir2->Path().toStdString());
  if (Category() != kLegacySource) return;
  for (const CheckListEntry& table : DiscoverLegacyTables(DatabaseDir_, HistoryDir_)) {
    auto* entry = new QListWidgetItem(QString::fromStdString(table.text), &tables);
    entry->setData(support::kItemDataRole, table.code);
    entry->setFlags(entry->flags() | Qt::ItemIsUserCheckable);
    entry->setCheckState(Qt::Unchecked);
  }
  // Highlighting the first entry previews it.
  if (tables.count() > 0) tables.setCurrentRow(0);
}

std::string fImportWizard::UnmarkedCodePage() const {
  return controls_.cboCodePage->currentData().toString().toStdString();
}

void fImportWizard::ShowCodePagePreview() {
  const QListWidgetItem* entry = controls_.lstchkGeneral->currentItem();
  const legacy::LegacyTable* table =
      entry ? legacy::FindLegacyTable(entry->data(support::kItemDataRole).toInt())
            : nullptr;
  if (!table) {
    controls_.txtCodePagePreview->clear();
    return;
  }
  const CodePagePreview preview =
      PreviewCodePage(table->PathIn(DatabaseDir_, HistoryDir_), UnmarkedCodePage());
  controls_.txtCodePagePreview->setPlainText(
      QString::fromStdString(CodePagePreviewText(preview)));
}

void fImportWizard::CheckEntries() {
  std::string source_file = controls_.txtFrom->text().toStdString();
  std::string main_directory = controls_.Dir1->Path().toStdString();
  EntryVerdict verdict = importing::CheckEntries({.source = Category(),
                                                  .page_tag = Engine().CurrentTag(),
                                                  .source_file = source_file,
                                                  .main_directory = main_directory,
                                                  .any_table_ticked = AnyTableTicked()});
  if (verdict.database_dir) DatabaseDir_ = *verdict.database_dir;
  if (verdict.next) Engine().Buttons().next = *verdict.next;
  if (verdict.finish) Engine().Buttons().finish = *verdict.finish;
  ApplyButtonStates();
}

bool fImportWizard::AnyTableTicked() const {
  for (int row = 0; row < controls_.lstchkGeneral->count(); ++row) {
    if (controls_.lstchkGeneral->item(row)->checkState() == Qt::Checked) return true;
  }
  return false;
}

void fImportWizard::ChooseSourceFile() {
  support::FileRequest request;
  request.purpose = support::FileRequest::Purpose::kOpen;
  request.title = "Text File to import";
  request.filter = "MS ACCESS (*.mdb)|*.mdb";
  controls_.txtFrom->setText(
      QString::fromStdString(support::ActivePrompts().ChooseFile(request)));
}

void fImportWizard::FinishClicked() {
  tmrCheckEntries_->stop();
  Engine().Finish();
  ApplyButtonStates();
  support::ShowBusyPointer();
  data::Connection& host = support::HostConnection();
  const int outer_level = host.TransactionLevel();
  try {
    host.BeginTrans();
    stop_requested_ = false;
    report_ = {};
    SetBusy(true);
    const std::string imported = ImportChosenSource();
    SetBusy(false);
    support::RestoreMousePointer();
    AskToCommit(host, imported);
  } catch (const ImportStopped&) {
    SetBusy(false);
    while (host.TransactionLevel() > outer_level) host.RollbackTrans();
    support::RestoreMousePointer();
    const std::string text = "The import was cancelled, and nothing was imported.";
    controls_.tMessage->appendPlainText(QString::fromStdString(text));
    support::ActivePrompts().Ask({.text = text, .title = "Import"});
  } catch (const std::exception& error) {
    SetBusy(false);
    // Nothing of a failed import may stay in the host database, also when
    // the commit itself failed (another program holding the file): the
    // host must not be left inside our transaction. A table import may have
    // been stopped inside its own nested transaction: every level opened
    // since Finish is ended.
    while (host.TransactionLevel() > outer_level) host.RollbackTrans();
    support::RestoreMousePointer();
    ReportFailedImport(error.what());
  }
  HideWizard();
}

std::string fImportWizard::ImportChosenSource() {
  if (Category() == kZipCodeSource) {
    const ZipCodeImportResult result =
        ImportZipCodes(support::HostConnection(), controls_.txtFrom->text().toStdString(),
                       support::ComponentDirectory());
    return ZipCodeCountsText(result);
  }
  if (Category() != kLegacySource) return "nothing";
  FinishedPageProgress progress(*controls_.tMessage, *controls_.PBar,
                                *controls_.lblPercent, stop_requested_);
  const std::vector<legacy::XavTableEntry> tables = ListedTables();
  legacy::ImportXAVTables(tables, {.DatabaseDir = DatabaseDir_,
                                   .HistoryDir = HistoryDir_,
                                   .host = support::HostConnection(),
                                   .progress = progress,
                                   .report = report_,
                                   .unmarked_code_page = UnmarkedCodePage()});
  std::string ticked;
  for (const legacy::XavTableEntry& table : tables) {
    if (table.ticked) ticked += (ticked.empty() ? "" : ", ") + table.text;
  }
  return ticked;
}

std::vector<legacy::XavTableEntry> fImportWizard::ListedTables() const {
  std::vector<legacy::XavTableEntry> entries;
  for (int row = 0; row < controls_.lstchkGeneral->count(); ++row) {
    const QListWidgetItem& item = *controls_.lstchkGeneral->item(row);
    entries.push_back({.text = item.text().toStdString(),
                       .code = item.data(support::kItemDataRole).toInt(),
                       .ticked = item.checkState() == Qt::Checked});
  }
  return entries;
}

void fImportWizard::AskToCommit(data::Connection& host, const std::string& imported) {
  // With records left out, the box also offers to save their list first.
  const support::MessageQuestion question{
      .text = support::LoadResString(support::kCommitQuestion),
      .title = "Confirm",
      .buttons = report_.set_aside.empty() ? support::MessageButtons::kYesNo
                                           : support::MessageButtons::kYesNoSaveList,
      .icon = support::MessageIcon::kQuestion,
      .default_answer = support::MessageAnswer::kYes};
  support::MessageAnswer answer = support::ActivePrompts().Ask(question);
  while (answer == support::MessageAnswer::kSaveList) {
    SaveSetAsideList();
    answer = support::ActivePrompts().Ask(question);
  }
  if (answer == support::MessageAnswer::kYes) {
    host.CommitTrans();
    ShowOutcome("Committed: " + imported + ".");
  } else {
    host.RollbackTrans();
    ShowOutcome("Rolled back: nothing was imported.");
  }
}

void fImportWizard::SaveSetAsideList() {
  support::FileRequest request;
  request.purpose = support::FileRequest::Purpose::kSave;
  request.title = "Save the list of records not imported";
  request.filter = "CSV (*.csv)|*.csv";
  request.file_name = "Records not imported.csv";
  const std::string path = support::ActivePrompts().ChooseFile(request);
  if (path.empty()) return;
  try {
    importing::SaveSetAsideList(report_.set_aside, path);
    controls_.tMessage->appendPlainText(QString::fromStdString(
        "The list of records not imported was saved to " + path + "."));
  } catch (const std::exception& error) {
    support::ActivePrompts().Ask({.text = error.what(),
                                  .title = "Import",
                                  .icon = support::MessageIcon::kExclamation});
  }
}

void fImportWizard::ShowOutcome(const std::string& line) {
  controls_.tMessage->appendPlainText(QString::fromStdString(line));
  QEventLoop shown;
  QTimer::singleShot(kOutcomeShownFor, &shown, &QEventLoop::quit);
  AnyKeyEnds key_ends(shown);
  shown.exec();
}

void fImportWizard::ReportFailedImport(const std::string& what) {
  const std::string text = "The import failed, and nothing was imported: " + what;
  controls_.tMessage->appendPlainText(QString::fromStdString(text));
  support::ActivePrompts().Ask(
      {.text = text, .title = "Import", .icon = support::MessageIcon::kCritical});
}

void fImportWizard::Unloading() { tmrCheckEntries_->stop(); }

void fImportWizard::StopRequested() { stop_requested_ = true; }

// The folder page starts on the main folder's tree, the choice that matters.
QWidget* fImportWizard::PageFocus(int16_t page) const {
  return controls_.Dir1->parentWidget() == picWizard(page)
             ? controls_.Dir1
             : WizardWindow::PageFocus(page);
}

}  // namespace vdimpexp::importing

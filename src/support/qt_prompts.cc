#include "support/qt_prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <string>
#include <vector>

#include "data/text.h"

namespace vdimpexp::support {
namespace {

constexpr const char* kProgramTitle = "VDIMPEXP";

QMessageBox::StandardButton ToButton(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::kOk:
      return QMessageBox::Ok;
    case MessageAnswer::kYes:
      return QMessageBox::Yes;
    case MessageAnswer::kNo:
      return QMessageBox::No;
    case MessageAnswer::kRetry:
      return QMessageBox::Retry;
    case MessageAnswer::kCancel:
      return QMessageBox::Cancel;
    case MessageAnswer::kSaveList:
      return QMessageBox::Save;
  }
  return QMessageBox::Ok;
}

QMessageBox::StandardButtons ToButtons(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOk:
      return QMessageBox::Ok;
    case MessageButtons::kYesNo:
      return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::kYesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::kRetryCancel:
      return QMessageBox::Retry | QMessageBox::Cancel;
    case MessageButtons::kYesNoSaveList:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Save;
  }
  return QMessageBox::Ok;
}

QMessageBox::Icon ToIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kNone:
      return QMessageBox::NoIcon;
    case MessageIcon::kQuestion:
      return QMessageBox::Question;
    case MessageIcon::kInformation:
      return QMessageBox::Information;
    case MessageIcon::kExclamation:
      return QMessageBox::Warning;
    case MessageIcon::kCritical:
      return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

// A box closed without a choice (its title-bar button) gets the answer
// that changes nothing.
MessageAnswer ToAnswer(int button, MessageButtons buttons) {
  switch (button) {
    case QMessageBox::Ok:
      return MessageAnswer::kOk;
    case QMessageBox::Yes:
      return MessageAnswer::kYes;
    case QMessageBox::No:
      return MessageAnswer::kNo;
    case QMessageBox::Retry:
      return MessageAnswer::kRetry;
    case QMessageBox::Cancel:
      return MessageAnswer::kCancel;
    case QMessageBox::Save:
      return MessageAnswer::kSaveList;
  }
  return AnswerChangingNothing(buttons);
}

}  // namespace

QtPrompts::~QtPrompts() {
  if (busy_pointer_shown_) QApplication::restoreOverrideCursor();
}

MessageAnswer QtPrompts::Ask(const MessageQuestion& question) {
  QString title =
      QString::fromStdString(question.title.empty() ? kProgramTitle : question.title);
  QMessageBox box(ToIcon(question.icon), title, QString::fromStdString(question.text),
                  ToButtons(question.buttons), QApplication::activeWindow());
  box.setDefaultButton(ToButton(question.default_answer));
  if (QAbstractButton* save = box.button(QMessageBox::Save)) {
    save->setText("&Save list...");
  }
  return ToAnswer(box.exec(), question.buttons);
}

std::string QtPrompts::ChooseFile(const FileRequest& request) {
  QString title = QString::fromStdString(request.title);
  QString filter = QString::fromStdString(ToDialogFilter(request.filter));
  QString preset = QString::fromStdString(request.file_name);
  QWidget* owner = QApplication::activeWindow();
  QString chosen =
      request.purpose == FileRequest::Purpose::kSave
          ? QFileDialog::getSaveFileName(owner, title, preset, filter, nullptr,
                                         QFileDialog::DontConfirmOverwrite)
          : QFileDialog::getOpenFileName(owner, title, preset, filter);
  return chosen.toStdString();
}

void QtPrompts::RunPendingEvents() { QCoreApplication::processEvents(); }

void QtPrompts::SetScreenPointer(ScreenPointer pointer) {
  bool busy = pointer == ScreenPointer::kHourglass;
  if (busy == busy_pointer_shown_) return;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
  busy_pointer_shown_ = busy;
}

std::string ToDialogFilter(const std::string& filter) {
  std::vector<std::string> parts = data::SplitAt(filter, '|');
  std::string result;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string description = parts[i];
    // The dialog reads the patterns from the last brackets of the text.
    size_t bracket = description.rfind(" (");
    if (bracket != std::string::npos && description.back() == ')') {
      description.erase(bracket);
    }
    std::string patterns;
    for (std::string pattern : data::SplitAt(parts[i + 1], ';')) {
      if (pattern == "*.*") pattern = "*";
      if (pattern.empty()) continue;
      patterns += (patterns.empty() ? "" : " ") + pattern;
    }
    if (!result.empty()) result += ";;";
    result += description + " (" + patterns + ")";
  }
  return result;
}

}  // namespace vdimpexp::support

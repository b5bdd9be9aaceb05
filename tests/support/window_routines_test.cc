#include "support/window_routines.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QGuiApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>

#include "support/qt_prompts.h"

namespace vdimpexp::support {
namespace {

TEST(WindowRoutinesTest, CenteredPositionHalvesWithoutFractions) {
  EXPECT_EQ(CenteredPosition(QRect(0, 0, 1920, 1080), QSize(476, 435)), QPoint(722, 323));
  EXPECT_EQ(CenteredPosition(QRect(0, 0, 801, 601), QSize(101, 51)), QPoint(350, 275));
  EXPECT_EQ(CenteredPosition(QRect(0, 0, 800, 600), QSize(800, 600)), QPoint(0, 0));
  EXPECT_EQ(CenteredPosition(QRect(0, 0, 800, 600), QSize(1000, 700)), QPoint(-100, -50))
      << "a window larger than the screen starts before its corner";
  EXPECT_EQ(CenteredPosition(QRect(1920, 0, 1280, 1024), QSize(480, 424)),
            QPoint(2320, 300))
      << "a second screen's own origin counts";

  QWidget form;
  form.resize(300, 200);
  CenterForm(form);
  QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(form.pos(), CenteredPosition(screen, form.frameGeometry().size()));
}

TEST(WindowRoutinesTest, SelectedOptionIndexIsTheFirstChosenOrZero) {
  QWidget parent;
  std::array<QRadioButton*, 4> options{};
  for (auto*& option : options) option = new QRadioButton(&parent);
  EXPECT_EQ(SelectedOptionIndex(options), 0) << "none chosen";
  options[2]->setChecked(true);
  EXPECT_EQ(SelectedOptionIndex(options), 2);
  options[0]->setChecked(true);  // buttons of one parent are exclusive
  EXPECT_EQ(SelectedOptionIndex(options), 0);

  QButtonGroup loose;
  loose.setExclusive(false);
  for (auto* option : options) loose.addButton(option);
  options[3]->setChecked(true);
  options[1]->setChecked(true);
  options[0]->setChecked(false);
  EXPECT_EQ(SelectedOptionIndex(options), 1) << "the first of several chosen";
}

TEST(WindowRoutinesTest, SelectListItemByDataPicksTheFirstMatch) {
  QListWidget list;
  EXPECT_EQ(SelectListItemByData(list, 7), -1);
  for (int data : {4, 7, 9, 7}) {
    auto* item = new QListWidgetItem(QString::number(data), &list);
    item->setData(kItemDataRole, data);
  }
  list.setCurrentRow(2);
  EXPECT_EQ(SelectListItemByData(list, 5), -1);
  EXPECT_EQ(list.currentRow(), 2) << "no match leaves the current entry";
  EXPECT_EQ(SelectListItemByData(list, 7), 1);
  EXPECT_EQ(list.currentRow(), 1);
  EXPECT_EQ(SelectListItemByData(list, 9), 2);
}

// Answers the next message box by pressing `button`, or by closing it
// without a choice when `button` is NoButton; records what it showed.
struct BoxSeen {
  QString title, text;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton default_button = QMessageBox::NoButton;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
};

void AnswerNextBox(QMessageBox::StandardButton button, BoxSeen& seen) {
  QTimer::singleShot(0, [button, &seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen = {box->windowTitle(), box->text(), box->standardButtons(),
            box->standardButton(box->defaultButton()), box->icon()};
    if (button == QMessageBox::NoButton) {
      box->close();
    } else {
      box->button(button)->click();
    }
  });
}

TEST(QtPromptsTest, MessageBoxesShowTheQuestionAndReturnTheAnswer) {
  QtPrompts prompts;
  BoxSeen seen;
  MessageQuestion quit{"Are you sure?", "Quit?", MessageButtons::kYesNo,
                       MessageIcon::kInformation, MessageAnswer::kNo};
  AnswerNextBox(QMessageBox::Yes, seen);
  EXPECT_EQ(prompts.Ask(quit), MessageAnswer::kYes);
  EXPECT_EQ(seen.title, "Quit?");
  EXPECT_EQ(seen.text, "Are you sure?");
  EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(seen.default_button, QMessageBox::No);
  EXPECT_EQ(seen.icon, QMessageBox::Information);

  AnswerNextBox(QMessageBox::NoButton, seen);
  EXPECT_EQ(prompts.Ask(quit), MessageAnswer::kNo) << "closed without a choice";

  MessageQuestion retry{"You must select an existing Access database!",
                        "Select Access Database", MessageButtons::kRetryCancel,
                        MessageIcon::kNone, MessageAnswer::kRetry};
  AnswerNextBox(QMessageBox::Retry, seen);
  EXPECT_EQ(prompts.Ask(retry), MessageAnswer::kRetry);
  EXPECT_EQ(seen.buttons, QMessageBox::Retry | QMessageBox::Cancel);

  AnswerNextBox(QMessageBox::Ok, seen);
  EXPECT_EQ(prompts.Ask({"Currently not availiable"}), MessageAnswer::kOk);
  EXPECT_EQ(seen.title, "VDIMPEXP") << "a box without a title of its own";
}

TEST(QtPromptsTest, FiltersBecomeTheDialogsOwnForm) {
  EXPECT_EQ(ToDialogFilter("MS ACCESS (*.mdb)|*.mdb"), "MS ACCESS (*.mdb)");
  EXPECT_EQ(ToDialogFilter("Text|*.txt;*.csv|All files (*.*)|*.*"),
            "Text (*.txt *.csv);;All files (*)");
  EXPECT_EQ(ToDialogFilter(""), "");
}

}  // namespace
}  // namespace vdimpexp::support

#include "support/window_routines.h"

#include <gtest/gtest.h>

#include <QtWidgets>
#include <array>
#include <tuple>

#include "modal_driver.h"
#include "support/qt_prompts.h"

namespace vdimpexp::support {
namespace {

TEST(WindowRoutinesTest, CenteredPositionHalvesWithoutFractions) {
  EXPECT_EQ(CenteredPosition({0, 0, 1920, 1080}, {476, 435}), QPoint(722, 323));
  EXPECT_EQ(CenteredPosition({0, 0, 801, 601}, {101, 51}), QPoint(350, 275));
  EXPECT_EQ(CenteredPosition({0, 0, 800, 600}, {800, 600}), QPoint(0, 0));
  EXPECT_EQ(CenteredPosition({0, 0, 800, 600}, {1000, 700}), QPoint(-100, -50));
  // A second screen's own corner counts.
  EXPECT_EQ(CenteredPosition({1920, 0, 1280, 1024}, {480, 424}), QPoint(2320, 300));
  QWidget form;
  form.resize(300, 200);
  CenterForm(form);
  EXPECT_EQ(form.pos(), CenteredPosition(QGuiApplication::primaryScreen()->geometry(),
                                         form.frameGeometry().size()));
}

TEST(WindowRoutinesTest, TheFirstChosenOptionAndTheFirstListEntryWithTheDataCount) {
  QWidget parent;
  std::array<QRadioButton*, 4> options{};
  for (auto*& option : options) option = new QRadioButton(&parent);
  EXPECT_EQ(SelectedOptionIndex(options), 0) << "none chosen";
  options[2]->setChecked(true);
  EXPECT_EQ(SelectedOptionIndex(options), 2);

  QButtonGroup loose;
  loose.setExclusive(false);
  for (auto* option : options) loose.addButton(option);
  options[3]->setChecked(true);
  options[1]->setChecked(true);
  EXPECT_EQ(SelectedOptionIndex(options), 1) << "the first of several chosen";

  QListWidget list;
  EXPECT_EQ(SelectListItemByData(list, 7), -1);
  for (int data : {4, 7, 9, 7})
    (new QListWidgetItem(QString::number(data), &list))->setData(kItemDataRole, data);
  list.setCurrentRow(2);
  EXPECT_EQ(SelectListItemByData(list, 5), -1);
  EXPECT_EQ(list.currentRow(), 2) << "no match leaves the current entry";
  EXPECT_EQ(SelectListItemByData(list, 7), 1);
  EXPECT_EQ(list.currentRow(), 1);
}

TEST(QtPromptsTest, MessageBoxesShowTheQuestionAndReturnTheAnswer) {
  using enum QMessageBox::StandardButton;
  using enum QMessageBox::Icon;
  using enum MessageAnswer;
  const MessageQuestion quit{"Sure?", "Quit", MessageButtons::kYesNo,
                             MessageIcon::kInformation, kNo};
  const MessageQuestion retry{"Pick one", "Pick", MessageButtons::kRetryCancel,
                              MessageIcon::kExclamation, kRetry};
  const struct {
    MessageQuestion question;
    QMessageBox::StandardButton press;  // NoButton: closed without a choice
    MessageAnswer answer;
    // Title, buttons, default button and icon of the box shown.
    std::tuple<QString, QMessageBox::StandardButtons, QMessageBox::StandardButton,
               QMessageBox::Icon>
        box;
  } cases[] = {
      {quit, Yes, kYes, {"Quit", Yes | No, No, Information}},
      {quit, NoButton, kNo, {"Quit", Yes | No, No, Information}},
      {retry, Retry, kRetry, {"Pick", Retry | Cancel, Retry, Warning}},
      {{"Not available"}, Ok, kOk, {"VDIMPEXP", Ok, Ok, NoIcon}},
  };
  QtPrompts prompts;
  for (const auto& c : cases) {
    testing::WhenShown([&](QDialog& window) {
      auto& box = static_cast<QMessageBox&>(window);
      EXPECT_EQ(box.text().toStdString(), c.question.text);
      EXPECT_EQ(std::tuple(box.windowTitle(), box.standardButtons(),
                           box.standardButton(box.defaultButton()), box.icon()),
                c.box)
          << c.question.text;
      c.press == NoButton ? (void)box.close() : box.button(c.press)->click();
    });
    EXPECT_EQ(prompts.Ask(c.question), c.answer) << c.question.text;
  }
}

TEST(QtPromptsTest, FiltersBecomeTheDialogsOwnForm) {
  EXPECT_EQ(ToDialogFilter("MS ACCESS (*.mdb)|*.mdb"), "MS ACCESS (*.mdb)");
  EXPECT_EQ(ToDialogFilter("Text|*.txt;*.csv|All files (*.*)|*.*"),
            "Text (*.txt *.csv);;All files (*)");
  EXPECT_EQ(ToDialogFilter(""), "");
}

}  // namespace
}  // namespace vdimpexp::support

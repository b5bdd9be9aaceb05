// The export and selection calls driven through the real wizard window,
// offscreen, with the buttons a user would press.
#include <gtest/gtest.h>

#include <QTest>

#include "wizard_probe.h"

namespace vdimpexp::testing {
namespace {

using support::MessageAnswer;

TEST_F(WizardTest, ExportWalksCategoryZeroAndFinishes) {
  std::vector<int> pages;
  std::vector<std::string> headers;
  WhenShown([&](QDialog& window) {
    EXPECT_EQ(window.windowTitle(), "Filter Wizard");
    EXPECT_EQ(ShownPage(window), 0);
    EXPECT_FALSE(HeaderShown(window));
    EXPECT_EQ(ButtonStates(window), (Buttons{false, true, false}));
    EXPECT_TRUE(Control<QRadioButton>(window, "optImportCategory(0)").isChecked());
    while (Button(window, "cmdNext").isEnabled()) {
      Button(window, "cmdNext").click();
      pages.push_back(ShownPage(window));
      headers.push_back(HeaderTitle(window));
      EXPECT_TRUE(HeaderShown(window));
    }
    EXPECT_EQ(ButtonStates(window), (Buttons{true, false, true}));
    EXPECT_EQ(Control<QLabel>(window, "lblStep").text(), "Export completed.");
    Button(window, "cmdFinish").click();
  });
  component_.ExportData(connection_);
  EXPECT_EQ(pages, (std::vector<int>{1, 2, 4, 5, 9}));
  EXPECT_EQ(headers, (std::vector<std::string>{"Filter Category", "Filter Customers",
                                               "Export Field Selection", "Export Format",
                                               "Finished!"}));
  ASSERT_FALSE(prompts_.pointers().empty());
  EXPECT_EQ(prompts_.pointers().front(), support::ScreenPointer::kHourglass);
  EXPECT_EQ(prompts_.pointers().back(), support::ScreenPointer::kDefault);
}

TEST_F(WizardTest, SelectionWalkSkipsTheFormatPageAndReturnsTheCategory) {
  std::vector<int> pages;
  WhenShown([&](QDialog& window) {
    Button(window, "cmdNext").click();
    ChooseCategory(window, 5);
    pages = PressNextToTheEnd(window);
    EXPECT_EQ(Control<QLabel>(window, "lblStep").text(),
              "About to start with your request...");
    Button(window, "cmdFinish").click();
  });
  std::string sql = "left by the host";
  int16_t category = -7;
  component_.SQLSelected(connection_, sql, category);
  EXPECT_EQ(pages, (std::vector<int>{3, 9}));
  EXPECT_EQ(category, 5);

  WhenShown([&](QDialog& window) {
    pages = PressNextToTheEnd(window);
    Button(window, "cmdFinish").click();
  });
  component_.SQLSelected(connection_, sql, category);
  EXPECT_EQ(pages, (std::vector<int>{1, 2, 4, 9}));
  EXPECT_EQ(category, 0);
}

TEST_F(WizardTest, PreviousReturnsToTheCategoryPageAndANewCategoryStartsAfresh) {
  WhenShown([&](QDialog& window) {
    Button(window, "cmdNext").click();
    Button(window, "cmdPrevious").click();  // on the category page: hides the header only
    EXPECT_EQ(ShownPage(window), 1);
    EXPECT_FALSE(HeaderShown(window));
    EXPECT_EQ(ButtonStates(window), (Buttons{false, true, false}));

    Button(window, "cmdNext").click();
    Button(window, "cmdNext").click();
    ASSERT_EQ(ShownPage(window), 4);
    Button(window, "cmdPrevious").click();
    EXPECT_EQ(ShownPage(window), 2);
    EXPECT_EQ(ButtonStates(window), (Buttons{true, true, false}));
    Button(window, "cmdPrevious").click();
    EXPECT_EQ(ShownPage(window), 1);
    EXPECT_EQ(ButtonStates(window), (Buttons{false, true, false}));
    EXPECT_TRUE(HeaderShown(window));
    EXPECT_EQ(HeaderTitle(window), "Filter Category");

    ChooseCategory(window, 2);
    Button(window, "cmdNext").click();
    EXPECT_EQ(ShownPage(window), 6);
    EXPECT_EQ(HeaderTitle(window), "Inventory Items Selection");
    Button(window, "cmdCancel").click();
  });
  component_.ExportData(connection_);
  EXPECT_TRUE(prompts_.questions().empty()) << "Cancel asks nothing";
}

TEST_F(WizardTest, ClosingAsksAndOnlyYesEndsTheWizardWithNothingSelected) {
  WhenShown([&](QDialog& window) {
    Button(window, "cmdNext").click();
    ChooseCategory(window, 4);
    Button(window, "cmdNext").click();
    prompts_.AnswerNext(MessageAnswer::kNo);
    window.close();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(ShownPage(window), 8) << "a close answered No changes nothing";
    prompts_.AnswerNext(MessageAnswer::kYes);
    window.close();
  });
  std::string sql = "SELECT 1";
  int16_t category = 3;
  component_.SQLSelected(connection_, sql, category);
  EXPECT_EQ(sql, "");
  EXPECT_EQ(category, 0);
  ASSERT_EQ(prompts_.questions().size(), 2u);
  EXPECT_EQ(prompts_.questions()[0],
            (support::MessageQuestion{.text = "Are you sure?",
                                      .title = "Quit?",
                                      .buttons = support::MessageButtons::kYesNo,
                                      .icon = support::MessageIcon::kInformation,
                                      .default_answer = MessageAnswer::kNo}));

  // Escape is a close request like the title-bar button.
  WhenShown([&](QDialog& window) {
    prompts_.AnswerNext(MessageAnswer::kYes);
    QTest::keyClick(&window, Qt::Key_Escape);
  });
  component_.ExportData(connection_);
  EXPECT_EQ(prompts_.questions().size(), 3u);
}

TEST_F(WizardTest, CancelHandsBackNothingAndTheNextCallStartsFresh) {
  WhenShown([&](QDialog& window) {
    Button(window, "cmdNext").click();
    ChooseCategory(window, 3);
    Button(window, "cmdNext").click();
    Button(window, "cmdCancel").click();
  });
  std::string sql = "SELECT * FROM Contacts";
  int16_t category = 4;
  component_.SQLSelected(connection_, sql, category);
  EXPECT_EQ(sql, "");
  EXPECT_EQ(category, 0);

  std::vector<int> pages;
  WhenShown([&](QDialog& window) {
    EXPECT_EQ(ShownPage(window), 0);
    EXPECT_FALSE(HeaderShown(window));
    EXPECT_TRUE(Control<QRadioButton>(window, "optImportCategory(0)").isChecked());
    pages = PressNextToTheEnd(window);
    Button(window, "cmdCancel").click();
  });
  component_.ExportData(connection_);
  EXPECT_EQ(pages, (std::vector<int>{1, 2, 4, 5, 9})) << "export mode, category 0 again";
}

TEST_F(WizardTest, AcceleratorsPressTheButtons) {
  // A button pressed by its accelerator shows itself pressed for a moment
  // before it acts, so each step waits for the page to change.
  auto press = [](QDialog& window, Qt::Key key) {
    QTest::keyClick(&window, key, Qt::AltModifier);
  };
  auto page_becomes = [](QDialog& window, int page) {
    return QTest::qWaitFor([&] { return ShownPage(window) == page; }, 2000);
  };
  WhenShown([&](QDialog& window) {
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    press(window, Qt::Key_N);
    EXPECT_TRUE(page_becomes(window, 1));
    press(window, Qt::Key_N);
    EXPECT_TRUE(page_becomes(window, 2));
    press(window, Qt::Key_P);
    EXPECT_TRUE(page_becomes(window, 1));
    press(window, Qt::Key_C);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 2000));
  });
  component_.ExportData(connection_);
  EXPECT_TRUE(prompts_.questions().empty());
}

}  // namespace
}  // namespace vdimpexp::testing

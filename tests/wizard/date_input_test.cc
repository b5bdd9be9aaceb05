#include "wizard/date_input.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <ostream>

static void PrintTo(const QString& text, std::ostream* out) {
  *out << text.toStdString();
}

namespace vdimpexp::wizard {
namespace {

data::Date Day(int year, int month, int day) {
  return data::Date{.year = year, .month = month, .day = day};
}

// The input, with a label whose mnemonic leads to it, before another field.
class DateInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&window_);
    auto* label = new QLabel(QStringLiteral("&Date"));
    layout->addWidget(label);
    layout->addWidget(input_ = new DateInput);
    layout->addWidget(after_ = new QLineEdit);
    label->setBuddy(input_);
    ASSERT_NE(edit_ = input_->findChild<QLineEdit*>(), nullptr);
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  }

  // Enters the input, replaces what it holds with `keys`, and leaves it.
  void Type(const char* keys) {
    input_->setFocus(Qt::TabFocusReason);
    QTest::keyClick(edit_, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit_, Qt::Key_Delete);
    QTest::keyClicks(edit_, QString::fromLatin1(keys));
    after_->setFocus(Qt::TabFocusReason);
  }

  QWidget window_;
  DateInput* input_ = nullptr;
  QLineEdit* after_ = nullptr;
  QLineEdit* edit_ = nullptr;
};

TEST_F(DateInputTest, TypedDateIsShownForReadingOnceLeft) {
  after_->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(&window_, Qt::Key_D, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), edit_);
  EXPECT_EQ(input_->Text(), QStringLiteral("__/__/__"));
  QTest::keyClicks(edit_, QStringLiteral("030501"));
  // The drop-down button is no Tab stop either way.
  QTest::keyClick(edit_, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), after_);
  EXPECT_EQ(input_->Text(), QStringLiteral("Mar 05, 2001"));
  EXPECT_EQ(input_->Value(), Day(2001, 3, 5));
  QTest::keyClick(after_, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), edit_);
  EXPECT_EQ(input_->Text(), QStringLiteral("03/05/01"));
}

TEST_F(DateInputTest, SetValueBadEntriesClearingAndEnglishMonths) {
  // 1925 reads "25" in the entry form; passing through must not make it 2025.
  input_->SetValue(Day(1925, 1, 31));
  input_->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(input_->Text(), QStringLiteral("01/31/25"));
  after_->setFocus(Qt::TabFocusReason);
  for (const char* bad : {"134501", "023001", "031"}) {
    Type(bad);
    EXPECT_EQ(input_->Value(), Day(1925, 1, 31)) << bad;
    EXPECT_EQ(input_->Text(), QStringLiteral("Jan 31, 1925")) << bad;
  }
  Type("");
  EXPECT_EQ(input_->Value(), std::nullopt);
  EXPECT_EQ(input_->Text(), QString());

  // Months read the same under any locale.
  const QLocale user_locale;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  for (int month = 1; month <= 12; ++month) {
    input_->SetValue(Day(1998, month, 7));
    EXPECT_EQ(input_->Text(),
              QLocale(QLocale::English).toString(QDate(1998, month, 7), "MMM dd, yyyy"));
  }
  QLocale::setDefault(user_locale);
}

TEST_F(DateInputTest, CalendarPopupPicksADate) {
  auto* calendar = input_->findChild<QCalendarWidget*>();
  ASSERT_NE(calendar, nullptr);
  auto* view = calendar->findChild<QTableView*>();
  input_->SetValue(Day(2001, 3, 5));
  QTest::mouseClick(input_->findChild<QToolButton*>(), Qt::LeftButton);
  ASSERT_TRUE(calendar->isVisible());
  EXPECT_EQ(calendar->selectedDate(), QDate(2001, 3, 5));
  // A Monday: the next day lies to its right.
  const QModelIndex tuesday =
      view->currentIndex().siblingAtColumn(view->currentIndex().column() + 1);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                    view->visualRect(tuesday).center());
  EXPECT_EQ(input_->Value(), Day(2001, 3, 6));
  EXPECT_FALSE(calendar->isVisible());

  // From the keyboard it opens on the date typed so far.
  input_->setFocus(Qt::TabFocusReason);
  QTest::keyClick(edit_, Qt::Key_Home);
  QTest::keyClicks(edit_, QStringLiteral("070499"));
  QTest::keyClick(edit_, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(calendar->isVisible());
  EXPECT_EQ(calendar->selectedDate(), QDate(1999, 7, 4));
  QTest::keyClick(view, Qt::Key_Right);
  QTest::keyClick(view, Qt::Key_Return);
  EXPECT_FALSE(calendar->isVisible());
  EXPECT_EQ(input_->Value(), Day(1999, 7, 5));
  QTest::keyClick(edit_, Qt::Key_F4);
  EXPECT_TRUE(calendar->isVisible());
}

}  // namespace
}  // namespace vdimpexp::wizard

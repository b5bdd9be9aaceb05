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

// A window with a field before and after the date input, so focus can come
// and go the way it does on a filter page.
class DateInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&window_);
    layout->addWidget(before_ = new QLineEdit);
    layout->addWidget(label_ = new QLabel(QStringLiteral("&Date")));
    layout->addWidget(input_ = new DateInput);
    layout->addWidget(after_ = new QLineEdit);
    label_->setBuddy(input_);
    edit_ = input_->findChild<QLineEdit*>();
    ASSERT_NE(edit_, nullptr);
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  }

  // Enters the input, types `keys` over whatever it shows, and leaves it.
  void Type(const QString& keys) {
    input_->setFocus(Qt::TabFocusReason);
    QTest::keyClick(edit_, Qt::Key_Home);
    QTest::keyClicks(edit_, keys);
    after_->setFocus(Qt::TabFocusReason);
  }

  QWidget window_;
  QLineEdit* before_ = nullptr;
  QLabel* label_ = nullptr;
  DateInput* input_ = nullptr;
  QLineEdit* after_ = nullptr;
  QLineEdit* edit_ = nullptr;
};

TEST_F(DateInputTest, TypedDateIsShownForReadingOnceLeft) {
  EXPECT_EQ(input_->Value(), std::nullopt);
  EXPECT_EQ(input_->Text(), QString());

  input_->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(input_->Text(), QStringLiteral("__/__/__"));
  QTest::keyClicks(edit_, QStringLiteral("030501"));
  EXPECT_EQ(input_->Text(), QStringLiteral("03/05/01"));
  EXPECT_EQ(input_->Value(), Day(2001, 3, 5));

  after_->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(input_->Text(), QStringLiteral("Mar 05, 2001"));
  EXPECT_EQ(input_->Value(), Day(2001, 3, 5));

  // Coming back offers the entry form again.
  input_->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(input_->Text(), QStringLiteral("03/05/01"));

  // Two-digit years split at 30, like every other date text of the product.
  Type(QStringLiteral("123129"));
  EXPECT_EQ(input_->Value(), Day(2029, 12, 31));
  Type(QStringLiteral("010130"));
  EXPECT_EQ(input_->Value(), Day(1930, 1, 1));
  EXPECT_EQ(input_->Text(), QStringLiteral("Jan 01, 1930"));
}

TEST_F(DateInputTest, ClearingEmptiesAndBadEntriesKeepTheLastGoodDate) {
  input_->SetValue(Day(2001, 3, 5));
  input_->setFocus(Qt::TabFocusReason);
  QTest::keyClick(edit_, Qt::Key_End);
  for (int i = 0; i < 8; ++i) QTest::keyClick(edit_, Qt::Key_Backspace);
  EXPECT_EQ(input_->Value(), std::nullopt);
  after_->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(input_->Value(), std::nullopt);
  EXPECT_EQ(input_->Text(), QString());

  // Incomplete text on an empty input leaves it empty.
  Type(QStringLiteral("031"));
  EXPECT_EQ(input_->Value(), std::nullopt);
  EXPECT_EQ(input_->Text(), QString());

  input_->SetValue(Day(2001, 3, 5));
  for (const char* bad : {"134501", "023001", "031"}) {
    input_->setFocus(Qt::TabFocusReason);
    QTest::keyClick(edit_, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit_, Qt::Key_Delete);
    QTest::keyClicks(edit_, QString::fromLatin1(bad));
    EXPECT_EQ(input_->Value(), std::nullopt) << bad;
    after_->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(input_->Value(), Day(2001, 3, 5)) << bad;
    EXPECT_EQ(input_->Text(), QStringLiteral("Mar 05, 2001")) << bad;
  }
}

TEST_F(DateInputTest, SetValueShowsEnglishMonthsAndKeepsDatesOutsideTheYearWindow) {
  const QLocale user_locale;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  const QLocale english(QLocale::English, QLocale::UnitedStates);
  for (int month = 1; month <= 12; ++month) {
    input_->SetValue(Day(1998, month, 7));
    EXPECT_EQ(input_->Text(), english.toString(QDate(1998, month, 7), "MMM dd, yyyy"));
  }
  QLocale::setDefault(user_locale);

  data::Date with_time = Day(2001, 3, 5);
  with_time.hour = 10;
  input_->SetValue(with_time);
  EXPECT_EQ(input_->Value(), Day(2001, 3, 5));
  input_->SetValue(std::nullopt);
  EXPECT_EQ(input_->Value(), std::nullopt);
  EXPECT_EQ(input_->Text(), QString());

  // 1925 reads "25" in the entry form; passing through must not move it to 2025.
  input_->SetValue(Day(1925, 1, 31));
  input_->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(input_->Text(), QStringLiteral("01/31/25"));
  EXPECT_EQ(input_->Value(), Day(1925, 1, 31));
  after_->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(input_->Value(), Day(1925, 1, 31));
}

TEST_F(DateInputTest, CalendarPopupPicksADate) {
  auto* calendar = input_->findChild<QCalendarWidget*>();
  ASSERT_NE(calendar, nullptr);
  auto* view = calendar->findChild<QTableView*>();
  ASSERT_NE(view, nullptr);
  EXPECT_FALSE(calendar->isVisible());

  input_->SetValue(Day(2001, 3, 5));
  QTest::mouseClick(input_->findChild<QToolButton*>(), Qt::LeftButton);
  ASSERT_TRUE(calendar->isVisible());
  EXPECT_EQ(calendar->selectedDate(), QDate(2001, 3, 5));

  QModelIndex fifteenth;
  for (int row = 0; row < view->model()->rowCount(); ++row) {
    for (int column = 0; column < view->model()->columnCount(); ++column) {
      const QModelIndex cell = view->model()->index(row, column);
      if (cell.data().toString() == QStringLiteral("15")) fifteenth = cell;
    }
  }
  ASSERT_TRUE(fifteenth.isValid());
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                    view->visualRect(fifteenth).center());
  EXPECT_EQ(input_->Value(), Day(2001, 3, 15));
  EXPECT_FALSE(calendar->isVisible());

  // From the keyboard: the typed date is where the calendar opens.
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

TEST_F(DateInputTest, TabAndLabelMnemonicReachTheEntry) {
  before_->setFocus(Qt::OtherFocusReason);
  QTest::keyClick(before_, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), edit_);
  EXPECT_TRUE(input_->hasFocus());
  // The drop-down button is not a Tab stop.
  QTest::keyClick(edit_, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), after_);

  QTest::keyClick(&window_, Qt::Key_D, Qt::AltModifier);
  EXPECT_EQ(QApplication::focusWidget(), edit_);
  EXPECT_EQ(input_->Text(), QStringLiteral("__/__/__"));
}

}  // namespace
}  // namespace vdimpexp::wizard

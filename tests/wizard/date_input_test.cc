#include "wizard/date_input.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

namespace vdimpexp::wizard {
namespace {

using Day = std::optional<data::Date>;

TEST(DateInputTest, TypedEntriesAreTakenOnlyWhenBlankOrAWholeValidDate) {
  // The input and another field, in a shown window.
  QWidget window;
  auto* input = new DateInput(&window);
  auto* after = new QLineEdit(&window);
  QLineEdit* edit = input->findChild<QLineEdit*>();
  ASSERT_NE(edit, nullptr);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  auto shown = [&] { return input->Text().toStdString(); };

  // Months read the same under any locale.
  const QLocale user_locale;
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  const data::Date kBefore{1925, 1, 31};
  // clang-format off
  const std::tuple<const char*, Day, const char*> entries[] = {
      {"030501", data::Date{2001, 3, 5}, "Mar 05, 2001"},
      {"022900", data::Date{2000, 2, 29}, "Feb 29, 2000"},
      {"122929", data::Date{2029, 12, 29}, "Dec 29, 2029"},
      {"101030", data::Date{1930, 10, 10}, "Oct 10, 1930"},
      // A visit without typing keeps the century the entry form cannot show.
      {nullptr, kBefore, "Jan 31, 1925"},
      // Neither blank nor a date: the last good value stays.
      {"022901", kBefore, "Jan 31, 1925"}, {"134501", kBefore, "Jan 31, 1925"},
      {"000501", kBefore, "Jan 31, 1925"}, {"023001", kBefore, "Jan 31, 1925"},
      {"043101", kBefore, "Jan 31, 1925"}, {"031", kBefore, "Jan 31, 1925"},
      // Nothing typed, and letters the mask refuses, empty the input.
      {"", std::nullopt, ""}, {"ab", std::nullopt, ""}};
  // clang-format on
  for (const auto& [keys, value, text] : entries) {
    SCOPED_TRACE(keys ? keys : "(nothing typed)");
    input->SetValue(kBefore);
    input->setFocus(Qt::TabFocusReason);
    // 1925 reads "25" in the entry form; passing through must not make it 2025.
    EXPECT_EQ(shown(), "01/31/25");
    if (keys) {
      QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(edit, Qt::Key_Delete);
      QTest::keyClicks(edit, QString::fromLatin1(keys));
    }
    after->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(input->Value(), value);
    EXPECT_EQ(shown(), text);
  }
  QLocale::setDefault(user_locale);
  input->SetValue(std::nullopt);
  input->setFocus(Qt::TabFocusReason);
  EXPECT_EQ(shown(), "__/__/__") << "the entry form of an empty input";
}

}  // namespace
}  // namespace vdimpexp::wizard

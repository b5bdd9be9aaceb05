// A date entry that can be left empty: it takes "mm/dd/yy" as typed, shows
// the date as "mmm dd, yyyy" once the user leaves it, and drops down a
// calendar to pick from.
#pragma once

#include <QWidget>
#include <optional>

#include "data/value.h"

class QCalendarWidget;
class QDate;
class QLineEdit;
class QToolButton;

namespace vdimpexp::wizard {

class DateInput : public QWidget {
 public:
  explicit DateInput(QWidget* parent = nullptr);

  // The date entered, or nullopt while the input is empty or does not yet
  // hold a whole valid date.
  std::optional<data::Date> Value() const;
  void SetValue(std::optional<data::Date> date);
  // What the input shows now.
  QString Text() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowEntryForm();
  void ShowDisplayForm();
  // Takes what was typed as the value when it is blank or a whole date.
  void Commit();
  void OpenCalendar();
  void Pick(const QDate& date);

  QLineEdit* edit_;
  QToolButton* button_;
  QCalendarWidget* calendar_;
  std::optional<data::Date> value_;
  bool editing_ = false;
};

}  // namespace vdimpexp::wizard

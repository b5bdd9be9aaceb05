#include "wizard/date_input.h"

#include <QCalendarWidget>
#include <QDate>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QToolButton>
#include <algorithm>
#include <array>
#include <cstdio>

namespace vdimpexp::wizard {
namespace {

// Every position of the mask is a required digit, so the input only counts as
// acceptable once the whole date has been typed.
constexpr char kEntryMask[] = "99/99/99;_";

// The display form does not follow the user's locale, so a date reads the same
// on every workstation of the shop.
QString DisplayText(const data::Date& date) {
  static constexpr std::array<const char*, 12> kMonths = {
      "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%s %02d, %04d", kMonths[date.month - 1], date.day,
                date.year);
  return QString::fromLatin1(buffer);
}

QString EntryText(const data::Date& date) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d/%02d/%02d", date.month, date.day,
                date.year % 100);
  return QString::fromLatin1(buffer);
}

// What the entry holds: blank, a whole valid date, or neither (date empty and
// blank false).
struct Entry {
  bool blank = true;
  std::optional<data::Date> date;
};

Entry ReadEntry(const QLineEdit& edit) {
  const QString text = edit.text();
  Entry entry;
  for (QChar c : text) entry.blank = entry.blank && !c.isDigit();
  // The same parser as every other date text of the product, so a two-digit
  // year lands in the same century here as in an imported file.
  if (!entry.blank && edit.hasAcceptableInput()) {
    entry.date = data::Date::Parse(text.toStdString());
  }
  return entry;
}

}  // namespace

DateInput::DateInput(QWidget* parent)
    : QWidget(parent),
      edit_(new QLineEdit(this)),
      button_(new QToolButton(this)),
      calendar_(new QCalendarWidget(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(edit_);
  layout->addWidget(button_);

  // The button is reached by mouse or Alt+Down; Tab goes to the text alone.
  button_->setArrowType(Qt::DownArrow);
  button_->setFocusPolicy(Qt::NoFocus);
  connect(button_, &QToolButton::clicked, this, [this] { OpenCalendar(); });

  calendar_->setWindowFlags(Qt::Popup);
  calendar_->setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
  calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  connect(calendar_, &QCalendarWidget::clicked, this, [this](QDate d) { Pick(d); });
  connect(calendar_, &QCalendarWidget::activated, this, [this](QDate d) { Pick(d); });

  edit_->installEventFilter(this);
  setFocusProxy(edit_);
  setFocusPolicy(edit_->focusPolicy());
}

std::optional<data::Date> DateInput::Value() const {
  if (!editing_ || !edit_->isModified()) return value_;
  return ReadEntry(*edit_).date;
}

void DateInput::SetValue(std::optional<data::Date> date) {
  if (date) {
    date = data::Date{.year = date->year, .month = date->month, .day = date->day};
    if (!date->IsValid()) date.reset();
  }
  value_ = date;
  if (editing_) {
    edit_->setText(value_ ? EntryText(*value_) : QString());
  } else {
    ShowDisplayForm();
  }
}

QString DateInput::Text() const { return edit_->displayText(); }

bool DateInput::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_) {
    switch (event->type()) {
      case QEvent::FocusIn:
        ShowEntryForm();
        break;
      case QEvent::FocusOut:
        Commit();
        ShowDisplayForm();
        break;
      case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool alt_down =
            key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier);
        if (alt_down ||
            (key->key() == Qt::Key_F4 && key->modifiers() == Qt::NoModifier)) {
          OpenCalendar();
          return true;
        }
        break;
      }
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void DateInput::ShowEntryForm() {
  editing_ = true;
  edit_->setInputMask(QString::fromLatin1(kEntryMask));
  // setText clears the modified flag: text that was not touched is not read
  // back, so a date outside the two-digit year window survives a visit.
  edit_->setText(value_ ? EntryText(*value_) : QString());
}

void DateInput::ShowDisplayForm() {
  editing_ = false;
  edit_->setInputMask(QString());
  edit_->setText(value_ ? DisplayText(*value_) : QString());
}

void DateInput::Commit() {
  if (!editing_ || !edit_->isModified()) return;
  // An entry that is neither blank nor a whole valid date is dropped and the
  // last good value stays, so half-typed text never reaches a filter.
  const Entry entry = ReadEntry(*edit_);
  if (entry.blank) {
    value_.reset();
  } else if (entry.date) {
    value_ = entry.date;
  }
  edit_->setModified(false);
}

void DateInput::OpenCalendar() {
  std::optional<data::Date> shown = Value();
  if (!shown) shown = value_;
  calendar_->setSelectedDate(shown ? QDate(shown->year, shown->month, shown->day)
                                   : QDate::currentDate());
  calendar_->adjustSize();
  QPoint at = mapToGlobal(QPoint(0, height()));
  if (const QScreen* screen = this->screen()) {
    const QRect room = screen->availableGeometry();
    if (at.y() + calendar_->height() > room.bottom()) {
      at.setY(mapToGlobal(QPoint(0, 0)).y() - calendar_->height());
    }
    at.setX(std::max(room.left(), std::min(at.x(), room.right() - calendar_->width())));
  }
  calendar_->move(at);
  calendar_->show();
  calendar_->setFocus(Qt::PopupFocusReason);
}

void DateInput::Pick(const QDate& date) {
  SetValue(data::Date{.year = date.year(), .month = date.month(), .day = date.day()});
  calendar_->hide();
}

}  // namespace vdimpexp::wizard

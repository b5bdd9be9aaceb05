#include "wizard/keyboard_order.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QRadioButton>
#include <algorithm>
#include <tuple>

namespace vdimpexp::wizard {
namespace {

void CollectInputs(QLayout& layout, std::vector<QWidget*>& inputs) {
  // A grid's cells by row, then column; a box's items in their order.
  std::vector<std::tuple<int, int, QLayoutItem*>> items;
  auto* grid = qobject_cast<QGridLayout*>(&layout);
  for (int i = 0; i < layout.count(); ++i) {
    int row = 0, column = i, row_span = 0, column_span = 0;
    if (grid) grid->getItemPosition(i, &row, &column, &row_span, &column_span);
    items.emplace_back(row, column, layout.itemAt(i));
  }
  std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
    return std::tie(std::get<0>(a), std::get<1>(a)) <
           std::tie(std::get<0>(b), std::get<1>(b));
  });
  for (const auto& [row, column, item] : items) {
    if (QLayout* inner = item->layout()) {
      CollectInputs(*inner, inputs);
    } else if (QWidget* widget = item->widget()) {
      // An input made of parts (a date input) takes focus as one.
      if (widget->focusPolicy() & Qt::TabFocus) {
        inputs.push_back(widget);
      } else if (widget->layout()) {
        CollectInputs(*widget->layout(), inputs);
      }
    }
  }
}

// Acts on a list's keys before the list does.
class ListKeyFilter : public QObject {
 public:
  ListKeyFilter(QListWidget& list, std::initializer_list<int> keys,
                std::function<void()> act)
      : QObject(&list), list_(list), keys_(keys), act_(std::move(act)) {
    list.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != &list_ || event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    constexpr Qt::KeyboardModifiers kCommandKeys =
        Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if ((key->modifiers() & kCommandKeys) || list_.currentRow() < 0 ||
        std::find(keys_.begin(), keys_.end(), key->key()) == keys_.end()) {
      return false;
    }
    act_();
    return true;
  }

 private:
  QListWidget& list_;
  std::vector<int> keys_;
  std::function<void()> act_;
};

}  // namespace

std::vector<QWidget*> InputsInReadingOrder(QWidget& page) {
  std::vector<QWidget*> inputs;
  if (page.layout()) CollectInputs(*page.layout(), inputs);
  return inputs;
}

QWidget* FirstInput(QWidget& page) {
  for (QWidget* input : InputsInReadingOrder(page)) {
    if (!input->isEnabled()) continue;
    auto* option = qobject_cast<QRadioButton*>(input);
    if (!option || option->isChecked()) return input;
    // Tab enters a group of options at the chosen one.
    for (QAbstractButton* other :
         option->group() ? option->group()->buttons() : QList<QAbstractButton*>{}) {
      if (other->isChecked()) return other;
    }
    return input;
  }
  return nullptr;
}

QString WithoutAccelerators(const QString& caption) {
  QString plain;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;  // "&&" stands for "&"
    plain += caption[i];
  }
  return plain;
}

void NameAfterCaptions(QWidget& page) {
  for (QLabel* label : page.findChildren<QLabel*>()) {
    if (label->buddy())
      label->buddy()->setAccessibleName(WithoutAccelerators(label->text()));
  }
  for (QWidget* input : InputsInReadingOrder(page)) {
    if (auto* button = qobject_cast<QAbstractButton*>(input)) {
      button->setAccessibleName(WithoutAccelerators(button->text()));
    }
    for (QWidget* around = input->parentWidget(); around && around != &page;
         around = around->parentWidget()) {
      if (auto* frame = qobject_cast<QGroupBox*>(around)) {
        input->setAccessibleDescription(WithoutAccelerators(frame->title()));
        break;
      }
    }
  }
}

void OnListKeys(QListWidget& list, std::initializer_list<int> keys,
                std::function<void()> act) {
  new ListKeyFilter(list, keys, std::move(act));
}

}  // namespace vdimpexp::wizard

#include "support/window_routines.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>
#include <QWidget>

namespace vdimpexp::support {

QPoint CenteredPosition(const QRect& screen, const QSize& window_size) {
  return {screen.left() + screen.width() / 2 - window_size.width() / 2,
          screen.top() + screen.height() / 2 - window_size.height() / 2};
}

void CenterForm(QWidget& form) {
  QScreen* screen = form.screen() ? form.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  form.move(CenteredPosition(screen->geometry(), form.frameGeometry().size()));
}

uint8_t SelectedOptionIndex(std::span<QRadioButton* const> options) {
  for (size_t i = 0; i < options.size(); ++i) {
    if (options[i] && options[i]->isChecked()) return static_cast<uint8_t>(i);
  }
  return 0;
}

int16_t SelectListItemByData(QListWidget& list, int32_t value) {
  for (int row = 0; row < list.count(); ++row) {
    if (list.item(row)->data(kItemDataRole).toInt() == value) {
      list.setCurrentRow(row);
      return static_cast<int16_t>(row);
    }
  }
  return -1;
}

}  // namespace vdimpexp::support

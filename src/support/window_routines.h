// Support routines that work on windows and controls.
#pragma once

#include <QtCore/qnamespace.h>

#include <QRect>
#include <cstdint>
#include <span>

class QListWidget;
class QRadioButton;
class QWidget;

namespace vdimpexp::support {

// Where a window of `window_size` sits in the middle of `screen`; a window
// larger than the screen gets a position before the screen's corner.
QPoint CenteredPosition(const QRect& screen, const QSize& window_size);

// Moves `form` to the middle of the screen it is on, keeping its size.
void CenterForm(QWidget& form);

// The index of the first chosen button of an option group, 0 when none is.
uint8_t SelectedOptionIndex(std::span<QRadioButton* const> options);

// Makes the first entry whose item data is `value` the current one and
// returns its row; -1, with nothing changed, when no entry carries it.
int16_t SelectListItemByData(QListWidget& list, int32_t value);

// Item data lives under this role on every list and combo box entry.
inline constexpr int kItemDataRole = Qt::UserRole;

}  // namespace vdimpexp::support

// How a keyboard user moves through a page: its inputs in reading order
// for the tab chain, the input a page starts on, the names assistive tools
// read out, and keys that act on a list's current entry.
#pragma once

#include <QString>
#include <functional>
#include <initializer_list>
#include <vector>

class QListWidget;
class QWidget;

namespace vdimpexp::wizard {

// The controls of `page` that take focus by Tab, in the order its layouts
// show them: left to right, then top to bottom; a frame's controls where
// the frame stands.
std::vector<QWidget*> InputsInReadingOrder(QWidget& page);

// The input a page starts on: the first in reading order, or the chosen
// option where that is one of a group; none on a page without inputs.
QWidget* FirstInput(QWidget& page);

// A caption without its accelerator marks ("&Zip Code" reads "Zip Code").
QString WithoutAccelerators(const QString& caption);

// Names every input of `page` after its caption: a button's own text, an
// input's label; a frame's title becomes the description of what it holds.
void NameAfterCaptions(QWidget& page);

// Runs `act` when one of `keys` is pressed (without Ctrl, Alt or Meta) on
// `list` with a current entry; the key goes no further.
void OnListKeys(QListWidget& list, std::initializer_list<int> keys,
                std::function<void()> act);

}  // namespace vdimpexp::wizard

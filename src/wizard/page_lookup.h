// How page builders reach the pages: the frame owns and places the page
// widgets, the builders fill them.
#pragma once

#include <cstdint>
#include <functional>

class QWidget;

namespace vdimpexp::wizard {

// The page widget with a given index.
using PageLookup = std::function<QWidget*(int16_t index)>;

}  // namespace vdimpexp::wizard

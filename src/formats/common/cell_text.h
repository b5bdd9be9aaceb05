// The text a value takes in the text and HTML exports. Both use the same
// forms, so a table exported either way reads the same, and none of them
// depends on the user's regional settings:
//   null      nothing
//   boolean   True / False
//   numbers   '.' as decimal point, no thousands separators; doubles in
//             the shortest fixed-point form that reads back to the same
//             value, never in exponent form: 1000000, not 1e+06 (the text
//             driver cannot read a column that mixes the two forms, and a
//             table is read by people); zero without a sign; infinities
//             as inf and -inf
//   dates     yyyy-mm-dd hh:mm:ss, always with the time (00:00:00 at
//             midnight), so one pattern reads every date of a column
//   text      as it is (quoting or escaping is the writer's business)
#pragma once

#include <string>
#include <string_view>

#include "data/value.h"

namespace vdimpexp::formats {

// The date form above in the notation of the text driver's DateTimeFormat
// (where "nn" is minutes).
inline constexpr std::string_view kCellDateTimeFormat = "yyyy-mm-dd hh:nn:ss";

void AppendCellText(std::string& out, const data::Value& value);

}  // namespace vdimpexp::formats

// A stored DBF date rendered through a picture such as "MM/DD/CCYY".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vdimpexp::legacy {

// `picture` with each run of the date letters replaced by digits of
// `stored` ("CCYYMMDD", as DBF date fields hold it): C the century, Y the
// year (YY the year within the century, YYYY all four digits), M the month,
// D the day; a run takes the right-most digits of its part. Other
// characters are copied. When `stored` is not a valid calendar date (blank,
// "00000000", letters, 30 February), the letters become spaces, so the
// result never reads as a date. As long as `picture`, always.
std::string RenderDatePicture(std::string_view stored, std::string_view picture);
// The same into `out`, which must hold picture.size() characters; nothing
// more is written.
void RenderDatePicture(std::string_view stored, std::string_view picture, char* out);

}  // namespace vdimpexp::legacy

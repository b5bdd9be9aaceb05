// The export formats offered on the format page. What each entry does is
// fixed by its position, so the list is never sorted.
#pragma once

#include <array>
#include <string_view>

namespace vdimpexp::exporting {

inline constexpr std::array<std::string_view, 20> kExportFormats = {
    "Microsoft Jet (Access)",
    "dBASE III",
    "dBASE IV",
    "dBASE 5",
    "Paradox 3.x",
    "Paradox 4.x",
    "Paradox 5.x",
    "Excel 3.0",
    "Excel 4.0",
    "Excel 5.0",
    "Excel 95",
    "Excel 97",
    "Lotus 123 WKS and WK1",
    "Lotus 123 WK3",
    "Lotus 123 WK4",
    "HTML",
    "Text (Comma Delimited)",
    "OBDC",
    "Microsoft Exchange",
    "XML",
};

}  // namespace vdimpexp::exporting

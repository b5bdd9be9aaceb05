// What the exports ask and tell the user: the save dialog, the insistence
// on an existing Access database, and the failure message.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <string_view>

namespace vdimpexp::exporting {

// The save dialog with `filter`, no preset name; "" when dismissed.
std::string ChooseTargetFile(std::string_view filter);

// Shows the save dialog until an existing file is chosen that is not a real
// Access database (exports write into this system's own databases). nullopt
// when the user gave up (Cancel in "You must select an existing Access
// database!" or in the refusal of a real one).
std::optional<std::string> ChooseExistingAccessDatabase();

// `reason` followed by "Nothing was exported." in a message box.
void ReportNothingExported(std::string_view reason);

// "Export failed; try again by selecting less fields." with the error's
// number and description, in a message box.
void ReportExportFailure(const std::exception& failure);

}  // namespace vdimpexp::exporting

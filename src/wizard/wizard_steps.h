// The pages of the two wizards, the step list of each category, and the
// header texts each page shows.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "wizard/step_engine.h"

namespace vdimpexp::wizard {

// Export (and selection) wizard: pages 0 to 9.
extern const std::array<Page, 10> kFilterWizardPages;
// Import wizard: its page indexes are not contiguous.
extern const std::array<Page, 6> kImportWizardPages;

// One list per category 0 to 9; the format page is a step only when the
// wizard exports (in selection mode the statement is the result).
std::vector<std::string> FilterWizardSteps(bool export_mode);
// One list per source 0 to 5; only sources 1 and 5 have steps.
std::vector<std::string> ImportWizardSteps();

struct StepHeader {
  std::string title;
  std::string description;

  bool operator==(const StepHeader&) const = default;
};

// The header for the page with `tag`; nullopt where the page leaves the
// header as it was.
std::optional<StepHeader> FilterWizardHeader(const char* tag, bool export_mode);
std::optional<StepHeader> ImportWizardHeader(const char* tag, int category);

}  // namespace vdimpexp::wizard

// Renders every page of both wizards into image files, so reviewers can see
// each page with its captions without clicking through the wizards.
#pragma once

#include <filesystem>
#include <vector>

#include "data/connection.h"

namespace vdimpexp {

// Writes one PNG per page into `directory` (created when missing), named
// after the form and the page tag ("fFilterWizard-SelectFlds.png"); the
// export wizard shows its pages as the selection wizard does. The wizards
// load over `connection` as they would for a host. Returns the files
// written.
std::vector<std::filesystem::path> RenderWizardPages(
    data::Connection& connection, const std::filesystem::path& directory);

}  // namespace vdimpexp

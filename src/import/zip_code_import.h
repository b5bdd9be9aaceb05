// Fills the host's zip-code table from the zip-code database the user
// chose, one of this system's own databases or a real Microsoft Access
// (Jet 3/4, ACE) file: the source is opened through its workgroup, the user
// says whether the existing codes stay, and each source row becomes one
// host row. The caller holds the transaction that decides whether the rows
// stay.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/connection.h"

namespace vdimpexp::importing {

// The workgroup file that secures the zip-code database; the component
// ships it in its own folder.
inline constexpr std::string_view kWorkgroupFileName = "QP.QPW";

// The connection string for the source database `source_file` (as the
// user typed or chose it), secured by the workgroup file in
// `component_directory`.
std::string ZipSourceConnectionString(std::string_view source_file,
                                      std::string_view component_directory);

struct ZipCodeImportResult {
  // False only when the user cancelled at the question.
  bool ran = false;
  int64_t added = 0;
  // Rows whose code the host table held already (or the source repeated).
  int64_t skipped = 0;
  // Rows with a value the host's columns cannot take (binary data, a text
  // too long), left out as well.
  int64_t refused = 0;
};

// "12 zip codes added, 3 skipped", and ", 1 refused" when rows were.
std::string ZipCodeCountsText(const ZipCodeImportResult& result);

// Asks through the active prompts whether to keep the existing codes, then
// copies the rows in the source's order. Rows whose code is already there
// are skipped, and so are rows the host's columns cannot take; the user is
// told how many of each. Errors (a source that cannot
// be opened, a missing table or column) are raised to the caller before the
// question; a source that fails part way leaves the host table as it was.
ZipCodeImportResult ImportZipCodes(data::Connection& host, std::string_view source_file,
                                   std::string_view component_directory);

}  // namespace vdimpexp::importing

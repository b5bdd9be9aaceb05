// The list of the records a legacy import left out, as the user keeps it
// to follow them up: one CSV line each, under a header line.
#pragma once

#include <span>
#include <string>

#include "legacy/xav_import.h"

namespace vdimpexp::importing {

// "Table,Record,Key,Reason" and a line per record, in the order they were
// set aside.
std::string SetAsideListCsv(std::span<const legacy::SetAsideRecord> records);

// Writes the list to `path`, replacing what is there. Throws
// std::runtime_error naming the file and the reason when it cannot.
void SaveSetAsideList(std::span<const legacy::SetAsideRecord> records,
                      const std::string& path);

}  // namespace vdimpexp::importing

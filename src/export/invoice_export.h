// The invoices chosen on the invoice page, with their item lines and
// warranty records, copied into an existing Access-style database as the
// tables VD_Invoices, VD_InvItems and VD_InvWarranty, replacing what an
// earlier run put there.
#pragma once

#include <optional>
#include <string>

#include "data/connection.h"
#include "export/selection_sql.h"

namespace vdimpexp::exporting {

// Asks for the database through the active prompts and copies the rows.
// Returns the last page's new text; nullopt leaves it as it was (the user
// gave up choosing a database, or the database's name was refused or the
// copy failed, either reported). The target's earlier tables give way only
// to a complete copy; a database another program holds locked is named. The
// host's temporary VD_Invoices never outlives the call.
std::optional<std::string> AutomatedWOExp2Access(const SelectionRequest& selection,
                                                 data::Connection& host);

}  // namespace vdimpexp::exporting

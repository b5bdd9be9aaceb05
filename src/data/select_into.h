// The statements that write into a table other than through a recordset:
// SELECT ... INTO a new table (here, in another database file, or in an
// external file through its writer), and DROP TABLE in another file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/jet_sql.h"
#include "data/session.h"

namespace vdimpexp::data {

struct SelectIntoResult {
  int64_t rows = 0;
  // What an external file's writer changed to fit its format.
  std::vector<std::string> changes;
};

// Creates the target table with the source columns' declared types and
// fills it; the whole statement succeeds or leaves nothing behind. An
// existing target table is an error.
SelectIntoResult RunSelectInto(Session& session, const jet::Statement& statement);

void RunDropTableInFile(Session& session, const jet::Target& target);

}  // namespace vdimpexp::data

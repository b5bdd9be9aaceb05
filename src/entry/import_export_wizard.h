// The component's public class. A host hands each call its own open
// database connection; the call runs one wizard modally and returns when
// the wizard has closed. The host runs a QApplication (the C interface
// makes one for hosts without); a call without one fails with an error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "data/connection.h"

namespace vdimpexp {

class clsVDImportExportWz {
 public:
  // The import wizard; its effect is the rows it wrote to the host
  // database, committed or rolled back as the user chose.
  void ImportData(data::Connection& cnADO);
  // The export wizard; its effect is the file it wrote.
  void ExportData(data::Connection& cnADO);
  // The selection wizard. `SelectionSQL` and `sqlCat` are overwritten with
  // the statement built and its category, or "" and 0 when the user
  // cancelled or closed the wizard.
  void SQLSelected(data::Connection& cnADO, std::string& SelectionSQL, int16_t& sqlCat);
};

// The component's version, "1.08".
std::string_view ComponentVersion();

}  // namespace vdimpexp

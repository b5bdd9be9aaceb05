/* A host written in C, compiled as C to prove the header is C: opens `database`,
 * asks for a selection, closes. Returns the first failing status, else the selection's.
 */
#include "entry/vdimpexp.h"

int c_host_select(const char* database, char** selection_sql, int16_t* sql_cat) {
  vdimpexp_connection* connection = 0;
  vdimpexp_status status = vdimpexp_open_connection(database, &connection);
  if (status != VDIMPEXP_OK) return status;
  status = vdimpexp_sql_selected(connection, selection_sql, sql_cat);
  vdimpexp_close_connection(connection);
  return status;
}

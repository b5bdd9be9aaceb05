/* What a host written in C does with the component, compiled as C so that
 * the header is proven to be C: opens `database`, asks for a selection and
 * closes the connection. Returns the status of the first call that failed,
 * else that of the selection. */
#include "entry/vdimpexp.h"

int c_host_select(const char* database, char** selection_sql, int16_t* sql_cat) {
  vdimpexp_connection* connection = 0;
  vdimpexp_status status = vdimpexp_open_connection(database, &connection);
  if (status != VDIMPEXP_OK) return status;
  status = vdimpexp_sql_selected(connection, selection_sql, sql_cat);
  vdimpexp_close_connection(connection);
  return status;
}

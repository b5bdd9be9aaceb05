/* The component for hosts written in C or any language that calls C: the
 * three wizard calls over a host database connection, with by-reference
 * results as in the C++ class. A failed call returns VDIMPEXP_FAILED; its
 * error number and message stay readable on the calling thread until the
 * next call. When the host has no windowed application object, the first
 * wizard call creates one. */
#ifndef VDIMPEXP_H_
#define VDIMPEXP_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct vdimpexp_connection vdimpexp_connection;

typedef enum vdimpexp_status { VDIMPEXP_OK = 0, VDIMPEXP_FAILED = 1 } vdimpexp_status;

/* Opens the host database: a file path or a connection string
 * ("Data Source=...;"). */
vdimpexp_status vdimpexp_open_connection(const char* connection_string,
                                         vdimpexp_connection** connection);
void vdimpexp_close_connection(vdimpexp_connection* connection);

vdimpexp_status vdimpexp_import_data(vdimpexp_connection* connection);
vdimpexp_status vdimpexp_export_data(vdimpexp_connection* connection);
/* Overwrites *selection_sql with a new string (free it with
 * vdimpexp_free_string; the incoming pointer is neither read nor freed) and
 * *sql_cat with the category; "" and 0 when the user cancelled. */
vdimpexp_status vdimpexp_sql_selected(vdimpexp_connection* connection,
                                      char** selection_sql, int16_t* sql_cat);
void vdimpexp_free_string(char* text);

/* The last failure on this thread: its number (0 after a call that
 * succeeded) and its message ("" then). */
int32_t vdimpexp_last_error_number(void);
const char* vdimpexp_last_error_message(void);

/* "1.08". */
const char* vdimpexp_version(void);

#ifdef __cplusplus
}
#endif

#endif /* VDIMPEXP_H_ */

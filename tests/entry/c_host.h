/* What a host written in C does with the component, for the C interface's
 * test: compiled as C, so the header is proven to be C. */
#ifndef VDIMPEXP_TESTS_C_HOST_H_
#define VDIMPEXP_TESTS_C_HOST_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Opens `database`, asks for a selection, closes the connection. Returns
 * the status of the first call that failed, else that of the selection. */
int c_host_select(const char* database, char** selection_sql, int16_t* sql_cat);

#ifdef __cplusplus
}
#endif

#endif

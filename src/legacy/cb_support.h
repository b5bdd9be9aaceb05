// The one DBF library context of the legacy import, the table opened last,
// and the routines around them. The import routines navigate tables through
// the library's entry points with DbfContext and DbfFile.
#pragma once

#include <cstdint>
#include <string>

#include "legacy/dbf_library.h"

namespace vdimpexp::legacy {

// The current context; 0 when starting one failed. Set by InitDbfLibrary.
extern ContextHandle DbfContext;
// The table opened last (d4open); meaningful until the next code4close.
extern TableHandle DbfFile;
// The result of the last close, skip or release call.
extern std::int16_t DbfResult;

// Starts a context and keeps it in DbfContext; false when the library cannot
// start one.
bool InitDbfLibrary();
// Ends the context in DbfContext, closing its tables.
void ReleaseDbfLibrary();
// The record count of the table at `path` (the header's, deleted records
// included), in a context of its own that is ended before returning; 0 for
// a table without a record to read and on every failure. Reads the header
// and the first record not marked deleted. When the library cannot start,
// tells the user "problem" (OK button only) through the active prompts. It
// keeps its context and table in DbfContext and DbfFile, so it must not run
// while an import holds them.
std::int32_t CountDbfRecords(const std::string& path);
// True when the context's last operation failed; asking resets the error,
// so a second call without a new failure is false.
bool DbfLibraryFailed();

}  // namespace vdimpexp::legacy

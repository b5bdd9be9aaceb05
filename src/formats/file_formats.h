// The file formats the engine can write as SELECT ... INTO targets, and the
// XML rowset a recordset saves itself as.
#pragma once

namespace vdimpexp::formats {

// Registers every writer of this library with the engine under its
// connect types. Idempotent; call before the first export.
void RegisterFileFormats();

}  // namespace vdimpexp::formats

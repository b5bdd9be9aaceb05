// Why the DBF library refused a table or an operation. The values are the
// negative error codes a library context reports (code4errorCode), so a
// caller that keeps the code can say what went wrong.
#pragma once

namespace vdimpexp::legacy {

enum class DbfError : int {
  kNone = 0,
  kCannotOpen = -10,           // unreadable, or no path at all
  kShortHeader = -11,          // the file ends before the header it declares
  kUnknownVersion = -12,       // the first byte names no DBF flavour we read
  kHeaderTooSmall = -13,       // the header length ends inside the field descriptors
  kNoFields = -14,             // no field descriptor at all
  kBadFieldWidth = -15,        // a field 0 bytes wide, or wider than 32767
  kZeroRecordLength = -16,     // records of length 0
  kFieldsOverrunRecord = -17,  // field widths plus the deletion flag exceed a record
  kReadFailed = -18,           // the file could not be read where it holds records
  kNoContext = -19,            // the context handle names no live context
  kTooManyTables = -20,        // no handle left for another open table
  kNoSuchFile = -21,           // nothing at the path
  kNotAFile = -22,             // a folder, a named pipe, a device: not a regular file
};

// A phrase that ends a sentence, e.g. "the file ends before the header it
// declares";
// for a code that is none of the above, "unknown error".
const char* DbfErrorText(int code);

}  // namespace vdimpexp::legacy

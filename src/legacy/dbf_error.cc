#include "legacy/dbf_error.h"

namespace vdimpexp::legacy {

const char* DbfErrorText(int code) {
  switch (static_cast<DbfError>(code)) {
    case DbfError::kNone:
      return "no error";
    case DbfError::kCannotOpen:
      return "the file cannot be read";
    case DbfError::kShortHeader:
      return "the file ends before the header it declares";
    case DbfError::kUnknownVersion:
      return "the file is not a DBF table of a known version";
    case DbfError::kHeaderTooSmall:
      return "the header is shorter than its field descriptors";
    case DbfError::kNoFields:
      return "the table declares no fields";
    case DbfError::kBadFieldWidth:
      return "a field is 0 bytes wide or wider than 32767 bytes";
    case DbfError::kZeroRecordLength:
      return "the table declares records of length 0";
    case DbfError::kFieldsOverrunRecord:
      return "the fields are wider than the declared record length";
    case DbfError::kReadFailed:
      return "the records cannot be read";
    case DbfError::kNoContext:
      return "the library context is not open";
    case DbfError::kTooManyTables:
      return "too many tables are open";
    case DbfError::kNoSuchFile:
      return "there is no such file";
    case DbfError::kNotAFile:
      return "it is not a regular file";
  }
  return "unknown error";
}

}  // namespace vdimpexp::legacy

// The header of a DBF table: which fields a record holds, where records
// start and how long they are. Parsing is pure and bounds-checked, because a
// DBF file is whatever the user points us at.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "formats/dbase/dbf_layout.h"
#include "legacy/dbf_error.h"

namespace vdimpexp::legacy {

using formats::DbfField;

struct DbfLayout {
  std::uint8_t version = 0;
  std::uint8_t language_driver = 0;  // 0: the table does not say
  std::uint32_t header_record_count = 0;
  std::uint16_t header_length = 0;  // records start here
  std::uint16_t record_length = 0;
  std::vector<DbfField> fields;
};

// Parses the header from the first bytes of the file, which must include
// the whole header it declares (else kShortHeader: the file ends too soon).
// On success fills `layout` and returns kNone.
DbfError ParseDbfHeader(std::span<const std::uint8_t> start, DbfLayout& layout);

}  // namespace vdimpexp::legacy

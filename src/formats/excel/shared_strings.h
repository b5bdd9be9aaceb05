// The shared string table of a BIFF8 workbook: every text cell refers to
// its string by number, each distinct string is stored once, and the table
// (SST, its CONTINUE records and the EXTSST index) is written into the
// workbook globals when the export is complete.
//
// An export of many rows of mostly distinct text keeps all of it here, so
// the strings sit end to end in large blocks with a hash index over them:
// a few bytes beyond the text itself per string, and no block is ever
// copied as the table grows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace vdimpexp::formats {

class SharedStrings {
 public:
  SharedStrings();

  // The number of `entry` in the table, added when new. `entry` is a BIFF8
  // string with a two-byte length: the length in characters, the flags
  // byte (bit 0 set for two-byte characters), the characters.
  uint32_t Add(std::string_view entry);

  // Bytes of the SST, CONTINUE and EXTSST records together.
  uint64_t RecordsSize() const;
  // Hands those records to `write` in order; `stream_offset` is where the
  // SST record starts in the workbook stream, which the EXTSST index names.
  void WriteRecords(uint64_t stream_offset,
                    const std::function<void(std::string_view)>& write) const;

 private:
  struct Slot {
    uint32_t hash = 0;
    uint32_t number_plus_one = 0;  // 0: the slot is free
  };

  std::string_view Entry(uint32_t number) const;
  void Store(std::string_view entry);
  void GrowIndex();
  // Writes the records, each through `write`; `RecordsSize` counts them.
  template <typename Write>
  void Serialize(uint64_t stream_offset, Write&& write) const;

  std::vector<std::unique_ptr<char[]>> blocks_;
  size_t block_used_;
  // Where each string starts: block and offset.
  std::deque<uint64_t> positions_;
  std::vector<Slot> slots_;
  uint32_t references_ = 0;
};

}  // namespace vdimpexp::formats

// The shared string table of a BIFF8 workbook: every text cell refers to
// its string by number. The table (SST, its CONTINUE records and the
// EXTSST index) precedes the worksheets in the workbook stream, so it is
// laid out record by record as the strings come and waits in a temporary
// file: memory stays flat however many rows an export has.
//
// A short string met again while a bounded table of recent strings still
// holds it refers to its earlier entry, which keeps columns of few values
// (towns, states, codes) small; any other string gets an entry of its own,
// which Excel and its readers take like any other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "formats/excel/spool.h"

namespace vdimpexp::formats {

class SharedStrings {
 public:
  // `where` names the workbook in errors of the temporary file.
  explicit SharedStrings(std::string where);

  // The number of `entry` in the table. `entry` is a BIFF8 string with a
  // two-byte length: the length in characters, the flags byte (bit 0 set
  // for two-byte characters), the characters.
  uint32_t Add(std::string_view entry);

  // Completes the table once every string is added; returns the bytes of
  // the SST, CONTINUE and EXTSST records together.
  uint64_t Complete();
  // Hands those records to `write` in order; `stream_offset` is where the
  // SST record starts in the workbook stream, which the EXTSST index names.
  void WriteRecords(uint64_t stream_offset,
                    const std::function<void(std::string_view)>& write);

 private:
  // A place of the recent strings' table; the string itself stands in
  // `recent_text_` at the place's number times the longest one kept.
  struct Recent {
    uint32_t tag = 0;  // more of its hash than the place says
    uint32_t number = 0;
    uint8_t length = 0;  // 0: the place is free
    uint8_t credit = 0;
  };

  void CompleteRecord();

  Spool spool_;
  // The record being filled, without its header; the spool holds those
  // before it.
  std::string data_;
  uint16_t record_id_;
  uint32_t strings_ = 0;
  uint32_t references_ = 0;
  // Every `per_bucket_`th string's place for the EXTSST index: its offset
  // from the SST record's start and within its record. The interval
  // doubles whenever the index would outgrow its 128 buckets.
  uint32_t per_bucket_;
  std::vector<std::pair<uint32_t, uint16_t>> buckets_;
  std::vector<Recent> recent_;
  std::vector<char> recent_text_;
  bool completed_ = false;
};

}  // namespace vdimpexp::formats

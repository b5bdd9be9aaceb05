// What the filter pages offer, read from the host database when the wizard
// loads: account types, referral sources, job statuses, item types and
// makes, each entry with its row's identifier as item data.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/connection.h"
#include "data/value.h"

namespace vdimpexp::exporting {

// The entry that stands for "no filter", first in every list.
inline constexpr std::string_view kAllEntry = "<All>";

struct ListEntry {
  std::string text;
  int32_t item_data = 0;

  bool operator==(const ListEntry&) const = default;
};

struct FilterLists {
  std::vector<ListEntry> account_types;
  std::vector<ListEntry> referral_sources;
  std::vector<ListEntry> job_statuses;
  std::vector<ListEntry> item_types;
  // The invoices, service documents and service tips pages share it.
  std::vector<ListEntry> makes;
};

// The value as a list's item data: its text (null as empty) read as a
// number from its leading numeric part, 0 when there is none, rounded to
// the nearest whole number (halves to even) and held within 32 bits.
int32_t NumericValue(const data::Value& value);

// Reads the lists in the order the wizard always has, so that a failing
// host table stops the load at the same place. "<All>" is not included.
FilterLists LoadFilterLists(data::Connection& host);

// The column names of what `sql` returns, first to last.
std::vector<std::string> ColumnNames(data::Connection& host, std::string_view sql);

}  // namespace vdimpexp::exporting

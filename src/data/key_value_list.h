// "key=value;key=value" lists: connection strings and the connect part of
// an external target ("dBASE IV;Database=/srv/exports").
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/text.h"

namespace vdimpexp::data {

struct KeyValue {
  std::string key;  // empty for an item without "="
  std::string value;
};

// Splits at ";"; keys and values are trimmed of blanks, and a value wrapped
// in double quotes loses them (so it may hold ";"). Empty items are dropped.
std::vector<KeyValue> SplitKeyValueList(std::string_view text);

// The value of the first item whose key matches without regard to case.
std::optional<std::string> FindValue(const std::vector<KeyValue>& items,
                                     std::string_view key);

}  // namespace vdimpexp::data

#include "data/key_value_list.h"

namespace vdimpexp::data {

std::vector<KeyValue> SplitKeyValueList(std::string_view text) {
  std::vector<KeyValue> items;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = pos;
    bool quoted = false;
    while (end < text.size() && (quoted || text[end] != ';')) {
      if (text[end] == '"') quoted = !quoted;
      ++end;
    }
    std::string_view item = text.substr(pos, end - pos);
    pos = end + 1;
    if (TrimBlanks(item).empty()) continue;
    KeyValue kv;
    size_t equals = item.find('=');
    std::string_view value = item;
    if (equals != std::string_view::npos) {
      kv.key = std::string(TrimBlanks(item.substr(0, equals)));
      value = item.substr(equals + 1);
    }
    value = TrimBlanks(value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    kv.value = std::string(value);
    items.push_back(std::move(kv));
  }
  return items;
}

std::optional<std::string> FindValue(const std::vector<KeyValue>& items,
                                     std::string_view key) {
  for (const KeyValue& item : items) {
    if (EqualsIgnoringCase(item.key, key)) return item.value;
  }
  return std::nullopt;
}

}  // namespace vdimpexp::data

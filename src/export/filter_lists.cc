#include "export/filter_lists.h"

#include <locale.h>
#include <stdlib.h>

#include <cmath>
#include <limits>

#include "data/recordset.h"

namespace vdimpexp::exporting {
namespace {

// The longest leading part of `text`, after blanks, that reads as a decimal
// number: a sign, digits with one decimal point, an exponent.
std::string_view LeadingNumber(std::string_view text) {
  size_t at = text.find_first_not_of(" \t");
  if (at == std::string_view::npos) return {};
  size_t start = at;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  auto digits = [&] {
    size_t first = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    return at - first;
  };
  size_t count = digits();
  if (at < text.size() && text[at] == '.') {
    ++at;
    count += digits();
  }
  if (count == 0) return {};
  size_t mantissa_end = at;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    if (digits() == 0) at = mantissa_end;
  }
  return text.substr(start, at - start);
}

std::string FieldText(data::Recordset& rows, std::string_view column) {
  return rows.Fields(column).Value().ToText();
}

int32_t FieldNumber(data::Recordset& rows, std::string_view column) {
  return NumericValue(rows.Fields(column).Value());
}

// One entry per row of `rows`: `text_column` shown, `id_column` as item data.
std::vector<ListEntry> Entries(data::Recordset rows, std::string_view text_column,
                               std::string_view id_column) {
  std::vector<ListEntry> entries;
  for (; !rows.IsEOF(); rows.MoveNext()) {
    entries.push_back({FieldText(rows, text_column), FieldNumber(rows, id_column)});
  }
  return entries;
}

// Status 7 and codes outside 1 to 14 are never offered as a filter.
bool IsOfferedStatus(int32_t code) {
  return (code >= 1 && code <= 6) || (code >= 8 && code <= 14);
}

}  // namespace

int32_t NumericValue(const data::Value& value) {
  std::string text = value.ToText();
  std::string_view number = LeadingNumber(text);
  if (number.empty()) return 0;
  // The decimal point is always '.', whatever the user's locale says; beyond
  // a double's range the number reads as infinite or zero, and is held below.
  static const locale_t kCLocale = newlocale(LC_NUMERIC_MASK, "C", nullptr);
  double read = strtod_l(std::string(number).c_str(), nullptr, kCLocale);
  double whole = std::nearbyint(read);  // the default mode rounds halves to even
  constexpr double kLowest = std::numeric_limits<int32_t>::min();
  constexpr double kHighest = std::numeric_limits<int32_t>::max();
  if (!(whole >= kLowest)) return std::numeric_limits<int32_t>::min();
  if (whole > kHighest) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(whole);
}

FilterLists LoadFilterLists(data::Connection& host) {
  FilterLists lists;
  lists.account_types =
      Entries(host.Execute("ContactTypes"), "ClientType", "ClientTypeID");
  lists.referral_sources = Entries(
      host.Execute("SELECT * FROM Referals WHERE (InActive Is Null OR InActive <> 1) "
                   "ORDER BY ReferalSource; "),
      "ReferalSource", "ReferalID");
  for (data::Recordset rows = host.Execute("SELECT * FROM JobStatusCodes"); !rows.IsEOF();
       rows.MoveNext()) {
    int32_t code = FieldNumber(rows, "StatusCode");
    if (IsOfferedStatus(code))
      lists.job_statuses.push_back({FieldText(rows, "Explain"), code});
  }
  lists.item_types =
      Entries(host.Execute("SELECT * FROM ItemTypes WHERE DoNotShow=FALSE"),
              "ItemTypeDesc", "ItemTypeID");
  lists.makes = Entries(
      host.Execute("SELECT * FROM ProductMakes WHERE (InActive Is Null OR InActive <> 1) "
                   "ORDER BY Make;"),
      "Make", "MakeID");
  return lists;
}

std::vector<std::string> ColumnNames(data::Connection& host, std::string_view sql) {
  data::Recordset rows = host.Execute(sql);
  std::vector<std::string> names;
  for (int i = 0; i < rows.Fields().Count(); ++i) names.push_back(rows.Fields(i).Name());
  return names;
}

}  // namespace vdimpexp::exporting

#include "formats/paradox/paradox_fields.h"

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <string>

namespace vdimpexp::formats {
namespace {

using data::ColumnInfo;
using data::ColumnType;
using data::Value;

// Paradox 3 grew its blocks by the kilobyte up to 4 KB; 4.0 starts at 2 KB;
// 5.0 adds the 16 and 32 KB blocks its engine creates (there is no 8 KB
// one), for longer records and for tables beyond 65,535 blocks of 4 KB. The
// limits on the record are those of tables without a key.
constexpr int kBlocks3[] = {1, 2, 3, 4};
constexpr int kBlocks4[] = {2, 3, 4};
constexpr int kBlocks5[] = {2, 4, 16, 32};

constexpr ParadoxRules kParadox3{
    .name = "Paradox 3.x",
    .file_version = 0x03,
    .data_header = false,
    .code_page = CodePage437,
    .memo_fields = false,
    .long_integers = false,
    .logicals = false,
    .timestamps = false,
    .block_kilobytes = kBlocks3,
    .max_record_size = 4000,
};
constexpr ParadoxRules kParadox4{
    .name = "Paradox 4.x",
    .file_version = 0x09,
    .data_header = true,
    .code_page = Windows1252,
    .memo_fields = true,
    .long_integers = false,
    .logicals = false,
    .timestamps = false,
    .block_kilobytes = kBlocks4,
    .max_record_size = 4000,
};
constexpr ParadoxRules kParadox5{
    .name = "Paradox 5.x",
    .file_version = 0x0B,
    .data_header = true,
    .code_page = Windows1252,
    .memo_fields = true,
    .long_integers = true,
    .logicals = true,
    .timestamps = true,
    .block_kilobytes = kBlocks5,
    .max_record_size = 32750,
};

ParadoxField Field(ParadoxStorage storage, uint8_t type, int size) {
  return ParadoxField{.storage = storage, .type = type, .size = size};
}

ParadoxField Alpha(int width) {
  return Field(ParadoxStorage::kAlpha, paradox_type::kAlpha,
               std::clamp(width, 1, kMaxAlphaWidth));
}

ParadoxField Number() { return Field(ParadoxStorage::kNumber, paradox_type::kNumber, 8); }

// The field of a whole-number column: a short integer for the host's short
// types, a long integer from Paradox 5 on, where the values fit; else a
// number field, which holds them exactly up to 2^53; beyond, an alpha field
// of their digits, as spreadsheets keep such numbers. Numbers beyond 64 bits
// (SQLite keeps what a column's type would refuse, as doubles) get a number
// field, unless whole numbers beyond 2^53 share the column: then all go as
// text.
ParadoxField WholeNumberField(const ColumnInfo& column, const ParadoxRules& rules) {
  const data::ValueShape& values = *column.measured;
  auto within = [&](int64_t limit) {
    return values.least_whole >= -limit && values.greatest_whole <= limit;
  };
  if (!within(kMaxExactDouble)) {
    const size_t widest =
        std::max({std::to_string(values.least_whole).size(),
                  std::to_string(values.greatest_whole).size(),
                  values.whole_beyond_64_bits ? size_t{Value::kLongestNumberText} : 0});
    return Alpha(static_cast<int>(widest));
  }
  if (values.whole_beyond_64_bits) return Number();
  if (column.type != ColumnType::kLong && within(kMaxShort)) {
    return Field(ParadoxStorage::kShort, paradox_type::kShort, 2);
  }
  if (rules.long_integers && within(kMaxLong)) {
    return Field(ParadoxStorage::kLong, paradox_type::kLong, 4);
  }
  return Number();
}

}  // namespace

const ParadoxRules& RulesOf(ParadoxVersion version) {
  switch (version) {
    case ParadoxVersion::k3:
      return kParadox3;
    case ParadoxVersion::k4:
      return kParadox4;
    case ParadoxVersion::k5:
      return kParadox5;
  }
  return kParadox4;
}

ParadoxField ParadoxFieldFor(const ColumnInfo& column, const ParadoxRules& rules) {
  if (!column.measured) {
    throw std::logic_error("Paradox fields are laid out from measured columns");
  }
  const int64_t longest = column.measured->longest_text;
  // As wide as the longest value, never more than an alpha field holds.
  auto fitting = [&](int declared) {
    return Alpha(static_cast<int>(
        std::clamp<int64_t>(std::max<int64_t>(declared, longest), 1, kMaxAlphaWidth)));
  };
  const ParadoxField memo =
      Field(ParadoxStorage::kMemo, paradox_type::kMemo, kMemoLeader + kMemoPointerBytes);
  ParadoxField field;
  switch (column.type) {
    case ColumnType::kText:
    case ColumnType::kVariant:
      // A declared size an alpha field cannot honour says nothing, and
      // expressions declare none: the longest value decides. Beyond 255
      // characters a memo holds it, or in Paradox 3 the texts are cut.
      if (longest > kMaxAlphaWidth && rules.memo_fields) {
        field = memo;
      } else {
        field = fitting(column.type == ColumnType::kText &&
                                column.defined_size <= kMaxAlphaWidth
                            ? column.defined_size
                            : 0);
      }
      break;
    case ColumnType::kMemo:
      field = rules.memo_fields ? memo : fitting(0);
      break;
    case ColumnType::kBoolean:
      // Before 5.0 Paradox has no logical field; its users kept yes/no
      // answers as the words, which read back as what they mean.
      field = rules.logicals
                  ? Field(ParadoxStorage::kLogical, paradox_type::kLogical, 1)
                  : Field(ParadoxStorage::kYesNoText, paradox_type::kAlpha, kYesNoWidth);
      break;
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
      field = WholeNumberField(column, rules);
      break;
    case ColumnType::kCurrency:
      field = Field(ParadoxStorage::kMoney, paradox_type::kMoney, 8);
      break;
    case ColumnType::kSingle:
    case ColumnType::kDouble:
    case ColumnType::kDecimal:
      field = Number();
      break;
    case ColumnType::kDate:
      // The host's date columns carry a time of day; 5.0's timestamp keeps
      // it, the date fields of earlier versions hold the day alone.
      field = rules.timestamps
                  ? Field(ParadoxStorage::kTimestamp, paradox_type::kTimestamp, 8)
                  : Field(ParadoxStorage::kDate, paradox_type::kDate, 4);
      break;
  }
  field.name = column.name;
  return field;
}

std::string FieldNameProblem(const std::string& name) {
  auto quoted = [&] { return "the column name '" + name + "'"; };
  if (name.empty()) return "a column without a name cannot become a Paradox field.";
  if (name.front() == ' ')
    return quoted() + " starts with a blank, which Paradox refuses.";
  if (name == "#") return "a field cannot be named '#' alone in Paradox.";
  if (name.find("->") != std::string::npos) {
    return quoted() + " contains '->', which Paradox refuses in a field name.";
  }
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) {
      return quoted() + " contains a control character, which Paradox refuses.";
    }
    if (std::string_view("[]{}()\"").find(c) != std::string_view::npos) {
      return quoted() + " contains '" + std::string(1, c) +
             "'; Paradox field names cannot contain [ ] { } ( ) or \".";
    }
  }
  return "";
}

void PutParadoxInteger(char* at, int64_t value, int bytes) {
  uint64_t bits = static_cast<uint64_t>(value) ^ (uint64_t{1} << (8 * bytes - 1));
  for (int i = bytes - 1; i >= 0; --i, bits >>= 8) at[i] = static_cast<char>(bits & 0xFF);
}

void PutParadoxDouble(char* at, double value) {
  // Positive numbers and zero gain the sign bit; negative ones have every
  // bit inverted, which keeps their order. A negative zero is a zero.
  uint64_t bits =
      value >= 0 ? std::bit_cast<uint64_t>(value == 0 ? 0.0 : value) | (uint64_t{1} << 63)
                 : ~std::bit_cast<uint64_t>(value);
  for (int i = 7; i >= 0; --i, bits >>= 8) at[i] = static_cast<char>(bits & 0xFF);
}

int32_t ParadoxDayNumber(const data::Date& date) {
  // Days from the civil calendar (proleptic Gregorian), counted from 1/1/1.
  auto days_from_civil = [](int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t year_of_era = y - era * 400;
    const int64_t day_of_year = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t day_of_era =
        year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era;
  };
  return static_cast<int32_t>(days_from_civil(date.year, date.month, date.day) -
                              days_from_civil(1, 1, 1) + 1);
}

}  // namespace vdimpexp::formats

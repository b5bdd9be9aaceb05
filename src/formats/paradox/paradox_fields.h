// What each Paradox generation can hold, and how a host column becomes a
// field of it: the field type, its bytes in the record, and the rules a
// field name must follow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "data/column_info.h"
#include "data/value.h"
#include "formats/common/single_byte_code_page.h"

namespace vdimpexp::formats {

// The table versions the export offers.
enum class ParadoxVersion { k3, k4, k5 };

struct ParadoxRules {
  std::string_view name;  // "Paradox 4.x", the start of every message
  uint8_t file_version;   // the version byte of the header
  // From Paradox 4 on the header carries a second part with the code page
  // and, after the field names, their numbers and the sort order's name.
  bool data_header;
  // Paradox 3 tables name no code page and hold the DOS code page 437 that
  // their "ascii" sort order is built on, which is what Paradox 3 for DOS
  // showed and what readers of such tables assume; from Paradox 4 on the
  // header names Windows-1252.
  const SingleByteCodePage& (*code_page)();
  bool memo_fields;
  bool long_integers;
  bool logicals;
  bool timestamps;
  // Block sizes the version knows, in KB, smallest first: a table takes the
  // smallest that holds a record, and moves to the next one that is a
  // multiple of it when its rows need more blocks than Paradox numbers.
  std::span<const int> block_kilobytes;
  size_t max_record_size;
};

const ParadoxRules& RulesOf(ParadoxVersion version);

// How a field's values are laid down in the record.
enum class ParadoxStorage {
  kAlpha,
  kYesNoText,  // a yes/no column where the version has no logical field
  kShort,
  kLong,
  kNumber,
  kMoney,
  kDate,
  kTimestamp,
  kLogical,
  kMemo,
};

// Field type codes of the header.
namespace paradox_type {
inline constexpr uint8_t kAlpha = 0x01;
inline constexpr uint8_t kDate = 0x02;
inline constexpr uint8_t kShort = 0x03;
inline constexpr uint8_t kLong = 0x04;
inline constexpr uint8_t kMoney = 0x05;
inline constexpr uint8_t kNumber = 0x06;
inline constexpr uint8_t kLogical = 0x09;
inline constexpr uint8_t kMemo = 0x0C;
inline constexpr uint8_t kTimestamp = 0x15;
}  // namespace paradox_type

// Bytes of a memo field's leading text kept in the record itself; the ten
// after them point into the .MB file.
inline constexpr int kMemoLeader = 10;
inline constexpr int kMemoPointerBytes = 10;
inline constexpr int kMaxAlphaWidth = 255;
// Longest text a "True"/"False" field holds.
inline constexpr int kYesNoWidth = 5;
inline constexpr size_t kMaxFieldNameLength = 25;
inline constexpr size_t kMaxFields = 255;

struct ParadoxField {
  std::string name;         // the column's name as the host has it
  std::string header_name;  // the same in the table's code page
  ParadoxStorage storage = ParadoxStorage::kAlpha;
  uint8_t type = paradox_type::kAlpha;
  int size = 0;  // bytes in the record
  size_t offset = 0;
};

// The field a column becomes in tables of `rules`, from its type and its
// measured values (`measured` must be set): an alpha field as wide as the
// longer of the declared size and the longest value, a memo field for texts
// beyond 255 characters where the version has memos, whole numbers in the
// narrowest field that holds them all. Names are not checked.
ParadoxField ParadoxFieldFor(const data::ColumnInfo& column, const ParadoxRules& rules);

// Why `name` cannot name a Paradox field, or "" when it can. Covers the
// rules that do not depend on the code page.
std::string FieldNameProblem(const std::string& name);

// Paradox's own encodings: big-endian numbers with the sign bit flipped, so
// that the bytes sort as the numbers do and all-zero bytes stay free to
// mean "blank". The smallest whole number of each width would encode as
// zeros, and is therefore no value of the field.
inline constexpr int64_t kMaxShort = 32767;
inline constexpr int64_t kMaxLong = 2147483647;
// Whole numbers beyond 2^53 have no exact double.
inline constexpr int64_t kMaxExactDouble = int64_t{1} << 53;
void PutParadoxInteger(char* at, int64_t value, int bytes);
void PutParadoxDouble(char* at, double value);

// Days since the first of January of the year 1, that day being day 1: how
// Paradox counts dates, and the day part of its timestamps.
int32_t ParadoxDayNumber(const data::Date& date);

}  // namespace vdimpexp::formats

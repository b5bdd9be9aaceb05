#include "formats/excel/shared_strings.h"

#include <algorithm>
#include <cstring>

#include "formats/common/little_endian.h"
#include "formats/excel/biff_records.h"

namespace vdimpexp::formats {
namespace {

constexpr size_t kEntryHeader = 3;
// Recent strings are remembered in this many places, one string each, and
// only short ones, which are the ones repeated (towns, codes, names): the
// table takes under two megabytes however many rows come.
constexpr size_t kRecentPlaces = size_t{1} << 15;
constexpr size_t kLongestRecent = 48;
// A string found again earns credit against being replaced (up to this
// much); a new one takes a place only when its holder has none left, so
// that a column of values never seen twice does not drive out the values
// that keep coming back.
constexpr uint8_t kMostCredit = 3;
// Excel spreads the EXTSST index over at most 128 buckets of at least
// eight strings each.
constexpr uint32_t kMinStringsPerBucket = 8;
constexpr size_t kMaxBuckets = 128;
// Where the SST record's counts stand: after its header.
constexpr uint64_t kCountsAt = 4;

// The UTF-16LE unit at `at` starts a surrogate pair.
bool IsHighSurrogate(std::string_view characters, size_t at) {
  const auto high_byte = static_cast<unsigned char>(characters[at + 1]);
  return high_byte >= 0xD8 && high_byte <= 0xDB;
}

}  // namespace

SharedStrings::SharedStrings(std::string where)
    : spool_(std::move(where)),
      record_id_(kSstRecord),
      per_bucket_(kMinStringsPerBucket),
      recent_(kRecentPlaces),
      recent_text_(kRecentPlaces * kLongestRecent) {
  data_.reserve(kMaxBiff8RecordData);
  // The counts, known when the table is complete.
  data_.assign(8, '\0');
}

void SharedStrings::CompleteRecord() {
  std::string header;
  AppendLittleEndian(header, record_id_, 2);
  AppendLittleEndian(header, data_.size(), 2);
  spool_.Write(header);
  spool_.Write(data_);
  data_.clear();
  record_id_ = kContinueRecord;
}

uint32_t SharedStrings::Add(std::string_view entry) {
  ++references_;
  const uint32_t number = strings_;
  if (entry.size() <= kLongestRecent) {
    const size_t hash = std::hash<std::string_view>{}(entry);
    const size_t at = hash & (kRecentPlaces - 1);
    Recent& place = recent_[at];
    char* text = &recent_text_[at * kLongestRecent];
    const auto tag = static_cast<uint32_t>(hash >> 32);
    if (place.tag == tag && place.length == entry.size() &&
        std::memcmp(text, entry.data(), entry.size()) == 0) {
      place.credit = std::min<uint8_t>(place.credit + 1, kMostCredit);
      return place.number;
    }
    if (place.credit > 0) {
      --place.credit;
    } else {
      place = {
          .tag = tag, .number = number, .length = static_cast<uint8_t>(entry.size())};
      std::memcpy(text, entry.data(), entry.size());
    }
  }
  ++strings_;

  const size_t character_size = (entry[2] & 0x01) != 0 ? 2 : 1;
  // The length and flags never part from the first character, a surrogate
  // pair when the string starts with one: a string starts in the next
  // record when they would.
  const size_t first_character = character_size == 2 &&
                                         entry.size() >= kEntryHeader + 4 &&
                                         IsHighSurrogate(entry, kEntryHeader)
                                     ? 4
                                     : character_size;
  if (kMaxBiff8RecordData - data_.size() < kEntryHeader + first_character) {
    CompleteRecord();
  }
  if (number % per_bucket_ == 0) {
    if (buckets_.size() == kMaxBuckets) {
      // Every other bucket start stays one at twice the interval.
      per_bucket_ *= 2;
      for (size_t i = 0; i < kMaxBuckets / 2; ++i) buckets_[i] = buckets_[2 * i];
      buckets_.resize(kMaxBuckets / 2);
    }
    if (number % per_bucket_ == 0) {
      const size_t in_record = 4 + data_.size();
      buckets_.emplace_back(static_cast<uint32_t>(spool_.Size() + in_record),
                            static_cast<uint16_t>(in_record));
    }
  }
  data_.append(entry.substr(0, kEntryHeader));
  std::string_view characters = entry.substr(kEntryHeader);
  for (;;) {
    // Whole characters only: neither a two-byte character nor a surrogate
    // pair splits (readers decode each record's part alone).
    const size_t room =
        (kMaxBiff8RecordData - data_.size()) / character_size * character_size;
    size_t part = std::min(room, characters.size());
    if (part < characters.size() && character_size == 2 &&
        IsHighSurrogate(characters, part - 2)) {
      part -= 2;
    }
    data_.append(characters.substr(0, part));
    characters.remove_prefix(part);
    if (characters.empty()) break;
    // A CONTINUE record goes on with the characters, after a flags byte
    // that repeats their size.
    CompleteRecord();
    data_ += entry[2];
  }
  return number;
}

uint64_t SharedStrings::Complete() {
  if (!completed_) {
    CompleteRecord();
    std::string counts;
    AppendLittleEndian(counts, references_, 4);
    AppendLittleEndian(counts, strings_, 4);
    spool_.WriteAt(kCountsAt, counts);
    recent_ = {};
    recent_text_ = {};
    completed_ = true;
  }
  return spool_.Size() + 4 + 2 + 8 * buckets_.size();
}

void SharedStrings::WriteRecords(uint64_t stream_offset,
                                 const std::function<void(std::string_view)>& write) {
  const uint64_t size = Complete();
  spool_.Copy(0, spool_.Size(), write);
  std::string extsst;
  AppendLittleEndian(extsst, kExtSstRecord, 2);
  AppendLittleEndian(extsst, size - spool_.Size() - 4, 2);
  AppendLittleEndian(extsst, per_bucket_, 2);
  for (const auto& [offset, in_record] : buckets_) {
    AppendLittleEndian(extsst, stream_offset + offset, 4);
    AppendLittleEndian(extsst, in_record, 2);
    AppendLittleEndian(extsst, 0, 2);
  }
  write(extsst);
}

}  // namespace vdimpexp::formats

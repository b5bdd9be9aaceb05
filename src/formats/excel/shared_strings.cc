#include "formats/excel/shared_strings.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "formats/common/little_endian.h"
#include "formats/excel/biff_records.h"

namespace vdimpexp::formats {
namespace {

// Large enough that allocating blocks costs nothing measurable, and far
// larger than the longest entry (three bytes and 32,767 two-byte
// characters), so every entry fits one block.
constexpr size_t kBlockSize = size_t{1} << 20;
constexpr size_t kEntryHeader = 3;
constexpr size_t kInitialSlots = 1024;
// Excel spreads the EXTSST index over at most 128 buckets of at least
// eight strings each.
constexpr uint32_t kMinStringsPerBucket = 8;
constexpr uint32_t kMaxBuckets = 128;

size_t EntryLength(const char* entry) {
  const size_t characters = static_cast<unsigned char>(entry[0]) |
                            static_cast<size_t>(static_cast<unsigned char>(entry[1]))
                                << 8;
  const size_t character_size = (entry[2] & 0x01) != 0 ? 2 : 1;
  return kEntryHeader + characters * character_size;
}

// The UTF-16LE unit at `at` starts a surrogate pair.
bool IsHighSurrogate(std::string_view characters, size_t at) {
  const auto high_byte = static_cast<unsigned char>(characters[at + 1]);
  return high_byte >= 0xD8 && high_byte <= 0xDB;
}

uint32_t HashOf(std::string_view entry) {
  return static_cast<uint32_t>(std::hash<std::string_view>{}(entry));
}

}  // namespace

SharedStrings::SharedStrings() : block_used_(kBlockSize), slots_(kInitialSlots) {}

std::string_view SharedStrings::Entry(uint32_t number) const {
  const uint64_t position = positions_[number];
  const char* entry = blocks_[position / kBlockSize].get() + position % kBlockSize;
  return {entry, EntryLength(entry)};
}

void SharedStrings::Store(std::string_view entry) {
  if (kBlockSize - block_used_ < entry.size()) {
    blocks_.push_back(std::make_unique<char[]>(kBlockSize));
    block_used_ = 0;
  }
  positions_.push_back((blocks_.size() - 1) * kBlockSize + block_used_);
  std::memcpy(blocks_.back().get() + block_used_, entry.data(), entry.size());
  block_used_ += entry.size();
}

void SharedStrings::GrowIndex() {
  std::vector<Slot> bigger(slots_.size() * 2);
  const size_t mask = bigger.size() - 1;
  for (const Slot& slot : slots_) {
    if (slot.number_plus_one == 0) continue;
    size_t at = slot.hash & mask;
    while (bigger[at].number_plus_one != 0) at = (at + 1) & mask;
    bigger[at] = slot;
  }
  slots_ = std::move(bigger);
}

uint32_t SharedStrings::Add(std::string_view entry) {
  ++references_;
  const uint32_t hash = HashOf(entry);
  const size_t mask = slots_.size() - 1;
  size_t at = hash & mask;
  for (; slots_[at].number_plus_one != 0; at = (at + 1) & mask) {
    if (slots_[at].hash == hash && Entry(slots_[at].number_plus_one - 1) == entry) {
      return slots_[at].number_plus_one - 1;
    }
  }
  const auto number = static_cast<uint32_t>(positions_.size());
  Store(entry);
  slots_[at] = {hash, number + 1};
  // At most half the slots in use keeps the probe sequences short.
  if (positions_.size() * 2 > slots_.size()) GrowIndex();
  return number;
}

template <typename Write>
void SharedStrings::Serialize(uint64_t stream_offset, Write&& write) const {
  const auto count = static_cast<uint32_t>(positions_.size());
  const uint32_t per_bucket =
      std::max(kMinStringsPerBucket, (count + kMaxBuckets - 1) / kMaxBuckets);
  std::string extsst;
  AppendLittleEndian(extsst, per_bucket, 2);

  uint64_t written = 0;  // bytes of the records completed so far
  std::string data;
  data.reserve(kMaxBiff8RecordData);
  uint16_t record_id = kSstRecord;
  auto complete_record = [&] {
    std::string header;
    AppendLittleEndian(header, record_id, 2);
    AppendLittleEndian(header, data.size(), 2);
    write(std::string_view(header));
    write(std::string_view(data));
    written += header.size() + data.size();
    data.clear();
    record_id = kContinueRecord;
  };
  AppendLittleEndian(data, references_, 4);
  AppendLittleEndian(data, count, 4);

  for (uint32_t number = 0; number < count; ++number) {
    const std::string_view entry = Entry(number);
    const size_t character_size = (entry[2] & 0x01) != 0 ? 2 : 1;
    // The length and flags never part from the first character, a
    // surrogate pair when the string starts with one: a string starts in
    // the next record when they would.
    const size_t first_character = character_size == 2 &&
                                           entry.size() >= kEntryHeader + 4 &&
                                           IsHighSurrogate(entry, kEntryHeader)
                                       ? 4
                                       : character_size;
    if (kMaxBiff8RecordData - data.size() < kEntryHeader + first_character) {
      complete_record();
    }
    if (number % per_bucket == 0) {
      const size_t in_record = 4 + data.size();
      AppendLittleEndian(extsst, stream_offset + written + in_record, 4);
      AppendLittleEndian(extsst, in_record, 2);
      AppendLittleEndian(extsst, 0, 2);
    }
    data.append(entry.substr(0, kEntryHeader));
    std::string_view characters = entry.substr(kEntryHeader);
    for (;;) {
      // Whole characters only: neither a two-byte character nor a
      // surrogate pair splits (readers decode each record's part alone).
      const size_t room =
          (kMaxBiff8RecordData - data.size()) / character_size * character_size;
      size_t part = std::min(room, characters.size());
      if (part < characters.size() && character_size == 2 &&
          IsHighSurrogate(characters, part - 2)) {
        part -= 2;
      }
      data.append(characters.substr(0, part));
      characters.remove_prefix(part);
      if (characters.empty()) break;
      // A CONTINUE record goes on with the characters, after a flags byte
      // that repeats their size.
      complete_record();
      data += entry[2];
    }
  }
  complete_record();
  record_id = kExtSstRecord;
  data = std::move(extsst);
  complete_record();
}

uint64_t SharedStrings::RecordsSize() const {
  uint64_t size = 0;
  Serialize(0, [&size](std::string_view bytes) { size += bytes.size(); });
  return size;
}

void SharedStrings::WriteRecords(
    uint64_t stream_offset, const std::function<void(std::string_view)>& write) const {
  Serialize(stream_offset, write);
}

}  // namespace vdimpexp::formats

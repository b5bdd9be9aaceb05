// The layout of a DBF table file: the fixed header, the field descriptors,
// the version marks and the type letters. The legacy import reads this
// layout and the dBASE export writes it, so both take it from here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vdimpexp::formats {

// One field of a record: its descriptor and where its bytes sit.
struct DbfField {
  std::string name;
  char type = 'C';
  std::uint16_t offset = 0;  // from the start of the record; byte 0 is the deletion flag
  std::uint16_t width = 0;
  std::uint8_t decimals = 0;
};

namespace dbf {

// The fixed part that opens every header, and where its numbers stand.
inline constexpr std::size_t kFixedPartLength = 32;
inline constexpr std::size_t kRecordCountAt = 4;    // 32 bits
inline constexpr std::size_t kHeaderLengthAt = 8;   // 16 bits: records start here
inline constexpr std::size_t kRecordLengthAt = 10;  // 16 bits, deletion flag included
inline constexpr std::size_t kLanguageDriverAt = 29;

// dBASE 7 ("level 7") keeps a language driver name after the fixed part and
// describes each field in 48 bytes with a 32-byte name; every other flavour
// uses 32-byte descriptors with an 11-byte name right after the fixed part.
struct DescriptorShape {
  std::size_t first;  // offset of the first descriptor
  std::size_t size;
  std::size_t name_length;
  std::size_t type_at;
  std::size_t width_at;
  std::size_t decimals_at;
};
inline constexpr DescriptorShape kClassicDescriptor = {32, 32, 11, 11, 16, 17};
inline constexpr DescriptorShape kLevel7Descriptor = {68, 48, 32, 32, 33, 34};
// A classic name is NUL-terminated within its 11 bytes.
inline constexpr std::size_t kMaxClassicNameLength = 10;

inline constexpr std::uint8_t kDescriptorTerminator = 0x0D;
inline constexpr std::uint8_t kEndOfFile = 0x1A;
inline constexpr char kDeletedMark = '*';
inline constexpr char kLiveMark = ' ';

// Version marks: the first byte of the file.
inline constexpr std::uint8_t kPlainVersion = 0x03;      // no memo file
inline constexpr std::uint8_t kDbase3MemoVersion = 0x83;  // .dbt ending memos with 0x1A
inline constexpr std::uint8_t kDbase4MemoVersion = 0x8B;  // .dbt with length-prefixed memos
// dBASE III/IV/5, FoxBASE, FoxPro, Visual FoxPro, Clipper and dBASE 7, with
// and without memo files or SQL flags.
inline constexpr std::array<std::uint8_t, 17> kKnownVersions = {
    0x03, 0x04, 0x05, 0x30, 0x31, 0x32, 0x43, 0x63, 0x7B,
    0x83, 0x8B, 0x8C, 0x8E, 0xCB, 0xE5, 0xF5, 0xFB};
inline constexpr bool IsLevel7(std::uint8_t version) { return (version & 0x07) == 4; }

// The language driver mark of Windows-1252 ("ANSI") tables.
inline constexpr std::uint8_t kWindows1252Driver = 0x57;

// Type letters.
inline constexpr char kCharacter = 'C';
inline constexpr char kNumeric = 'N';
inline constexpr char kLogical = 'L';
inline constexpr char kDate = 'D';
inline constexpr char kMemo = 'M';

// Memo files (.dbt) come in blocks; the first block is the memo header.
inline constexpr std::size_t kMemoBlockSize = 512;

}  // namespace dbf
}  // namespace vdimpexp::formats

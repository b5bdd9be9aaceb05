#include "legacy/memo_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>

#include "legacy/dbf_table.h"

namespace vdimpexp::legacy {
namespace {

// Block 0 is the header; dBASE III blocks are always this long, and dBASE IV
// ones unless the header says otherwise.
constexpr std::uint32_t kDbaseBlockSize = 512;
constexpr std::size_t kHeaderLength = 512;
constexpr char kDbaseTerminator = 0x1A;
// dBASE IV opens a text with this mark, then its length with the mark's 8 bytes.
constexpr std::array<unsigned char, 4> kDbase4Mark = {0xFF, 0xFF, 0x08, 0x00};
constexpr std::size_t kBlockHeaderLength = 8;
// The DOS programs kept a memo under 64 KB; anything claiming far more is a
// damaged length, not a text to hold in memory.
constexpr std::uint32_t kMaxMemoBytes = 1 << 20;

constexpr std::uint8_t kFoxProVersions[] = {0x30, 0x31, 0x32, 0xF5, 0xFB};
constexpr std::uint8_t kDbase3MemoVersion = 0x83;

std::uint32_t Le(const unsigned char* bytes, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

std::uint32_t Be(const unsigned char* bytes, int size) {
  std::uint32_t value = 0;
  for (int i = 0; i < size; ++i) value = value << 8 | bytes[i];
  return value;
}

// dBASE's and Clipper's memo editors mark where they wrapped a line with a
// "soft" return, 0x8D 0x0A, which is layout, not text (0x8D would decode as
// a letter): the line runs on, with one space between its words.
void JoinSoftReturns(std::string& bytes) {
  std::size_t kept = 0;
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    if (bytes[at] == '\x8D' && at + 1 < bytes.size() && bytes[at + 1] == '\n') {
      ++at;
      if (kept > 0 && bytes[kept - 1] != ' ') bytes[kept++] = ' ';
      continue;
    }
    bytes[kept++] = bytes[at];
  }
  bytes.resize(kept);
}

}  // namespace

std::optional<std::uint32_t> MemoBlockNumber(std::string_view field_bytes) {
  if (field_bytes.size() == 4) {
    return Le(reinterpret_cast<const unsigned char*>(field_bytes.data()), 4);
  }
  const std::size_t first = field_bytes.find_first_not_of(std::string_view(" \0", 2));
  if (first == std::string_view::npos) return 0;
  const std::size_t end = field_bytes.find_last_not_of(std::string_view(" \0", 2)) + 1;
  std::uint64_t number = 0;
  for (char digit : field_bytes.substr(first, end - first)) {
    if (digit < '0' || digit > '9') return std::nullopt;
    number = number * 10 + static_cast<unsigned>(digit - '0');
    if (number > UINT32_MAX) return std::nullopt;
  }
  return static_cast<std::uint32_t>(number);
}

std::unique_ptr<MemoFile> MemoFile::OpenBeside(const std::string& table_path,
                                               std::uint8_t version) {
  const bool foxpro = std::find(std::begin(kFoxProVersions), std::end(kFoxProVersions),
                                version) != std::end(kFoxProVersions);
  std::optional<std::string> path = FileBeside(table_path, foxpro ? ".fpt" : ".dbt");
  bool fpt = foxpro;
  if (!path) {
    path = FileBeside(table_path, foxpro ? ".dbt" : ".fpt");
    fpt = !foxpro;
  }
  if (!path) return nullptr;
  DbfError error;
  const int file = OpenRegularFile(*path, error);
  if (file < 0) return nullptr;
  std::array<unsigned char, kHeaderLength> header{};
  struct stat info {};
  if (::fstat(file, &info) != 0 ||
      ReadAt(file, 0, reinterpret_cast<char*>(header.data()), header.size()) < 24) {
    ::close(file);
    return nullptr;
  }
  std::uint32_t block_size = kDbaseBlockSize;
  if (fpt) {
    block_size = Be(&header[6], 2);
  } else if (version != kDbase3MemoVersion && Le(&header[20], 2) != 0) {
    block_size = Le(&header[20], 2);
  }
  if (block_size == 0) {
    ::close(file);
    return nullptr;
  }
  return std::unique_ptr<MemoFile>(
      new MemoFile(file, fpt ? Layout::kFoxPro : Layout::kDbase, block_size,
                   static_cast<std::uint64_t>(info.st_size)));
}

MemoFile::~MemoFile() { ::close(file_); }

bool MemoFile::Read(std::uint32_t block, std::string& bytes) const {
  bytes.clear();
  const std::uint64_t start = static_cast<std::uint64_t>(block) * block_size_;
  if (block == 0 || start >= size_) return false;
  unsigned char head[kBlockHeaderLength];
  const bool whole_head = ReadAt(file_, start, reinterpret_cast<char*>(head),
                                 sizeof head) == static_cast<ssize_t>(sizeof head);
  const bool dbase4 =
      whole_head && std::equal(kDbase4Mark.begin(), kDbase4Mark.end(), head);
  if (layout_ == Layout::kDbase && !dbase4) {
    if (!ReadTerminated(start, bytes)) return false;
    JoinSoftReturns(bytes);
    return true;
  }
  if (!whole_head) return false;
  std::uint64_t text_at = start + kBlockHeaderLength;
  std::uint32_t length;
  if (layout_ == Layout::kFoxPro) {
    // Type 1 is text; 0 (a picture) and 2 (an object) are read as bytes too.
    if (Be(head, 4) > 2) return false;
    length = Be(head + 4, 4);
  } else {
    length = Le(head + 4, 4);
    if (length < kBlockHeaderLength) return false;
    length -= kBlockHeaderLength;
  }
  if (length > kMaxMemoBytes || text_at + length > size_) return false;
  bytes.resize(length);
  if (ReadAt(file_, text_at, bytes.data(), length) != static_cast<ssize_t>(length)) {
    bytes.clear();
    return false;
  }
  if (layout_ == Layout::kDbase) JoinSoftReturns(bytes);
  return true;
}

// dBASE III: the text runs to its terminator, over as many blocks as it
// needs. A text the file ends in before its terminator is cut off.
bool MemoFile::ReadTerminated(std::uint64_t start, std::string& bytes) const {
  std::array<char, kDbaseBlockSize> chunk;
  for (std::uint64_t at = start; bytes.size() <= kMaxMemoBytes;) {
    const ssize_t got = ReadAt(file_, at, chunk.data(), chunk.size());
    if (got <= 0) break;
    const char* begin = chunk.data();
    const char* end = begin + got;
    const char* terminator = std::find(begin, end, kDbaseTerminator);
    bytes.append(begin, terminator);
    if (terminator != end) return true;
    at += static_cast<std::uint64_t>(got);
  }
  bytes.clear();
  return false;
}

}  // namespace vdimpexp::legacy

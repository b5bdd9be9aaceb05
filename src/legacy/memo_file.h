// The memo file beside a DBF table, which holds the text of its memo fields:
// a record's memo field holds only the number of the block where its text
// starts. dBASE III ends a text with 0x1A; dBASE IV opens each text with a
// mark and its length; FoxPro's .fpt opens each with a type and its length,
// in blocks whose size its header gives.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vdimpexp::legacy {

// The block number a memo field's bytes hold: ten digits padded with blanks,
// or, in a field 4 bytes wide (Visual FoxPro), a 32-bit little-endian number.
// 0 for a field without memo text (blank, or block 0, which is the file's
// header); nullopt when the bytes are no block number at all.
std::optional<std::uint32_t> MemoBlockNumber(std::string_view field_bytes);

class MemoFile {
 public:
  // The memo file beside `table_path`: the same base name with ".dbt" or
  // ".fpt", either in any case. A FoxPro table (`version`) looks for the
  // ".fpt" first, any other for the ".dbt". nullptr when there is none, when
  // it is not a regular file, or when its header is unusable.
  static std::unique_ptr<MemoFile> OpenBeside(const std::string& table_path,
                                              std::uint8_t version);

  ~MemoFile();
  MemoFile(const MemoFile&) = delete;
  MemoFile& operator=(const MemoFile&) = delete;

  // The stored bytes of the text that starts at `block` (at least 1), into
  // `bytes`. False, with `bytes` empty, when the block lies past the end of
  // the file or does not hold a whole text.
  bool Read(std::uint32_t block, std::string& bytes) const;

 private:
  enum class Layout { kDbase, kFoxPro };
  MemoFile(int file, Layout layout, std::uint32_t block_size, std::uint64_t size)
      : file_(file), layout_(layout), block_size_(block_size), size_(size) {}
  bool ReadTerminated(std::uint64_t start, std::string& bytes) const;

  int file_;
  Layout layout_;
  std::uint32_t block_size_;
  std::uint64_t size_;
};

}  // namespace vdimpexp::legacy

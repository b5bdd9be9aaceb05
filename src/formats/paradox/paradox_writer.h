// Paradox tables as export targets: the .DB file the target names, a table
// without a key (so no .PX index), and from Paradox 4 on an .MB file beside
// it for memo columns. Fields are laid out from the measured columns: alpha
// fields as wide as their longest value, memos for longer texts, whole
// numbers in the narrowest field that holds them all. Records are
// packed into linked data blocks of the smallest size the version has that
// holds a record; a table whose rows need more blocks than Paradox numbers
// (65,535) is rewritten in place with blocks of the next size. The header is
// completed once the rows are known.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/external_target.h"
#include "formats/common/format_changes.h"
#include "formats/common/target_file.h"
#include "formats/paradox/paradox_fields.h"

namespace vdimpexp::formats {

class ParadoxWriter : public data::TableWriter {
 public:
  // The most data blocks a table numbers; `max_blocks` lowers it, so that
  // tests reach a table's growth with few rows.
  static constexpr uint32_t kMaxBlocks = 65535;
  explicit ParadoxWriter(ParadoxVersion version, uint32_t max_blocks = kMaxBlocks);

  // Throws data::DbError, before any file is created, for a column Paradox
  // cannot hold: a field name breaking Paradox's rules (empty, longer than
  // 25 characters, repeated without regard to case, a leading blank, one of
  // [ ] { } ( ) " or "->" in it, "#" alone, a character outside the code
  // page), more than 255 fields, or a record longer than the version
  // allows. Also for a table file that exists already.
  void Open(const data::ExternalTarget& target,
            std::span<const data::ColumnInfo> columns) override;
  // Throws data::DbError naming the row and column of a value of the wrong
  // kind for its field (no number, no whole number, no date) or a text
  // holding U+0000; and for rows beyond 65,535 blocks of the version's
  // largest size. A character the code page lacks is written
  // as "?", a text longer than Paradox 3's 255 characters is cut, a time of
  // day is left out of a date field; each is counted for Changes.
  void WriteRow(std::span<const data::Value> row) override;
  void Finish() override;
  void Abandon() noexcept override;
  bool NeedsMeasuredColumns() const override { return true; }
  std::vector<std::string> Changes() const override;

 private:
  void BuildHeader();
  void PatchHeaderCounts();
  std::filesystem::path MemoPath() const;
  void CreateMemoFile();
  // Writes the block being filled, linked to block `next` (0: the last).
  void FlushBlock(uint16_t next);
  // With every block number used and the last block full: moves the table
  // to the next block size that is a multiple of the present one, merging
  // each run of full blocks into one where they lay. The last merged block
  // stays in memory to take the rows that follow.
  void GrowBlocks();
  void Store(const ParadoxField& field, ColumnChanges& changes, const data::Value& value,
             char* at);
  void StoreAlpha(const ParadoxField& field, ColumnChanges& changes,
                  const data::Value& value, char* at);
  void StoreYesNo(const ParadoxField& field, const data::Value& value, char* at);
  void StoreInteger(const ParadoxField& field, const data::Value& value, char* at);
  void StoreDouble(const ParadoxField& field, const data::Value& value, char* at);
  void StoreDate(const ParadoxField& field, ColumnChanges& changes,
                 const data::Value& value, char* at);
  void StoreMemo(const ParadoxField& field, ColumnChanges& changes,
                 const data::Value& value, char* at);
  bool YesNoOf(const ParadoxField& field, const data::Value& value) const;
  data::Date DateOf(const ParadoxField& field, const data::Value& value) const;
  // Encodes the value's text in the table's code page into `encoded_`,
  // counting the characters it lacks.
  void Encode(const ParadoxField& field, ColumnChanges& changes,
              const data::Value& value);
  // Appends a memo to the .MB file; returns where its block starts.
  uint32_t AppendMemo(std::string_view text);
  // "Paradox 4.x table '/exports/cust.db'", the start of every error.
  std::string Where() const;
  [[noreturn]] void FailValue(const ParadoxField& field, int32_t number,
                              const std::string& what) const;

  ParadoxVersion version_;
  uint32_t max_blocks_;
  std::filesystem::path path_;
  std::vector<ParadoxField> fields_;
  std::vector<ColumnChanges> changes_;  // one for each field
  bool has_memo_ = false;
  size_t record_size_ = 0;
  size_t block_size_ = 0;
  size_t records_per_block_ = 0;
  std::string header_;
  std::optional<TargetFile> table_;
  std::optional<TargetFile> memo_;
  // The one block being filled, reused for every block: memory stays flat
  // however many rows arrive.
  std::string block_;
  std::string encoded_;
  size_t records_in_block_ = 0;
  uint32_t blocks_ = 0;
  uint32_t rows_ = 0;
  uint64_t memo_size_ = 0;
};

}  // namespace vdimpexp::formats

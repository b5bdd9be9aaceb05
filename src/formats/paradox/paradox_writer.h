// Paradox tables as export targets: the .DB file the target names, a table
// without a key (so no .PX index), and from Paradox 4 on an .MB file beside
// it for memo columns. Records are packed into linked data blocks of the
// size the version uses; the header is completed once the rows are known.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/external_target.h"
#include "formats/common/target_file.h"
#include "formats/paradox/paradox_fields.h"

namespace vdimpexp::formats {

class ParadoxWriter : public data::TableWriter {
 public:
  explicit ParadoxWriter(ParadoxVersion version);

  // Throws data::DbError, before any file is created, for a column Paradox
  // cannot hold: a field name breaking Paradox's rules (empty, longer than
  // 25 characters, repeated without regard to case, a leading blank, one of
  // [ ] { } ( ) " or "->" in it, "#" alone, a character outside the code
  // page), more than 255 fields, or a record longer than the version
  // allows. Also for a table file that exists already.
  void Open(const data::ExternalTarget& target,
            std::span<const data::ColumnInfo> columns) override;
  // Throws data::DbError naming the row and column of a value its field
  // cannot hold unchanged: text too long or outside the code page, a
  // number out of the field's range or not a number at all, no date.
  void WriteRow(std::span<const data::Value> row) override;
  void Finish() override;
  void Abandon() noexcept override;

 private:
  void BuildHeader();
  void PatchHeaderCounts();
  std::filesystem::path MemoPath() const;
  void CreateMemoFile();
  // Writes the block being filled, linked to block `next` (0: the last).
  void FlushBlock(uint16_t next);
  void Store(const ParadoxField& field, const data::Value& value, char* at);
  void StoreAlpha(const ParadoxField& field, const data::Value& value, char* at);
  void StoreYesNo(const ParadoxField& field, const data::Value& value, char* at);
  void StoreInteger(const ParadoxField& field, const data::Value& value, char* at);
  void StoreDouble(const ParadoxField& field, const data::Value& value, char* at);
  void StoreDate(const ParadoxField& field, const data::Value& value, char* at);
  void StoreMemo(const ParadoxField& field, const data::Value& value, char* at);
  bool YesNoOf(const ParadoxField& field, const data::Value& value) const;
  data::Date DateOf(const ParadoxField& field, const data::Value& value) const;
  // Encodes the value's text in the table's code page into `encoded_`.
  void Encode(const ParadoxField& field, const data::Value& value);
  // Appends a memo to the .MB file; returns where its block starts.
  uint32_t AppendMemo(std::string_view text);
  // "Paradox 4.x table '/exports/cust.db'", the start of every error.
  std::string Where() const;
  [[noreturn]] void FailValue(const ParadoxField& field, int32_t number,
                              const std::string& what) const;

  ParadoxVersion version_;
  std::filesystem::path path_;
  std::vector<ParadoxField> fields_;
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

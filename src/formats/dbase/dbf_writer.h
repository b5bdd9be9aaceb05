// dBASE tables as export targets. A table is the .dbf file the target
// names, a .dbt memo file beside it when a column holds long text, and a
// .cpg file naming the code page for readers that look there rather than at
// the language driver mark of the header. Text is stored in Windows-1252.
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
#include "formats/dbase/dbf_layout.h"

namespace vdimpexp::formats {

// The dBASE generations the export offers. They share the record layout
// and differ in version marks, memo blocks and size limits.
enum class DbfLevel { kIII, kIV, k5 };

class DbfWriter : public data::TableWriter {
 public:
  explicit DbfWriter(DbfLevel level);

  // Throws data::DbError for a column dBASE cannot hold (a field name that
  // is empty, longer than 10 characters, not ASCII or repeated), for more
  // fields or a longer record than the level allows, and for a table file
  // that exists already. A memo or code page file of the table's name
  // without its table is what a deleted table left, and is replaced.
  void Open(const data::ExternalTarget& target,
            std::span<const data::ColumnInfo> columns) override;
  // Throws data::DbError naming the row and column of a value the field
  // cannot hold: a number too wide even when rounded, a value of the wrong
  // kind.
  void WriteRow(std::span<const data::Value> row) override;
  void Finish() override;
  void Abandon() noexcept override;
  // Fields are as wide as the longest value (or the declared size), long
  // texts go to memo fields and numbers get the places they need.
  bool NeedsMeasuredColumns() const override { return true; }
  std::vector<std::string> Changes() const override;

 private:
  void WriteHeader();
  // The table's memo or code page file, a stale one removed.
  std::filesystem::path CompanionPath(std::string_view extension) const;
  void CreateMemoFile();
  void WriteCodePageFile();
  void Store(const DbfField& field, ColumnChanges& changes, const data::Value& value,
             char* at);
  void StoreText(const DbfField& field, ColumnChanges& changes, const data::Value& value,
                 char* at);
  void StoreMemo(const DbfField& field, ColumnChanges& changes, const data::Value& value,
                 char* at);
  void StoreNumber(const DbfField& field, ColumnChanges& changes,
                   const data::Value& value, char* at);
  void StoreLogical(const DbfField& field, const data::Value& value, char* at);
  void StoreDate(const DbfField& field, ColumnChanges& changes, const data::Value& value,
                 char* at);
  // Encodes `value` as Windows-1252 into `encoded_`, counting what it lacks.
  void Encode(ColumnChanges& changes, const data::Value& value);
  uint32_t AppendMemo(std::string_view text);
  // "dBASE IV table '/exports/cust.dbf'", the start of every error.
  std::string Where() const;
  [[noreturn]] void FailValue(const DbfField& field, int32_t number,
                              const std::string& what) const;

  DbfLevel level_;
  std::filesystem::path path_;
  std::vector<DbfField> fields_;
  std::vector<ColumnChanges> changes_;  // one for each field
  bool has_memo_ = false;
  std::optional<TargetFile> table_;
  std::optional<TargetFile> memo_;
  std::optional<TargetFile> code_page_;
  // Reused for every record and every text value: memory stays flat
  // however many rows arrive.
  std::string record_;
  std::string encoded_;
  uint32_t rows_ = 0;
  uint32_t next_memo_block_ = 1;
};

}  // namespace vdimpexp::formats

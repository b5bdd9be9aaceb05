// The XML persistence format of a recordset, as Excel, ADO and .NET read
// it back: a schema naming and typing every column, then one z:row element
// per row whose attributes are the row's non-null values (a missing
// attribute is a null). UTF-8, no byte order mark. Registered as "XML".
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "data/column_info.h"
#include "data/external_target.h"
#include "data/value.h"
#include "formats/common/format_changes.h"
#include "formats/common/target_file.h"

namespace vdimpexp::formats {

class XmlRowsetWriter : public data::TableWriter {
 public:
  // Creates the file the target names (its table in its database folder)
  // and writes the schema. Throws data::DbError when a column name cannot
  // be written or the file cannot be created; nothing is left behind then.
  void Open(const data::ExternalTarget& target,
            std::span<const data::ColumnInfo> columns) override;
  // Writes one z:row at once. Throws data::DbError naming the file, row and
  // column of a value its column's type cannot hold. A character XML 1.0
  // cannot hold (a control character) is written as "?" and counted.
  void WriteRow(std::span<const data::Value> row) override;
  void Finish() override;
  void Abandon() noexcept override;
  // Text columns are declared as long as their longest value, whole-number
  // columns as wide as their numbers need.
  bool NeedsMeasuredColumns() const override { return true; }
  std::vector<std::string> Changes() const override;

 private:
  struct Column {
    data::ColumnInfo info;
    std::string attribute;  // the column's attribute name in every z:row
    // Where the schema's rs:maybenull='false' of a NOT NULL column sits,
    // so that a null that arrives anyway (through an outer join) can turn
    // it into 'true'; 0 once the column is declared able to hold null.
    uint64_t not_null_mark = 0;
    ColumnChanges changes;
  };

  [[noreturn]] void FailAt(size_t column, const std::string& why) const;

  std::unique_ptr<TargetFile> file_;
  std::vector<Column> columns_;
  std::string line_;  // one row's text, reused from row to row
  int64_t row_number_ = 0;
};

}  // namespace vdimpexp::formats

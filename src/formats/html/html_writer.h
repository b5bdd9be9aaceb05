// The "HTML Export" target: an HTML5 document in UTF-8, named by the target
// table in the target folder, holding one table: a header row of the column
// names, then one row per record. Names and values are escaped; nulls are
// empty cells; values take the forms of cell_text.h. The document's title
// is the table name without the file's extension.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "data/external_target.h"
#include "formats/common/target_file.h"

namespace vdimpexp::formats {

class HtmlWriter : public data::TableWriter {
 public:
  void Open(const data::ExternalTarget& target,
            std::span<const data::ColumnInfo> columns) override;
  void WriteRow(std::span<const data::Value> row) override;
  void Finish() override;
  void Abandon() noexcept override;

 private:
  std::optional<TargetFile> file_;  // set only once this writer created it
  std::string line_;                // reused by every row
  std::string cell_;                // reused by every value
};

}  // namespace vdimpexp::formats

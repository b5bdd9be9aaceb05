// The "TEXT" target: a comma-delimited UTF-8 file (no byte-order mark)
// named by the target table in the target folder, and its section in the
// folder's schema.ini.
//
// The file has a header row of the column names and one line per row, CRLF
// line ends, fields quoted as RFC 4180 says. Text values and the names are
// always quoted, so that a reader that honours quotes keeps text such as the
// zip code 01234 as text; an empty quoted field is empty text, an empty
// unquoted one a null. Other values take the forms of cell_text.h and are
// never quoted.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/external_target.h"
#include "formats/common/target_file.h"
#include "formats/text/schema_ini.h"

namespace vdimpexp::formats {

class TextWriter : public data::TableWriter {
 public:
  void Open(const data::ExternalTarget& target,
            std::span<const data::ColumnInfo> columns) override;
  void WriteRow(std::span<const data::Value> row) override;
  // Closes the file, then describes it in schema.ini.
  void Finish() override;
  void Abandon() noexcept override;

 private:
  std::optional<TargetFile> file_;  // set only once this writer created it
  std::vector<TextColumnProfile> profiles_;
  std::string line_;  // reused by every row
};

}  // namespace vdimpexp::formats

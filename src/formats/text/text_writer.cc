#include "formats/text/text_writer.h"

#include "data/db_error.h"
#include "formats/common/cell_text.h"
#include "formats/text/delimited_text.h"

namespace vdimpexp::formats {

void TextWriter::Open(const data::ExternalTarget& target,
                      std::span<const data::ColumnInfo> columns) {
  file_.emplace(TargetPath(target));
  profiles_.clear();
  for (const data::ColumnInfo& column : columns) profiles_.emplace_back(column);
  line_.clear();
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) line_ += ',';
    AppendCsvQuoted(line_, columns[i].name);
  }
  line_.append(kCsvLineEnd);
  file_->Write(line_);
}

void TextWriter::WriteRow(std::span<const data::Value> row) {
  line_.clear();
  for (size_t i = 0; i < row.size(); ++i) {
    if (i > 0) line_ += ',';
    const data::Value& value = row[i];
    if (value.kind() == data::Value::Kind::kText) {
      AppendCsvQuoted(line_, value.AsText());
    } else {
      AppendCellText(line_, value);
    }
    profiles_[i].Observe(value);
  }
  line_.append(kCsvLineEnd);
  file_->Write(line_);
}

void TextWriter::Finish() {
  file_->Close();
  const std::filesystem::path& path = file_->Path();
  std::string name = path.filename().string();
  std::string section = SchemaIniSection(name, profiles_);
  try {
    UpdateSchemaIni(path.parent_path(), name, section);
  } catch (const data::DbError& error) {
    // A failure may name only the staging file beside schema.ini, which the
    // user never chose; say which export it took down.
    throw data::DbError(error.number(), "Error describing '" + path.string() +
                                            "' in schema.ini: " + error.description());
  }
}

void TextWriter::Abandon() noexcept {
  if (file_) file_->Remove();
}

}  // namespace vdimpexp::formats

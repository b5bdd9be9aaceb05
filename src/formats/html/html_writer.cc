#include "formats/html/html_writer.h"

#include <string_view>

#include "formats/common/cell_text.h"

namespace vdimpexp::formats {
namespace {

// Escapes the five characters that could end an element or an attribute.
void AppendEscaped(std::string& out, std::string_view text) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    std::string_view entity;
    switch (text[i]) {
      case '&':
        entity = "&amp;";
        break;
      case '<':
        entity = "&lt;";
        break;
      case '>':
        entity = "&gt;";
        break;
      case '"':
        entity = "&quot;";
        break;
      case '\'':
        entity = "&#39;";
        break;
      default:
        continue;
    }
    out.append(text.substr(start, i - start)).append(entity);
    start = i + 1;
  }
  out.append(text.substr(start));
}

std::string DocumentTitle(const std::filesystem::path& path) {
  std::string stem = path.stem().string();
  return stem.empty() ? path.filename().string() : stem;
}

}  // namespace

void HtmlWriter::Open(const data::ExternalTarget& target,
                      std::span<const data::ColumnInfo> columns) {
  file_.emplace(TargetPath(target));
  line_.clear();
  line_.append(
      "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n<title>");
  AppendEscaped(line_, DocumentTitle(file_->Path()));
  line_.append("</title>\r\n");
  // Ruled cells, as a table of exported records is expected to look.
  line_.append(
      "<style>table{border-collapse:collapse}"
      "th,td{border:1px solid #808080;padding:2px 6px}</style>\r\n");
  line_.append("</head>\r\n<body>\r\n<table>\r\n<thead>\r\n<tr>");
  for (const data::ColumnInfo& column : columns) {
    line_.append("<th>");
    AppendEscaped(line_, column.name);
    line_.append("</th>");
  }
  line_.append("</tr>\r\n</thead>\r\n<tbody>\r\n");
  file_->Write(line_);
}

void HtmlWriter::WriteRow(std::span<const data::Value> row) {
  line_.assign("<tr>");
  for (const data::Value& value : row) {
    cell_.clear();
    AppendCellText(cell_, value);
    line_.append("<td>");
    AppendEscaped(line_, cell_);
    line_.append("</td>");
  }
  line_.append("</tr>\r\n");
  file_->Write(line_);
}

void HtmlWriter::Finish() {
  file_->Write("</tbody>\r\n</table>\r\n</body>\r\n</html>\r\n");
  file_->Close();
}

void HtmlWriter::Abandon() noexcept {
  if (file_) file_->Remove();
}

}  // namespace vdimpexp::formats

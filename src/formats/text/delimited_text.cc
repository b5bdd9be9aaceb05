#include "formats/text/delimited_text.h"

namespace vdimpexp::formats {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool CsvFieldNeedsQuotes(std::string_view field) {
  if (field.empty()) return false;
  return IsBlank(field.front()) || IsBlank(field.back()) ||
         field.find_first_of(",\"\r\n") != std::string_view::npos;
}

void AppendCsvQuoted(std::string& out, std::string_view field) {
  out += '"';
  // Copies the runs between quotes whole: most text holds no quote at all.
  for (size_t quote; (quote = field.find('"')) != std::string_view::npos;) {
    out.append(field.substr(0, quote + 1));
    out += '"';
    field.remove_prefix(quote + 1);
  }
  out.append(field);
  out += '"';
}

void AppendCsvField(std::string& out, std::string_view field) {
  if (CsvFieldNeedsQuotes(field)) {
    AppendCsvQuoted(out, field);
  } else {
    out.append(field);
  }
}

void AppendCsvLine(std::string& out, std::span<const std::string> fields) {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ',';
    AppendCsvField(out, fields[i]);
  }
  out.append(kCsvLineEnd);
}

}  // namespace vdimpexp::formats

#include "export/export_statement.h"

#include <stdexcept>

#include "data/text.h"

namespace vdimpexp::exporting {
namespace {

constexpr std::string_view kPathSeparators = "/\\";
constexpr size_t kAliasStemLength = 7;
constexpr int32_t kAliasSuffixCount = 999;
constexpr std::string_view kAccessTable = "Verdacor";

// The folder part and the file part of a chosen path; no separator gives
// an empty folder and the whole path as the file.
std::pair<std::string_view, std::string_view> SplitPath(std::string_view path) {
  size_t separator = path.find_last_of(kPathSeparators);
  if (separator == std::string_view::npos) return {{}, path};
  return {path.substr(0, separator), path.substr(separator + 1)};
}

std::string AliasStem(std::string_view name) {
  size_t dot = name.find('.');
  std::string_view stem = dot == std::string_view::npos ? name : name.substr(dot + 1);
  return std::string(stem.substr(0, kAliasStemLength));
}

bool IsTaken(std::string_view candidate, std::span<const std::string> selected_fields,
             std::span<const ColumnAlias> aliases) {
  for (const std::string& name : selected_fields) {
    if (name.size() <= kDbaseNameLimit && data::EqualsIgnoringCase(name, candidate)) {
      return true;
    }
  }
  for (const ColumnAlias& given : aliases) {
    if (data::EqualsIgnoringCase(given.alias, candidate)) return true;
  }
  return false;
}

std::string UniqueAlias(const std::string& name, std::span<const std::string> selected_fields,
                        std::span<const ColumnAlias> aliases,
                        const std::function<int32_t()>& draw_suffix) {
  const std::string stem = AliasStem(name);
  // Random draws keep the alias form users know; once they keep hitting
  // taken suffixes, the free ones are taken in order.
  for (int attempt = 0; attempt < kAliasSuffixCount; ++attempt) {
    std::string candidate = stem + std::to_string(draw_suffix());
    if (!IsTaken(candidate, selected_fields, aliases)) return candidate;
  }
  for (int32_t suffix = 1; suffix <= kAliasSuffixCount; ++suffix) {
    std::string candidate = stem + std::to_string(suffix);
    if (!IsTaken(candidate, selected_fields, aliases)) return candidate;
  }
  throw std::runtime_error("No free dBASE column name is left for the column '" + name +
                           "'.");
}

}  // namespace

std::string ExportFileName(std::string_view rsFileName) {
  auto [folder, file] = SplitPath(rsFileName);
  return std::string(folder) + "].[" + std::string(file) + "]";
}

std::string ExcelExport(std::string_view rsFileName) {
  return "].[" + std::string(SplitPath(rsFileName).second) + "]";
}

std::optional<std::string> TargetReference(const ExportFormat& format,
                                           std::string_view chosen_file) {
  const std::string prefix(format.connect_prefix);
  switch (format.form) {
    case TargetForm::kAccess: {
      // Only the file's own extension goes: a folder may have a "." too.
      size_t file_start = chosen_file.find_last_of(kPathSeparators);
      file_start = file_start == std::string_view::npos ? 0 : file_start + 1;
      size_t dot = chosen_file.rfind('.');
      if (dot == std::string_view::npos || dot < file_start) return std::nullopt;
      return "[" + std::string(chosen_file.substr(0, dot)) + "].[" +
             std::string(kAccessTable) + "]";
    }
    case TargetForm::kWorkbook:
      return prefix + std::string(chosen_file) + ExcelExport(chosen_file);
    case TargetForm::kFolder:
    case TargetForm::kXmlRecordset:
    case TargetForm::kNotAvailable:
      return prefix + ExportFileName(chosen_file);
  }
  return std::nullopt;
}

std::vector<ColumnAlias> DbaseAliases(std::span<const std::string> selected_fields,
                                      const std::function<int32_t()>& draw_suffix) {
  std::vector<ColumnAlias> aliases;
  for (const std::string& name : selected_fields) {
    if (name.size() <= kDbaseNameLimit) continue;
    std::string alias = UniqueAlias(name, selected_fields, aliases, draw_suffix);
    aliases.push_back({name, std::move(alias)});
  }
  return aliases;
}

std::string FieldList(std::span<const std::string> selected_fields,
                      std::span<const ColumnAlias> aliases) {
  std::string list;
  size_t next_alias = 0;
  for (const std::string& name : selected_fields) {
    if (!list.empty()) list += ",";
    list += data::Bracketed(name);
    if (next_alias < aliases.size() && aliases[next_alias].name == name) {
      list += " AS " + data::Bracketed(aliases[next_alias++].alias);
    }
  }
  return list;
}

std::string RowSource(std::string_view selection_sql) {
  constexpr std::string_view kSelectAll = "SELECT * FROM";
  std::string source;
  size_t start = 0;
  for (size_t found; (found = selection_sql.find(kSelectAll, start)) != std::string_view::npos;
       start = found + kSelectAll.size()) {
    source.append(selection_sql.substr(start, found - start));
  }
  source.append(selection_sql.substr(start));
  if (source.find("SELECT") != std::string::npos) return "(" + source + ")";
  return source;
}

std::string ExportStatement(std::string_view field_list, std::string_view target,
                            std::string_view row_source) {
  return "SELECT " + std::string(field_list) + " INTO " + std::string(target) + " FROM " +
         std::string(row_source);
}

}  // namespace vdimpexp::exporting

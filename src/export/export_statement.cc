#include "export/export_statement.h"

#include <stdexcept>

#include "data/jet_sql.h"
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

[[noreturn]] void Refuse(std::string_view path, std::string_view why) {
  throw UnnamableTarget("The name " + std::string(path) + " holds " + std::string(why) +
                        ", which an export statement cannot name.");
}

// The engine splits a connect string at ";" and trims blanks around its
// values, so a folder holding a ";" or ending in a blank would send the rows
// to another folder. Such a Database value goes between double quotes.
bool NeedsQuotes(std::string_view connect_value) {
  return connect_value.find(';') != std::string_view::npos ||
         data::TrimBlanks(connect_value).size() != connect_value.size();
}

std::string ConnectValue(std::string_view value) {
  if (NeedsQuotes(value)) return "\"" + std::string(value) + "\"";
  return std::string(value);
}

void CheckBracketable(std::string_view path) {
  if (path.find(']') != std::string_view::npos) Refuse(path, "a \"]\"");
}

// Throws unless `chosen_file` can be named by a connect string whose
// Database value is `database`.
void CheckConnectTarget(std::string_view database, std::string_view chosen_file) {
  CheckBracketable(chosen_file);
  if (NeedsQuotes(database) && database.find('"') != std::string_view::npos) {
    Refuse(chosen_file, "a '\"' besides a \";\" or a blank at an end");
  }
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

std::string UniqueAlias(const std::string& name,
                        std::span<const std::string> selected_fields,
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
  return ConnectValue(folder) + "].[" + std::string(file) + "]";
}

std::string ExcelExport(std::string_view rsFileName) {
  return "].[" + std::string(SplitPath(rsFileName).second) + "]";
}

void CheckNamesDatabaseFile(std::string_view path) {
  CheckBracketable(path);
  if (path.find(';') != std::string_view::npos) {
    Refuse(path, "a \";\" in a database name");
  }
}

std::string TargetReference(const ExportFormat& format, std::string_view chosen_file) {
  const std::string prefix(format.connect_prefix);
  switch (format.form) {
    case TargetForm::kAccess: {
      CheckNamesDatabaseFile(chosen_file);
      // Only the file's own extension goes: a folder may have a "." too.
      size_t file_start = chosen_file.find_last_of(kPathSeparators);
      file_start = file_start == std::string_view::npos ? 0 : file_start + 1;
      size_t dot = chosen_file.rfind('.');
      if (dot == std::string_view::npos || dot < file_start) {
        throw UnnamableTarget(
            "The Access database " + std::string(chosen_file) +
            " has no extension, so it names no database to export into.");
      }
      return "[" + std::string(chosen_file.substr(0, dot)) + "].[" +
             std::string(kAccessTable) + "]";
    }
    case TargetForm::kWorkbook:
      CheckConnectTarget(chosen_file, chosen_file);
      return prefix + ConnectValue(chosen_file) + ExcelExport(chosen_file);
    case TargetForm::kFolder:
      CheckConnectTarget(SplitPath(chosen_file).first, chosen_file);
      return prefix + ExportFileName(chosen_file);
    case TargetForm::kXmlRecordset:
    case TargetForm::kNotAvailable:
      // Never executed: the rows are saved by the recordset, or not at all.
      return prefix + ExportFileName(chosen_file);
  }
  throw std::logic_error("unknown target form");
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

std::string WithoutSelectAll(std::string_view selection_sql) {
  return data::jet::ReplaceOutsideStrings(selection_sql, "SELECT * FROM", "");
}

std::string RowSource(std::string_view selection_sql) {
  std::string source = WithoutSelectAll(selection_sql);
  if (source.find("SELECT") != std::string::npos) return "(" + source + ")";
  return source;
}

std::string ExportStatement(std::string_view field_list, std::string_view target,
                            std::string_view row_source) {
  return "SELECT " + std::string(field_list) + " INTO " + std::string(target) + " FROM " +
         std::string(row_source);
}

}  // namespace vdimpexp::exporting

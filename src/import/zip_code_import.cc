#include "import/zip_code_import.h"

#include <array>
#include <filesystem>

#include "data/db_error.h"
#include "data/recordset.h"
#include "support/prompts.h"
#include "support/resource_strings.h"

namespace vdimpexp::importing {
namespace {

struct ColumnPair {
  std::string_view source;
  std::string_view host;
};

constexpr std::array<ColumnPair, 4> kColumns = {{
    {"PostCode", "ZipCode"},
    {"CityTown", "City"},
    {"State", "State"},
    {"AreaCode", "AreaCode"},
}};

support::MessageAnswer AskToKeepExistingCodes() {
  return support::ActivePrompts().Ask(
      {.text = support::LoadResString(support::kKeepZipCodesQuestion),
       .title = "Import ?",
       .buttons = support::MessageButtons::kYesNoCancel,
       .icon = support::MessageIcon::kQuestion,
       .default_answer = support::MessageAnswer::kNo});
}

void TellSkippedCodes(int64_t skipped) {
  const bool one = skipped == 1;
  support::ActivePrompts().Ask(
      {.text = std::to_string(skipped) + (one ? " zip code was" : " zip codes were") +
               " already in the table and " + (one ? "was" : "were") +
               " skipped; the other rows were imported.",
       .title = "Import",
       .icon = support::MessageIcon::kInformation});
}

// Adds the source's current row to the host table; false when the host
// holds its code already, and the row is then dropped.
bool CopyRow(const data::Recordset& source, data::Recordset& target) {
  target.AddNew();
  for (const ColumnPair& column : kColumns) {
    target.Fields(column.host).SetValue(source.Fields(column.source).Value());
  }
  try {
    target.Update();
    return true;
  } catch (const data::DbError& error) {
    if (error.number() != data::error_number::kDuplicateKey) throw;
    target.CancelUpdate();
    return false;
  }
}

}  // namespace

std::string ZipSourceConnectionString(std::string_view source_file,
                                      std::string_view component_directory) {
  std::string workgroup =
      (std::filesystem::path(component_directory) / kWorkgroupFileName).string();
  return "Provider=Microsoft.Jet.OLEDB.4.0;Password=rw!qf;Persist Security "
         "Info=False;User ID=Tekvar;Data Source=" +
         std::string(source_file) + ";Jet OLEDB:System database=" + workgroup +
         ";Jet OLEDB:Database Password=";
}

ZipCodeImportResult ImportZipCodes(data::Connection& host, std::string_view source_file,
                                   std::string_view component_directory) {
  data::Recordset source;
  source.Open(
      "AustralianZipCodes", ZipSourceConnectionString(source_file, component_directory),
      data::CursorType::kKeyset, data::LockType::kOptimistic, data::CommandType::kTable);
  switch (AskToKeepExistingCodes()) {
    case support::MessageAnswer::kCancel:
      return {};
    case support::MessageAnswer::kNo:
      host.Execute("DELETE * FROM ZipCodes");
      break;
    default:
      break;
  }
  data::Recordset target;
  target.Open("ZipCodes", host, data::CursorType::kKeyset, data::LockType::kOptimistic,
              data::CommandType::kTable);
  ZipCodeImportResult result{.ran = true};
  if (!(source.IsBOF() && source.IsEOF())) {
    for (source.MoveFirst(); !source.IsEOF(); source.MoveNext()) {
      ++(CopyRow(source, target) ? result.added : result.skipped);
    }
  }
  if (result.skipped > 0) TellSkippedCodes(result.skipped);
  return result;
}

}  // namespace vdimpexp::importing

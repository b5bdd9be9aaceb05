#include "import/zip_code_import.h"

#include <array>
#include <filesystem>
#include <memory>
#include <optional>

#include "data/db_error.h"
#include "data/key_value_list.h"
#include "data/recordset.h"
#include "data/text.h"
#include "jet_reader/jet_reader_protocol.h"
#include "jet_reader/jet_table_reader.h"
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
constexpr std::string_view kSourceTable = "AustralianZipCodes";

// One source row, in kColumns order; nullopt for a value the data layer
// cannot hold (binary data).
using SourceRow = std::array<std::optional<data::Value>, kColumns.size()>;

class ZipSource {
 public:
  virtual ~ZipSource() = default;
  // Fills `row` with the next row; false after the last.
  virtual bool Next(SourceRow& row) = 0;
};

data::DbError MissingColumn(std::string_view name) {
  return data::DbError(data::error_number::kItemNotFound,
                       "Item cannot be found in the collection corresponding to the "
                       "requested name or ordinal: field '" +
                           std::string(name) + "'.");
}

// The table in one of our own databases.
class DatabaseSource : public ZipSource {
 public:
  explicit DatabaseSource(const std::string& connection_string) {
    table_.Open(kSourceTable, connection_string, data::CursorType::kKeyset,
                data::LockType::kOptimistic, data::CommandType::kTable);
    for (const ColumnPair& column : kColumns) table_.Fields(column.source);
  }
  bool Next(SourceRow& row) override {
    if (!started_) {
      started_ = true;
      if (table_.IsBOF() && table_.IsEOF()) return false;
      table_.MoveFirst();
    } else {
      table_.MoveNext();
    }
    if (table_.IsEOF()) return false;
    for (size_t i = 0; i < kColumns.size(); ++i) {
      row[i] = table_.Fields(kColumns[i].source).Value();
    }
    return true;
  }

 private:
  data::Recordset table_;
  bool started_ = false;
};

// The table in a real Access database, read through the reader program
// that ships beside the component.
class AccessSource : public ZipSource {
 public:
  AccessSource(const std::string& file, std::string_view component_directory)
      : reader_(file, std::string(kSourceTable),
                {.program = (std::filesystem::path(component_directory) /
                             jet_reader::kReaderProgramName)
                                .string()}) {
    const std::vector<std::string>& names = reader_.ColumnNames();
    for (size_t i = 0; i < kColumns.size(); ++i) {
      size_t at = 0;
      while (at < names.size() &&
             !data::EqualsIgnoringCase(names[at], kColumns[i].source)) {
        ++at;
      }
      if (at == names.size()) throw MissingColumn(kColumns[i].source);
      position_[i] = at;
    }
  }
  bool Next(SourceRow& row) override {
    if (!reader_.Next(values_)) return false;
    for (size_t i = 0; i < kColumns.size(); ++i) {
      row[i] = jet_reader::ToDataValue(values_[position_[i]]);
    }
    return true;
  }

 private:
  jet_reader::JetTableReader reader_;
  std::array<size_t, kColumns.size()> position_{};
  std::vector<jet_reader::JetValue> values_;
};

// Our own databases are opened with the connection string as they always
// were; a real Access file carries no accounts our engine checks, but the
// workgroup file the string names must be there as for any source.
std::unique_ptr<ZipSource> OpenZipSource(std::string_view source_file,
                                         std::string_view component_directory) {
  const std::string connection =
      ZipSourceConnectionString(source_file, component_directory);
  const std::vector<data::KeyValue> items = data::SplitKeyValueList(connection);
  const std::string file = data::FindValue(items, "Data Source").value_or("");
  if (!jet_reader::IsJetDatabaseFile(file)) {
    return std::make_unique<DatabaseSource>(connection);
  }
  const std::string workgroup =
      data::FindValue(items, "Jet OLEDB:System database").value_or("");
  std::error_code ec;
  if (!std::filesystem::is_regular_file(workgroup, ec)) {
    throw data::DbError(data::error_number::kEngineFailure,
                        "The workgroup information file '" + workgroup +
                            "' is missing or opened exclusively by another user.");
  }
  return std::make_unique<AccessSource>(file, component_directory);
}

support::MessageAnswer AskToKeepExistingCodes() {
  return support::ActivePrompts().Ask(
      {.text = support::LoadResString(support::kKeepZipCodesQuestion),
       .title = "Import ?",
       .buttons = support::MessageButtons::kYesNoCancel,
       .icon = support::MessageIcon::kQuestion,
       .default_answer = support::MessageAnswer::kNo});
}

void TellRowsLeftOut(const ZipCodeImportResult& result) {
  std::string text;
  if (result.skipped > 0) {
    text = data::Counted(result.skipped, "zip code was already in the table and was",
                         "zip codes were already in the table and were") +
           " skipped";
  }
  if (result.refused > 0) {
    text +=
        (text.empty() ? "" : "; ") +
        data::Counted(result.refused, "row held a value the table cannot take and was",
                      "rows held values the table cannot take and were") +
        " left out";
  }
  support::ActivePrompts().Ask({.text = text + "; the other rows were imported.",
                                .title = "Import",
                                .icon = support::MessageIcon::kInformation});
}

enum class RowOutcome { kAdded, kDuplicate, kRefused };

// Adds a source row to the host table. A row whose code the host holds
// already, or with a value a column cannot take (binary data, a text too
// long), is dropped.
RowOutcome CopyRow(const SourceRow& row, data::Recordset& target) {
  for (const std::optional<data::Value>& value : row) {
    if (!value) return RowOutcome::kRefused;
  }
  target.AddNew();
  try {
    for (size_t i = 0; i < kColumns.size(); ++i) {
      target.Fields(kColumns[i].host).SetValue(*row[i]);
    }
    target.Update();
    return RowOutcome::kAdded;
  } catch (const data::DbError& error) {
    namespace number = data::error_number;
    if (error.number() != number::kDuplicateKey &&
        error.number() != number::kTypeMismatch &&
        error.number() != number::kTextTooLong) {
      throw;
    }
    target.CancelUpdate();
    return error.number() == number::kDuplicateKey ? RowOutcome::kDuplicate
                                                   : RowOutcome::kRefused;
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

std::string ZipCodeCountsText(const ZipCodeImportResult& result) {
  return std::to_string(result.added) + " zip codes added, " +
         std::to_string(result.skipped) + " skipped" +
         (result.refused > 0 ? ", " + std::to_string(result.refused) + " refused" : "");
}

ZipCodeImportResult ImportZipCodes(data::Connection& host, std::string_view source_file,
                                   std::string_view component_directory) {
  std::unique_ptr<ZipSource> source = OpenZipSource(source_file, component_directory);
  const support::MessageAnswer answer = AskToKeepExistingCodes();
  if (answer == support::MessageAnswer::kCancel) return {};
  // A source that fails part way (a damaged Access file) leaves the host
  // table as it was, whatever the caller's transaction does next.
  host.BeginTrans();
  ZipCodeImportResult result{.ran = true};
  try {
    if (answer == support::MessageAnswer::kNo) host.Execute("DELETE * FROM ZipCodes");
    data::Recordset target;
    target.Open("ZipCodes", host, data::CursorType::kKeyset, data::LockType::kOptimistic,
                data::CommandType::kTable);
    SourceRow row;
    while (source->Next(row)) {
      const RowOutcome outcome = CopyRow(row, target);
      ++(outcome == RowOutcome::kAdded       ? result.added
         : outcome == RowOutcome::kDuplicate ? result.skipped
                                             : result.refused);
    }
  } catch (...) {
    host.RollbackTrans();
    throw;
  }
  host.CommitTrans();
  if (result.skipped + result.refused > 0) TellRowsLeftOut(result);
  return result;
}

}  // namespace vdimpexp::importing

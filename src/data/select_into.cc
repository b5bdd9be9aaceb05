#include "data/select_into.h"

#include <string>
#include <vector>

#include "data/db_error.h"
#include "data/sqlite_values.h"
#include "data/text.h"
#include "data/value_shape.h"

namespace vdimpexp::data {
namespace {

// Another database file, attached for the length of one statement.
class AttachedFile {
 public:
  AttachedFile(Session& session, const std::string& path)
      : session_(session), name_(session.AttachFile(path)) {}
  ~AttachedFile() { session_.DetachFile(name_); }
  AttachedFile(const AttachedFile&) = delete;
  AttachedFile& operator=(const AttachedFile&) = delete;

  // The schema name statements reach its tables by.
  const std::string& Name() const { return name_; }

 private:
  Session& session_;
  std::string name_;
};

bool TableExists(Session& session, const std::string& schema, const std::string& table) {
  StatementLease lookup =
      session.Prepare("SELECT 1 FROM " + schema +
                      ".sqlite_master WHERE type IN ('table', 'view') "
                      "AND name = ? COLLATE NOCASE");
  sqlite3_bind_text(lookup.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
  // A database another program holds locked says so, rather than passing
  // for one without the table.
  return session.StepRow(lookup, "looking up " + table);
}

// Runs `work` inside a savepoint: all of it stays, or none of it.
template <typename Work>
auto AllOrNothing(Session& session, Work work) {
  session.Run("SAVEPOINT vd_select_into");
  try {
    auto result = work();
    session.Run("RELEASE vd_select_into");
    return result;
  } catch (...) {
    // After an engine failure (interrupted, a full disk) SQLite may have
    // rolled back by itself, the savepoint with it: then there is nothing
    // to undo, and the failure that made it do so is the news.
    if (!sqlite3_get_autocommit(session.db())) {
      session.Run("ROLLBACK TO vd_select_into");
      session.Run("RELEASE vd_select_into");
    }
    throw;
  }
}

SelectIntoResult CopyIntoDatabaseTable(Session& session, const std::string& schema,
                                       const jet::Statement& statement) {
  const std::string& table = statement.target.table;
  if (TableExists(session, schema, table)) {
    throw DbError(error_number::kEngineFailure, "Table '" + table + "' already exists.");
  }
  StatementLease source = session.Prepare(statement.sql);
  std::string definition;
  for (const ColumnInfo& column : DescribeResultColumns(source.get())) {
    std::string type = DeclaredTypeOf(column);
    definition += (definition.empty() ? "" : ", ") + SqliteName(column.name) +
                  (type.empty() ? "" : " " + type);
  }
  source.Release();
  std::string target = schema + "." + SqliteName(table);
  return AllOrNothing(session, [&] {
    session.Run("CREATE TABLE " + target + " (" + definition + ")");
    session.Run("INSERT INTO " + target + " " + statement.sql);
    return SelectIntoResult{.rows = sqlite3_changes64(session.db())};
  });
}

SelectIntoResult CopyIntoExternalFile(Session& session, const jet::Statement& statement) {
  const ExternalTarget& target = statement.target.external;
  std::unique_ptr<TableWriter> writer = CreateTableWriter(target.connect_type);
  if (!writer) {
    throw DbError(error_number::kEngineFailure,
                  "Export to " + target.connect_type +
                      " files is not available in this version; choose another format.");
  }
  StatementLease source = session.Prepare(statement.sql);
  std::vector<ColumnInfo> columns = DescribeResultColumns(source.get());
  WriteProgress* progress = session.write_progress();
  const RowsReport report{.progress = progress,
                          .rows_to_come = ReadyColumnsForWriter(
                              session, statement.sql, *writer, columns, progress)};
  SelectIntoResult result;
  const RowSource next_row = [&](std::vector<Value>& row) {
    if (!session.StepRow(source, statement.sql)) return false;
    for (size_t i = 0; i < columns.size(); ++i) {
      row[i] = ReadColumn(source.get(), static_cast<int>(i), columns[i]);
    }
    return true;
  };
  result.rows = WriteAllRows(*writer, target, columns, next_row, report);
  result.changes = writer->Changes();
  return result;
}

}  // namespace

SelectIntoResult RunSelectInto(Session& session, const jet::Statement& statement) {
  switch (statement.target.kind) {
    case jet::Target::Kind::kLocalTable:
      return CopyIntoDatabaseTable(session, "main", statement);
    case jet::Target::Kind::kDatabaseFile: {
      AttachedFile attached(session, statement.target.database_file);
      return CopyIntoDatabaseTable(session, attached.Name(), statement);
    }
    case jet::Target::Kind::kExternal:
      return CopyIntoExternalFile(session, statement);
  }
  return {};
}

void RunDropTableInFile(Session& session, const jet::Target& target) {
  AttachedFile attached(session, target.database_file);
  if (!TableExists(session, attached.Name(), target.table)) {
    throw DbError(
        error_number::kEngineFailure,
        "Table '" + target.table + "' does not exist in '" + target.database_file + "'.");
  }
  session.Run("DROP TABLE " + attached.Name() + "." + SqliteName(target.table));
}

}  // namespace vdimpexp::data

#include "data/connection.h"

#include <filesystem>

#include "data/db_error.h"
#include "data/jet_sql.h"
#include "data/key_value_list.h"
#include "data/select_into.h"
#include "data/session.h"

namespace vdimpexp::data {
namespace {

// The database file that `text` names: the text itself, or the Data
// Source of a connection string, after checking the workgroup file the
// string names, if any.
std::string DatabaseFileOf(std::string_view text) {
  std::vector<KeyValue> items = SplitKeyValueList(text);
  if (!FindValue(items, "Provider") && !FindValue(items, "Data Source")) {
    return std::string(text);
  }
  std::optional<std::string> workgroup = FindValue(items, "Jet OLEDB:System database");
  std::error_code ec;
  if (workgroup && !workgroup->empty() &&
      !std::filesystem::is_regular_file(*workgroup, ec)) {
    throw DbError(error_number::kEngineFailure,
                  "The workgroup information file '" + *workgroup +
                      "' is missing or opened exclusively by another user.");
  }
  std::optional<std::string> source = FindValue(items, "Data Source");
  if (!source || source->empty()) {
    throw DbError(error_number::kEngineFailure,
                  "The connection string names no Data Source.");
  }
  return *source;
}

}  // namespace

Connection::Connection() = default;
Connection::Connection(std::string_view file_or_connection_string) {
  Open(file_or_connection_string);
}
Connection::~Connection() = default;
Connection::Connection(Connection&&) noexcept = default;
Connection& Connection::operator=(Connection&&) noexcept = default;

void Connection::Open(std::string_view file_or_connection_string,
                      std::chrono::milliseconds lock_wait) {
  session_ = std::make_shared<Session>(DatabaseFileOf(file_or_connection_string),
                                       static_cast<int>(lock_wait.count()));
}

void Connection::Close() { session_.reset(); }

Session& Connection::session() const {
  if (!session_) {
    throw DbError(error_number::kInvalidOperation,
                  "Operation is not allowed when the connection is closed.");
  }
  return *session_;
}

const std::string& Connection::DataSource() const { return session().path(); }

std::chrono::milliseconds Connection::LockWait() const {
  return std::chrono::milliseconds(session().busy_timeout());
}

Recordset Connection::Execute(std::string_view command_text, int64_t* records_affected) {
  format_changes_.clear();
  Session& s = session();
  jet::Statement statement = jet::Translate(command_text);
  int64_t changed = 0;
  Recordset result;
  switch (statement.kind) {
    case jet::Statement::Kind::kSelectInto: {
      SelectIntoResult written = RunSelectInto(s, statement);
      changed = written.rows;
      format_changes_ = std::move(written.changes);
      break;
    }
    case jet::Statement::Kind::kDropTable:
      RunDropTableInFile(s, statement.target);
      break;
    case jet::Statement::Kind::kPlain: {
      StatementLease lease = s.Prepare(statement.sql);
      if (sqlite3_column_count(lease.get()) > 0) {
        result.Adopt(session_, std::move(lease));
        break;
      }
      int rc = sqlite3_step(lease.get());
      if (rc != SQLITE_DONE) throw s.Error(rc, statement.sql);
      changed = sqlite3_changes64(s.db());
      break;
    }
  }
  if (records_affected) *records_affected = changed;
  return result;
}

int Connection::BeginTrans() { return session().BeginTransaction(); }

void Connection::CommitTrans() { session().CommitTransaction(); }

void Connection::RollbackTrans() { session().RollbackTransaction(); }

int Connection::TransactionLevel() const { return session().transaction_level(); }

void Connection::StopWhen(const std::atomic<bool>* stop) {
  // SQLite asks every thousand virtual machine steps whether to go on; a
  // nonzero answer ends the statement with SQLITE_INTERRUPT.
  constexpr int kStepsBetweenChecks = 1000;
  if (!stop) return sqlite3_progress_handler(session().db(), 0, nullptr, nullptr);
  sqlite3_progress_handler(
      session().db(), kStepsBetweenChecks,
      [](void* flag) {
        return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
      },
      const_cast<std::atomic<bool>*>(stop));
}

void Connection::ReportWritesTo(WriteProgress* progress) {
  session().ReportWritesTo(progress);
}

}  // namespace vdimpexp::data

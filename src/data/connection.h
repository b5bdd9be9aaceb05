// A connection to a host database: a SQLite database file, opened by its
// path or by a Jet-style connection string. Statements arrive in the Jet
// dialect (see jet_sql.h).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/recordset.h"
#include "data/write_progress.h"

namespace vdimpexp::data {

class Session;

class Connection {
 public:
  Connection();
  // Opens at once; see Open.
  explicit Connection(std::string_view file_or_connection_string);
  ~Connection();
  Connection(Connection&&) noexcept;
  Connection& operator=(Connection&&) noexcept;

  // A database file path, or a connection string such as
  // "Provider=...;Data Source=FILE;User ID=...;Jet OLEDB:System database=FILE".
  // The data source must be an existing SQLite database; a named system
  // database (workgroup file) must exist. User and password are taken as
  // given: the files carry no accounts of their own.
  void Open(std::string_view file_or_connection_string,
            std::chrono::milliseconds lock_wait = std::chrono::seconds(5));
  void Close();
  bool IsOpen() const { return session_ != nullptr; }
  // The database file in use.
  const std::string& DataSource() const;

  // How long a statement waits for a lock another connection holds on the
  // database before it fails with DbError::locked().
  std::chrono::milliseconds LockWait() const;

  // Runs one Jet statement. A query (or a bare table name) returns an open
  // recordset on its rows; an action statement returns a closed recordset,
  // and the number of rows it changed through `records_affected`.
  Recordset Execute(std::string_view command_text, int64_t* records_affected = nullptr);
  // What the last Execute's file writer changed in values to fit its
  // format (characters it could not hold, rounded numbers, ...), one line
  // each; empty after any other statement.
  const std::vector<std::string>& FormatChanges() const { return format_changes_; }

  // Transactions nest: the outer level is the database transaction, inner
  // levels are savepoints inside it. Rows become permanent only with the
  // outer commit; the outer rollback undoes inner commits too. BeginTrans
  // returns the new nesting level.
  int BeginTrans();
  void CommitTrans();
  void RollbackTrans();
  int TransactionLevel() const;
  // From now on, any statement of the connection fails as interrupted once
  // `*stop` is true, also one that starts after it became true. `stop` may
  // be set from another thread or a signal handler; it must outlive the
  // connection's statements. nullptr stops none again.
  void StopWhen(const std::atomic<bool>* stop);
  // From now on, statements that write an external file (SELECT ... INTO
  // a file, a recordset saved) tell `progress` how far they have come; it
  // must outlive them. nullptr tells none again.
  void ReportWritesTo(WriteProgress* progress);

 private:
  friend class Recordset;
  Session& session() const;

  std::shared_ptr<Session> session_;
  std::vector<std::string> format_changes_;
};

}  // namespace vdimpexp::data

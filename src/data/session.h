// One open SQLite database and what lives as long as it does: the cache of
// prepared statements, the transaction nesting, the AutoNumber keys handed
// out to pending rows. Shared by a Connection and the recordsets it opened.
#pragma once

#include <sqlite3.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/db_error.h"
#include "data/write_progress.h"

namespace vdimpexp::data {

// A prepared statement borrowed from the session's cache; reset and
// returned when the lease ends (finalized when its text is not cached).
class StatementLease {
 public:
  StatementLease() = default;
  StatementLease(std::vector<sqlite3_stmt*>* home, sqlite3_stmt* statement)
      : home_(home), statement_(statement) {}
  StatementLease(StatementLease&& other) noexcept { *this = std::move(other); }
  StatementLease& operator=(StatementLease&& other) noexcept;
  ~StatementLease() { Release(); }

  sqlite3_stmt* get() const { return statement_; }
  explicit operator bool() const { return statement_ != nullptr; }
  void Release();

 private:
  std::vector<sqlite3_stmt*>* home_ = nullptr;
  sqlite3_stmt* statement_ = nullptr;
};

class Session {
 public:
  // Opens an existing database file for reading and writing; a statement
  // waits up to `busy_timeout_ms` for a lock another connection holds.
  Session(const std::string& path, int busy_timeout_ms);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  sqlite3* db() const { return db_; }
  const std::string& path() const { return path_; }

  // A prepared statement for exactly this text (one statement, no tail).
  StatementLease Prepare(std::string_view sql);
  // Runs a statement that returns no rows.
  void Run(std::string_view sql);
  // Steps `statement`: true with its next row, false after the last. Any
  // failure, a lock held past the wait included, throws DbError naming
  // `context`: it never passes for the end of the rows.
  bool StepRow(const StatementLease& statement, std::string_view context) const;
  // How long a statement waits for a lock another connection holds.
  int busy_timeout() const { return busy_timeout_ms_; }
  // Where statements that write external files report their progress;
  // nullptr for nowhere.
  WriteProgress* write_progress() const { return write_progress_; }
  void ReportWritesTo(WriteProgress* progress) { write_progress_ = progress; }
  // Attaches the database file `path` under a name of its own, which it
  // returns, for statements that write into it; a file still attached
  // keeps its name.
  std::string AttachFile(const std::string& path);
  // Detaches what AttachFile attached: at once outside a transaction, else
  // when the transaction ends, as SQLite detaches no file a transaction
  // has used. A file SQLite will not let go of keeps its name.
  void DetachFile(const std::string& name) noexcept;
  // The DbError for the connection's last failure (rc), naming `context`.
  DbError Error(int rc, std::string_view context) const;

  // Transactions nest: the outer level is a database transaction that
  // takes the write lock at once, inner levels are savepoints.
  int BeginTransaction();
  void CommitTransaction();
  void RollbackTransaction();
  int transaction_level() const { return transaction_level_; }
  // Throws DbError when the engine ended the open transaction by itself
  // (see EngineEndedTransaction). Every statement passes through here.
  void CheckTransactionIntact() const;

  // The AutoNumber key for a new row of `table`: one past the highest key in
  // use or already handed out, so two pending rows never share a key.
  // `highest_in_table` reads the table's high mark. Inside a transaction it
  // is read once; after that the session counts the rows this connection
  // inserts, since the transaction's write lock keeps other writers out.
  int64_t NextKey(const std::string& table,
                  const std::function<int64_t()>& highest_in_table);

 private:
  // Finalizes the cached statements and closes the database.
  void Close() noexcept;
  static void OnRowChange(void* session, int operation, const char* database,
                          const char* table, sqlite3_int64 rowid);
  // After an engine failure (disk full, I/O error) SQLite may end a
  // transaction by itself. Until the caller has ended every level it opened,
  // the session then runs nothing: in autocommit mode each later write would
  // be permanent, whatever the caller decides at its outer commit.
  bool EngineEndedTransaction() const;
  // Leaves one level of a transaction the engine ended; nothing to undo.
  void LeaveEndedLevel();
  // Back at no transaction: the keys counted in it are forgotten and the
  // files it kept attached detached.
  void EndedOuterTransaction() noexcept;

  std::string path_;
  sqlite3* db_ = nullptr;
  int transaction_level_ = 0;
  int busy_timeout_ms_ = 0;
  WriteProgress* write_progress_ = nullptr;
  std::unordered_map<std::string, std::vector<sqlite3_stmt*>> idle_statements_;
  // Per table: the highest key in use or handed out in this transaction.
  std::unordered_map<std::string, int64_t> highest_key_;
  std::map<std::string, std::string> attached_;  // file by name, while attached
};

// Refuses a file that is not a SQLite database with an error that says
// what it is instead (a Jet/Access file is named as one). `path` must exist.
void CheckDatabaseFile(const std::string& path);

}  // namespace vdimpexp::data

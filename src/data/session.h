// One open SQLite database and what lives as long as it does: the cache of
// prepared statements, the transaction nesting, the AutoNumber keys handed
// out to pending rows. Shared by a Connection and the recordsets it opened.
#pragma once

#include <sqlite3.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/db_error.h"

namespace vdimpexp::data {

class Session;

// A prepared statement borrowed from the session's cache; reset and
// returned when the lease ends.
class StatementLease {
 public:
  StatementLease() = default;
  StatementLease(Session* session, std::string sql, sqlite3_stmt* statement)
      : session_(session), sql_(std::move(sql)), statement_(statement) {}
  StatementLease(StatementLease&& other) noexcept { *this = std::move(other); }
  StatementLease& operator=(StatementLease&& other) noexcept;
  ~StatementLease() { Release(); }

  sqlite3_stmt* get() const { return statement_; }
  explicit operator bool() const { return statement_ != nullptr; }
  void Release();

 private:
  Session* session_ = nullptr;
  std::string sql_;
  sqlite3_stmt* statement_ = nullptr;
};

class Session {
 public:
  // Opens an existing database file for reading and writing.
  explicit Session(const std::string& path);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  sqlite3* db() const { return db_; }
  const std::string& path() const { return path_; }

  // A prepared statement for exactly this text (one statement, no tail).
  StatementLease Prepare(std::string_view sql);
  // Runs a statement that returns no rows.
  void Run(std::string_view sql);
  // The DbError for the connection's last failure (rc), naming `context`.
  DbError Error(int rc, std::string_view context) const;

  int transaction_level = 0;

  // The AutoNumber key for a new row of `table`: one past the highest key in
  // use or already handed out, so two pending rows never share a key.
  int64_t ReserveKey(const std::string& table, int64_t next_free_in_table);

 private:
  friend class StatementLease;
  void Return(const std::string& sql, sqlite3_stmt* statement);

  std::string path_;
  sqlite3* db_ = nullptr;
  std::unordered_map<std::string, std::vector<sqlite3_stmt*>> idle_statements_;
  std::map<std::string, int64_t> last_reserved_key_;
};

// Refuses a file that is not a SQLite database with an error that says
// what it is instead (a Jet/Access file is named as one). `path` must exist.
void CheckDatabaseFile(const std::string& path);

}  // namespace vdimpexp::data

// Small helpers over the SQLite C API shared by the schema builder and the
// demo-data generator: scripts run statement by statement, and a prepared
// statement that binds by position and reports failures with its text.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace vdimpexp::schema::internal {

// Runs every statement of `script` in order. On failure throws
// std::runtime_error with SQLite's message and the failing statement.
void ExecScript(sqlite3* db, std::string_view script);

class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Positions count from 1, as in SQLite. Empty text binds null: the demo
  // data never needs an empty string, and null is what a blank field is.
  Statement& Text(int pos, std::string_view text);
  Statement& Int(int pos, int64_t value);
  Statement& Real(int pos, double value);
  Statement& Null(int pos);

  // Runs a statement that returns no rows, then resets it for the next.
  void Run();
  // Steps once; true while a row is available.
  bool Step();
  int64_t ColumnInt(int col) const;
  std::string ColumnText(int col) const;

 private:
  [[noreturn]] void Fail(int rc) const;

  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  std::string sql_;
};

}  // namespace vdimpexp::schema::internal

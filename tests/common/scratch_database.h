// A throw-away directory with SQLite database files made from DDL text, for
// tests that need a database of their own shape.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "process_runner.h"

namespace vdimpexp::testing {

// The bytes of the file at `path`; empty when there is none.
inline std::string FileContents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::random_device seed;
    path_ = std::filesystem::temp_directory_path() /
            ("vd-test-" + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(path_);
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  std::string Path() const { return path_.string(); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

  // Creates database `name` by running `sql` (several statements allowed)
  // with SQLite itself, so the engine under test plays no part in the setup.
  std::string Database(const std::string& name, const std::string& sql) const {
    std::string path = File(name);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      std::string error = message ? message : "?";
      sqlite3_free(message);
      sqlite3_close(db);
      throw std::runtime_error("test database setup failed: " + error);
    }
    sqlite3_close(db);
    return path;
  }

 private:
  std::filesystem::path path_;
};

using QueryTable = std::vector<std::vector<std::string>>;

// Every row of `sql` run by SQLite directly, each column as text ("<null>"
// for null). A statement SQLite refuses throws.
inline QueryTable QueryRows(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    std::string error = sqlite3_errmsg(db);
    sqlite3_close(db);
    throw std::runtime_error(error + " in " + sql);
  }
  QueryTable rows;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
      const unsigned char* text = sqlite3_column_text(statement, i);
      row.push_back(text ? reinterpret_cast<const char*>(text) : "<null>");
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

// Runs a query with SQLite directly and returns the first column of the
// first row as text ("<null>" for null, "<none>" without rows, "<error>" for
// a statement SQLite refuses).
inline std::string QueryText(const std::string& path, const std::string& sql) {
  try {
    const QueryTable rows = QueryRows(path, sql);
    return rows.empty() ? "<none>" : rows.front().front();
  } catch (const std::runtime_error&) {
    return "<error>";
  }
}

// What the sqlite3 shell prints for `command` (a dot-command or one SQL
// statement) on the database. The shell opens it for writing, so it first
// recovers what a killed writer left in its journal.
inline std::string SqliteShell(const std::string& path, const std::string& command) {
  return RunProcess("sqlite3 " + ShellQuoted(path) + " " + ShellQuoted(command)).text;
}

// The database as the sqlite3 shell dumps it: every table's schema and rows.
inline std::string SqliteDump(const std::string& path) {
  return SqliteShell(path, ".dump");
}

}  // namespace vdimpexp::testing

// Helpers for the schema tests: an owned SQLite handle, one-value queries,
// column descriptions and whole-table dumps.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vdimpexp::schema::testing {

class Db {
 public:
  // An in-memory database, or the file at `path` when one is given.
  explicit Db(const std::string& path = ":memory:");
  ~Db();
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;

  sqlite3* get() const { return db_; }

  // Runs statements; returns SQLite's primary result code.
  int Exec(const std::string& sql) const;
  // Runs statements that must succeed (the test fails otherwise).
  void MustExec(const std::string& sql) const;
  // First column of the first row; nullopt for no row or a null value.
  std::optional<int64_t> Int(const std::string& sql) const;
  std::optional<std::string> Text(const std::string& sql) const;
  // First column of every row, as text ("" for null).
  std::vector<std::string> Column(const std::string& sql) const;
  // Names of the result columns of a query.
  std::vector<std::string> ResultColumns(const std::string& sql) const;
  // Every row of a table or view in rowid order (tables) or natural order
  // (views), each value tagged with its storage class.
  std::string Dump(const std::string& table) const;

 private:
  sqlite3* db_ = nullptr;
};

struct ColumnDesc {
  std::string name;
  std::string type;
  bool not_null = false;
  std::string default_value;  // as written in the DDL, "" when none
  int pk = 0;
};
std::vector<ColumnDesc> TableInfo(const Db& db, const std::string& table);
std::optional<ColumnDesc> FindColumn(const std::vector<ColumnDesc>& columns,
                                     const std::string& name);
// The n of a declared "TEXT(n)"; nullopt for any other type.
std::optional<int> TextSize(const std::string& declared_type);

// The names of every table and view, in sqlite_master order.
std::vector<std::string> TableNames(const Db& db);

// A fresh, empty directory for one test.
std::filesystem::path FreshTempDir(const std::string& name);

}  // namespace vdimpexp::schema::testing

#include "schema_test_util.h"

#include <gtest/gtest.h>

#include <regex>

namespace vdimpexp::schema::testing {

namespace {

struct Query {
  Query(sqlite3* db, const std::string& sql) {
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    EXPECT_EQ(rc, SQLITE_OK) << sqlite3_errmsg(db) << " in: " << sql;
  }
  ~Query() { sqlite3_finalize(stmt); }
  bool Step() { return stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW; }
  std::string TextAt(int col) {
    const auto* text = sqlite3_column_text(stmt, col);
    return text == nullptr
               ? std::string()
               : std::string(reinterpret_cast<const char*>(text),
                             static_cast<size_t>(sqlite3_column_bytes(stmt, col)));
  }
  sqlite3_stmt* stmt = nullptr;
};

}  // namespace

Db::Db(const std::string& path) {
  const int rc = sqlite3_open(path.c_str(), &db_);
  EXPECT_EQ(rc, SQLITE_OK) << path;
}

Db::~Db() { sqlite3_close(db_); }

int Db::Exec(const std::string& sql) const {
  return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
}

void Db::MustExec(const std::string& sql) const {
  char* message = nullptr;
  const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
  EXPECT_EQ(rc, SQLITE_OK) << (message != nullptr ? message : "") << " in: " << sql;
  sqlite3_free(message);
}

std::optional<int64_t> Db::Int(const std::string& sql) const {
  Query query(db_, sql);
  if (!query.Step() || sqlite3_column_type(query.stmt, 0) == SQLITE_NULL)
    return std::nullopt;
  return sqlite3_column_int64(query.stmt, 0);
}

std::optional<std::string> Db::Text(const std::string& sql) const {
  Query query(db_, sql);
  if (!query.Step() || sqlite3_column_type(query.stmt, 0) == SQLITE_NULL)
    return std::nullopt;
  return query.TextAt(0);
}

std::vector<std::string> Db::Column(const std::string& sql) const {
  std::vector<std::string> values;
  Query query(db_, sql);
  while (query.Step()) values.push_back(query.TextAt(0));
  return values;
}

std::vector<std::string> Db::ResultColumns(const std::string& sql) const {
  std::vector<std::string> names;
  Query query(db_, sql);
  if (query.stmt == nullptr) return names;
  for (int i = 0; i < sqlite3_column_count(query.stmt); ++i) {
    names.emplace_back(sqlite3_column_name(query.stmt, i));
  }
  return names;
}

std::string Db::Dump(const std::string& table) const {
  std::string out;
  Query query(db_, "SELECT * FROM \"" + table + "\"");
  while (query.Step()) {
    for (int i = 0; i < sqlite3_column_count(query.stmt); ++i) {
      switch (sqlite3_column_type(query.stmt, i)) {
        case SQLITE_NULL:
          out += "N";
          break;
        case SQLITE_INTEGER:
          out += "I" + std::to_string(sqlite3_column_int64(query.stmt, i));
          break;
        case SQLITE_FLOAT: {
          char text[40];
          std::snprintf(text, sizeof text, "F%.17g",
                        sqlite3_column_double(query.stmt, i));
          out += text;
          break;
        }
        default:
          out += "T" + query.TextAt(i);
          break;
      }
      out += '\x1f';
    }
    out += '\n';
  }
  return out;
}

std::vector<ColumnDesc> TableInfo(const Db& db, const std::string& table) {
  std::vector<ColumnDesc> columns;
  Query query(db.get(), "PRAGMA table_info(\"" + table + "\")");
  while (query.Step()) {
    ColumnDesc column;
    column.name = query.TextAt(1);
    column.type = query.TextAt(2);
    column.not_null = sqlite3_column_int(query.stmt, 3) != 0;
    column.default_value = query.TextAt(4);
    column.pk = sqlite3_column_int(query.stmt, 5);
    columns.push_back(column);
  }
  return columns;
}

std::optional<ColumnDesc> FindColumn(const std::vector<ColumnDesc>& columns,
                                     const std::string& name) {
  for (const auto& column : columns) {
    if (column.name == name) return column;
  }
  return std::nullopt;
}

std::optional<int> TextSize(const std::string& declared_type) {
  static const std::regex kSized(R"(TEXT\((\d+)\))", std::regex::icase);
  std::smatch match;
  if (!std::regex_match(declared_type, match, kSized)) return std::nullopt;
  return std::stoi(match[1].str());
}

std::vector<std::string> TableNames(const Db& db) {
  return db.Column(
      "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') "
      "AND name NOT LIKE 'sqlite_%' ORDER BY rowid");
}

std::filesystem::path FreshTempDir(const std::string& name) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) /
                              ("vd_schema_" + std::string(info->test_suite_name()) + "_" +
                               info->name() + "_" + name);
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace vdimpexp::schema::testing

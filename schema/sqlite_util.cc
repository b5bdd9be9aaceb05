#include "schema/sqlite_util.h"

#include <stdexcept>

namespace vdimpexp::schema::internal {

namespace {

std::string Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace

void ExecScript(sqlite3* db, std::string_view script) {
  const char* next = script.data();
  const char* const end = script.data() + script.size();
  while (next < end) {
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db, next, static_cast<int>(end - next), &stmt, &tail);
    const std::string statement = Trimmed(std::string_view(next, tail - next));
    if (rc == SQLITE_OK && stmt != nullptr) {
      while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      }
      if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_OK) {
      throw std::runtime_error(std::string(sqlite3_errmsg(db)) + " in: " + statement);
    }
    if (tail == next) break;  // only blanks and comments were left
    next = tail;
  }
}

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db), sql_(sql) {
  const int rc = sqlite3_prepare_v2(db_, sql_.data(), static_cast<int>(sql_.size()),
                                    &stmt_, nullptr);
  if (rc != SQLITE_OK) Fail(rc);
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::Text(int pos, std::string_view text) {
  if (text.empty()) return Null(pos);
  const int rc = sqlite3_bind_text(stmt_, pos, text.data(), static_cast<int>(text.size()),
                                   SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) Fail(rc);
  return *this;
}

Statement& Statement::Int(int pos, int64_t value) {
  const int rc = sqlite3_bind_int64(stmt_, pos, value);
  if (rc != SQLITE_OK) Fail(rc);
  return *this;
}

Statement& Statement::Real(int pos, double value) {
  const int rc = sqlite3_bind_double(stmt_, pos, value);
  if (rc != SQLITE_OK) Fail(rc);
  return *this;
}

Statement& Statement::Null(int pos) {
  const int rc = sqlite3_bind_null(stmt_, pos);
  if (rc != SQLITE_OK) Fail(rc);
  return *this;
}

void Statement::Run() {
  const int rc = sqlite3_step(stmt_);
  if (rc != SQLITE_DONE) Fail(rc);
  sqlite3_reset(stmt_);
}

bool Statement::Step() {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc != SQLITE_DONE) Fail(rc);
  sqlite3_reset(stmt_);
  return false;
}

int64_t Statement::ColumnInt(int col) const { return sqlite3_column_int64(stmt_, col); }

std::string Statement::ColumnText(int col) const {
  const auto* text = sqlite3_column_text(stmt_, col);
  if (text == nullptr) return {};
  return std::string(reinterpret_cast<const char*>(text),
                     static_cast<size_t>(sqlite3_column_bytes(stmt_, col)));
}

void Statement::Fail(int rc) const {
  // Read the message before the reset, which leaves the statement usable
  // again for a caller that catches and goes on.
  std::string message = sqlite3_errmsg(db_);
  if (message == "not an error") message = sqlite3_errstr(rc);
  if (stmt_ != nullptr) sqlite3_reset(stmt_);
  throw std::runtime_error(message + " in: " + Trimmed(sql_));
}

}  // namespace vdimpexp::schema::internal

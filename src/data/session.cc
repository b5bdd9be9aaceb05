#include "data/session.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "data/value_shape.h"

namespace vdimpexp::data {
namespace {

// The page cache is large enough to hold the unique indexes of the host's
// big tables during long imports; past SQLite's default 2 MiB, inserting
// keys that arrive in random order slows down many times over.
constexpr int kPageCacheKiB = 64 * 1024;
constexpr size_t kMaxCachedTexts = 256;

bool IsDuplicateKey(int extended_rc) {
  return extended_rc == SQLITE_CONSTRAINT_UNIQUE ||
         extended_rc == SQLITE_CONSTRAINT_PRIMARYKEY;
}

}  // namespace

StatementLease& StatementLease::operator=(StatementLease&& other) noexcept {
  if (this != &other) {
    Release();
    home_ = other.home_;
    statement_ = other.statement_;
    other.statement_ = nullptr;
  }
  return *this;
}

void StatementLease::Release() {
  if (!statement_) return;
  sqlite3_reset(statement_);
  sqlite3_clear_bindings(statement_);
  if (home_) {
    home_->push_back(statement_);
  } else {
    sqlite3_finalize(statement_);
  }
  statement_ = nullptr;
}

void CheckDatabaseFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    throw DbError(error_number::kEngineFailure, "Could not find file '" + path + "'.");
  }
  std::array<char, 32> header{};
  std::ifstream file(path, std::ios::binary);
  file.read(header.data(), header.size());
  std::streamsize read = file.gcount();
  if (read == 0) return;  // an empty file is an empty database
  if (read >= 16 && std::memcmp(header.data(), "SQLite format 3\0", 16) == 0) return;
  if (read >= 19 && (std::memcmp(header.data() + 4, "Standard Jet DB", 15) == 0 ||
                     std::memcmp(header.data() + 4, "Standard ACE DB", 15) == 0)) {
    throw DbError(error_number::kEngineFailure,
                  "'" + path +
                      "' is a Microsoft Jet (Access) database file; this system keeps "
                      "its databases as SQLite files. Convert the file first.");
  }
  throw DbError(error_number::kEngineFailure,
                "'" + path + "' is not a database file (it has no SQLite header).");
}

Session::Session(const std::string& path, int busy_timeout_ms)
    : path_(path), busy_timeout_ms_(busy_timeout_ms) {
  CheckDatabaseFile(path);
  // A connection serves one thread at a time, so SQLite's own locking of
  // every call is not needed.
  int rc = sqlite3_open_v2(path.c_str(), &db_,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    throw DbError(error_number::kEngineFailure,
                  "Cannot open database '" + path + "': " + message);
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_update_hook(db_, &Session::OnRowChange, this);
  sqlite3_busy_timeout(db_, busy_timeout_ms_);
  try {
    RegisterMeasureFunction(db_);
    Run("PRAGMA cache_size = -" + std::to_string(kPageCacheKiB));
  } catch (...) {
    // No destructor runs for a session that was never made.
    Close();
    throw;
  }
}

Session::~Session() { Close(); }

void Session::Close() noexcept {
  for (auto& [sql, statements] : idle_statements_) {
    for (sqlite3_stmt* statement : statements) sqlite3_finalize(statement);
  }
  idle_statements_.clear();
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

void Session::CheckTransactionIntact() const {
  if (EngineEndedTransaction()) {
    throw DbError(error_number::kEngineFailure,
                  "The database engine rolled the transaction back after an earlier "
                  "failure; nothing more is written until the transaction is ended.");
  }
}

StatementLease Session::Prepare(std::string_view sql) {
  CheckTransactionIntact();
  std::string key(sql);
  auto idle = idle_statements_.find(key);
  if (idle != idle_statements_.end() && !idle->second.empty()) {
    sqlite3_stmt* statement = idle->second.back();
    idle->second.pop_back();
    return StatementLease(&idle->second, statement);
  }
  sqlite3_stmt* statement = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v3(db_, key.data(), static_cast<int>(key.size()),
                              SQLITE_PREPARE_PERSISTENT, &statement, &tail);
  if (rc != SQLITE_OK) throw Error(rc, key);
  if (!statement) throw DbError(error_number::kEngineFailure, "Empty SQL statement.");
  if (tail &&
      std::string_view(tail).find_first_not_of(" \t\r\n") != std::string_view::npos) {
    sqlite3_finalize(statement);
    throw DbError(error_number::kEngineFailure,
                  "Characters found after end of SQL statement.");
  }
  // Statements built from user input (every filter choice gives another
  // text) would grow the cache without end: texts beyond the limit are
  // prepared for one use only.
  if (idle == idle_statements_.end() && idle_statements_.size() < kMaxCachedTexts) {
    idle = idle_statements_.emplace(std::move(key), std::vector<sqlite3_stmt*>()).first;
  }
  return StatementLease(idle == idle_statements_.end() ? nullptr : &idle->second,
                        statement);
}

void Session::Run(std::string_view sql) {
  StatementLease lease = Prepare(sql);
  int rc = sqlite3_step(lease.get());
  while (rc == SQLITE_ROW) rc = sqlite3_step(lease.get());
  if (rc != SQLITE_DONE) throw Error(rc, sql);
}

bool Session::StepRow(const StatementLease& statement, std::string_view context) const {
  const int rc = sqlite3_step(statement.get());
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  throw Error(rc, context);
}

DbError Session::Error(int rc, std::string_view context) const {
  int extended = sqlite3_extended_errcode(db_);
  std::string message = sqlite3_errmsg(db_);
  if (message == "not an error") message = sqlite3_errstr(rc);
  std::string where =
      context.empty() ? "" : " [" + std::string(context.substr(0, 300)) + "]";
  if (IsDuplicateKey(extended)) {
    return DbError(error_number::kDuplicateKey,
                   "The changes you requested to the table were not successful because "
                   "they would create duplicate values in the index, primary key, or "
                   "relationship (" +
                       message + ")." + where);
  }
  return DbError(error_number::kEngineFailure, message + where,
                 (rc & 0xff) == SQLITE_BUSY);
}

std::string SavepointName(int level) { return "vd_level_" + std::to_string(level); }

int Session::BeginTransaction() {
  // IMMEDIATE: the write lock is taken now, not at the first write, so no
  // other connection can slip rows in while this one counts its keys.
  Run(transaction_level_ == 0 ? "BEGIN IMMEDIATE"
                              : "SAVEPOINT " + SavepointName(transaction_level_));
  if (transaction_level_ == 0) highest_key_.clear();
  return ++transaction_level_;
}

bool Session::EngineEndedTransaction() const {
  return transaction_level_ > 0 && sqlite3_get_autocommit(db_);
}

void Session::LeaveEndedLevel() {
  if (--transaction_level_ == 0) EndedOuterTransaction();
}

void Session::CommitTransaction() {
  if (transaction_level_ == 0) {
    throw DbError(error_number::kInvalidOperation,
                  "CommitTrans: no transaction is active.");
  }
  if (EngineEndedTransaction()) {
    LeaveEndedLevel();
    throw DbError(error_number::kEngineFailure,
                  "CommitTrans: the database engine already rolled the transaction back "
                  "after an earlier failure; nothing was committed.");
  }
  int level = transaction_level_ - 1;
  Run(level == 0 ? "COMMIT" : "RELEASE " + SavepointName(level));
  transaction_level_ = level;
  if (level == 0) EndedOuterTransaction();
}

void Session::RollbackTransaction() {
  if (transaction_level_ == 0) {
    throw DbError(error_number::kInvalidOperation,
                  "RollbackTrans: no transaction is active.");
  }
  if (EngineEndedTransaction()) {
    LeaveEndedLevel();
    return;
  }
  int level = transaction_level_ - 1;
  if (level > 0) {
    // Keys handed out inside the savepoint stay used: a gap, never a reuse.
    Run("ROLLBACK TO " + SavepointName(level));
    Run("RELEASE " + SavepointName(level));
    transaction_level_ = level;
    return;
  }
  Run("ROLLBACK");
  transaction_level_ = 0;
  EndedOuterTransaction();
}

void Session::EndedOuterTransaction() noexcept {
  highest_key_.clear();
  std::vector<std::string> names;
  for (const auto& [name, file] : attached_) names.push_back(name);
  for (const std::string& name : names) DetachFile(name);
}

std::string Session::AttachFile(const std::string& path) {
  CheckDatabaseFile(path);
  // Attached twice, a file would lock itself out of the transaction that
  // keeps its first attachment.
  for (const auto& [name, file] : attached_) {
    std::error_code unknown;
    if (std::filesystem::equivalent(path, file, unknown)) return name;
  }
  int free = 0;
  while (attached_.contains("vd_file_" + std::to_string(free))) ++free;
  std::string name = "vd_file_" + std::to_string(free);
  StatementLease attach = Prepare("ATTACH DATABASE ? AS " + name);
  sqlite3_bind_text(attach.get(), 1, path.c_str(), -1, SQLITE_TRANSIENT);
  StepRow(attach, "attaching '" + path + "'");
  attached_.emplace(name, path);
  return name;
}

void Session::DetachFile(const std::string& name) noexcept {
  const std::string sql = "DETACH DATABASE " + name;
  // Not through Run: a detach may not throw, and it is no statement of
  // the caller's transaction.
  sqlite3_stmt* detach = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &detach, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_step(detach);
  sqlite3_finalize(detach);
  // Refused inside a transaction, it is tried again when that ends; its
  // name stays taken while it is attached.
  if (rc == SQLITE_DONE) attached_.erase(name);
}

int64_t Session::NextKey(const std::string& table,
                         const std::function<int64_t()>& highest_in_table) {
  auto known = highest_key_.find(table);
  // Outside a transaction any other connection may have written since: the
  // table's own mark is read every time.
  if (known == highest_key_.end() || transaction_level_ == 0) {
    int64_t highest = highest_in_table();
    known = highest_key_.try_emplace(table, highest).first;
    known->second = std::max(known->second, highest);
  }
  return ++known->second;
}

void Session::OnRowChange(void* session, int operation, const char* database,
                          const char* table, sqlite3_int64 rowid) {
  auto& self = *static_cast<Session*>(session);
  if (operation != SQLITE_INSERT || std::strcmp(database, "main") != 0) return;
  auto known = self.highest_key_.find(table);
  if (known != self.highest_key_.end() && rowid > known->second) known->second = rowid;
}

}  // namespace vdimpexp::data

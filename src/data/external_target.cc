#include "data/external_target.h"

#include <cctype>
#include <mutex>

#include "data/db_error.h"

namespace vdimpexp::data {
namespace {

std::string Key(std::string_view connect_type) {
  std::string key(connect_type);
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

struct Registry {
  std::mutex mutex;
  std::map<std::string, TableWriterFactory> factories;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterTableWriter(std::string_view connect_type, TableWriterFactory factory) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  registry.factories[Key(connect_type)] = std::move(factory);
}

std::unique_ptr<TableWriter> CreateTableWriter(std::string_view connect_type) {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  auto found = registry.factories.find(Key(connect_type));
  return found == registry.factories.end() ? nullptr : found->second();
}

std::vector<std::string> RegisteredConnectTypes() {
  Registry& registry = TheRegistry();
  std::lock_guard lock(registry.mutex);
  std::vector<std::string> types;
  for (const auto& [type, factory] : registry.factories) types.push_back(type);
  return types;
}

namespace {

// Tells the progress of the rows written from start to end, ended also
// when writing fails.
class ReportedWriting {
 public:
  explicit ReportedWriting(const RowsReport& report) : progress_(report.progress) {
    if (progress_) progress_->Started(report.rows_to_come);
  }
  ~ReportedWriting() {
    if (progress_) progress_->Ended();
  }
  ReportedWriting(const ReportedWriting&) = delete;
  ReportedWriting& operator=(const ReportedWriting&) = delete;

  void Written(int64_t rows) const {
    // Often enough for a bar to move smoothly, seldom enough to cost nothing.
    constexpr int64_t kRowsBetweenReports = 256;
    if (progress_ && rows % kRowsBetweenReports == 0) progress_->Written(rows);
  }

 private:
  WriteProgress* progress_;
};

}  // namespace

int64_t WriteAllRows(TableWriter& writer, const ExternalTarget& target,
                     std::span<const ColumnInfo> columns, const RowSource& next_row,
                     RowsReport report) {
  std::vector<Value> row(columns.size());
  int64_t rows = 0;
  const ReportedWriting reported(report);
  try {
    writer.Open(target, columns);
    while (next_row(row)) {
      writer.WriteRow(row);
      reported.Written(++rows);
    }
    writer.Finish();
  } catch (const DbError&) {
    writer.Abandon();
    throw;
  } catch (const std::exception& failure) {
    writer.Abandon();
    throw DbError(error_number::kEngineFailure,
                  "Writing " + target.connect_type + " table '" + target.table +
                      "' in '" + target.database + "' failed: " + failure.what());
  }
  return rows;
}

}  // namespace vdimpexp::data

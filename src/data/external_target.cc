#include "data/external_target.h"

#include "data/db_error.h"

#include <cctype>
#include <mutex>

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

int64_t WriteAllRows(TableWriter& writer, const ExternalTarget& target,
                     std::span<const ColumnInfo> columns, const RowSource& next_row) {
  std::vector<Value> row(columns.size());
  int64_t rows = 0;
  try {
    writer.Open(target, columns);
    while (next_row(row)) {
      writer.WriteRow(row);
      ++rows;
    }
    writer.Finish();
  } catch (const DbError&) {
    writer.Abandon();
    throw;
  } catch (const std::exception& failure) {
    writer.Abandon();
    throw DbError(error_number::kEngineFailure,
                  "Writing " + target.connect_type + " table '" + target.table + "' in '" +
                      target.database + "' failed: " + failure.what());
  }
  return rows;
}

}  // namespace vdimpexp::data

#include "data/external_target.h"

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

}  // namespace vdimpexp::data

// vdhost: the small host program over the reference shop database.
//
//   vdhost --db FILE [--demo-contacts N]   create FILE with demo data when it
//                                          does not exist, then summarise it
//   vdhost --db FILE --sql TEXT            run one Jet statement, rows as CSV

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "app/host_console.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "schema/reference_database.h"

namespace {

struct Options {
  std::string database;
  std::optional<std::string> statement;
  int demo_contacts = 500;
};

constexpr const char* kUsage =
    "usage: vdhost --db FILE [--demo-contacts N]\n"
    "       vdhost --db FILE --sql STATEMENT\n";

std::optional<Options> ParseArguments(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    bool has_value = i + 1 < argc;
    if (argument == "--db" && has_value) {
      options.database = argv[++i];
    } else if (argument == "--sql" && has_value) {
      options.statement = argv[++i];
    } else if (argument == "--demo-contacts" && has_value) {
      options.demo_contacts = std::stoi(argv[++i]);
      if (options.demo_contacts < 0) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  if (options.database.empty()) return std::nullopt;
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<Options> options;
  try {
    options = ParseArguments(argc, argv);
  } catch (const std::exception&) {
    options.reset();
  }
  if (!options) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    if (!std::filesystem::exists(options->database)) {
      vdimpexp::schema::DemoDataOptions demo;
      demo.contacts = options->demo_contacts;
      vdimpexp::schema::CreateReferenceDatabase(options->database, demo);
      std::cerr << "Created the reference database " << options->database << " with "
                << demo.contacts << " demo contacts.\n";
    }
    vdimpexp::data::Connection connection(options->database);
    if (options->statement) {
      vdimpexp::host::RunStatement(connection, *options->statement, std::cout);
    } else {
      vdimpexp::host::PrintSummary(connection, std::cout);
    }
    return 0;
  } catch (const vdimpexp::data::DbError& error) {
    std::cerr << "Error " << error.number() << ": " << error.description() << "\n";
  } catch (const std::exception& error) {
    std::cerr << "Error: " << error.what() << "\n";
  }
  return 1;
}

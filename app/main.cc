// vdhost: the small host program over the reference shop database.
//
//   vdhost --db FILE [--demo-contacts N]   create FILE with demo data when it
//                                          does not exist (and zipcodes.mdb
//                                          beside it), then open the window
//                                          that calls the wizards
//   vdhost --db FILE --summary             print what the database holds
//   vdhost --db FILE --sql TEXT            run one Jet statement, rows as CSV
//   vdhost --db FILE --screenshots DIR     render every wizard page to DIR
//   vdhost --db FILE --create-empty        create FILE as an empty database
//                                          (no tables) when it does not exist:
//                                          a target for exports into a database
//   vdhost --help | --version

#include <sqlite3.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/host_console.h"
#include "app/host_window.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "entry/import_export_wizard.h"
#include "entry/page_gallery.h"
#include "schema/reference_database.h"

namespace {

constexpr int kDemoZipCodes = 250;

enum class Job { kWindow, kSummary, kStatement, kScreenshots, kCreateEmpty };

struct Options {
  std::string database;
  Job job = Job::kWindow;
  std::string argument;  // the statement or the screenshot directory
  int demo_contacts = 500;
};

constexpr const char* kUsage =
    "usage: vdhost --db FILE [--demo-contacts N]\n"
    "       vdhost --db FILE --summary\n"
    "       vdhost --db FILE --sql STATEMENT\n"
    "       vdhost --db FILE --screenshots DIRECTORY\n"
    "       vdhost --db FILE --create-empty\n";

// What a command line asks for that vdhost cannot do.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

Options ParseArguments(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    bool has_value = i + 1 < argc;
    if (argument == "--db" && has_value) {
      options.database = argv[++i];
    } else if (argument == "--sql" && has_value) {
      options.job = Job::kStatement;
      options.argument = argv[++i];
    } else if (argument == "--screenshots" && has_value) {
      options.job = Job::kScreenshots;
      options.argument = argv[++i];
    } else if (argument == "--summary") {
      options.job = Job::kSummary;
    } else if (argument == "--create-empty") {
      options.job = Job::kCreateEmpty;
    } else if (argument == "--demo-contacts" && has_value) {
      const std::string count = argv[++i];
      if (count.empty() || count.find_first_not_of("0123456789") != std::string::npos) {
        throw UsageError("--demo-contacts takes a count, not '" + count + "'");
      }
      options.demo_contacts = std::stoi(count);
    } else {
      throw UsageError("unknown or incomplete option '" + argument + "'");
    }
  }
  if (options.database.empty()) throw UsageError("--db FILE is required");
  return options;
}

// A new demo database comes with a zip-code database beside it, for the
// import wizard's zip-code source.
void CreateDemoDatabaseIfMissing(const Options& options) {
  if (std::filesystem::exists(options.database)) return;
  vdimpexp::schema::DemoDataOptions demo;
  demo.contacts = options.demo_contacts;
  vdimpexp::schema::CreateReferenceDatabase(options.database, demo);
  std::cerr << "Created the reference database " << options.database << " with "
            << demo.contacts << " demo contacts.\n";
  std::filesystem::path zip_codes =
      std::filesystem::path(options.database).replace_filename("zipcodes.mdb");
  if (std::filesystem::exists(zip_codes)) return;
  vdimpexp::schema::CreateZipCodeSourceDatabase(zip_codes.string(), kDemoZipCodes, 1);
  std::cerr << "Created the zip-code source " << zip_codes.string() << " with "
            << kDemoZipCodes << " post codes.\n";
}

// Exports into a database write into one of our own engine; the user names
// it with the suffix an Access database has.
int CreateEmptyDatabaseIfMissing(const std::string& path) {
  if (std::filesystem::exists(path)) {
    std::cerr << path << " exists already; it was left as it is.\n";
    return 0;
  }
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                           nullptr);
  // SQLite writes a database's first page with its first change.
  if (rc == SQLITE_OK)
    rc = sqlite3_exec(db, "PRAGMA user_version = 1", nullptr, nullptr, nullptr);
  const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("cannot create " + path + ": " + message);
  std::cerr << "Created the empty database " << path << ".\n";
  return 0;
}

// Whether Qt can show a window: a display server named, or a platform the
// user chose that needs none (offscreen, vnc, linuxfb, ...).
bool HasDisplay() {
  auto value = [](const char* variable) {
    const char* set = std::getenv(variable);
    return std::string_view(set != nullptr ? set : "");
  };
  if (!value("DISPLAY").empty() || !value("WAYLAND_DISPLAY").empty()) return true;
  const std::string_view platform = value("QT_QPA_PLATFORM");
  return !platform.empty() && !platform.starts_with("xcb") &&
         !platform.starts_with("wayland");
}

int RunJob(const Options& options, int argc, char** argv) {
  if (options.job == Job::kCreateEmpty)
    return CreateEmptyDatabaseIfMissing(options.database);
  // Qt aborts the program where it finds no display; the user should learn
  // what works without one instead, before a demo database is made for
  // nothing.
  if (options.job == Job::kWindow && !HasDisplay()) {
    throw std::runtime_error(
        "there is no display to open the window on (neither DISPLAY nor "
        "WAYLAND_DISPLAY is set); --summary, --sql, --screenshots and --create-empty "
        "work without one");
  }
  CreateDemoDatabaseIfMissing(options);
  vdimpexp::data::Connection connection(options.database);
  switch (options.job) {
    case Job::kSummary:
      vdimpexp::host::PrintSummary(connection, std::cout);
      return 0;
    case Job::kStatement:
      vdimpexp::host::RunStatement(connection, options.argument, std::cout);
      return 0;
    case Job::kScreenshots: {
      // Rendering needs no display.
      setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/1);
      QApplication application(argc, argv);
      for (const auto& file : vdimpexp::RenderWizardPages(connection, options.argument)) {
        std::cout << file.string() << "\n";
      }
      return 0;
    }
    case Job::kCreateEmpty:
      break;
    case Job::kWindow: {
      QApplication application(argc, argv);
      vdimpexp::host::HostWindow window(connection);
      window.show();
      return application.exec();
    }
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      std::cout << kUsage;
      return 0;
    }
    if (argument == "--version") {
      std::cout << vdimpexp::ComponentVersion() << "\n";
      return 0;
    }
  }
  Options options;
  try {
    options = ParseArguments(argc, argv);
  } catch (const std::exception& error) {
    std::cerr << "vdhost: " << error.what()
              << "\nTry 'vdhost --help' for more information.\n";
    return 2;
  }
  try {
    return RunJob(options, argc, argv);
  } catch (const vdimpexp::data::DbError& error) {
    std::cerr << "Error " << error.number() << ": " << error.description() << "\n";
  } catch (const std::exception& error) {
    std::cerr << "Error: " << error.what() << "\n";
  }
  return 1;
}

// Exports N contacts to text, HTML, dBASE and XML through the engine, and
// runs `sqlite3 -csv` and `sqlite3 -html` on the same query in the same run.
// Each export runs in a child process of its own, so its peak memory is its
// own. Prints rows/s, peak memory and the ratios to the sqlite3 shell. The
// engine's page cache (64 MiB) fills while a large table is read, so peaks
// grow up to that much with N; the writers themselves hold one row.
//
//   export_bench [N ...]      (default: 10000 100000)

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "data/connection.h"
#include "data/recordset.h"
#include "formats/file_formats.h"
#include "schema/reference_database.h"

namespace {

namespace fs = std::filesystem;
using vdimpexp::data::Connection;

// Names of at most 10 characters, so that dBASE takes them as they are.
constexpr const char* kColumns =
    "[FileAs],[FirstName],[LastName],[Company],[Address],[City],[State],[ZipCode],"
    "[CustomerSince] AS [Since],[CreditLimit] AS [Credit]";
constexpr const char* kSource = " Contacts WHERE 1=1 ";

struct Measurement {
  double seconds = 0;
  double peak_mib = 0;
};

void Check(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE) {
    std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
    std::exit(1);
  }
}

std::string MakeHostDatabase(const fs::path& dir, int rows) {
  std::string path = (dir / "host.db").string();
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  vdimpexp::schema::CreateReferenceSchema(db);
  Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
  sqlite3_stmt* insert = nullptr;
  Check(sqlite3_prepare_v2(db,
                           "INSERT INTO Contacts (FileAs, FirstName, LastName, Company, "
                           "Address, City, State, ZipCode, CustomerSince, CreditLimit) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                           -1, &insert, nullptr),
        db, "prepare");
  char text[96];
  for (int row = 0; row < rows; ++row) {
    auto bind = [&](int column, const char* format, auto... values) {
      std::snprintf(text, sizeof text, format, values...);
      sqlite3_bind_text(insert, column, text, -1, SQLITE_TRANSIENT);
    };
    bind(1, "Müller, Anna \"%d\"", row);
    bind(2, "Anna %d", row % 997);
    bind(3, "Müller-Lüdenscheidt %d", row);
    bind(4, "Shop & Service <%d>", row % 101);
    bind(5, "%d Main Street", row % 9999);
    bind(6, "Springfield");
    bind(7, "IL");
    bind(8, "%05d", row % 100000);
    bind(9, "20%02d-%02d-%02d", row % 25, row % 12 + 1, row % 28 + 1);
    sqlite3_bind_double(insert, 10, (row % 5000) + 0.25);
    Check(sqlite3_step(insert), db, "insert");
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
  sqlite3_close(db);
  return path;
}

// Runs `work` in a child process; its wall time and peak resident memory.
Measurement InChild(const std::function<void()>& work) {
  std::fflush(stdout);  // or the child would print the parent's pending lines again
  auto start = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child == 0) {
    try {
      work();
    } catch (const std::exception& failure) {
      std::fprintf(stderr, "failed: %s\n", failure.what());
      _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::exit(1);
  std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  return {elapsed.count(), usage.ru_maxrss / 1024.0};
}

Measurement Export(const std::string& host, const std::string& connect, const fs::path& file) {
  fs::remove(file);
  return InChild([&] {
    vdimpexp::formats::RegisterFileFormats();
    Connection connection(host);
    connection.Execute(std::string("SELECT ") + kColumns + " INTO [" + connect +
                       ";Database=" + file.parent_path().string() + "].[" +
                       file.filename().string() + "] FROM" + kSource);
  });
}

Measurement SaveXml(const std::string& host, const fs::path& file) {
  fs::remove(file);
  return InChild([&] {
    vdimpexp::formats::RegisterFileFormats();
    Connection connection(host);
    vdimpexp::data::Recordset rows;
    rows.Open(std::string("SELECT ") + kColumns + " FROM" + kSource, connection,
              vdimpexp::data::CursorType::kKeyset, vdimpexp::data::LockType::kUnspecified,
              vdimpexp::data::CommandType::kText);
    rows.Save(file.string(), vdimpexp::data::PersistFormat::kXml);
  });
}

Measurement SqliteShell(const std::string& host, const char* mode, const fs::path& file) {
  return InChild([&] {
    std::string sql = std::string("SELECT ") + kColumns + " FROM" + kSource;
    if (std::freopen(file.c_str(), "w", stdout) == nullptr) _exit(1);
    execlp("sqlite3", "sqlite3", mode, "-header", host.c_str(), sql.c_str(),
           static_cast<char*>(nullptr));
    _exit(127);
  });
}

void Report(const char* name, int rows, const Measurement& m, const Measurement* baseline) {
  std::printf("%-16s %9d rows %8.3f s %10.0f rows/s %8.1f MiB peak", name, rows, m.seconds,
              rows / m.seconds, m.peak_mib);
  if (baseline) std::printf("   %.2fx sqlite3", baseline->seconds / m.seconds);
  std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000};

  fs::path dir = fs::temp_directory_path() / ("vd_export_bench_" + std::to_string(getpid()));
  fs::create_directories(dir);
  for (int rows : sizes) {
    std::string host = MakeHostDatabase(dir, rows);
    Measurement csv_shell = SqliteShell(host, "-csv", dir / "shell.csv");
    Measurement html_shell = SqliteShell(host, "-html", dir / "shell.htm");
    Report("sqlite3 -csv", rows, csv_shell, nullptr);
    Report("sqlite3 -html", rows, html_shell, nullptr);
    Report("text", rows, Export(host, "TEXT", dir / "out.csv"), &csv_shell);
    Report("html", rows, Export(host, "HTML Export", dir / "out.htm"), &html_shell);
    Report("dBASE IV", rows, Export(host, "dBASE IV", dir / "out.dbf"), nullptr);
    Report("xml rowset", rows, SaveXml(host, dir / "out.xml"), nullptr);
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  fs::remove_all(dir);
  return 0;
}

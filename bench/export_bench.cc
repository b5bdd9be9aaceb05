// Exports N contacts to text, HTML, dBASE, XML, Excel 97 and 2007, ODS, Lotus and Paradox
// through the engine, and runs `sqlite3 -csv` and `sqlite3 -html` on the
// same query in the same run. Each export runs in a child process of its
// own, so its peak memory is its own. Prints rows/s, peak memory and the
// ratios to the sqlite3 shell, and the text export once more with its
// columns measured first, for what the measuring pass of the fixed-width
// writers (dBASE, Paradox, XML) costs. The engine's page cache (64 MiB) fills while
// a large table is read, so peaks grow up to that much with N; the writers
// themselves hold one row (Excel 97 also its shared strings).
//
// A Lotus WK1 file holds one worksheet of 8,192 rows, so that export takes
// the first 8,191 contacts; WK4 continues on further sheets and takes all.
//
// With --xls-anchor, a BIFF8 writer of another project (a Perl script taking
// DB TABLE OUT.xls) exports the same columns in the same run, for the ratio.
//
//   export_bench [--only TOOL,...] [--xls-anchor SCRIPT] [N ...]   (default N: 100000
//   1000000)

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "data/connection.h"
#include "data/external_target.h"
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
constexpr int kWk1Records = 8191;

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

// "[connect;Database=folder].[file]": the file is a table in its folder.
std::string FolderTarget(const std::string& connect, const fs::path& file) {
  return "[" + connect + ";Database=" + file.parent_path().string() + "].[" +
         file.filename().string() + "]";
}

// "[connect;Database=file].[file name]": the file is a workbook.
std::string WorkbookTarget(const std::string& connect, const fs::path& file) {
  return "[" + connect + ";Database=" + file.string() + "].[" + file.filename().string() +
         "]";
}

// The text writer as if its fields had fixed widths: the same export with
// its columns measured first, so that the difference to "text" is what the
// measuring costs on one of the fastest writers.
class MeasuredTextWriter : public vdimpexp::data::TableWriter {
 public:
  void Open(const vdimpexp::data::ExternalTarget& target,
            std::span<const vdimpexp::data::ColumnInfo> columns) override {
    // Not made in the constructor: the registry is locked while it runs.
    text_ = vdimpexp::data::CreateTableWriter("TEXT");
    text_->Open(target, columns);
  }
  void WriteRow(std::span<const vdimpexp::data::Value> row) override {
    text_->WriteRow(row);
  }
  void Finish() override { text_->Finish(); }
  void Abandon() noexcept override {
    if (text_) text_->Abandon();
  }
  bool NeedsMeasuredColumns() const override { return true; }

 private:
  std::unique_ptr<vdimpexp::data::TableWriter> text_;
};

Measurement Export(const std::string& host, const std::string& target,
                   const fs::path& file, const std::string& source = kSource) {
  fs::remove(file);
  return InChild([&] {
    vdimpexp::formats::RegisterFileFormats();
    vdimpexp::data::RegisterTableWriter(
        "MEASURED TEXT", [] { return std::make_unique<MeasuredTextWriter>(); });
    Connection connection(host);
    connection.Execute(std::string("SELECT ") + kColumns + " INTO " + target + " FROM" +
                       source);
  });
}

// The anchor reads a table, so the exported columns are copied into one
// first; in a child as well, so that the copy's page cache does not count
// towards the peaks of the children forked later.
Measurement XlsAnchor(const std::string& host, const std::string& script,
                      const fs::path& file) {
  InChild([&] {
    Connection(host).Execute(
        std::string("CREATE TABLE IF NOT EXISTS ExportRows AS SELECT ") + kColumns +
        " FROM" + kSource);
  });
  fs::remove(file);
  return InChild([&] {
    execlp("perl", "perl", script.c_str(), host.c_str(), "ExportRows", file.c_str(),
           static_cast<char*>(nullptr));
    _exit(127);
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

// Each tool's peaks, from the smallest N to the largest.
std::map<std::string, std::vector<double>> peaks_by_tool;

// The tools --only names; all of them when it names none.
std::set<std::string> chosen_tools;

bool Chosen(const std::string& name) {
  return chosen_tools.empty() || chosen_tools.contains(name);
}

void Report(const char* name, int rows, const Measurement& m,
            const Measurement* baseline) {
  peaks_by_tool[name].push_back(m.peak_mib);
  std::printf("%-16s %9d rows %8.3f s %10.0f rows/s %8.1f MiB peak", name, rows,
              m.seconds, rows / m.seconds, m.peak_mib);
  if (baseline) std::printf("   %.2fx sqlite3", baseline->seconds / m.seconds);
  std::printf("\n");
}

// Measures and reports `name` when it is chosen; its measurement, if taken.
std::optional<Measurement> Run(const char* name, int rows,
                               const std::function<Measurement()>& measure,
                               const std::optional<Measurement>& baseline = {}) {
  if (!Chosen(name)) return std::nullopt;
  const Measurement m = measure();
  Report(name, rows, m, baseline ? &*baseline : nullptr);
  return m;
}

constexpr char kUsage[] =
    "usage: export_bench [--only TOOL,...] [--xls-anchor SCRIPT] [N ...]\n"
    "  N            rows to export (default: 100000 1000000)\n"
    "  --only       measure only these tools, named as the report names them\n"
    "               (e.g. --only \"Excel 2007,ODS\")\n"
    "  --xls-anchor a Perl script taking DB TABLE OUT.xls, run beside Excel 97\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  std::string xls_anchor;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (argument == "--xls-anchor" && i + 1 < argc) {
      xls_anchor = argv[++i];
    } else if (argument == "--only" && i + 1 < argc) {
      std::string names = argv[++i];
      for (size_t from = 0, comma; from <= names.size(); from = comma + 1) {
        comma = std::min(names.find(',', from), names.size());
        chosen_tools.insert(names.substr(from, comma - from));
      }
    } else if (const int rows = std::atoi(argument.c_str()); rows > 0) {
      sizes.push_back(rows);
    } else {
      std::fprintf(stderr, "export_bench: '%s' is no option nor a row count\n%s",
                   argument.c_str(), kUsage);
      return 2;
    }
  }
  if (sizes.empty()) sizes = {100000, 1000000};

  fs::path dir =
      fs::temp_directory_path() / ("vd_export_bench_" + std::to_string(getpid()));
  fs::create_directories(dir);
  for (int rows : sizes) {
    std::string host = MakeHostDatabase(dir, rows);
    const auto csv_shell = Run("sqlite3 -csv", rows, [&] {
      return SqliteShell(host, "-csv", dir / "shell.csv");
    });
    const auto html_shell = Run("sqlite3 -html", rows, [&] {
      return SqliteShell(host, "-html", dir / "shell.htm");
    });
    auto in_folder = [&](const std::string& connect, const char* file,
                         const std::string& source = kSource) {
      return [&host, &dir, connect, file, source] {
        return Export(host, FolderTarget(connect, dir / file), dir / file, source);
      };
    };
    auto in_workbook = [&](const std::string& connect, const char* file) {
      return [&host, &dir, connect, file] {
        return Export(host, WorkbookTarget(connect, dir / file), dir / file);
      };
    };
    const auto text = Run("text", rows, in_folder("TEXT", "out.csv"), csv_shell);
    const auto measured_text =
        Run("measured text", rows, in_folder("MEASURED TEXT", "out.csv"));
    if (text && measured_text) {
      std::printf("measuring costs %.0f%% of the text export\n",
                  100 * (measured_text->seconds / text->seconds - 1));
    }
    Run("html", rows, in_folder("HTML Export", "out.htm"), html_shell);
    Run("dBASE IV", rows, in_folder("dBASE IV", "out.dbf"));
    Run("xml rowset", rows, [&] { return SaveXml(host, dir / "out.xml"); });
    const auto excel = Run("Excel 97", rows, in_workbook("Excel 8.0", "out.xls"));
    if (excel && !xls_anchor.empty()) {
      const Measurement anchor = XlsAnchor(host, xls_anchor, dir / "anchor.xls");
      Report("xls anchor", rows, anchor, nullptr);
      std::printf("Excel 97 runs %.2fx the anchor's rows/s\n",
                  anchor.seconds / excel->seconds);
    }
    Run("Excel 2007", rows, in_workbook("Excel 12.0 Xml", "out.xlsx"));
    Run("ODS", rows, in_workbook("ODS", "out.ods"));
    Run("Lotus WK1", std::min(rows, kWk1Records),
        in_folder("Lotus WK1", "out.wk1",
                  " Contacts WHERE CKey <= " + std::to_string(kWk1Records)));
    Run("Lotus WK4", rows, in_folder("Lotus WK4", "out.wk4"));
    Run("Paradox 5.x", rows, in_folder("Paradox 5.x", "out.db"));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  fs::remove_all(dir);
  // Memory flat in N: a writer's peak grows only by the page cache's fill.
  for (const auto& [tool, peaks] : peaks_by_tool) {
    std::printf("peak %-16s %8.1f MiB at the smallest N, %8.1f MiB at the largest\n",
                tool.c_str(), peaks.front(), peaks.back());
  }
  return 0;
}

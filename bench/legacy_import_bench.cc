// The legacy import at scale: N customers (LOG.DBF, two phones each) and N
// stock items (STOCK.DBF) into a fresh reference database, beside a raw
// SQLite loop making the same rows (a contact with a unique 40-character
// FileAs and two phone rows per customer, an item row per stock record) in
// one transaction with the same page cache. Each run is a process of its
// own, so its peak memory (getrusage ru_maxrss, read by the parent through
// wait4) is its own.
//
//   legacy_import_bench                 N = 10000, 100000 and 1000000
//   legacy_import_bench 10000 100000    the sizes given
//   legacy_import_bench --tables DIR N  only write the N-record tables and an empty
//                                       host.db into DIR
//   legacy_import_bench --anchor [N...]  each table against the plain C loop
//                                       (dbf2sqlite), N = 100000 and 1000000
//
// Figures printed, per size the best of three runs (one at 1M): seconds,
// records per second (customers plus items), peak resident memory; then the import's
// speed against the raw loop's (aim: at least 0.5), the time at 1M against 100k (aim: at
// most 12) and the peak memory per size (aim: flat beyond the 64 MiB page cache).
//
// --anchor runs, on the same generated files and taking turns with it, the
// C loop that only reads a DBF and inserts its fields (dbf2sqlite, built
// beside this program from the anchor source): the customers alone against
// "dbf2sqlite 3" with the same 64 MiB page cache, the stock alone against
// "dbf2sqlite 1", and both tables against the raw loop above (the baseline:
// the same full rows into the reference schema). Five turns each up to 100k
// records, three beyond; every figure is a median. The import's time is its
// own (from opening the host to closing it), the C loop's its process's. It
// ends with a line per ratio (project rows/s over C loop rows/s), the
// customers' time at 1M over 100k and every run's peak memory.

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/column_info.h"
#include "data/connection.h"
#include "data/value.h"
#include "formats/dbase/dbf_writer.h"
#include "legacy/xav_import.h"
#include "schema/reference_database.h"

#ifndef VD_DBF2SQLITE
#define VD_DBF2SQLITE ""
#endif

namespace {

namespace fs = std::filesystem;
using vdimpexp::data::ColumnInfo;
using vdimpexp::data::ColumnType;
using vdimpexp::data::Date;
using vdimpexp::data::Value;

// ---------------------------------------------------------------------------
// The generated legacy tables. Names and part numbers are unique and arrive
// in scrambled order, as a real shop's do, so the unique indexes are
// inserted into at random places.

uint64_t Scramble(uint64_t row) {
  uint64_t x = row * 0x9E3779B97F4A7C15ULL + 0x632BE59BD9B4E019ULL;
  x ^= x >> 29;
  x *= 0xBF58476D1CE4E5B9ULL;
  return x ^ (x >> 32);
}

// Twenty characters, unique per row: a scrambled prefix and the row number.
std::string UniqueKey(uint64_t row) {
  char key[32];
  std::snprintf(key, sizeof key, "%08" PRIX64 "%012" PRIu64, Scramble(row) & 0xFFFFFFFF,
                row);
  return key;
}

// A first name that makes "LastName FirstName" exactly 40 characters.
std::string FirstNameFor(uint64_t row) {
  char name[32];
  std::snprintf(name, sizeof name, "ANNABELLE-%09" PRIu64, row % 1000000000);
  return name;
}

// Writes one table through the export's own dBASE writer, a record at a time.
// The writer lays its fields out from what the values hold; every generated
// value fits its declared width, so the declaration is the measurement and no
// second pass over a million records is needed.
std::vector<ColumnInfo> Measured(std::vector<ColumnInfo> columns) {
  for (ColumnInfo& column : columns) {
    vdimpexp::data::ValueShape shape{.longest_text = column.defined_size};
    if (column.type == ColumnType::kDecimal) {
      shape.integer_digits = column.precision - column.scale;
      shape.decimals = column.scale;
    } else if (column.type == ColumnType::kInteger) {
      shape.integer_digits = 4;
    }
    column.measured = shape;
  }
  return columns;
}

void WriteTable(const std::string& folder, const std::string& file,
                const std::vector<ColumnInfo>& columns, uint32_t records,
                const std::function<std::vector<Value>(uint32_t)>& record) {
  vdimpexp::formats::DbfWriter writer(vdimpexp::formats::DbfLevel::kIII);
  writer.Open({.connect_type = "dBASE III", .database = folder, .table = file},
              Measured(columns));
  for (uint32_t row = 0; row < records; ++row) writer.WriteRow(record(row));
  writer.Finish();
}

ColumnInfo Text(const char* name, int width) {
  return {.name = name, .type = ColumnType::kText, .defined_size = width};
}

void WriteLegacyTables(const std::string& folder, uint32_t records) {
  fs::create_directories(folder);
  WriteTable(folder, "LOG.DBF",
             {Text("FNAME", 19), Text("LNAME", 20), Text("ADDRESS", 30), Text("CITY", 20),
              Text("STATE", 2), Text("ZIP", 10), Text("PHONE", 14), Text("WKPHONE", 16)},
             records, [](uint32_t row) -> std::vector<Value> {
               return {FirstNameFor(row),
                       UniqueKey(row),
                       "1200 NORTH PEARL STREET",
                       "SARATOGA SPRINGS",
                       "NY",
                       "12866-1234",
                       "(518) 555-0142",
                       "518-555-0101 X12"};
             });
  const ColumnInfo money{
      .name = "", .type = ColumnType::kDecimal, .precision = 8, .scale = 2};
  auto named = [](ColumnInfo column, const char* name) {
    column.name = name;
    return column;
  };
  WriteTable(folder, "STOCK.DBF",
             {Text("PARTNO", 20),
              Text("GENNO", 20),
              Text("DISC", 60),
              Text("LOCATION", 10),
              {.name = "LASTDATE", .type = ColumnType::kDate},
              {.name = "QUAN", .type = ColumnType::kInteger},
              {.name = "MINQUAN", .type = ColumnType::kInteger},
              named(money, "COST"),
              named(money, "RETAIL"),
              Text("COMMENTS", 40)},
             records, [](uint32_t row) -> std::vector<Value> {
               return {UniqueKey(row),
                       "VCR-BELTKIT",
                       "Belt kit, 4 belts, front-load VCR",
                       "A-01",
                       Date{1999, 3, 15},
                       int64_t{14},
                       int64_t{5},
                       3.25,
                       9.95,
                       "Fits most decks"};
             });
}

std::string FreshHostDatabase(const std::string& path) {
  fs::remove(path);
  fs::remove(path + "-journal");
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  vdimpexp::schema::CreateReferenceSchema(db);
  sqlite3_close(db);
  return path;
}

// ---------------------------------------------------------------------------
// The two runs, each in a child process.

class QuietProgress : public vdimpexp::support::ProgressSink {
 public:
  void AppendLine(std::string_view text) override { lines.emplace_back(text); }
  void SetPercent(double) override {}
  void ShowBar(bool) override {}
  void RunPendingEvents() override {}
  std::vector<std::string> lines;
};

// Imports the customers, the stock or both (`tables` "customers", "stock",
// "both").
void RunImport(const std::string& folder, const std::string& database, uint32_t records,
               std::string_view tables) {
  using namespace vdimpexp;
  data::Connection host(database);
  QuietProgress progress;
  legacy::XavImportReport report;
  host.BeginTrans();
  const std::string count = " (" + std::to_string(records) + " records)";
  std::vector<legacy::XavTableEntry> entries;
  if (tables != "stock") entries.push_back({"Customers" + count, 1, true});
  if (tables != "customers") entries.push_back({"Inventory" + count, 2, true});
  const bool result = legacy::ImportXAVTables(entries, {.DatabaseDir = folder + "/",
                                                        .HistoryDir = folder + "/",
                                                        .host = host,
                                                        .progress = progress,
                                                        .report = report});
  host.CommitTrans();
  // Every table opened and every record imported as it was, none renamed:
  // the figures are of the import, not of its retries.
  const bool clean =
      report.tables.size() == entries.size() &&
      std::all_of(report.tables.begin(), report.tables.end(), [&](const auto& table) {
        return table.read == records && table.imported == records && table.renamed == 0;
      });
  if (!result || !clean) {
    std::fprintf(stderr, "the import did not run cleanly:\n");
    for (const std::string& line : progress.lines)
      std::fprintf(stderr, "  %s\n", line.c_str());
    std::exit(2);
  }
}

void Check(sqlite3* db, int rc) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE) {
    std::fprintf(stderr, "raw loop: %s\n", sqlite3_errmsg(db));
    std::exit(2);
  }
}

// The same rows with nothing between SQLite and the data: the floor.
void RunRawLoop(const std::string& database, uint32_t records) {
  sqlite3* db = nullptr;
  sqlite3_open(database.c_str(), &db);
  Check(db, sqlite3_exec(db, "PRAGMA cache_size = -65536; BEGIN IMMEDIATE", nullptr,
                         nullptr, nullptr));
  sqlite3_stmt* contact = nullptr;
  sqlite3_stmt* phone = nullptr;
  sqlite3_stmt* item = nullptr;
  Check(db,
        sqlite3_prepare_v2(
            db,
            "INSERT INTO Contacts (CKey, SendBillsToThisAddress, ShipToThisAddress, "
            "ClientType, TaxTable, CreditLimit, CustomerSince, LastVisit, CustTaxable, "
            "EstimateReqOption, FirstName, LastName, Contact, Company, FileAs, "
            "Address, AddressDescriptionID, City, State, ZipCode, ReferalBy, Terms, "
            "AccountNo1) VALUES (?, 1, 1, 9, 1, 0, '2024-01-02', '2024-01-02', 1, 153, "
            "?, ?, ?, '', ?, '1200 North Pearl Street', 15, 'Saratoga Springs', 'Ny', "
            "'12866-1234', -1595250750, 1, '')",
            -1, &contact, nullptr));
  Check(db, sqlite3_prepare_v2(db,
                               "INSERT INTO ContactPhones (PhoneID, CKey, AddressDescID, "
                               "PhoneDescID, Phone, Contact) VALUES (?, ?, 0, ?, ?, ?)",
                               -1, &phone, nullptr));
  Check(db,
        sqlite3_prepare_v2(
            db,
            "INSERT INTO InventoryItems (InventoryID, ItemType, ItemNumber, GeneticNo, "
            "ProductLine, Category, DescEstimate, DescInvoice, TaxableItem, Location, "
            "LastItemUsedOn, StorageBin1, UnitsInStock1, ReOrderPoint1, "
            "CostOrRateLastUpdated, CostOrRate, SalesPriceOrRate, AllowBackOrders, "
            "Notes) VALUES (?, 2, ?, 'VCR-BELTKIT', 3, 9, ?, ?, 1, 'A-01', "
            "'1999-03-15', 'A-01', 14.0, 5.0, '1999-03-15', 3.25, 9.95, 1, "
            "'Fits most decks')",
            -1, &item, nullptr));
  int64_t phone_key = 0;
  for (uint32_t row = 0; row < records; ++row) {
    const int64_t key = row + 1;
    const std::string first = FirstNameFor(row);
    const std::string last = UniqueKey(row);
    const std::string file_as = last + " " + first;  // 40 characters
    for (auto [descriptor, number] :
         {std::pair{8, "(518)555-0142"}, std::pair{35, "(518)555-0101 12"}}) {
      sqlite3_bind_int64(phone, 1, ++phone_key);
      sqlite3_bind_int64(phone, 2, key);
      sqlite3_bind_int(phone, 3, descriptor);
      sqlite3_bind_text(phone, 4, number, -1, SQLITE_STATIC);
      sqlite3_bind_text(phone, 5, file_as.c_str(), -1, SQLITE_STATIC);
      Check(db, sqlite3_step(phone));
      sqlite3_reset(phone);
    }
    sqlite3_bind_int64(contact, 1, key);
    sqlite3_bind_text(contact, 2, first.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(contact, 3, last.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(contact, 4, file_as.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(contact, 5, file_as.c_str(), -1, SQLITE_STATIC);
    Check(db, sqlite3_step(contact));
    sqlite3_reset(contact);
  }
  for (uint32_t row = 0; row < records; ++row) {
    const std::string part = UniqueKey(row);
    sqlite3_bind_int64(item, 1, row + 1);
    sqlite3_bind_text(item, 2, part.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(item, 3, "Belt kit, 4 belts, front-load VCR", -1, SQLITE_STATIC);
    sqlite3_bind_text(item, 4, "Belt kit, 4 belts, front-load VCR", -1, SQLITE_STATIC);
    Check(db, sqlite3_step(item));
    sqlite3_reset(item);
  }
  sqlite3_finalize(contact);
  sqlite3_finalize(phone);
  sqlite3_finalize(item);
  Check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr));
  sqlite3_close(db);
}

int ChildMain(const std::string& mode, const std::string& folder,
              const std::string& database, uint32_t records) {
  const auto start = std::chrono::steady_clock::now();
  if (mode == "import") {
    RunImport(folder, database, records, "both");
  } else if (mode == "customers" || mode == "stock") {
    RunImport(folder, database, records, mode);
  } else {
    RunRawLoop(database, records);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.6f\n", seconds);
  return 0;
}

struct RunFigures {
  double seconds = 0;
  long peak_kib = 0;
};

// Runs this program again as a child in `mode`; its time and peak memory.
RunFigures RunChild(const char* self, const std::string& mode, const std::string& folder,
                    const std::string& database, uint32_t records) {
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe failed");
  const std::string count = std::to_string(records);
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    execl(self, self, "--child", mode.c_str(), folder.c_str(), database.c_str(),
          count.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  std::string text;
  char buffer[64];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(out[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error(mode + " run for " + count + " records failed");
  }
  return {std::strtod(text.c_str(), nullptr), usage.ru_maxrss};
}

// ---------------------------------------------------------------------------
// --anchor: each table against the plain C loop.

// Runs the C loop (dbf2sqlite) as a child; its wall time, from before the
// fork to its exit (it starts in a millisecond), and its peak memory.
RunFigures RunAnchor(const std::string& mode, const std::string& database,
                     const std::string& table, bool page_cache) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const int quiet = ::open("/dev/null", O_WRONLY);
    dup2(quiet, STDERR_FILENO);
    if (page_cache) {
      setenv("CACHE_KIB", "65536", 1);
    } else {
      unsetenv("CACHE_KIB");
    }
    execl(VD_DBF2SQLITE, VD_DBF2SQLITE, mode.c_str(), database.c_str(), table.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("dbf2sqlite " + mode + " on " + table + " failed");
  }
  return {seconds, usage.ru_maxrss};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The runs of one kind at one size.
struct Series {
  std::vector<double> seconds;
  long peak_kib = 0;
  void Add(const RunFigures& figures) {
    seconds.push_back(figures.seconds);
    peak_kib = std::max(peak_kib, figures.peak_kib);
  }
  double MedianSeconds() const { return Median(seconds); }
};

int AnchorMain(const std::string& self, std::vector<uint32_t> sizes) {
  if (sizes.empty()) sizes = {100000, 1000000};
  if (std::string_view(VD_DBF2SQLITE).empty()) {
    std::fprintf(stderr, "built without the C loop's source: no --anchor\n");
    return 2;
  }
  const std::string work =
      (fs::temp_directory_path() / "vd_legacy_import_anchor").string();
  // Per size: the import of each table, its C loop, and the baseline pair.
  std::map<uint32_t, std::map<std::string, Series>> series;
  const std::string database = work + "/host.db";
  const std::string anchor_database = work + "/anchor.db";
  std::printf("%10s  %-24s %5s %10s %12s %10s\n", "N", "run", "turns", "median s",
              "records/s", "peak MiB");
  for (uint32_t n : sizes) {
    const std::string folder = work + "/xav-" + std::to_string(n);
    WriteLegacyTables(folder, n);
    std::map<std::string, Series>& runs = series[n];
    // The machine is shared: every kind of run takes a turn before any
    // takes its next, and the order changes from turn to turn.
    const int turns = n <= 100000 ? 5 : 3;
    for (int turn = 0; turn < turns; ++turn) {
      auto import = [&](const char* tables) {
        FreshHostDatabase(database);
        runs[std::string("import ") + tables].Add(
            RunChild(self.c_str(), tables, folder, database, n));
      };
      auto customers_anchor = [&] {
        runs["dbf2sqlite 3 customers"].Add(
            RunAnchor("3", anchor_database, folder + "/LOG.DBF", true));
      };
      auto stock_anchor = [&] {
        runs["dbf2sqlite 1 stock"].Add(
            RunAnchor("1", anchor_database, folder + "/STOCK.DBF", false));
      };
      auto baseline = [&] {
        FreshHostDatabase(database);
        runs["raw both"].Add(RunChild(self.c_str(), "raw", folder, database, n));
      };
      if (turn % 2 == 0) {
        customers_anchor(), import("customers"), stock_anchor(), import("stock");
        baseline(), import("both");
      } else {
        import("customers"), customers_anchor(), import("stock"), stock_anchor();
        import("both"), baseline();
      }
    }
    for (const auto& [name, runs_of_kind] : runs) {
      const double rows = name.ends_with("both") ? 2.0 * n : n;
      std::printf("%10u  %-24s %5d %10.3f %12.0f %10.1f\n", n, name.c_str(), turns,
                  runs_of_kind.MedianSeconds(), rows / runs_of_kind.MedianSeconds(),
                  runs_of_kind.peak_kib / 1024.0);
    }
    std::fflush(stdout);
    fs::remove_all(folder);
  }
  fs::remove_all(work);

  std::printf(
      "\nbaseline: the import of both tables against the raw loop (aim >= 0.85)\n");
  for (uint32_t n : sizes) {
    std::map<std::string, Series>& runs = series[n];
    std::printf("baseline N=%u %.2f\n", n,
                runs["raw both"].MedianSeconds() / runs["import both"].MedianSeconds());
  }
  // Rows per second of the same N: the C loop's median time over ours.
  for (const char* table : {"customers", "stock"}) {
    const std::string anchor = std::string(table) == "customers"
                                   ? "dbf2sqlite 3 customers"
                                   : "dbf2sqlite 1 stock";
    for (uint32_t n : sizes) {
      std::map<std::string, Series>& runs = series[n];
      std::printf("ratio %s N=%u %.2f\n", table, n,
                  runs[anchor].MedianSeconds() /
                      runs[std::string("import ") + table].MedianSeconds());
    }
  }
  if (series.count(100000) && series.count(1000000)) {
    std::printf("scaling customers %.1f\n",
                series[1000000]["import customers"].MedianSeconds() /
                    series[100000]["import customers"].MedianSeconds());
  }
  for (uint32_t n : sizes) {
    for (const auto& [name, runs_of_kind] : series[n]) {
      std::printf("peak %s N=%u %.1f MiB\n", name.c_str(), n,
                  runs_of_kind.peak_kib / 1024.0);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The generated tables alone, kept, so that a host database imported from
  // them can be compared before and after a change to the import.
  if (argc == 4 && std::string_view(argv[1]) == "--tables") {
    WriteLegacyTables(argv[2], static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10)));
    FreshHostDatabase(std::string(argv[2]) + "/host.db");
    return 0;
  }
  if (argc == 6 && std::string_view(argv[1]) == "--child") {
    return ChildMain(argv[2], argv[3], argv[4],
                     static_cast<uint32_t>(std::strtoul(argv[5], nullptr, 10)));
  }
  const bool anchor = argc > 1 && std::string_view(argv[1]) == "--anchor";
  std::vector<uint32_t> sizes;
  for (int i = anchor ? 2 : 1; i < argc; ++i) {
    sizes.push_back(static_cast<uint32_t>(std::strtoul(argv[i], nullptr, 10)));
  }
  if (anchor) return AnchorMain(fs::read_symlink("/proc/self/exe").string(), sizes);
  if (sizes.empty()) sizes = {10000, 100000, 1000000};

  const std::string work =
      (fs::temp_directory_path() / "vd_legacy_import_bench").string();
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  std::printf("%10s  %-7s %5s %9s %12s %10s\n", "N", "run", "runs", "best s", "records/s",
              "peak MiB");
  std::map<uint32_t, RunFigures> imports, raws;
  for (uint32_t n : sizes) {
    const std::string folder = work + "/xav-" + std::to_string(n);
    WriteLegacyTables(folder, n);
    const std::string database = work + "/host.db";
    // The machine is shared: the runs take turns, and each keeps its best.
    const int repetitions = n <= 100000 ? 3 : 1;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
      for (const char* mode : {"raw", "import"}) {
        FreshHostDatabase(database);
        const RunFigures figures = RunChild(self.c_str(), mode, folder, database, n);
        RunFigures& best = (std::string_view(mode) == "raw" ? raws : imports)[n];
        if (repetition == 0 || figures.seconds < best.seconds) {
          best.seconds = figures.seconds;
        }
        best.peak_kib = std::max(best.peak_kib, figures.peak_kib);
      }
    }
    for (const char* mode : {"raw", "import"}) {
      const RunFigures& best = (std::string_view(mode) == "raw" ? raws : imports)[n];
      std::printf("%10u  %-7s %5d %9.3f %12.0f %10.1f\n", n, mode, repetitions,
                  best.seconds, 2.0 * n / best.seconds, best.peak_kib / 1024.0);
    }
    std::fflush(stdout);
    fs::remove_all(folder);
  }
  fs::remove_all(work);

  std::printf("\nimport speed against the raw loop (aim >= 0.5):");
  for (uint32_t n : sizes)
    std::printf("  N=%u %.2f", n, raws[n].seconds / imports[n].seconds);
  if (imports.count(100000) && imports.count(1000000)) {
    std::printf("\nimport time 1M / 100k (aim <= 12): %.2f",
                imports[1000000].seconds / imports[100000].seconds);
  }
  std::printf("\nimport peak memory (aim: flat beyond the 64 MiB page cache):");
  for (uint32_t n : sizes)
    std::printf("  N=%u %.1f MiB", n, imports[n].peak_kib / 1024.0);
  std::printf("\n");
  return 0;
}

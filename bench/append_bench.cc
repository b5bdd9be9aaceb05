// Appending rows through a Recordset (AddNew, eight text fields, Update)
// against the floor: SQLite's own prepared INSERT of the same rows, both in
// one transaction on a fresh database file. The floor is measured twice:
// with SQLite's default page cache, and with the 64 MiB cache the data layer
// gives every connection (large enough for the host's unique indexes during
// long imports; for plain appends it costs SQLite some speed of its own).
// Prints the rates and the ratios; the importers append this way, so the
// ratio is what the data layer costs them.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "data/connection.h"
#include "data/recordset.h"

namespace {

constexpr int kRows = 100000;
constexpr std::array<const char*, 8> kColumns = {"FNAME", "LNAME", "ADDRESS", "CITY",
                                                 "STATE", "ZIP",   "PHONE",   "WKPHONE"};
constexpr const char* kCreateTable =
    "CREATE TABLE customers (FNAME TEXT(15), LNAME TEXT(20), ADDRESS TEXT(30), "
    "CITY TEXT(20), STATE TEXT(2), ZIP TEXT(10), PHONE TEXT(14), WKPHONE TEXT(14))";

using Row = std::array<std::string, 8>;

// Deterministic rows shaped like a legacy customer table.
const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = [] {
    static const char* kFirst[] = {"John", "Mary", "Ahmed", "Li", "Olga", "Pedro", "Sue"};
    static const char* kLast[] = {"Smith", "O'Brien", "Nguyen", "Garcia", "Kowalski"};
    static const char* kCity[] = {"Springfield", "Riverside", "Fairview", "Greenville"};
    std::vector<Row> made;
    made.reserve(kRows);
    uint64_t state = 42;
    auto next = [&] {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      return static_cast<unsigned>(state >> 33);
    };
    for (int i = 0; i < kRows; ++i) {
      char phone[16], zip[12];
      std::snprintf(phone, sizeof phone, "(%03u)%03u-%04u", next() % 1000, next() % 1000,
                    next() % 10000);
      std::snprintf(zip, sizeof zip, "%05u", next() % 100000);
      made.push_back({kFirst[next() % 7], kLast[next() % 5],
                      std::to_string(next() % 9999) + " Main Street", kCity[next() % 4],
                      "NY", zip, phone, i % 3 == 0 ? "" : phone});
    }
    return made;
  }();
  return rows;
}

std::string FreshDatabase() {
  std::string path =
      (std::filesystem::temp_directory_path() / "vd_append_bench.db").string();
  std::filesystem::remove(path);
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, kCreateTable, nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return path;
}

void BM_RawSqliteInsert(benchmark::State& state, const char* setup) {
  const std::vector<Row>& rows = Rows();
  for (auto _ : state) {
    state.PauseTiming();
    std::string path = FreshDatabase();
    state.ResumeTiming();
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, setup, nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO customers VALUES (?, ?, ?, ?, ?, ?, ?, ?)", -1,
                       &insert, nullptr);
    for (const Row& row : rows) {
      for (int i = 0; i < 8; ++i) {
        sqlite3_bind_text(insert, i + 1, row[i].data(), static_cast<int>(row[i].size()),
                          SQLITE_STATIC);
      }
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_RecordsetAppend(benchmark::State& state) {
  using namespace vdimpexp::data;
  const std::vector<Row>& rows = Rows();
  for (auto _ : state) {
    state.PauseTiming();
    std::string path = FreshDatabase();
    state.ResumeTiming();
    Connection connection(path);
    connection.BeginTrans();
    Recordset customers;
    customers.Open("customers", connection, CursorType::kKeyset, LockType::kOptimistic,
                   CommandType::kTable);
    for (const Row& row : rows) {
      customers.AddNew();
      for (int i = 0; i < 8; ++i) customers.Fields(kColumns[i]).SetValue(row[i]);
      customers.Update();
    }
    customers.Close();
    connection.CommitTrans();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

// The machine is shared and noisy: five repetitions each, medians compared.
BENCHMARK_CAPTURE(BM_RawSqliteInsert, default_cache, "BEGIN")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_RawSqliteInsert, same_cache, "PRAGMA cache_size = -65536; BEGIN")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RecordsetAppend)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Keeps each benchmark's median rows per second for the ratio printed at the end.
class RateReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      auto items = run.counters.find("items_per_second");
      if (items != run.counters.end() && run.aggregate_name == "median") {
        rates[run.run_name.function_name] = items->second.value;
      }
    }
  }
  std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
  // Repetitions of the two benchmarks are interleaved, so that a noisy
  // spell of the shared machine falls on both sides of the ratio alike.
  std::vector<char*> arguments(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  arguments.insert(arguments.begin() + 1, interleave.data());
  int count = static_cast<int>(arguments.size());
  benchmark::Initialize(&count, arguments.data());
  Rows();  // made once, outside every measurement
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double raw = reporter.rates["BM_RawSqliteInsert/default_cache"];
  double raw_same_cache = reporter.rates["BM_RawSqliteInsert/same_cache"];
  double recordset = reporter.rates["BM_RecordsetAppend"];
  if (raw > 0 && raw_same_cache > 0 && recordset > 0) {
    std::printf("raw sqlite3 prepared INSERT, default cache: %.0f rows/s (median)\n",
                raw);
    std::printf("raw sqlite3 prepared INSERT, 64 MiB cache:  %.0f rows/s (median)\n",
                raw_same_cache);
    std::printf("Recordset AddNew/Update (64 MiB cache):     %.0f rows/s (median)\n",
                recordset);
    std::printf("ratio to raw, default cache: %.2f (target >= 0.60)\n", recordset / raw);
    std::printf("ratio to raw, same cache:    %.2f\n", recordset / raw_same_cache);
  }
  benchmark::Shutdown();
  return 0;
}

// The DBF library on large legacy tables. CountDbfRecords reads a table's
// header only, so counting a 1 GB table (written sparse, in a moment) costs
// what counting a 10-record one does; the scan reads a 1,000,000-record
// customer table the way the legacy import does (d4top, d4skip, and d4field
// and FieldText for six fields of every record) and prints records per
// second. The tables are made in a temporary folder and removed at the end.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "legacy/cb_support.h"
#include "legacy/clipper_calls.h"
#include "legacy/dbf_library.h"

namespace {

using namespace vdimpexp::legacy;

struct FieldSpec {
  const char* name;
  int width;
};
constexpr std::array<FieldSpec, 6> kFields = {{{"FNAME", 15},
                                               {"LNAME", 20},
                                               {"ADDRESS", 30},
                                               {"CITY", 20},
                                               {"ZIP", 10},
                                               {"PHONE", 14}}};
constexpr int kRecordLength = 1 + 15 + 20 + 30 + 20 + 10 + 14;
constexpr std::uint32_t kScanRecords = 1000000;
constexpr std::uint64_t kLargeTableBytes = 1ULL << 30;

std::filesystem::path& Folder() {
  static std::filesystem::path folder;
  return folder;
}

std::string Header(std::uint32_t records) {
  std::string header(32, '\0');
  header[0] = 0x03;
  header[1] = 99;
  header[2] = 3;
  header[3] = 15;
  std::memcpy(&header[4], &records, 4);  // little-endian, as the machine
  const std::uint16_t header_length = 32 + 32 * kFields.size() + 1;
  const std::uint16_t record_length = kRecordLength;
  std::memcpy(&header[8], &header_length, 2);
  std::memcpy(&header[10], &record_length, 2);
  header[29] = 0x01;  // DOS code page 437
  for (const FieldSpec& field : kFields) {
    std::string descriptor(32, '\0');
    std::memcpy(&descriptor[0], field.name, std::strlen(field.name));
    descriptor[11] = 'C';
    descriptor[16] = static_cast<char>(field.width);
    header += descriptor;
  }
  return header + '\x0D';
}

std::string Padded(std::string text, int width) {
  text.resize(width, ' ');
  return text;
}

std::string WriteSmallTable() {
  const std::string path = (Folder() / "SMALL.DBF").string();
  std::ofstream file(path, std::ios::binary);
  file << Header(10);
  for (int i = 0; i < 10; ++i) file << ' ' << std::string(kRecordLength - 1, 'x');
  file << '\x1A';
  return path;
}

// A header claiming as many records as 1 GB holds, and a file extended to
// that size without writing it.
std::string WriteLargeTable() {
  const std::string path = (Folder() / "LARGE.DBF").string();
  const std::uint32_t records =
      static_cast<std::uint32_t>(kLargeTableBytes / kRecordLength);
  const std::string header = Header(records);
  { std::ofstream(path, std::ios::binary) << header; }
  if (::truncate(path.c_str(),
                 header.size() + static_cast<off_t>(records) * kRecordLength + 1) != 0) {
    std::perror("truncate");
  }
  return path;
}

// Customer rows with DOS accented letters; every tenth record deleted.
std::string WriteScanTable() {
  const std::string path = (Folder() / "CUSTOMER.DBF").string();
  static const char* kFirst[] = {"John", "Mary", "Andr\x82", "Li", "J\x81rgen", "Sue"};
  static const char* kLast[] = {"Smith", "O'Brien", "Nguyen",
                                "Garc\xA1"
                                "a",
                                "M\x81ller"};
  static const char* kCity[] = {"Springfield", "Z\x81rich", "Fairview", "M\xA0laga"};
  std::ofstream file(path, std::ios::binary);
  file << Header(kScanRecords);
  std::string record;
  for (std::uint32_t i = 0; i < kScanRecords; ++i) {
    record = i % 10 == 9 ? "*" : " ";
    record += Padded(kFirst[i % 6], 15);
    record += Padded(kLast[i % 5], 20);
    record += Padded(std::to_string(i % 9999) + " Main Street", 30);
    record += Padded(kCity[i % 4], 20);
    record += Padded(std::to_string(10000 + i % 90000), 10);
    record += Padded("(555)" + std::to_string(1000000 + i), 14);
    file << record;
  }
  file << '\x1A';
  return path;
}

void BM_CountDbfRecords(benchmark::State& state, std::string (*make)()) {
  const std::string path = make();
  std::int32_t count = 0;
  for (auto _ : state) {
    count = CountDbfRecords(path);
    benchmark::DoNotOptimize(count);
  }
  state.counters["records"] = count;
  state.counters["file_bytes"] =
      benchmark::Counter(static_cast<double>(std::filesystem::file_size(path)),
                         benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
}

void BM_ScanTable(benchmark::State& state, bool read_fields) {
  static const std::string path = WriteScanTable();
  std::int64_t records = 0;
  std::size_t bytes = 0;
  for (auto _ : state) {
    const ContextHandle context = code4initVB();
    const TableHandle table = d4open(context, path);
    for (int result = d4top(table); result == 0; result = d4skip(table, 1)) {
      ++records;
      benchmark::DoNotOptimize(d4recCountDo(table) + d4recNoLow(table));
      if (!read_fields) continue;
      for (const FieldSpec& field : kFields)
        bytes += FieldText(d4field(table, field.name)).size();
    }
    code4initUndo(context);
  }
  benchmark::DoNotOptimize(bytes);
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(BM_CountDbfRecords, small_10_records, WriteSmallTable)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_CountDbfRecords, sparse_1GB, WriteLargeTable)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ScanTable, navigate_only, false)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_ScanTable, six_fields_per_record, true)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  char folder[] = "/tmp/vd-dbf-bench-XXXXXX";
  if (::mkdtemp(folder) == nullptr) return 1;
  Folder() = folder;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(Folder());
  return 0;
}

// The shape of a legacy contact import: per source row one Contacts row
// (unique FileAs arriving in random order, AutoNumber key read before the
// save) and two ContactPhones rows, all in one transaction on the reference
// schema; once through the data layer, once with SQLite's C API and the
// same page cache, which is the floor for that schema. (The shared anchors
// measured a slimmer schema, one unique key and no other index, at 207k
// rows/s for 100k rows and 181k rows/s for 1M rows.)

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "data/connection.h"
#include "data/recordset.h"
#include "schema/reference_database.h"

namespace {

using namespace vdimpexp::data;

std::string FreshHostDatabase() {
  std::string path =
      (std::filesystem::temp_directory_path() / "vd_contact_bench.db").string();
  std::filesystem::remove(path);
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  vdimpexp::schema::CreateReferenceSchema(db);
  sqlite3_close(db);
  return path;
}

Recordset OpenTable(const char* table, Connection& connection) {
  Recordset recordset;
  recordset.Open(table, connection, CursorType::kKeyset, LockType::kOptimistic,
                 CommandType::kTable);
  return recordset;
}

// The row's texts, the same for both runs.
struct ContactText {
  char file_as[64];
  std::string first_name;
};

ContactText MakeContactText(uint64_t& scramble, int row) {
  scramble = scramble * 6364136223846793005ULL + 1442695040888963407ULL;
  ContactText text;
  // A unique key in random order: a scrambled prefix, then the row number.
  std::snprintf(text.file_as, sizeof text.file_as, "%08llX Customer %d",
                static_cast<unsigned long long>(scramble >> 32), row);
  text.first_name = std::to_string(row);
  return text;
}

void BM_ContactImportShapeRaw(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    std::string path = FreshHostDatabase();
    state.ResumeTiming();
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "PRAGMA cache_size = -65536; BEGIN IMMEDIATE", nullptr, nullptr,
                 nullptr);
    sqlite3_stmt* contact = nullptr;
    sqlite3_stmt* phone = nullptr;
    sqlite3_prepare_v2(
        db,
        "INSERT INTO Contacts (CKey, FileAs, Contact, LastName, FirstName, "
        "Address, City, State, ZipCode) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
        -1, &contact, nullptr);
    sqlite3_prepare_v2(
        db,
        "INSERT INTO ContactPhones (PhoneID, CKey, PhoneDescID, Phone, Contact) "
        "VALUES (?, ?, ?, ?, ?)",
        -1, &phone, nullptr);
    uint64_t scramble = 0x9E3779B97F4A7C15ULL;
    int64_t phone_key = 0;
    for (int i = 0; i < rows; ++i) {
      ContactText text = MakeContactText(scramble, i);
      const int64_t key = i + 1;
      for (int descriptor : {8, 35}) {
        sqlite3_bind_int64(phone, 1, ++phone_key);
        sqlite3_bind_int64(phone, 2, key);
        sqlite3_bind_int(phone, 3, descriptor);
        sqlite3_bind_text(phone, 4, "(555)123-4567", -1, SQLITE_STATIC);
        sqlite3_bind_text(phone, 5, text.file_as + 9, -1, SQLITE_STATIC);
        sqlite3_step(phone);
        sqlite3_reset(phone);
      }
      const char* values[] = {
          text.file_as,      text.file_as + 9, "Customer", text.first_name.c_str(),
          "123 Main Street", "Springfield",    "NY",       "01234"};
      sqlite3_bind_int64(contact, 1, key);
      for (int v = 0; v < 8; ++v) {
        sqlite3_bind_text(contact, v + 2, values[v], -1, SQLITE_STATIC);
      }
      sqlite3_step(contact);
      sqlite3_reset(contact);
    }
    sqlite3_finalize(contact);
    sqlite3_finalize(phone);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  state.SetItemsProcessed(state.iterations() * rows);
}

void BM_ContactImportShape(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    std::string path = FreshHostDatabase();
    state.ResumeTiming();
    Connection host(path);
    host.BeginTrans();
    Recordset contacts = OpenTable("Contacts", host);
    Recordset phones = OpenTable("ContactPhones", host);
    uint64_t scramble = 0x9E3779B97F4A7C15ULL;
    for (int i = 0; i < rows; ++i) {
      ContactText text = MakeContactText(scramble, i);
      contacts.AddNew();
      contacts.Fields("FileAs").SetValue(text.file_as);
      contacts.Fields("Contact").SetValue(text.file_as + 9);
      contacts.Fields("LastName").SetValue("Customer");
      contacts.Fields("FirstName").SetValue(std::move(text.first_name));
      contacts.Fields("Address").SetValue("123 Main Street");
      contacts.Fields("City").SetValue("Springfield");
      contacts.Fields("State").SetValue("NY");
      contacts.Fields("ZipCode").SetValue("01234");
      for (int descriptor : {8, 35}) {
        phones.AddNew();
        phones.Fields("CKey").SetValue(contacts.Fields("CKey").Value());
        phones.Fields("PhoneDescID").SetValue(descriptor);
        phones.Fields("Phone").SetValue("(555)123-4567");
        phones.Fields("Contact").SetValue(contacts.Fields("Contact").Value());
        phones.Update();
      }
      contacts.Update();
    }
    contacts.Close();
    phones.Close();
    host.CommitTrans();
  }
  state.SetItemsProcessed(state.iterations() * rows);
}

BENCHMARK(BM_ContactImportShapeRaw)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3);
BENCHMARK(BM_ContactImportShape)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3);
BENCHMARK(BM_ContactImportShapeRaw)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_ContactImportShape)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

// Deterministic demo data for the reference host database: contacts with
// their phones, jobs with items and warranty claims, inventory, service
// literature and tips, zip codes, employees and item descriptions.
#pragma once

#include <sqlite3.h>

#include <cstdint>

namespace vdimpexp::schema {

struct DemoDataOptions {
  // Every other row count follows from this one: about two jobs per
  // contact, three items per job, one inventory item per contact.
  int contacts = 200;
  // Same seed and size give the same rows, byte for byte, on any platform.
  uint32_t seed = 1;
};

// Row counts FillDemoData writes for the given options (the item lines and
// warranty claims depend on the draws and are not counted here).
struct DemoDataCounts {
  int contacts = 0;
  int jobs = 0;
  int inventory_items = 0;
  int zip_codes = 0;
  int service_literature = 0;
  int service_tips = 0;
  int employees = 0;
  int item_descriptions = 0;
};
DemoDataCounts CountsFor(const DemoDataOptions& options);

// Fills a freshly created reference schema (CreateReferenceSchema) in one
// transaction (a savepoint, so it also runs inside the caller's). Throws
// std::invalid_argument for a negative size and std::runtime_error when
// the database already holds contacts, jobs, inventory, zip codes,
// employees or item descriptions, or a statement fails; nothing is then
// left behind.
void FillDemoData(sqlite3* db, const DemoDataOptions& options);

}  // namespace vdimpexp::schema

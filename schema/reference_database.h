// The reference host database: the shop tables and queries the import and
// export wizards read and write, as a SQLite schema. The host owns its
// database; this one exists so that the demo host, the tests and the
// benchmarks have a real database of the right shape to work against.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

#include "schema/demo_data.h"

namespace vdimpexp::schema {

// Invoice kinds held in Jobs.InvoiceType.
inline constexpr int kInvoiceTypeSale = 30;
inline constexpr int kInvoiceTypeRepair = 31;
inline constexpr int kInvoiceTypeQuote = 32;

// Contact types (ContactTypes.ClientTypeID) the legacy import assigns.
inline constexpr int kContactTypeDealer = 2;
inline constexpr int kContactTypeVendor = 4;
inline constexpr int kContactTypeManufacturer = 8;
inline constexpr int kContactTypeCustomer = 9;

// Item types (ItemTypes.ItemTypeID). The comment lines' type is hidden
// from the inventory filter (DoNotShow).
inline constexpr int kItemTypeLabor = 1;
inline constexpr int kItemTypeParts = 2;
inline constexpr int kItemTypeComment = 7;

// The referral source every imported contact is filed under. Referral keys
// are random AutoNumbers in the shop database, hence the odd value.
inline constexpr int32_t kConvertedReferralId = -1595250750;

// Creates every table, view and index of the host database on `db` and
// fills the fixed lookup rows (system options, contact types, referral
// sources, job status codes, item types, makes, descriptions). Throws
// std::runtime_error naming the failing statement and SQLite's message.
void CreateReferenceSchema(sqlite3* db);

// Creates a new database file at `path` holding the schema and the demo
// data. Refuses (std::runtime_error) when `path` already exists; removes
// the half-written file when anything fails.
void CreateReferenceDatabase(const std::string& path, const DemoDataOptions& demo);

// Creates a zip-code source database at `path`: one table
// AustralianZipCodes (PostCode, CityTown, State, AreaCode) with `rows`
// distinct post codes, deterministic for a given seed. Refuses an existing
// path, and a row count beyond the post codes there are.
void CreateZipCodeSourceDatabase(const std::string& path, int rows, uint32_t seed);

}  // namespace vdimpexp::schema

#include "schema/reference_database.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "schema/demo_random.h"
#include "schema/sqlite_util.h"

namespace vdimpexp::schema {

namespace {

using internal::ExecScript;

// Declared types follow the shop database's own column types: TEXT(n) for
// sized text, LONGTEXT for memos, SMALLINT for 16-bit numbers, INTEGER for
// 32-bit numbers, BIT for yes/no flags (0/1), CURRENCY for money, DATETIME
// for dates kept as ISO text ('yyyy-mm-dd'). An INTEGER PRIMARY KEY
// AUTOINCREMENT column is an AutoNumber. Lookup tables whose ids have
// meaning (status codes, item types, ...) carry a plain SMALLINT key, since
// those ids are chosen by the shop, not counted by the database.
//
// Every table puts its key first: the column order is the order users see
// when they pick fields to export.
constexpr std::string_view kTables = R"sql(
CREATE TABLE SystemOptions (
  ID SMALLINT NOT NULL PRIMARY KEY,
  OptionDesc TEXT(50),
  Value TEXT(255)
);

CREATE TABLE ContactTypes (
  ClientTypeID SMALLINT NOT NULL PRIMARY KEY,
  ClientType TEXT(30)
);

-- InActive is a number rather than a flag: the shop's screens store 1 for
-- a retired source and leave it empty or 0 otherwise.
CREATE TABLE Referals (
  ReferalID INTEGER PRIMARY KEY AUTOINCREMENT,
  ReferalSource TEXT(50),
  InActive SMALLINT DEFAULT 0
);

CREATE TABLE AddressDescriptions (
  AddressDescID SMALLINT NOT NULL PRIMARY KEY,
  AddressDesc TEXT(30)
);

CREATE TABLE PhoneDescriptions (
  PhoneDescID SMALLINT NOT NULL PRIMARY KEY,
  PhoneDesc TEXT(30)
);

CREATE TABLE Contacts (
  CKey INTEGER PRIMARY KEY AUTOINCREMENT,
  FileAs TEXT(60),
  ClientType SMALLINT DEFAULT 9,
  Contact TEXT(40),
  FirstName TEXT(30),
  LastName TEXT(30),
  Company TEXT(50),
  Address TEXT(50),
  AddressDescriptionID SMALLINT DEFAULT 0,
  City TEXT(30),
  State TEXT(20),
  ZipCode TEXT(10),
  EMail TEXT(60),
  ReferalBy INTEGER,
  CustomerSince DATETIME,
  LastVisit DATETIME,
  TaxTable SMALLINT DEFAULT 0,
  CustTaxable SMALLINT DEFAULT 0,
  TaxExemptNo TEXT(20),
  CreditLimit CURRENCY DEFAULT 0,
  Terms SMALLINT DEFAULT 0,
  EstimateReqOption SMALLINT DEFAULT 0,
  SendBillsToThisAddress BIT DEFAULT 0,
  ShipToThisAddress BIT DEFAULT 0,
  AccountNo1 TEXT(20),
  AccountNo2 TEXT(20),
  Notes LONGTEXT
);

CREATE TABLE ContactPhones (
  PhoneID INTEGER PRIMARY KEY AUTOINCREMENT,
  CKey INTEGER NOT NULL,
  AddressDescID SMALLINT DEFAULT 0,
  PhoneDescID SMALLINT DEFAULT 0,
  Phone TEXT(30),
  Contact TEXT(40)
);

CREATE TABLE ZipCodes (
  ZipCode TEXT(10) NOT NULL,
  City TEXT(50),
  State TEXT(10),
  AreaCode TEXT(5)
);

CREATE TABLE JobStatusCodes (
  StatusCode SMALLINT NOT NULL PRIMARY KEY,
  Explain TEXT(50)
);

CREATE TABLE ProductMakes (
  MakeID INTEGER PRIMARY KEY AUTOINCREMENT,
  Make TEXT(50),
  InActive SMALLINT DEFAULT 0
);

CREATE TABLE ItemTypes (
  ItemTypeID SMALLINT NOT NULL PRIMARY KEY,
  ItemTypeDesc TEXT(30),
  DoNotShow BIT DEFAULT 0
);

CREATE TABLE ProductLines (
  ProductLineID SMALLINT NOT NULL PRIMARY KEY,
  ProductLineDesc TEXT(30)
);

CREATE TABLE InventoryCategories (
  CategoryID SMALLINT NOT NULL PRIMARY KEY,
  CategoryDesc TEXT(30)
);

CREATE TABLE Employees (
  EmployeeNo INTEGER PRIMARY KEY AUTOINCREMENT,
  ShortName TEXT(10),
  FirstName TEXT(30),
  LastName TEXT(30),
  Title TEXT(30),
  HireDate DATETIME,
  IsTechnician BIT DEFAULT 0,
  HourlyRate CURRENCY DEFAULT 0,
  InActive SMALLINT DEFAULT 0
);

-- Standard item wording, one text for the estimate and one for the invoice.
CREATE TABLE ItemDescription (
  DescID INTEGER PRIMARY KEY AUTOINCREMENT,
  DescEstimate TEXT(255),
  DescInvoice TEXT(255)
);

-- Notes is a sized text here, not a memo: it prints on the pick list.
CREATE TABLE InventoryItems (
  InventoryID INTEGER PRIMARY KEY AUTOINCREMENT,
  ItemNumber TEXT(20),
  ItemType SMALLINT DEFAULT 0,
  GeneticNo TEXT(20),
  MakeID INTEGER,
  ProductLine SMALLINT DEFAULT 0,
  Category SMALLINT DEFAULT 0,
  DescEstimate TEXT(255),
  DescInvoice TEXT(255),
  TaxableItem BIT DEFAULT 0,
  Location TEXT(20),
  StorageBin1 TEXT(20),
  UnitsInStock1 DOUBLE DEFAULT 0,
  ReOrderPoint1 DOUBLE DEFAULT 0,
  StorageBin2 TEXT(20),
  UnitsInStock2 DOUBLE DEFAULT 0,
  ReOrderPoint2 DOUBLE DEFAULT 0,
  LastItemUsedOn DATETIME,
  CostOrRate CURRENCY DEFAULT 0,
  CostOrRateLastUpdated DATETIME,
  SalesPriceOrRate CURRENCY DEFAULT 0,
  AllowBackOrders BIT DEFAULT 0,
  VendorCKey INTEGER,
  Notes TEXT(255)
);

-- Job numbers are the shop's invoice numbers, counted by the database.
-- They are whole numbers, not text, so that a range typed as text
-- ('9000' to '10500') still compares as numbers: SQLite converts the
-- quoted bounds to the column's numeric affinity, also through the
-- JobsReports view.
CREATE TABLE Jobs (
  JobNo INTEGER PRIMARY KEY AUTOINCREMENT,
  CKey INTEGER,
  InvoiceType SMALLINT DEFAULT 31,
  StatusCode SMALLINT DEFAULT 1,
  DateIn DATETIME,
  DateCompleted DATETIME,
  ClaimedOn DATETIME,
  MakeID INTEGER,
  ModelNo TEXT(30),
  SerialNo TEXT(30),
  ProductDesc TEXT(50),
  ProblemDesc TEXT(255),
  TechnicianID INTEGER,
  PONumber TEXT(20),
  SubTotal CURRENCY DEFAULT 0,
  SalesTax CURRENCY DEFAULT 0,
  InvoiceTotal CURRENCY DEFAULT 0,
  AmountPaid CURRENCY DEFAULT 0,
  JobNotes LONGTEXT
);

CREATE TABLE JobItems (
  JobItemID INTEGER PRIMARY KEY AUTOINCREMENT,
  JobNo INTEGER NOT NULL,
  ForPartyNo SMALLINT DEFAULT 0,
  IsQuote BIT DEFAULT 0,
  QtyOrdered DOUBLE DEFAULT 0,
  QtyShipped DOUBLE DEFAULT 0,
  ItemType SMALLINT,
  ItemNumber TEXT(20),
  DescID INTEGER,
  TextDescEstimate TEXT(255),
  TextDescInvoice TEXT(255),
  ReferenceNo TEXT(20),
  CostOrRate CURRENCY DEFAULT 0,
  PriceOrRate CURRENCY DEFAULT 0,
  ExtendedPriceOrRate CURRENCY DEFAULT 0,
  ItemSerialNo TEXT(30),
  TaxableItem BIT DEFAULT 0,
  TechnicianID INTEGER
);

CREATE TABLE JobsWarranty (
  WarrantyID INTEGER PRIMARY KEY AUTOINCREMENT,
  JobNo INTEGER NOT NULL,
  WarrantyCKey INTEGER,
  ClaimNo TEXT(20),
  AuthorizationNo TEXT(20),
  PurchaseDate DATETIME,
  DealerName TEXT(50),
  ClaimDate DATETIME,
  ClaimAmount CURRENCY DEFAULT 0,
  AmountPaid CURRENCY DEFAULT 0,
  DatePaid DATETIME
);

CREATE TABLE ServiceLiterature (
  DocID INTEGER PRIMARY KEY AUTOINCREMENT,
  MakeID INTEGER,
  ModelNo TEXT(30),
  DocType TEXT(30),
  Title TEXT(100),
  DocNumber TEXT(30),
  Location TEXT(30),
  Pages SMALLINT,
  DateReceived DATETIME,
  Notes LONGTEXT
);

CREATE TABLE ServiceTips (
  TipID INTEGER PRIMARY KEY AUTOINCREMENT,
  MakeID INTEGER,
  ModelNo TEXT(30),
  Symptom TEXT(255),
  Cure LONGTEXT,
  PartsUsed TEXT(100),
  DateEntered DATETIME,
  EnteredBy INTEGER
);
)sql";

// The shop database compares text without regard to case, so its unique
// indexes refuse "SMITH JOHN" beside "Smith John"; NOCASE keeps that.
constexpr std::string_view kIndexes = R"sql(
CREATE UNIQUE INDEX Contacts_FileAs ON Contacts (FileAs COLLATE NOCASE);
CREATE UNIQUE INDEX InventoryItems_ItemNumber ON InventoryItems (ItemNumber COLLATE NOCASE);
CREATE UNIQUE INDEX ZipCodes_ZipCode ON ZipCodes (ZipCode COLLATE NOCASE);
CREATE INDEX Contacts_ZipCode ON Contacts (ZipCode);
CREATE INDEX ContactPhones_CKey ON ContactPhones (CKey);
CREATE INDEX Jobs_CKey ON Jobs (CKey);
CREATE INDEX JobItems_JobNo ON JobItems (JobNo);
CREATE INDEX JobsWarranty_JobNo ON JobsWarranty (JobNo);
)sql";

// Queries the shop saved in its database. Their column names are unique,
// because exports copy "SELECT * FROM" them into new tables. Left joins
// keep one row per job and per inventory item even when a lookup row is
// missing; the lookups are joined on their keys, so they never repeat one.
constexpr std::string_view kViews = R"sql(
CREATE VIEW JobsReports AS
SELECT Jobs.JobNo, Jobs.InvoiceType, Jobs.StatusCode,
       JobStatusCodes.Explain AS StatusDesc, Jobs.DateIn, Jobs.DateCompleted,
       Jobs.ClaimedOn, Jobs.MakeID, ProductMakes.Make, Jobs.ModelNo, Jobs.SerialNo,
       Jobs.ProductDesc, Jobs.ProblemDesc, Jobs.TechnicianID, Jobs.PONumber,
       Jobs.SubTotal, Jobs.SalesTax, Jobs.InvoiceTotal, Jobs.AmountPaid, Jobs.CKey,
       Contacts.FileAs, Contacts.ClientType, Contacts.Contact, Contacts.FirstName,
       Contacts.LastName, Contacts.Company, Contacts.Address, Contacts.City,
       Contacts.State, Contacts.ZipCode, Contacts.EMail, Contacts.ReferalBy,
       Contacts.CustomerSince, Contacts.LastVisit, Contacts.AccountNo1
FROM Jobs
     LEFT JOIN Contacts ON Jobs.CKey = Contacts.CKey
     LEFT JOIN JobStatusCodes ON Jobs.StatusCode = JobStatusCodes.StatusCode
     LEFT JOIN ProductMakes ON Jobs.MakeID = ProductMakes.MakeID;

CREATE VIEW InventoryWithDefsAll AS
SELECT InventoryItems.*, ItemTypes.ItemTypeDesc, ProductLines.ProductLineDesc,
       InventoryCategories.CategoryDesc, ProductMakes.Make
FROM InventoryItems
     LEFT JOIN ItemTypes ON InventoryItems.ItemType = ItemTypes.ItemTypeID
     LEFT JOIN ProductLines ON InventoryItems.ProductLine = ProductLines.ProductLineID
     LEFT JOIN InventoryCategories ON InventoryItems.Category = InventoryCategories.CategoryID
     LEFT JOIN ProductMakes ON InventoryItems.MakeID = ProductMakes.MakeID;
)sql";

// Rows every shop database starts with. Status codes 0, 7 and 15 and the
// retired referral, make and item type are there on purpose: the export
// filter lists must leave them out.
constexpr std::string_view kLookupRows = R"sql(
INSERT INTO SystemOptions (ID, OptionDesc, Value) VALUES
  (1, 'Shop name', 'Harbourside Electronics Service'),
  (2, 'Default labor rate', '65.00'),
  (41, 'Default tax table for new contacts', '1'),
  (46, 'Default terms for new contacts', '1'),
  (47, 'New contacts are taxable', '1');

INSERT INTO ContactTypes (ClientTypeID, ClientType) VALUES
  (1, 'Wholesale'),
  (2, 'Dealer'),
  (3, 'Commercial Account'),
  (4, 'Vendor'),
  (5, 'Government'),
  (6, 'Insurance Company'),
  (7, 'Warranty Company'),
  (8, 'Manufacturer'),
  (9, 'Customer');

INSERT INTO Referals (ReferalID, ReferalSource, InActive) VALUES
  (-1595250750, 'Converted from XAV', 0),
  (1, 'Yellow Pages', 0),
  (2, 'Newspaper Ad', 0),
  (3, 'Word of Mouth', 0),
  (4, 'Repeat Customer', NULL),
  (5, 'Manufacturer Referral', 0),
  (6, 'Dealer Referral', 0),
  (7, 'Web Site', 0),
  (8, 'Radio Spot', 1),
  (9, 'Flyer', NULL);

INSERT INTO AddressDescriptions (AddressDescID, AddressDesc) VALUES
  (0, '(None)'),
  (1, 'Home'),
  (2, 'Work'),
  (15, 'Main'),
  (16, 'Billing'),
  (17, 'Shipping');

INSERT INTO PhoneDescriptions (PhoneDescID, PhoneDesc) VALUES
  (1, 'Main'),
  (8, 'Home'),
  (12, 'Mobile'),
  (18, 'Fax'),
  (22, 'Pager'),
  (35, 'Work');

INSERT INTO JobStatusCodes (StatusCode, Explain) VALUES
  (0, 'Not yet logged in'),
  (1, 'Awaiting diagnosis'),
  (2, 'Estimate pending'),
  (3, 'Waiting for customer approval'),
  (4, 'Approved - in repair'),
  (5, 'Waiting for parts'),
  (6, 'Parts on back order'),
  (7, 'Void'),
  (8, 'Sent out for repair'),
  (9, 'Repair completed'),
  (10, 'Customer notified'),
  (11, 'Ready for pickup'),
  (12, 'Claimed by customer'),
  (13, 'Warranty claim submitted'),
  (14, 'Closed - paid in full'),
  (15, 'Archived');

INSERT INTO ProductMakes (MakeID, Make, InActive) VALUES
  (1, 'Sony', 0),
  (2, 'Panasonic', 0),
  (3, 'JVC', 0),
  (4, 'Toshiba', NULL),
  (5, 'Sharp', 0),
  (6, 'Samsung', 0),
  (7, 'LG', 0),
  (8, 'Philips', 0),
  (9, 'Pioneer', 0),
  (10, 'Kenwood', 0),
  (11, 'Yamaha', 0),
  (12, 'Denon', 0),
  (13, 'Hitachi', 0),
  (14, 'Mitsubishi', 0),
  (15, 'RCA', 0),
  (16, 'Zenith', 1),
  (17, 'Magnavox', 0),
  (18, 'Canon', 0),
  (19, 'Epson', 0),
  (20, 'Hewlett-Packard', NULL);

INSERT INTO ItemTypes (ItemTypeID, ItemTypeDesc, DoNotShow) VALUES
  (1, 'Labor', 0),
  (2, 'Parts', 0),
  (3, 'Sublet Repair', 0),
  (4, 'Freight', 0),
  (5, 'Miscellaneous', 0),
  (6, 'Service Contract', 0),
  (7, 'Comment Line', 1);

INSERT INTO ProductLines (ProductLineID, ProductLineDesc) VALUES
  (1, 'Consumer Audio'),
  (2, 'Consumer Video'),
  (3, 'General'),
  (4, 'Office Equipment'),
  (5, 'Computers');

INSERT INTO InventoryCategories (CategoryID, CategoryDesc) VALUES
  (1, 'Belts and Tires'),
  (2, 'Semiconductors'),
  (3, 'Capacitors'),
  (4, 'Resistors'),
  (5, 'Remote Controls'),
  (6, 'Lamps'),
  (7, 'Heads and Drums'),
  (8, 'Power Supplies'),
  (9, 'General Stock');
)sql";

// A database file the caller asked for and that must not survive a
// failure half-built.
class NewDatabaseFile {
 public:
  explicit NewDatabaseFile(std::string path) : path_(std::move(path)) {
    std::error_code ec;
    if (std::filesystem::exists(path_, ec) || ec) {
      throw std::runtime_error("Cannot create database " + path_ +
                               ": the file already exists");
    }
    const int rc = sqlite3_open_v2(path_.c_str(), &db_,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE |
                                       SQLITE_OPEN_NOMUTEX,  // used by this thread alone
                                   nullptr);
    if (rc != SQLITE_OK) {
      const std::string message =
          db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
      sqlite3_close(db_);
      db_ = nullptr;
      std::filesystem::remove(path_, ec);
      throw std::runtime_error("Cannot create database " + path_ + ": " + message);
    }
    // The file is new and is removed if anything fails, so the journal
    // need not survive a crash; this keeps big demo sets quick to build.
    ExecScript(db_, "PRAGMA synchronous = OFF;");
  }

  ~NewDatabaseFile() {
    if (db_ == nullptr) return;
    sqlite3_close(db_);
    if (!kept_) {
      std::error_code ec;
      std::filesystem::remove(path_, ec);
      std::filesystem::remove(path_ + "-journal", ec);
    }
  }

  NewDatabaseFile(const NewDatabaseFile&) = delete;
  NewDatabaseFile& operator=(const NewDatabaseFile&) = delete;

  sqlite3* db() const { return db_; }

  void Keep() {
    const int rc = sqlite3_close(db_);
    if (rc != SQLITE_OK) {
      throw std::runtime_error("Cannot close database " + path_ + ": " +
                               sqlite3_errmsg(db_));
    }
    db_ = nullptr;
    kept_ = true;
  }

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
  bool kept_ = false;
};

// Post code ranges by state, with the state's telephone area code. The
// Northern Territory's codes begin with a zero, which a numeric column
// would lose.
struct PostCodeRange {
  int first;
  int last;
  const char* state;
  const char* area_code;
};
constexpr PostCodeRange kPostCodeRanges[] = {
    {800, 899, "NT", "08"},    {2000, 2599, "NSW", "02"}, {2600, 2618, "ACT", "02"},
    {2619, 2999, "NSW", "02"}, {3000, 3999, "VIC", "03"}, {4000, 4999, "QLD", "07"},
    {5000, 5799, "SA", "08"},  {6000, 6797, "WA", "08"},  {7000, 7799, "TAS", "03"},
};

constexpr const char* kPlacePrefixes[] = {
    "Glen",  "Mount", "Port", "North", "South", "East", "West", "Upper",
    "Lower", "New",   "Lake", "Point", "Cape",  "Bay",  "Fair", "Spring",
};
constexpr const char* kPlaceStems[] = {
    "Acacia",    "Banksia",    "Bellbird",    "Boronia",  "Brigalow",  "Coolabah",
    "Currawong", "Dingo",      "Emu",         "Galah",    "Gidgee",    "Ironbark",
    "Jarrah",    "Kookaburra", "Mallee",      "Myall",    "Paperbark", "Quandong",
    "Red Gum",   "Saltbush",   "Stringybark", "Tea Tree", "Wattle",    "Yarran",
};
constexpr const char* kPlaceSuffixes[] = {
    "",      " Creek", " Heights", " Flat",  " Vale",    " Park",
    " Hill", " Downs", " Plains",  " Beach", " Springs", " Ridge",
};

}  // namespace

void CreateReferenceSchema(sqlite3* db) {
  ExecScript(db, "SAVEPOINT create_reference_schema;");
  try {
    ExecScript(db, kTables);
    ExecScript(db, kIndexes);
    ExecScript(db, kViews);
    ExecScript(db, kLookupRows);
  } catch (...) {
    sqlite3_exec(db,
                 "ROLLBACK TO create_reference_schema; RELEASE create_reference_schema;",
                 nullptr, nullptr, nullptr);
    throw;
  }
  ExecScript(db, "RELEASE create_reference_schema;");
}

void CreateReferenceDatabase(const std::string& path, const DemoDataOptions& demo) {
  NewDatabaseFile file(path);
  CreateReferenceSchema(file.db());
  FillDemoData(file.db(), demo);
  file.Keep();
}

void CreateZipCodeSourceDatabase(const std::string& path, int rows, uint32_t seed) {
  std::vector<int> codes;
  std::vector<const PostCodeRange*> range_of;
  for (const auto& range : kPostCodeRanges) {
    for (int code = range.first; code <= range.last; ++code) {
      codes.push_back(code);
      range_of.push_back(&range);
    }
  }
  if (rows < 0 || rows > static_cast<int>(codes.size())) {
    throw std::invalid_argument("A zip-code source holds 0 to " +
                                std::to_string(codes.size()) + " post codes, not " +
                                std::to_string(rows));
  }

  // Choose `rows` distinct codes: a partial Fisher-Yates shuffle of the
  // indices, then back into code order, as the source lists them.
  internal::DemoRandom random(seed ^ 0x5A1Cu);
  std::vector<size_t> order(codes.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  for (int i = 0; i < rows; ++i) {
    const size_t j = i + random.Below(order.size() - i);
    std::swap(order[i], order[j]);
  }
  order.resize(rows);
  std::sort(order.begin(), order.end());

  NewDatabaseFile file(path);
  ExecScript(file.db(), R"sql(
    CREATE TABLE AustralianZipCodes (
      PostCode TEXT(10),
      CityTown TEXT(50),
      State TEXT(10),
      AreaCode TEXT(5)
    );
    BEGIN;
  )sql");
  {
    internal::Statement insert(
        file.db(),
        "INSERT INTO AustralianZipCodes (PostCode, CityTown, State, "
        "AreaCode) VALUES (?, ?, ?, ?)");
    for (const size_t index : order) {
      char post_code[8];
      std::snprintf(post_code, sizeof post_code, "%04d", codes[index]);
      std::string town;
      if (random.Chance(35)) town = std::string(random.Pick(kPlacePrefixes)) + " ";
      town += random.Pick(kPlaceStems);
      town += random.Pick(kPlaceSuffixes);
      insert.Text(1, post_code).Text(2, town).Text(3, range_of[index]->state);
      // Some rows of the published lists have no area code.
      if (random.Chance(8)) {
        insert.Null(4);
      } else {
        insert.Text(4, range_of[index]->area_code);
      }
      insert.Run();
    }
  }  // the statement must be finalized before the file is closed
  ExecScript(file.db(), "COMMIT;");
  file.Keep();
}

}  // namespace vdimpexp::schema

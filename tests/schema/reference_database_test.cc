#include "schema/reference_database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "schema_test_util.h"

namespace vdimpexp::schema {
namespace {

using testing::Db;
using testing::FindColumn;
using testing::TableInfo;

class SchemaTest : public ::testing::Test {
 protected:
  void SetUp() override { CreateReferenceSchema(db_.get()); }
  Db db_;
};

std::string Upper(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

TEST_F(SchemaTest, EveryNamedTableAndQueryExists) {
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Contacts", "table"},
      {"ContactPhones", "table"},
      {"ContactTypes", "table"},
      {"Referals", "table"},
      {"JobStatusCodes", "table"},
      {"ItemTypes", "table"},
      {"ProductMakes", "table"},
      {"SystemOptions", "table"},
      {"ZipCodes", "table"},
      {"InventoryItems", "table"},
      {"ServiceLiterature", "table"},
      {"ServiceTips", "table"},
      {"JobItems", "table"},
      {"JobsWarranty", "table"},
      {"Employees", "table"},
      {"ItemDescription", "table"},
      {"Jobs", "table"},
      {"JobsReports", "view"},
      {"InventoryWithDefsAll", "view"},
  };
  for (const auto& [name, type] : expected) {
    EXPECT_EQ(db_.Text("SELECT type FROM sqlite_master WHERE name = '" + name + "'"),
              type)
        << name;
  }
}

struct ExpectedColumn {
  const char* table;
  const char* column;
  const char* type;
};

// Columns the wizards and imports read or write, with the declared types
// the engine maps onto column types and sizes.
const ExpectedColumn kExpectedColumns[] = {
    {"Contacts", "CKey", "INTEGER"},
    {"Contacts", "FileAs", "TEXT(60)"},
    {"Contacts", "ClientType", "SMALLINT"},
    {"Contacts", "Contact", "TEXT(40)"},
    {"Contacts", "FirstName", "TEXT(30)"},
    {"Contacts", "LastName", "TEXT(30)"},
    {"Contacts", "Company", "TEXT(50)"},
    {"Contacts", "Address", "TEXT(50)"},
    {"Contacts", "AddressDescriptionID", "SMALLINT"},
    {"Contacts", "City", "TEXT(30)"},
    {"Contacts", "State", "TEXT(20)"},
    {"Contacts", "ZipCode", "TEXT(10)"},
    {"Contacts", "ReferalBy", "INTEGER"},
    {"Contacts", "CustomerSince", "DATETIME"},
    {"Contacts", "LastVisit", "DATETIME"},
    {"Contacts", "TaxTable", "SMALLINT"},
    {"Contacts", "CustTaxable", "SMALLINT"},
    {"Contacts", "CreditLimit", "CURRENCY"},
    {"Contacts", "Terms", "SMALLINT"},
    {"Contacts", "EstimateReqOption", "SMALLINT"},
    {"Contacts", "SendBillsToThisAddress", "BIT"},
    {"Contacts", "ShipToThisAddress", "BIT"},
    {"Contacts", "AccountNo1", "TEXT(20)"},
    {"Contacts", "Notes", "LONGTEXT"},
    {"ContactPhones", "CKey", "INTEGER"},
    {"ContactPhones", "AddressDescID", "SMALLINT"},
    {"ContactPhones", "PhoneDescID", "SMALLINT"},
    {"ContactPhones", "Phone", "TEXT(30)"},
    {"ContactPhones", "Contact", "TEXT(40)"},
    {"SystemOptions", "ID", "SMALLINT"},
    {"SystemOptions", "Value", "TEXT(255)"},
    {"ContactTypes", "ClientTypeID", "SMALLINT"},
    {"ContactTypes", "ClientType", "TEXT(30)"},
    {"Referals", "ReferalID", "INTEGER"},
    {"Referals", "ReferalSource", "TEXT(50)"},
    {"Referals", "InActive", "SMALLINT"},
    {"JobStatusCodes", "StatusCode", "SMALLINT"},
    {"JobStatusCodes", "Explain", "TEXT(50)"},
    {"ItemTypes", "ItemTypeID", "SMALLINT"},
    {"ItemTypes", "ItemTypeDesc", "TEXT(30)"},
    {"ItemTypes", "DoNotShow", "BIT"},
    {"ProductMakes", "MakeID", "INTEGER"},
    {"ProductMakes", "Make", "TEXT(50)"},
    {"ProductMakes", "InActive", "SMALLINT"},
    {"ZipCodes", "ZipCode", "TEXT(10)"},
    {"ZipCodes", "City", "TEXT(50)"},
    {"ZipCodes", "State", "TEXT(10)"},
    {"ZipCodes", "AreaCode", "TEXT(5)"},
    {"InventoryItems", "ItemType", "SMALLINT"},
    {"InventoryItems", "ItemNumber", "TEXT(20)"},
    {"InventoryItems", "GeneticNo", "TEXT(20)"},
    {"InventoryItems", "ProductLine", "SMALLINT"},
    {"InventoryItems", "Category", "SMALLINT"},
    {"InventoryItems", "DescEstimate", "TEXT(255)"},
    {"InventoryItems", "DescInvoice", "TEXT(255)"},
    {"InventoryItems", "TaxableItem", "BIT"},
    {"InventoryItems", "Location", "TEXT(20)"},
    {"InventoryItems", "LastItemUsedOn", "DATETIME"},
    {"InventoryItems", "StorageBin1", "TEXT(20)"},
    {"InventoryItems", "UnitsInStock1", "DOUBLE"},
    {"InventoryItems", "ReOrderPoint1", "DOUBLE"},
    {"InventoryItems", "CostOrRateLastUpdated", "DATETIME"},
    {"InventoryItems", "CostOrRate", "CURRENCY"},
    {"InventoryItems", "SalesPriceOrRate", "CURRENCY"},
    {"InventoryItems", "AllowBackOrders", "BIT"},
    {"InventoryItems", "Notes", "TEXT(255)"},
    {"ServiceLiterature", "MakeID", "INTEGER"},
    {"ServiceTips", "MakeID", "INTEGER"},
    {"Jobs", "JobNo", "INTEGER"},
    {"Jobs", "CKey", "INTEGER"},
    {"Jobs", "InvoiceType", "SMALLINT"},
    {"Jobs", "StatusCode", "SMALLINT"},
    {"Jobs", "DateIn", "DATETIME"},
    {"Jobs", "ClaimedOn", "DATETIME"},
    {"Jobs", "MakeID", "INTEGER"},
    {"JobItems", "JobNo", "INTEGER"},
    {"JobItems", "ForPartyNo", "SMALLINT"},
    {"JobItems", "IsQuote", "BIT"},
    {"JobItems", "QtyOrdered", "DOUBLE"},
    {"JobItems", "QtyShipped", "DOUBLE"},
    {"JobItems", "ItemType", "SMALLINT"},
    {"JobItems", "ItemNumber", "TEXT(20)"},
    {"JobItems", "DescID", "INTEGER"},
    {"JobItems", "TextDescEstimate", "TEXT(255)"},
    {"JobItems", "TextDescInvoice", "TEXT(255)"},
    {"JobItems", "ReferenceNo", "TEXT(20)"},
    {"JobItems", "CostOrRate", "CURRENCY"},
    {"JobItems", "PriceOrRate", "CURRENCY"},
    {"JobItems", "ExtendedPriceOrRate", "CURRENCY"},
    {"JobItems", "ItemSerialNo", "TEXT(30)"},
    {"JobItems", "TaxableItem", "BIT"},
    {"JobItems", "TechnicianID", "INTEGER"},
    {"JobsWarranty", "JobNo", "INTEGER"},
    {"Employees", "EmployeeNo", "INTEGER"},
    {"Employees", "ShortName", "TEXT(10)"},
    {"ItemDescription", "DescID", "INTEGER"},
    {"ItemDescription", "DescEstimate", "TEXT(255)"},
    {"ItemDescription", "DescInvoice", "TEXT(255)"},
};

TEST_F(SchemaTest, ColumnsCarryTheirDeclaredTypesAndSizes) {
  for (const auto& expected : kExpectedColumns) {
    const auto column = FindColumn(TableInfo(db_, expected.table), expected.column);
    ASSERT_TRUE(column.has_value()) << expected.table << "." << expected.column;
    EXPECT_EQ(column->type, expected.type) << expected.table << "." << expected.column;
  }
}

TEST_F(SchemaTest, AutoNumberKeysAreNeverReused) {
  db_.MustExec(
      "INSERT INTO Contacts (FileAs) VALUES ('First'); "
      "INSERT INTO Contacts (FileAs) VALUES ('Second');");
  const auto second = db_.Int("SELECT CKey FROM Contacts WHERE FileAs = 'Second'");
  ASSERT_TRUE(second.has_value());
  db_.MustExec(
      "DELETE FROM Contacts WHERE FileAs = 'Second'; "
      "INSERT INTO Contacts (FileAs) VALUES ('Third');");
  // A key handed out once stays used, as with an AutoNumber: phone rows of
  // a deleted contact must never attach to a new one.
  EXPECT_GT(db_.Int("SELECT CKey FROM Contacts WHERE FileAs = 'Third'"), *second);
}

TEST_F(SchemaTest, NewRowsTakeTheShopDefaults) {
  db_.MustExec("INSERT INTO Contacts (FileAs) VALUES ('Defaults')");
  EXPECT_EQ(db_.Int("SELECT CreditLimit FROM Contacts"), 0);
  EXPECT_EQ(db_.Int("SELECT Terms FROM Contacts"), 0);
  EXPECT_EQ(db_.Int("SELECT TaxTable FROM Contacts"), 0);
  EXPECT_EQ(db_.Int("SELECT CustTaxable FROM Contacts"), 0);
  EXPECT_EQ(db_.Int("SELECT ClientType FROM Contacts"), kContactTypeCustomer);

  db_.MustExec("INSERT INTO InventoryItems (ItemNumber) VALUES ('X-1')");
  for (const char* column :
       {"UnitsInStock1", "ReOrderPoint1", "CostOrRate", "SalesPriceOrRate",
        "AllowBackOrders", "TaxableItem", "ProductLine", "Category"}) {
    EXPECT_EQ(db_.Int(std::string("SELECT ") + column + " FROM InventoryItems"), 0)
        << column;
  }
  // A new item has no use date: the import copies this null onwards.
  EXPECT_EQ(db_.Int("SELECT COUNT(*) FROM InventoryItems WHERE LastItemUsedOn IS NULL"),
            1);
}

void ExpectDuplicateRefused(const Db& db, const std::string& first,
                            const std::string& second) {
  ASSERT_EQ(db.Exec(first), SQLITE_OK) << sqlite3_errmsg(db.get());
  EXPECT_EQ(db.Exec(second), SQLITE_CONSTRAINT) << second;
  EXPECT_EQ(sqlite3_extended_errcode(db.get()), SQLITE_CONSTRAINT_UNIQUE);
}

TEST_F(SchemaTest, UniqueIndexOnFileAsRefusesDuplicatesWhateverTheirCase) {
  ExpectDuplicateRefused(db_, "INSERT INTO Contacts (FileAs) VALUES ('Smith John')",
                         "INSERT INTO Contacts (FileAs) VALUES ('Smith John')");
  EXPECT_EQ(db_.Exec("INSERT INTO Contacts (FileAs) VALUES ('SMITH JOHN')"),
            SQLITE_CONSTRAINT);
  // The import's way out: a suffixed name is accepted.
  EXPECT_EQ(db_.Exec("INSERT INTO Contacts (FileAs) VALUES ('Smith John-17')"),
            SQLITE_OK);
  EXPECT_EQ(db_.Int("SELECT COUNT(*) FROM Contacts"), 2);
}

TEST_F(SchemaTest, UniqueIndexOnItemNumberRefusesDuplicates) {
  ExpectDuplicateRefused(db_,
                         "INSERT INTO InventoryItems (ItemNumber) VALUES ('SON-1234')",
                         "INSERT INTO InventoryItems (ItemNumber) VALUES ('son-1234')");
  EXPECT_EQ(db_.Exec("INSERT INTO InventoryItems (ItemNumber) VALUES ('SON-1235')"),
            SQLITE_OK);
}

TEST_F(SchemaTest, UniqueIndexOnZipCodeRefusesDuplicates) {
  ExpectDuplicateRefused(
      db_, "INSERT INTO ZipCodes (ZipCode, City) VALUES ('0800', 'Darwin')",
      "INSERT INTO ZipCodes (ZipCode, City) VALUES ('0800', 'Darwin City')");
  // A zip code is text: '800' is a different code from '0800'.
  EXPECT_EQ(db_.Exec("INSERT INTO ZipCodes (ZipCode, City) VALUES ('800', 'Elsewhere')"),
            SQLITE_OK);
  EXPECT_EQ(db_.Text("SELECT ZipCode FROM ZipCodes WHERE City = 'Darwin'"), "0800");
}

TEST_F(SchemaTest, SystemOptionsHoldTheContactDefaults) {
  for (const int id : {41, 46, 47}) {
    const auto value = db_.Text(
        "SELECT SystemOptions.Value FROM SystemOptions WHERE ID=" + std::to_string(id));
    ASSERT_TRUE(value.has_value()) << id;
    EXPECT_FALSE(value->empty()) << id;
  }
  // The option values land in SMALLINT columns of Contacts, so they must
  // read as whole numbers.
  EXPECT_EQ(db_.Text("SELECT Value FROM SystemOptions WHERE ID=41"), "1");
  EXPECT_EQ(db_.Text("SELECT Value FROM SystemOptions WHERE ID=47"), "1");
}

TEST_F(SchemaTest, StatusCodesIncludeTheOnesTheStatusListLeavesOut) {
  const auto codes =
      db_.Column("SELECT StatusCode FROM JobStatusCodes ORDER BY StatusCode");
  for (const char* code : {"0", "1", "6", "7", "8", "14", "15"}) {
    EXPECT_NE(std::find(codes.begin(), codes.end(), code), codes.end()) << code;
  }
  // What the status filter list keeps: 1-6 and 8-14, thirteen entries.
  EXPECT_EQ(
      db_.Int("SELECT COUNT(*) FROM JobStatusCodes WHERE StatusCode BETWEEN 1 AND 6 "
              "OR StatusCode BETWEEN 8 AND 14"),
      13);
}

TEST_F(SchemaTest, InactiveReferralIsFilteredButNullAndZeroAreKept) {
  const std::string listed =
      "SELECT ReferalSource FROM Referals WHERE (InActive Is Null OR InActive <> 1) "
      "ORDER BY ReferalSource; ";
  const auto sources = db_.Column(listed);
  const auto all = db_.Int("SELECT COUNT(*) FROM Referals");
  EXPECT_EQ(static_cast<int64_t>(sources.size()) + 1, all);
  EXPECT_EQ(std::count(sources.begin(), sources.end(), "Radio Spot"), 0);
  EXPECT_EQ(db_.Int("SELECT InActive FROM Referals WHERE ReferalSource = 'Radio Spot'"),
            1);
  EXPECT_EQ(db_.Int("SELECT COUNT(*) FROM Referals WHERE InActive IS NULL"), 2);
  EXPECT_EQ(std::count(sources.begin(), sources.end(), "Flyer"), 1);
  EXPECT_EQ(db_.Text("SELECT ReferalSource FROM Referals WHERE ReferalID = " +
                     std::to_string(kConvertedReferralId)),
            "Converted from XAV");
}

TEST_F(SchemaTest, InactiveMakeIsFilteredButNullIsKept) {
  const auto makes = db_.Column(
      "SELECT Make FROM ProductMakes WHERE (InActive Is Null OR InActive <> 1) ORDER BY "
      "Make;");
  EXPECT_EQ(static_cast<int64_t>(makes.size()) + 1,
            db_.Int("SELECT COUNT(*) FROM ProductMakes"));
  EXPECT_EQ(std::count(makes.begin(), makes.end(), "Zenith"), 0);
  EXPECT_EQ(std::count(makes.begin(), makes.end(), "Toshiba"), 1);
  EXPECT_EQ(db_.Int("SELECT InActive IS NULL FROM ProductMakes WHERE Make = 'Toshiba'"),
            1);
}

TEST_F(SchemaTest, HiddenItemTypeIsFilteredWithDoNotShowFalse) {
  // The engine writes DoNotShow=FALSE as DoNotShow=0.
  const auto shown = db_.Column("SELECT ItemTypeDesc FROM ItemTypes WHERE DoNotShow=0");
  EXPECT_EQ(static_cast<int64_t>(shown.size()) + 1,
            db_.Int("SELECT COUNT(*) FROM ItemTypes"));
  EXPECT_EQ(std::count(shown.begin(), shown.end(), "Comment Line"), 0);
  EXPECT_EQ(db_.Int("SELECT DoNotShow FROM ItemTypes WHERE ItemTypeID = " +
                    std::to_string(kItemTypeComment)),
            1);
}

TEST_F(SchemaTest, LookupRowsTheImportsWriteExist) {
  // Contact types of the legacy tables, the address and phone description
  // ids, and the inventory item's type, product line and category.
  for (const int type : {kContactTypeDealer, kContactTypeVendor, kContactTypeManufacturer,
                         kContactTypeCustomer}) {
    EXPECT_EQ(db_.Int("SELECT COUNT(*) FROM ContactTypes WHERE ClientTypeID = " +
                      std::to_string(type)),
              1)
        << type;
  }
  EXPECT_EQ(
      db_.Text("SELECT AddressDesc FROM AddressDescriptions WHERE AddressDescID = 15"),
      "Main");
  EXPECT_EQ(db_.Text("SELECT PhoneDesc FROM PhoneDescriptions WHERE PhoneDescID = 8"),
            "Home");
  EXPECT_EQ(db_.Text("SELECT PhoneDesc FROM PhoneDescriptions WHERE PhoneDescID = 35"),
            "Work");
  EXPECT_EQ(db_.Text("SELECT PhoneDesc FROM PhoneDescriptions WHERE PhoneDescID = 18"),
            "Fax");
  EXPECT_EQ(db_.Text("SELECT ItemTypeDesc FROM ItemTypes WHERE ItemTypeID = 2"), "Parts");
  EXPECT_TRUE(
      db_.Text("SELECT ProductLineDesc FROM ProductLines WHERE ProductLineID = 3"));
  EXPECT_TRUE(
      db_.Text("SELECT CategoryDesc FROM InventoryCategories WHERE CategoryID = 9"));
}

void ExpectUniqueNames(const std::vector<std::string>& names, const std::string& what) {
  std::set<std::string> seen;
  for (const auto& name : names) {
    EXPECT_TRUE(seen.insert(Upper(name)).second) << what << " repeats " << name;
  }
}

TEST_F(SchemaTest, JobsReportsHoldsEveryFilterColumnOnce) {
  const auto columns = TableInfo(db_, "JobsReports");
  std::vector<std::string> names;
  for (const auto& c : columns) names.push_back(c.name);
  ExpectUniqueNames(names, "JobsReports");
  for (const char* filter :
       {"ClientType", "ReferalBy", "ZipCode", "LastVisit", "StatusCode", "MakeID",
        "DateIn", "ClaimedOn", "JobNo", "InvoiceType", "FirstName", "LastName"}) {
    EXPECT_TRUE(FindColumn(columns, filter).has_value()) << filter;
  }
  // Exports copy the view into new tables, so its columns must keep the
  // declared types of the tables below it.
  EXPECT_EQ(FindColumn(columns, "ZipCode")->type, "TEXT(10)");
  EXPECT_EQ(FindColumn(columns, "Contact")->type, "TEXT(40)");
  EXPECT_EQ(FindColumn(columns, "DateIn")->type, "DATETIME");
  EXPECT_EQ(FindColumn(columns, "JobNo")->type, "INTEGER");
  EXPECT_EQ(columns.front().name, "JobNo");
}

TEST_F(SchemaTest, InventoryWithDefsAllAddsDefinitionsToEveryItemColumn) {
  const auto view = TableInfo(db_, "InventoryWithDefsAll");
  std::vector<std::string> names;
  for (const auto& c : view) names.push_back(c.name);
  ExpectUniqueNames(names, "InventoryWithDefsAll");
  for (const auto& column : TableInfo(db_, "InventoryItems")) {
    const auto in_view = FindColumn(view, column.name);
    ASSERT_TRUE(in_view.has_value()) << column.name;
    EXPECT_EQ(in_view->type, column.type) << column.name;
  }
  for (const char* definition :
       {"ItemTypeDesc", "ProductLineDesc", "CategoryDesc", "Make"}) {
    EXPECT_TRUE(FindColumn(view, definition).has_value()) << definition;
  }
}

TEST_F(SchemaTest, ServiceDocumentAndTipJoinsGiveUniqueColumnNames) {
  const auto docs = db_.ResultColumns(
      "SELECT ServiceLiterature.*, ProductMakes.Make FROM ServiceLiterature LEFT JOIN "
      "ProductMakes ON ServiceLiterature.MakeID = ProductMakes.MakeID");
  ASSERT_GT(docs.size(), 3u);
  ExpectUniqueNames(docs, "service documents");
  const auto tips = db_.ResultColumns(
      "SELECT ServiceTips.*, ProductMakes.Make FROM ServiceTips LEFT JOIN ProductMakes "
      "ON "
      "ServiceTips.MakeID = ProductMakes.MakeID");
  ASSERT_GT(tips.size(), 3u);
  ExpectUniqueNames(tips, "service tips");
}

TEST_F(SchemaTest, JobsReportsKeepsJobsWhoseLookupsAreMissing) {
  db_.MustExec(
      "INSERT INTO Contacts (CKey, FileAs, ZipCode) VALUES (1, 'Known', '02134');"
      "INSERT INTO Jobs (JobNo, CKey, StatusCode, MakeID) VALUES (10001, 1, 4, 1);"
      "INSERT INTO Jobs (JobNo, CKey, StatusCode, MakeID) VALUES (10002, 999, 99, 999);");
  EXPECT_EQ(db_.Int("SELECT COUNT(*) FROM JobsReports"), 2);
  EXPECT_EQ(db_.Text("SELECT ZipCode FROM JobsReports WHERE JobNo = 10001"), "02134");
  EXPECT_EQ(db_.Text("SELECT Make FROM JobsReports WHERE JobNo = 10001"), "Sony");
  EXPECT_EQ(
      db_.Int("SELECT COUNT(*) FROM JobsReports WHERE JobNo = 10002 AND FileAs IS NULL "
              "AND Make IS NULL AND StatusDesc IS NULL"),
      1);
}

TEST_F(SchemaTest, JobNumberRangeTypedAsTextComparesAsNumbers) {
  db_.MustExec(
      "INSERT INTO Jobs (JobNo) VALUES (9000); INSERT INTO Jobs (JobNo) VALUES (9500);"
      "INSERT INTO Jobs (JobNo) VALUES (10001); INSERT INTO Jobs (JobNo) VALUES "
      "(10500);");
  // As text, '10001' sorts before '9000'; as numbers it lies between.
  EXPECT_EQ(
      db_.Int("SELECT COUNT(*) FROM JobsReports WHERE JobNo BETWEEN '9000' AND '10001'"),
      3);
  EXPECT_EQ(
      db_.Int("SELECT COUNT(*) FROM JobsReports WHERE JobNo BETWEEN '9600' AND '20000'"),
      2);
}

TEST(CreateReferenceSchema, FailureNamesTheStatementAndLeavesNothingBehind) {
  Db db;
  db.MustExec("CREATE TABLE Jobs (Anything TEXT)");
  try {
    CreateReferenceSchema(db.get());
    FAIL() << "expected a failure";
  } catch (const std::runtime_error& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("already exists"), std::string::npos) << message;
    EXPECT_NE(message.find("CREATE TABLE Jobs"), std::string::npos) << message;
  }
  // Tables created before the failing one are rolled back.
  EXPECT_EQ(testing::TableNames(db), (std::vector<std::string>{"Jobs"}));
}

TEST(CreateReferenceDatabase, RefusesAnExistingFileAndLeavesItAlone) {
  const auto dir = testing::FreshTempDir("existing");
  const auto path = (dir / "shop.db").string();
  { std::ofstream(path) << "keep me"; }
  EXPECT_THROW(CreateReferenceDatabase(path, DemoDataOptions{10, 1}), std::runtime_error);
  std::ifstream in(path);
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "keep me");
}

TEST(CreateReferenceDatabase, WritesSchemaAndDemoDataToANewFile) {
  const auto dir = testing::FreshTempDir("new");
  const auto path = (dir / "shop.db").string();
  CreateReferenceDatabase(path, DemoDataOptions{25, 3});
  Db db(path);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM Contacts"), 25);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM JobsReports"), 50);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM SystemOptions WHERE ID IN (41, 47)"), 2);
  EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
}

TEST(CreateReferenceDatabase, LeavesNoFileWhenItFails) {
  const auto dir = testing::FreshTempDir("failed");
  const auto path = (dir / "shop.db").string();
  EXPECT_THROW(CreateReferenceDatabase(path, DemoDataOptions{-1, 1}),
               std::invalid_argument);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_THROW(CreateReferenceDatabase((dir / "no-such-dir" / "shop.db").string(), {}),
               std::runtime_error);
}

}  // namespace
}  // namespace vdimpexp::schema

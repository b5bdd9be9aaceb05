#include "schema/demo_data.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "schema/reference_database.h"
#include "schema_test_util.h"

namespace vdimpexp::schema {
namespace {

using testing::Db;

void Build(const Db& db, const DemoDataOptions& options) {
  CreateReferenceSchema(db.get());
  FillDemoData(db.get(), options);
}

// One demo set shared by the read-only checks: big enough that every
// kind of odd row turns up, small enough to build in a blink.
class DemoDataTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    db_ = new Db();
    Build(*db_, options_);
  }
  static void TearDownTestSuite() {
    delete db_;
    db_ = nullptr;
  }
  static int64_t Count(const std::string& sql) { return db_->Int(sql).value_or(-1); }

  static constexpr DemoDataOptions options_{500, 11};
  static Db* db_;
};
Db* DemoDataTest::db_ = nullptr;

TEST_F(DemoDataTest, RowCountsFollowTheSize) {
  const DemoDataCounts counts = CountsFor(options_);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM Contacts"), 500);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM Jobs"), 1000);
  EXPECT_EQ(counts.jobs, 1000);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM InventoryItems"), counts.inventory_items);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM ZipCodes"), counts.zip_codes);
  EXPECT_GE(counts.zip_codes, 100);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM ServiceLiterature"), counts.service_literature);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM ServiceTips"), counts.service_tips);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM Employees"), counts.employees);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM ItemDescription"), counts.item_descriptions);
  // About three lines per job, a warranty claim on some jobs.
  const int64_t items = Count("SELECT COUNT(*) FROM JobItems");
  EXPECT_GT(items, 2 * 1000);
  EXPECT_LT(items, 4 * 1000);
  const int64_t claims = Count("SELECT COUNT(*) FROM JobsWarranty");
  EXPECT_GT(claims, 20);
  EXPECT_LT(claims, 300);
}

TEST_F(DemoDataTest, JobsReportsHasOneRowPerJob) {
  EXPECT_EQ(Count("SELECT COUNT(*) FROM JobsReports"),
            Count("SELECT COUNT(*) FROM Jobs"));
  EXPECT_EQ(Count("SELECT COUNT(DISTINCT JobNo) FROM JobsReports"), 1000);
  // Every job's contact is there, so the contact columns are filled in.
  EXPECT_EQ(Count("SELECT COUNT(*) FROM JobsReports WHERE FileAs IS NULL"), 0);
}

TEST_F(DemoDataTest, EveryRowPointsAtAnExistingParent) {
  EXPECT_GT(Count("SELECT COUNT(*) FROM ContactPhones"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM ContactPhones WHERE CKey NOT IN "
                  "(SELECT CKey FROM Contacts)"),
            0);
  EXPECT_EQ(
      Count("SELECT COUNT(*) FROM ContactPhones p JOIN Contacts c ON p.CKey = c.CKey "
            "WHERE p.Contact IS NOT c.Contact"),
      0);
  EXPECT_EQ(
      Count("SELECT COUNT(*) FROM Jobs WHERE CKey NOT IN (SELECT CKey FROM Contacts)"),
      0);
  EXPECT_EQ(
      Count("SELECT COUNT(*) FROM JobItems WHERE JobNo NOT IN (SELECT JobNo FROM Jobs)"),
      0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM JobsWarranty WHERE JobNo NOT IN (SELECT JobNo "
                  "FROM Jobs)"),
            0);
  // Part lines name stocked items.
  EXPECT_EQ(
      Count("SELECT COUNT(*) FROM JobItems WHERE ItemType = 2 AND ItemNumber NOT IN "
            "(SELECT ItemNumber FROM InventoryItems)"),
      0);
  EXPECT_EQ(
      Count("SELECT COUNT(*) FROM Contacts WHERE ReferalBy IS NOT NULL AND ReferalBy "
            "NOT IN (SELECT ReferalID FROM Referals)"),
      0);
}

TEST_F(DemoDataTest, FileAsIsFilledAndUniqueAndFollowsTheContactType) {
  EXPECT_EQ(Count("SELECT COUNT(*) FROM Contacts WHERE FileAs IS NULL OR FileAs = ''"),
            0);
  EXPECT_EQ(Count("SELECT COUNT(DISTINCT lower(FileAs)) FROM Contacts"), 500);
  // People are filed under their name, firms under the company.
  EXPECT_EQ(Count("SELECT COUNT(*) FROM Contacts WHERE ClientType = 9 AND NOT "
                  "(FileAs = Contact OR FileAs LIKE Contact || '-%')"),
            0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM Contacts WHERE ClientType <> 9 AND NOT "
                  "(FileAs = Company OR FileAs LIKE Company || '-%')"),
            0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM Contacts WHERE length(Contact) > 40"), 0);
}

TEST_F(DemoDataTest, TextFitsTheDeclaredSizes) {
  for (const auto& table : testing::TableNames(*db_)) {
    for (const auto& column : testing::TableInfo(*db_, table)) {
      const auto size = testing::TextSize(column.type);
      if (!size) continue;
      EXPECT_EQ(Count("SELECT COUNT(*) FROM \"" + table + "\" WHERE length(\"" +
                      column.name + "\") > " + std::to_string(*size)),
                0)
          << table << "." << column.name;
    }
  }
}

TEST_F(DemoDataTest, DatesAreValidIsoDatesWithoutMidnight) {
  int date_columns = 0;
  for (const auto& table : testing::TableNames(*db_)) {
    for (const auto& column : testing::TableInfo(*db_, table)) {
      if (column.type != "DATETIME") continue;
      ++date_columns;
      const std::string c = "\"" + column.name + "\"";
      const std::string from = " FROM \"" + table + "\" WHERE " + c + " IS NOT NULL";
      // date() normalises an impossible date (2001-02-30) to another text.
      EXPECT_EQ(Count("SELECT COUNT(*)" + from + " AND (typeof(" + c +
                      ") <> 'text' OR date(" + c + ") IS NOT " + c + ")"),
                0)
          << table << "." << column.name;
      EXPECT_EQ(Count("SELECT COUNT(*)" + from + " AND " + c + " LIKE '% 00:00:00'"), 0);
      EXPECT_EQ(Count("SELECT COUNT(*)" + from + " AND " + c +
                      " NOT BETWEEN '1990-01-01' AND "
                      "'2006-12-31'"),
                0)
          << table << "." << column.name;
    }
  }
  EXPECT_GT(date_columns, 10);
  // Spread over years, not bunched on one day.
  EXPECT_GE(Count("SELECT COUNT(DISTINCT substr(DateIn, 1, 4)) FROM Jobs"), 8);
  EXPECT_GE(Count("SELECT COUNT(DISTINCT substr(LastVisit, 1, 4)) FROM Contacts"), 8);
}

TEST_F(DemoDataTest, InvoiceTypesAndStatusCodesAreTheShopsCodes) {
  EXPECT_EQ(db_->Column("SELECT DISTINCT InvoiceType FROM Jobs ORDER BY 1"),
            (std::vector<std::string>{"30", "31", "32"}));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM Jobs WHERE StatusCode NOT BETWEEN 1 AND 14"), 0);
  EXPECT_EQ(Count("SELECT COUNT(DISTINCT StatusCode) FROM Jobs"), 14);
  // Quote lines are flagged as quotes, and only those.
  EXPECT_EQ(
      Count("SELECT COUNT(*) FROM JobItems i JOIN Jobs j ON i.JobNo = j.JobNo WHERE "
            "i.IsQuote <> (j.InvoiceType = 32)"),
      0);
}

TEST_F(DemoDataTest, InvoiceExportFindsItemsWithoutMatchesAndJobsWithoutItems) {
  EXPECT_GT(
      Count("SELECT COUNT(*) FROM Jobs WHERE JobNo NOT IN (SELECT JobNo FROM JobItems)"),
      0);
  EXPECT_GT(
      Count("SELECT COUNT(*) FROM JobItems WHERE DescID IS NOT NULL AND DescID NOT IN "
            "(SELECT DescID FROM ItemDescription)"),
      0);
  EXPECT_GT(Count("SELECT COUNT(*) FROM JobItems WHERE TechnicianID IS NOT NULL AND "
                  "TechnicianID NOT IN (SELECT EmployeeNo FROM Employees)"),
            0);
  EXPECT_GT(Count("SELECT COUNT(*) FROM JobItems WHERE ItemType NOT IN "
                  "(SELECT ItemTypeID FROM ItemTypes)"),
            0);
  // The item export's left joins keep every line of the selected jobs.
  EXPECT_EQ(
      Count("SELECT COUNT(*) FROM ((Jobs INNER JOIN JobItems ON Jobs.JobNo = "
            "JobItems.JobNo) LEFT JOIN ItemDescription ON JobItems.DescID = "
            "ItemDescription.DescID) LEFT JOIN Employees ON JobItems.TechnicianID = "
            "Employees.EmployeeNo LEFT JOIN ItemTypes ON JobItems.ItemType = "
            "ItemTypes.ItemTypeID"),
      Count("SELECT COUNT(*) FROM JobItems"));
  // Matches exist too, or the joins would prove nothing.
  EXPECT_GT(Count("SELECT COUNT(*) FROM JobItems i JOIN Employees e ON i.TechnicianID = "
                  "e.EmployeeNo"),
            0);
}

TEST_F(DemoDataTest, ZipCodesIncludeLeadingZerosAndMatchTheContacts) {
  EXPECT_GT(Count("SELECT COUNT(*) FROM ZipCodes WHERE ZipCode LIKE '0%'"), 0);
  EXPECT_GT(Count("SELECT COUNT(*) FROM Contacts WHERE ZipCode LIKE '0%'"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM ZipCodes WHERE typeof(ZipCode) <> 'text' OR "
                  "length(ZipCode) <> 5"),
            0);
  // Most contacts live at a known zip code, with its city and state.
  EXPECT_GT(
      Count("SELECT COUNT(*) FROM Contacts c JOIN ZipCodes z ON c.ZipCode = z.ZipCode "
            "AND c.City = z.City AND c.State = z.State"),
      400);
  EXPECT_GT(Count("SELECT COUNT(*) FROM Contacts WHERE ZipCode IS NULL"), 0);
}

TEST_F(DemoDataTest, SomeValuesAreMissingAsInRealData) {
  for (const char* column :
       {"Address", "EMail", "Company", "ReferalBy", "LastVisit", "Notes"}) {
    EXPECT_GT(
        Count(std::string("SELECT COUNT(*) FROM Contacts WHERE ") + column + " IS NULL"),
        0)
        << column;
    EXPECT_GT(Count(std::string("SELECT COUNT(*) FROM Contacts WHERE ") + column +
                    " IS NOT NULL"),
              0)
        << column;
  }
  EXPECT_GT(
      Count("SELECT COUNT(*) FROM ServiceLiterature WHERE MakeID IS NULL OR MakeID NOT "
            "IN (SELECT MakeID FROM ProductMakes)"),
      0);
}

TEST_F(DemoDataTest, EveryContactTypeAndInactiveLookupIsUsed) {
  EXPECT_EQ(Count("SELECT COUNT(DISTINCT ClientType) FROM Contacts"), 9);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM Contacts WHERE ClientType NOT IN "
                  "(SELECT ClientTypeID FROM ContactTypes)"),
            0);
  // Old records still point at retired makes and referral sources.
  EXPECT_GT(Count("SELECT COUNT(*) FROM Jobs WHERE MakeID IN "
                  "(SELECT MakeID FROM ProductMakes WHERE InActive = 1)"),
            0);
  EXPECT_GT(Count("SELECT COUNT(*) FROM Contacts WHERE ReferalBy IN "
                  "(SELECT ReferalID FROM Referals WHERE InActive = 1)"),
            0);
}

std::string DumpAll(const Db& db) {
  std::string dump;
  for (const auto& table : testing::TableNames(db)) {
    dump += "== " + table + "\n" + db.Dump(table);
  }
  return dump;
}

TEST(DemoData, SameOptionsGiveIdenticalContent) {
  Db first, second;
  Build(first, {300, 7});
  Build(second, {300, 7});
  const std::string dump = DumpAll(first);
  EXPECT_GT(dump.size(), 100000u);
  EXPECT_TRUE(dump == DumpAll(second));
}

TEST(DemoData, AnotherSeedGivesOtherData) {
  Db first, second;
  Build(first, {300, 7});
  Build(second, {300, 8});
  for (const char* table :
       {"Contacts", "ContactPhones", "Jobs", "JobItems", "InventoryItems"}) {
    EXPECT_TRUE(first.Dump(table) != second.Dump(table)) << table;
  }
  // The fixed lookups do not depend on the seed.
  EXPECT_TRUE(first.Dump("Employees") == second.Dump("Employees"));
}

TEST(DemoData, ManyContactsStillGetUniqueNames) {
  // Far more people than first/last name pairs: most names repeat and must
  // be told apart by a suffix.
  Db db;
  Build(db, {20000, 2});
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM Contacts"), 20000);
  EXPECT_GT(db.Int("SELECT COUNT(*) FROM Contacts WHERE FileAs GLOB '*-[0-9]*'"), 100);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM InventoryItems"), 20000);
  EXPECT_EQ(db.Int("SELECT COUNT(DISTINCT ItemNumber) FROM InventoryItems"), 20000);
}

TEST(DemoData, EmptySizeGivesLookupsOnly) {
  Db db;
  Build(db, {0, 1});
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM Contacts"), 0);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM Jobs"), 0);
  EXPECT_GT(db.Int("SELECT COUNT(*) FROM ZipCodes"), 0);
  EXPECT_GT(db.Int("SELECT COUNT(*) FROM ServiceTips"), 0);
}

TEST(DemoData, RefusesNegativeSize) {
  Db db;
  CreateReferenceSchema(db.get());
  EXPECT_THROW(FillDemoData(db.get(), {-5, 1}), std::invalid_argument);
  EXPECT_THROW(CountsFor({-1, 1}), std::invalid_argument);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM Employees"), 0);
}

TEST(DemoData, RefusesAFilledDatabaseAndChangesNothing) {
  Db db;
  Build(db, {20, 1});
  const std::string before = DumpAll(db);
  EXPECT_THROW(FillDemoData(db.get(), {20, 2}), std::runtime_error);
  EXPECT_TRUE(DumpAll(db) == before);
  // The failure left no transaction open.
  EXPECT_NE(sqlite3_get_autocommit(db.get()), 0);
}

TEST(DemoData, IndexesAreInPlaceAfterTheFill) {
  Db db;
  Build(db, {30, 4});
  const auto taken = db.Text("SELECT FileAs FROM Contacts WHERE CKey = 1");
  ASSERT_TRUE(taken.has_value());
  EXPECT_EQ(db.Exec("INSERT INTO Contacts (FileAs) VALUES ('" + *taken + "')"),
            SQLITE_CONSTRAINT);
  const auto item =
      db.Text("SELECT ItemNumber FROM InventoryItems WHERE InventoryID = 1");
  ASSERT_TRUE(item.has_value());
  EXPECT_EQ(db.Exec("INSERT INTO InventoryItems (ItemNumber) VALUES ('" + *item + "')"),
            SQLITE_CONSTRAINT);
  EXPECT_EQ(
      db.Int("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND sql IS NOT "
             "NULL"),
      8);
}

TEST(DemoData, FailureHalfwayLeavesTheDatabaseAsItWas) {
  Db db;
  CreateReferenceSchema(db.get());
  // Service literature is written last; a row in the way of its first key
  // makes the fill fail after everything else was written.
  db.MustExec("INSERT INTO ServiceLiterature (DocID, Title) VALUES (1, 'In the way')");
  EXPECT_THROW(FillDemoData(db.get(), {40, 1}), std::runtime_error);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM Contacts"), 0);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM Jobs"), 0);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM ServiceLiterature"), 1);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM sqlite_master WHERE name = 'Contacts_FileAs'"),
            1);
  EXPECT_NE(sqlite3_get_autocommit(db.get()), 0);
}

TEST(DemoData, RunsInsideTheCallersTransaction) {
  Db db;
  CreateReferenceSchema(db.get());
  db.MustExec("BEGIN");
  FillDemoData(db.get(), {15, 1});
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM Contacts"), 15);
  db.MustExec("ROLLBACK");
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM Contacts"), 0);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM Jobs"), 0);
}

}  // namespace
}  // namespace vdimpexp::schema

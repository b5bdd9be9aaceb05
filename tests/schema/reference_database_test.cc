// The reference shop database, its demo data and zip-code source, as hosts rely on them.
#include "schema/reference_database.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <tuple>

#include "scratch_database.h"

namespace vdimpexp::schema {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::Ge;
using ::testing::HasSubstr;
using ::testing::Le;
using vdimpexp::testing::QueryRows;
using vdimpexp::testing::QueryText;
using vdimpexp::testing::ScratchDirectory;
using vdimpexp::testing::SqliteDump;

// A fresh schema written through the test's own handle, read back on other connections.
class SchemaTest : public ::testing::Test {
 protected:
  SchemaTest() {
    sqlite3_open(path_.c_str(), &db_);
    CreateReferenceSchema(db_);
  }
  ~SchemaTest() override { sqlite3_close(db_); }
  int Exec(const std::string& sql) {
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  }
  std::string Query(const std::string& sql) { return QueryText(path_, sql); }

  ScratchDirectory scratch_;
  std::string path_ = scratch_.File("shop.db");
  sqlite3* db_ = nullptr;
};

TEST_F(SchemaTest, UniqueIndexesRefuseDuplicatesWhateverTheirCase) {
  // Each with a value that must pass: a suffixed name, or a code that only looks alike.
  for (const auto& [table, column, first, duplicate, other] :
       {std::tuple{"Contacts", "FileAs", "Smith John", "SMITH JOHN", "Smith John-17"},
        std::tuple{"InventoryItems", "ItemNumber", "SON-1234", "son-1234", "SON-1235"},
        std::tuple{"ZipCodes", "ZipCode", "0800", "0800", "800"}}) {
    SCOPED_TRACE(table);
    auto insert = [&](const char* value) {
      return Exec(std::string("INSERT INTO ") + table + " (" + column + ") VALUES ('" +
                  value + "')");
    };
    ASSERT_EQ(insert(first), SQLITE_OK) << sqlite3_errmsg(db_);
    EXPECT_EQ(insert(duplicate), SQLITE_CONSTRAINT);
    EXPECT_EQ(sqlite3_extended_errcode(db_), SQLITE_CONSTRAINT_UNIQUE);
    EXPECT_EQ(insert(other), SQLITE_OK) << sqlite3_errmsg(db_);
  }
}

TEST_F(SchemaTest, AutoNumberKeysAreNeverHandedOutTwice) {
  // A deleted contact's phones must not reach a new one, nor an invoice number return.
  for (const auto& [table, key] :
       {std::pair{"Contacts", "CKey"}, std::pair{"Jobs", "JobNo"},
        std::pair{"InventoryItems", "InventoryID"}}) {
    const std::string insert = std::string("INSERT INTO ") + table + " DEFAULT VALUES;";
    const std::string last = std::string("SELECT max(") + key + ") FROM " + table;
    ASSERT_EQ(Exec(insert + insert), SQLITE_OK) << table;
    const std::string second = Query(last);
    ASSERT_EQ(Exec(std::string("DELETE FROM ") + table + " WHERE " + key + " = " +
                   second + ";" + insert),
              SQLITE_OK);
    EXPECT_GT(std::stoll(Query(last)), std::stoll(second)) << table;
  }
}

TEST_F(SchemaTest, LookupRowsTheImportsWriteAndTheFilterListsLeaveOutAreThere) {
  const auto id = [](int64_t key) { return std::to_string(key); };
  const std::string rows[] = {
      // Keys the contact and inventory imports write.
      "ContactTypes WHERE ClientTypeID IN (" + id(kContactTypeDealer) + ", " +
          id(kContactTypeVendor) + ", " + id(kContactTypeManufacturer) + ", " +
          id(kContactTypeCustomer) + ") HAVING count(*) = 4",
      "Referals WHERE ReferalSource = 'Converted from XAV' AND ReferalID = " +
          id(kConvertedReferralId),
      "AddressDescriptions WHERE AddressDescID = 15",
      "PhoneDescriptions WHERE PhoneDescID || PhoneDesc IN ('8Home', '35Work', '18Fax') "
      "HAVING count(*) = 3",
      "ItemTypes WHERE ItemTypeID = " + id(kItemTypeParts),
      "ProductLines, InventoryCategories WHERE ProductLineID = 3 AND CategoryID = 9",
      // Contact defaults, bound for SMALLINT columns: whole numbers.
      "SystemOptions WHERE ID IN (41, 46, 47) AND CAST(Value AS INTEGER) = Value HAVING "
      "count(*) = 3",
      // What the filter lists leave out, beside what they keep.
      "JobStatusCodes WHERE StatusCode IN (0, 7, 15) HAVING count(*) = 3",
      "ItemTypes WHERE DoNotShow = 1 AND ItemTypeID = " + id(kItemTypeComment),
      "Referals HAVING count(DISTINCT coalesce(InActive, -1)) = 3 AND max(InActive) = 1",
      "ProductMakes HAVING count(DISTINCT coalesce(InActive, -1)) = 3 AND max(InActive) "
      "= 1",
  };
  for (const std::string& row : rows) {
    EXPECT_EQ(Query("SELECT count(*) > 0 FROM " + row), "1") << row;
  }
}

TEST_F(SchemaTest, ExportedViewsAndJoinsHaveUniqueColumnsAndKeepTheirSourcesTypes) {
  // Exports copy "SELECT *" of these: a repeated name fails them, a lost type alters it.
  const auto columns = [](const char* of) {
    return std::string("pragma_table_info('") + of + "')";
  };
  std::vector<std::string> none = {
      "SELECT count(*) - count(DISTINCT lower(name)) FROM " + columns("JobsReports"),
      "SELECT count(*) - count(DISTINCT lower(name)) FROM " +
          columns("InventoryWithDefsAll"),
      // Service documents and tips come with their make's name added.
      "SELECT count(*) FROM " + columns("ServiceLiterature") + " WHERE name LIKE 'Make'",
      "SELECT count(*) FROM " + columns("ServiceTips") + " WHERE name LIKE 'Make'",
      "SELECT count(*) FROM " + columns("InventoryItems") +
          " WHERE name NOT IN (SELECT name FROM " + columns("InventoryWithDefsAll") + ")",
  };
  for (const auto& [view, table] :
       {std::pair{"JobsReports", "Jobs"}, std::pair{"JobsReports", "Contacts"},
        std::pair{"JobsReports", "ProductMakes"},
        std::pair{"InventoryWithDefsAll", "InventoryItems"}}) {
    none.push_back("SELECT count(*) FROM " + columns(table) + " t JOIN " + columns(view) +
                   " v USING (name) WHERE v.type IS NOT t.type");
  }
  for (const std::string& sql : none) EXPECT_EQ(Query(sql), "0") << sql;
}

TEST_F(SchemaTest, JobsReportsKeepsJobsWhoseLookupsAreMissing) {
  ASSERT_EQ(
      Exec("INSERT INTO Contacts (CKey, FileAs, ZipCode) VALUES (1, 'Known', '02134');"
           "INSERT INTO Jobs (JobNo, CKey, StatusCode, MakeID) VALUES (10001, 1, 4, 1);"
           "INSERT INTO Jobs (JobNo, CKey, StatusCode, MakeID) VALUES (10002, 9, 99, "
           "99);"),
      SQLITE_OK);
  EXPECT_EQ(QueryRows(path_,
                      "SELECT JobNo, ZipCode, FileAs, Make IS NULL, StatusDesc IS NULL "
                      "FROM JobsReports ORDER BY JobNo"),
            (testing::QueryTable{{"10001", "02134", "Known", "0", "0"},
                                 {"10002", "<null>", "<null>", "1", "1"}}));
}

TEST(CreateReferenceDatabase, FailuresNameTheStatementAndLeaveNothingBehind) {
  ScratchDirectory scratch;
  const std::string path =
      scratch.Database("taken.db", "CREATE TABLE Jobs (Anything TEXT)");
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  try {
    CreateReferenceSchema(db);
    ADD_FAILURE() << "a schema over an existing Jobs table";
  } catch (const std::runtime_error& e) {
    EXPECT_THAT(e.what(), HasSubstr("already exists"));
    EXPECT_THAT(e.what(), HasSubstr("CREATE TABLE Jobs"));
  }
  sqlite3_close(db);
  EXPECT_EQ(QueryText(path, "SELECT group_concat(name) FROM sqlite_master"), "Jobs");
  // A whole database never replaces an existing file nor leaves a half-built one.
  const std::string existing = scratch.File("shop.db");
  std::ofstream(existing) << "keep me";
  EXPECT_THROW(CreateReferenceDatabase(existing, {10, 1}), std::runtime_error);
  std::string content;
  std::getline(std::ifstream(existing), content);
  EXPECT_EQ(content, "keep me");

  const std::string failed = scratch.File("failed.db");
  EXPECT_THROW(CreateReferenceDatabase(failed, {-1, 1}), std::invalid_argument);
  EXPECT_FALSE(std::filesystem::exists(failed));
  EXPECT_THROW(CreateReferenceDatabase(scratch.File("no-such-dir/shop.db"), {}),
               std::runtime_error);
}

// One demo set for the read-only checks, big enough that every kind of odd row turns up.
class DemoDataTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new ScratchDirectory;
    CreateReferenceDatabase(Path(), kOptions);
  }
  static void TearDownTestSuite() { delete scratch_; }
  static std::string Path() { return scratch_->File("demo.db"); }
  static int64_t Count(const std::string& sql) {
    return std::stoll(QueryText(Path(), sql));
  }

  static constexpr DemoDataOptions kOptions{.contacts = 500, .seed = 11};
  static ScratchDirectory* scratch_;
};
ScratchDirectory* DemoDataTest::scratch_ = nullptr;

TEST_F(DemoDataTest, RowsAreWhatTheSizeAndTheShopsRulesPromise) {
  struct Case {
    std::string rows;  // counted with SELECT count(*) FROM
    int64_t least = 0, most = 0;
  };
  const DemoDataCounts counts = CountsFor(kOptions);
  const int64_t many = 1000000;
  // clang-format off
  const Case cases[] = {
      // Two jobs and one item a contact, about three lines a job, claims on some jobs.
      {"Contacts", 500, 500}, {"Jobs", 1000, 1000}, {"JobsReports", 1000, 1000},
      {"InventoryItems", 500, 500}, {"JobItems", 2000, 4000}, {"JobsWarranty", 20, 300},
      {"ZipCodes", std::max(counts.zip_codes, 100), counts.zip_codes},
      {"ServiceLiterature", counts.service_literature, counts.service_literature},
      {"ServiceTips", counts.service_tips, counts.service_tips},
      {"Employees", counts.employees, counts.employees},
      {"ItemDescription", counts.item_descriptions, counts.item_descriptions},
      // Keys lead to rows that exist; people are filed under their name,
      // firms under the company; quote lines are flagged on quotes only.
      {"ContactPhones WHERE CKey NOT IN (SELECT CKey FROM Contacts)"},
      {"ContactPhones p JOIN Contacts c USING (CKey) WHERE p.Contact IS NOT c.Contact"},
      {"Jobs WHERE CKey NOT IN (SELECT CKey FROM Contacts)"},
      {"JobItems WHERE JobNo NOT IN (SELECT JobNo FROM Jobs)"},
      {"JobsWarranty WHERE JobNo NOT IN (SELECT JobNo FROM Jobs)"},
      {"Contacts WHERE ReferalBy NOT IN (SELECT ReferalID FROM Referals)"},
      {"Contacts WHERE ClientType NOT IN (SELECT ClientTypeID FROM ContactTypes)"},
      {"Contacts WHERE FileAs IS NULL OR FileAs = ''"},
      {"Contacts WHERE NOT CASE ClientType WHEN 9 THEN FileAs = Contact OR FileAs LIKE "
       "Contact || '-%' ELSE FileAs = Company OR FileAs LIKE Company || '-%' END"},
      {"Jobs WHERE StatusCode NOT BETWEEN 1 AND 14 OR InvoiceType NOT IN (30, 31, 32)"},
      {"JobItems i JOIN Jobs j USING (JobNo) WHERE i.IsQuote <> (j.InvoiceType = 32)"},
      {"ZipCodes WHERE typeof(ZipCode) <> 'text' OR length(ZipCode) <> 5"},
      // Every code in use; lines without their match; rows on retired makes and sources.
      {"(SELECT DISTINCT ClientType FROM Contacts)", 9, 9},
      {"(SELECT DISTINCT StatusCode FROM Jobs)", 14, 14},
      {"Jobs WHERE JobNo NOT IN (SELECT JobNo FROM JobItems)", 1, many},
      {"JobItems WHERE DescID NOT IN (SELECT DescID FROM ItemDescription)", 1, many},
      {"JobItems WHERE TechnicianID NOT IN (SELECT EmployeeNo FROM Employees)", 1, many},
      {"JobItems WHERE TechnicianID IN (SELECT EmployeeNo FROM Employees)", 1, many},
      {"JobItems WHERE ItemType NOT IN (SELECT ItemTypeID FROM ItemTypes)", 1, many},
      {"ServiceLiterature LEFT JOIN ProductMakes USING (MakeID) WHERE Make IS NULL", 1,
       many},
      {"Jobs JOIN ProductMakes USING (MakeID) WHERE InActive = 1", 1, many},
      {"Contacts JOIN Referals ON ReferalBy = ReferalID WHERE InActive = 1", 1, many},
      // Codes with a leading zero; most contacts at a known code; dates over the years.
      {"ZipCodes WHERE ZipCode LIKE '0%'", 1, many},
      {"Contacts WHERE ZipCode LIKE '0%'", 1, many},
      {"Contacts c JOIN ZipCodes z USING (ZipCode, City, State)", 400, many},
      {"(SELECT DISTINCT substr(DateIn, 1, 4) FROM Jobs)", 8, many},
      {"(SELECT DISTINCT substr(LastVisit, 1, 4) FROM Contacts)", 8, many},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_THAT(Count("SELECT count(*) FROM " + c.rows), AllOf(Ge(c.least), Le(c.most)))
        << c.rows;
  }
  // Some values are missing, as in real data.
  for (const char* column :
       {"Address", "EMail", "Company", "ReferalBy", "LastVisit", "Notes", "ZipCode"}) {
    EXPECT_THAT(QueryRows(Path(), std::string("SELECT DISTINCT ") + column +
                                      " IS NULL FROM Contacts ORDER BY 1"),
                ElementsAre(ElementsAre("0"), ElementsAre("1")))
        << column;
  }
}

TEST_F(DemoDataTest, TextFitsTheDeclaredSizesAndDatesAreRealDaysInRange) {
  const testing::QueryTable columns = QueryRows(
      Path(),
      "SELECT m.name, c.name, CAST(substr(c.type, 6) AS INTEGER) FROM sqlite_master m, "
      "pragma_table_info(m.name) c WHERE m.type = 'table' AND (c.type LIKE 'TEXT(%' OR "
      "c.type = 'DATETIME')");
  int dates = 0;
  for (const auto& column : columns) {
    SCOPED_TRACE(column[0] + "." + column[1]);
    const std::string from = "SELECT count(*) FROM \"" + column[0] + "\" WHERE ";
    const std::string c = "\"" + column[1] + "\"";
    if (column[2] != "0") {
      EXPECT_EQ(Count(from + "length(" + c + ") > " + column[2]), 0);
      continue;
    }
    ++dates;
    // date() turns an impossible day (2001-02-30) or a time into other text.
    EXPECT_EQ(Count(from + c + " IS NOT NULL AND (typeof(" + c + ") <> 'text' OR date(" +
                    c + ") IS NOT " + c + " OR " + c +
                    " NOT BETWEEN '1990-01-01' AND '2006-12-31')"),
              0);
  }
  EXPECT_GT(dates, 10);
}

TEST(DemoData, SameSeedSameRowsOtherSeedOtherRowsAndAnySizeWorks) {
  ScratchDirectory scratch;
  for (const auto& [name, contacts, seed] :
       {std::tuple{"a.db", 300, 7u}, std::tuple{"b.db", 300, 7u},
        std::tuple{"c.db", 300, 8u}, std::tuple{"none.db", 0, 1u},
        std::tuple{"many.db", 20000, 2u}}) {
    CreateReferenceDatabase(scratch.File(name), {.contacts = contacts, .seed = seed});
  }
  const std::string dump = SqliteDump(scratch.File("a.db"));
  EXPECT_GT(dump.size(), 100000u);
  EXPECT_TRUE(dump == SqliteDump(scratch.File("b.db")));
  for (const char* table :
       {"Contacts", "ContactPhones", "Jobs", "JobItems", "InventoryItems"}) {
    const std::string all = std::string("SELECT * FROM ") + table;
    EXPECT_NE(QueryRows(scratch.File("a.db"), all), QueryRows(scratch.File("c.db"), all))
        << table;
  }
  // No contacts give the lookups alone; more people than name pairs differ by a suffix.
  EXPECT_EQ(
      QueryText(scratch.File("none.db"),
                "SELECT ((SELECT count(*) FROM Contacts) + (SELECT count(*) FROM Jobs)) "
                "|| '/' || (SELECT count(*) > 0 FROM ZipCodes)"),
      "0/1");
  EXPECT_EQ(QueryText(scratch.File("many.db"),
                      "SELECT count(*) || '/' || (count(*) FILTER (WHERE FileAs GLOB "
                      "'*-[0-9]*') > 100) FROM Contacts"),
            "20000/1");
}

TEST_F(SchemaTest, DemoFillRunsInsideTheCallersTransactionAndPutsItsIndexesBack) {
  const std::string indexes =
      "SELECT sql FROM sqlite_master WHERE type = 'index' ORDER BY name";
  const testing::QueryTable before = QueryRows(path_, indexes);
  Exec("BEGIN");
  FillDemoData(db_, {.contacts = 15, .seed = 1});
  EXPECT_EQ(sqlite3_get_autocommit(db_), 0) << "the fill must not commit for its caller";
  Exec("ROLLBACK");
  EXPECT_EQ(QueryText(path_,
                      "SELECT (SELECT count(*) FROM Contacts) + (SELECT count(*) "
                      "FROM Jobs) + (SELECT count(*) FROM Employees)"),
            "0");
  FillDemoData(db_, {.contacts = 30, .seed = 4});
  EXPECT_EQ(QueryRows(path_, indexes), before);
}

TEST_F(SchemaTest, DemoFillRefusalsAndFailuresLeaveTheDatabaseAsItWas) {
  // Service literature is written last: a row on its first key fails the fill at the end.
  Exec("INSERT INTO ServiceLiterature (DocID, Title) VALUES (1, 'In the way')");
  std::string before = SqliteDump(path_);
  EXPECT_THROW(FillDemoData(db_, {.contacts = -5, .seed = 1}), std::invalid_argument);
  EXPECT_THROW(FillDemoData(db_, {.contacts = 40, .seed = 1}), std::runtime_error);
  EXPECT_EQ(SqliteDump(path_), before);
  EXPECT_NE(sqlite3_get_autocommit(db_), 0) << "no transaction may be left open";

  Exec("DELETE FROM ServiceLiterature");
  FillDemoData(db_, {.contacts = 20, .seed = 1});
  before = SqliteDump(path_);
  EXPECT_THROW(FillDemoData(db_, {.contacts = 20, .seed = 2}), std::runtime_error);
  EXPECT_EQ(SqliteDump(path_), before);
  EXPECT_NE(sqlite3_get_autocommit(db_), 0);
}

TEST(ZipCodeSource, HoldsDistinctPostCodesAsTextInCodeOrderTheSameForTheSameSeed) {
  ScratchDirectory scratch;
  const std::string path = scratch.File("au.db");
  CreateZipCodeSourceDatabase(path, 2000, 5);
  const std::pair<const char*, const char*> cases[] = {
      {"SELECT count(DISTINCT PostCode) || '/' || count(*) FROM AustralianZipCodes",
       "2000/2000"},
      {"SELECT count(*) FROM AustralianZipCodes WHERE PostCode NOT GLOB "
       "'[0-9][0-9][0-9][0-9]' OR typeof(PostCode) <> 'text' OR CityTown IS NULL",
       "0"},
      // Northern Territory codes keep their leading zero; some rows lack an area code.
      {"SELECT max(PostCode LIKE '08%') || max(AreaCode IS NULL) FROM AustralianZipCodes",
       "11"},
      {"SELECT count(*) FROM AustralianZipCodes WHERE (PostCode LIKE '0%') <> (State = "
       "'NT')",
       "0"},
      {"SELECT count(*) FROM (SELECT PostCode, lag(PostCode) OVER (ORDER BY rowid) AS "
       "previous FROM AustralianZipCodes) WHERE previous >= PostCode",
       "0"},
  };
  for (const auto& [sql, expected] : cases)
    EXPECT_EQ(QueryText(path, sql), expected) << sql;

  for (const auto& [name, seed] :
       {std::pair{"a.db", 9u}, std::pair{"b.db", 9u}, std::pair{"c.db", 10u}}) {
    CreateZipCodeSourceDatabase(scratch.File(name), 300, seed);
  }
  const std::string all = "SELECT * FROM AustralianZipCodes";
  EXPECT_EQ(QueryRows(scratch.File("a.db"), all), QueryRows(scratch.File("b.db"), all));
  EXPECT_NE(QueryRows(scratch.File("a.db"), all), QueryRows(scratch.File("c.db"), all));
}

}  // namespace
}  // namespace vdimpexp::schema

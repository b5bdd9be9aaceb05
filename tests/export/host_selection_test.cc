// The filter lists and the selection statements against the reference shop
// database: what the lists offer, and that every statement the wizard can
// build selects exactly the rows a hand-written SQLite query selects.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "data/connection.h"
#include "data/recordset.h"
#include "export/filter_lists.h"
#include "export/selection_sql.h"
#include "schema/reference_database.h"
#include "scratch_database.h"

namespace vdimpexp::exporting {
namespace {

using data::Date;
using data::Value;
using testing::ScratchDirectory;

// Every row of `sql`, its columns joined by '|', read by SQLite itself.
std::vector<std::string> SqliteRows(const std::string& path, const std::string& sql) {
  std::vector<std::string> rows;
  for (const std::vector<std::string>& columns : testing::QueryRows(path, sql)) {
    std::string row;
    for (size_t i = 0; i < columns.size(); ++i) {
      row += (i > 0 ? "|" : "") + (columns[i] == "<null>" ? std::string() : columns[i]);
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> SqliteRow(const std::string& path, const std::string& sql) {
  std::vector<std::string> rows = SqliteRows(path, sql);
  if (rows.empty()) throw std::runtime_error("no row for " + sql);
  std::vector<std::string> columns;
  std::stringstream fields(rows.front());
  for (std::string column; std::getline(fields, column, '|');) columns.push_back(column);
  return columns;
}

class HostSelectionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new ScratchDirectory;
    schema::CreateReferenceDatabase(Path(), {.contacts = 400, .seed = 11});
  }
  static void TearDownTestSuite() { delete scratch_; }
  static std::string Path() { return scratch_->File("shop.db"); }

  // The `key` column of every row the engine selects with `sql`.
  std::vector<std::string> EngineKeys(const std::string& sql, const std::string& key) {
    std::vector<std::string> keys;
    for (data::Recordset rows = host_.Execute(sql); !rows.IsEOF(); rows.MoveNext()) {
      keys.push_back(rows.Fields(key).Value().ToText());
    }
    return keys;
  }

  static ScratchDirectory* scratch_;
  data::Connection host_{Path()};
};

ScratchDirectory* HostSelectionTest::scratch_ = nullptr;

std::vector<int32_t> ItemData(const std::vector<ListEntry>& entries) {
  std::vector<int32_t> data;
  for (const ListEntry& entry : entries) data.push_back(entry.item_data);
  return data;
}

bool Offers(const std::vector<ListEntry>& entries, int32_t item_data) {
  return std::ranges::count(ItemData(entries), item_data) == 1;
}

TEST_F(HostSelectionTest, ListsOfferOnlyWhatMayBeFilteredOn) {
  FilterLists lists = LoadFilterLists(host_);

  EXPECT_EQ(lists.account_types.size(), 9u);
  EXPECT_EQ(lists.account_types.front(), (ListEntry{"Wholesale", 1}));

  std::vector<int32_t> statuses = ItemData(lists.job_statuses);
  EXPECT_EQ(statuses, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14}));
  EXPECT_EQ(lists.job_statuses.front().text, "Awaiting diagnosis");

  // Inactive 1 is left out; inactive 0 and null are offered.
  EXPECT_FALSE(Offers(lists.referral_sources, 8));
  EXPECT_TRUE(Offers(lists.referral_sources, 4));
  EXPECT_TRUE(Offers(lists.referral_sources, 9));
  EXPECT_TRUE(Offers(lists.referral_sources, -1595250750));
  EXPECT_FALSE(Offers(lists.makes, 16));
  EXPECT_TRUE(Offers(lists.makes, 4));
  EXPECT_TRUE(Offers(lists.makes, 20));
  EXPECT_TRUE(std::ranges::is_sorted(lists.makes, {}, &ListEntry::text));

  EXPECT_FALSE(Offers(lists.item_types, 7));
  EXPECT_TRUE(Offers(lists.item_types, 1));
  EXPECT_EQ(lists.item_types.size(), 6u);

  // An empty lookup table is no failure: the list offers nothing but "<All>".
  host_.BeginTrans();
  host_.Execute("DELETE * FROM ContactTypes");
  EXPECT_TRUE(LoadFilterLists(host_).account_types.empty());
  host_.RollbackTrans();
}

TEST(NumericValueTest, ReadsTheLeadingNumberRoundedIntoThirtyTwoBits) {
  EXPECT_EQ(NumericValue(Value("42 Main St")), 42);
  EXPECT_EQ(NumericValue(Value("  -7.6e1x")), -76);
  EXPECT_EQ(NumericValue(Value("+12")), 12);
  EXPECT_EQ(NumericValue(Value("1e")), 1);
  EXPECT_EQ(NumericValue(Value(".5")), 0);  // halves go to the even neighbour
  EXPECT_EQ(NumericValue(Value(2.5)), 2);
  EXPECT_EQ(NumericValue(Value(3.5)), 4);
  EXPECT_EQ(NumericValue(Value("Main St 42")), 0);
  EXPECT_EQ(NumericValue(Value("-")), 0);
  EXPECT_EQ(NumericValue(Value()), 0);
  EXPECT_EQ(NumericValue(Value(int64_t{-1595250750})), -1595250750);
  EXPECT_EQ(NumericValue(Value(int64_t{5'000'000'000})),
            std::numeric_limits<int32_t>::max());
  EXPECT_EQ(NumericValue(Value("-1e400")), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(NumericValue(Value("1e-400")), 0);
}

TEST_F(HostSelectionTest, ColumnNamesComeInTheSourcesOrder) {
  std::vector<std::string> columns = ColumnNames(host_, *ColumnSourceSQL(3));
  ASSERT_FALSE(columns.empty());
  EXPECT_EQ(columns.front(), "DocID");
  EXPECT_EQ(columns.back(), "Make");
  EXPECT_EQ(ColumnNames(host_, *ColumnSourceSQL(0)).size(),
            SqliteRows(Path(), "SELECT name FROM pragma_table_info('Contacts')").size());
}

// Each category with every one of its filters set at once, around a row the
// data is known to hold, against the same conditions written by hand.
TEST_F(HostSelectionTest, EveryCategorysStatementSelectsWhatAHandWrittenQuerySelects) {
  std::vector<std::string> job = SqliteRow(
      Path(),
      "SELECT ClientType, ReferalBy, ZipCode, LastVisit, StatusCode, MakeID, DateIn, "
      "ClaimedOn, JobNo, InvoiceType FROM JobsReports WHERE ReferalBy IS NOT NULL AND "
      "MakeID IS NOT NULL AND ClaimedOn IS NOT NULL AND LastVisit IS NOT NULL AND "
      "InvoiceType = 31 ORDER BY JobNo LIMIT 1 OFFSET 3");
  auto date = [](const std::string& iso) { return Date::Parse(iso); };
  FilterChoices filters{
      .account_type = std::stoi(job[0]),
      .referral_source = std::stoi(job[1]),
      .zip_codes = {"0", job[2]},
      .last_visit = {date("1990-01-01"), date(job[3])},
      .status = std::stoi(job[4]),
      .make = std::stoi(job[5]),
      .service_requested = {date(job[6]), date("2030-01-01")},
      .claimed = {date(job[7]), date(job[7])},
      .invoice_numbers = {job[8], " 99999999 "},
      .invoice_type = InvoiceTypeChoice::kRepairs,
      .item_type = 2,
      .documents_make = 3,
      .tips_make = 7,
  };
  const std::string customers = "ClientType = " + job[0] + " AND ReferalBy = " + job[1] +
                                " AND ZipCode <= '" + job[2] + "' AND LastVisit <= '" +
                                job[3] + "'";
  const std::string invoices = "StatusCode = " + job[4] + " AND MakeID = " + job[5] +
                               " AND DateIn >= '" + job[6] + "' AND ClaimedOn = '" +
                               job[7] + "' AND JobNo >= " + job[8] +
                               " AND InvoiceType = 31";
  struct Case {
    int category;
    std::string key;
    std::string by_hand;
  };
  const std::vector<Case> cases = {
      {0, "CKey", "SELECT CKey FROM Contacts WHERE " + customers},
      {1, "JobNo",
       "SELECT JobNo FROM JobsReports WHERE " + customers + " AND " + invoices},
      {2, "InventoryID",
       "SELECT InventoryID FROM InventoryWithDefsAll WHERE ItemType = 2"},
      {3, "DocID", "SELECT DocID FROM ServiceLiterature WHERE MakeID = 3"},
      {4, "TipID", "SELECT TipID FROM ServiceTips WHERE MakeID = 7"},
      {5, "JobNo", "SELECT JobNo FROM JobsReports WHERE " + invoices},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("category " + std::to_string(c.category));
    std::string sql =
        CreateSQL({.category = c.category, .filters = filters, .export_mode = true});
    std::vector<std::string> selected = EngineKeys(sql, c.key);
    std::vector<std::string> expected = SqliteRows(Path(), c.by_hand);
    EXPECT_FALSE(expected.empty()) << "the demo data should hold such rows";
    std::ranges::sort(selected);
    std::ranges::sort(expected);
    EXPECT_EQ(selected, expected) << sql;
  }

  // Selection mode sorts by the chosen fields, in their order.
  std::string sorted = CreateSQL({.category = 1,
                                  .filters = {.zip_codes = {"2", "6"}},
                                  .selected_fields = {"LastName", "JobNo"}});
  EXPECT_EQ(EngineKeys(sorted, "JobNo"),
            SqliteRows(Path(),
                       "SELECT JobNo FROM JobsReports WHERE ZipCode BETWEEN '2' AND '6' "
                       "ORDER BY LastName, JobNo"));
}

TEST_F(HostSelectionTest, AQuoteInARangeIsSearchedForNotExecuted) {
  host_.BeginTrans();
  host_.Execute("UPDATE Contacts SET ZipCode = '9''0' WHERE CKey = 1");
  SelectionRequest request{.category = 0, .export_mode = true};
  request.filters.zip_codes = {"9'0", "9'0"};
  EXPECT_EQ(EngineKeys(CreateSQL(request), "CKey"), (std::vector<std::string>{"1"}));
  request.filters.zip_codes = {"0", "9' OR '1'='1"};
  EXPECT_TRUE(EngineKeys(CreateSQL(request), "CKey").size() <
              SqliteRows(Path(), "SELECT CKey FROM Contacts").size());
  host_.RollbackTrans();
}

}  // namespace
}  // namespace vdimpexp::exporting

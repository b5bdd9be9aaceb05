// The selection statement: its exact text where the host receives it, and
// against the reference shop database the rows every statement selects,
// beside a hand-written SQLite query; and what the filter lists offer.
#include "export/selection_sql.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "data/connection.h"
#include "data/recordset.h"
#include "export/filter_lists.h"
#include "schema/reference_database.h"
#include "scratch_database.h"

namespace vdimpexp::exporting {
namespace {

using data::Date;
using data::Value;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

TEST(CreateSqlTest, TheHostReceivesTheseStatementsBlankForBlank) {
  SelectionRequest request{.category = 1, .selected_fields = {"FirstName", "LastName"}};
  request.filters.account_type = 3;
  request.filters.zip_codes = {"90000", "91999"};
  request.filters.last_visit = {Date{2001, 1, 1}, Date{2001, 12, 31}};
  request.filters.status = 4;
  request.filters.invoice_type = InvoiceTypeChoice::kRepairs;
  EXPECT_EQ(CreateSQL(request),
            "SELECT * FROM JobsReports WHERE   ClientType=3 AND ZipCode BETWEEN '90000' "
            "AND '91999' AND LastVisit BETWEEN #1/1/2001# AND #12/31/2001# AND "
            "StatusCode=4 AND InvoiceType=31 ORDER BY FirstName, LastName");
  // The invoice export takes the invoice clauses only, and exports never sort.
  request.category = kInvoicesToAccessCategory;
  request.export_mode = true;
  EXPECT_EQ(CreateSQL(request),
            "SELECT * FROM JobsReports WHERE   StatusCode=4 AND InvoiceType=31");
  request.cancelled = true;
  EXPECT_EQ(CreateSQL(request), "");

  // Every filter of the invoices category, in the order the host knows;
  // item data 0 and negative item data are choices like any other.
  FilterChoices every{.account_type = 1,
                      .referral_source = -1595250750,
                      .zip_codes = {"1", "2"},
                      .last_visit = {Date{2001, 1, 1}, Date{2001, 1, 2}},
                      .status = 0,
                      .make = 4,
                      .service_requested = {Date{2002, 1, 1}, Date{2002, 1, 2}},
                      .claimed = {Date{2024, 2, 29}, Date{2024, 11, 5}},
                      .invoice_numbers = {"5", "6"},
                      .invoice_type = InvoiceTypeChoice::kSales};
  EXPECT_EQ(
      CreateSQL({.category = 1, .filters = every, .export_mode = true}),
      "SELECT * FROM JobsReports WHERE   ClientType=1 AND ReferalBy=-1595250750 AND "
      "ZipCode BETWEEN '1' AND '2' AND LastVisit BETWEEN #1/1/2001# AND #1/2/2001# "
      "AND StatusCode=0 AND MakeID=4 AND DateIn BETWEEN #1/1/2002# AND #1/2/2002# "
      "AND ClaimedOn BETWEEN #2/29/2024# AND #11/5/2024# AND JobNo BETWEEN '5' AND "
      "'6' AND InvoiceType=30");

  // Without a clause the placeholder stays; a range needs both of its ends.
  EXPECT_EQ(CreateSQL({.category = 0, .selected_fields = {"ZipCode"}}),
            "SELECT * FROM Contacts WHERE 1=1  ORDER BY ZipCode");
  FilterChoices halves{.zip_codes = {"90000", "   "},
                       .last_visit = {Date{2001, 1, 1}, std::nullopt},
                       .claimed = {std::nullopt, Date{2001, 1, 1}},
                       .invoice_numbers = {"", "1000"}};
  EXPECT_EQ(CreateSQL({.category = 1, .filters = halves, .export_mode = true}),
            "SELECT * FROM JobsReports WHERE 1=1 ");
}

TEST(NumericValueTest, ReadsTheLeadingNumberRoundedIntoThirtyTwoBits) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  // clang-format off
  const std::pair<Value, int32_t> cases[] = {
      {Value("42 Main St"), 42}, {Value("  -7.6e1x"), -76}, {Value("+12"), 12},
      {Value("1e"), 1},          {Value(".5"), 0},          {Value(2.5), 2},
      {Value(3.5), 4},           {Value("Main St 42"), 0},  {Value("-"), 0},
      {Value(), 0},              {Value("1e-400"), 0},      {Value("-1e400"), kMin},
      {Value(int64_t{5'000'000'000}), kMax}, {Value(int64_t{-1595250750}), -1595250750}};
  // clang-format on
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(NumericValue(value), expected) << value.ToText();
  }
}

class HostSelectionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new testing::ScratchDirectory;
    schema::CreateReferenceDatabase(Path(), {.contacts = 400, .seed = 11});
  }
  static void TearDownTestSuite() { delete scratch_; }
  static std::string Path() { return scratch_->File("shop.db"); }

  // The `key` column of every row the engine selects with `sql`, sorted
  // unless the statement sorts.
  std::vector<std::string> EngineKeys(const std::string& sql, const std::string& key) {
    std::vector<std::string> keys;
    for (data::Recordset rows = host_.Execute(sql); !rows.IsEOF(); rows.MoveNext()) {
      keys.push_back(rows.Fields(key).Value().ToText());
    }
    if (sql.find("ORDER BY") == std::string::npos) std::ranges::sort(keys);
    return keys;
  }
  // The first column of every row SQLite itself selects with `sql`, sorted alike.
  static std::vector<std::string> SqliteKeys(const std::string& sql) {
    std::vector<std::string> keys;
    for (const auto& row : testing::QueryRows(Path(), sql)) keys.push_back(row.at(0));
    if (sql.find("ORDER BY") == std::string::npos) std::ranges::sort(keys);
    return keys;
  }

  static testing::ScratchDirectory* scratch_;
  data::Connection host_{Path()};
};

testing::ScratchDirectory* HostSelectionTest::scratch_ = nullptr;

std::vector<int32_t> ItemData(const std::vector<ListEntry>& entries) {
  std::vector<int32_t> data;
  for (const ListEntry& entry : entries) data.push_back(entry.item_data);
  return data;
}

TEST_F(HostSelectionTest, ListsOfferOnlyWhatMayBeFilteredOn) {
  FilterLists lists = LoadFilterLists(host_);
  EXPECT_EQ(lists.account_types.size(), 9u);
  EXPECT_THAT(lists.account_types, Contains(ListEntry{"Wholesale", 1}));
  EXPECT_THAT(ItemData(lists.job_statuses),
              ElementsAre(1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14));
  EXPECT_THAT(lists.job_statuses, Contains(ListEntry{"Awaiting diagnosis", 1}));
  // Inactive 1 is left out; inactive 0 and null are offered.
  EXPECT_THAT(ItemData(lists.referral_sources),
              AllOf(Not(Contains(8)), Contains(4), Contains(9), Contains(-1595250750)));
  EXPECT_THAT(ItemData(lists.makes), AllOf(Not(Contains(16)), Contains(4), Contains(20)));
  EXPECT_TRUE(std::ranges::is_sorted(lists.makes, {}, &ListEntry::text));
  EXPECT_THAT(ItemData(lists.item_types), ElementsAre(1, 2, 3, 4, 5, 6));
  // An empty lookup table is no failure: the list offers nothing but "<All>".
  host_.BeginTrans();
  host_.Execute("DELETE * FROM ContactTypes");
  EXPECT_THAT(LoadFilterLists(host_).account_types, IsEmpty());
  host_.RollbackTrans();

  EXPECT_EQ(ColumnNames(host_, *ColumnSourceSQL(0)),
            SqliteKeys("SELECT name FROM pragma_table_info('Contacts') ORDER BY cid"));
  EXPECT_THAT(ColumnNames(host_, *ColumnSourceSQL(3)),
              AllOf(Contains("DocID"), Contains("Make")));
  EXPECT_EQ(ColumnSourceSQL(kInvoicesToAccessCategory), std::nullopt);
}

// Each category with every one of its filters set at once, around a row the
// data is known to hold, against the same conditions written by hand.
TEST_F(HostSelectionTest, EveryCategorysStatementSelectsWhatAHandWrittenQuerySelects) {
  const std::vector<std::string> job =
      testing::QueryRows(Path(),
                         "SELECT ClientType, ReferalBy, ZipCode, LastVisit, StatusCode, "
                         "MakeID, DateIn, ClaimedOn, JobNo FROM JobsReports WHERE "
                         "ReferalBy IS NOT NULL AND MakeID IS NOT NULL AND ClaimedOn IS "
                         "NOT NULL AND LastVisit IS NOT NULL AND InvoiceType = 31 ORDER "
                         "BY JobNo LIMIT 1 OFFSET 3")
          .at(0);
  auto date = [](const std::string& iso) { return Date::Parse(iso); };
  const FilterChoices filters{.account_type = std::stoi(job[0]),
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
                              .tips_make = 7};
  const std::string customers = "ClientType = " + job[0] + " AND ReferalBy = " + job[1] +
                                " AND ZipCode <= '" + job[2] + "' AND LastVisit <= '" +
                                job[3] + "'";
  const std::string invoices = "StatusCode = " + job[4] + " AND MakeID = " + job[5] +
                               " AND DateIn >= '" + job[6] + "' AND ClaimedOn = '" +
                               job[7] + "' AND JobNo >= " + job[8] +
                               " AND InvoiceType = 31";
  struct Case {
    SelectionRequest request;
    std::string key, by_hand;
  };
  auto exporting = [](int category, FilterChoices choices) {
    return SelectionRequest{
        .category = category, .filters = choices, .export_mode = true};
  };
  // clang-format off
  std::vector<Case> cases = {
      {exporting(0, filters), "CKey", "SELECT CKey FROM Contacts WHERE " + customers},
      {exporting(1, filters), "JobNo",
       "SELECT JobNo FROM JobsReports WHERE " + customers + " AND " + invoices},
      {exporting(2, filters), "InventoryID",
       "SELECT InventoryID FROM InventoryWithDefsAll WHERE ItemType = 2"},
      {exporting(3, filters), "DocID", "SELECT DocID FROM ServiceLiterature WHERE MakeID = 3"},
      {exporting(4, filters), "TipID", "SELECT TipID FROM ServiceTips WHERE MakeID = 7"},
      {exporting(5, filters), "JobNo", "SELECT JobNo FROM JobsReports WHERE " + invoices},
      // The invoice types' codes do not follow the buttons' order.
      {exporting(5, {.invoice_type = InvoiceTypeChoice::kSales}), "JobNo",
       "SELECT JobNo FROM Jobs WHERE InvoiceType = 30"},
      {exporting(5, {.invoice_type = InvoiceTypeChoice::kQuotes}), "JobNo",
       "SELECT JobNo FROM Jobs WHERE InvoiceType = 32"},
      // Selection mode sorts by the chosen fields, in their order.
      {{.category = 1, .filters = {.zip_codes = {"2", "6"}},
        .selected_fields = {"LastName", "JobNo"}}, "JobNo",
       "SELECT JobNo FROM JobsReports WHERE ZipCode BETWEEN '2' AND '6' ORDER BY LastName, JobNo"},
  };
  // clang-format on
  for (const Case& c : cases) {
    const std::string sql = CreateSQL(c.request);
    SCOPED_TRACE(sql);
    const std::vector<std::string> expected = SqliteKeys(c.by_hand);
    EXPECT_THAT(expected, Not(IsEmpty())) << "the demo data should hold such rows";
    EXPECT_EQ(EngineKeys(sql, c.key), expected);
  }
}

TEST_F(HostSelectionTest, AQuoteInARangeIsSearchedForNotExecuted) {
  host_.BeginTrans();
  host_.Execute("UPDATE Contacts SET ZipCode = '9''0' WHERE CKey = 1");
  SelectionRequest request{.category = 0, .export_mode = true};
  request.filters.zip_codes = {"9'0", "9'0"};
  EXPECT_THAT(EngineKeys(CreateSQL(request), "CKey"), ElementsAre("1"));
  request.filters.zip_codes = {"0", "9' OR '1'='1"};
  EXPECT_LT(EngineKeys(CreateSQL(request), "CKey").size(),
            SqliteKeys("SELECT CKey FROM Contacts").size());
  host_.RollbackTrans();
}

}  // namespace
}  // namespace vdimpexp::exporting

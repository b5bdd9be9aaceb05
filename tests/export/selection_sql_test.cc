// The selection statement as text: the exact blanks the host relies on, the
// clauses each category may carry, and values that must not break it.
#include "export/selection_sql.h"

#include <gtest/gtest.h>

namespace vdimpexp::exporting {
namespace {

using data::Date;

// The choices of the worked example every host developer has seen.
SelectionRequest InvoiceExample() {
  SelectionRequest request{.category = 1};
  request.filters.account_type = 3;
  request.filters.zip_codes = {"90000", "91999"};
  request.filters.last_visit = {Date{2001, 1, 1}, Date{2001, 12, 31}};
  request.filters.status = 4;
  request.filters.invoice_type = InvoiceTypeChoice::kRepairs;
  request.selected_fields = {"FirstName", "LastName"};
  return request;
}

TEST(CreateSqlTest, WorkedExampleKeepsItsBlanks) {
  SelectionRequest request = InvoiceExample();
  EXPECT_EQ(CreateSQL(request),
            "SELECT * FROM JobsReports WHERE   ClientType=3 AND ZipCode BETWEEN '90000' "
            "AND '91999' AND LastVisit BETWEEN #1/1/2001# AND #12/31/2001# AND "
            "StatusCode=4 AND InvoiceType=31 ORDER BY FirstName, LastName");

  // The customers' clauses only, on the contacts table.
  request.category = 0;
  EXPECT_EQ(CreateSQL(request),
            "SELECT * FROM Contacts WHERE   ClientType=3 AND ZipCode BETWEEN '90000' AND "
            "'91999' AND LastVisit BETWEEN #1/1/2001# AND #12/31/2001# ORDER BY "
            "FirstName, LastName");

  // The invoice export keeps the invoice clauses and drops the customers'.
  request.category = kInvoicesToAccessCategory;
  request.export_mode = true;
  EXPECT_EQ(CreateSQL(request),
            "SELECT * FROM JobsReports WHERE   StatusCode=4 AND InvoiceType=31");
}

TEST(CreateSqlTest, WithoutClausesThePlaceholderStays) {
  EXPECT_EQ(CreateSQL({.category = 0, .export_mode = true}),
            "SELECT * FROM Contacts WHERE 1=1 ");
  EXPECT_EQ(CreateSQL({.category = 0, .selected_fields = {"ZipCode"}}),
            "SELECT * FROM Contacts WHERE 1=1  ORDER BY ZipCode");
  // In export mode the fields are the exported columns, never a sort.
  EXPECT_EQ(
      CreateSQL({.category = 2, .export_mode = true, .selected_fields = {"ItemType"}}),
      "SELECT * FROM InventoryWithDefsAll WHERE 1=1 ");
  EXPECT_EQ(CreateSQL({.category = 3}),
            "SELECT ServiceLiterature.*, ProductMakes.Make FROM ServiceLiterature LEFT "
            "JOIN ProductMakes ON ServiceLiterature.MakeID = ProductMakes.MakeID WHERE "
            "1=1 ");
  SelectionRequest cancelled = InvoiceExample();
  cancelled.cancelled = true;
  EXPECT_EQ(CreateSQL(cancelled), "");
}

TEST(CreateSqlTest, RangesNeedBothEndsAndQuotesCannotEndTheLiteral) {
  SelectionRequest request{.category = 1, .export_mode = true};
  request.filters.zip_codes = {"90000", "   "};
  request.filters.last_visit = {Date{2001, 1, 1}, std::nullopt};
  request.filters.claimed = {std::nullopt, Date{2001, 1, 1}};
  request.filters.invoice_numbers = {"", "1000"};
  EXPECT_EQ(CreateSQL(request), "SELECT * FROM JobsReports WHERE 1=1 ");

  request.filters.zip_codes = {"  901 ", "9'0"};
  request.filters.invoice_numbers = {"1' OR '1'='1", "2"};
  request.filters.claimed = {Date{2024, 2, 29}, Date{2024, 11, 5}};
  EXPECT_EQ(CreateSQL(request),
            "SELECT * FROM JobsReports WHERE   ZipCode BETWEEN '901' AND '9''0' AND "
            "ClaimedOn BETWEEN #2/29/2024# AND #11/5/2024# AND JobNo BETWEEN '1'' OR "
            "''1''=''1' AND '2'");
}

TEST(CreateSqlTest, InvoiceTypesAndListChoicesWriteTheirCodes) {
  SelectionRequest request{.category = 5, .export_mode = true};
  auto with_type = [&](InvoiceTypeChoice type) {
    request.filters.invoice_type = type;
    return CreateSQL(request);
  };
  EXPECT_EQ(with_type(InvoiceTypeChoice::kSales),
            "SELECT * FROM JobsReports WHERE   InvoiceType=30");
  EXPECT_EQ(with_type(InvoiceTypeChoice::kQuotes),
            "SELECT * FROM JobsReports WHERE   InvoiceType=32");
  EXPECT_EQ(with_type(InvoiceTypeChoice::kAll), "SELECT * FROM JobsReports WHERE 1=1 ");

  request.filters.make = -1595250750;
  request.filters.status = 0;
  EXPECT_EQ(CreateSQL(request),
            "SELECT * FROM JobsReports WHERE   StatusCode=0 AND MakeID=-1595250750");
}

TEST(CreateSqlTest, FiltersOfPagesTheCategoryDoesNotVisitAreLeftOut) {
  FilterChoices everything{
      .account_type = 1,
      .referral_source = 2,
      .zip_codes = {"1", "2"},
      .last_visit = {Date{2001, 1, 1}, Date{2001, 1, 2}},
      .status = 3,
      .make = 4,
      .service_requested = {Date{2002, 1, 1}, Date{2002, 1, 2}},
      .claimed = {Date{2003, 1, 1}, Date{2003, 1, 2}},
      .invoice_numbers = {"5", "6"},
      .invoice_type = InvoiceTypeChoice::kSales,
      .item_type = 7,
      .documents_make = 8,
      .tips_make = 9,
  };
  auto statement = [&](int category) {
    return CreateSQL({.category = category, .filters = everything, .export_mode = true});
  };
  const std::string customers =
      "ClientType=1 AND ReferalBy=2 AND ZipCode BETWEEN '1' AND '2' AND LastVisit "
      "BETWEEN #1/1/2001# AND #1/2/2001#";
  const std::string invoices =
      "StatusCode=3 AND MakeID=4 AND DateIn BETWEEN #1/1/2002# AND #1/2/2002# AND "
      "ClaimedOn BETWEEN #1/1/2003# AND #1/2/2003# AND JobNo BETWEEN '5' AND '6' AND "
      "InvoiceType=30";
  EXPECT_EQ(statement(0), "SELECT * FROM Contacts WHERE   " + customers);
  EXPECT_EQ(statement(1),
            "SELECT * FROM JobsReports WHERE   " + customers + " AND " + invoices);
  EXPECT_EQ(statement(2), "SELECT * FROM InventoryWithDefsAll WHERE   ItemType=7");
  EXPECT_EQ(statement(3),
            std::string(kServiceDocsSQL) + " WHERE   ServiceLiterature.MakeID=8");
  EXPECT_EQ(statement(4), std::string(kServiceTipsSQL) + " WHERE   ServiceTips.MakeID=9");
  EXPECT_EQ(statement(5), "SELECT * FROM JobsReports WHERE   " + invoices);
}

}  // namespace
}  // namespace vdimpexp::exporting

// The statements the wizards send to the host database, run through the
// data layer on the reference shop database: the filter lists, the
// selection statements, the exports and the invoice export, the zip-code
// import and the contact defaults.

#include <gtest/gtest.h>

#include "data/connection.h"
#include "data/db_error.h"
#include "data/external_target.h"
#include "schema/reference_database.h"
#include "scratch_database.h"

namespace vdimpexp {
namespace {

using data::Connection;
using data::Recordset;
using data::Value;
using testing::QueryText;
using testing::ScratchDirectory;

int64_t CountRows(Recordset rows) {
  int64_t count = 0;
  for (; !rows.IsEOF(); rows.MoveNext()) ++count;
  return count;
}

class HostStatementsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new ScratchDirectory;
    schema::CreateReferenceDatabase(scratch_->File("shop.db"),
                                    {.contacts = 300, .seed = 7});
  }
  static void TearDownTestSuite() { delete scratch_; }

  HostStatementsTest() : host_(scratch_->File("shop.db")) { host_.BeginTrans(); }
  // Every test works inside a transaction it rolls back, so each one sees
  // the database as it was made.
  ~HostStatementsTest() override {
    if (host_.TransactionLevel() > 0) host_.RollbackTrans();
  }

  int64_t Count(const std::string& sql) {
    return host_.Execute(sql).Fields(0).Value().AsInteger();
  }

  static ScratchDirectory* scratch_;
  Connection host_;
};

ScratchDirectory* HostStatementsTest::scratch_ = nullptr;

TEST_F(HostStatementsTest, FilterListQueriesLeaveOutWhatTheListsMustNotOffer) {
  EXPECT_GT(CountRows(host_.Execute("ContactTypes")), 0);
  Recordset referrals = host_.Execute(
      "SELECT * FROM Referals WHERE (InActive Is Null OR InActive <> 1) ORDER BY "
      "ReferalSource; ");
  EXPECT_EQ(CountRows(std::move(referrals)),
            Count("SELECT count(*) FROM Referals WHERE coalesce(InActive, 0) <> 1"));
  EXPECT_LT(Count("SELECT count(*) FROM Referals WHERE coalesce(InActive, 0) <> 1"),
            Count("SELECT count(*) FROM Referals"));
  EXPECT_GT(CountRows(host_.Execute("SELECT * FROM JobStatusCodes")), 0);
  EXPECT_EQ(CountRows(host_.Execute("SELECT * FROM ItemTypes WHERE DoNotShow=FALSE")),
            Count("SELECT count(*) FROM ItemTypes") - 1);
  Recordset makes = host_.Execute(
      "SELECT * FROM ProductMakes WHERE (InActive Is Null OR InActive <> 1) ORDER BY "
      "Make;");
  std::string previous;
  for (; !makes.IsEOF(); makes.MoveNext()) {
    std::string make = makes.Fields("Make").Value().ToText();
    EXPECT_LE(previous, make);
    previous = make;
    EXPECT_NE(makes.Fields("InActive").Value(), Value(int64_t{1}));
  }
}

TEST_F(HostStatementsTest, SelectionStatementsReturnWhatTheirFiltersSay) {
  const std::string filtered =
      "SELECT * FROM JobsReports WHERE   ClientType=9 AND ZipCode BETWEEN '10000' AND "
      "'69999' AND LastVisit BETWEEN #1/1/2001# AND #12/31/2025# AND StatusCode=4 AND "
      "InvoiceType=31 ORDER BY FirstName, LastName";
  const std::string by_hand =
      "SELECT count(*) FROM JobsReports WHERE ClientType = 9 AND ZipCode >= '10000' AND "
      "ZipCode <= '69999' AND LastVisit >= '2001-01-01' AND LastVisit <= '2025-12-31' "
      "AND "
      "StatusCode = 4 AND InvoiceType = 31";
  int64_t expected = Count(by_hand);
  EXPECT_GT(expected, 0) << "the demo data should hold such invoices";
  Recordset rows = host_.Execute(filtered);
  std::string previous;
  int64_t seen = 0;
  for (; !rows.IsEOF(); rows.MoveNext(), ++seen) {
    std::string name = rows.Fields("FirstName").Value().ToText();
    EXPECT_LE(previous, name);
    previous = name;
  }
  EXPECT_EQ(seen, expected);

  // The same shape as the wizard writes it before its clean-up, and the
  // statements that start the other categories.
  EXPECT_EQ(
      CountRows(host_.Execute(
          "SELECT * FROM JobsReports WHERE 1=1  AND ClientType=3 AND ZipCode BETWEEN "
          "'90000' AND '91999' AND LastVisit BETWEEN #1/1/2001# AND #12/31/2001# AND "
          "StatusCode=4 AND InvoiceType=31 ORDER BY FirstName, LastName")),
      Count("SELECT count(*) FROM JobsReports WHERE ClientType=3 AND ZipCode BETWEEN "
            "'90000' AND '91999' AND LastVisit BETWEEN '2001-01-01' AND '2001-12-31' "
            "AND StatusCode=4 AND InvoiceType=31"));
  EXPECT_EQ(CountRows(host_.Execute("SELECT * FROM Contacts WHERE 1=1 ")),
            Count("SELECT count(*) FROM Contacts"));
  EXPECT_EQ(
      CountRows(host_.Execute("SELECT * FROM Contacts WHERE 1=1  ORDER BY ZipCode")),
      Count("SELECT count(*) FROM Contacts"));
  EXPECT_GT(CountRows(host_.Execute("SELECT * FROM InventoryWithDefsAll WHERE 1=1 ")), 0);
  EXPECT_EQ(
      CountRows(host_.Execute(
          "SELECT ServiceLiterature.*, ProductMakes.Make FROM ServiceLiterature LEFT "
          "JOIN ProductMakes ON ServiceLiterature.MakeID = ProductMakes.MakeID WHERE "
          "1=1 ")),
      Count("SELECT count(*) FROM ServiceLiterature"));
  EXPECT_EQ(CountRows(host_.Execute(
                "SELECT ServiceTips.*, ProductMakes.Make FROM ServiceTips LEFT JOIN "
                "ProductMakes ON ServiceTips.MakeID = ProductMakes.MakeID WHERE 1=1  AND "
                "ServiceTips.MakeID=1")),
            Count("SELECT count(*) FROM ServiceTips WHERE MakeID = 1"));
  EXPECT_EQ(
      CountRows(host_.Execute(
          "SELECT * FROM Contacts WHERE   ZipCode BETWEEN '90000' AND '91999'")),
      Count("SELECT count(*) FROM Contacts WHERE ZipCode BETWEEN '90000' AND '91999'"));
}

// What an export hands its file writer.
struct Delivered {
  std::vector<std::string> columns;
  int64_t rows = 0;
};

class CountingWriter : public data::TableWriter {
 public:
  explicit CountingWriter(Delivered& delivered) : delivered_(delivered) {}
  void Open(const data::ExternalTarget&,
            std::span<const data::ColumnInfo> columns) override {
    for (const data::ColumnInfo& column : columns)
      delivered_.columns.push_back(column.name);
  }
  void WriteRow(std::span<const Value>) override { ++delivered_.rows; }
  void Finish() override {}
  void Abandon() noexcept override {}

 private:
  Delivered& delivered_;
};

TEST_F(HostStatementsTest, ExportStatementsDeliverTheSelectedColumnsAndRows) {
  host_.RollbackTrans();  // attaching another database needs no open transaction
  Delivered text, excel;
  data::RegisterTableWriter("TEXT",
                            [&] { return std::make_unique<CountingWriter>(text); });
  data::RegisterTableWriter("Excel 8.0",
                            [&] { return std::make_unique<CountingWriter>(excel); });
  host_.Execute("SELECT [FirstName],[LastName],[ZipCode] INTO [TEXT;Database=" +
                scratch_->File("") +
                "].[cust.csv] FROM  Contacts WHERE   ZipCode BETWEEN "
                "'90000' AND '91999'");
  EXPECT_EQ(text.columns, (std::vector<std::string>{"FirstName", "LastName", "ZipCode"}));
  EXPECT_EQ(
      text.rows,
      Count("SELECT count(*) FROM Contacts WHERE ZipCode BETWEEN '90000' AND '91999'"));
  host_.Execute(
      "SELECT [MakeID],[Make] INTO [Excel 8.0;Database=" + scratch_->File("docs.xls") +
      "].[docs.xls] FROM (SELECT ServiceLiterature.*, ProductMakes.Make FROM "
      "ServiceLiterature LEFT JOIN ProductMakes ON ServiceLiterature.MakeID = "
      "ProductMakes.MakeID WHERE 1=1 )");
  EXPECT_EQ(excel.columns, (std::vector<std::string>{"MakeID", "Make"}));
  EXPECT_EQ(excel.rows, Count("SELECT count(*) FROM ServiceLiterature"));

  // The Access target: an existing database named without its extension.
  std::string access = scratch_->Database("access-target.mdb", "CREATE TABLE Other (x);");
  std::string stem = access.substr(0, access.find_last_of('.'));
  host_.Execute("SELECT [FirstName],[LastName],[CustomerSince] INTO [" + stem +
                "].[Verdacor] FROM  Contacts WHERE 1=1 ");
  EXPECT_EQ(QueryText(access, "SELECT count(*) FROM Verdacor"),
            std::to_string(Count("SELECT count(*) FROM Contacts")));
  EXPECT_EQ(QueryText(access,
                      "SELECT type FROM pragma_table_info('Verdacor') WHERE "
                      "name = 'CustomerSince'"),
            "DATETIME");
  // Exporting twice into the same database fails: the table exists.
  EXPECT_THROW(host_.Execute("SELECT [FirstName] INTO [" + stem +
                             "].[Verdacor] FROM  Contacts WHERE 1=1 "),
               data::DbError);
}

TEST_F(HostStatementsTest, InvoiceExportStatementsCopyInvoicesItemsAndWarranty) {
  host_.RollbackTrans();
  std::string target = scratch_->Database("invoices.mdb", "CREATE TABLE Keep (x);");
  auto ignoring_errors = [&](const std::string& sql) {
    try {
      host_.Execute(sql);
    } catch (const data::DbError&) {
      // Clearing tables that may not exist is expected to fail.
    }
  };
  for (int run = 0; run < 2; ++run) {
    ignoring_errors("DROP TABLE VD_Invoices");
    ignoring_errors("DROP TABLE [" + target + "].[VD_Invoices]");
    ignoring_errors("DROP TABLE [" + target + "].[VD_InvItems]");
    ignoring_errors("DROP TABLE [" + target + "].[VD_InvWarranty]");
    host_.Execute(
        "SELECT JobsReports.* INTO VD_Invoices FROM  JobsReports WHERE   StatusCode=4");
    host_.Execute(
        "SELECT JobItems.JobNo, JobItems.ForPartyNo, JobItems.IsQuote, "
        "JobItems.QtyOrdered, "
        "JobItems.QtyShipped, JobItems.ItemType, JobItems.ItemNumber, JobItems.DescID, "
        "JobItems.TextDescEstimate, JobItems.TextDescInvoice, JobItems.ReferenceNo, "
        "JobItems.CostOrRate, JobItems.PriceOrRate, JobItems.ExtendedPriceOrRate, "
        "JobItems.ItemSerialNo, JobItems.TaxableItem, Employees.ShortName, "
        "ItemTypes.ItemTypeDesc, ItemDescription.DescEstimate, "
        "ItemDescription.DescInvoice "
        "INTO VD_InvItems IN '" +
        target +
        "' FROM (((VD_Invoices INNER JOIN JobItems ON VD_Invoices.JobNo = "
        "JobItems.JobNo) "
        "LEFT JOIN ItemDescription ON JobItems.DescID = ItemDescription.DescID) LEFT "
        "JOIN "
        "Employees ON JobItems.TechnicianID = Employees.EmployeeNo) LEFT JOIN ItemTypes "
        "ON "
        "JobItems.ItemType = ItemTypes.ItemTypeID;");
    host_.Execute("SELECT VD_Invoices.* INTO VD_Invoices IN '" + target +
                  "'FROM VD_Invoices;");
    host_.Execute("SELECT JobsWarranty.* INTO VD_InvWarranty IN '" + target +
                  "' FROM VD_Invoices INNER JOIN JobsWarranty ON VD_Invoices.JobNo = "
                  "JobsWarranty.JobNo;");
    ignoring_errors("DROP TABLE VD_Invoices");
  }
  int64_t invoices = Count("SELECT count(*) FROM JobsReports WHERE StatusCode = 4");
  EXPECT_GT(invoices, 0);
  EXPECT_EQ(QueryText(target, "SELECT count(*) FROM VD_Invoices"),
            std::to_string(invoices));
  EXPECT_EQ(
      QueryText(target, "SELECT count(*) FROM VD_InvItems"),
      std::to_string(Count("SELECT count(*) FROM JobItems WHERE JobNo IN (SELECT JobNo "
                           "FROM JobsReports WHERE StatusCode = 4)")));
  EXPECT_EQ(QueryText(target, "SELECT count(*) FROM pragma_table_info('VD_InvItems')"),
            "20");
  EXPECT_EQ(
      QueryText(target, "SELECT count(*) FROM VD_InvWarranty"),
      std::to_string(Count("SELECT count(*) FROM JobsWarranty WHERE JobNo IN (SELECT "
                           "JobNo FROM JobsReports WHERE StatusCode = 4)")));
  EXPECT_EQ(Count("SELECT count(*) FROM sqlite_master WHERE name = 'VD_Invoices'"), 0);
}

TEST_F(HostStatementsTest, ZipCodeImportStatementsAndContactDefaults) {
  std::string source = scratch_->File("zips.mdb");
  if (!std::filesystem::exists(source))
    schema::CreateZipCodeSourceDatabase(source, 50, 3);
  std::string workgroup = scratch_->Database("QP.QPW", "CREATE TABLE w (x);");
  Recordset zips;
  zips.Open(
      "AustralianZipCodes",
      "Provider=Microsoft.Jet.OLEDB.4.0;Password=rw!qf;Persist Security Info=False;User "
      "ID=Tekvar;Data Source=" +
          source + ";Jet OLEDB:System database=" + workgroup +
          ";Jet OLEDB:Database Password=",
      data::CursorType::kKeyset, data::LockType::kOptimistic, data::CommandType::kTable);
  host_.Execute("DELETE * FROM ZipCodes");
  Recordset target;
  target.Open("ZipCodes", host_, data::CursorType::kKeyset, data::LockType::kOptimistic,
              data::CommandType::kTable);
  int copied = 0;
  for (zips.MoveFirst(); !zips.IsEOF(); zips.MoveNext(), ++copied) {
    target.AddNew();
    target.Fields("ZipCode").SetValue(zips.Fields("PostCode").Value());
    target.Fields("City").SetValue(zips.Fields("CityTown").Value());
    target.Fields("State").SetValue(zips.Fields("State").Value());
    target.Fields("AreaCode").SetValue(zips.Fields("AreaCode").Value());
    target.Update();
  }
  EXPECT_EQ(copied, 50);
  EXPECT_EQ(Count("SELECT count(*) FROM ZipCodes"), 50);

  Recordset option =
      host_.Execute("SELECT SystemOptions.Value FROM SystemOptions WHERE ID=41");
  EXPECT_FALSE(option.IsEOF());
  EXPECT_FALSE(
      host_.Execute("SELECT SystemOptions.Value FROM SystemOptions WHERE ID=47").IsEOF());
}

}  // namespace
}  // namespace vdimpexp

// The invoice export into an existing database file: the three tables,
// their rows for the chosen invoices, and the host left as it was.
#include "export/invoice_export.h"

#include <gtest/gtest.h>

#include <fstream>

#include "data/connection.h"
#include "schema/reference_database.h"
#include "scratch_database.h"
#include "scripted_prompts.h"

namespace vdimpexp::exporting {
namespace {

using testing::QueryText;
using testing::ScratchDirectory;
using testing::ScriptedPrompts;

class InvoiceExportTest : public ::testing::Test {
 protected:
  InvoiceExportTest() {
    schema::CreateReferenceDatabase(Host(), {.contacts = 80, .seed = 3});
    // The status with the most warranty claims, so every table gets rows.
    status_ = std::stoi(InHost(
        "SELECT StatusCode FROM Jobs JOIN JobsWarranty USING (JobNo) GROUP BY StatusCode "
        "ORDER BY COUNT(*) DESC, StatusCode LIMIT 1"));
    other_status_ = std::stoi(InHost("SELECT MIN(StatusCode) FROM Jobs WHERE StatusCode <> " +
                                     std::to_string(status_)));
    // An item line whose description, type and technician match nothing.
    dir_.Database("shop.db",
                  "INSERT INTO JobItems (JobNo, ItemType, ItemNumber, DescID, TechnicianID) "
                  "SELECT MIN(JobNo), 99, 'ORPHAN', 987654, 987654 FROM Jobs WHERE "
                  "StatusCode = " + std::to_string(status_) + ";");
    target_ = dir_.Database("out.mdb", "CREATE TABLE Unrelated (x INTEGER);");
    host_.Open(Host());
  }

  std::string Host() const { return dir_.File("shop.db"); }

  static SelectionRequest Invoices(int status) {
    return {.category = kInvoicesToAccessCategory,
            .filters = {.status = status},
            .export_mode = true};
  }
  // A job number range that selects no invoice.
  static SelectionRequest NoInvoices() {
    return {.category = kInvoicesToAccessCategory,
            .filters = {.invoice_numbers = {"900000", "900001"}},
            .export_mode = true};
  }
  // " WHERE StatusCode = n" for the busy status.
  std::string OfStatus(int status) const {
    return " WHERE StatusCode = " + std::to_string(status);
  }

  std::string InHost(const std::string& sql) const { return QueryText(Host(), sql); }
  std::string InTarget(const std::string& sql) const { return QueryText(target_, sql); }
  bool HostHasCopy() const {
    return InHost("SELECT COUNT(*) FROM sqlite_master WHERE name = 'VD_Invoices'") != "0";
  }

  ScratchDirectory dir_;
  int status_ = 0;
  int other_status_ = 0;
  std::string target_;
  data::Connection host_;
  ScriptedPrompts prompts_;
};

TEST_F(InvoiceExportTest, CopiesTheChosenInvoicesWithTheirLinesAndWarranty) {
  prompts_.ChooseNext(target_);
  std::optional<std::string> message = AutomatedWOExp2Access(Invoices(status_), host_);
  ASSERT_EQ(message, "Created tables VD_Invoices, VD_InvItems and VD_InvWarranty in database " +
                         target_ + ".")
      << (prompts_.questions().empty() ? "" : prompts_.questions()[0].text);
  EXPECT_TRUE(prompts_.questions().empty());
  EXPECT_EQ(prompts_.file_requests().at(0).filter, "MS ACCESS (*.mdb)|*.mdb");

  const std::string invoices = InHost("SELECT COUNT(*) FROM Jobs" + OfStatus(status_));
  ASSERT_NE(invoices, "0");
  EXPECT_EQ(InTarget("SELECT COUNT(*) FROM VD_Invoices"), invoices);
  EXPECT_EQ(InTarget("SELECT COUNT(*) FROM VD_Invoices WHERE StatusCode <> " + std::to_string(status_)), "0");
  EXPECT_EQ(InTarget("SELECT COUNT(*) FROM VD_InvItems"),
            InHost("SELECT COUNT(*) FROM JobItems JOIN Jobs USING (JobNo)" + OfStatus(status_)));
  EXPECT_EQ(InTarget("SELECT COUNT(*) FROM VD_InvWarranty"),
            InHost("SELECT COUNT(*) FROM JobsWarranty JOIN Jobs USING (JobNo)" + OfStatus(status_)));
  EXPECT_NE(InTarget("SELECT COUNT(*) FROM VD_InvWarranty"), "0");

  // The item columns in their order; the unmatched lookups come back empty.
  EXPECT_EQ(InTarget("SELECT group_concat(name, ',') FROM pragma_table_info('VD_InvItems')"),
            "JobNo,ForPartyNo,IsQuote,QtyOrdered,QtyShipped,ItemType,ItemNumber,DescID,"
            "TextDescEstimate,TextDescInvoice,ReferenceNo,CostOrRate,PriceOrRate,"
            "ExtendedPriceOrRate,ItemSerialNo,TaxableItem,ShortName,ItemTypeDesc,"
            "DescEstimate,DescInvoice");
  EXPECT_EQ(InTarget("SELECT coalesce(ShortName, '-') || coalesce(ItemTypeDesc, '-') || "
                     "coalesce(DescEstimate, '-') || coalesce(DescInvoice, '-') "
                     "FROM VD_InvItems WHERE ItemNumber = 'ORPHAN'"),
            "----");
  EXPECT_EQ(InTarget("SELECT COUNT(*) FROM VD_InvItems WHERE ShortName IS NOT NULL"),
            InHost("SELECT COUNT(*) FROM JobItems JOIN Jobs USING (JobNo) JOIN Employees "
                   "ON JobItems.TechnicianID = Employees.EmployeeNo" + OfStatus(status_)));
  EXPECT_EQ(InTarget("SELECT COUNT(*) FROM Unrelated"), "0");
  EXPECT_FALSE(HostHasCopy());
}

TEST_F(InvoiceExportTest, ASecondRunReplacesAndAnEmptySelectionGivesEmptyTables) {
  prompts_.ChooseNext(target_);
  ASSERT_TRUE(AutomatedWOExp2Access(Invoices(status_), host_).has_value());
  prompts_.ChooseNext(target_);
  ASSERT_TRUE(AutomatedWOExp2Access(Invoices(other_status_), host_).has_value());
  EXPECT_EQ(InTarget("SELECT COUNT(*) FROM VD_Invoices"),
            InHost("SELECT COUNT(*) FROM Jobs" + OfStatus(other_status_)));
  EXPECT_EQ(InTarget("SELECT COUNT(*) FROM VD_Invoices WHERE StatusCode <> " +
                     std::to_string(other_status_)),
            "0");
  EXPECT_EQ(InTarget("SELECT COUNT(*) FROM VD_InvItems WHERE ItemNumber = 'ORPHAN'"), "0");

  ASSERT_EQ(InHost("SELECT COUNT(*) FROM Jobs WHERE JobNo BETWEEN 900000 AND 900001"), "0");
  prompts_.ChooseNext(target_);
  ASSERT_TRUE(AutomatedWOExp2Access(NoInvoices(), host_).has_value());
  for (const char* table : {"VD_Invoices", "VD_InvItems", "VD_InvWarranty"}) {
    EXPECT_EQ(InTarget(std::string("SELECT COUNT(*) FROM ") + table), "0") << table;
  }
  EXPECT_FALSE(HostHasCopy());
}

TEST_F(InvoiceExportTest, DatabasePathsWithQuotesSemicolonsAndBrackets) {
  std::filesystem::create_directories(dir_.File("o'brien & co"));
  const std::string quoted = dir_.Database("o'brien & co/out.mdb", "CREATE TABLE t (x);");
  for (int status : {status_, other_status_}) {
    prompts_.ChooseNext(quoted);
    EXPECT_EQ(AutomatedWOExp2Access(Invoices(status), host_),
              "Created tables VD_Invoices, VD_InvItems and VD_InvWarranty in database " +
                  quoted + ".")
        << (prompts_.questions().empty() ? "" : prompts_.questions().back().text);
  }
  EXPECT_EQ(QueryText(quoted, "SELECT COUNT(*) FROM VD_Invoices"),
            InHost("SELECT COUNT(*) FROM Jobs" + OfStatus(other_status_)));
  EXPECT_FALSE(HostHasCopy());

  // "[P].[VD_Invoices]" cannot name these, so an earlier run's tables could
  // never be removed: refused before anything changes.
  for (const char* folder : {"p;q", "x]y"}) {
    SCOPED_TRACE(folder);
    std::filesystem::create_directories(dir_.File(folder));
    const std::string database =
        dir_.Database(std::string(folder) + "/out.mdb", "CREATE TABLE t (x);");
    ScriptedPrompts prompts;
    prompts.ChooseNext(database);
    EXPECT_EQ(AutomatedWOExp2Access(Invoices(status_), host_), std::nullopt);
    ASSERT_EQ(prompts.questions().size(), 1u);
    EXPECT_NE(prompts.questions()[0].text.find("which an export statement cannot name"),
              std::string::npos)
        << prompts.questions()[0].text;
    EXPECT_EQ(QueryText(database, "SELECT COUNT(*) FROM sqlite_master"), "1");
    EXPECT_EQ(prompts.pointers().back(), support::ScreenPointer::kDefault);
  }
}

TEST_F(InvoiceExportTest, OnlySelectAllIsTakenOutOfTheSelection) {
  // A job number typed as "SELECT..." stays a text value: the invoices are
  // read straight from the remaining text, never as a derived table.
  prompts_.ChooseNext(target_);
  SelectionRequest selection = {.category = kInvoicesToAccessCategory,
                                .filters = {.invoice_numbers = {"SELECT", "SELECTZ"}},
                                .export_mode = true};
  EXPECT_EQ(AutomatedWOExp2Access(selection, host_),
            "Created tables VD_Invoices, VD_InvItems and VD_InvWarranty in database " +
                target_ + ".")
      << (prompts_.questions().empty() ? "" : prompts_.questions()[0].text);
  EXPECT_EQ(InTarget("SELECT COUNT(*) FROM VD_Invoices"), "0");
}

TEST_F(InvoiceExportTest, FailureIsReportedAndTheHostCopyRemoved) {
  const std::string not_a_database = dir_.File("notes.mdb");
  std::ofstream(not_a_database) << "this is a text file, not a database";
  prompts_.ChooseNext(not_a_database);
  EXPECT_EQ(AutomatedWOExp2Access(Invoices(status_), host_), std::nullopt);
  ASSERT_EQ(prompts_.questions().size(), 1u);
  EXPECT_TRUE(prompts_.questions()[0].text.starts_with(
      "Export failed; try again by selecting less fields.\r\n"))
      << prompts_.questions()[0].text;
  EXPECT_FALSE(HostHasCopy());
  ASSERT_FALSE(prompts_.pointers().empty());
  EXPECT_EQ(prompts_.pointers().back(), support::ScreenPointer::kDefault);

  // Giving up on choosing a database changes nothing.
  ScriptedPrompts giving_up;
  giving_up.AnswerNext(support::MessageAnswer::kCancel);
  EXPECT_EQ(AutomatedWOExp2Access(Invoices(status_), host_), std::nullopt);
  EXPECT_EQ(giving_up.questions().at(0).text, "You must select an existing Access database!");
  EXPECT_EQ(InTarget("SELECT COUNT(*) FROM sqlite_master WHERE name LIKE 'VD_%'"), "0");
}

}  // namespace
}  // namespace vdimpexp::exporting

#include "export/invoice_export.h"

#include <exception>
#include <vector>

#include "data/db_error.h"
#include "data/text.h"
#include "export/export_dialogs.h"
#include "export/export_statement.h"
#include "support/file_routines.h"
#include "support/prompts.h"

namespace vdimpexp::exporting {
namespace {

constexpr const char* kDropHostCopy = "DROP TABLE VD_Invoices";

// Removing a table that is not there is the normal case.
void DropQuietly(data::Connection& host, const std::string& statement) {
  try {
    host.Execute(statement);
  } catch (const data::DbError&) {
  }
}

std::vector<std::string> CopyingStatements(const std::string& database,
                                           const std::string& row_source) {
  // A quote in the path is doubled, or it would end the literal early.
  const std::string in_database = " IN " + data::SqlQuoted(database);
  return {
      "SELECT JobsReports.* INTO VD_Invoices FROM " + row_source,
      "SELECT JobItems.JobNo, JobItems.ForPartyNo, JobItems.IsQuote, JobItems.QtyOrdered, "
      "JobItems.QtyShipped, JobItems.ItemType, JobItems.ItemNumber, JobItems.DescID, "
      "JobItems.TextDescEstimate, JobItems.TextDescInvoice, JobItems.ReferenceNo, "
      "JobItems.CostOrRate, JobItems.PriceOrRate, JobItems.ExtendedPriceOrRate, "
      "JobItems.ItemSerialNo, JobItems.TaxableItem, Employees.ShortName, "
      "ItemTypes.ItemTypeDesc, ItemDescription.DescEstimate, ItemDescription.DescInvoice "
      "INTO VD_InvItems" +
          in_database +
          " FROM (((VD_Invoices INNER JOIN JobItems ON VD_Invoices.JobNo = JobItems.JobNo) "
          "LEFT JOIN ItemDescription ON JobItems.DescID = ItemDescription.DescID) LEFT JOIN "
          "Employees ON JobItems.TechnicianID = Employees.EmployeeNo) LEFT JOIN ItemTypes ON "
          "JobItems.ItemType = ItemTypes.ItemTypeID;",
      "SELECT VD_Invoices.* INTO VD_Invoices" + in_database + "FROM VD_Invoices;",
      "SELECT JobsWarranty.* INTO VD_InvWarranty" + in_database +
          " FROM VD_Invoices INNER JOIN JobsWarranty ON VD_Invoices.JobNo = "
          "JobsWarranty.JobNo;",
  };
}

}  // namespace

std::optional<std::string> AutomatedWOExp2Access(const SelectionRequest& selection,
                                                 data::Connection& host) {
  support::RestoreMousePointer();
  std::optional<std::string> chosen = ChooseExistingAccessDatabase();
  if (!chosen) return std::nullopt;
  const std::string& database = *chosen;
  if (data::TrimBlanks(database).empty() || !support::FileExists(database)) {
    support::RestoreMousePointer();
    return "Cancelled.";
  }
  try {
    // The clearing drops name the database in brackets; one they cannot
    // name would leave an earlier run's tables in the way of every later run.
    CheckNamesDatabaseFile(database);
  } catch (const UnnamableTarget& refusal) {
    ReportNothingExported(refusal.what());
    return std::nullopt;
  }
  support::ActivePrompts().RunPendingEvents();
  support::ShowBusyPointer();

  DropQuietly(host, kDropHostCopy);
  for (const char* table : {"VD_Invoices", "VD_InvItems", "VD_InvWarranty"}) {
    DropQuietly(host, "DROP TABLE [" + database + "].[" + table + "]");
  }
  std::optional<std::string> finished_message;
  try {
    for (const std::string& statement :
         CopyingStatements(database, WithoutSelectAll(CreateSQL(selection)))) {
      host.Execute(statement);
    }
    finished_message = "Created tables VD_Invoices, VD_InvItems and VD_InvWarranty in database " +
                       database + ".";
  } catch (const std::exception& failure) {
    ReportExportFailure(failure);
  }
  DropQuietly(host, kDropHostCopy);
  support::RestoreMousePointer();
  return finished_message;
}

}  // namespace vdimpexp::exporting

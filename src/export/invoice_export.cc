#include "export/invoice_export.h"

#include <exception>
#include <filesystem>
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
// The host as the target's connection sees it.
constexpr const char* kHost = "vd_host";

// Removing a table that is not there is the normal case.
void DropQuietly(data::Connection& host, const std::string& statement) {
  try {
    host.Execute(statement);
  } catch (const data::DbError&) {
  }
}

// A transaction of its own on `connection`, rolled back unless committed.
class Unit {
 public:
  explicit Unit(data::Connection& connection)
      : connection_(connection), outer_level_(connection.TransactionLevel()) {
    connection.BeginTrans();
  }
  ~Unit() {
    try {
      if (connection_.TransactionLevel() > outer_level_) connection_.RollbackTrans();
    } catch (const data::DbError&) {
      // The engine ended it already; nothing of it was kept.
    }
  }
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;
  void Commit() { connection_.CommitTrans(); }

 private:
  data::Connection& connection_;
  int outer_level_;
};

// A host table under its own name, so the column lists read as on the host.
std::string HostTable(const std::string& table) {
  return std::string(kHost) + "." + table + " AS " + table;
}

std::vector<std::string> CopyingStatements() {
  return {
      "SELECT JobItems.JobNo, JobItems.ForPartyNo, JobItems.IsQuote, "
      "JobItems.QtyOrdered, JobItems.QtyShipped, JobItems.ItemType, JobItems.ItemNumber, "
      "JobItems.DescID, JobItems.TextDescEstimate, JobItems.TextDescInvoice, "
      "JobItems.ReferenceNo, JobItems.CostOrRate, JobItems.PriceOrRate, "
      "JobItems.ExtendedPriceOrRate, JobItems.ItemSerialNo, JobItems.TaxableItem, "
      "Employees.ShortName, ItemTypes.ItemTypeDesc, ItemDescription.DescEstimate, "
      "ItemDescription.DescInvoice "
      "INTO VD_InvItems FROM (((" +
          HostTable("VD_Invoices") + " INNER JOIN " + HostTable("JobItems") +
          " ON VD_Invoices.JobNo = JobItems.JobNo) LEFT JOIN " +
          HostTable("ItemDescription") +
          " ON JobItems.DescID = ItemDescription.DescID) LEFT JOIN " +
          HostTable("Employees") + " ON JobItems.TechnicianID = Employees.EmployeeNo) " +
          "LEFT JOIN " + HostTable("ItemTypes") +
          " ON JobItems.ItemType = ItemTypes.ItemTypeID;",
      "SELECT VD_Invoices.* INTO VD_Invoices FROM " + HostTable("VD_Invoices") + ";",
      "SELECT JobsWarranty.* INTO VD_InvWarranty FROM " + HostTable("VD_Invoices") +
          " INNER JOIN " + HostTable("JobsWarranty") +
          " ON VD_Invoices.JobNo = JobsWarranty.JobNo;",
  };
}

// The host's copy of the chosen invoices, which the target's copies join on.
void CopyChosenOnHost(data::Connection& host, const std::string& row_source) {
  Unit on_host(host);
  DropQuietly(host, kDropHostCopy);
  host.Execute("SELECT JobsReports.* INTO VD_Invoices FROM " + row_source);
  on_host.Commit();
}

// Clears and fills the target's tables in one transaction of its own, so an
// earlier run's tables stay until the new ones are complete. A lock another
// program holds is met at the start or the end of a step; `waiting_on` then
// names the database that step waited for.
void ReplaceTargetTables(const data::Connection& host, const std::string& database,
                         std::string& waiting_on) {
  const std::string& host_file = host.DataSource();
  waiting_on = database;
  data::Connection target;
  target.Open(database, host.LockWait());
  Unit on_target(target);
  // Attached only now: attached before, the transaction's start would take
  // the host's write lock as well. Reading it now holds its read lock to the
  // end, so from here on only the target can be locked.
  waiting_on = host_file;
  target.Execute("ATTACH DATABASE " + data::SqlQuoted(host_file) + " AS " + kHost);
  target.Execute(std::string("SELECT COUNT(*) FROM ") + kHost + ".sqlite_master");
  waiting_on = database;
  for (const char* table : {"VD_Invoices", "VD_InvItems", "VD_InvWarranty"}) {
    // Unqualified, the name would also find the host's copy.
    target.Execute(std::string("DROP TABLE IF EXISTS main.") + table);
  }
  for (const std::string& statement : CopyingStatements()) target.Execute(statement);
  on_target.Commit();
}

}  // namespace

std::optional<std::string> AutomatedWOExp2Access(const SelectionRequest& selection,
                                                 data::Connection& host) {
  support::RestoreMousePointer();
  if (std::optional<std::string> problem = FilterTextProblem(selection)) {
    ReportNothingExported(*problem);
    return std::nullopt;
  }
  std::optional<std::string> chosen = ChooseExistingAccessDatabase();
  if (!chosen) return std::nullopt;
  const std::string& database = *chosen;
  if (data::TrimBlanks(database).empty() || !support::FileExists(database)) {
    support::RestoreMousePointer();
    return "Cancelled.";
  }
  try {
    // Jet names the database in brackets; a name that cannot be written
    // there is refused as every Access export refuses it.
    CheckNamesDatabaseFile(database);
  } catch (const UnnamableTarget& refusal) {
    ReportNothingExported(refusal.what());
    return std::nullopt;
  }
  std::error_code unknown;
  if (std::filesystem::equivalent(database, host.DataSource(), unknown)) {
    // Its copy of the chosen invoices would stand where the target's goes.
    ReportNothingExported("The invoices come from " + database +
                          "; choose another database to copy them into.");
    return std::nullopt;
  }
  support::ActivePrompts().RunPendingEvents();
  support::ShowBusyPointer();

  std::optional<std::string> finished_message;
  std::string waiting_on = host.DataSource();
  bool host_copy_made = false;
  try {
    CopyChosenOnHost(host, WithoutSelectAll(CreateSQL(selection)));
    host_copy_made = true;
    ReplaceTargetTables(host, database, waiting_on);
    finished_message =
        "Created tables VD_Invoices, VD_InvItems and VD_InvWarranty in database " +
        database + ".";
  } catch (const data::DbError& failure) {
    if (!failure.locked()) {
      ReportExportFailure(failure);
    } else {
      ReportNothingExported(
          "The database " + waiting_on +
          " is locked by another program; close it there and try again.");
    }
  } catch (const std::exception& failure) {
    ReportExportFailure(failure);
  }
  // Not made, it is not looked for: under a lock that would be one more wait.
  if (host_copy_made) DropQuietly(host, kDropHostCopy);
  support::RestoreMousePointer();
  return finished_message;
}

}  // namespace vdimpexp::exporting

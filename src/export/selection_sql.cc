#include "export/selection_sql.h"

#include <algorithm>
#include <stdexcept>

#include "data/jet_sql.h"
#include "data/text.h"
#include "wizard/wizard_steps.h"

namespace vdimpexp::exporting {
namespace {

constexpr std::string_view kPlaceholder = "WHERE 1=1 ";

std::string BaseStatement(int category) {
  switch (category) {
    case 0:
      return "SELECT * FROM Contacts WHERE 1=1 ";
    case 1:
    case kInvoicesToAccessCategory:
      return "SELECT * FROM JobsReports WHERE 1=1 ";
    case 2:
      return "SELECT * FROM InventoryWithDefsAll WHERE 1=1 ";
    case 3:
      return std::string(kServiceDocsSQL) + " " + std::string(kPlaceholder);
    case 4:
      return std::string(kServiceTipsSQL) + " " + std::string(kPlaceholder);
  }
  throw std::invalid_argument("no export category " + std::to_string(category));
}

// The pages the wizard visits for the request's category, by tag.
class VisitedPages {
 public:
  explicit VisitedPages(const SelectionRequest& request)
      : tags_(data::SplitAt(
            wizard::FilterWizardSteps(request.export_mode).at(request.category), ',')) {}

  bool Include(std::string_view tag) const {
    return std::ranges::any_of(
        tags_, [&](const std::string& step) { return wizard::TagIs(step, tag); });
  }

 private:
  std::vector<std::string> tags_;
};

std::string DateLiteral(const data::Date& date) { return "#" + date.ToUsText() + "#"; }

class ClauseList {
 public:
  explicit ClauseList(std::string base) : sql_(std::move(base)) {}

  void AddList(std::string_view column, const ListChoice& choice) {
    if (choice) sql_ += " AND " + std::string(column) + "=" + std::to_string(*choice);
  }

  void AddRange(std::string_view column, const TextRange& range) {
    std::string_view from = data::TrimBlanks(range.from);
    std::string_view to = data::TrimBlanks(range.to);
    if (from.empty() || to.empty()) return;
    sql_ += " AND " + std::string(column) + " BETWEEN " + data::SqlQuoted(from) +
            " AND " + data::SqlQuoted(to);
  }

  void AddRange(std::string_view column, const DateRange& range) {
    if (!range.from || !range.to) return;
    sql_ += " AND " + std::string(column) + " BETWEEN " + DateLiteral(*range.from) +
            " AND " + DateLiteral(*range.to);
  }

  void AddInvoiceType(InvoiceTypeChoice type) {
    // The host's codes do not follow the buttons' order.
    switch (type) {
      case InvoiceTypeChoice::kAll:
        return;
      case InvoiceTypeChoice::kSales:
        sql_ += " AND InvoiceType=30";
        return;
      case InvoiceTypeChoice::kQuotes:
        sql_ += " AND InvoiceType=32";
        return;
      case InvoiceTypeChoice::kRepairs:
        sql_ += " AND InvoiceType=31";
        return;
    }
  }

  void AddSortOrder(const std::vector<std::string>& fields) {
    if (fields.empty()) return;
    sql_ += " ORDER BY ";
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) sql_ += ", ";
      sql_ += fields[i];
    }
  }

  // The placeholder condition goes where a clause follows it; a statement
  // without clauses keeps its "WHERE 1=1 ".
  std::string Finished() && {
    sql_ = data::jet::ReplaceOutsideStrings(sql_, "1=1  AND", " ");
    return std::move(sql_);
  }

 private:
  std::string sql_;
};

}  // namespace

std::optional<std::string> ColumnSourceSQL(int category) {
  switch (category) {
    case 0:
      return "SELECT * FROM Contacts";
    case 1:
      return "SELECT * FROM JobsReports";
    case 2:
      return "SELECT * FROM InventoryWithDefsAll";
    case 3:
      return std::string(kServiceDocsSQL);
    case 4:
      return std::string(kServiceTipsSQL);
  }
  return std::nullopt;
}

std::optional<std::string> FilterTextProblem(const SelectionRequest& request) {
  const VisitedPages visited(request);
  struct Box {
    const char* page_tag;
    const char* frame;
    const TextRange& range;
  };
  for (const Box& box :
       {Box{"ContactsSelections", "Zip Code", request.filters.zip_codes},
        Box{"WorkOrderSelection", "Invoice Numbers", request.filters.invoice_numbers}}) {
    if (!visited.Include(box.page_tag)) continue;
    for (const auto& [side, text] :
         {std::pair{"From", &box.range.from}, std::pair{"To", &box.range.to}}) {
      if (text->find('\0') != std::string::npos) {
        return "The " + std::string(side) + " box of " + box.frame +
               " holds a NUL character, which a filter cannot contain.";
      }
    }
  }
  return std::nullopt;
}

std::string CreateSQL(const SelectionRequest& request) {
  if (request.cancelled) return "";
  const FilterChoices& filters = request.filters;
  ClauseList sql(BaseStatement(request.category));
  const VisitedPages visited(request);
  if (visited.Include("ContactsSelections")) {
    sql.AddList("ClientType", filters.account_type);
    sql.AddList("ReferalBy", filters.referral_source);
    sql.AddRange("ZipCode", filters.zip_codes);
    sql.AddRange("LastVisit", filters.last_visit);
  }
  if (visited.Include("WorkOrderSelection")) {
    sql.AddList("StatusCode", filters.status);
    sql.AddList("MakeID", filters.make);
    sql.AddRange("DateIn", filters.service_requested);
    sql.AddRange("ClaimedOn", filters.claimed);
    sql.AddRange("JobNo", filters.invoice_numbers);
    sql.AddInvoiceType(filters.invoice_type);
  }
  if (visited.Include("Inventory")) sql.AddList("ItemType", filters.item_type);
  if (visited.Include("ServiceDocs")) {
    sql.AddList("ServiceLiterature.MakeID", filters.documents_make);
  }
  if (visited.Include("ServiceTips")) {
    sql.AddList("ServiceTips.MakeID", filters.tips_make);
  }
  // In export mode the chosen fields are the exported columns, not a sort.
  if (!request.export_mode) sql.AddSortOrder(request.selected_fields);
  return std::move(sql).Finished();
}

}  // namespace vdimpexp::exporting

// The selection statement: the chosen category and the state of every
// filter control turned into one Jet SQL statement over the host database.
// The host receives it as the selection, the general export reads its rows
// from it, and the invoice export takes its invoices from it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/value.h"

namespace vdimpexp::exporting {

// The joins the service documents and service tips categories start from.
inline constexpr std::string_view kServiceDocsSQL =
    "SELECT ServiceLiterature.*, ProductMakes.Make "
    "FROM ServiceLiterature LEFT JOIN ProductMakes ON ServiceLiterature.MakeID = "
    "ProductMakes.MakeID";
inline constexpr std::string_view kServiceTipsSQL =
    "SELECT ServiceTips.*, ProductMakes.Make "
    "FROM ServiceTips LEFT JOIN ProductMakes ON ServiceTips.MakeID = ProductMakes.MakeID";

inline constexpr int kInvoicesToAccessCategory = 5;

// A drop-down list's choice: nullopt for "<All>", else the entry's item data.
using ListChoice = std::optional<int32_t>;

// Two text boxes as typed; the range applies when both hold more than blanks.
struct TextRange {
  std::string from;
  std::string to;
};

// Two date inputs; the range applies when both hold a date.
struct DateRange {
  std::optional<data::Date> from;
  std::optional<data::Date> to;
};

// The "&Invoice Types" buttons, by their index in the group.
enum class InvoiceTypeChoice { kAll = 0, kSales = 1, kQuotes = 2, kRepairs = 3 };

struct FilterChoices {
  // The customers page.
  ListChoice account_type;
  ListChoice referral_source;
  TextRange zip_codes;
  DateRange last_visit;
  // The invoices page.
  ListChoice status;
  ListChoice make;
  DateRange service_requested;
  DateRange claimed;
  TextRange invoice_numbers;
  InvoiceTypeChoice invoice_type = InvoiceTypeChoice::kAll;
  // The inventory, service documents and service tips pages.
  ListChoice item_type;
  ListChoice documents_make;
  ListChoice tips_make;
};

struct SelectionRequest {
  // 0 to 5, as on the category page.
  int category = 0;
  FilterChoices filters;
  bool export_mode = false;
  // The user confirmed leaving the wizard: there is no selection.
  bool cancelled = false;
  // In selection mode the sort columns, in their order.
  std::vector<std::string> selected_fields;
};

// The statement whose columns the field page offers for `category`;
// nullopt for the invoice export, which has no field page.
std::optional<std::string> ColumnSourceSQL(int category);

// Why a filter box the request's steps visit holds text no statement can
// carry, naming the box ("The From box of Zip Code holds a NUL character,
// which a filter cannot contain."); nullopt when every box is fine. A NUL
// would cut the statement short wherever it is passed on as C text.
std::optional<std::string> FilterTextProblem(const SelectionRequest& request);

// The selection statement for `request`. A filter counts only when the
// category's steps visit the page it is on, so a choice left on a page of
// another category never reaches the statement. Text values have their
// quotes doubled and dates are written #m/d/yyyy#, whatever the locale.
std::string CreateSQL(const SelectionRequest& request);

}  // namespace vdimpexp::exporting

#include "legacy/xav_import.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "data/db_error.h"
#include "data/recordset.h"
#include "data/text.h"
#include "legacy/cb_support.h"
#include "legacy/clipper_calls.h"
#include "legacy/code_page_choice.h"
#include "legacy/dbf_error.h"
#include "legacy/legacy_tables.h"
#include "support/contact_creation.h"
#include "support/random_number.h"
#include "support/text_case.h"

namespace vdimpexp::legacy {
namespace {

using support::ContactInfo;

constexpr int32_t kStockCode = 2;

// The legacy contacts tables: the contact type every row gets, and which
// DBF field fills which part of the contact. Fields a table does not name
// stay empty for the whole table.
struct ContactField {
  std::string_view dbf_name;
  std::string ContactInfo::*target;
};

constexpr ContactField kCustomerFields[] = {
    {"FName", &ContactInfo::FirstName}, {"LName", &ContactInfo::LastName},
    {"ADDRESS", &ContactInfo::Address}, {"CITY", &ContactInfo::City},
    {"STATE", &ContactInfo::State},     {"ZIP", &ContactInfo::ZipCode},
    {"PHONE", &ContactInfo::Phone},     {"WKPHONE", &ContactInfo::WorkPhone},
};
constexpr ContactField kManufacturerFields[] = {
    {"NAME", &ContactInfo::Company}, {"ADDRESS1", &ContactInfo::Address},
    {"CITY", &ContactInfo::City},    {"STATE", &ContactInfo::State},
    {"ZIP", &ContactInfo::ZipCode},  {"PHONE", &ContactInfo::Phone},
    {"FAX", &ContactInfo::Fax},      {"COM1", &ContactInfo::Notes},
};
constexpr ContactField kDealerFields[] = {
    {"NAME", &ContactInfo::Company}, {"ADDRESS", &ContactInfo::Address},
    {"CITY", &ContactInfo::City},    {"STATE", &ContactInfo::State},
    {"ZIP", &ContactInfo::ZipCode},  {"PHONE", &ContactInfo::Phone},
    {"FAX", &ContactInfo::Fax},      {"COM1", &ContactInfo::Notes},
};
constexpr ContactField kVendorFields[] = {
    {"VENDOR", &ContactInfo::Company},    {"ADDRESS_1", &ContactInfo::Address},
    {"CITY", &ContactInfo::City},         {"STATE", &ContactInfo::State},
    {"ZIP", &ContactInfo::ZipCode},       {"PHONE", &ContactInfo::Phone},
    {"FAX", &ContactInfo::Fax},           {"COM1", &ContactInfo::Notes},
    {"ACCOUNT", &ContactInfo::AccountNo},
};

struct ContactTable {
  int32_t code;
  int16_t client_type;
  std::span<const ContactField> fields;
};

constexpr ContactTable kContactTables[] = {
    {1, 9, kCustomerFields},      // LOG.DBF: customers
    {5, 8, kManufacturerFields},  // MFG.DBF
    {6, 2, kDealerFields},        // STORES.DBF
    {7, 4, kVendorFields},        // VENDOR.DBF
    {9, 9, kCustomerFields},      // ARCHIVE.DBF: customers of old work orders
};

const ContactTable* ContactTableFor(int32_t code) {
  for (const ContactTable& table : kContactTables) {
    if (table.code == code) return &table;
  }
  return nullptr;
}

// Where the table with `code` lies: its folder followed by its file name.
std::string TablePath(int32_t code, const XavImportJob& job) {
  const LegacyTable* table = FindLegacyTable(code);
  if (!table) {
    throw std::invalid_argument("no legacy table has the code " + std::to_string(code));
  }
  return table->PathIn(job.DatabaseDir, job.HistoryDir);
}

// A failing step is passed over and the import goes on with the next one:
// one bad value must not cost the other columns, rows or tables. Only the
// host database's own failures are meant; anything else is a fault that
// must reach the caller, which then rolls the whole import back.
template <typename Step>
bool Attempt(Step step) {
  try {
    step();
    return true;
  } catch (const data::DbError&) {
    return false;
  }
}

// Why the pending row could not be saved; nullopt when it was.
std::optional<data::DbError> SaveFailure(data::Recordset& rows) {
  try {
    rows.Update();
    return std::nullopt;
  } catch (const data::DbError& error) {
    return error;
  }
}

// A host column of the open table, found once for the whole table; nullptr
// when the host lacks it, so that every step that needs it is passed over.
data::Field* HostColumn(data::Recordset& rows, std::string_view name) {
  data::Field* field = nullptr;
  Attempt([&] { field = &rows.Fields(name); });
  return field;
}

// Why the host refused a row, without the statement the engine names in
// brackets after it.
std::string RefusalReason(const data::DbError& error) {
  std::string reason = error.description();
  const size_t context = reason.rfind(" [");
  if (!reason.empty() && reason.back() == ']' && context != std::string::npos) {
    reason.resize(context);
  }
  return reason;
}

// What became of a table's records, counted as they are read; the records
// left out are also set aside, named, for the user's list.
struct TableTally {
  TableTally(std::string_view path, XavImportReport& report)
      : file(std::filesystem::path(path).filename().string()),
        set_aside(report.set_aside) {}

  void Refuse(std::string_view key, std::string reason) {
    ++counts.refused;
    ++refusals[reason];
    SetAside(key, std::move(reason));
  }
  void Drop(std::string_view key, std::string reason) {
    ++counts.dropped;
    duplicates = true;
    SetAside(key, std::move(reason));
  }

  XavTableCounts counts;
  bool duplicates = false;                  // some rows were refused as duplicates
  std::map<std::string, int64_t> refusals;  // by reason

 private:
  void SetAside(std::string_view key, std::string reason) {
    set_aside.push_back({.table = file,
                         .record = d4recNoLow(DbfFile),
                         .key = std::string(key),
                         .reason = std::move(reason)});
  }

  std::string file;
  std::vector<SetAsideRecord>& set_aside;
};

// "5 records read: 3 imported (1 under a changed FileAs), 1 dropped as a
// duplicate, 1 refused (UNIQUE constraint failed: ...); 2 skipped as
// deleted.": the counts add up to the records read, before the commit.
std::string CountsLine(const TableTally& tally) {
  const XavTableCounts& counts = tally.counts;
  std::string line = data::Counted(counts.read, "record", "records") +
                     " read: " + std::to_string(counts.imported) + " imported";
  if (counts.renamed > 0) {
    line += " (" + std::to_string(counts.renamed) + " under a changed FileAs)";
  }
  line +=
      ", " +
      data::Counted(counts.dropped, "dropped as a duplicate", "dropped as duplicates") +
      ", " + std::to_string(counts.refused) + " refused";
  if (!tally.refusals.empty()) {
    const auto most = std::max_element(
        tally.refusals.begin(), tally.refusals.end(),
        [](const auto& a, const auto& b) { return a.second < b.second; });
    line += " (" + (tally.refusals.size() > 1 ? "most often: " : std::string()) +
            most->first + ")";
  }
  return line + "; " + std::to_string(counts.deleted) + " skipped as deleted.";
}

std::string NotImportedLine(int64_t rows) {
  return data::Counted(rows, "record", "records") + " could not be imported.";
}

std::string MissingRecordsLine(int64_t records) {
  return data::Counted(records, "record that the header counts is",
                       "records that the header counts are") +
         " missing from the file, which was cut short.";
}

// "LOG.DBF could not be read after record 8330 (the records cannot be
// read): 11670 records after it were not imported."
std::string UnreadRecordsLine(const std::string& file, int64_t last_read, int64_t unread,
                              std::string_view reason) {
  const std::string why = " (" + std::string(reason) + "): ";
  if (last_read == 0) {
    return file + " could not be read from its first record" + why +
           "none of its records was imported.";
  }
  return file + " could not be read after record " + std::to_string(last_read) + why +
         data::Counted(unread, "record after it was", "records after it were") +
         " not imported.";
}

std::string NumberProblemLine(int64_t numbers) {
  return data::Counted(numbers, "number could not be read; its column keeps",
                       "numbers could not be read; their columns keep") +
         " the value of a new row.";
}

std::string MemoProblemLine(int64_t texts) {
  return data::Counted(texts, "memo text", "memo texts") + " could not be read.";
}

// After "Importing ...", the character set the user chose for tables that
// declare none; nothing for the automatic choice.
std::string CodePageNote(const XavImportJob& job) {
  if (job.unmarked_code_page.empty()) return {};
  return " - character set of tables without one: " +
         CodePageLabel(job.unmarked_code_page);
}

// The table's own transaction inside the caller's. A begin that fails is
// passed over like any failing step, and then there is nothing of ours to
// end: committing would end the caller's transaction instead. Left without
// a commit (an error on its way to the caller), it is rolled back.
class NestedTransaction {
 public:
  explicit NestedTransaction(data::Connection& host) : host_(host) {
    Attempt([&] { level_ = host_.BeginTrans(); });
  }
  ~NestedTransaction() {
    if (level_ == 0 || host_.TransactionLevel() != level_) return;
    Attempt([&] { host_.RollbackTrans(); });
  }
  NestedTransaction(const NestedTransaction&) = delete;
  NestedTransaction& operator=(const NestedTransaction&) = delete;

  // A commit refused is no step to pass over: the table's rows are lost
  // (the engine has ended the whole transaction after a disk or I/O
  // failure), so the error goes to the caller instead of a "Completed.".
  void Commit() {
    if (level_ == 0) return;
    host_.CommitTrans();
    level_ = 0;
  }

 private:
  data::Connection& host_;
  int level_ = 0;
};

// What the two table imports share: the progress lines and bar, the nested
// transaction, the host table, the DBF table and the walk over its records.
// `open_table` finds the DBF fields and host columns the records need, once
// the DBF table is open; `import_record` turns the current record into a row
// of `rows`.
template <typename OpenTable, typename ImportRecord>
bool ImportTable(const XavTableEntry& entry, const std::string& path,
                 std::string_view host_table, std::string_view duplicate_note,
                 const XavImportJob& job, OpenTable open_table,
                 ImportRecord import_record) {
  support::ProgressSink& progress = job.progress;
  const auto started = std::chrono::steady_clock::now();
  progress.AppendLine("Importing " + entry.text + CodePageNote(job));
  progress.SetPercent(0);
  progress.ShowBar(true);
  progress.RunPendingEvents();

  NestedTransaction transaction(job.host);
  data::Recordset rows;
  Attempt([&] {
    rows.Open(host_table, job.host, data::CursorType::kKeyset,
              data::LockType::kOptimistic, data::CommandType::kTable);
  });
  DbfFile = d4open(DbfContext, path);
  if (const int error = code4errorCode(DbfContext, 0); error < 0) {
    progress.AppendLine(std::filesystem::path(path).filename().string() +
                        " could not be opened: " + DbfErrorText(error) + ".");
    DbfResult = code4close(DbfContext);
    rows.Close();
    transaction.Commit();
    progress.ShowBar(false);
    return false;
  }
  open_table(rows);
  progress.SetRecordCount(d4recCountDo(DbfFile));

  TableTally tally(path, job.report);
  XavTableCounts& counts = tally.counts;
  int32_t last_read = 0;  // the record's place in the file
  DbfResult = d4top(DbfFile);
  if (DbfResult == kDbfMoved) {
    do {
      last_read = d4recNoLow(DbfFile);
      // A header that counts no records while the file still holds some
      // leaves the bar where it is rather than dividing by zero.
      const int32_t records = d4recCountDo(DbfFile);
      if (records > 0) progress.SetPercent(100.0 / records * last_read);
      ++counts.read;
      import_record(rows, tally);
      DbfResult = d4skip(DbfFile, 1);
    } while (DbfResult == kDbfMoved);
  }
  std::string read_failure;
  if (DbfResult == kDbfEndOfFile) {
    // Walked to the end, the records not read are those marked deleted.
    counts.deleted = std::max<int64_t>(0, d4recCountDo(DbfFile) - counts.read);
  } else {
    // The file changed under the import, or the disk failed: the records
    // after the last one read are not reached. Taking the error clears it,
    // so that the next table opens.
    const int error = code4errorCode(DbfContext, 0);
    counts.unread = std::max<int64_t>(0, d4recCountDo(DbfFile) - last_read);
    read_failure = UnreadRecordsLine(std::filesystem::path(path).filename().string(),
                                     last_read, counts.unread, DbfErrorText(error));
  }
  counts.unreadable_memos = static_cast<int64_t>(MemoProblemCount(DbfFile));
  counts.missing = MissingRecordCount(DbfFile);
  DbfResult = code4close(DbfContext);
  rows.Close();
  transaction.Commit();
  counts.imported = counts.read - counts.dropped - counts.refused;
  counts.table = entry.text;
  counts.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  job.report.tables.push_back(counts);

  progress.AppendLine(tally.duplicates ? "Completed." + std::string(duplicate_note)
                                       : std::string("Completed."));
  if (counts.refused > 0) progress.AppendLine(NotImportedLine(counts.refused));
  progress.AppendLine(CountsLine(tally));
  // Their records were imported with those fields empty.
  if (counts.unreadable_memos > 0) {
    progress.AppendLine(MemoProblemLine(counts.unreadable_memos));
  }
  if (counts.unreadable_numbers > 0) {
    progress.AppendLine(NumberProblemLine(counts.unreadable_numbers));
  }
  if (counts.missing > 0) progress.AppendLine(MissingRecordsLine(counts.missing));
  if (!read_failure.empty()) progress.AppendLine(read_failure);
  progress.ShowBar(false);
  return true;
}

// Sets the refused row apart by "-" and a number from 1 to 50 after its
// FileAs. A name that already fills its column gives up its last characters
// to the suffix, since only the suffix can make it acceptable.
void AppendFileAsSuffix(data::Recordset& contacts) {
  data::Field& file_as = contacts.Fields("FileAs");
  const std::string suffix = "-" + std::to_string(support::RandomNumber(0, 50));
  std::string present = file_as.Value().ToText();
  const auto room = static_cast<std::size_t>(std::max(file_as.DefinedSize(), 0));
  if (file_as.Type() == data::ColumnType::kText && room > suffix.size()) {
    present = std::string(support::CutToLength(present, room - suffix.size()));
  }
  file_as.SetValue(present + suffix);
}

// A contact the host would not take: its pending row is dropped, and so
// are the phone rows AddContact saved for it, which would otherwise point
// at a contact that does not exist.
void DropUnsavedContact(data::Recordset& contacts, data::Connection& host) {
  std::optional<data::Value> key;
  Attempt([&] { key = contacts.Fields("CKey").Value(); });
  contacts.CancelUpdate();
  if (!key || key->kind() != data::Value::Kind::kInteger) return;
  Attempt([&] {
    host.Execute("DELETE FROM ContactPhones WHERE CKey=" +
                 std::to_string(key->AsInteger()));
  });
}

// Saves the contact, changing its FileAs while the host refuses it as a
// duplicate, at most kMaxContactSaves times in all.
void SaveContact(data::Recordset& contacts, data::Connection& host, TableTally& tally) {
  // The name the contact is listed under if it is set aside: as first
  // filed, before any suffix.
  std::string file_as;
  for (int saves = 1;; ++saves) {
    const std::optional<data::DbError> failure = SaveFailure(contacts);
    if (!failure) {
      tally.counts.renamed += saves > 1;
      return;
    }
    if (saves == 1)
      Attempt([&] { file_as = contacts.Fields("FileAs").Value().ToText(); });
    if (failure->number() != data::error_number::kDuplicateKey ||
        saves == kMaxContactSaves) {
      DropUnsavedContact(contacts, host);
      tally.Refuse(file_as,
                   failure->number() == data::error_number::kDuplicateKey
                       ? "still a duplicate after " + std::to_string(saves) + " names"
                       : RefusalReason(*failure));
      return;
    }
    tally.duplicates = true;
    Attempt([&] { AppendFileAsSuffix(contacts); });
  }
}

// The DBF fields of `table`, in the order of its field list (0 for one the
// file lacks: it reads as empty text).
std::vector<FieldHandle> ContactFieldHandles(const ContactTable& table) {
  std::vector<FieldHandle> handles;
  for (const ContactField& field : table.fields) {
    handles.push_back(d4field(DbfFile, field.dbf_name));
  }
  return handles;
}

void ImportContactRecord(data::Recordset& contacts, const ContactTable& table,
                         std::span<const FieldHandle> fields, ContactInfo& contact,
                         support::ContactCreator& creator, data::Connection& host,
                         TableTally& tally) {
  if (!Attempt([&] { contacts.AddNew(); })) {
    tally.Refuse({}, "the host table takes no new row");
    return;
  }
  contact.ClientType = table.client_type;
  for (std::size_t i = 0; i < table.fields.size(); ++i) {
    FieldText(fields[i], contact.*table.fields[i].target);
  }
  // A failing step of AddContact leaves the columns set before it; the row
  // is saved with those, as the legacy program did.
  Attempt([&] { creator.AddContact(contacts, contact); });
  SaveContact(contacts, host, tally);
}

// The DBF fields and host columns of the stock import, found once per table.
struct StockFields {
  FieldHandle part_number, genetic_number, description, location, last_date, quantity,
      minimum_quantity, cost, retail, comments;
};

struct ItemColumns {
  data::Field *ItemType, *ItemNumber, *GeneticNo, *ProductLine, *Category, *DescEstimate,
      *DescInvoice, *TaxableItem, *Location, *LastItemUsedOn, *StorageBin1,
      *UnitsInStock1, *ReOrderPoint1, *CostOrRateLastUpdated, *CostOrRate,
      *SalesPriceOrRate, *AllowBackOrders, *Notes;
};

// The fields in the order the records read them.
StockFields FindStockFields() {
  StockFields fields;
  fields.part_number = d4field(DbfFile, "PARTNO");
  fields.genetic_number = d4field(DbfFile, "GENNO");
  fields.description = d4field(DbfFile, "DISC");
  fields.location = d4field(DbfFile, "LOCATION");
  fields.last_date = d4field(DbfFile, "LASTDATE");
  fields.quantity = d4field(DbfFile, "QUAN");
  fields.minimum_quantity = d4field(DbfFile, "MINQUAN");
  fields.cost = d4field(DbfFile, "COST");
  fields.retail = d4field(DbfFile, "RETAIL");
  fields.comments = d4field(DbfFile, "COMMENTS");
  return fields;
}

ItemColumns FindItemColumns(data::Recordset& items) {
  return {
      HostColumn(items, "ItemType"),        HostColumn(items, "ItemNumber"),
      HostColumn(items, "GeneticNo"),       HostColumn(items, "ProductLine"),
      HostColumn(items, "Category"),        HostColumn(items, "DescEstimate"),
      HostColumn(items, "DescInvoice"),     HostColumn(items, "TaxableItem"),
      HostColumn(items, "Location"),        HostColumn(items, "LastItemUsedOn"),
      HostColumn(items, "StorageBin1"),     HostColumn(items, "UnitsInStock1"),
      HostColumn(items, "ReOrderPoint1"),   HostColumn(items, "CostOrRateLastUpdated"),
      HostColumn(items, "CostOrRate"),      HostColumn(items, "SalesPriceOrRate"),
      HostColumn(items, "AllowBackOrders"), HostColumn(items, "Notes")};
}

// Sets a column of the pending item; a value the column refuses, or a
// column the host lacks, leaves it at the value a new row has.
void SetItem(data::Field* column, data::Value value) {
  if (column) Attempt([&] { column->SetValue(std::move(value)); });
}

void SetItemText(data::Field* column, std::string_view text) {
  if (column) Attempt([&] { column->SetText(text); });
}

// The text of a DBF field, fitted to the item column's defined size.
void SetItemFitted(data::Field* column, FieldHandle dbf_field, std::string& text) {
  if (!column) return;
  FieldText(dbf_field, text);
  SetItemText(column,
              data::TrimSpaces(support::CutToLength(
                  text, static_cast<std::size_t>(std::max(column->DefinedSize(), 0)))));
}

// A number field into its column. A field without a number, blank or all
// asterisks (what dBASE writes for a number too wide for its field, and
// GDAL for none), leaves the column at its new-row value; so does text the
// column cannot read as a number ("12,50", "1.2.3"), which is counted.
void SetItemNumber(data::Field* column, FieldHandle dbf_field, std::string& text,
                   XavTableCounts& counts) {
  if (!column) return;
  FieldText(dbf_field, text);
  const std::string_view number = data::TrimSpaces(text);
  if (number.find_first_not_of('*') == std::string_view::npos) return;
  if (!Attempt([&] { column->SetText(number); })) ++counts.unreadable_numbers;
}

// Sets `column` to the value the pending item now holds in `source`. A
// source the host lacks leaves the column at its new-row value.
void CopyItemValue(data::Field* column, const data::Field* source) {
  if (column && source) Attempt([&] { column->SetValueFrom(source->Value()); });
}

// The descriptions are cut at a fixed 255 characters, whatever the column.
constexpr std::size_t kDescriptionLength = 255;
constexpr int kPartsItemType = 2;
constexpr int kImportedProductLine = 3;
constexpr int kImportedCategory = 9;
constexpr int kYes = 1;

// What a stock record is read through, kept for the whole table so that its
// buffers are reused.
struct StockImport {
  StockFields fields{};
  ItemColumns columns{};
  std::string text;
  std::string last_used;
  const std::string date_picture = "MM/DD/CCYY";
};

void ImportStockRecord(data::Recordset& items, StockImport& stock, TableTally& tally) {
  if (!Attempt([&] { items.AddNew(); })) {
    tally.Refuse({}, "the host table takes no new row");
    return;
  }
  const StockFields& fields = stock.fields;
  const ItemColumns& columns = stock.columns;
  std::string& text = stock.text;
  SetItem(columns.ItemType, kPartsItemType);
  SetItemFitted(columns.ItemNumber, fields.part_number, text);
  SetItemFitted(columns.GeneticNo, fields.genetic_number, text);
  SetItem(columns.ProductLine, kImportedProductLine);
  SetItem(columns.Category, kImportedCategory);
  FieldText(fields.description, text);
  SetItemText(columns.DescEstimate,
              data::TrimSpaces(support::CutToLength(text, kDescriptionLength)));
  CopyItemValue(columns.DescInvoice, columns.DescEstimate);
  SetItem(columns.TaxableItem, kYes);
  SetItemFitted(columns.Location, fields.location, text);
  FieldText(fields.last_date, text);
  FormatDbfDate(text, stock.last_used, stock.date_picture);
  // Read as month/day/year whatever the user's locale: it is our own
  // rendering. A blank or impossible date leaves the column as it is.
  if (std::optional<data::Date> date = data::Date::Parse(stock.last_used)) {
    SetItem(columns.LastItemUsedOn, *date);
  }
  CopyItemValue(columns.StorageBin1, columns.Location);
  SetItemNumber(columns.UnitsInStock1, fields.quantity, text, tally.counts);
  SetItemNumber(columns.ReOrderPoint1, fields.minimum_quantity, text, tally.counts);
  CopyItemValue(columns.CostOrRateLastUpdated, columns.LastItemUsedOn);
  SetItemNumber(columns.CostOrRate, fields.cost, text, tally.counts);
  SetItemNumber(columns.SalesPriceOrRate, fields.retail, text, tally.counts);
  SetItem(columns.AllowBackOrders, kYes);
  SetItemFitted(columns.Notes, fields.comments, text);

  const std::optional<data::DbError> failure = SaveFailure(items);
  if (!failure) return;
  items.CancelUpdate();
  FieldText(fields.part_number, text);
  const std::string_view part_number = data::TrimSpaces(text);
  if (failure->number() == data::error_number::kDuplicateKey) {
    tally.Drop(part_number, "a duplicate of an item already in the host");
  } else {
    tally.Refuse(part_number, RefusalReason(*failure));
  }
}

// Ends the run's library context on every way out of the driver.
struct LibraryContextRelease {
  ~LibraryContextRelease() { ReleaseDbfLibrary(); }
};

}  // namespace

bool ImportXAVContacts(const XavTableEntry& entry, const XavImportJob& job) {
  const ContactTable* table = ContactTableFor(entry.code);
  if (!table) {
    throw std::invalid_argument("the legacy table with the code " +
                                std::to_string(entry.code) + " holds no contacts");
  }
  ContactInfo contact;
  support::ContactCreator creator(job.host);
  std::vector<FieldHandle> fields;
  return ImportTable(
      entry, TablePath(entry.code, job), "Contacts",
      " Some duplicate records were modified.", job,
      [&](data::Recordset&) { fields = ContactFieldHandles(*table); },
      [&](data::Recordset& contacts, TableTally& tally) {
        ImportContactRecord(contacts, *table, fields, contact, creator, job.host, tally);
      });
}

bool ImportXAVInventory(const XavTableEntry& entry, const XavImportJob& job) {
  StockImport stock;
  return ImportTable(
      entry, TablePath(kStockCode, job), "InventoryItems", " Duplicate records ignored.",
      job,
      [&](data::Recordset& items) {
        stock.fields = FindStockFields();
        stock.columns = FindItemColumns(items);
      },
      [&](data::Recordset& items, TableTally& tally) {
        ImportStockRecord(items, stock, tally);
      });
}

bool ImportsTable(int32_t code) {
  return ContactTableFor(code) != nullptr || code == kStockCode;
}

bool ImportXAVTables(std::span<const XavTableEntry> lstchkGeneral,
                     const XavImportJob& job) {
  if (!InitDbfLibrary()) {
    job.progress.ShowBar(false);
    return false;
  }
  LibraryContextRelease release;
  SetUnmarkedCodePage(DbfContext, job.unmarked_code_page);
  bool result = true;
  for (const XavTableEntry& entry : lstchkGeneral) {
    if (!entry.ticked) continue;
    if (ContactTableFor(entry.code)) {
      result = ImportXAVContacts(entry, job) && result;
    } else if (entry.code == kStockCode) {
      result = ImportXAVInventory(entry, job) && result;
    }
  }
  return result;
}

}  // namespace vdimpexp::legacy

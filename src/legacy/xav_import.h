// The import of the legacy XAV application's tables into the host
// database: its customers, manufacturers, dealers, vendors and work-order
// history customers become host contacts, its stock becomes inventory
// items. Each table is imported in a transaction of its own, nested in the
// one the caller holds open, so nothing stays unless the caller commits.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "data/connection.h"
#include "support/progress_sink.h"

namespace vdimpexp::legacy {

// One entry of the wizard's list of legacy tables, as the user left it.
struct XavTableEntry {
  std::string text;  // as listed, e.g. "Customers (120 records)"
  int32_t code = 0;  // the legacy table code (kLegacyTables)
  bool ticked = false;
};

// A record the import left out, for the list the user may keep before
// deciding to commit.
struct SetAsideRecord {
  std::string table;   // its DBF file's name, "LOG.DBF"
  int32_t record = 0;  // its position in the file, 1 for the first
  std::string key;     // what names it: a contact's FileAs, an item's part number
  std::string reason;  // why the host did not take it
  bool operator==(const SetAsideRecord&) const = default;
};

// What became of one table's records; the counts add up to `read`.
struct XavTableCounts {
  std::string table;  // the entry's text, "Customers (120 records)"
  int64_t read = 0;
  int64_t imported = 0;
  int64_t renamed = 0;  // of the imported: contacts saved under a changed FileAs
  int64_t dropped = 0;  // duplicates left out (stock)
  int64_t refused = 0;  // rows the host would not take
  int64_t deleted = 0;  // records marked deleted, passed over
  // Not among those read: records the header counts that are not in the
  // file, as when a copy was cut short.
  int64_t missing = 0;
  // Memo texts that could not be read; their fields were left empty.
  int64_t unreadable_memos = 0;
  // Numbers that could not be read ("12,50"); their columns kept the value
  // of a new row.
  int64_t unreadable_numbers = 0;
  // Records after a read that failed part way through the file (it changed
  // under the import, or the disk failed), not reached.
  int64_t unread = 0;
  double seconds = 0;

  // Whether records or values did not arrive as the table held them.
  bool LostAnything() const {
    return refused + missing + unread + unreadable_numbers + unreadable_memos > 0;
  }
};

// What a run brought in and left out, table by table, in list order.
struct XavImportReport {
  std::vector<XavTableCounts> tables;  // the tables that could be opened
  std::vector<SetAsideRecord> set_aside;
};

// What an import run reads and where its rows, its progress and its report
// go.
struct XavImportJob {
  // The legacy main and history directories, each ending in a separator.
  std::string DatabaseDir;
  std::string HistoryDir;
  data::Connection& host;
  support::ProgressSink& progress;
  XavImportReport& report;
  // The iconv name of the code page for the text of tables that declare
  // none ("CP852"); empty to judge each such table from its bytes.
  std::string unmarked_code_page;
};

// A contact the host keeps refusing as a duplicate is given up after this
// many saves, whatever its FileAs suffixes, and counted as not imported.
inline constexpr int kMaxContactSaves = 100;

// Imports every ticked entry's table, in list order, inside one DBF library
// context: the contact tables (codes 1, 5, 6, 7, 9) and the stock (code 2);
// the other tables are listed for the user's information only. False when
// the library cannot start (the bar is hidden, nothing is read) or a table
// could not be opened, which its progress line after "Importing ..." says
// with the library's reason; the run goes on with the next table either
// way. Memo texts that cannot be read leave their fields empty, and a line
// after "Completed." counts them, as another counts the records a file cut
// short has lost, and another names a read that failed part way and the
// records after it, which are not imported.
// Throws data::DbError when a table's transaction cannot be committed (the
// engine ended the caller's transaction): nothing of the run is kept then.
bool ImportXAVTables(std::span<const XavTableEntry> lstchkGeneral,
                     const XavImportJob& job);

// Whether ImportXAVTables reads the table of this code rather than listing
// it for information only.
bool ImportsTable(int32_t code);

// Imports the contacts table `entry` names, one host contact per record,
// in the library context DbfContext. A name the host refuses as a
// duplicate gets "-" and a number from 1 to 50 appended to its FileAs until
// it is taken. False only when the DBF file cannot be opened. Throws
// std::invalid_argument for a code that names no contacts table.
bool ImportXAVContacts(const XavTableEntry& entry, const XavImportJob& job);

// Imports STOCK.DBF of the main directory, one inventory item per record, in
// the library context DbfContext; an item the host refuses as a duplicate
// is dropped. False only when the DBF file cannot be opened.
bool ImportXAVInventory(const XavTableEntry& entry, const XavImportJob& job);

}  // namespace vdimpexp::legacy

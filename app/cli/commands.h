// The jobs of the command line, each over an open host database: the same
// routines the wizards call, with the choices a user makes on their pages
// given as values. Each returns the process's exit status.
#pragma once

#include <chrono>
#include <exception>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "data/connection.h"
#include "export/selection_sql.h"

namespace vdimpexp::cli {

enum ExitStatus : int {
  kDone = 0,
  kFailed = 1,  // and nothing changed
  kUsage = 2,
  kDoneWithChanges = 3,  // some records refused, or some values changed
  kCancelled = 4,
};

// How long a command waits for a lock another program holds on the host
// before it gives up.
inline constexpr std::chrono::seconds kLockWait{5};

// What went wrong, in words for the user: a lock on `database` that another
// program kept past kLockWait is said to be one, anything else as raised.
std::string FailureText(const std::exception& error, const std::string& database);

// Where a command writes: its result, and its messages and progress.
struct Streams {
  std::ostream& out;
  std::ostream& err;
  bool quiet = false;
  bool terminal = false;  // the error stream is one: progress as a bar
  bool json = false;      // the summary as one JSON document
};

// The format list's entries, one a line, in the wizard's order.
int FormatsCommand(Streams streams);

// Every filter list's entries with their item data ("Customer\t9").
int ListsCommand(data::Connection& host, Streams streams);

// Prints the selection statement; with `rows` also the rows it selects, as
// comma-separated values under a header.
int SelectCommand(data::Connection& host, const exporting::SelectionRequest& request,
                  bool rows, Streams streams);

struct ExportJob {
  exporting::SelectionRequest selection;  // its fields are the export's columns
  std::string format;                     // a format list entry, in any case
  std::string file;
  bool overwrite = false;
};
int ExportCommand(data::Connection& host, const ExportJob& job, Streams streams);

struct LegacyImportJob {
  std::string main_directory;
  std::string history_directory;
  // Tables as the list names them ("Customers"); empty for every table.
  std::vector<std::string> tables;
  // The iconv name of the code page of tables that declare none; empty to
  // judge each from its bytes.
  std::string unmarked_code_page;
  // Where the records left out are listed as CSV; empty for nowhere.
  std::string set_aside_list;
  bool commit = false;  // else the same run, rolled back
};
int ImportXavCommand(data::Connection& host, const LegacyImportJob& job, Streams streams);

struct ZipImportJob {
  std::string source_file;
  bool keep_existing = true;
  bool commit = false;
};
int ImportZipCommand(data::Connection& host, const ZipImportJob& job, Streams streams);

}  // namespace vdimpexp::cli

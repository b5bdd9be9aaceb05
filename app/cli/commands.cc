#include "app/cli/commands.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <tuple>

#include "app/cli/cancellation.h"
#include "app/cli/command_progress.h"
#include "app/cli/summary.h"
#include "app/cli/unattended_prompts.h"
#include "data/db_error.h"
#include "data/recordset.h"
#include "data/text.h"
#include "export/export_formats.h"
#include "export/export_selection.h"
#include "export/filter_lists.h"
#include "export/invoice_export.h"
#include "formats/text/delimited_text.h"
#include "import/entry_checker.h"
#include "import/legacy_discovery.h"
#include "import/set_aside_list.h"
#include "import/zip_code_import.h"
#include "legacy/dbf_error.h"
#include "legacy/dbf_table.h"
#include "legacy/legacy_tables.h"
#include "legacy/xav_import.h"
#include "support/component_location.h"
#include "support/file_routines.h"
#include "support/progress_sink.h"
#include "support/resource_strings.h"

namespace vdimpexp::cli {
namespace {

using exporting::kExportFormats;
using support::MessageAnswer;

// Installs the run's prompts for as long as the command runs.
class PromptsInUse {
 public:
  explicit PromptsInUse(support::Prompts& prompts) { support::UsePrompts(&prompts); }
  ~PromptsInUse() { support::UsePrompts(nullptr); }
  PromptsInUse(const PromptsInUse&) = delete;
  PromptsInUse& operator=(const PromptsInUse&) = delete;
};

// The rows as comma-separated values, quoted as the text export quotes
// them, one line each.
void PrintRows(data::Connection& host, const std::string& sql, std::ostream& out) {
  data::Recordset rows = host.Execute(sql);
  const int columns = rows.Fields().Count();
  std::string line;
  auto print_line = [&](auto text_of) {
    line.clear();
    for (int i = 0; i < columns; ++i) {
      if (i > 0) line += ',';
      formats::AppendCsvField(line, text_of(rows.Fields(i)));
    }
    out << line << "\n";
  };
  print_line([](data::Field& field) { return field.Name(); });
  for (; !rows.IsEOF(); rows.MoveNext()) {
    print_line([](data::Field& field) { return field.Value().ToText(); });
  }
}

// Ends the host transaction a command opened: kept with `commit`, else
// rolled back, so that a dry run leaves the file as it was.
void EndTransaction(data::Connection& host, bool commit, Streams streams) {
  if (commit) {
    host.CommitTrans();
    if (!streams.quiet) streams.err << "Committed.\n";
  } else {
    host.RollbackTrans();
    if (!streams.quiet) streams.err << "Rolled back: nothing was imported.\n";
  }
}

// Runs `import` inside a host transaction; any failure rolls back every
// level it opened and is reported.
template <typename Import>
int InHostTransaction(data::Connection& host, bool commit, Streams streams,
                      Import import) {
  const int outer_level = host.TransactionLevel();
  try {
    host.BeginTrans();
    const int status = import();
    if (status != kDone && status != kDoneWithChanges) {
      while (host.TransactionLevel() > outer_level) host.RollbackTrans();
      return status;
    }
    EndTransaction(host, commit, streams);
    return status;
  } catch (const std::exception& error) {
    // The rollback itself must not be stopped as the import was.
    if (CancelRequested()) host.StopWhen(nullptr);
    while (host.TransactionLevel() > outer_level) host.RollbackTrans();
    if (CancelRequested()) {
      streams.err << "Cancelled: nothing was imported.\n";
      return kCancelled;
    }
    streams.err << "The import failed, and nothing was imported: "
                << FailureText(error, host.DataSource()) << "\n";
    return kFailed;
  }
}

// What a selection names that the database does not hold (a field, or an
// entry of a filter list, as a job saved earlier may), said so that nothing
// is written for it; nullopt when all is there.
std::optional<std::string> MissingChoice(data::Connection& host,
                                         const exporting::SelectionRequest& request) {
  if (std::optional<std::string> source = exporting::ColumnSourceSQL(request.category)) {
    const std::vector<std::string> columns = exporting::ColumnNames(host, *source);
    for (const std::string& field : request.selected_fields) {
      if (std::none_of(columns.begin(), columns.end(), [&](const std::string& column) {
            return data::EqualsIgnoringCase(column, field);
          })) {
        return "the field '" + field + "' is no column of category " +
               std::to_string(request.category);
      }
    }
  }
  const exporting::FilterLists lists = exporting::LoadFilterLists(host);
  const exporting::FilterChoices& chosen = request.filters;
  const std::tuple<const char*, exporting::ListChoice,
                   const std::vector<exporting::ListEntry>*>
      choices[] = {{"--acc-type", chosen.account_type, &lists.account_types},
                   {"--ref-by", chosen.referral_source, &lists.referral_sources},
                   {"--status", chosen.status, &lists.job_statuses},
                   {"--make", chosen.make, &lists.makes},
                   {"--item-type", chosen.item_type, &lists.item_types},
                   {"--docs-make", chosen.documents_make, &lists.makes},
                   {"--tips-make", chosen.tips_make, &lists.makes}};
  for (const auto& [option, choice, entries] : choices) {
    if (choice && std::none_of(entries->begin(), entries->end(), [&](const auto& entry) {
          return entry.item_data == *choice;
        })) {
      return std::string(option) + " " + std::to_string(*choice) +
             " is no entry of its list; 'vdimpexp lists' shows them";
    }
  }
  return std::nullopt;
}

// "Customers (3 records)" and "Customers (" name the table "Customers".
std::string_view TableName(std::string_view entry) {
  return entry.substr(0, entry.find(" ("));
}

// Whether the job imports the table of this name.
bool Wanted(const LegacyImportJob& job, std::string_view table_name) {
  return job.tables.empty() ||
         std::any_of(job.tables.begin(), job.tables.end(), [&](const std::string& table) {
           return data::EqualsIgnoringCase(table, table_name);
         });
}

// The tables the job would import that lie there but cannot be read, each
// said as "LOG.DBF could not be opened: <why>; it is left out.": the check
// list leaves them out as it leaves out an empty table, and a run must not
// pass over them without a word.
std::vector<std::string> UnreadableTables(const LegacyImportJob& job,
                                          const std::string& main_directory,
                                          const std::string& history_directory) {
  std::vector<std::string> unreadable;
  for (const legacy::LegacyTable& table : legacy::kLegacyTables) {
    const std::string path = table.PathIn(main_directory, history_directory);
    if (!legacy::ImportsTable(table.code) || !Wanted(job, TableName(table.entry_text)) ||
        !support::FileExists(path)) {
      continue;
    }
    std::unique_ptr<legacy::DbfTable> opened;
    if (const legacy::DbfError error = legacy::DbfTable::Open(path, opened);
        error != legacy::DbfError::kNone) {
      unreadable.push_back(std::string(table.file_name) + " could not be opened: " +
                           legacy::DbfErrorText(static_cast<int>(error)) +
                           "; it is left out.");
    }
  }
  return unreadable;
}

// "Customers (12 records): 12 read, 10 imported (1 renamed), 0 dropped,
// 2 refused, 0 skipped as deleted; 0.04 s", and what did not arrive as the
// table held it when there is any: records missing from a file cut short or
// not reached after a read failure, numbers and memo texts unreadable.
std::string TableSummaryLine(const legacy::XavTableCounts& counts) {
  std::string line = counts.table + ": " + std::to_string(counts.read) + " read, " +
                     std::to_string(counts.imported) + " imported (" +
                     std::to_string(counts.renamed) + " renamed), " +
                     std::to_string(counts.dropped) + " dropped, " +
                     std::to_string(counts.refused) + " refused, " +
                     std::to_string(counts.deleted) + " skipped as deleted";
  auto add = [&line](int64_t count, std::string_view one, std::string_view many) {
    if (count > 0) line += ", " + data::Counted(count, one, many);
  };
  add(counts.missing, "missing from a file cut short", "missing from a file cut short");
  add(counts.unread, "not read after a read failure", "not read after a read failure");
  add(counts.unreadable_numbers, "number unreadable", "numbers unreadable");
  add(counts.unreadable_memos, "memo text unreadable", "memo texts unreadable");
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "; %.2f s", counts.seconds);
  return line + seconds;
}

// The file an export writes reports its rows to `progress` while this
// lives.
class WritesReportedTo {
 public:
  WritesReportedTo(data::Connection& host, data::WriteProgress& progress) : host_(host) {
    host_.ReportWritesTo(&progress);
  }
  ~WritesReportedTo() { host_.ReportWritesTo(nullptr); }
  WritesReportedTo(const WritesReportedTo&) = delete;
  WritesReportedTo& operator=(const WritesReportedTo&) = delete;

 private:
  data::Connection& host_;
};

}  // namespace

std::string FailureText(const std::exception& error, const std::string& database) {
  const auto* refused = dynamic_cast<const data::DbError*>(&error);
  if (refused == nullptr || !refused->locked()) return error.what();
  return database + " is locked by another program, which still held it after " +
         std::to_string(kLockWait.count()) + " s; try again once it has finished";
}

int FormatsCommand(Streams streams) {
  for (const exporting::ExportFormat& format : kExportFormats) {
    if (format.form != exporting::TargetForm::kNotAvailable) {
      streams.out << format.entry << "\n";
    }
  }
  return kDone;
}

int ListsCommand(data::Connection& host, Streams streams) {
  const exporting::FilterLists lists = exporting::LoadFilterLists(host);
  const std::pair<const char*, const std::vector<exporting::ListEntry>*> named[] = {
      {"acc-type", &lists.account_types},
      {"ref-by", &lists.referral_sources},
      {"status", &lists.job_statuses},
      {"item-type", &lists.item_types},
      {"make", &lists.makes}};
  for (const auto& [name, entries] : named) {
    streams.out << name << ":\n";
    for (const exporting::ListEntry& entry : *entries) {
      streams.out << "  " << entry.item_data << "\t" << entry.text << "\n";
    }
  }
  return kDone;
}

int SelectCommand(data::Connection& host, const exporting::SelectionRequest& request,
                  bool rows, Streams streams) {
  if (std::optional<std::string> problem = exporting::FilterTextProblem(request)) {
    streams.err << *problem << "\n";
    return kUsage;
  }
  if (std::optional<std::string> missing = MissingChoice(host, request)) {
    streams.err << "vdimpexp: " << *missing << "\n";
    return kFailed;
  }
  const std::string sql = exporting::CreateSQL(request);
  streams.out << sql << "\n";
  if (rows) PrintRows(host, sql, streams.out);
  return kDone;
}

int ExportCommand(data::Connection& host, const ExportJob& job, Streams streams) {
  Summary summary("export", streams);
  summary["file"] = job.file;
  UnattendedPrompts prompts(streams.err);
  PromptsInUse in_use(prompts);
  prompts.Answer("Overwrite File?",
                 job.overwrite ? MessageAnswer::kYes : MessageAnswer::kNo);
  prompts.ChooseNext(job.file);
  if (std::optional<std::string> missing = MissingChoice(host, job.selection)) {
    streams.err << "vdimpexp: " << *missing << "; nothing was exported\n";
    return summary.End(kFailed);
  }
  std::optional<std::string> finished;
  exporting::ExportResult result;
  if (job.selection.category == exporting::kInvoicesToAccessCategory) {
    finished = exporting::AutomatedWOExp2Access(job.selection, host);
  } else {
    const auto format =
        std::find_if(kExportFormats.begin(), kExportFormats.end(), [&](const auto& f) {
          return f.form != exporting::TargetForm::kNotAvailable &&
                 data::EqualsIgnoringCase(f.entry, job.format);
        });
    if (format == kExportFormats.end()) {
      streams.err << "vdimpexp: no format is named '" << job.format
                  << "'; 'vdimpexp formats' lists them\n";
      return summary.End(kUsage);
    }
    summary["format"] = format->entry;
    if (support::FileExists(job.file) && !job.overwrite) {
      streams.err << job.file << " already exists; --overwrite replaces it\n";
      return summary.End(kFailed);
    }
    const exporting::ExportRequest request{
        .format_index = static_cast<size_t>(format - kExportFormats.begin()),
        .selection = job.selection};
    CommandProgress progress(streams);
    const WritesReportedTo reported(host, progress);
    result = exporting::ExportSelection(request, host, [](bool) {});
    finished = result.finished_message;
  }
  summary["messages"] = prompts.Messages();
  if (CancelRequested()) {
    streams.err << "Cancelled: nothing was exported.\n";
    return summary.End(kCancelled);
  }
  if (!finished || prompts.ToldOfFailure()) return summary.End(kFailed);
  summary.Say(*finished);
  summary["rows"] = result.rows_written ? nlohmann::ordered_json(*result.rows_written)
                                        : nlohmann::ordered_json();
  nlohmann::ordered_json& renamed = summary["renamed"] = nlohmann::ordered_json::array();
  for (const exporting::ColumnAlias& alias : result.renamed) {
    renamed.push_back({{"column", alias.name}, {"as", alias.alias}});
  }
  summary["changes"] = result.format_changes;
  // Under the completion line come the columns renamed and the values the
  // format changed, when there are any.
  return summary.End(finished->find("\n\n") == std::string::npos ? kDone
                                                                 : kDoneWithChanges);
}

int ImportXavCommand(data::Connection& host, const LegacyImportJob& job,
                     Streams streams) {
  const std::string main_directory = importing::DirectoryText(job.main_directory);
  const std::string history_directory = importing::DirectoryText(job.history_directory);
  Summary summary("import xav", streams);
  std::vector<legacy::XavTableEntry> entries;
  for (const importing::CheckListEntry& found :
       importing::DiscoverLegacyTables(main_directory, history_directory)) {
    const bool ticked = Wanted(job, TableName(found.text));
    entries.push_back({.text = found.text, .code = found.code, .ticked = ticked});
    if (!streams.quiet) streams.err << (ticked ? "[x] " : "[ ] ") << found.text << "\n";
  }
  const std::vector<std::string> unreadable =
      UnreadableTables(job, main_directory, history_directory);
  for (const std::string& line : unreadable) streams.err << line << "\n";
  summary["unreadable"] = unreadable;
  for (const std::string& table : job.tables) {
    if (std::none_of(entries.begin(), entries.end(), [&](const auto& entry) {
          return data::EqualsIgnoringCase(table, TableName(entry.text));
        })) {
      streams.err << "vdimpexp: no table '" << table << "' in " << main_directory << "\n";
      return summary.End(kFailed);
    }
  }
  if (entries.empty()) {
    streams.err << "vdimpexp: no legacy tables in " << main_directory << "\n";
    return summary.End(kFailed);
  }
  UnattendedPrompts prompts(streams.err);
  PromptsInUse in_use(prompts);
  CommandProgress progress(streams);
  legacy::XavImportReport report;
  const int status = InHostTransaction(host, job.commit, streams, [&] {
    const bool ran =
        legacy::ImportXAVTables(entries, {.DatabaseDir = main_directory,
                                          .HistoryDir = history_directory,
                                          .host = host,
                                          .progress = progress,
                                          .report = report,
                                          .unmarked_code_page = job.unmarked_code_page});
    if (!ran || prompts.ToldOfFailure()) return kFailed;
    // Written before the commit, as the wizard offers it before its question.
    if (!job.set_aside_list.empty()) {
      importing::SaveSetAsideList(report.set_aside, job.set_aside_list);
    }
    const bool lost = std::any_of(
        report.tables.begin(), report.tables.end(),
        [](const legacy::XavTableCounts& table) { return table.LostAnything(); });
    // A table left out unread is records not imported, as refused ones are.
    return lost || !unreadable.empty() ? kDoneWithChanges : kDone;
  });
  const bool done = status == kDone || status == kDoneWithChanges;
  nlohmann::ordered_json& tables = summary["tables"] = nlohmann::ordered_json::array();
  for (const legacy::XavTableEntry& entry : entries) {
    nlohmann::ordered_json& table = tables.emplace_back();
    table["table"] = entry.text;
    table["ticked"] = entry.ticked;
    const auto counts = std::find_if(
        report.tables.begin(), report.tables.end(),
        [&](const legacy::XavTableCounts& c) { return c.table == entry.text; });
    if (counts == report.tables.end()) continue;
    table["read"] = counts->read;
    table["imported"] = counts->imported;
    table["renamed"] = counts->renamed;
    table["dropped"] = counts->dropped;
    table["refused"] = counts->refused;
    table["deleted"] = counts->deleted;
    table["missing"] = counts->missing;
    table["unread"] = counts->unread;
    table["unreadable_numbers"] = counts->unreadable_numbers;
    table["unreadable_memos"] = counts->unreadable_memos;
    table["seconds"] = counts->seconds;
    // After a failure nothing is imported, whatever the counts were.
    if (done) summary.Say(TableSummaryLine(*counts));
  }
  summary["set_aside"] = report.set_aside.size();
  summary["lines"] = progress.Lines();
  summary["messages"] = prompts.Messages();
  summary["committed"] = job.commit && done;
  return summary.End(status);
}

int ImportZipCommand(data::Connection& host, const ZipImportJob& job, Streams streams) {
  UnattendedPrompts prompts(streams.err);
  PromptsInUse in_use(prompts);
  prompts.Answer("Import ?",
                 job.keep_existing ? MessageAnswer::kYes : MessageAnswer::kNo);
  Summary summary("import zip", streams);
  const int status = InHostTransaction(host, job.commit, streams, [&] {
    const importing::ZipCodeImportResult result =
        importing::ImportZipCodes(host, job.source_file, support::ComponentDirectory());
    if (!streams.quiet) streams.err << importing::ZipCodeCountsText(result) << "\n";
    summary["added"] = result.added;
    summary["skipped"] = result.skipped;
    summary["refused"] = result.refused;
    return result.skipped + result.refused > 0 ? kDoneWithChanges : kDone;
  });
  summary["messages"] = prompts.Messages();
  summary["committed"] = job.commit && (status == kDone || status == kDoneWithChanges);
  return summary.End(status);
}

}  // namespace vdimpexp::cli

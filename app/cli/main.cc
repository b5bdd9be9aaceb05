// vdimpexp: every export and import of the wizards from the command line,
// for nightly exports, scripted migrations and machines without a screen.
//
//   vdimpexp formats
//   vdimpexp lists --db HOST
//   vdimpexp select --db HOST --category N [filters] [--sort A,B] [--rows]
//   vdimpexp export --db HOST --category N [filters] --fields A,B --format NAME
//                   --out FILE [--overwrite]
//   vdimpexp import xav --db HOST --dir DIR [--history DIR] [--tables A,B]
//                   [--codepage CP] [--save-list FILE] (--commit | --dry-run)
//   vdimpexp import zip --db HOST --from FILE (--keep | --replace)
//                   (--commit | --dry-run)
//   vdimpexp run JOB [--db HOST]       a command saved with --save-job JOB
//
// Exit status: 0 done, 1 failed (nothing changed), 2 usage, 3 done with
// records refused or values changed, 4 cancelled.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <exception>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "app/cli/cancellation.h"
#include "app/cli/commands.h"
#include "app/cli/saved_job.h"
#include "data/connection.h"
#include "data/value.h"
#include "entry/import_export_wizard.h"
#include "legacy/code_page_choice.h"
#include "support/host_connection.h"

namespace {

using vdimpexp::cli::Streams;
using vdimpexp::exporting::DateRange;
using vdimpexp::exporting::InvoiceTypeChoice;
using vdimpexp::exporting::SelectionRequest;
using vdimpexp::exporting::TextRange;

// The filters as typed: ranges "FROM:TO", dates yyyy-mm-dd.
struct FilterOptions {
  std::optional<int32_t> acc_type, ref_by, status, make, item_type, docs_make, tips_make;
  std::string zip, last_visit, service_requested, claimed, invoice_numbers;
  InvoiceTypeChoice invoice_type = InvoiceTypeChoice::kAll;
};

void AddFilterOptions(CLI::App& command, FilterOptions& filters) {
  command.add_option("--acc-type", filters.acc_type, "account type (item data)");
  command.add_option("--ref-by", filters.ref_by, "referral source (item data)");
  command.add_option("--zip", filters.zip, "zip code range FROM:TO");
  command.add_option("--last-visit", filters.last_visit, "last visit dates FROM:TO");
  command.add_option("--status", filters.status, "job status (item data)");
  command.add_option("--make", filters.make, "invoice make (item data)");
  command.add_option("--service-requested", filters.service_requested,
                     "service requested dates FROM:TO");
  command.add_option("--claimed", filters.claimed, "claimed dates FROM:TO");
  command.add_option("--invoice-numbers", filters.invoice_numbers,
                     "invoice number range FROM:TO");
  const std::map<std::string, InvoiceTypeChoice> types = {
      {"all", InvoiceTypeChoice::kAll},
      {"sales", InvoiceTypeChoice::kSales},
      {"quotes", InvoiceTypeChoice::kQuotes},
      {"repairs", InvoiceTypeChoice::kRepairs}};
  command
      .add_option("--invoice-type", filters.invoice_type, "all, sales, quotes or repairs")
      ->transform(CLI::CheckedTransformer(types, CLI::ignore_case));
  command.add_option("--item-type", filters.item_type, "inventory item type (item data)");
  command.add_option("--docs-make", filters.docs_make, "service documents make");
  command.add_option("--tips-make", filters.tips_make, "service tips make");
}

TextRange TextRangeOf(const std::string& typed) {
  if (typed.empty()) return {};
  const size_t colon = typed.find(':');
  if (colon == std::string::npos) {
    throw CLI::ValidationError("a range is written FROM:TO, not '" + typed + "'");
  }
  return {typed.substr(0, colon), typed.substr(colon + 1)};
}

DateRange DateRangeOf(const std::string& typed) {
  const TextRange range = TextRangeOf(typed);
  if (typed.empty()) return {};
  auto date = [&](const std::string& text) {
    std::optional<vdimpexp::data::Date> parsed = vdimpexp::data::Date::Parse(text);
    if (text.size() != 10 || !parsed) {
      throw CLI::ValidationError("'" + text + "' is no date of the form yyyy-mm-dd");
    }
    return parsed;
  };
  return {date(range.from), date(range.to)};
}

SelectionRequest RequestOf(int category, const FilterOptions& typed,
                           std::vector<std::string> fields, bool export_mode) {
  SelectionRequest request{.category = category, .export_mode = export_mode};
  request.selected_fields = std::move(fields);
  auto& filters = request.filters;
  filters.account_type = typed.acc_type;
  filters.referral_source = typed.ref_by;
  filters.zip_codes = TextRangeOf(typed.zip);
  filters.last_visit = DateRangeOf(typed.last_visit);
  filters.status = typed.status;
  filters.make = typed.make;
  filters.service_requested = DateRangeOf(typed.service_requested);
  filters.claimed = DateRangeOf(typed.claimed);
  filters.invoice_numbers = TextRangeOf(typed.invoice_numbers);
  filters.invoice_type = typed.invoice_type;
  filters.item_type = typed.item_type;
  filters.documents_make = typed.docs_make;
  filters.tips_make = typed.tips_make;
  return request;
}

int UsageError(const std::string& what) {
  std::cerr << "vdimpexp: " << what << "\nTry 'vdimpexp --help' for more information.\n";
  return vdimpexp::cli::kUsage;
}

// Parses and runs one command; `arguments` leave out the program's name.
// `running_job` names the saved job they come from, which may not run
// another: a job naming itself would never end.
int RunCommandLine(std::vector<std::string> arguments,
                   const std::string& running_job = "") {
  using namespace vdimpexp;
  CLI::App app{"Exports and imports of the shop database, without the wizards.",
               "vdimpexp"};
  app.set_version_flag("--version", std::string(ComponentVersion()));
  app.require_subcommand(1);
  app.fallthrough();  // --quiet and --json also after the command
  std::string database;
  bool quiet = false, json = false;
  app.add_flag("-q,--quiet", quiet, "no progress lines");
  app.add_flag("--json", json, "the summary of an export or import as one JSON document");
  auto add_database = [&](CLI::App& command) {
    command.add_option("--db", database, "the host database")
        ->required()
        ->check(CLI::ExistingFile);
  };
  std::string save_job;
  auto add_save_job = [&](CLI::App& command) {
    command.add_option("--save-job", save_job,
                       "also write this command's choices to FILE, for 'vdimpexp run'");
  };

  CLI::App& formats = *app.add_subcommand("formats", "list the export formats");
  CLI::App& lists = *app.add_subcommand("lists", "list every filter list's entries");
  add_database(lists);

  int category = 0;
  FilterOptions filters;
  std::vector<std::string> fields;
  auto add_selection = [&](CLI::App& command, const char* fields_option,
                           const char* fields_help) {
    add_database(command);
    command.add_option("--category", category, "0 to 5, as on the category page")
        ->required()
        ->check(CLI::Range(0, 5));
    AddFilterOptions(command, filters);
    command.add_option(fields_option, fields, fields_help)->delimiter(',');
    add_save_job(command);
  };
  CLI::App& select = *app.add_subcommand("select", "print the selection statement");
  add_selection(select, "--sort", "sort fields A,B");
  bool rows = false;
  select.add_flag("--rows", rows, "also print the selected rows as CSV");

  CLI::App& export_command = *app.add_subcommand("export", "export the selection");
  add_selection(export_command, "--fields", "the columns to export A,B,C");
  cli::ExportJob export_job;
  export_command.add_option("--format", export_job.format, "a format list entry");
  export_command.add_option("--out", export_job.file, "the target file")->required();
  export_command.add_flag("--overwrite", export_job.overwrite,
                          "replace an existing file");

  CLI::App& import = *app.add_subcommand("import", "import into the host database");
  import.require_subcommand(1);
  bool commit = false, dry_run = false;
  auto add_ending = [&](CLI::App& command) {
    add_database(command);
    add_save_job(command);
    CLI::Option* commit_flag =
        command.add_flag("--commit", commit, "keep what was imported");
    CLI::Option* dry_flag =
        command.add_flag("--dry-run", dry_run, "the same run, rolled back at the end");
    commit_flag->excludes(dry_flag);
    command.callback([&command] {
      if (!command.get_option("--commit")->count() &&
          !command.get_option("--dry-run")->count()) {
        throw CLI::RequiredError("--commit or --dry-run");
      }
    });
  };
  CLI::App& xav = *import.add_subcommand("xav", "the legacy application's tables");
  add_ending(xav);
  cli::LegacyImportJob xav_job;
  xav.add_option("--dir", xav_job.main_directory, "the main database folder")
      ->required()
      ->check(CLI::ExistingDirectory);
  xav.add_option("--history", xav_job.history_directory, "the history folder")
      ->check(CLI::ExistingDirectory);
  xav.add_option("--tables", xav_job.tables, "tables to import A,B (default: all)")
      ->delimiter(',');
  xav.add_option("--codepage", xav_job.unmarked_code_page,
                 "character set of tables without one: auto (default), 437, 850, "
                 "852, 865, 866, 1250, 1251 or 1252")
      ->transform([](const std::string& name) {
        const legacy::UnmarkedCodePageChoice* choice =
            legacy::FindUnmarkedCodePageChoice(name);
        if (!choice) throw CLI::ValidationError("no such character set: " + name);
        return std::string(choice->iconv_name);
      });
  xav.add_option("--save-list", xav_job.set_aside_list,
                 "write the records left out (refused or dropped) to FILE as CSV");
  CLI::App& zip = *import.add_subcommand("zip", "a zip-code table");
  add_ending(zip);
  cli::ZipImportJob zip_job;
  zip.add_option("--from", zip_job.source_file, "the zip-code database")
      ->required()
      ->check(CLI::ExistingFile);
  bool keep = false, replace = false;
  CLI::Option* keep_flag = zip.add_flag("--keep", keep, "keep the existing codes");
  zip.add_flag("--replace", replace, "replace the existing codes")->excludes(keep_flag);

  CLI::App& run = *app.add_subcommand("run", "run a command saved with --save-job");
  std::string job_file;
  run.add_option("JOB", job_file, "the saved job")->required();
  run.add_option("--db", database, "run it on this host database instead")
      ->check(CLI::ExistingFile);

  SelectionRequest request;
  try {
    std::reverse(arguments.begin(), arguments.end());  // as CLI11 takes them
    app.parse(arguments);
    if (zip.parsed() && !keep && !replace)
      throw CLI::RequiredError("--keep or --replace");
    if (select.parsed() || export_command.parsed()) {
      request = RequestOf(category, filters, fields, export_command.parsed());
    }
    if (!save_job.empty()) cli::SaveJob(app, save_job);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForAllHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForVersion& version) {
    return app.exit(version);
  } catch (const CLI::ParseError& error) {
    // A mistyped command is left over where CLI11 only misses one.
    const CLI::App& level = import.parsed() ? import : app;
    const std::vector<std::string> left = app.remaining();
    if (level.get_subcommands().empty() && !left.empty() && left.front()[0] != '-') {
      return UsageError("'" + left.front() + "' is no command of vdimpexp" +
                        (&level == &import ? " import" : ""));
    }
    return UsageError(error.what());
  } catch (const std::exception& error) {
    std::cerr << "vdimpexp: " << error.what() << "\n";
    return cli::kFailed;
  }

  const Streams streams{.out = std::cout,
                        .err = std::cerr,
                        .quiet = quiet,
                        .terminal = isatty(STDERR_FILENO) == 1,
                        .json = json};
  if (formats.parsed()) return cli::FormatsCommand(streams);
  if (run.parsed()) {
    if (!running_job.empty()) {
      std::cerr << "vdimpexp: the job " << running_job << ": it runs another job\n";
      return cli::kUsage;
    }
    std::vector<std::string> saved;
    try {
      saved = cli::SavedJobArguments(job_file, database);
    } catch (const std::exception& error) {
      std::cerr << "vdimpexp: the job " << job_file << ": " << error.what() << "\n";
      return cli::kUsage;
    }
    if (quiet) saved.insert(saved.begin(), "--quiet");
    if (json) saved.insert(saved.begin(), "--json");
    return RunCommandLine(saved, job_file);
  }
  try {
    data::Connection host;
    host.Open(database, cli::kLockWait);
    support::SetHostConnection(host);
    cli::CancelOnSignals(host);
    if (lists.parsed()) return cli::ListsCommand(host, streams);
    if (select.parsed()) return cli::SelectCommand(host, request, rows, streams);
    if (export_command.parsed()) {
      if (category != exporting::kInvoicesToAccessCategory && export_job.format.empty()) {
        return UsageError("--format is required; 'vdimpexp formats' lists them");
      }
      export_job.selection = request;
      return cli::ExportCommand(host, export_job, streams);
    }
    if (xav.parsed()) {
      xav_job.commit = commit;
      if (xav_job.history_directory.empty())
        xav_job.history_directory = xav_job.main_directory;
      return cli::ImportXavCommand(host, xav_job, streams);
    }
    zip_job.keep_existing = keep;
    zip_job.commit = commit;
    return cli::ImportZipCommand(host, zip_job, streams);
  } catch (const std::exception& error) {
    std::cerr << "vdimpexp: " << cli::FailureText(error, database) << "\n";
    return cli::kFailed;
  }
}

}  // namespace

int main(int argc, char** argv) {
  return RunCommandLine(std::vector<std::string>(argv + 1, argv + argc));
}

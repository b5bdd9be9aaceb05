#include "export/export_dialogs.h"

#include "data/db_error.h"
#include "export/export_formats.h"
#include "jet_reader/jet_table_reader.h"
#include "support/file_routines.h"
#include "support/prompts.h"

namespace vdimpexp::exporting {

std::string ChooseTargetFile(std::string_view filter) {
  return support::ActivePrompts().ChooseFile(
      {.purpose = support::FileRequest::Purpose::kSave, .filter = std::string(filter)});
}

namespace {

// No maintained library writes real Access files: the databases exports
// write into are of this system's own engine, under the same suffix.
std::string RealAccessRefusal(const std::string& file) {
  return "'" + file +
         "' is a real Microsoft Access database, which this system reads but cannot "
         "write. Exports write into a database of this system's own engine: a SQLite "
         "database file, named with the suffix .mdb as Access databases are. To make an "
         "empty one, run\r\n    vdhost --db NEW-FILE.mdb --create-empty\r\nand choose "
         "that file.";
}

}  // namespace

std::optional<std::string> ChooseExistingAccessDatabase() {
  std::string chosen = ChooseTargetFile(kAccessDialogFilter);
  while (!support::FileExists(chosen) || jet_reader::IsJetDatabaseFile(chosen)) {
    support::MessageAnswer answer = support::ActivePrompts().Ask(
        {.text = support::FileExists(chosen)
                     ? RealAccessRefusal(chosen)
                     : "You must select an existing Access database!",
         .title = "Select Access Database",
         .buttons = support::MessageButtons::kRetryCancel,
         .default_answer = support::MessageAnswer::kRetry});
    if (answer == support::MessageAnswer::kCancel) return std::nullopt;
    chosen = ChooseTargetFile(kAccessDialogFilter);
  }
  return chosen;
}

void ReportNothingExported(std::string_view reason) {
  support::ActivePrompts().Ask({.text = std::string(reason) + " Nothing was exported."});
}

void ReportExportFailure(const std::exception& failure) {
  const auto* db_error = dynamic_cast<const data::DbError*>(&failure);
  int32_t number = db_error ? db_error->number() : data::error_number::kEngineFailure;
  support::ActivePrompts().Ask(
      {.text = "Export failed; try again by selecting less fields.\r\n" +
               std::to_string(number) + "\r\n" + failure.what()});
}

}  // namespace vdimpexp::exporting

#include "export/export_selection.h"

#include <exception>
#include <optional>

#include "data/recordset.h"
#include "export/export_dialogs.h"
#include "export/export_formats.h"
#include "export/export_statement.h"
#include "formats/file_formats.h"
#include "support/file_routines.h"
#include "support/prompts.h"
#include "support/random_number.h"

namespace vdimpexp::exporting {
namespace {

void Tell(std::string text) { support::ActivePrompts().Ask({.text = std::move(text)}); }

// Yes sets the file aside until the new one is complete, so that a failed
// export leaves the old file as it was. No keeps it, and the export still
// goes ahead: the writer then refuses the existing file with a clear error.
bool UserAllowsOverwrite(const std::string& chosen_file) {
  support::MessageAnswer answer = support::ActivePrompts().Ask(
      {.text = chosen_file + " already exists.  Overwrite it?",
       .title = "Overwrite File?",
       .buttons = support::MessageButtons::kYesNo,
       .default_answer = support::MessageAnswer::kYes});
  return answer == support::MessageAnswer::kYes;
}

// Returns what the format changed in values to fit it.
std::vector<std::string> SaveAsXmlRowset(data::Connection& host,
                                         const std::string& selection_sql,
                                         const std::string& file) {
  data::Recordset rows;
  rows.Open(selection_sql, host, data::CursorType::kKeyset, data::LockType::kUnspecified,
            data::CommandType::kText);
  std::vector<std::string> changes = rows.Save(file, data::PersistFormat::kXml);
  rows.Close();
  return changes;
}

// The completion message, and under it whatever the format changed: the
// user is never left to find out from the file.
std::string CompletionText(const std::string& chosen_file, std::string_view format_entry,
                           const std::vector<ColumnAlias>& aliases,
                           const std::vector<std::string>& format_changes) {
  std::string text = "Export of data to: " + chosen_file + " is complete.";
  if (!aliases.empty()) {
    text += "\n\nColumns renamed to fit the 10-character names of dBASE:";
    for (const ColumnAlias& renamed : aliases) {
      text += "\n" + renamed.name + " as " + renamed.alias;
    }
  }
  if (!format_changes.empty()) {
    text += "\n\nChanged to fit the " + std::string(format_entry) + " format:";
    for (const std::string& change : format_changes) text += "\n" + change;
  }
  return text;
}

}  // namespace

ExportResult ExportSelection(const ExportRequest& request, data::Connection& host,
                             const std::function<void(bool)>& accept_input) {
  const ExportFormat& format = kExportFormats.at(request.format_index);
  if (format.form == TargetForm::kNotAvailable) {
    Tell("Currently not availiable");
    return {};
  }
  const std::vector<std::string>& fields = request.selection.selected_fields;
  // An XML file holds every column of the selection whatever was chosen.
  if (fields.empty() && format.form != TargetForm::kXmlRecordset) {
    ReportNothingExported(
        "No field is selected; go back and choose the fields to export.");
    return {};
  }
  if (std::optional<std::string> problem = FilterTextProblem(request.selection)) {
    ReportNothingExported(*problem);
    return {};
  }
  std::vector<ColumnAlias> aliases;
  if (format.aliases_long_names) {
    aliases = DbaseAliases(fields, [] { return support::RandomNumber(0, 999); });
  }

  support::RestoreMousePointer();
  std::string chosen_file;
  if (format.form == TargetForm::kAccess) {
    std::optional<std::string> database = ChooseExistingAccessDatabase();
    if (!database) return {};
    chosen_file = std::move(*database);
  } else {
    chosen_file = ChooseTargetFile(format.dialog_filter);
  }
  if (chosen_file.empty()) return {.finished_message = "Cancelled."};
  // Built before the overwrite question, so that a name the statement
  // cannot hold is refused before the user lets the file go.
  std::string target;
  try {
    target = TargetReference(format, chosen_file);
  } catch (const UnnamableTarget& refusal) {
    ReportNothingExported(refusal.what());
    return {};
  }
  std::optional<support::FileSetAside> previous_file;
  if (format.form != TargetForm::kAccess && support::FileExists(chosen_file) &&
      UserAllowsOverwrite(chosen_file)) {
    previous_file.emplace(chosen_file);
  }

  formats::RegisterFileFormats();
  ExportResult result;
  support::ShowBusyPointer();
  accept_input(false);
  support::ActivePrompts().RunPendingEvents();
  try {
    const std::string selection_sql = CreateSQL(request.selection);
    result.result_sql =
        ExportStatement(FieldList(fields, aliases), target, RowSource(selection_sql));
    if (format.form == TargetForm::kXmlRecordset) {
      result.format_changes = SaveAsXmlRowset(host, selection_sql, chosen_file);
    } else {
      int64_t rows = 0;
      host.Execute(result.result_sql, &rows);
      result.rows_written = rows;
      result.format_changes = host.FormatChanges();
    }
    result.finished_message =
        CompletionText(chosen_file, format.entry, aliases, result.format_changes);
    result.file = chosen_file;
    result.renamed = aliases;
    if (previous_file) previous_file->Discard();
  } catch (const std::exception& failure) {
    previous_file.reset();  // the old file is back before the user is told
    ReportExportFailure(failure);
  }
  support::RestoreMousePointer();
  accept_input(true);
  return result;
}

}  // namespace vdimpexp::exporting

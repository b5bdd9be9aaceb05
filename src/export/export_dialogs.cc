#include "export/export_dialogs.h"

#include "data/db_error.h"
#include "export/export_formats.h"
#include "support/file_routines.h"
#include "support/prompts.h"

namespace vdimpexp::exporting {

std::string ChooseTargetFile(std::string_view filter) {
  return support::ActivePrompts().ChooseFile({.purpose = support::FileRequest::Purpose::kSave,
                                              .filter = std::string(filter)});
}

std::optional<std::string> ChooseExistingAccessDatabase() {
  std::string chosen = ChooseTargetFile(kAccessDialogFilter);
  while (!support::FileExists(chosen)) {
    support::MessageAnswer answer =
        support::ActivePrompts().Ask({.text = "You must select an existing Access database!",
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
  support::ActivePrompts().Ask({.text = "Export failed; try again by selecting less fields.\r\n" +
                                        std::to_string(number) + "\r\n" + failure.what()});
}

}  // namespace vdimpexp::exporting

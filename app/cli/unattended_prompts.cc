#include "app/cli/unattended_prompts.h"

#include <algorithm>

namespace vdimpexp::cli {
namespace {

using support::MessageAnswer;
using support::MessageButtons;

// Message boxes separate their lines with CR LF; a terminal wants LF.
std::string AsLines(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

}  // namespace

MessageAnswer UnattendedPrompts::Ask(const support::MessageQuestion& question) {
  const auto given = answers_.find(question.title);
  if (given != answers_.end()) return given->second;
  messages_shown_.push_back(AsLines(question.text));
  messages_ << messages_shown_.back() << "\n";
  // Asking to try again, or a critical message, tells of a failure; other
  // messages tell of an outcome, which the command judges by its result.
  told_of_failure_ = told_of_failure_ ||
                     question.buttons == MessageButtons::kRetryCancel ||
                     question.icon == support::MessageIcon::kCritical;
  return support::AnswerChangingNothing(question.buttons);
}

std::string UnattendedPrompts::ChooseFile(const support::FileRequest&) {
  if (files_.empty()) return "";
  std::string file = std::move(files_.front());
  files_.pop_front();
  return file;
}

}  // namespace vdimpexp::cli

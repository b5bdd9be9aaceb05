#include "support/prompts.h"

#include <stdexcept>

namespace vdimpexp::support {
namespace {

thread_local Prompts* active_prompts = nullptr;

}  // namespace

void UsePrompts(Prompts* prompts) { active_prompts = prompts; }

bool HasPrompts() { return active_prompts != nullptr; }

Prompts& ActivePrompts() {
  if (!active_prompts) {
    throw std::logic_error("No prompts are installed on this thread.");
  }
  return *active_prompts;
}

MessageAnswer AnswerChangingNothing(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOk:
      return MessageAnswer::kOk;
    case MessageButtons::kYesNo:
    case MessageButtons::kYesNoSaveList:
      return MessageAnswer::kNo;
    case MessageButtons::kYesNoCancel:
    case MessageButtons::kRetryCancel:
      return MessageAnswer::kCancel;
  }
  return MessageAnswer::kCancel;
}

void ShowBusyPointer() { ActivePrompts().SetScreenPointer(ScreenPointer::kHourglass); }

void RestoreMousePointer() { ActivePrompts().SetScreenPointer(ScreenPointer::kDefault); }

}  // namespace vdimpexp::support

// Everything the component asks of the user or of the screen goes through
// one small interface: message boxes, file dialogs, the screen pointer, and
// letting pending window events run during long work. The wizards use the
// real windowed one; tests install one that answers from a script and
// records what was asked.
#pragma once

#include <string>

namespace vdimpexp::support {

// kYesNoSaveList: a yes-or-no question whose box also offers to save a list
// before it is answered (kSaveList); the caller saves it and asks again.
enum class MessageButtons { kOk, kYesNo, kYesNoCancel, kRetryCancel, kYesNoSaveList };
enum class MessageIcon { kNone, kQuestion, kInformation, kExclamation, kCritical };
enum class MessageAnswer { kOk, kYes, kNo, kRetry, kCancel, kSaveList };

struct MessageQuestion {
  std::string text;
  std::string title;  // empty: the program's own name
  MessageButtons buttons = MessageButtons::kOk;
  MessageIcon icon = MessageIcon::kNone;
  MessageAnswer default_answer = MessageAnswer::kOk;

  bool operator==(const MessageQuestion&) const = default;
};

struct FileRequest {
  enum class Purpose { kOpen, kSave };
  Purpose purpose = Purpose::kOpen;
  std::string title;
  // Pairs of description and patterns separated by "|", as in
  // "MS ACCESS (*.mdb)|*.mdb|All files (*.*)|*.*".
  std::string filter;
  std::string file_name;  // preset name; empty for none
};

// The application-wide pointer, numbered as the host platform numbers it.
enum class ScreenPointer { kDefault = 0, kHourglass = 11 };

class Prompts {
 public:
  virtual ~Prompts() = default;
  virtual MessageAnswer Ask(const MessageQuestion& question) = 0;
  // The chosen path, or empty text when the user cancelled. A save dialog
  // never asks about overwriting: callers ask that themselves.
  virtual std::string ChooseFile(const FileRequest& request) = 0;
  virtual void RunPendingEvents() = 0;
  virtual void SetScreenPointer(ScreenPointer pointer) = 0;
};

// The prompts of the calling thread, like the host connection one per
// thread. Installing nullptr removes them.
void UsePrompts(Prompts* prompts);
bool HasPrompts();
// Throws std::logic_error when none are installed on this thread.
Prompts& ActivePrompts();

// The answer that changes nothing: a box closed without a choice, or a
// question nobody is there to answer, gets it.
MessageAnswer AnswerChangingNothing(MessageButtons buttons);

void ShowBusyPointer();
void RestoreMousePointer();

}  // namespace vdimpexp::support

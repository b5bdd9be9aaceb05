// The prompts of a windowed program: real message boxes and file dialogs.
#pragma once

#include "support/prompts.h"

namespace vdimpexp::support {

class QtPrompts : public Prompts {
 public:
  ~QtPrompts() override;
  MessageAnswer Ask(const MessageQuestion& question) override;
  std::string ChooseFile(const FileRequest& request) override;
  void RunPendingEvents() override;
  void SetScreenPointer(ScreenPointer pointer) override;

 private:
  bool busy_pointer_shown_ = false;
};

// Turns "Text (*.txt)|*.txt|All (*.*)|*.*" into the dialog's own form,
// "Text (*.txt);;All (*)".
std::string ToDialogFilter(const std::string& filter);

}  // namespace vdimpexp::support

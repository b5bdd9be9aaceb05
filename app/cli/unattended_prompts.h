// The questions of a run without anyone at the screen: each is answered from
// the command's own options, every message goes to the error stream, and
// the run remembers whether it was told of a failure.
#pragma once

#include <deque>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "support/prompts.h"

namespace vdimpexp::cli {

class UnattendedPrompts : public support::Prompts {
 public:
  explicit UnattendedPrompts(std::ostream& messages) : messages_(messages) {}

  // The answer to the question with `title` ("Overwrite File?"). A question
  // without one is answered as safely as it allows: No, Cancel.
  void Answer(const std::string& title, support::MessageAnswer answer) {
    answers_[title] = answer;
  }
  // The files the run's file dialogs choose, in turn; then none.
  void ChooseNext(std::string file) { files_.push_back(std::move(file)); }

  // Whether a message box reported something gone wrong.
  bool ToldOfFailure() const { return told_of_failure_; }
  // Every message shown, in turn.
  const std::vector<std::string>& Messages() const { return messages_shown_; }

  support::MessageAnswer Ask(const support::MessageQuestion& question) override;
  std::string ChooseFile(const support::FileRequest& request) override;
  void RunPendingEvents() override {}
  void SetScreenPointer(support::ScreenPointer) override {}

 private:
  std::ostream& messages_;
  std::map<std::string, support::MessageAnswer> answers_;
  std::deque<std::string> files_;
  std::vector<std::string> messages_shown_;
  bool told_of_failure_ = false;
};

}  // namespace vdimpexp::cli

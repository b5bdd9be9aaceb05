// Prompts that answer from a script and record every question, so tests can
// drive the wizards without a person and check what the user was asked.
#pragma once

#include <deque>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "support/prompts.h"

namespace vdimpexp::support {

// Lets a failed comparison of questions show what was asked.
inline void PrintTo(const MessageQuestion& question, std::ostream* out) {
  *out << "{\"" << question.text << "\", title \"" << question.title << "\", buttons "
       << static_cast<int>(question.buttons) << ", icon "
       << static_cast<int>(question.icon) << ", default "
       << static_cast<int>(question.default_answer) << "}";
}

}  // namespace vdimpexp::support

namespace vdimpexp::testing {

class ScriptedPrompts : public support::Prompts {
 public:
  // Installs itself for the calling thread for its lifetime.
  ScriptedPrompts() { support::UsePrompts(this); }
  ~ScriptedPrompts() override { support::UsePrompts(nullptr); }
  ScriptedPrompts(const ScriptedPrompts&) = delete;
  ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

  // Answers given in order; a question asked when none is left gets its
  // default answer.
  void AnswerNext(support::MessageAnswer answer) { answers_.push_back(answer); }
  // Paths given in order; empty text is a cancelled dialog.
  void ChooseNext(std::string path) { files_.push_back(std::move(path)); }

  // Runs when a question is asked, before it is answered: to look at the
  // program's state at that moment.
  void OnAsk(std::function<void(const support::MessageQuestion&)> observer) {
    on_ask_ = std::move(observer);
  }

  support::MessageAnswer Ask(const support::MessageQuestion& question) override {
    questions_.push_back(question);
    if (on_ask_) on_ask_(question);
    if (answers_.empty()) return question.default_answer;
    support::MessageAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  std::string ChooseFile(const support::FileRequest& request) override {
    file_requests_.push_back(request);
    if (files_.empty()) return "";
    std::string path = files_.front();
    files_.pop_front();
    return path;
  }

  void RunPendingEvents() override { ++pending_event_runs_; }

  void SetScreenPointer(support::ScreenPointer pointer) override {
    pointers_.push_back(pointer);
  }

  const std::vector<support::MessageQuestion>& questions() const { return questions_; }
  const std::vector<support::FileRequest>& file_requests() const {
    return file_requests_;
  }
  const std::vector<support::ScreenPointer>& pointers() const { return pointers_; }
  int pending_event_runs() const { return pending_event_runs_; }

 private:
  std::function<void(const support::MessageQuestion&)> on_ask_;
  std::deque<support::MessageAnswer> answers_;
  std::deque<std::string> files_;
  std::vector<support::MessageQuestion> questions_;
  std::vector<support::FileRequest> file_requests_;
  std::vector<support::ScreenPointer> pointers_;
  int pending_event_runs_ = 0;
};

}  // namespace vdimpexp::testing

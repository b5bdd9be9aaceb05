// The page mechanics both wizards share, free of any window toolkit: which
// page follows which for the chosen category, where the user stands, and
// which of the Previous, Next and Finish buttons may be pressed. A window
// performs a move here, then shows what the engine says.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vdimpexp::wizard {

struct Page {
  int16_t index;
  const char* tag;
};

struct ButtonStates {
  bool previous = false;
  bool next = true;
  bool finish = false;

  bool operator==(const ButtonStates&) const = default;
};

// The export wizard runs its page hook before it shows the next page; the
// import wizard shows the page first and keeps Next disabled after every
// move until its entry checker finds the page's entries usable.
enum class NextStyle { kRunHookFirst, kShowPageFirst };

class StepEngine {
 public:
  // `wizard_steps` holds one step list per category: page tags separated by
  // single commas, ending in "Finished"; empty for a category without steps.
  StepEngine(std::span<const Page> pages, std::vector<std::string> wizard_steps,
             NextStyle next_style);

  int16_t CurrentPage() const { return current_page_; }
  int16_t PreviousPage() const { return previous_page_; }
  int16_t StepPosition() const { return step_position_; }
  const std::vector<std::string>& WizardSteps() const { return wizard_steps_; }
  const std::vector<std::string>& ActiveSteps() const { return active_steps_; }
  const char* CurrentTag() const;
  bool HeaderVisible() const { return header_visible_; }
  ButtonStates& Buttons() { return buttons_; }
  const ButtonStates& Buttons() const { return buttons_; }

  // The index of the first page whose tag equals `step_name` without regard
  // to case, 0 when none does. Upper-cases `step_name` in place.
  int16_t GetIdxFromTag(std::string& step_name) const;

  // Moves forward through `category`'s step list; from the welcome page, or
  // to a step that no page carries, onto the category page.
  void Next(int category);
  // Moves back; never further than the category page.
  void Previous(int category);
  // Finish was pressed: neither Finish nor Previous may be pressed again.
  void Finish();

 private:
  std::vector<std::string> SplitSteps(int category) const;

  std::span<const Page> pages_;
  std::vector<std::string> wizard_steps_;
  NextStyle next_style_;
  std::vector<std::string> active_steps_;
  int16_t current_page_ = 0;
  int16_t previous_page_ = 0;
  int16_t step_position_ = 0;
  bool header_visible_ = false;
  ButtonStates buttons_;
};

bool TagIs(std::string_view tag, std::string_view name);

}  // namespace vdimpexp::wizard

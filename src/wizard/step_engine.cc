#include "wizard/step_engine.h"

#include <algorithm>
#include <cctype>

#include "data/text.h"

namespace vdimpexp::wizard {
namespace {

constexpr int16_t kWelcomePage = 0;
constexpr int16_t kCategoryPage = 1;

}  // namespace

bool TagIs(std::string_view tag, std::string_view name) {
  return data::EqualsIgnoringCase(tag, name);
}

StepEngine::StepEngine(std::span<const Page> pages, std::vector<std::string> wizard_steps,
                       NextStyle next_style)
    : pages_(pages), wizard_steps_(std::move(wizard_steps)), next_style_(next_style) {}

const char* StepEngine::CurrentTag() const {
  for (const Page& page : pages_) {
    if (page.index == current_page_) return page.tag;
  }
  return "";
}

int16_t StepEngine::GetIdxFromTag(std::string& step_name) const {
  std::transform(step_name.begin(), step_name.end(), step_name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  for (const Page& page : pages_) {
    if (TagIs(page.tag, step_name.c_str())) return page.index;
  }
  return 0;
}

std::vector<std::string> StepEngine::SplitSteps(int category) const {
  if (category < 0 || category >= static_cast<int>(wizard_steps_.size())) return {};
  const std::string& list = wizard_steps_[category];
  if (list.empty()) return {};
  return data::SplitAt(list, ',');
}

void StepEngine::Next(int category) {
  if (current_page_ == kWelcomePage || current_page_ == kCategoryPage)
    step_position_ = -1;
  buttons_.next = true;
  buttons_.previous = true;
  previous_page_ = current_page_;
  if (current_page_ >= kCategoryPage) {
    active_steps_ = SplitSteps(category);
    ++step_position_;
    // A category without steps has no page to go to; it stays on the
    // category page, as a step that no page carries would.
    std::string step = step_position_ < static_cast<int>(active_steps_.size())
                           ? active_steps_[step_position_]
                           : std::string();
    current_page_ = GetIdxFromTag(step);
    if (step_position_ >= static_cast<int>(active_steps_.size()) - 1) {
      buttons_.next = false;
      buttons_.finish = true;
    }
  }
  if (current_page_ == kWelcomePage) current_page_ = kCategoryPage;
  header_visible_ = true;
  if (next_style_ == NextStyle::kShowPageFirst) buttons_.next = false;
}

void StepEngine::Previous(int category) {
  buttons_.next = true;
  buttons_.finish = false;
  if (current_page_ == kWelcomePage || current_page_ == kCategoryPage) {
    header_visible_ = false;
    buttons_.previous = false;
  }
  if (current_page_ == kWelcomePage) current_page_ = kCategoryPage;
  previous_page_ = current_page_;
  active_steps_ = SplitSteps(category);
  --step_position_;
  if (step_position_ < 0 || step_position_ >= static_cast<int>(active_steps_.size())) {
    step_position_ = 0;
    current_page_ = kCategoryPage;
    buttons_.previous = false;
  } else {
    std::string step = active_steps_[step_position_];
    current_page_ = GetIdxFromTag(step);
  }
}

void StepEngine::Finish() {
  buttons_.finish = false;
  buttons_.previous = false;
}

}  // namespace vdimpexp::wizard

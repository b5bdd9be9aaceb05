// A made-up wizard: lists spell tags in another case, name a missing page, or are empty.
#include "wizard/step_engine.h"

#include <gtest/gtest.h>

namespace vdimpexp::wizard {
namespace {

constexpr Page kPages[] = {
    {0, "Start"}, {1, "SelectDB"}, {2, "Alpha"}, {4, "Beta"}, {9, "Finished"}};
const std::vector<std::string> kSteps = {"ALPHA,beta,Finished", "Beta,Finished", "",
                                         "Alpha,Gamma,Finished"};

// Button ('N'ext, 'P'revious, 'F'inish, 'e'ntry checker enabling Next), category, page,
// Previous/Next/Finish as "PNF" with "-" when disabled (nullptr: unchecked), header band.
using Press = std::tuple<char, int, int, const char*, bool>;

TEST(StepEngineTest, WhereEachButtonLeadsWhatItLeavesEnabledAndHowTagsMatch) {
  using enum NextStyle;
  // clang-format off
  const std::tuple<const char*, NextStyle, std::vector<Press>> walks[] = {
      {"forward, back to the category page, on with another category", kRunHookFirst,
       {{'N', 0, 1, "PN-", true}, {'N', 0, 2, "PN-", true}, {'N', 0, 4, "PN-", true},
        {'N', 0, 9, "P-F", true}, {'P', 0, 4, "PN-", true}, {'P', 0, 2, "PN-", true},
        {'P', 0, 1, "-N-", true}, {'N', 1, 4, "PN-", true}, {'N', 1, 9, "P-F", true},
        {'F', 1, 9, "---", true}}},
      {"Previous right after the welcome page", kRunHookFirst,
       {{'N', 0, 1, "PN-", true}, {'P', 0, 1, "-N-", false}, {'N', 0, 2, "PN-", true}}},
      {"a step no page carries leads to the category page", kRunHookFirst,
       {{'N', 3, 1, "PN-", true}, {'N', 3, 2, "PN-", true}, {'N', 3, 1, "PN-", true},
        {'N', 3, 2, "PN-", true}}},
      {"a category without steps", kRunHookFirst,
       {{'N', 2, 1, "PN-", true}, {'N', 2, 1, nullptr, true}, {'P', 2, 1, "-N-", false}}},
      {"the import wizard leaves Next to its entry checker", kShowPageFirst,
       {{'N', 0, 1, "P--", true}, {'e', 0, 1, "PN-", true}, {'N', 0, 2, "P--", true},
        {'e', 0, 2, "PN-", true}, {'N', 0, 4, "P--", true}, {'e', 0, 4, "PN-", true},
        {'N', 0, 9, "P-F", true}, {'P', 0, 4, "PN-", true}}}};
  // clang-format on
  for (const auto& [name, style, presses] : walks) {
    SCOPED_TRACE(name);
    StepEngine engine(kPages, kSteps, style);
    ButtonStates& buttons = engine.Buttons();
    auto shown = [&] {
      return std::string{buttons.previous ? 'P' : '-', buttons.next ? 'N' : '-',
                         buttons.finish ? 'F' : '-'};
    };
    EXPECT_EQ(engine.CurrentPage(), 0);
    EXPECT_EQ(shown(), "-N-");
    EXPECT_FALSE(engine.HeaderVisible());
    for (const auto& [button, category, page, states, header] : presses) {
      SCOPED_TRACE(std::string("press ") + button + " to page " + std::to_string(page));
      // Only a button that is enabled can be pressed.
      EXPECT_TRUE(button == 'e' || shown().find(button) != std::string::npos);
      if (button == 'N') engine.Next(category);
      if (button == 'P') engine.Previous(category);
      if (button == 'F') engine.Finish();
      if (button == 'e') buttons.next = true;
      EXPECT_EQ(engine.CurrentPage(), page);
      EXPECT_EQ(engine.HeaderVisible(), header);
      EXPECT_TRUE(!states || shown() == states) << shown();
    }
  }
  // Tags match without regard to case, and the name looked up is upper-cased.
  StepEngine engine(kPages, kSteps, NextStyle::kRunHookFirst);
  std::string step = "bEtA", unknown = "Gamma";
  EXPECT_EQ(engine.GetIdxFromTag(step), 4);
  EXPECT_EQ(step, "BETA");
  EXPECT_EQ(engine.GetIdxFromTag(unknown), 0);
}

}  // namespace
}  // namespace vdimpexp::wizard

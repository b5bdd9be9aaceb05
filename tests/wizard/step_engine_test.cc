#include "wizard/step_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wizard/wizard_steps.h"

namespace vdimpexp::wizard {
namespace {

constexpr ButtonStates kLoaded{.previous = false, .next = true, .finish = false};

StepEngine FilterEngine(bool export_mode) {
  return StepEngine(kFilterWizardPages, FilterWizardSteps(export_mode),
                    NextStyle::kRunHookFirst);
}

StepEngine ImportEngine() {
  return StepEngine(kImportWizardPages, ImportWizardSteps(), NextStyle::kShowPageFirst);
}

// The pages visited by pressing Next until it is disabled.
std::vector<int> WalkForward(StepEngine& engine, int category) {
  std::vector<int> pages;
  while (engine.Buttons().next) {
    engine.Next(category);
    pages.push_back(engine.CurrentPage());
  }
  return pages;
}

TEST(StepEngineTest, WalksEachExportCategoryThroughItsPages) {
  struct Walk {
    int category;
    bool export_mode;
    std::vector<int> pages;
  };
  const Walk walks[] = {
      {0, true, {1, 2, 4, 5, 9}},    {0, false, {1, 2, 4, 9}},
      {1, true, {1, 2, 3, 4, 5, 9}}, {1, false, {1, 2, 3, 4, 9}},
      {2, true, {1, 6, 4, 5, 9}},    {3, false, {1, 7, 4, 9}},
      {4, true, {1, 8, 4, 5, 9}},    {5, true, {1, 3, 9}},
      {5, false, {1, 3, 9}},
  };
  for (const Walk& walk : walks) {
    SCOPED_TRACE("category " + std::to_string(walk.category) +
                 (walk.export_mode ? " export" : " selection"));
    StepEngine engine = FilterEngine(walk.export_mode);
    EXPECT_EQ(engine.Buttons(), kLoaded);
    EXPECT_FALSE(engine.HeaderVisible());
    EXPECT_EQ(WalkForward(engine, walk.category), walk.pages);
    EXPECT_EQ(engine.Buttons(),
              (ButtonStates{.previous = true, .next = false, .finish = true}));
    EXPECT_STREQ(engine.CurrentTag(), "Finished");
    EXPECT_EQ(engine.StepPosition(), static_cast<int>(engine.ActiveSteps().size()) - 1);
  }
}

TEST(StepEngineTest, ButtonStatesFollowEachMove) {
  StepEngine engine = FilterEngine(true);
  engine.Next(0);  // welcome -> category page
  EXPECT_EQ(engine.Buttons(),
            (ButtonStates{.previous = true, .next = true, .finish = false}));
  EXPECT_TRUE(engine.HeaderVisible());
  EXPECT_EQ(engine.StepPosition(), -1);
  EXPECT_EQ(engine.PreviousPage(), 0);

  engine.Next(0);  // -> ContactsSelections, a step before the last
  EXPECT_EQ(engine.CurrentPage(), 2);
  EXPECT_EQ(engine.PreviousPage(), 1);
  EXPECT_EQ(engine.StepPosition(), 0);
  EXPECT_EQ(engine.Buttons(),
            (ButtonStates{.previous = true, .next = true, .finish = false}));

  engine.Next(0);
  engine.Next(0);
  engine.Next(0);  // -> Finished
  EXPECT_EQ(engine.Buttons(),
            (ButtonStates{.previous = true, .next = false, .finish = true}));

  engine.Previous(0);  // back to a step: Finish disabled again
  EXPECT_EQ(engine.CurrentPage(), 5);
  EXPECT_EQ(engine.Buttons(),
            (ButtonStates{.previous = true, .next = true, .finish = false}));

  engine.Previous(0);
  engine.Previous(0);  // back to the first step
  EXPECT_EQ(engine.CurrentPage(), 2);
  engine.Previous(0);  // from the first step to the category page
  EXPECT_EQ(engine.CurrentPage(), 1);
  EXPECT_EQ(engine.Buttons(),
            (ButtonStates{.previous = false, .next = true, .finish = false}));
  EXPECT_TRUE(engine.HeaderVisible())
      << "the header stays when the category page is reached";

  engine.Previous(0);  // on the category page itself
  EXPECT_EQ(engine.CurrentPage(), 1);
  EXPECT_EQ(engine.Buttons(),
            (ButtonStates{.previous = false, .next = true, .finish = false}));
  EXPECT_FALSE(engine.HeaderVisible());

  engine.Finish();
  EXPECT_FALSE(engine.Buttons().finish);
  EXPECT_FALSE(engine.Buttons().previous);
}

TEST(StepEngineTest, AnotherCategoryStartsItsOwnListAfterGoingBack) {
  StepEngine engine = FilterEngine(true);
  engine.Next(0);
  engine.Next(0);
  engine.Next(0);  // category 0, on SelectFlds
  EXPECT_EQ(engine.CurrentPage(), 4);
  engine.Previous(0);
  engine.Previous(0);  // category page
  EXPECT_EQ(engine.CurrentPage(), 1);
  EXPECT_EQ(WalkForward(engine, 2), (std::vector<int>{6, 4, 5, 9}));
  EXPECT_EQ(
      engine.ActiveSteps(),
      (std::vector<std::string>{"Inventory", "SelectFlds", "ExportFormats", "Finished"}));
}

TEST(StepEngineTest, PreviousRightAfterTheWelcomePageKeepsTheCategoryPage) {
  StepEngine engine = FilterEngine(false);
  engine.Next(3);
  engine.Previous(3);
  EXPECT_EQ(engine.CurrentPage(), 1);
  EXPECT_FALSE(engine.HeaderVisible());
  EXPECT_EQ(engine.StepPosition(), 0);
  engine.Next(3);  // the list starts from its first step again
  EXPECT_EQ(engine.CurrentPage(), 7);
  EXPECT_EQ(engine.StepPosition(), 0);
}

TEST(StepEngineTest, ImportNextLeavesNextForTheEntryCheckerToEnable) {
  StepEngine engine = ImportEngine();
  EXPECT_EQ(engine.Buttons(), kLoaded);
  engine.Next(5);
  EXPECT_EQ(engine.CurrentPage(), 1);
  EXPECT_EQ(engine.Buttons(),
            (ButtonStates{.previous = true, .next = false, .finish = false}));
  // The checker enables Next page by page; the walk then follows the list.
  std::vector<int> pages;
  for (int i = 0; i < 3; ++i) {
    engine.Buttons().next = true;
    engine.Next(5);
    pages.push_back(engine.CurrentPage());
    EXPECT_FALSE(engine.Buttons().next);
  }
  EXPECT_EQ(pages, (std::vector<int>{2, 3, 9}));
  EXPECT_TRUE(engine.Buttons().finish);

  // The zip-code source's list names a page no page carries; it ends on
  // the category page rather than on a page that does not exist.
  StepEngine zip = ImportEngine();
  zip.Next(1);
  zip.Next(1);
  EXPECT_EQ(zip.CurrentPage(), 6);
  zip.Next(1);
  EXPECT_EQ(zip.CurrentPage(), 1);
}

TEST(StepEngineTest, ACategoryWithoutStepsStaysOnTheCategoryPage) {
  StepEngine engine = ImportEngine();
  engine.Next(0);
  engine.Next(0);
  EXPECT_EQ(engine.CurrentPage(), 1);
  EXPECT_TRUE(engine.ActiveSteps().empty());
  engine.Previous(0);
  EXPECT_EQ(engine.CurrentPage(), 1);
  EXPECT_FALSE(engine.Buttons().previous);
}

TEST(StepEngineTest, TagsMatchWithoutRegardToCase) {
  StepEngine engine = FilterEngine(true);
  std::string step = "WorkOrderSelection";
  EXPECT_EQ(engine.GetIdxFromTag(step), 3);
  EXPECT_EQ(step, "WORKORDERSELECTION") << "the name is upper-cased in place";
  std::string unknown = "TextImport";
  EXPECT_EQ(engine.GetIdxFromTag(unknown), 0);
}

TEST(WizardStepsTest, StepListsOfBothWizards) {
  std::vector<std::string> exporting = FilterWizardSteps(true);
  ASSERT_EQ(exporting.size(), 10u);
  EXPECT_EQ(exporting[1],
            "ContactsSelections,WorkOrderSelection,SelectFlds,ExportFormats,Finished");
  EXPECT_EQ(exporting[5], "WorkOrderSelection,Finished");
  EXPECT_EQ(FilterWizardSteps(false)[4], "ServiceTips,SelectFlds,Finished");
  for (int category = 6; category < 10; ++category) EXPECT_EQ(exporting[category], "");

  std::vector<std::string> importing = ImportWizardSteps();
  ASSERT_EQ(importing.size(), 6u);
  EXPECT_EQ(importing[1], "ImportFrom,TextImport,Finished");
  EXPECT_EQ(importing[5], "BrowseForXAVFolders,GeneralCheckList,Finished");
  for (int category : {0, 2, 3, 4}) EXPECT_EQ(importing[category], "");
}

TEST(WizardStepsTest, ExportHeaderTexts) {
  struct Row {
    const char* tag;
    bool export_mode;
    const char* title;
    const char* description;
  };
  const Row rows[] = {
      {"SelectDB", true, "Filter Category", "Select category you wish to work with."},
      {"ContactsSelections", false, "Filter Customers",
       "Select how you wish to filter customers."},
      {"WorkorderSelection", true, "Filter Invoices",
       "Select how you wish to filter invoices."},
      {"SelectFlds", true, "Export Field Selection",
       "Please select the fields of the selected data you would like to export."},
      {"SelectFlds", false, "Sorting Field Selection",
       "The order in which numbers, text, and special characters are sorted depends on "
       "the "
       "source data."},
      {"ExportFormats", true, "Export Format",
       "Please select the format for the data export. "},
      {"Inventory", true, "Inventory Items Selection",
       "Please select the type of inventory items."},
      {"ServiceDocs", true, "Service Documents (Manuals) Selection",
       "Please make your selection."},
      {"ServiceTips", false, "Service Tips Selection", "Please make your selection."},
      {"Finished", true, "Finished!", "Export completed."},
      {"Finished", false, "Finished!", "About to start with your request..."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.tag);
    EXPECT_EQ(FilterWizardHeader(row.tag, row.export_mode),
              (StepHeader{row.title, row.description}));
  }
  EXPECT_EQ(FilterWizardHeader("Start", true), std::nullopt);
}

TEST(WizardStepsTest, ImportHeaderTexts) {
  EXPECT_EQ(ImportWizardHeader("SelectDB", 5),
            (StepHeader{"Choose A Database Or Application",
                        "Where would you like to copy data from?"}));
  EXPECT_EQ(ImportWizardHeader("BrowseForXAVFolders", 5),
            (StepHeader{"Database Directories",
                        "Please select the location of your XAV database, and History "
                        "Directories. Double-click to select folder."}));
  EXPECT_EQ(ImportWizardHeader("GeneralCheckList", 5),
            (StepHeader{"Available XAV Databases",
                        "Please select the XAV database(s) you wish to import."}));
  EXPECT_EQ(ImportWizardHeader("GeneralCheckList", 1), std::nullopt);
  EXPECT_EQ(ImportWizardHeader("ImportFrom", 1),
            (StepHeader{"Choose a Data Source",
                        "Locate the ASCII Text file you wish to import data from into "
                        "'Verdacor!\u00ae."}));
  EXPECT_EQ(ImportWizardHeader("Finished", 5),
            (StepHeader{"Finished!", "About to start with your request..."}));
  EXPECT_EQ(ImportWizardHeader("Start", 5), std::nullopt);
}

}  // namespace
}  // namespace vdimpexp::wizard

// The export started from the real wizard window, offscreen: the last page
// tells where the rows went, and the invoice category goes to its database.
#include <gtest/gtest.h>

#include <QListWidget>
#include <fstream>

#include "wizard_probe.h"

namespace vdimpexp::testing {
namespace {

constexpr int kTextFormatRow = 16;

TEST_F(WizardTest, FinishedPageTellsWhereTheChosenColumnsWent) {
  const std::string target = scratch_.File("cust.csv");
  prompts_.ChooseNext(target);
  std::string finished_text;
  bool enabled_at_the_end = false;
  WhenShown([&](QDialog& window) {
    Button(window, "cmdNext").click();
    Button(window, "cmdNext").click();
    Button(window, "cmdNext").click();
    ASSERT_EQ(ShownPage(window), 4);
    auto& available = Control<QListWidget>(window, "lstAvailableFlds");
    DoubleClick(available, "LastName");
    DoubleClick(available, "City");
    Button(window, "cmdNext").click();
    Control<QListWidget>(window, "lstExportFormats").setCurrentRow(kTextFormatRow);
    Button(window, "cmdNext").click();
    EXPECT_EQ(ShownPage(window), 9);
    finished_text = Control<QLabel>(window, "lblFinishedMsg").text().toStdString();
    enabled_at_the_end = window.isEnabled();
    Button(window, "cmdFinish").click();
  });
  component_.ExportData(connection_);

  EXPECT_EQ(finished_text, "Export of data to: " + target + " is complete.");
  EXPECT_TRUE(enabled_at_the_end);
  ASSERT_EQ(prompts_.file_requests().size(), 1u);
  EXPECT_EQ(prompts_.file_requests()[0].filter, "TEXT (*.txt)|*.txt|CSV (*.csv)|*.csv");
  std::ifstream written(target);
  std::string header;
  std::getline(written, header);
  EXPECT_EQ(header, "\"LastName\",\"City\"\r");
  EXPECT_EQ(prompts_.pointers().back(), support::ScreenPointer::kDefault);
}

TEST_F(WizardTest, InvoiceCategoryExportsIntoTheChosenDatabase) {
  const std::string database = scratch_.Database("out.mdb", "CREATE TABLE Kept (x);");
  prompts_.ChooseNext(database);
  std::string finished_text;
  WhenShown([&](QDialog& window) {
    Button(window, "cmdNext").click();
    ChooseCategory(window, 5);
    PressNextToTheEnd(window);
    finished_text = Control<QLabel>(window, "lblFinishedMsg").text().toStdString();
    Button(window, "cmdFinish").click();
  });
  component_.ExportData(connection_);

  EXPECT_EQ(finished_text,
            "Created tables VD_Invoices, VD_InvItems and VD_InvWarranty in database " +
                database + ".");
  EXPECT_EQ(QueryText(database, "SELECT COUNT(*) FROM VD_Invoices"),
            QueryText(database_path_, "SELECT COUNT(*) FROM Jobs"));
}

}  // namespace
}  // namespace vdimpexp::testing

// The filter wizard's real window, offscreen: every page as catalogued on each
// category's walk in both modes, the field lists, the statement, the ways out, an export.
#include <fstream>
#include <functional>

#include "wizard_probe.h"

namespace vdimpexp::testing {
namespace {

// clang-format off
const Catalogue kFilterPages = {
    {0, {{}, {{"Image2", kImage}, {"lblWelcome", kTitle, "Select Records With Filters"},
         {"Label5(0)", kLabel,
          "With a filter, you can find records based on whether they contain a specific "
          "value in a particular field or fields. For example, you can find all records "
          "that have \"91773\" in the Zip Code field. When you apply the filter, only "
          "the records that contain the value that you selected will show in the "
          "selection."}}}},
    {1, {{"Filter Category", "Select category you wish to work with."},
         {{"optImportCategory(0)", kChosen, "&Business contacts and customers"},
         {"optImportCategory(1)", kOption, "&Business contacts, customers and invoices"},
         {"optImportCategory(5)", kOption, "&Invoices (Export to Access database)"},
         {"optImportCategory(2)", kOption, "&Inventory"},
         {"optImportCategory(3)", kOption, "&Service Documents (Manuals)"},
         {"optImportCategory(4)", kOption, "Service &Tips"}}}},
    {2, {{"Filter Customers", "Select how you wish to filter customers."},
         {{"Label1(4)", kTitle, "&Contacts"}, {"Line1(0)", kLine}, {"Line1(1)", kLine},
         {"Label1(19)", kLabel, "&Acc. Type:"}, {"Combo1(0)", kList, "<All>"},
         {"Label1(16)", kLabel, "&Ref By:"}, {"Combo1(6)", kList, "<All>"},
         {"Frame2(0)", kFrame, "&Zip Code"}, {"Label1(1)", kLabel, "&From:"},
         {"text1(0)", kText}, {"Label1(2)", kLabel, "&To:"}, {"text1(1)", kText},
         {"Frame2(1)", kFrame, "&Last Visit"}, {"Label1(0)", kLabel, "&From:"},
         {"TDBDate(2)", kDate}, {"Label1(3)", kLabel, "&To:"}, {"TDBDate(0)", kDate}}}},
    {3, {{"Filter Invoices", "Select how you wish to filter invoices."},
         {{"Label1(7)", kTitle, "&Invoices"}, {"Line1(2)", kLine}, {"Line1(3)", kLine},
         {"Label1(9)", kLabel, "&Status:", 1}, {"Combo1(2)", kList, "<All>", 1},
         {"Label1(8)", kLabel, "&Make:", 1}, {"Combo1(1)", kList, "<All>", 1},
         {"Frame2(4)", kFrame, "&Service Requested", 1}, {"TDBDate(4)", kDate, "", 1},
         {"TDBDate(5)", kDate, "", 1}, {"Frame2(2)", kFrame, "&Claimed", 1},
         {"TDBDate(1)", kDate, "", 1}, {"TDBDate(3)", kDate, "", 1},
         {"Frame2(3)", kFrame, "&Invoice Numbers", 1}, {"text1(2)", kText, "", 1},
         {"text1(3)", kText, "", 1}, {"Frame1", kFrame, "&Invoice Types", 2},
         {"optInvoiceType(0)", kChosen, "<All>", 2},
         {"optInvoiceType(1)", kOption, "&Sales", 2},
         {"optInvoiceType(2)", kOption, "&Quotes", 2},
         {"optInvoiceType(3)", kOption, "&Repairs", 2}}}},
    {4, {{"Export Field Selection",
          "Please select the fields of the selected data you would like to export."},
         {{"Label2(2)", kLabel, "Double-click to select/deselect"},
         {"Label2(0)", kLabel, "&Available Fields", 1}, {"lstAvailableFlds", kListBox, "", 1},
         {"cmdSelectAllFlds", kButton, ">>", 2}, {"cmdRemove", kButton, "<<", 2},
         {"lblSelectedFlds", kLabel, "&Selected Fields", 3},
         {"lstSelectedFlds", kListBox, "", 3}}}},
    {5, {{"Export Format", "Please select the format for the data export. "},
         {{"lstExportFormats", kListBox}}}},
    {6, {{"Inventory Items Selection", "Please select the type of inventory items."},
         {{"Label1(15)", kTitle, "&Inventory"}, {"Line1(4)", kLine}, {"Line1(5)", kLine},
         {"Label1(14)", kLabel, "Item &Type:"}, {"cboInvItemType", kList, "<All>"}}}},
    {7, {{"Service Documents (Manuals) Selection", "Please make your selection."},
         {{"Label1(17)", kTitle, "&Service Documents"}, {"Line1(8)", kLine},
         {"Line1(9)", kLine}, {"Label1(18)", kLabel, "&Make:"},
         {"cboDocsMake", kList, "<All>"}}}},
    {8, {{"Service Tips Selection", "Please make your selection."},
         {{"Label1(21)", kTitle, "Service Tips"}, {"Line1(10)", kLine}, {"Line1(11)", kLine},
         {"Label1(20)", kLabel, "&Make:"}, {"cboServTipsMake", kList, "<All>"}}}},
    {9, {{"Finished!", "Export completed."},
         {{"lblFinishedMsg", kLabel, "Export completed..."}, {"lblPercent", kTitle}}}},
};
// What the selection wizard shows instead.
const std::map<int, Header> kSelectingHeaders = {
    {4, {"Sorting Field Selection", "The order in which numbers, text, and special "
                                    "characters are sorted depends on the source data."}},
    {9, {"Finished!", "About to start with your request..."}}};
// clang-format on

// Sets each named control as the user would: a list to the entry with that text,
// a box to the text, a date input to the date written as yyyy-mm-dd.
void Enter(QWidget& window,
           std::initializer_list<std::pair<const char*, const char*>> values) {
  for (auto [name, value] : values) {
    QWidget& control = Control(window, name);
    if (auto* list = qobject_cast<QComboBox*>(&control)) {
      EXPECT_GE(list->findText(value), 0) << value;
      list->setCurrentIndex(list->findText(value));
    } else if (auto* box = qobject_cast<QLineEdit*>(&control)) {
      box->setText(value);
    } else {
      const QDate date = QDate::fromString(value, Qt::ISODate);
      dynamic_cast<wizard::DateInput&>(control).SetValue(
          data::Date{date.year(), date.month(), date.day()});
    }
  }
}

TEST_F(WizardTest, FilterWizardPagesForEveryCategoryInBothModes) {
  // Selection walks first: the last page keeps its design text until an export runs.
  // clang-format off
  const std::tuple<bool, int, std::vector<int>> walks[] = {
      {false, 0, {1, 2, 4, 9}}, {false, 1, {1, 2, 3, 4, 9}}, {false, 2, {1, 6, 4, 9}},
      {false, 3, {1, 7, 4, 9}}, {false, 4, {1, 8, 4, 9}}, {false, 5, {1, 3, 9}},
      {true, 0, {1, 2, 4, 5, 9}}, {true, 1, {1, 2, 3, 4, 5, 9}},
      {true, 2, {1, 6, 4, 5, 9}}, {true, 3, {1, 7, 4, 5, 9}},
      {true, 4, {1, 8, 4, 5, 9}}, {true, 5, {1, 3, 9}}};
  // clang-format on
  for (const auto& [exporting, category, pages] : walks) {
    SCOPED_TRACE((exporting ? "export, category " : "selection, category ") +
                 std::to_string(category));
    WhenShown([&](QDialog& window) {
      ExpectOpened(window, "Filter Wizard", kFilterPages);
      for (int page : pages) {
        if (ShownPage(window) == 1) ChooseCategory(window, category);
        Press(window, {"cmdNext"});
        EXPECT_EQ(ButtonStates(window), page == 9 ? "P-F" : "PN-");
        ASSERT_NO_FATAL_FAILURE(ExpectShown(window, kFilterPages, page,
                                            !exporting && kSelectingHeaders.contains(page)
                                                ? kSelectingHeaders.at(page)
                                                : kFilterPages.at(page).header));
      }
      EXPECT_THAT(
          Entries(Control<QListWidget>(window, "lstExportFormats")),
          ElementsAre("Microsoft Jet (Access)", "dBASE III", "dBASE IV", "dBASE 5",
                      "Paradox 3.x", "Paradox 4.x", "Paradox 5.x", "Excel 3.0",
                      "Excel 4.0", "Excel 5.0", "Excel 95", "Excel 97",
                      "Lotus 123 WKS and WK1", "Lotus 123 WK3", "Lotus 123 WK4", "HTML",
                      "Text (Comma Delimited)", "OBDC", "Microsoft Exchange", "XML",
                      "Excel 2007-365 (xlsx)", "OpenDocument Spreadsheet (ods)"));
      EXPECT_EQ(Control<QListWidget>(window, "lstExportFormats").currentRow(), 0);
      Press(window, {"cmdFinish"});
    });
    std::string sql;
    int16_t chosen = -1;
    if (exporting) {
      // The invoice export asks for an existing database until cancelled.
      if (category == 5) prompts_.AnswerNext(MessageAnswer::kCancel);
      component_.ExportData(connection_);
      EXPECT_TRUE(category != 5 || prompts_.questions().back().text ==
                                       "You must select an existing Access database!");
    } else {
      component_.SQLSelected(connection_, sql, chosen);
      EXPECT_EQ(chosen, category);
    }
  }
  EXPECT_EQ(seen_.size(), kFilterPages.size()) << "every page was seen";
}

TEST_F(WizardTest, FieldListsMoveColumnsTheCaptionCountsThemAndTheExportTakesThem) {
  constexpr int kTextFormatRow = 16;
  const std::string target = scratch_.File("cust.csv");
  prompts_.ChooseNext(target);
  std::vector<std::string> columns;
  data::Recordset rows = connection_.Execute("SELECT * FROM Contacts");
  for (int i = 0; i < rows.Fields().Count(); ++i)
    columns.push_back(rows.Fields(i).Name());
  WhenShown([&](QDialog& window) {
    auto& available = Control<QListWidget>(window, "lstAvailableFlds");
    auto& selected = Control<QListWidget>(window, "lstSelectedFlds");
    auto caption = [&] { return Text(window, "lblSelectedFlds"); };
    Press(window, {"cmdNext", "cmdNext", "cmdNext"});
    ASSERT_EQ(ShownPage(window), 4);
    EXPECT_EQ(Entries(available), columns);
    EXPECT_EQ(available.currentRow(), 0);

    DoubleClick(available, {"ZipCode", "FileAs", "City"});
    EXPECT_THAT(Entries(selected), ElementsAre("ZipCode", "FileAs", "City"));
    EXPECT_EQ(caption(), "&Selected Fields(3)");
    DoubleClick(selected, {"FileAs"});
    EXPECT_EQ(caption(), "&Selected Fields(2)");
    EXPECT_EQ(Entries(available).back(), "FileAs") << "returns at the end";
    EXPECT_EQ(available.count(), static_cast<int>(columns.size()) - 2);

    // Coming back from the format page keeps the choice.
    Press(window, {"cmdNext", "cmdPrevious"});
    EXPECT_THAT(Entries(selected), ElementsAre("ZipCode", "City"));

    // ">>" puts every offered column, in order, ahead of the chosen ones.
    std::vector<std::string> expected = Entries(available);
    Press(window, {"cmdSelectAllFlds"});
    EXPECT_EQ(Entries(available), expected);
    expected.insert(expected.end(), {"ZipCode", "City"});
    EXPECT_EQ(Entries(selected), expected);
    EXPECT_EQ(caption(), "&Selected Fields(" + std::to_string(expected.size()) + ")");

    Press(window, {"cmdRemove"});
    EXPECT_EQ(caption(), "&Selected Fields(0)");
    EXPECT_THAT(Entries(selected), IsEmpty());
    EXPECT_EQ(Entries(available), columns);

    // Back to the category page, and arriving anew with Next starts over.
    DoubleClick(available, {"City"});
    Press(window, {"cmdPrevious", "cmdPrevious"});
    EXPECT_EQ(ShownPage(window), 1);
    EXPECT_EQ(ButtonStates(window), "-N-");
    Press(window, {"cmdNext", "cmdNext"});
    EXPECT_THAT(Entries(selected), IsEmpty());
    EXPECT_EQ(Entries(available), columns);

    // The chosen columns go to the chosen file, which the last page names.
    DoubleClick(available, {"LastName", "City"});
    Press(window, {"cmdNext"});
    Control<QListWidget>(window, "lstExportFormats").setCurrentRow(kTextFormatRow);
    Press(window, {"cmdNext"});
    EXPECT_EQ(Text(window, "lblFinishedMsg"),
              "Export of data to: " + target + " is complete.");
    EXPECT_TRUE(window.isEnabled());
    Press(window, {"cmdFinish"});
  });
  component_.ExportData(connection_);
  std::string header;
  std::getline(std::ifstream(target) >> std::ws, header);
  EXPECT_EQ(header, "\"LastName\",\"City\"\r");
  EXPECT_EQ(prompts_.pointers().front(), support::ScreenPointer::kHourglass);
  EXPECT_EQ(prompts_.pointers().back(), support::ScreenPointer::kDefault);
}

TEST_F(WizardTest,
       TheHostReceivesTheStatementEveryFilterControlShowsAndNothingOnTheWaysOut) {
  auto select = [&](std::function<void(QDialog&)> steps) {
    WhenShown(std::move(steps));
    std::string sql = "SELECT 1";
    int16_t category = 3;
    component_.SQLSelected(connection_, sql, category);
    return std::pair(sql, category);
  };
  const auto [sql, category] = select([&](QDialog& window) {
    Press(window, {"cmdNext", "optImportCategory(1)", "cmdNext"});
    // clang-format off
    Enter(window, {{"Combo1(0)", "Customer"}, {"Combo1(6)", "Web Site"}, {"text1(0)", " 1"},
                   {"text1(1)", "99 "}, {"TDBDate(2)", "1990-01-31"}, {"TDBDate(0)", "2030-12-01"}});
    Press(window, {"cmdNext"});
    Enter(window, {{"Combo1(2)", "Claimed by customer"}, {"Combo1(1)", "Toshiba"},
                   {"TDBDate(4)", "2001-02-03"}, {"TDBDate(5)", "2001-02-04"},
                   {"TDBDate(1)", "2002-03-04"}, {"TDBDate(3)", "2002-03-05"},
                   {"text1(2)", "100"}, {"text1(3)", "200"}});
    // clang-format on
    Press(window, {"optInvoiceType(3)", "cmdNext"});
    DoubleClick(Control<QListWidget>(window, "lstAvailableFlds"), {"LastName", "JobNo"});
    Press(window, {"cmdNext", "cmdFinish"});
  });
  EXPECT_EQ(category, 1);
  EXPECT_EQ(sql,
            "SELECT * FROM JobsReports WHERE   ClientType=9 AND ReferalBy=7 AND ZipCode "
            "BETWEEN '1' AND '99' AND LastVisit BETWEEN #1/31/1990# AND #12/1/2030# AND "
            "StatusCode=12 AND MakeID=4 AND DateIn BETWEEN #2/3/2001# AND #2/4/2001# AND "
            "ClaimedOn BETWEEN #3/4/2002# AND #3/5/2002# AND JobNo BETWEEN '100' AND "
            "'200' AND InvoiceType=31 ORDER BY LastName, JobNo");
  EXPECT_NO_THROW(connection_.Execute(sql));

  const std::pair<std::string, int16_t> nothing{"", 0};
  EXPECT_EQ(select([&](QDialog& window) {
              Press(window, {"cmdNext", "optImportCategory(4)", "cmdNext"});
              prompts_.AnswerNext(MessageAnswer::kNo);
              window.close();
              EXPECT_TRUE(window.isVisible());
              EXPECT_EQ(ShownPage(window), 8) << "a close answered No changes nothing";
              prompts_.AnswerNext(MessageAnswer::kYes);
              window.close();
            }),
            nothing);
  ASSERT_EQ(prompts_.questions().size(), 2u);
  EXPECT_EQ(prompts_.questions()[0],
            (support::MessageQuestion{"Are you sure?", "Quit?", MessageButtons::kYesNo,
                                      MessageIcon::kInformation, MessageAnswer::kNo}));
  // Cancel asks nothing.
  EXPECT_EQ(select([](QDialog& w) { Press(w, {"cmdNext", "cmdCancel"}); }), nothing);
  EXPECT_EQ(prompts_.questions().size(), 2u);
}

}  // namespace
}  // namespace vdimpexp::testing

// The export and selection calls through the real wizard window, offscreen:
// closing and Cancel, the field lists, the statement, an export's file.
#include <QComboBox>
#include <QLineEdit>
#include <fstream>
#include <functional>

#include "wizard/date_input.h"
#include "wizard_probe.h"

namespace vdimpexp::testing {
namespace {

void ChooseEntry(QWidget& window, const char* list, const char* entry) {
  auto& combo = Control<QComboBox>(window, list);
  ASSERT_GE(combo.findText(entry), 0) << entry;
  combo.setCurrentIndex(combo.findText(entry));
}
void SetText(QWidget& window, const char* box, const char* text) {
  Control<QLineEdit>(window, box).setText(text);
}
void SetDate(QWidget& window, const char* input, data::Date date) {
  Control<wizard::DateInput>(window, input).SetValue(date);
}

TEST_F(WizardTest, EveryWayOutHandsBackNothing) {
  auto select = [&](std::function<void(QDialog&)> steps) {
    WhenShown(std::move(steps));
    std::string sql = "SELECT 1";
    int16_t category = 3;
    component_.SQLSelected(connection_, sql, category);
    return std::pair(sql, category);
  };
  const std::pair<std::string, int16_t> nothing{"", 0};
  EXPECT_EQ(select([&](QDialog& window) {
              Button(window, "cmdNext").click();
              ChooseCategory(window, 4);
              Button(window, "cmdNext").click();
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
            (support::MessageQuestion{.text = "Are you sure?",
                                      .title = "Quit?",
                                      .buttons = support::MessageButtons::kYesNo,
                                      .icon = support::MessageIcon::kInformation,
                                      .default_answer = MessageAnswer::kNo}));
  // Cancel asks nothing.
  EXPECT_EQ(select([](QDialog& window) {
              Button(window, "cmdNext").click();
              Button(window, "cmdCancel").click();
            }),
            nothing);
  EXPECT_EQ(prompts_.questions().size(), 2u);
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
    for (int press = 0; press < 3; ++press) Button(window, "cmdNext").click();
    ASSERT_EQ(ShownPage(window), 4);
    EXPECT_EQ(Entries(available), columns);
    EXPECT_EQ(available.currentRow(), 0);
    EXPECT_EQ(caption(), "&Selected Fields");

    for (const char* column : {"ZipCode", "FileAs", "City"})
      DoubleClick(available, column);
    EXPECT_THAT(Entries(selected), ElementsAre("ZipCode", "FileAs", "City"));
    EXPECT_EQ(caption(), "&Selected Fields(3)");
    DoubleClick(selected, "FileAs");
    EXPECT_EQ(caption(), "&Selected Fields(2)");
    EXPECT_EQ(Entries(available).back(), "FileAs") << "returns at the end";
    EXPECT_EQ(available.count(), static_cast<int>(columns.size()) - 2);

    // Coming back from the format page keeps the choice.
    Button(window, "cmdNext").click();
    Button(window, "cmdPrevious").click();
    EXPECT_THAT(Entries(selected), ElementsAre("ZipCode", "City"));

    // ">>" puts every offered column, in order, ahead of the chosen ones.
    std::vector<std::string> expected = Entries(available);
    Button(window, "cmdSelectAllFlds").click();
    EXPECT_EQ(Entries(available), expected);
    expected.insert(expected.end(), {"ZipCode", "City"});
    EXPECT_EQ(Entries(selected), expected);
    EXPECT_EQ(caption(), "&Selected Fields(" + std::to_string(expected.size()) + ")");

    Button(window, "cmdRemove").click();
    EXPECT_EQ(caption(), "&Selected Fields(0)");
    EXPECT_THAT(Entries(selected), IsEmpty());
    EXPECT_EQ(Entries(available), columns);

    // Back to the category page, and arriving anew with Next starts over.
    DoubleClick(available, "City");
    for (auto [page, buttons] : {std::pair{2, "PN-"}, {1, "-N-"}}) {
      Button(window, "cmdPrevious").click();
      EXPECT_EQ(ShownPage(window), page);
      EXPECT_EQ(ButtonStates(window), buttons);
      EXPECT_TRUE(HeaderShown(window));
    }
    Button(window, "cmdNext").click();
    Button(window, "cmdNext").click();
    EXPECT_THAT(Entries(selected), IsEmpty());
    EXPECT_EQ(Entries(available), columns);

    // The chosen columns go to the chosen file, which the last page names.
    DoubleClick(available, "LastName");
    DoubleClick(available, "City");
    Button(window, "cmdNext").click();
    Control<QListWidget>(window, "lstExportFormats").setCurrentRow(kTextFormatRow);
    Button(window, "cmdNext").click();
    EXPECT_EQ(Text(window, "lblFinishedMsg"),
              "Export of data to: " + target + " is complete.");
    EXPECT_TRUE(window.isEnabled());
    Button(window, "cmdFinish").click();
  });
  component_.ExportData(connection_);
  ASSERT_EQ(prompts_.file_requests().size(), 1u);
  EXPECT_EQ(prompts_.file_requests()[0].filter, "TEXT (*.txt)|*.txt|CSV (*.csv)|*.csv");
  std::string header;
  std::getline(std::ifstream(target) >> std::ws, header);
  EXPECT_EQ(header, "\"LastName\",\"City\"\r");
  EXPECT_EQ(prompts_.pointers().front(), support::ScreenPointer::kHourglass);
  EXPECT_EQ(prompts_.pointers().back(), support::ScreenPointer::kDefault);
}

TEST_F(WizardTest, TheHostReceivesTheStatementEveryFilterControlShows) {
  WhenShown([&](QDialog& window) {
    Button(window, "cmdNext").click();
    ChooseCategory(window, 1);
    Button(window, "cmdNext").click();
    ChooseEntry(window, "Combo1(0)", "Customer");
    ChooseEntry(window, "Combo1(6)", "Web Site");
    SetText(window, "text1(0)", " 1");
    SetText(window, "text1(1)", "99 ");
    SetDate(window, "TDBDate(2)", {1990, 1, 31});
    SetDate(window, "TDBDate(0)", {2030, 12, 1});
    Button(window, "cmdNext").click();
    ChooseEntry(window, "Combo1(2)", "Claimed by customer");
    ChooseEntry(window, "Combo1(1)", "Toshiba");
    SetDate(window, "TDBDate(4)", {2001, 2, 3});
    SetDate(window, "TDBDate(5)", {2001, 2, 4});
    SetDate(window, "TDBDate(1)", {2002, 3, 4});
    SetDate(window, "TDBDate(3)", {2002, 3, 5});
    SetText(window, "text1(2)", "100");
    SetText(window, "text1(3)", "200");
    Control<QRadioButton>(window, "optInvoiceType(3)").click();
    Button(window, "cmdNext").click();
    DoubleClick(Control<QListWidget>(window, "lstAvailableFlds"), "LastName");
    DoubleClick(Control<QListWidget>(window, "lstAvailableFlds"), "JobNo");
    Button(window, "cmdNext").click();
    Button(window, "cmdFinish").click();
  });
  std::string sql;
  int16_t category = -1;
  component_.SQLSelected(connection_, sql, category);
  EXPECT_EQ(category, 1);
  EXPECT_EQ(sql,
            "SELECT * FROM JobsReports WHERE   ClientType=9 AND ReferalBy=7 AND ZipCode "
            "BETWEEN '1' AND '99' AND LastVisit BETWEEN #1/31/1990# AND #12/1/2030# AND "
            "StatusCode=12 AND MakeID=4 AND DateIn BETWEEN #2/3/2001# AND #2/4/2001# AND "
            "ClaimedOn BETWEEN #3/4/2002# AND #3/5/2002# AND JobNo BETWEEN '100' AND "
            "'200' AND InvoiceType=31 ORDER BY LastName, JobNo");
  EXPECT_NO_THROW(connection_.Execute(sql));
}

}  // namespace
}  // namespace vdimpexp::testing

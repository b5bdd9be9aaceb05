// The field page and the selection statement, driven through the real
// export wizard offscreen: double-clicks, ">>" and "<<", the count in the
// caption, and the statement the host receives for what the pages show.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "wizard/date_input.h"
#include "wizard_probe.h"

namespace vdimpexp::testing {
namespace {

void ChooseEntry(QComboBox& list, const char* text) {
  int index = list.findText(text);
  ASSERT_GE(index, 0) << text;
  list.setCurrentIndex(index);
}

class FieldPageTest : public WizardTest {
 protected:
  std::vector<std::string> contact_columns_ = [this] {
    std::vector<std::string> names;
    data::Recordset rows = connection_.Execute("SELECT * FROM Contacts");
    for (int i = 0; i < rows.Fields().Count(); ++i)
      names.push_back(rows.Fields(i).Name());
    return names;
  }();
};

TEST_F(FieldPageTest, ListsMoveColumnsAndTheCaptionCountsThem) {
  WhenShown([&](QDialog& window) {
    auto& available = Control<QListWidget>(window, "lstAvailableFlds");
    auto& selected = Control<QListWidget>(window, "lstSelectedFlds");
    auto& caption = Control<QLabel>(window, "lblSelectedFlds");
    auto count_shown = [&] { return caption.text().toStdString(); };
    PressNextToTheEnd(window);  // export mode, category 0: ends on the last page
    Button(window, "cmdPrevious").click();
    Button(window, "cmdPrevious").click();
    ASSERT_EQ(ShownPage(window), 4);
    EXPECT_EQ(Entries(available), contact_columns_);
    EXPECT_EQ(available.currentRow(), 0);
    EXPECT_TRUE(Entries(selected).empty());
    EXPECT_EQ(count_shown(), "&Selected Fields");

    for (const char* column : {"ZipCode", "FileAs", "City"})
      DoubleClick(available, column);
    EXPECT_EQ(Entries(selected), (std::vector<std::string>{"ZipCode", "FileAs", "City"}));
    EXPECT_EQ(count_shown(), "&Selected Fields(3)");
    DoubleClick(selected, "FileAs");
    EXPECT_EQ(count_shown(), "&Selected Fields(2)");
    EXPECT_EQ(Entries(available).back(), "FileAs") << "returns at the end";
    EXPECT_EQ(available.count(), static_cast<int>(contact_columns_.size()) - 2);

    // Coming back from the format page keeps the choice.
    Button(window, "cmdNext").click();
    Button(window, "cmdPrevious").click();
    EXPECT_EQ(Entries(selected), (std::vector<std::string>{"ZipCode", "City"}));

    // ">>" puts every offered column, in order, ahead of the chosen ones.
    std::vector<std::string> offered = Entries(available);
    Button(window, "cmdSelectAllFlds").click();
    std::vector<std::string> expected = offered;
    expected.insert(expected.end(), {"ZipCode", "City"});
    EXPECT_EQ(Entries(selected), expected);
    EXPECT_EQ(Entries(available), offered);
    EXPECT_EQ(count_shown(), "&Selected Fields(" + std::to_string(expected.size()) + ")");

    Button(window, "cmdRemove").click();
    EXPECT_EQ(count_shown(), "&Selected Fields(0)");
    EXPECT_TRUE(Entries(selected).empty());
    EXPECT_EQ(Entries(available), contact_columns_);

    // Arriving anew with Next starts over.
    DoubleClick(available, "City");
    Button(window, "cmdPrevious").click();
    Button(window, "cmdNext").click();
    EXPECT_TRUE(Entries(selected).empty());
    EXPECT_EQ(Entries(available), contact_columns_);
    Button(window, "cmdCancel").click();
  });
  component_.ExportData(connection_);
}

TEST_F(FieldPageTest, TheHostReceivesTheStatementThePagesShow) {
  WhenShown([&](QDialog& window) {
    Button(window, "cmdNext").click();
    // A make left on the service tips page must not reach a contacts statement.
    ChooseCategory(window, 4);
    Button(window, "cmdNext").click();
    ChooseEntry(Control<QComboBox>(window, "cboServTipsMake"), "Sony");
    Button(window, "cmdPrevious").click();

    ChooseCategory(window, 1);
    Button(window, "cmdNext").click();
    ChooseEntry(Control<QComboBox>(window, "Combo1(0)"), "Customer");
    Control<QLineEdit>(window, "text1(0)").setText(" 1");
    Control<QLineEdit>(window, "text1(1)").setText("9'9");
    Control<wizard::DateInput>(window, "TDBDate(2)").SetValue(data::Date{1990, 1, 31});
    Control<wizard::DateInput>(window, "TDBDate(0)").SetValue(data::Date{2030, 12, 1});
    Button(window, "cmdNext").click();
    ChooseEntry(Control<QComboBox>(window, "Combo1(2)"), "Claimed by customer");
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
            "SELECT * FROM JobsReports WHERE   ClientType=9 AND ZipCode BETWEEN '1' AND "
            "'9''9' AND LastVisit BETWEEN #1/31/1990# AND #12/1/2030# AND StatusCode=12 "
            "AND InvoiceType=31 ORDER BY LastName, JobNo");
  data::Recordset rows = connection_.Execute(sql);
  EXPECT_FALSE(rows.IsEOF()) << "the demo invoices hold such rows";
}

}  // namespace
}  // namespace vdimpexp::testing

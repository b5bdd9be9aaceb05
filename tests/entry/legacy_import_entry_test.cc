// The legacy import through the real wizard window, offscreen: the ticked
// tables are imported on Finish, the last page shows the progress, and the
// commit question decides whether anything stays.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/legacy/dbf_builder.h"
#include "wizard/folder_lists.h"
#include "wizard_probe.h"

namespace vdimpexp::testing {
namespace {

using support::MessageAnswer;

const std::string kFixtures = VD_XAV_FIXTURES;
constexpr int kTickWait = 3000;

bool NextBecomesEnabled(QDialog& window) {
  return QTest::qWaitFor([&] { return Button(window, "cmdNext").isEnabled(); },
                         kTickWait);
}

class LegacyImportTest : public WizardTest {
 protected:
  // From the welcome page to the last page with every listed table ticked;
  // the listed entries.
  std::vector<std::string> GoToFinishWithAllTicked(QDialog& window,
                                                   const std::string& main,
                                                   const std::string& history) {
    Button(window, "cmdNext").click();
    EXPECT_TRUE(NextBecomesEnabled(window));
    Button(window, "cmdNext").click();
    EXPECT_TRUE(Control<wizard::DirectoryList>(window, "Dir1")
                    .SetPath(QString::fromStdString(main)));
    EXPECT_TRUE(Control<wizard::DirectoryList>(window, "Dir2")
                    .SetPath(QString::fromStdString(history)));
    EXPECT_TRUE(NextBecomesEnabled(window));
    Button(window, "cmdNext").click();
    auto& tables = Control<QListWidget>(window, "lstchkGeneral");
    std::vector<std::string> listed;
    for (int row = 0; row < tables.count(); ++row) {
      listed.push_back(tables.item(row)->text().toStdString());
      tables.item(row)->setCheckState(Qt::Checked);
    }
    EXPECT_TRUE(NextBecomesEnabled(window));
    Button(window, "cmdNext").click();
    EXPECT_EQ(ShownPage(window), 9);
    return listed;
  }

  int64_t Count(const std::string& table) {
    data::Recordset rows = connection_.Execute("SELECT count(*) AS n FROM " + table);
    return rows.Fields("n").Value().AsInteger();
  }
};

TEST_F(LegacyImportTest, EveryTickedTableIsImportedAndNoToTheQuestionUndoesIt) {
  const std::string before = SqliteDump(database_path_);
  const int64_t contacts_before = Count("Contacts");
  std::string message_at_question;
  int64_t contacts_at_question = 0;
  bool bar_shown_at_question = true;
  prompts_.AnswerNext(MessageAnswer::kNo);
  std::vector<std::string> listed;
  WhenShown([&](QDialog& window) {
    prompts_.OnAsk([&](const support::MessageQuestion&) {
      message_at_question =
          Control<QPlainTextEdit>(window, "tMessage").toPlainText().toStdString();
      bar_shown_at_question = Control<QProgressBar>(window, "PBar").isVisible();
      contacts_at_question = Count("Contacts");
    });
    listed = GoToFinishWithAllTicked(window, kFixtures + "/main", kFixtures + "/history");
    Button(window, "cmdFinish").click();
  });
  component_.ImportData(connection_);

  EXPECT_EQ(listed,
            (std::vector<std::string>{"Customers (3 records)", "Inventory (4 records)",
                                      "Service Codes (1 records)",
                                      "Manufacturers (1 records)", "Dealers (1 records)",
                                      "Vendor (2 records)", "History W/O (3 records)"}));
  EXPECT_EQ(message_at_question,
            "Click FINISH to begin...\n"
            "Importing Customers (3 records)\n"
            "Completed.\n"
            "Importing Inventory (4 records)\n"
            "Completed. Duplicate records ignored.\n"
            "Importing Manufacturers (1 records)\n"
            "Completed.\n"
            "Importing Dealers (1 records)\n"
            "Completed.\n"
            "Importing Vendor (2 records)\n"
            "Completed.\n"
            "Importing History W/O (3 records)\n"
            "Completed. Some duplicate records were modified.");
  EXPECT_FALSE(bar_shown_at_question);
  EXPECT_EQ(contacts_at_question, contacts_before + 10) << "imported, not yet committed";
  ASSERT_EQ(prompts_.questions().size(), 1u);
  EXPECT_EQ(prompts_.questions()[0].text, "About to commit records. Continue ?");
  EXPECT_EQ(connection_.TransactionLevel(), 0);
  EXPECT_EQ(SqliteDump(database_path_), before) << "No leaves the host exactly as it was";
}

TEST_F(LegacyImportTest, TheBarMovesWhileALongTableIsReadAndYesKeepsTheRows) {
  // Long enough that the import takes several of the 100 ms between repaints.
  constexpr int kRecords = 40000;
  const std::string main = scratch_.File("xav");
  std::filesystem::create_directory(main);
  DbfBuilder log;
  log.Field("FNAME", 'C', 15).Field("LNAME", 'C', 20).Field("WKPHONE", 'C', 14);
  for (int i = 0; i < kRecords; ++i) {
    log.Record({"ANN", "CUSTOMER" + std::to_string(i), "518 555 0100"});
  }
  log.WriteTo(main + "/LOG.DBF");
  const int64_t contacts_before = Count("Contacts");
  const int64_t phones_before = Count("ContactPhones");

  // Timers fire only while the window gets to handle its events: each tick
  // during the import is a moment the window could repaint.
  std::vector<int> bar_at_ticks;
  prompts_.AnswerNext(MessageAnswer::kYes);
  WhenShown([&](QDialog& window) {
    GoToFinishWithAllTicked(window, main, main);
    auto& bar = Control<QProgressBar>(window, "PBar");
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
      if (bar.isVisible()) bar_at_ticks.push_back(bar.value());
    });
    sampler.start(0);
    Button(window, "cmdFinish").click();
    sampler.stop();
  });
  component_.ImportData(connection_);

  int moving = 0;
  for (int value : bar_at_ticks) moving += value > 0 && value < 100;
  EXPECT_GE(moving, 1) << "the window never got to show the bar on its way";
  EXPECT_TRUE(std::is_sorted(bar_at_ticks.begin(), bar_at_ticks.end()));
  EXPECT_EQ(Count("Contacts"), contacts_before + kRecords);
  EXPECT_EQ(Count("ContactPhones"), phones_before + kRecords);
}

}  // namespace
}  // namespace vdimpexp::testing

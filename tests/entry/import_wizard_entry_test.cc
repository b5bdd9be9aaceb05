// The import call driven through the real wizard window, offscreen: its
// sources, the entry checker's ticks, and Finish inside a host transaction.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "support/window_routines.h"
#include "wizard/folder_lists.h"
#include "wizard_probe.h"

namespace vdimpexp::testing {
namespace {

using support::MessageAnswer;

// The entry checker ticks twice a second; a few ticks are plenty.
constexpr int kTickWait = 3000;

// Waits for the entry checker to set `button` as wanted.
bool BecomesEnabled(QDialog& window, const char* button, bool enabled = true) {
  return QTest::qWaitFor([&] { return Button(window, button).isEnabled() == enabled; },
                         kTickWait);
}

// From the welcome page to the zip-code source's file page.
void GoToSourceFilePage(QDialog& window) {
  Button(window, "cmdNext").click();
  ChooseCategory(window, 1);
  ASSERT_TRUE(BecomesEnabled(window, "cmdNext"));
  Button(window, "cmdNext").click();
  ASSERT_EQ(ShownPage(window), 6);
}

class ImportWizardTest : public WizardTest {
 protected:
  int64_t ZipCodeRows() {
    data::Recordset rows = connection_.Execute("SELECT count(*) AS n FROM ZipCodes");
    return rows.Fields("n").Value().AsInteger();
  }
};

TEST_F(ImportWizardTest, LegacySourceWalksFoldersAndCheckListToACommitQuestion) {
  std::filesystem::create_directories(scratch_.File("xav"));
  std::string main_directory = scratch_.File("xav");
  int transaction_level_at_question = -1;
  bool checking_at_question = true;
  prompts_.OnAsk([&](const support::MessageQuestion&) {
    transaction_level_at_question = connection_.TransactionLevel();
    auto* timer =
        QApplication::activeModalWidget()->findChild<QTimer*>("tmrCheckEntries");
    checking_at_question = timer && timer->isActive();
  });
  prompts_.AnswerNext(MessageAnswer::kNo);
  WhenShown([&](QDialog& window) {
    EXPECT_EQ(window.windowTitle(), "Import Wizard");
    EXPECT_EQ(ShownPage(window), 0);
    auto* timer = window.findChild<QTimer*>("tmrCheckEntries");
    ASSERT_TRUE(timer && timer->isActive());
    EXPECT_EQ(timer->interval(), 500);
    Button(window, "cmdNext").click();
    EXPECT_EQ(ShownPage(window), 1);
    EXPECT_EQ(HeaderTitle(window), "Choose A Database Or Application");
    EXPECT_TRUE(Control<QRadioButton>(window, "optImportCategory(5)").isChecked());
    for (int disabled : {0, 2, 3, 4}) {
      EXPECT_FALSE(Control<QRadioButton>(
                       window, QString("optImportCategory(%1)").arg(disabled).toUtf8())
                       .isEnabled());
    }
    ASSERT_TRUE(BecomesEnabled(window, "cmdNext"));

    Button(window, "cmdNext").click();
    EXPECT_EQ(ShownPage(window), 2);
    EXPECT_EQ(HeaderTitle(window), "Database Directories");
    auto& directory = Control<wizard::DirectoryList>(window, "Dir1");
    ASSERT_TRUE(directory.SetPath(QString::fromStdString(main_directory)));
    QTest::qWait(700);
    EXPECT_FALSE(Button(window, "cmdNext").isEnabled()) << "no LOG.DBF in the folder yet";
    std::filesystem::copy_file(
        std::filesystem::path(VDIMPEXP_LEGACY_DEMO_DIR) / "main/LOG.DBF",
        main_directory + "/LOG.DBF");
    ASSERT_TRUE(BecomesEnabled(window, "cmdNext"));

    Button(window, "cmdNext").click();
    EXPECT_EQ(ShownPage(window), 3);
    EXPECT_EQ(HeaderTitle(window), "Available XAV Databases");
    auto& tables = Control<QListWidget>(window, "lstchkGeneral");
    ASSERT_EQ(tables.count(), 1);
    QListWidgetItem* entry = tables.item(0);
    EXPECT_EQ(entry->text(), "Customers (40 records)");
    EXPECT_EQ(entry->data(support::kItemDataRole).toInt(), 1);
    QTest::qWait(700);
    EXPECT_FALSE(Button(window, "cmdNext").isEnabled()) << "nothing ticked";
    entry->setCheckState(Qt::Checked);
    ASSERT_TRUE(BecomesEnabled(window, "cmdNext"));
    entry->setCheckState(Qt::Unchecked);
    ASSERT_TRUE(BecomesEnabled(window, "cmdNext", false));

    // Back and forward again: the list is read afresh, unticked.
    entry->setCheckState(Qt::Checked);
    Button(window, "cmdPrevious").click();
    ASSERT_TRUE(BecomesEnabled(window, "cmdNext"));
    Button(window, "cmdNext").click();
    ASSERT_EQ(tables.count(), 1);
    EXPECT_EQ(tables.item(0)->checkState(), Qt::Unchecked);
    tables.item(0)->setCheckState(Qt::Checked);
    ASSERT_TRUE(BecomesEnabled(window, "cmdNext"));

    Button(window, "cmdNext").click();
    EXPECT_EQ(ShownPage(window), 9);
    EXPECT_EQ(ButtonStates(window), (Buttons{true, false, true}));
    EXPECT_EQ(Control<QPlainTextEdit>(window, "tMessage").toPlainText(),
              "Click FINISH to begin...");
    Button(window, "cmdFinish").click();
  });
  component_.ImportData(connection_);

  ASSERT_EQ(prompts_.questions().size(), 1u);
  EXPECT_EQ(prompts_.questions()[0],
            (support::MessageQuestion{.text = "About to commit records. Continue ?",
                                      .title = "Confirm",
                                      .buttons = support::MessageButtons::kYesNo,
                                      .icon = support::MessageIcon::kQuestion,
                                      .default_answer = MessageAnswer::kYes}));
  EXPECT_EQ(transaction_level_at_question, 1) << "Finish asks inside its transaction";
  EXPECT_FALSE(checking_at_question) << "Finish stops the entry checker first";
  EXPECT_EQ(connection_.TransactionLevel(), 0) << "the answer ended it";
}

TEST_F(ImportWizardTest, ZipCodeSourceFinishesOnTheFilePageOnceTheFileExists) {
  std::string source = scratch_.File("zips.mdb");
  schema::CreateZipCodeSourceDatabase(source, 40, 5);
  int64_t rows_before = ZipCodeRows();
  prompts_.ChooseNext("");                   // the open-file dialog cancelled
  prompts_.AnswerNext(MessageAnswer::kYes);  // keep the existing codes
  prompts_.AnswerNext(MessageAnswer::kYes);  // commit
  WhenShown([&](QDialog& window) {
    ASSERT_NO_FATAL_FAILURE(GoToSourceFilePage(window));
    EXPECT_EQ(HeaderTitle(window), "Choose a Data Source");
    auto& file = Control<QLineEdit>(window, "txtFrom");
    EXPECT_TRUE(file.hasFocus());

    QTest::keyClicks(&file, QString::fromStdString(source));
    ASSERT_TRUE(BecomesEnabled(window, "cmdFinish"));
    EXPECT_FALSE(Button(window, "cmdNext").isEnabled());

    Button(window, "cmdFrom").click();  // cancelled: the name is cleared
    EXPECT_EQ(file.text(), "");
    ASSERT_TRUE(BecomesEnabled(window, "cmdFinish", false));

    file.setText(QString::fromStdString(source));
    ASSERT_TRUE(BecomesEnabled(window, "cmdFinish"));
    Button(window, "cmdFinish").click();
  });
  component_.ImportData(connection_);

  ASSERT_EQ(prompts_.file_requests().size(), 1u);
  EXPECT_EQ(prompts_.file_requests()[0].title, "Text File to import");
  EXPECT_EQ(prompts_.file_requests()[0].filter, "MS ACCESS (*.mdb)|*.mdb");
  ASSERT_EQ(prompts_.questions().size(), 2u);
  EXPECT_EQ(prompts_.questions()[0].text, "Would you like to keep existing zip codes ?");
  EXPECT_EQ(prompts_.questions()[1].text, "About to commit records. Continue ?");
  EXPECT_EQ(connection_.TransactionLevel(), 0);
  EXPECT_EQ(ZipCodeRows(), rows_before + 40)
      << "the demo source shares no code with the host";
}

TEST_F(ImportWizardTest, AnImportThatFailsIsRolledBackAndReported) {
  std::string source = scratch_.File("zips.mdb");
  std::ofstream(source) << "PostCode,CityTown\n2000,Sydney\n";
  int64_t rows_before = ZipCodeRows();
  std::string finished_text;
  WhenShown([&](QDialog& window) {
    prompts_.OnAsk([&](const support::MessageQuestion&) {
      finished_text =
          Control<QPlainTextEdit>(window, "tMessage").toPlainText().toStdString();
    });
    ASSERT_NO_FATAL_FAILURE(GoToSourceFilePage(window));
    Control<QLineEdit>(window, "txtFrom").setText(QString::fromStdString(source));
    ASSERT_TRUE(BecomesEnabled(window, "cmdFinish"));
    Button(window, "cmdFinish").click();
  });
  component_.ImportData(connection_);
  ASSERT_EQ(prompts_.questions().size(), 1u) << "no commit question after a failure";
  const support::MessageQuestion& report = prompts_.questions()[0];
  EXPECT_EQ(report.icon, support::MessageIcon::kCritical);
  EXPECT_EQ(report.buttons, support::MessageButtons::kOk);
  EXPECT_NE(report.text.find("is not a database file"), std::string::npos) << report.text;
  EXPECT_NE(finished_text.find(report.text), std::string::npos) << finished_text;
  EXPECT_EQ(connection_.TransactionLevel(), 0);
  EXPECT_EQ(ZipCodeRows(), rows_before);
}

TEST_F(ImportWizardTest, ACommitTheDatabaseRefusesIsRolledBackAndReported) {
  std::string source = scratch_.File("zips.mdb");
  schema::CreateZipCodeSourceDatabase(source, 10, 5);
  int64_t rows_before = ZipCodeRows();
  // Every imported code also files a row whose deferred reference is
  // checked only at the commit, which the database then refuses.
  scratch_.Database("shop.db",
                    "CREATE TABLE Audited (code TEXT PRIMARY KEY);"
                    "CREATE TABLE Audit (code TEXT REFERENCES Audited (code) "
                    "DEFERRABLE INITIALLY DEFERRED);"
                    "CREATE TRIGGER AuditZip AFTER INSERT ON ZipCodes "
                    "BEGIN INSERT INTO Audit VALUES (NEW.ZipCode); END;");
  connection_.Execute("PRAGMA foreign_keys = ON");
  prompts_.AnswerNext(MessageAnswer::kYes);  // keep the existing codes
  prompts_.AnswerNext(MessageAnswer::kYes);  // commit
  WhenShown([&](QDialog& window) {
    ASSERT_NO_FATAL_FAILURE(GoToSourceFilePage(window));
    Control<QLineEdit>(window, "txtFrom").setText(QString::fromStdString(source));
    ASSERT_TRUE(BecomesEnabled(window, "cmdFinish"));
    Button(window, "cmdFinish").click();
  });
  component_.ImportData(connection_);

  ASSERT_EQ(prompts_.questions().size(), 3u) << prompts_.questions().back().text;
  EXPECT_EQ(prompts_.questions()[1].text, "About to commit records. Continue ?");
  const support::MessageQuestion& report = prompts_.questions()[2];
  EXPECT_EQ(report.icon, support::MessageIcon::kCritical);
  EXPECT_NE(report.text.find("FOREIGN KEY"), std::string::npos) << report.text;
  // The host is not left inside the import's transaction.
  EXPECT_EQ(connection_.TransactionLevel(), 0);
  EXPECT_EQ(ZipCodeRows(), rows_before);
  EXPECT_EQ(QueryText(database_path_, "SELECT COUNT(*) FROM Audit"), "0");
}

TEST_F(ImportWizardTest, CloseAnsweredNoKeepsTheWizard) {
  WhenShown([&](QDialog& window) {
    Button(window, "cmdNext").click();
    prompts_.AnswerNext(MessageAnswer::kNo);
    window.close();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(ShownPage(window), 1);
    prompts_.AnswerNext(MessageAnswer::kYes);
    window.close();
    EXPECT_FALSE(window.isVisible());
  });
  component_.ImportData(connection_);
  EXPECT_EQ(prompts_.questions().size(), 2u);
  EXPECT_EQ(connection_.TransactionLevel(), 0);
}

}  // namespace
}  // namespace vdimpexp::testing

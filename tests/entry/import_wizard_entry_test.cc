// The import call driven through the real wizard window, offscreen: Finish
// imports inside a host transaction that the commit question, a failed
// import or a refused commit ends.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <fstream>

#include "wizard_probe.h"

namespace vdimpexp::testing {
namespace {

using ::testing::StartsWith;

class ImportWizardTest : public WizardTest {
 protected:
  // Walks to the last page of the legacy source with every listed table of
  // the third-party fixture ticked, and presses Finish.
  void ImportAllLegacyTables(QWidget& window) {
    Button(window, "cmdNext").click();
    ASSERT_TRUE(BecomesEnabled(window, "cmdNext"));
    Button(window, "cmdNext").click();
    SetFolder(window, "Dir1", VD_XAV_FIXTURES "/main");
    SetFolder(window, "Dir2", VD_XAV_FIXTURES "/history");
    ASSERT_TRUE(BecomesEnabled(window, "cmdNext"));
    Button(window, "cmdNext").click();
    auto& tables = Control<QListWidget>(window, "lstchkGeneral");
    for (int row = 0; row < tables.count(); ++row)
      tables.item(row)->setCheckState(Qt::Checked);
    ASSERT_TRUE(BecomesEnabled(window, "cmdNext"));
    Button(window, "cmdNext").click();
    Button(window, "cmdFinish").click();
  }

  // From the welcome page to the zip-code source's file page.
  static void GoToSourceFilePage(QWidget& window) {
    Button(window, "cmdNext").click();
    ChooseCategory(window, 1);
    ASSERT_TRUE(BecomesEnabled(window, "cmdNext"));
    Button(window, "cmdNext").click();
    ASSERT_EQ(ShownPage(window), 6);
  }

  // Imports the zip codes of `source` as a user would, who first cancels
  // the open-file dialog; keeps what the last page said at the last question.
  void ImportZipCodesFrom(const std::string& source) {
    prompts_.ChooseNext("");
    WhenShown([&](QDialog& window) {
      prompts_.OnAsk([&](const support::MessageQuestion&) {
        finished_text_ =
            Control<QPlainTextEdit>(window, "tMessage").toPlainText().toStdString();
      });
      ASSERT_NO_FATAL_FAILURE(GoToSourceFilePage(window));
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
  }

  // The last question reported the failure, as the last page did, and the
  // host holds its `zip_codes` again, outside any transaction.
  void ExpectReportedAndRolledBack(const char* reported, int64_t zip_codes) {
    ASSERT_FALSE(prompts_.questions().empty());
    const support::MessageQuestion& report = prompts_.questions().back();
    EXPECT_EQ(report.icon, support::MessageIcon::kCritical);
    EXPECT_EQ(report.buttons, support::MessageButtons::kOk);
    EXPECT_THAT(report.text, HasSubstr(reported));
    EXPECT_THAT(finished_text_, HasSubstr(report.text));
    EXPECT_EQ(connection_.TransactionLevel(), 0);
    EXPECT_EQ(Count("ZipCodes"), zip_codes);
  }

  std::string finished_text_;
};

TEST_F(ImportWizardTest, TheTickedTablesAreImportedAndTheCommitQuestionDecides) {
  const std::string before = SqliteDump(database_path_);
  const int64_t contacts_before = Count("Contacts");
  for (MessageAnswer answer : {MessageAnswer::kNo, MessageAnswer::kYes}) {
    SCOPED_TRACE(answer == MessageAnswer::kYes ? "Yes" : "No");
    const size_t asked_before = prompts_.questions().size();
    std::string message;
    int64_t contacts = 0;
    int level = -1;
    bool bar_shown = true, checking = true;
    prompts_.AnswerNext(answer);
    WhenShown([&](QDialog& window) {
      prompts_.OnAsk([&](const support::MessageQuestion&) {
        message = Control<QPlainTextEdit>(window, "tMessage").toPlainText().toStdString();
        bar_shown = Control(window, "PBar").isVisible();
        checking = Control<QTimer>(window, "tmrCheckEntries").isActive();
        contacts = Count("Contacts");
        level = connection_.TransactionLevel();
      });
      ImportAllLegacyTables(window);
    });
    component_.ImportData(connection_);

    EXPECT_THAT(message, StartsWith("Click FINISH to begin...\nImporting Customers (3 "
                                    "records)\nCompleted.\n"));
    EXPECT_FALSE(bar_shown);
    EXPECT_FALSE(checking) << "Finish stops the entry checker first";
    EXPECT_EQ(level, 1) << "Finish asks inside its transaction";
    EXPECT_EQ(contacts, contacts_before + 10) << "imported, not yet committed";
    ASSERT_EQ(prompts_.questions().size(), asked_before + 1);
    EXPECT_EQ(prompts_.questions().back(),
              (support::MessageQuestion{.text = "About to commit records. Continue ?",
                                        .title = "Confirm",
                                        .buttons = support::MessageButtons::kYesNo,
                                        .icon = support::MessageIcon::kQuestion,
                                        .default_answer = MessageAnswer::kYes}));
    EXPECT_EQ(connection_.TransactionLevel(), 0);
    if (answer == MessageAnswer::kNo) {
      EXPECT_EQ(SqliteDump(database_path_), before)
          << "No leaves the host exactly as it was";
    }
  }
  // Yes keeps the rows: read by SQLite itself.
  EXPECT_EQ(QueryText(database_path_, "SELECT count(*) FROM Contacts"),
            std::to_string(contacts_before + 10));
}

TEST_F(ImportWizardTest, ZipCodeSourceFinishesOnTheFilePageOnceTheFileExists) {
  const std::string source = scratch_.File("zips.mdb");
  schema::CreateZipCodeSourceDatabase(source, 40, 5);
  const int64_t rows_before = Count("ZipCodes");
  prompts_.AnswerNext(MessageAnswer::kYes);  // keep the existing codes
  prompts_.AnswerNext(MessageAnswer::kYes);  // commit
  ImportZipCodesFrom(source);
  ASSERT_EQ(prompts_.questions().size(), 2u);
  EXPECT_EQ(prompts_.questions()[1].text, "About to commit records. Continue ?");
  EXPECT_EQ(connection_.TransactionLevel(), 0);
  EXPECT_EQ(Count("ZipCodes"), rows_before + 40)
      << "the source shares no code with the host";
}

TEST_F(ImportWizardTest, AnImportThatFailsIsRolledBackAndReported) {
  const std::string source = scratch_.File("zips.mdb");
  std::ofstream(source) << "PostCode,CityTown\n2000,Sydney\n";
  const int64_t rows_before = Count("ZipCodes");
  ImportZipCodesFrom(source);
  EXPECT_EQ(prompts_.questions().size(), 1u) << "no commit question after a failure";
  ExpectReportedAndRolledBack("is not a database file", rows_before);
}

TEST_F(ImportWizardTest, ACommitTheDatabaseRefusesIsRolledBackAndReported) {
  const std::string source = scratch_.File("zips.mdb");
  schema::CreateZipCodeSourceDatabase(source, 10, 5);
  const int64_t rows_before = Count("ZipCodes");
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
  ImportZipCodesFrom(source);
  ASSERT_EQ(prompts_.questions().size(), 3u);
  EXPECT_EQ(prompts_.questions()[1].text, "About to commit records. Continue ?");
  ExpectReportedAndRolledBack("FOREIGN KEY", rows_before);
  EXPECT_EQ(QueryText(database_path_, "SELECT COUNT(*) FROM Audit"), "0");
}

}  // namespace
}  // namespace vdimpexp::testing

// The import wizard's real window, offscreen: each page as catalogued; Finish imports in
// a host transaction that the commit question, a failed import or a refused commit ends.
#include <fstream>

#include "dbf_builder.h"
#include "wizard_probe.h"

namespace vdimpexp::testing {
namespace {

using ::testing::StartsWith;

// clang-format off
const Catalogue kImportPages = {
    {0, {{}, {{"Image2", kImage}, {"lblWelcome", kTitle, "'Verdacor!® Import Wizard"},
         {"Label5(0)", kLabel,
          "This wizard makes it easy to import data into 'Verdacor!®. This wizard "
          "guides you through the steps to import data from text files and other "
          "applications"}}}},
    {1, {{"Choose A Database Or Application", "Where would you like to copy data from?"},
         {{"optImportCategory(0)", kOff, "&Business contacts and customers"},
         {"optImportCategory(2)", kOff, "&Inventory"},
         {"optImportCategory(3)", kOff, "&Service Documents (Manuals)"},
         {"optImportCategory(4)", kOff, "Service &Tips"},
         {"optImportCategory(1)", kOption, "&Zip Codes"},
         {"optImportCategory(5)", kChosen, "XAV DOS/Windows (Software Application)"}}}},
    {2, {{"Database Directories", "Please select the location of your XAV database, and "
                                  "History Directories. Double-click to select folder."},
         {{"Label1(21)", kTitle, "Database Locations"}, {"Line1(10)", kLine},
         {"Line1(11)", kLine}, {"Label2(0)", kLabel, "&Main Database Directory", 1},
         {"Drive1", kDrive, "", 1}, {"Dir1", kDirectory, "", 1},
         {"Label2(1)", kLabel, "&History Directory", 2}, {"Drive2", kDrive, "", 2},
         {"Dir2", kDirectory, "", 2}}}},
    {3, {{"Available XAV Databases", "Please select the XAV database(s) you wish to import."},
         {{"lstchkGeneral", kListBox},
          {"lblCodePage", kLabel, "Character &set of tables without one:"},
          {"cboCodePage", kList, "Automatic"}}}},
    {6, {{"Choose a Data Source",
          "Locate the ASCII Text file you wish to import data from into 'Verdacor!®."},
         {{"Label4(0)", kLabel, "Import &From:"}, {"txtFrom", kText},
         {"cmdFrom", kButton, "..."}}}},
    {9, {{"Finished!", "About to start with your request..."},
         {{"tMessage", kMemo, "Click FINISH to begin..."}, {"PBar", kProgress}, {"lblPercent", kTitle}}}},
};

const support::MessageQuestion kCommitQuestion{"About to commit records. Continue ?",
                                               "Confirm", MessageButtons::kYesNo,
                                               MessageIcon::kQuestion, MessageAnswer::kYes};
// With records left out, the same question offers to save their list.
const support::MessageQuestion kCommitOrSaveQuestion{
    kCommitQuestion.text, kCommitQuestion.title, MessageButtons::kYesNoSaveList,
    kCommitQuestion.icon, kCommitQuestion.default_answer};
// clang-format on

class ImportWizardTest : public WizardTest {
 protected:
  // Through the host's connection: it sees what its open transaction holds.
  int64_t Count(const std::string& table) {
    data::Recordset rows = connection_.Execute("SELECT count(*) FROM " + table);
    return rows.Fields(0).Value().AsInteger();
  }

  // Checks the window as it opens; from then on each question keeps what the
  // window and the host showed while it was asked.
  void Opened(QDialog& window) {
    ExpectOpened(window, "Import Wizard", kImportPages);
    asked_ = {};
    prompts_.OnAsk([&](const support::MessageQuestion&) {
      asked_ = {Control<QPlainTextEdit>(window, "tMessage").toPlainText().toStdString(),
                Control(window, "PBar").isVisible(),
                Control<QTimer>(window, "tmrCheckEntries").isActive(), Count("Contacts"),
                connection_.TransactionLevel()};
    });
  }

  // Next once the entry checker allows it, onto `page` as catalogued.
  void NextTo(QDialog& window, int page) {
    ASSERT_TRUE(BecomesEnabled(window, "cmdNext"));
    Button(window, "cmdNext").click();
    EXPECT_EQ(ButtonStates(window), page == 9 ? "P-F" : "P--");
    ExpectShown(window, kImportPages, page, kImportPages.at(page).header);
  }

  // Imports the zip codes of `source` as a user would, who first cancels
  // the open-file dialog.
  void ImportZipCodesFrom(const std::string& source) {
    prompts_.ChooseNext("");
    WhenShown([&](QDialog& window) {
      Opened(window);
      NextTo(window, 1);
      ChooseCategory(window, 1);
      NextTo(window, 6);
      auto& file = Control<QLineEdit>(window, "txtFrom");
      EXPECT_TRUE(file.hasFocus());
      QTest::keyClicks(&file, QString::fromStdString(source));
      ASSERT_TRUE(BecomesEnabled(window, "cmdFinish"));
      EXPECT_FALSE(Button(window, "cmdNext").isEnabled());
      Press(window, {"cmdFrom"});  // cancelled: the name is cleared
      EXPECT_EQ(file.text(), "");
      ASSERT_TRUE(BecomesEnabled(window, "cmdFinish", false));
      file.setText(QString::fromStdString(source));
      ASSERT_TRUE(BecomesEnabled(window, "cmdFinish"));
      Press(window, {"cmdFinish"});
    });
    component_.ImportData(connection_);
  }

  // The last question reported the failure, as the last page did, and the
  // host holds its `zip_codes` again, outside any transaction.
  void ExpectReportedAndRolledBack(const char* reported, int64_t zip_codes) {
    const support::MessageQuestion& report = prompts_.questions().back();
    EXPECT_EQ(report.icon, MessageIcon::kCritical);
    EXPECT_EQ(report.buttons, MessageButtons::kOk);
    EXPECT_THAT(report.text, HasSubstr(reported));
    EXPECT_THAT(asked_.message, HasSubstr(report.text));
    EXPECT_EQ(connection_.TransactionLevel(), 0);
    EXPECT_EQ(Count("ZipCodes"), zip_codes);
  }

  struct {
    std::string message;
    bool bar_shown, checking;
    int64_t contacts;
    int level;
  } asked_;
};

TEST_F(ImportWizardTest, TheTickedTablesAreImportedAndTheCommitQuestionDecides) {
  const std::string before = SqliteDump(database_path_);
  const int64_t contacts_before = Count("Contacts");
  const std::string list = scratch_.File("left out.csv");
  for (MessageAnswer answer : {MessageAnswer::kNo, MessageAnswer::kYes}) {
    SCOPED_TRACE(answer == MessageAnswer::kYes ? "Yes" : "No");
    // Before No, the list of the records left out is saved.
    if (answer == MessageAnswer::kNo) {
      prompts_.AnswerNext(MessageAnswer::kSaveList);
      prompts_.ChooseNext(list);
    }
    prompts_.AnswerNext(answer);
    WhenShown([&](QDialog& window) {
      Opened(window);
      NextTo(window, 1);
      NextTo(window, 2);
      SetFolder(window, "Dir1", scratch_.File(""));
      EXPECT_FALSE(BecomesEnabled(window, "cmdNext", true, 700))
          << "a folder without tables";
      SetFolder(window, "Dir1", VD_XAV_FIXTURES "/main");
      SetFolder(window, "Dir2", VD_XAV_FIXTURES "/history");
      NextTo(window, 3);
      auto& tables = Control<QListWidget>(window, "lstchkGeneral");
      // The first table is highlighted and previewed; its own code page
      // stands whatever is chosen for tables without one.
      auto& preview = Control<QPlainTextEdit>(window, "txtCodePagePreview");
      Control<QComboBox>(window, "cboCodePage").setCurrentIndex(3);
      EXPECT_EQ(preview.toPlainText().toStdString(),
                "LOG.DBF declares DOS 850 (Western Europe) in its header, and is read so "
                "whatever the choice.\n    ÉLODIE\n    7 RUE CÔTÉ\n    MONTRÉAL");
      Control<QComboBox>(window, "cboCodePage").setCurrentIndex(0);
      for (int row = 0; row < tables.count(); ++row)
        tables.item(row)->setCheckState(Qt::Checked);
      NextTo(window, 9);
      Press(window, {"cmdFinish"});
    });
    component_.ImportData(connection_);

    EXPECT_THAT(asked_.message,
                StartsWith("Click FINISH to begin...\nImporting Customers "
                           "(3 records)\nCompleted.\n"));
    EXPECT_FALSE(asked_.bar_shown);
    EXPECT_FALSE(asked_.checking) << "Finish stops the entry checker first";
    EXPECT_EQ(asked_.level, 1) << "Finish asks inside its transaction";
    EXPECT_EQ(asked_.contacts, contacts_before + 10) << "imported, not yet committed";
    EXPECT_EQ(connection_.TransactionLevel(), 0);
    if (answer == MessageAnswer::kNo) {
      EXPECT_EQ(SqliteDump(database_path_), before)
          << "No leaves the host exactly as it was";
    }
  }
  EXPECT_THAT(
      prompts_.questions(),
      ElementsAre(kCommitOrSaveQuestion, kCommitOrSaveQuestion, kCommitOrSaveQuestion));
  EXPECT_EQ(testing::FileContents(list),
            "Table,Record,Key,Reason\r\n"
            "STOCK.DBF,3,BK-100,a duplicate of an item already in the host\r\n");
  // Yes keeps the rows: read by SQLite itself.
  EXPECT_EQ(QueryText(database_path_, "SELECT count(*) FROM Contacts"),
            std::to_string(contacts_before + 10));
}

TEST_F(ImportWizardTest, CancelDuringTheImportAsksAndYesStopsItLeavingTheHostAsItWas) {
  const std::string big = scratch_.File("big/");
  std::filesystem::create_directory(big);
  DbfBuilder log, stock;
  log.Field("FNAME", 'C', 15).Field("LNAME", 'C', 20);
  for (int i = 0; i < 20000; ++i) log.Record({"ANN", "CUSTOMER" + std::to_string(i)});
  log.WriteTo(big + "LOG.DBF");
  stock.Field("PARTNO", 'C', 20);
  for (int i = 0; i < 60000; ++i) stock.Record({"PART" + std::to_string(i)});
  stock.WriteTo(big + "STOCK.DBF");
  const std::string before = SqliteDump(database_path_);
  prompts_.AnswerNext(MessageAnswer::kNo);   // go on
  prompts_.AnswerNext(MessageAnswer::kYes);  // stop
  int bar_at_no = -1, bar_at_yes = -1;
  WhenShown([&](QDialog& window) {
    Opened(window);
    NextTo(window, 1);
    NextTo(window, 2);
    SetFolder(window, "Dir1", big);
    SetFolder(window, "Dir2", big);
    NextTo(window, 3);
    auto& tables = Control<QListWidget>(window, "lstchkGeneral");
    for (int row = 0; row < tables.count(); ++row)
      tables.item(row)->setCheckState(Qt::Checked);
    NextTo(window, 9);
    // Cancel twice while the records are read: No at 10% of the customers,
    // Yes as the stock begins, when the customers' own transaction has been
    // committed inside the import's. Pressed as the bar and the lines
    // change, since the import lets events run only every 100 ms.
    auto& bar = Control<QProgressBar>(window, "PBar");
    auto& lines = Control<QPlainTextEdit>(window, "tMessage");
    auto cancel_when_due = [&] {
      if (bar_at_yes >= 0) return;
      const bool in_stock = lines.toPlainText().contains("Importing Inventory");
      if (bar_at_no < 0 ? bar.value() < 10 : !in_stock) return;
      (bar_at_no < 0 ? bar_at_no : bar_at_yes) = bar.value();
      Press(window, {"cmdCancel"});
    };
    QObject::connect(&bar, &QProgressBar::valueChanged, &window, cancel_when_due);
    QObject::connect(&lines, &QPlainTextEdit::textChanged, &window, cancel_when_due);
    Press(window, {"cmdFinish"});
  });
  component_.ImportData(connection_);
  EXPECT_GE(bar_at_yes, 0) << "No let the import go on to the stock";
  ASSERT_EQ(prompts_.questions().size(), 3u);
  EXPECT_EQ(prompts_.questions()[1].title, "Quit?");
  EXPECT_EQ(prompts_.questions()[2].text,
            "The import was cancelled, and nothing was imported.");
  EXPECT_EQ(connection_.TransactionLevel(), 0);
  EXPECT_EQ(SqliteDump(database_path_), before);
}

TEST_F(ImportWizardTest, ZipCodesAreCommittedOnceTheFileExistsOrRolledBackAndReported) {
  const std::string zips = scratch_.File("zips.mdb"), text = scratch_.File("text.mdb");
  schema::CreateZipCodeSourceDatabase(zips, 40, 5);
  std::ofstream(text) << "PostCode,CityTown\n2000,Sydney\n";
  const int64_t codes = Count("ZipCodes") + 40;
  // Cancel imports nothing and asks nothing.
  WhenShown([](QDialog& window) { Press(window, {"cmdCancel"}); });
  component_.ImportData(connection_);

  prompts_.AnswerNext(MessageAnswer::kYes);  // keep the existing codes
  prompts_.AnswerNext(MessageAnswer::kYes);  // commit
  ImportZipCodesFrom(zips);
  ASSERT_EQ(prompts_.questions().size(), 2u);
  EXPECT_EQ(prompts_.questions()[1], kCommitQuestion);
  EXPECT_EQ(connection_.TransactionLevel(), 0);
  EXPECT_EQ(Count("ZipCodes"), codes) << "the source shares no code with the host";

  ImportZipCodesFrom(text);
  EXPECT_EQ(prompts_.questions().size(), 3u) << "no commit question after a failure";
  ExpectReportedAndRolledBack("is not a database file", codes);

  // Every code imported anew files a row whose deferred reference is checked
  // only at the commit, which the database then refuses.
  scratch_.Database("shop.db",
                    "CREATE TABLE Audited (code TEXT PRIMARY KEY);"
                    "CREATE TABLE Audit (code TEXT REFERENCES Audited (code) "
                    "DEFERRABLE INITIALLY DEFERRED);"
                    "CREATE TRIGGER AuditZip AFTER INSERT ON ZipCodes "
                    "BEGIN INSERT INTO Audit VALUES (NEW.ZipCode); END;");
  connection_.Execute("PRAGMA foreign_keys = ON");
  prompts_.AnswerNext(MessageAnswer::kNo);  // replace the existing codes
  prompts_.AnswerNext(MessageAnswer::kYes);
  ImportZipCodesFrom(zips);
  ASSERT_EQ(prompts_.questions().size(), 6u);
  EXPECT_EQ(prompts_.questions()[4], kCommitQuestion);
  ExpectReportedAndRolledBack("FOREIGN KEY", codes);
  EXPECT_EQ(QueryText(database_path_, "SELECT COUNT(*) FROM Audit"), "0");
  ASSERT_EQ(prompts_.file_requests().size(), 3u);
  EXPECT_EQ(prompts_.file_requests()[0].title, "Text File to import");
  EXPECT_EQ(prompts_.file_requests()[0].filter, "MS ACCESS (*.mdb)|*.mdb");
}

}  // namespace
}  // namespace vdimpexp::testing

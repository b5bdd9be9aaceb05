// The export run against the reference shop database, answered by scripted
// prompts: what the user is asked, what is written, and what is reported.
#include "export/export_selection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "data/connection.h"
#include "export/export_formats.h"
#include "independent_reader.h"
#include "schema/reference_database.h"
#include "scratch_database.h"
#include "scripted_prompts.h"

namespace vdimpexp::exporting {
namespace {

using support::MessageAnswer;
using support::MessageButtons;
using support::MessageQuestion;
using testing::QueryText;
using testing::ScratchDirectory;
using testing::ScriptedPrompts;

size_t FormatIndex(std::string_view entry) {
  for (size_t i = 0; i < kExportFormats.size(); ++i) {
    if (kExportFormats[i].entry == entry) return i;
  }
  throw std::logic_error("no format " + std::string(entry));
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

class ExportSelectionTest : public ::testing::Test {
 protected:
  ExportSelectionTest() {
    schema::CreateReferenceDatabase(dir_.File("shop.db"), {.contacts = 60, .seed = 5});
    host_.Open(dir_.File("shop.db"));
  }

  // Customers with zip codes 90000 to 91999, the given columns.
  static SelectionRequest Customers(std::vector<std::string> fields) {
    return {.category = 0,
            .filters = {.zip_codes = {"90000", "91999"}},
            .export_mode = true,
            .selected_fields = std::move(fields)};
  }

  ExportResult Run(std::string_view format, SelectionRequest selection) {
    return ExportSelection(
        {.format_index = FormatIndex(format), .selection = selection}, host_,
        [this](bool accepting) { input_states_.push_back(accepting); });
  }

  // How many customers Customers() selects, counted by SQLite itself.
  std::string CustomerCount() const {
    return QueryText(dir_.File("shop.db"),
                     "SELECT COUNT(*) FROM Contacts WHERE ZipCode BETWEEN '90000' AND "
                     "'91999'");
  }

  // The failure message the user saw, or "" when none was shown.
  std::string FailureShown() const {
    for (const MessageQuestion& question : prompts_.questions()) {
      if (question.text.starts_with("Export failed")) return question.text;
    }
    return "";
  }

  ScratchDirectory dir_;
  data::Connection host_;
  ScriptedPrompts prompts_;
  std::vector<bool> input_states_;
};

TEST_F(ExportSelectionTest, TextExportOfTheWorkedExample) {
  const std::string target = dir_.File("cust.csv");
  prompts_.ChooseNext(target);
  ExportResult result =
      Run("Text (Comma Delimited)", Customers({"FirstName", "LastName", "ZipCode"}));

  const std::string folder = std::filesystem::path(target).parent_path().string();
  EXPECT_EQ(result.result_sql,
            "SELECT [FirstName],[LastName],[ZipCode] INTO [TEXT;Database=" + folder +
                "].[cust.csv] FROM  Contacts WHERE   ZipCode BETWEEN "
                "'90000' AND '91999'");
  EXPECT_EQ(result.finished_message, "Export of data to: " + target + " is complete.");
  ASSERT_EQ(prompts_.file_requests().size(), 1u);
  EXPECT_EQ(prompts_.file_requests()[0].filter, "TEXT (*.txt)|*.txt|CSV (*.csv)|*.csv");
  EXPECT_EQ(prompts_.file_requests()[0].purpose, support::FileRequest::Purpose::kSave);
  EXPECT_TRUE(prompts_.questions().empty()) << prompts_.questions()[0].text;
  EXPECT_EQ(input_states_, (std::vector<bool>{false, true}));
  EXPECT_GE(prompts_.pending_event_runs(), 1);
  // The arrow for the dialog, the hourglass while writing, the arrow after.
  EXPECT_EQ(prompts_.pointers(),
            (std::vector<support::ScreenPointer>{support::ScreenPointer::kDefault,
                                                 support::ScreenPointer::kHourglass,
                                                 support::ScreenPointer::kDefault}));

  std::string text = Contents(target);
  ASSERT_TRUE(text.starts_with("\"FirstName\",\"LastName\",\"ZipCode\"\r\n"))
      << text.substr(0, 80);
  size_t lines = std::count(text.begin(), text.end(), '\n');
  EXPECT_EQ(std::to_string(lines - 1),
            QueryText(dir_.File("shop.db"),
                      "SELECT COUNT(*) FROM Contacts WHERE ZipCode "
                      "BETWEEN '90000' AND '91999'"));
}

TEST_F(ExportSelectionTest, AnExistingTargetIsOfferedForOverwriting) {
  const std::string target = dir_.File("cust.htm");
  std::ofstream(target) << "keep me";

  // The question comes with the normal pointer and the form still open to
  // input; the failure while the busy pointer shows and input is held.
  std::vector<std::string> states_when_asked;
  prompts_.OnAsk([&](const MessageQuestion& question) {
    bool arrow = prompts_.pointers().back() == support::ScreenPointer::kDefault;
    bool held = !input_states_.empty() && !input_states_.back();
    std::string asked = question.title.empty()
                            ? question.text.substr(0, question.text.find(';'))
                            : question.title;
    states_when_asked.push_back(asked + (arrow ? " arrow" : " busy") +
                                (held ? " held" : " open"));
  });
  prompts_.ChooseNext(target);
  prompts_.AnswerNext(MessageAnswer::kNo);
  ExportResult kept = Run("HTML", Customers({"FirstName"}));
  EXPECT_EQ(states_when_asked, (std::vector<std::string>{"Overwrite File? arrow open",
                                                         "Export failed busy held"}));
  ASSERT_GE(prompts_.questions().size(), 1u);
  EXPECT_EQ(prompts_.questions()[0],
            (MessageQuestion{.text = target + " already exists.  Overwrite it?",
                             .title = "Overwrite File?",
                             .buttons = MessageButtons::kYesNo,
                             .default_answer = MessageAnswer::kYes}));
  // No still tries the export, and the writer refuses the file it must keep.
  std::string failure = FailureShown();
  EXPECT_TRUE(failure.starts_with(
      "Export failed; try again by selecting less fields.\r\n-2147467259\r\n"))
      << failure;
  EXPECT_NE(failure.find("already exists"), std::string::npos) << failure;
  EXPECT_EQ(kept.finished_message, std::nullopt);
  EXPECT_EQ(Contents(target), "keep me");
  EXPECT_EQ(input_states_, (std::vector<bool>{false, true}));

  prompts_.OnAsk(nullptr);
  prompts_.ChooseNext(target);
  prompts_.AnswerNext(MessageAnswer::kYes);
  ExportResult replaced = Run("HTML", Customers({"FirstName"}));
  EXPECT_EQ(replaced.finished_message, "Export of data to: " + target + " is complete.");
  EXPECT_NE(Contents(target).find("<th>FirstName</th>"), std::string::npos);
}

TEST_F(ExportSelectionTest, RowsThatExportNothingSaySoAndWriteNothing) {
  for (std::string_view format : {"OBDC", "Microsoft Exchange"}) {
    ScriptedPrompts prompts;
    ExportResult result = Run(format, Customers({"FirstName"}));
    EXPECT_EQ(prompts.questions(),
              (std::vector<MessageQuestion>{{.text = "Currently not availiable"}}));
    EXPECT_TRUE(prompts.file_requests().empty());
    EXPECT_EQ(result.finished_message, std::nullopt);
  }

  {
    ScriptedPrompts prompts;
    prompts.ChooseNext(dir_.File("never.csv"));
    ExportResult result = Run("Text (Comma Delimited)", Customers({}));
    ASSERT_EQ(prompts.questions().size(), 1u);
    EXPECT_NE(prompts.questions()[0].text.find("No field is selected"),
              std::string::npos);
    EXPECT_TRUE(prompts.file_requests().empty());
    EXPECT_EQ(result.result_sql, "");
  }

  {
    ScriptedPrompts prompts;  // the dialog dismissed
    ExportResult result = Run("dBASE IV", Customers({"FirstName"}));
    EXPECT_EQ(result.finished_message, "Cancelled.");
    EXPECT_TRUE(prompts.questions().empty());
  }

  EXPECT_FALSE(std::filesystem::exists(dir_.File("never.csv")));
}

TEST_F(ExportSelectionTest, ServiceDocumentsIntoAnExcelWorkbookNamedSheet) {
  const std::string target = dir_.File("docs.xls");
  prompts_.ChooseNext(target);
  ExportResult result =
      Run("Excel 97",
          {.category = 3, .export_mode = true, .selected_fields = {"MakeID", "Make"}});
  EXPECT_EQ(result.result_sql,
            "SELECT [MakeID],[Make] INTO [Excel 8.0;Database=" + target +
                "].[docs.xls] FROM (SELECT ServiceLiterature.*, ProductMakes.Make FROM "
                "ServiceLiterature LEFT JOIN ProductMakes ON ServiceLiterature.MakeID = "
                "ProductMakes.MakeID WHERE 1=1 )");
  ASSERT_EQ(result.finished_message, "Export of data to: " + target + " is complete.")
      << FailureShown();

  testing::ReaderOutput read =
      testing::RunIndependentReader("read_xls.py", testing::ShellQuoted(target));
  ASSERT_EQ(read.exit_code, 0) << read.text;
  const std::string documents =
      QueryText(dir_.File("shop.db"), "SELECT COUNT(*) FROM ServiceLiterature");
  ASSERT_NE(documents, "0");
  EXPECT_NE(
      read.text.find("\nsheet docs.xls rows " + std::to_string(std::stoi(documents) + 1) +
                     " columns 2\n" + "[\"MakeID\", \"Make\"]\n"),
      std::string::npos)
      << read.text.substr(0, 300);
}

TEST_F(ExportSelectionTest, ASingleSheetFormatsRowLimitFailsTheExportAndLeavesNoFile) {
  // 8,200 customers: more than a Lotus WK1 worksheet holds under its header.
  testing::SqliteShell(dir_.File("shop.db"),
                       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                       "WHERE i < 8200) INSERT INTO Contacts (FileAs, LastName) "
                       "SELECT i, i FROM n;");
  const std::string target = dir_.File("all.wk1");
  prompts_.ChooseNext(target);
  ExportResult result =
      Run("Lotus 123 WKS and WK1",
          {.category = 0, .export_mode = true, .selected_fields = {"LastName"}});

  const std::string failure = FailureShown();
  EXPECT_TRUE(
      failure.starts_with("Export failed; try again by selecting less fields.\r\n"))
      << failure;
  EXPECT_NE(failure.find("8,192 rows"), std::string::npos) << failure;
  EXPECT_EQ(result.finished_message, std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_EQ(input_states_, (std::vector<bool>{false, true}));
}

TEST_F(ExportSelectionTest, AccessTargetMustExistAndKeepsItsTable) {
  std::filesystem::create_directories(dir_.File("my.data"));
  const std::string database =
      dir_.Database("my.data/out.mdb", "CREATE TABLE Existing (x INTEGER);");
  // A database of the same name without extension beside it is not the one chosen.
  const std::string namesake = dir_.Database("my.data/out", "CREATE TABLE Other (x);");
  const MessageQuestion must_exist{.text = "You must select an existing Access database!",
                                   .title = "Select Access Database",
                                   .buttons = MessageButtons::kRetryCancel,
                                   .default_answer = MessageAnswer::kRetry};

  prompts_.ChooseNext(dir_.File("missing.mdb"));
  prompts_.AnswerNext(MessageAnswer::kRetry);
  prompts_.ChooseNext(database);
  ExportResult result =
      Run("Microsoft Jet (Access)", Customers({"CKey", "LastName", "CustomerSince"}));
  EXPECT_EQ(prompts_.questions(), (std::vector<MessageQuestion>{must_exist}));
  EXPECT_EQ(prompts_.file_requests().size(), 2u);
  EXPECT_EQ(
      result.result_sql.find("INTO [" + dir_.File("my.data/out") + "].[Verdacor] FROM"),
      std::string("SELECT [CKey],[LastName],[CustomerSince] ").size())
      << result.result_sql;
  EXPECT_EQ(result.finished_message, "Export of data to: " + database + " is complete.");
  EXPECT_EQ(QueryText(database, "SELECT COUNT(*) FROM Verdacor"),
            QueryText(dir_.File("shop.db"),
                      "SELECT COUNT(*) FROM Contacts WHERE ZipCode "
                      "BETWEEN '90000' AND '91999'"));
  EXPECT_EQ(QueryText(namesake, "SELECT COUNT(*) FROM sqlite_master"), "1");
  EXPECT_EQ(
      QueryText(database, "SELECT sql FROM sqlite_master WHERE name = 'Verdacor'"),
      "CREATE TABLE [Verdacor] ([CKey] INTEGER, [LastName] TEXT(30), [CustomerSince] "
      "DATETIME)");

  // A second export into the same database never replaces the table.
  ScriptedPrompts again;
  again.ChooseNext(database);
  EXPECT_EQ(Run("Microsoft Jet (Access)", Customers({"CKey"})).finished_message,
            std::nullopt);
  ASSERT_EQ(again.questions().size(), 1u);
  EXPECT_NE(again.questions()[0].text.find("already exists"), std::string::npos);

  // Cancel gives up at once; a file without extension names no database.
  ScriptedPrompts cancelled;
  cancelled.AnswerNext(MessageAnswer::kCancel);
  EXPECT_EQ(Run("Microsoft Jet (Access)", Customers({"CKey"})).finished_message,
            std::nullopt);
  EXPECT_EQ(cancelled.questions(), (std::vector<MessageQuestion>{must_exist}));

  ScriptedPrompts no_extension;
  no_extension.ChooseNext(dir_.Database("plain", "CREATE TABLE t (x);"));
  ExportResult refused = Run("Microsoft Jet (Access)", Customers({"CKey"}));
  ASSERT_EQ(no_extension.questions().size(), 1u);
  EXPECT_NE(no_extension.questions()[0].text.find("has no extension"), std::string::npos);
  EXPECT_EQ(QueryText(dir_.File("plain"), "SELECT COUNT(*) FROM sqlite_master"), "1");
  EXPECT_EQ(refused.result_sql, "");
}

TEST_F(ExportSelectionTest, TargetPathsWithBlanksQuotesSemicolonsAndBrackets) {
  namespace fs = std::filesystem;
  // Each tricky folder has a plain namesake that a misread target would hit.
  for (const char* folder : {"a", "a;b", "a ", "o'brien & co"}) {
    fs::create_directories(dir_.File(folder));
  }
  int run = 0;
  for (const char* folder : {"a;b", "a ", "o'brien & co"}) {
    SCOPED_TRACE(folder);
    const std::string name = "cust" + std::to_string(++run) + ".csv";
    const std::string target = dir_.File(std::string(folder) + "/" + name);
    ScriptedPrompts prompts;
    prompts.ChooseNext(target);
    ExportResult result = Run("Text (Comma Delimited)", Customers({"LastName"}));
    EXPECT_EQ(result.finished_message, "Export of data to: " + target + " is complete.")
        << (prompts.questions().empty() ? "" : prompts.questions()[0].text);
    EXPECT_TRUE(Contents(target).starts_with("\"LastName\"\r\n"));
    EXPECT_FALSE(fs::exists(dir_.File("a/" + name)));
  }

  // A "]" would end the bracketed name early, and what follows it would be
  // read as statement text: refused before anything is asked or written.
  fs::create_directories(dir_.File("x]y"));
  const std::string kept = dir_.File("x]y/cust.csv");
  std::ofstream(kept) << "keep me";
  for (const std::string& chosen : {kept, dir_.File("z] FROM Contacts --.csv")}) {
    SCOPED_TRACE(chosen);
    ScriptedPrompts prompts;
    prompts.ChooseNext(chosen);
    prompts.AnswerNext(MessageAnswer::kYes);
    ExportResult result = Run("Text (Comma Delimited)", Customers({"LastName"}));
    EXPECT_EQ(prompts.questions(),
              (std::vector<MessageQuestion>{
                  {.text = "The name " + chosen +
                           " holds a \"]\", which an export statement cannot name. "
                           "Nothing was exported."}}));
    EXPECT_EQ(result.finished_message, std::nullopt);
    EXPECT_EQ(result.result_sql, "");
  }
  EXPECT_EQ(Contents(kept), "keep me");
  EXPECT_FALSE(fs::exists(dir_.File("z")));

  // An Access database is named in brackets without a connect string, so a
  // ";" in its path would turn it into one.
  fs::create_directories(dir_.File("p;q"));
  const std::string database = dir_.Database("p;q/out.mdb", "CREATE TABLE t (x);");
  ScriptedPrompts prompts;
  prompts.ChooseNext(database);
  ExportResult refused = Run("Microsoft Jet (Access)", Customers({"LastName"}));
  ASSERT_EQ(prompts.questions().size(), 1u);
  EXPECT_EQ(prompts.questions()[0].text,
            "The name " + database +
                " holds a \";\" in a database name, which an export statement cannot "
                "name. Nothing was exported.");
  EXPECT_EQ(refused.result_sql, "");
  EXPECT_EQ(QueryText(database, "SELECT COUNT(*) FROM sqlite_master"), "1");
}

TEST_F(ExportSelectionTest, DbaseExportListsItsRenamedColumns) {
  const std::string target = dir_.File("cust.dbf");
  prompts_.ChooseNext(target);
  ExportResult result =
      Run("dBASE IV", Customers({"LastVisit", "CustomerSince", "LastName"}));
  ASSERT_TRUE(result.finished_message.has_value()) << FailureShown();
  const std::string& text = *result.finished_message;
  EXPECT_TRUE(text.starts_with("Export of data to: " + target + " is complete.\n\n"))
      << text;
  size_t alias_at = text.find("\nCustomerSince as Custome");
  ASSERT_NE(alias_at, std::string::npos) << text;
  std::string alias = text.substr(alias_at + std::string("\nCustomerSince as ").size());
  EXPECT_LE(alias.size(), 10u);
  EXPECT_NE(result.result_sql.find("[CustomerSince] AS [" + alias + "],[LastName]"),
            std::string::npos)
      << result.result_sql;
  EXPECT_EQ(text.find("LastVisit as"), std::string::npos);

  testing::ReaderOutput read =
      testing::RunIndependentReader("read_dbf.py", testing::ShellQuoted(target));
  ASSERT_EQ(read.exit_code, 0) << read.text;
  const std::string rows = CustomerCount();
  EXPECT_TRUE(read.text.starts_with("version 0x03 cp1252 records " + rows +
                                    "\nLastVisit D 8 0\n" + alias +
                                    " D 8 0\nLastName C 30 0\n"))
      << read.text;
  size_t lines = std::count(read.text.begin(), read.text.end(), '\n');
  EXPECT_EQ(std::to_string(lines - 4), rows);  // after the header and 3 fields
}

TEST_F(ExportSelectionTest, XmlHoldsEveryColumnOfTheSelection) {
  const std::string target = dir_.File("cust.xml");
  prompts_.ChooseNext(target);
  ExportResult result = Run("XML", Customers({"LastName"}));
  ASSERT_EQ(result.finished_message, "Export of data to: " + target + " is complete.")
      << FailureShown();
  testing::ReaderOutput read =
      testing::RunIndependentReader("read_rowset.py", testing::ShellQuoted(target));
  ASSERT_EQ(read.exit_code, 0) << read.text;
  std::string columns;
  std::istringstream lines(read.text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("column ")) continue;
    size_t open = line.find('"');
    size_t close = line.find('"', open + 1);
    columns += (columns.empty() ? "" : ",") + line.substr(open + 1, close - open - 1);
  }
  EXPECT_EQ(columns, QueryText(dir_.File("shop.db"),
                               "SELECT group_concat(name, ',') "
                               "FROM pragma_table_info('Contacts')"));
  EXPECT_NE(read.text.find("\nrows " + CustomerCount() + "\n"), std::string::npos)
      << read.text;
}

}  // namespace
}  // namespace vdimpexp::exporting

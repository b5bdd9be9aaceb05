// The export run against the reference shop database, answered by scripted
// prompts: what the user is asked, what is written, and what is reported.
#include "export/export_selection.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "data/connection.h"
#include "export/export_formats.h"
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
    return ExportSelection({.format_index = FormatIndex(format), .selection = selection},
                           host_, [this](bool accepting) { input_states_.push_back(accepting); });
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
  ExportResult result = Run("Text (Comma Delimited)", Customers({"FirstName", "LastName", "ZipCode"}));

  const std::string folder = std::filesystem::path(target).parent_path().string();
  EXPECT_EQ(result.result_sql, "SELECT [FirstName],[LastName],[ZipCode] INTO [TEXT;Database=" +
                                   folder +
                                   "].[cust.csv] FROM  Contacts WHERE   ZipCode BETWEEN "
                                   "'90000' AND '91999'");
  EXPECT_EQ(result.finished_message, "Export of data to: " + target + " is complete.");
  ASSERT_EQ(prompts_.file_requests().size(), 1u);
  EXPECT_EQ(prompts_.file_requests()[0].filter, "TEXT (*.txt)|*.txt|CSV (*.csv)|*.csv");
  EXPECT_EQ(prompts_.file_requests()[0].purpose, support::FileRequest::Purpose::kSave);
  EXPECT_TRUE(prompts_.questions().empty()) << prompts_.questions()[0].text;
  EXPECT_EQ(input_states_, (std::vector<bool>{false, true}));
  EXPECT_GE(prompts_.pending_event_runs(), 1);
  ASSERT_FALSE(prompts_.pointers().empty());
  EXPECT_EQ(prompts_.pointers().back(), support::ScreenPointer::kDefault);

  std::string text = Contents(target);
  ASSERT_TRUE(text.starts_with("\"FirstName\",\"LastName\",\"ZipCode\"\r\n")) << text.substr(0, 80);
  size_t lines = std::count(text.begin(), text.end(), '\n');
  EXPECT_EQ(std::to_string(lines - 1),
            QueryText(dir_.File("shop.db"), "SELECT COUNT(*) FROM Contacts WHERE ZipCode "
                                            "BETWEEN '90000' AND '91999'"));
}

TEST_F(ExportSelectionTest, AnExistingTargetIsOfferedForOverwriting) {
  const std::string target = dir_.File("cust.htm");
  std::ofstream(target) << "keep me";

  prompts_.ChooseNext(target);
  prompts_.AnswerNext(MessageAnswer::kNo);
  ExportResult kept = Run("HTML", Customers({"FirstName"}));
  ASSERT_GE(prompts_.questions().size(), 1u);
  EXPECT_EQ(prompts_.questions()[0],
            (MessageQuestion{.text = target + " already exists.  Overwrite it?",
                             .title = "Overwrite File?",
                             .buttons = MessageButtons::kYesNo,
                             .default_answer = MessageAnswer::kYes}));
  // No still tries the export, and the writer refuses the file it must keep.
  std::string failure = FailureShown();
  EXPECT_TRUE(failure.starts_with("Export failed; try again by selecting less fields.\r\n-2147467259\r\n"))
      << failure;
  EXPECT_NE(failure.find("already exists"), std::string::npos) << failure;
  EXPECT_EQ(kept.finished_message, std::nullopt);
  EXPECT_EQ(Contents(target), "keep me");
  EXPECT_EQ(input_states_, (std::vector<bool>{false, true}));

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
    EXPECT_NE(prompts.questions()[0].text.find("No field is selected"), std::string::npos);
    EXPECT_TRUE(prompts.file_requests().empty());
    EXPECT_EQ(result.result_sql, "");
  }

  {
    ScriptedPrompts prompts;  // the dialog dismissed
    ExportResult result = Run("dBASE IV", Customers({"FirstName"}));
    EXPECT_EQ(result.finished_message, "Cancelled.");
    EXPECT_TRUE(prompts.questions().empty());
  }

  // Formats still without a writer fail through the failure message.
  {
    ScriptedPrompts prompts;
    prompts.ChooseNext(dir_.File("cust.db"));
    Run("Paradox 4.x", Customers({"FirstName"}));
    ASSERT_EQ(prompts.questions().size(), 1u);
    EXPECT_NE(prompts.questions()[0].text.find("Paradox 4.x files is not available"),
              std::string::npos)
        << prompts.questions()[0].text;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("never.csv")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("cust.db")));
}

TEST_F(ExportSelectionTest, AccessTargetMustExistAndKeepsItsTable) {
  std::filesystem::create_directories(dir_.File("my.data"));
  const std::string database =
      dir_.Database("my.data/out.mdb", "CREATE TABLE Existing (x INTEGER);");
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
  EXPECT_EQ(result.result_sql.find("INTO [" + dir_.File("my.data/out") + "].[Verdacor] FROM"),
            std::string("SELECT [CKey],[LastName],[CustomerSince] ").size())
      << result.result_sql;
  EXPECT_EQ(result.finished_message, "Export of data to: " + database + " is complete.");
  EXPECT_EQ(QueryText(database, "SELECT COUNT(*) FROM Verdacor"),
            QueryText(dir_.File("shop.db"), "SELECT COUNT(*) FROM Contacts WHERE ZipCode "
                                            "BETWEEN '90000' AND '91999'"));
  EXPECT_EQ(QueryText(database, "SELECT sql FROM sqlite_master WHERE name = 'Verdacor'"),
            "CREATE TABLE [Verdacor] ([CKey] INTEGER, [LastName] TEXT(30), [CustomerSince] "
            "DATETIME)");

  // A second export into the same database never replaces the table.
  ScriptedPrompts again;
  again.ChooseNext(database);
  EXPECT_EQ(Run("Microsoft Jet (Access)", Customers({"CKey"})).finished_message, std::nullopt);
  ASSERT_EQ(again.questions().size(), 1u);
  EXPECT_NE(again.questions()[0].text.find("already exists"), std::string::npos);

  // Cancel gives up at once; a file without extension names no database.
  ScriptedPrompts cancelled;
  cancelled.AnswerNext(MessageAnswer::kCancel);
  EXPECT_EQ(Run("Microsoft Jet (Access)", Customers({"CKey"})).finished_message, std::nullopt);
  EXPECT_EQ(cancelled.questions(), (std::vector<MessageQuestion>{must_exist}));

  ScriptedPrompts no_extension;
  no_extension.ChooseNext(dir_.Database("plain", "CREATE TABLE t (x);"));
  ExportResult refused = Run("Microsoft Jet (Access)", Customers({"CKey"}));
  ASSERT_EQ(no_extension.questions().size(), 1u);
  EXPECT_NE(no_extension.questions()[0].text.find("has no extension"), std::string::npos);
  EXPECT_EQ(QueryText(dir_.File("plain"), "SELECT COUNT(*) FROM sqlite_master"), "1");
  EXPECT_EQ(refused.result_sql, "");
}

TEST_F(ExportSelectionTest, DbaseExportListsItsRenamedColumns) {
  const std::string target = dir_.File("cust.dbf");
  prompts_.ChooseNext(target);
  ExportResult result = Run("dBASE IV", Customers({"LastVisit", "CustomerSince", "LastName"}));
  ASSERT_TRUE(result.finished_message.has_value()) << FailureShown();
  const std::string& text = *result.finished_message;
  EXPECT_TRUE(text.starts_with("Export of data to: " + target + " is complete.\n\n")) << text;
  size_t alias_at = text.find("\nCustomerSince as Custome");
  ASSERT_NE(alias_at, std::string::npos) << text;
  std::string alias = text.substr(alias_at + std::string("\nCustomerSince as ").size());
  EXPECT_LE(alias.size(), 10u);
  EXPECT_NE(result.result_sql.find("[CustomerSince] AS [" + alias + "],[LastName]"),
            std::string::npos)
      << result.result_sql;
  EXPECT_EQ(text.find("LastVisit as"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(target));
}

TEST_F(ExportSelectionTest, XmlHoldsEveryColumnOfTheSelection) {
  const std::string target = dir_.File("cust.xml");
  prompts_.ChooseNext(target);
  ExportResult result = Run("XML", Customers({"LastName"}));
  ASSERT_EQ(result.finished_message, "Export of data to: " + target + " is complete.")
      << FailureShown();
  std::string xml = Contents(target);
  for (const char* column : {"'CKey'", "'FileAs'", "'LastName'", "'ZipCode'"}) {
    EXPECT_NE(xml.find(std::string("name=") + column), std::string::npos) << column;
  }
}

}  // namespace
}  // namespace vdimpexp::exporting

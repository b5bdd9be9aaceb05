// Exports run against the reference shop database, answered by scripted
// prompts: what the user is asked, what is written (read back by readers
// we did not write), and what is reported; and the invoice export into an
// existing database.
#include "export/export_selection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "data/connection.h"
#include "export/export_formats.h"
#include "export/export_statement.h"
#include "export/invoice_export.h"
#include "independent_reader.h"
#include "schema/reference_database.h"
#include "scratch_database.h"
#include "scripted_prompts.h"

namespace vdimpexp::exporting {
namespace {

namespace fs = std::filesystem;
using support::MessageAnswer;
using support::MessageButtons;
using support::MessageQuestion;
using support::ScreenPointer;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using testing::QueryText;
using testing::ScriptedPrompts;
using ::testing::StartsWith;

const ExportFormat& Format(std::string_view entry) {
  for (const ExportFormat& format : kExportFormats) {
    if (format.entry == entry) return format;
  }
  throw std::logic_error("no format " + std::string(entry));
}

std::string Contents(const std::string& path) {
  std::stringstream all;
  all << std::ifstream(path, std::ios::binary).rdbuf();
  return all.str();
}

size_t LinesStartingWith(const std::string& text, std::string_view prefix) {
  size_t count = 0;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) count += line.starts_with(prefix);
  return count;
}

// What the reader `script` prints for `file`; a reader that fails fails the test.
std::string ReadBack(const std::string& script, const std::string& file) {
  testing::ReaderOutput read =
      testing::RunIndependentReader(script, testing::ShellQuoted(file));
  EXPECT_EQ(read.exit_code, 0) << script << ": " << read.text;
  return read.text;
}

// The texts of the messages shown, in order.
std::vector<std::string> Shown(const ScriptedPrompts& prompts) {
  std::vector<std::string> texts;
  for (const MessageQuestion& question : prompts.questions())
    texts.push_back(question.text);
  return texts;
}

class ExportTest : public ::testing::Test {
 protected:
  ExportTest() {
    schema::CreateReferenceDatabase(Shop(), {.contacts = 80, .seed = 3});
    host_.Open(Shop());
  }
  std::string Shop() const { return dir_.File("shop.db"); }
  std::string InShop(const std::string& sql) const { return QueryText(Shop(), sql); }

  // Customers with zip codes 90000 to 91999, the given columns.
  static SelectionRequest Customers(std::vector<std::string> fields) {
    return {.category = 0,
            .filters = {.zip_codes = {"90000", "91999"}},
            .export_mode = true,
            .selected_fields = std::move(fields)};
  }
  size_t CustomerCount() const {
    return std::stoul(InShop(
        "SELECT COUNT(*) FROM Contacts WHERE ZipCode BETWEEN '90000' AND '91999'"));
  }
  ExportResult Run(std::string_view format, SelectionRequest selection) {
    return ExportSelection(
        {.format_index = size_t(&Format(format) - kExportFormats.data()),
         .selection = selection},
        host_, [this](bool accepting) { input_states_.push_back(accepting); });
  }
  static std::string Complete(const std::string& file) {
    return "Export of data to: " + file + " is complete.";
  }
  // Every file beside the host database, names and contents.
  std::string Snapshot() const {
    std::string all;
    for (const auto& entry : fs::recursive_directory_iterator(dir_.File(""))) {
      if (entry.path() == Shop()) continue;
      all += entry.path().string() + "\n";
      if (entry.is_regular_file()) all += Contents(entry.path().string());
    }
    return all;
  }

  testing::ScratchDirectory dir_;
  data::Connection host_;
  ScriptedPrompts prompts_;
  std::vector<bool> input_states_;
};

TEST_F(ExportTest, EachFormsStatementWritesAFileOtherProgramsRead) {
  const size_t customers = CustomerCount();
  ASSERT_GT(customers, 0u);
  const size_t documents = std::stoul(InShop("SELECT COUNT(*) FROM ServiceLiterature"));
  std::vector<std::string> all_columns;
  for (const auto& row : testing::QueryRows(
           Shop(), "SELECT cid + 1, name FROM pragma_table_info('Contacts')")) {
    all_columns.push_back("column " + row[0] + " \"" + row[1] + "\"");
  }
  // Folders a connect string cannot hold as they are; each has a plain
  // namesake that a misread target would hit.
  for (const char* folder : {"a", "a;b", "a "}) fs::create_directories(dir_.File(folder));
  const std::string csv = "TEXT (*.txt)|*.txt|CSV (*.csv)|*.csv";
  struct Case {
    std::string_view format;
    SelectionRequest selection;
    std::string file, dialog_filter;
    std::string statement;  // exactly as built; "" when not compared
    std::string reader;
    std::vector<std::string> read;  // in what the reader prints
    std::string row_start;          // of every row the reader prints
    size_t rows;                    // the header row included
  };
  // clang-format off
  const Case cases[] = {
      {"Text (Comma Delimited)", Customers({"FirstName", "LastName", "ZipCode"}), "cust.csv",
       csv, "SELECT [FirstName],[LastName],[ZipCode] INTO [TEXT;Database=" +
           fs::path(dir_.File("cust.csv")).parent_path().string() +
           "].[cust.csv] FROM  Contacts WHERE   ZipCode BETWEEN '90000' AND '91999'",
       "read_csv.py", {"[\"FirstName\", \"LastName\", \"ZipCode\"]\n"}, "[", customers + 1},
      {"Text (Comma Delimited)", Customers({"LastName"}), "a;b/cust.csv", csv, "",
       "read_csv.py", {"[\"LastName\"]\n"}, "[", customers + 1},
      {"Text (Comma Delimited)", Customers({"LastName"}), "a /cust.csv", csv, "",
       "read_csv.py", {"[\"LastName\"]\n"}, "[", customers + 1},
      // The worksheet bears the file's name; a join is a derived table.
      {"Excel 97", {.category = 3, .export_mode = true, .selected_fields = {"MakeID", "Make"}},
       "docs.xls", "Excel 97 (*.xls)|*.xls",
       "SELECT [MakeID],[Make] INTO [Excel 8.0;Database=" + dir_.File("docs.xls") +
           "].[docs.xls] FROM (SELECT ServiceLiterature.*, ProductMakes.Make FROM "
           "ServiceLiterature LEFT JOIN ProductMakes ON ServiceLiterature.MakeID = "
           "ProductMakes.MakeID WHERE 1=1 )",
       "read_xls.py", {"\nsheet docs.xls rows " + std::to_string(documents + 1) +
                       " columns 2\n[\"MakeID\", \"Make\"]\n"}, "[", documents + 1},
      // The XML file holds every column of the selection, whatever was chosen.
      {"XML", Customers({"LastName"}), "cust.xml", "XML (*.xml)|*.xml", "",
       "read_rowset.py", all_columns, "[", customers},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string file = dir_.File(c.file);
    ScriptedPrompts prompts;
    prompts.ChooseNext(file);
    input_states_.clear();
    ExportResult result = Run(c.format, c.selection);
    ASSERT_EQ(result.finished_message, Complete(file))
        << ::testing::PrintToString(Shown(prompts));
    EXPECT_THAT(Shown(prompts), IsEmpty());
    if (!c.statement.empty()) {
      EXPECT_EQ(result.result_sql, c.statement);
    }
    ASSERT_EQ(prompts.file_requests().size(), 1u);
    EXPECT_EQ(prompts.file_requests()[0].filter, c.dialog_filter);
    EXPECT_EQ(prompts.file_requests()[0].purpose, support::FileRequest::Purpose::kSave);
    // The arrow for the dialog, the hourglass while writing, the arrow after.
    EXPECT_THAT(prompts.pointers(),
                ElementsAre(ScreenPointer::kDefault, ScreenPointer::kHourglass,
                            ScreenPointer::kDefault));
    EXPECT_THAT(input_states_, ElementsAre(false, true));
    EXPECT_GE(prompts.pending_event_runs(), 1);

    const std::string read = ReadBack(c.reader, file);
    for (const std::string& part : c.read) EXPECT_THAT(read, HasSubstr(part));
    EXPECT_EQ(LinesStartingWith(read, c.row_start), c.rows) << read.substr(0, 400);
  }
  EXPECT_FALSE(fs::exists(dir_.File("a/cust.csv")));
}

TEST_F(ExportTest, DbaseExportRenamesLongColumnsAndSaysSo) {
  const std::string target = dir_.File("cust.dbf");
  prompts_.ChooseNext(target);
  ExportResult result =
      Run("dBASE IV", Customers({"LastVisit", "CustomerSince", "LastName"}));
  ASSERT_TRUE(result.finished_message.has_value())
      << ::testing::PrintToString(Shown(prompts_));
  const std::string& text = *result.finished_message;
  EXPECT_THAT(text, StartsWith(Complete(target) + "\n\n"));
  EXPECT_THAT(text, Not(HasSubstr("LastVisit as")));
  const std::string renamed = "\nCustomerSince as Custome";
  ASSERT_THAT(text, HasSubstr(renamed));
  const std::string alias = text.substr(text.find(renamed) + renamed.size() - 7);
  EXPECT_LE(alias.size(), 10u);
  EXPECT_THAT(result.result_sql,
              HasSubstr("[CustomerSince] AS [" + alias + "],[LastName]"));

  const std::string read = ReadBack("read_dbf.py", target);
  EXPECT_THAT(
      read, StartsWith("version 0x03 cp1252 records " + std::to_string(CustomerCount()) +
                       "\nLastVisit D 8 0\n" + alias + " D 8 0\nLastName C 30 0\n"));
  EXPECT_EQ(LinesStartingWith(read, "["), CustomerCount());
}

TEST_F(ExportTest, AnExistingTargetIsOfferedForOverwriting) {
  const std::string target = dir_.File("cust.htm");
  std::ofstream(target) << "keep me";
  // The question comes with the normal pointer and the form still open to
  // input; the failure while the busy pointer shows and input is held.
  std::vector<bool> busy_when_asked;
  prompts_.OnAsk([&](const MessageQuestion&) {
    bool held = !input_states_.empty() && !input_states_.back();
    EXPECT_EQ(prompts_.pointers().back() == ScreenPointer::kHourglass, held);
    busy_when_asked.push_back(held);
  });
  prompts_.ChooseNext(target);
  prompts_.AnswerNext(MessageAnswer::kNo);
  EXPECT_EQ(Run("HTML", Customers({"FirstName"})).finished_message, std::nullopt);
  EXPECT_THAT(busy_when_asked, ElementsAre(false, true));
  ASSERT_EQ(prompts_.questions().size(), 2u);
  EXPECT_EQ(prompts_.questions()[0],
            (MessageQuestion{.text = target + " already exists.  Overwrite it?",
                             .title = "Overwrite File?",
                             .buttons = MessageButtons::kYesNo,
                             .default_answer = MessageAnswer::kYes}));
  // No still tries the export, and the writer refuses the file it must keep.
  EXPECT_THAT(prompts_.questions()[1].text,
              StartsWith("Export failed; try again by selecting less fields.\r\n"
                         "-2147467259\r\n"));
  EXPECT_THAT(prompts_.questions()[1].text, HasSubstr("already exists"));
  EXPECT_EQ(Contents(target), "keep me");
  EXPECT_THAT(input_states_, ElementsAre(false, true));

  prompts_.OnAsk(nullptr);
  prompts_.ChooseNext(target);
  prompts_.AnswerNext(MessageAnswer::kYes);
  EXPECT_EQ(Run("HTML", Customers({"FirstName"})).finished_message, Complete(target));
  const std::string read = ReadBack("read_html.py", target);
  EXPECT_THAT(read, HasSubstr("th [\"FirstName\"]\n"));
  EXPECT_EQ(LinesStartingWith(read, "td ["), CustomerCount());
}

TEST_F(ExportTest, RefusalsSaySoAndWriteNothing) {
  for (const char* folder : {"x]y", "p;q"}) fs::create_directories(dir_.File(folder));
  const std::string kept = dir_.File("x]y/cust.csv");
  std::ofstream(kept) << "keep me";
  const std::string semicolon = dir_.Database("p;q/out.mdb", "CREATE TABLE t (x);");
  const std::string plain = dir_.Database("plain", "CREATE TABLE t (x);");
  const std::string no_name = dir_.File("z] FROM Contacts --.csv");
  auto cannot_name = [](const std::string& file, const std::string& what) {
    return "The name " + file + " holds " + what +
           ", which an export statement cannot name. Nothing was exported.";
  };
  struct Case {
    std::string_view format;
    std::vector<std::string> fields;
    std::string chosen;  // "" dismisses the dialog
    size_t dialogs;
    std::vector<std::string> shown;
    std::optional<std::string> finished;
  };
  const std::string not_available = "Currently not availiable";
  // clang-format off
  const Case cases[] = {
      {"OBDC", {"FirstName"}, "", 0, {not_available}, std::nullopt},
      {"Microsoft Exchange", {"FirstName"}, "", 0, {not_available}, std::nullopt},
      {"Text (Comma Delimited)", {}, dir_.File("never.csv"), 0, {"No field is selected; go "
       "back and choose the fields to export. Nothing was exported."}, std::nullopt},
      {"dBASE IV", {"FirstName"}, "", 1, {}, "Cancelled."},
      // A "]" would end the bracketed name early, and what follows it would
      // be read as statement text: refused before the overwrite question.
      {"Text (Comma Delimited)", {"LastName"}, kept, 1, {cannot_name(kept, "a \"]\"")},
       std::nullopt},
      {"Text (Comma Delimited)", {"LastName"}, no_name, 1, {cannot_name(no_name, "a \"]\"")},
       std::nullopt},
      // An Access database is named in brackets without a connect string.
      {"Microsoft Jet (Access)", {"LastName"}, semicolon, 1,
       {cannot_name(semicolon, "a \";\" in a database name")}, std::nullopt},
      {"Microsoft Jet (Access)", {"LastName"}, plain, 1, {"The Access database " + plain +
       " has no extension, so it names no database to export into. Nothing was exported."},
       std::nullopt},
      {"Microsoft Jet (Access)", {"LastName"}, "", 1,
       {"You must select an existing Access database!"}, std::nullopt},
  };
  // clang-format on
  const std::string before = Snapshot();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " " + c.chosen);
    ScriptedPrompts prompts;
    if (!c.chosen.empty()) prompts.ChooseNext(c.chosen);
    prompts.AnswerNext(MessageAnswer::kCancel);
    ExportResult result = Run(c.format, Customers(c.fields));
    EXPECT_EQ(Shown(prompts), c.shown);
    EXPECT_EQ(prompts.file_requests().size(), c.dialogs);
    EXPECT_EQ(result.finished_message, c.finished);
    EXPECT_EQ(result.result_sql, "");
  }
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(ExportTest, AccessTargetMustExistAndKeepsItsTable) {
  fs::create_directories(dir_.File("my.data"));
  const std::string database = dir_.Database("my.data/out.mdb", "CREATE TABLE Old (x);");
  // A database of the same name without extension beside it is not the one chosen.
  const std::string namesake = dir_.Database("my.data/out", "CREATE TABLE Other (x);");
  prompts_.ChooseNext(dir_.File("missing.mdb"));
  prompts_.AnswerNext(MessageAnswer::kRetry);
  prompts_.ChooseNext(database);
  ExportResult result =
      Run("Microsoft Jet (Access)", Customers({"CKey", "LastName", "CustomerSince"}));
  EXPECT_THAT(
      prompts_.questions(),
      ElementsAre(MessageQuestion{.text = "You must select an existing Access database!",
                                  .title = "Select Access Database",
                                  .buttons = MessageButtons::kRetryCancel,
                                  .default_answer = MessageAnswer::kRetry}));
  EXPECT_EQ(prompts_.file_requests().size(), 2u);
  EXPECT_THAT(result.result_sql,
              StartsWith("SELECT [CKey],[LastName],[CustomerSince] INTO [" +
                         dir_.File("my.data/out") + "].[Verdacor] FROM"));
  EXPECT_EQ(result.finished_message, Complete(database));
  EXPECT_EQ(QueryText(database, "SELECT COUNT(*) FROM Verdacor"),
            std::to_string(CustomerCount()));
  EXPECT_EQ(QueryText(namesake, "SELECT COUNT(*) FROM sqlite_master"), "1");
  // Long names stay: only dBASE limits them.
  EXPECT_EQ(
      QueryText(database, "SELECT sql FROM sqlite_master WHERE name = 'Verdacor'"),
      "CREATE TABLE [Verdacor] ([CKey] INTEGER, [LastName] TEXT(30), [CustomerSince] "
      "DATETIME)");
  // A second export into the same database never replaces the table.
  prompts_.ChooseNext(database);
  EXPECT_EQ(Run("Microsoft Jet (Access)", Customers({"CKey"})).finished_message,
            std::nullopt);
  EXPECT_THAT(prompts_.questions().back().text, HasSubstr("already exists"));
}

// What the flows cannot reach from here: Windows paths, a bare file name,
// and names refused for a form no flow above uses.
TEST(ExportStatementTest, TargetReferencesAndTheNamesTheyRefuse) {
  // clang-format off
  const std::tuple<std::string_view, std::string, std::string> cases[] = {
      {"dBASE IV", "C:\\Exports\\cust.dbf", "[dBASE IV;Database=C:\\Exports].[cust.dbf]"},
      {"dBASE IV", "cust.dbf", "[dBASE IV;Database=].[cust.dbf]"},
      {"Excel 97", "C:\\Exports\\docs.xls", "[Excel 8.0;Database=C:\\Exports\\docs.xls].[docs.xls]"},
      {"Excel 95", "/x/y.xls", "[Excel 5.0;Database=/x/y.xls].[y.xls]"},
      {"Excel 97", "/srv/a;b/x.xls", "[Excel 8.0;Database=\"/srv/a;b/x.xls\"].[x.xls]"},
      {"HTML", "/srv/o'brien \"x\"/a;b.htm", "[HTML Export;Database=/srv/o'brien \"x\"].[a;b.htm]"},
      {"Microsoft Jet (Access)", "C:\\Exports\\shop.mdb", "[C:\\Exports\\shop].[Verdacor]"},
      // Only the file's own last extension goes.
      {"Microsoft Jet (Access)", "/srv/shop.2024.mdb", "[/srv/shop.2024].[Verdacor]"},
      // The XML statement is never run, so its path is never refused.
      {"XML", "/srv/x]y/a.xml", "XML/srv/x]y].[a.xml]"},
      {"Text (Comma Delimited)", "/srv/\"a;b\"/cust.csv", ""},  // "" for refused
      {"Excel 97", "/srv/x]y.xls", ""},
  };
  // clang-format on
  for (const auto& [format, path, reference] : cases) {
    if (reference.empty()) {
      EXPECT_THROW(TargetReference(Format(format), path), UnnamableTarget) << path;
    } else {
      EXPECT_EQ(TargetReference(Format(format), path), reference);
    }
  }
  // Every "SELECT * FROM" goes, case-sensitively; what still selects is a derived table.
  EXPECT_EQ(
      RowSource("SELECT * FROM a WHERE x IN (SELECT * FROM b) OR y = 'select * from'"),
      " a WHERE x IN ( b) OR y = 'select * from'");
  EXPECT_EQ(RowSource("SELECT * FROM a WHERE x = 'SELECT'"), "( a WHERE x = 'SELECT')");
}

// Suffixes in a fixed order, standing in for the random draw.
std::function<int32_t()> Draws(std::deque<int32_t> suffixes) {
  return [suffixes]() mutable {
    int32_t next = suffixes.front();
    suffixes.pop_front();
    return next;
  };
}

TEST(ExportStatementTest, LongColumnNamesGetUniqueDbaseAliases) {
  std::vector<std::string> fields = {"CustomerSince", "LastVisit",
                                     "Contacts.CustomerType", "Customer7"};
  // The second long name has the same stem, and its first draw repeats the
  // first alias, so it draws again.
  EXPECT_EQ(FieldList(fields, DbaseAliases(fields, Draws({12, 12, 5}))),
            "[CustomerSince] AS [Custome12],[LastVisit],[Contacts.CustomerType] AS "
            "[Custome5],[Customer7]");
  // A kept short name is as taken as an alias, compared without case.
  EXPECT_THAT(
      DbaseAliases(std::vector<std::string>{"Custome3", "CUSTOMERSINCE"}, Draws({3, 4})),
      ElementsAre(ColumnAlias{"CUSTOMERSINCE", "CUSTOME4"}));
  // A generator that keeps drawing a taken suffix cannot stall the export.
  EXPECT_THAT(DbaseAliases(std::vector<std::string>{"CustomerSince", "CustomerSource"},
                           [] { return 1; }),
              ElementsAre(ColumnAlias{"CustomerSince", "Custome1"},
                          ColumnAlias{"CustomerSource", "Custome2"}));
  // The same long column chosen twice gets two names: the target keeps both.
  std::vector<std::string> repeated = {"CustomerSince", "CustomerSince"};
  EXPECT_EQ(FieldList(repeated, DbaseAliases(repeated, Draws({8, 8, 9}))),
            "[CustomerSince] AS [Custome8],[CustomerSince] AS [Custome9]");
}

class InvoiceExportTest : public ExportTest {
 protected:
  InvoiceExportTest() {
    // The status with the most warranty claims, so every table gets rows.
    status_ = InShop(
        "SELECT StatusCode FROM Jobs JOIN JobsWarranty USING (JobNo) GROUP BY StatusCode "
        "ORDER BY COUNT(*) DESC, StatusCode LIMIT 1");
    other_status_ =
        InShop("SELECT MIN(StatusCode) FROM Jobs WHERE StatusCode <> " + status_);
    // An item line whose description, type and technician match nothing.
    dir_.Database(
        "shop.db",
        "INSERT INTO JobItems (JobNo, ItemType, ItemNumber, DescID, TechnicianID) "
        "SELECT MIN(JobNo), 99, 'ORPHAN', 987654, 987654 FROM Jobs WHERE "
        "StatusCode = " +
            status_ + ";");
  }
  std::string Count(const std::string& database, const std::string& from) const {
    return QueryText(database, "SELECT COUNT(*) FROM " + from);
  }
  static std::string Created(const std::string& database) {
    return "Created tables VD_Invoices, VD_InvItems and VD_InvWarranty in database " +
           database + ".";
  }
  // Exports the invoices `filters` choose into `database` as the user chooses it.
  std::optional<std::string> Export(FilterChoices filters, const std::string& database,
                                    ScriptedPrompts& prompts) {
    prompts.ChooseNext(database);
    return AutomatedWOExp2Access(
        {.category = kInvoicesToAccessCategory, .filters = filters, .export_mode = true},
        host_);
  }
  FilterChoices Status(const std::string& status) {
    return {.status = std::stoi(status)};
  }
  bool HostKeptItsCopy() const {
    return Count(Shop(), "sqlite_master WHERE name = 'VD_Invoices'") != "0";
  }

  std::string status_, other_status_;
};

TEST_F(InvoiceExportTest, CopiesTheChosenInvoicesAndALaterRunReplacesThem) {
  const std::string target =
      dir_.Database("out.mdb", "CREATE TABLE Unrelated (x INTEGER);");
  ASSERT_EQ(Export(Status(status_), target, prompts_), Created(target))
      << ::testing::PrintToString(Shown(prompts_));
  EXPECT_THAT(Shown(prompts_), IsEmpty());
  EXPECT_EQ(prompts_.file_requests().at(0).filter, "MS ACCESS (*.mdb)|*.mdb");
  const std::string of_status = " JOIN Jobs USING (JobNo) WHERE StatusCode = " + status_;
  EXPECT_EQ(Count(target, "VD_Invoices"),
            Count(Shop(), "Jobs WHERE StatusCode = " + status_));
  EXPECT_EQ(Count(target, "VD_Invoices WHERE StatusCode <> " + status_), "0");
  EXPECT_EQ(Count(target, "VD_InvItems"), Count(Shop(), "JobItems" + of_status));
  EXPECT_EQ(Count(target, "VD_InvWarranty"), Count(Shop(), "JobsWarranty" + of_status));
  EXPECT_NE(Count(target, "VD_InvWarranty"), "0");
  // The item columns in their order; the unmatched lookups come back empty.
  EXPECT_EQ(QueryText(target,
                      "SELECT group_concat(name) FROM pragma_table_info('VD_InvItems')"),
            "JobNo,ForPartyNo,IsQuote,QtyOrdered,QtyShipped,ItemType,ItemNumber,DescID,"
            "TextDescEstimate,TextDescInvoice,ReferenceNo,CostOrRate,PriceOrRate,"
            "ExtendedPriceOrRate,ItemSerialNo,TaxableItem,ShortName,ItemTypeDesc,"
            "DescEstimate,DescInvoice");
  EXPECT_EQ(QueryText(target,
                      "SELECT coalesce(ShortName, '-') || coalesce(ItemTypeDesc, '-') "
                      "|| coalesce(DescEstimate, '-') || coalesce(DescInvoice, '-') "
                      "FROM VD_InvItems WHERE ItemNumber = 'ORPHAN'"),
            "----");
  EXPECT_EQ(
      Count(target, "VD_InvItems WHERE ShortName IS NOT NULL"),
      Count(Shop(),
            "JobItems JOIN Employees ON JobItems.TechnicianID = EmployeeNo" + of_status));
  EXPECT_FALSE(HostKeptItsCopy());

  ASSERT_EQ(Export(Status(other_status_), target, prompts_), Created(target));
  EXPECT_EQ(Count(target, "VD_Invoices"),
            Count(Shop(), "Jobs WHERE StatusCode = " + other_status_));
  EXPECT_EQ(Count(target, "VD_InvItems WHERE ItemNumber = 'ORPHAN'"), "0");
  // Job numbers typed as "SELECT..." select nothing and stay text values:
  // the invoices are read from the remaining text, never a derived table.
  ASSERT_EQ(Export({.invoice_numbers = {"SELECT", "SELECTZ"}}, target, prompts_),
            Created(target))
      << ::testing::PrintToString(Shown(prompts_));
  for (const char* table :
       {"VD_Invoices", "VD_InvItems", "VD_InvWarranty", "Unrelated"}) {
    EXPECT_EQ(Count(target, table), "0") << table;
  }
  EXPECT_FALSE(HostKeptItsCopy());
}

TEST_F(InvoiceExportTest, NamesTheStatementsCannotHoldAndFailuresChangeNothing) {
  fs::create_directories(dir_.File("o'brien & co"));
  const std::string quoted = dir_.Database("o'brien & co/out.mdb", "CREATE TABLE t (x);");
  EXPECT_EQ(Export(Status(status_), quoted, prompts_), Created(quoted))
      << ::testing::PrintToString(Shown(prompts_));
  EXPECT_EQ(Count(quoted, "VD_Invoices"),
            Count(Shop(), "Jobs WHERE StatusCode = " + status_));

  // "[P].[VD_Invoices]" cannot name these, so an earlier run's tables could
  // never be removed: refused before anything changes. A file that is no
  // database fails the copy, reported; giving up changes nothing.
  for (const char* folder : {"p;q", "x]y"}) fs::create_directories(dir_.File(folder));
  const std::string text_file = dir_.File("notes.mdb");
  std::ofstream(text_file) << "this is a text file, not a database";
  const std::pair<std::string, std::string> refused[] = {
      {dir_.Database("p;q/out.mdb", "CREATE TABLE t (x);"),
       "which an export statement cannot name"},
      {dir_.Database("x]y/out.mdb", "CREATE TABLE t (x);"),
       "which an export statement cannot name"},
      {text_file, "Export failed; try again by selecting less fields.\r\n"},
      {dir_.File("missing.mdb"), "You must select an existing Access database!"},
  };
  const std::string before = Snapshot();
  for (const auto& [database, message] : refused) {
    SCOPED_TRACE(database);
    ScriptedPrompts prompts;
    prompts.AnswerNext(MessageAnswer::kCancel);
    EXPECT_EQ(Export(Status(status_), database, prompts), std::nullopt);
    EXPECT_THAT(Shown(prompts), ElementsAre(HasSubstr(message)));
    EXPECT_EQ(prompts.pointers().back(), ScreenPointer::kDefault);
    EXPECT_FALSE(HostKeptItsCopy());
  }
  EXPECT_EQ(Snapshot(), before);
}

}  // namespace
}  // namespace vdimpexp::exporting

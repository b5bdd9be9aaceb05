// The export's logic on the reference shop database: the selection statement, the filter
// lists, and export runs answered by scripted prompts, read back by readers we did not
// write.
#include "export/export_selection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "data/connection.h"
#include "data/recordset.h"
#include "export/export_formats.h"
#include "export/export_statement.h"
#include "export/filter_lists.h"
#include "export/invoice_export.h"
#include "formats/common/target_file.h"
#include "independent_reader.h"
#include "schema/reference_database.h"
#include "scratch_database.h"
#include "scripted_prompts.h"

namespace vdimpexp::exporting {
namespace {

namespace fs = std::filesystem;
using data::Date;
using data::Value;
using support::MessageAnswer;
using support::MessageButtons;
using support::MessageQuestion;
using support::ScreenPointer;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::PrintToString;
using testing::QueryText;
using testing::ScriptedPrompts;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAreArray;

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

TEST(CreateSqlTest, TheHostReceivesTheseStatementsBlankForBlank) {
  // clang-format off
  FilterChoices every{.account_type = 1, .referral_source = -1595250750, .zip_codes = {"1", "2"},
                      .last_visit = {Date{2001, 1, 1}, Date{2001, 12, 31}}, .status = 0, .make = 4,
                      .service_requested = {Date{2002, 1, 1}, Date{2002, 1, 2}},
                      .claimed = {Date{2024, 2, 29}, Date{2024, 11, 5}},
                      .invoice_numbers = {"5", "6"}, .invoice_type = InvoiceTypeChoice::kRepairs};
  // clang-format on
  // Every clause of the selecting wizard is compared as text in the entry tests; the
  // invoice export takes the invoice clauses only, and exports never sort.
  SelectionRequest request{.category = kInvoicesToAccessCategory,
                           .filters = every,
                           .export_mode = true,
                           .selected_fields = {"A"}};
  EXPECT_EQ(
      CreateSQL(request),
      "SELECT * FROM JobsReports WHERE   StatusCode=0 AND MakeID=4 AND DateIn BETWEEN "
      "#1/1/2002# AND #1/2/2002# AND ClaimedOn BETWEEN #2/29/2024# AND #11/5/2024# AND "
      "JobNo BETWEEN '5' AND '6' AND InvoiceType=31");
  request.cancelled = true;
  EXPECT_EQ(CreateSQL(request), "");
  // Without a clause the placeholder stays; a range needs both of its ends.
  EXPECT_EQ(CreateSQL({.category = 0, .selected_fields = {"ZipCode"}}),
            "SELECT * FROM Contacts WHERE 1=1  ORDER BY ZipCode");
  FilterChoices halves{.zip_codes = {"90000", "   "},
                       .last_visit = {Date{2001, 1, 1}, std::nullopt},
                       .claimed = {std::nullopt, Date{2001, 1, 1}},
                       .invoice_numbers = {"", "1000"}};
  EXPECT_EQ(CreateSQL({.category = 1, .filters = halves, .export_mode = true}),
            "SELECT * FROM JobsReports WHERE 1=1 ");
  // The placeholder's clean-up leaves what the user typed alone.
  EXPECT_EQ(CreateSQL({.category = 0,
                       .filters = {.referral_source = -1595250750,
                                   .zip_codes = {"1=1  AND", "2"}}}),
            "SELECT * FROM Contacts WHERE   ReferalBy=-1595250750 AND ZipCode BETWEEN "
            "'1=1  AND' AND '2'");
  // A NUL would cut the statement short; only the boxes of visited pages count.
  const std::string nul("1\0", 2);
  EXPECT_EQ(
      FilterTextProblem({.category = 1, .filters = {.invoice_numbers = {"1", nul}}}),
      "The To box of Invoice Numbers holds a NUL character, which a filter cannot "
      "contain.");
  EXPECT_EQ(FilterTextProblem({.category = 2, .filters = {.zip_codes = {nul, "2"}}}),
            std::nullopt);
}

TEST(NumericValueTest, ReadsTheLeadingNumberRoundedIntoThirtyTwoBits) {
  // clang-format off
  const std::pair<Value, int32_t> cases[] = {
      {Value("  -7.6e1x"), -76}, {Value("1e"), 1},  {Value(".5"), 0},  // halves to even
      {Value(3.5), 4},           {Value("Main St 42"), 0},   {Value(), 0},
      {Value("-1e400"), INT32_MIN},   {Value(int64_t{5'000'000'000}), INT32_MAX}};
  // clang-format on
  for (const auto& [value, expected] : cases) {
    EXPECT_EQ(NumericValue(value), expected) << value.ToText();
  }
}

// Target references the export runs below do not make: Windows paths, quoted folders.
TEST(ExportStatementTest, TargetReferencesAndRowSources) {
  // clang-format off
  const std::tuple<std::string_view, std::string, std::string> cases[] = {
      {"dBASE IV", "C:\\Exports\\cust.dbf", "[dBASE IV;Database=C:\\Exports].[cust.dbf]"},
      // The engine splits a connect string at ";" and trims its values.
      {"dBASE IV", "/srv/a;b/cust.dbf", "[dBASE IV;Database=\"/srv/a;b\"].[cust.dbf]"},
      {"HTML", "/srv/old /cust.htm", "[HTML Export;Database=\"/srv/old \"].[cust.htm]"},
      {"Microsoft Jet (Access)", "C:\\Exports\\shop.mdb", "[C:\\Exports\\shop].[Verdacor]"},
      {"Text (Comma Delimited)", "/srv/\"a;b\"/cust.csv", ""},  // "" for refused
  };
  // clang-format on
  for (const auto& [format, path, reference] : cases) {
    if (reference.empty()) {
      EXPECT_THROW(TargetReference(Format(format), path), UnnamableTarget) << path;
    } else {
      EXPECT_EQ(TargetReference(Format(format), path), reference);
    }
  }
  // Every "SELECT * FROM" outside a literal goes, case-sensitively; what still
  // says SELECT is a derived table.
  EXPECT_EQ(
      RowSource("SELECT * FROM a WHERE x IN (SELECT * FROM b) OR y = 'select * from'"),
      " a WHERE x IN ( b) OR y = 'select * from'");
  EXPECT_EQ(RowSource("SELECT * FROM a WHERE x = 'SELECT * FROM0'"),
            "( a WHERE x = 'SELECT * FROM0')");
}

TEST(ExportStatementTest, LongColumnNamesGetUniqueDbaseAliases) {
  // The alias is taken after the first "."; a suffix that repeats a kept name
  // or another alias is not used, however often the draw offers it.
  std::vector<std::string> fields = {"Contacts.CustomerType", "custome42",
                                     "CustomerSince"};
  EXPECT_EQ(
      FieldList(fields, DbaseAliases(fields, [] { return 42; })),
      "[Contacts.CustomerType] AS [Custome1],[custome42],[CustomerSince] AS [Custome2]");
}

class ExportTest : public ::testing::Test {
 protected:
  ExportTest() {
    schema::CreateReferenceDatabase(Shop(), {.contacts = 80, .seed = 3});
    // The status with the most warranty claims, so every invoice table gets rows.
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
    customers_ =
        std::stoul(Count(Shop(), "Contacts WHERE ZipCode BETWEEN '90000' AND '91999'"));
    host_.Open(Shop());
  }
  std::string Shop() const { return dir_.File("shop.db"); }
  std::string InShop(const std::string& sql) const { return QueryText(Shop(), sql); }
  std::string Count(const std::string& database, const std::string& from) const {
    return QueryText(database, "SELECT COUNT(*) FROM " + from);
  }
  // What the engine selects with `sql`, and SQLite itself with `by_hand`.
  std::vector<std::string> EngineKeys(const std::string& sql, const std::string& key) {
    std::vector<std::string> keys;
    for (data::Recordset rows = host_.Execute(sql); !rows.IsEOF(); rows.MoveNext()) {
      keys.push_back(rows.Fields(key).Value().ToText());
    }
    return keys;
  }
  std::vector<std::string> SqliteKeys(const std::string& by_hand) const {
    std::vector<std::string> keys;
    for (const auto& row : testing::QueryRows(Shop(), by_hand)) keys.push_back(row.at(0));
    return keys;
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
        {.format_index = size_t(&Format(format) - kExportFormats.data()),
         .selection = selection},
        host_, [this](bool accepting) { input_states_.push_back(accepting); });
  }
  static std::string Complete(const std::string& file) {
    return "Export of data to: " + file + " is complete.";
  }
  // Exports the invoices `filters` choose into `database` as the user chooses it.
  std::optional<std::string> ExportInvoices(FilterChoices filters,
                                            const std::string& database,
                                            ScriptedPrompts& prompts) {
    prompts.ChooseNext(database);
    return AutomatedWOExp2Access(
        {.category = kInvoicesToAccessCategory, .filters = filters, .export_mode = true},
        host_);
  }
  static std::string Created(const std::string& database) {
    return "Created tables VD_Invoices, VD_InvItems and VD_InvWarranty in database " +
           database + ".";
  }
  bool HostKeptItsCopy() const {
    return Count(Shop(), "sqlite_master WHERE name = 'VD_Invoices'") != "0";
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
  std::string status_, other_status_;
  size_t customers_ = 0;  // how many Customers() selects
  data::Connection host_;
  ScriptedPrompts prompts_;
  std::vector<bool> input_states_;
};

std::vector<int32_t> ItemData(const std::vector<ListEntry>& entries) {
  std::vector<int32_t> data;
  for (const ListEntry& entry : entries) data.push_back(entry.item_data);
  return data;
}

TEST_F(ExportTest, FilterListsOfferOnlyWhatMayBeFilteredOn) {
  FilterLists lists = LoadFilterLists(host_);
  EXPECT_THAT(ItemData(lists.account_types), ElementsAre(1, 2, 3, 4, 5, 6, 7, 8, 9));
  EXPECT_THAT(ItemData(lists.job_statuses),
              ElementsAre(1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14));
  EXPECT_THAT(lists.job_statuses, Contains(ListEntry{"Awaiting diagnosis", 1}));
  // Inactive 1 is left out; inactive 0 and null are offered.
  EXPECT_THAT(ItemData(lists.referral_sources),
              AllOf(Not(Contains(8)), Contains(4), Contains(9), Contains(-1595250750)));
  EXPECT_THAT(ItemData(lists.makes), AllOf(Not(Contains(16)), Contains(4), Contains(20)));
  EXPECT_TRUE(std::ranges::is_sorted(lists.makes, {}, &ListEntry::text));
  EXPECT_THAT(ItemData(lists.item_types), ElementsAre(1, 2, 3, 4, 5, 6));
  // An empty lookup table is no failure: the list offers nothing but "<All>".
  host_.BeginTrans();
  host_.Execute("DELETE * FROM ContactTypes");
  EXPECT_THAT(LoadFilterLists(host_).account_types, IsEmpty());
  host_.RollbackTrans();
}

// Each category with every page's filters set, against its own pages' conditions.
TEST_F(ExportTest, EveryCategorysStatementSelectsWhatAHandWrittenQuerySelects) {
  const std::string documents_make = InShop("SELECT MIN(MakeID) FROM ServiceLiterature");
  const std::string tips_make = InShop("SELECT MAX(MakeID) FROM ServiceTips");
  // clang-format off
  const FilterChoices every{.account_type = 9, .zip_codes = {"1", " 7 "},
                            .last_visit = {Date{1990, 1, 1}, Date{2003, 6, 30}},
                            .service_requested = {Date{1998, 1, 1}, Date{2003, 12, 31}},
                            .claimed = {Date{1996, 1, 1}, Date{2002, 12, 31}},
                            .invoice_numbers = {"10020", "10140"},
                            .invoice_type = InvoiceTypeChoice::kRepairs, .item_type = 2,
                            .documents_make = std::stoi(documents_make),
                            .tips_make = std::stoi(tips_make)};
  const std::string customers = "ClientType = 9 AND ZipCode BETWEEN '1' AND '7' AND LastVisit "
                                "BETWEEN '1990-01-01' AND '2003-06-30'";
  const std::string invoices = "DateIn BETWEEN '1998-01-01' AND '2003-12-31' AND ClaimedOn "
                               "BETWEEN '1996-01-01' AND '2002-12-31' AND JobNo BETWEEN 10020 "
                               "AND 10140 AND InvoiceType = 31";
  auto exporting = [](int category, FilterChoices choices) {
    return SelectionRequest{.category = category, .filters = choices, .export_mode = true};
  };
  const std::tuple<SelectionRequest, std::string, std::string> cases[] = {
      {exporting(0, every), "CKey", "SELECT CKey FROM Contacts WHERE " + customers},
      {exporting(1, every), "JobNo",
       "SELECT JobNo FROM JobsReports WHERE " + customers + " AND " + invoices},
      {exporting(2, every), "InventoryID",
       "SELECT InventoryID FROM InventoryWithDefsAll WHERE ItemType = 2"},
      {exporting(3, every), "DocID",
       "SELECT DocID FROM ServiceLiterature WHERE MakeID = " + documents_make},
      {exporting(4, every), "TipID", "SELECT TipID FROM ServiceTips WHERE MakeID = " + tips_make},
      {exporting(5, every), "JobNo", "SELECT JobNo FROM JobsReports WHERE " + invoices},
      // The invoice types' codes do not follow the buttons' order.
      {exporting(5, {.invoice_type = InvoiceTypeChoice::kSales}), "JobNo",
       "SELECT JobNo FROM Jobs WHERE InvoiceType = 30"},
      {exporting(5, {.invoice_type = InvoiceTypeChoice::kQuotes}), "JobNo",
       "SELECT JobNo FROM Jobs WHERE InvoiceType = 32"},
      // A quote in a range is searched for, never run as statement text.
      {exporting(0, {.zip_codes = {"0", "9' OR '1'='1"}}), "CKey",
       "SELECT CKey FROM Contacts WHERE ZipCode BETWEEN '0' AND '9'' OR ''1''=''1'"},
  };
  // clang-format on
  for (const auto& [request, key, by_hand] : cases) {
    const std::string sql = CreateSQL(request);
    const std::vector<std::string> expected = SqliteKeys(by_hand);
    EXPECT_THAT(expected, Not(IsEmpty())) << "the demo data holds none: " << by_hand;
    EXPECT_THAT(EngineKeys(sql, key), UnorderedElementsAreArray(expected)) << sql;
  }
}

TEST_F(ExportTest, EachFormsStatementWritesAFileOtherProgramsRead) {
  ASSERT_GT(customers_, 0u);
  const size_t documents = std::stoul(Count(Shop(), "ServiceLiterature"));
  const size_t columns = std::stoul(Count(Shop(), "pragma_table_info('Contacts')"));
  const std::string csv = "TEXT (*.txt)|*.txt|CSV (*.csv)|*.csv";
  struct Case {
    std::string_view format;
    SelectionRequest selection;
    std::string file, dialog_filter;
    std::string statement;  // exactly as built; "" when not compared
    std::string reader;
    std::vector<std::string> read;  // in what the reader prints
    std::string row_start;          // of every row (or column) the reader prints
    size_t rows;                    // the header row included
  };
  // clang-format off
  const Case cases[] = {
      {"Text (Comma Delimited)", Customers({"FirstName", "LastName", "ZipCode"}), "cust.csv",
       csv, "SELECT [FirstName],[LastName],[ZipCode] INTO [TEXT;Database=" +
           fs::path(dir_.File("cust.csv")).parent_path().string() +
           "].[cust.csv] FROM  Contacts WHERE   ZipCode BETWEEN '90000' AND '91999'",
       "read_csv.py", {"[\"FirstName\", \"LastName\", \"ZipCode\"]\n"}, "[", customers_ + 1},
      // The worksheet bears the file's name; a join is a derived table.
      {"Excel 97", {.category = 3, .export_mode = true, .selected_fields = {"MakeID", "Make"}},
       "docs.xls", "Excel 97 (*.xls)|*.xls", "",
       "read_xls.py", {"\nsheet docs.xls rows " + std::to_string(documents + 1) +
                       " columns 2\n[\"MakeID\", \"Make\"]\n"}, "[", documents + 1},
      {"Excel 2007-365 (xlsx)",
       {.category = 3, .export_mode = true, .selected_fields = {"MakeID", "Make"}},
       "docs.xlsx", "Excel Workbook (*.xlsx)|*.xlsx", "", "read_xlsx.py",
       {"sheet docs.xlsx frozen A2\n[\"MakeID\", \"Make\"]\n"}, "[", documents + 1},
      // The XML file holds every column of the selection, whatever was chosen.
      {"XML", Customers({"LastName"}), "cust.xml", "XML (*.xml)|*.xml", "", "read_rowset.py",
       {"\nrows " + std::to_string(customers_) + "\n"}, "column ", columns},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string file = dir_.File(c.file);
    ScriptedPrompts prompts;
    prompts.ChooseNext(file);
    input_states_.clear();
    ExportResult result = Run(c.format, c.selection);
    ASSERT_EQ(result.finished_message, Complete(file)) << PrintToString(Shown(prompts));
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
}

TEST_F(ExportTest, DbaseExportRenamesLongColumnsAndSaysSo) {
  const std::string target = dir_.File("cust.dbf");
  host_.Execute(
      "UPDATE Contacts SET LastName = 'Ωmega' WHERE ZipCode BETWEEN '90000' AND '91999'");
  prompts_.ChooseNext(target);
  ExportResult result =
      Run("dBASE IV", Customers({"LastVisit", "CustomerSince", "LastName"}));
  ASSERT_TRUE(result.finished_message.has_value()) << PrintToString(Shown(prompts_));
  const std::string& text = *result.finished_message;
  EXPECT_THAT(text, StartsWith(Complete(target) + "\n\n"));
  const std::string renamed = "\nCustomerSince as Custome";
  ASSERT_THAT(text, HasSubstr(renamed));
  const size_t alias_at = text.find(renamed) + renamed.size() - 7;
  const std::string alias = text.substr(alias_at, text.find('\n', alias_at) - alias_at);
  // What the format changed comes under the renamed columns.
  EXPECT_THAT(text, HasSubstr("\n\nChanged to fit the dBASE IV format:\nLastName: " +
                              std::to_string(customers_) +
                              " characters written as \"?\", which the Windows-1252 "
                              "code page lacks"));
  EXPECT_LE(alias.size(), 10u);
  EXPECT_THAT(result.result_sql,
              HasSubstr("[CustomerSince] AS [" + alias + "],[LastName]"));
  const std::string read = ReadBack("read_dbf.py", target);
  EXPECT_THAT(read,
              StartsWith("version 0x03 cp1252 records " + std::to_string(customers_) +
                         "\nLastVisit D 8 0\n" + alias + " D 8 0\nLastName C 30 0\n"));
  EXPECT_EQ(LinesStartingWith(read, "["), customers_);
}

TEST_F(ExportTest, AnExistingTargetIsOfferedForOverwriting) {
  const std::string target = dir_.File("cust.htm");
  std::ofstream(target) << "keep me";
  // The question comes before the busy pointer and held input; the failure during.
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
  EXPECT_EQ(LinesStartingWith(read, "td ["), customers_);

  // Yes keeps the old file until the new one is complete: a full disk loses neither.
  const std::string previous = Contents(target);
  prompts_.ChooseNext(target);
  prompts_.AnswerNext(MessageAnswer::kYes);
  {
    formats::WriteFaultInjection full_disk(1);
    EXPECT_EQ(Run("HTML", Customers({"LastName"})).finished_message, std::nullopt);
  }
  EXPECT_THAT(prompts_.questions().back().text, HasSubstr("No space left"));
  EXPECT_EQ(Contents(target), previous);
  EXPECT_THAT(Snapshot(), Not(HasSubstr(".old")));
  // A folder of that name is no file to overwrite: nothing is asked, and it stays.
  const std::string folder = dir_.File("folder.htm");
  fs::create_directories(folder);
  prompts_.ChooseNext(folder);
  const size_t asked = prompts_.questions().size();
  EXPECT_EQ(Run("HTML", Customers({"LastName"})).finished_message, std::nullopt);
  EXPECT_EQ(prompts_.questions().size(), asked + 1);
  EXPECT_THAT(
      prompts_.questions().back().text,
      HasSubstr("\r\n'" + folder + "' is a folder; choose a file name to export to."));
  EXPECT_TRUE(fs::is_directory(folder));
}

// Exports and invoice exports the user, the name or the target refuses change nothing.
TEST_F(ExportTest, RefusalsSaySoAndWriteNothing) {
  for (const char* folder : {"x]y", "p;q"}) fs::create_directories(dir_.File(folder));
  const std::string kept = dir_.File("x]y/cust.csv"), text_file = dir_.File("notes.mdb");
  std::ofstream(kept) << "keep me";
  std::ofstream(text_file) << "this is a text file, not a database";
  const std::string semicolon = dir_.Database("p;q/out.mdb", "CREATE TABLE t (x);");
  const std::string bracket = dir_.Database("x]y/out.mdb", "CREATE TABLE t (x);");
  const std::string plain = dir_.Database("plain", "CREATE TABLE t (x);");
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
    std::string zip_from = "90000";
  };
  const std::string not_available = "Currently not availiable";
  // clang-format off
  const Case cases[] = {
      {"OBDC", {"FirstName"}, "", 0, {not_available}, std::nullopt},
      {"Microsoft Exchange", {"FirstName"}, "", 0, {not_available}, std::nullopt},
      {"Text (Comma Delimited)", {}, dir_.File("never.csv"), 0, {"No field is selected; go "
       "back and choose the fields to export. Nothing was exported."}, std::nullopt},
      {"dBASE IV", {"FirstName"}, "", 1, {}, "Cancelled."},
      // A "]" would end the bracketed name early: refused before the overwrite question.
      {"Text (Comma Delimited)", {"LastName"}, kept, 1, {cannot_name(kept, "a \"]\"")},
       std::nullopt},
      // An Access database is named in brackets without a connect string.
      {"Microsoft Jet (Access)", {"LastName"}, semicolon, 1,
       {cannot_name(semicolon, "a \";\" in a database name")}, std::nullopt},
      {"Microsoft Jet (Access)", {"LastName"}, plain, 1, {"The Access database " + plain +
       " has no extension, so it names no database to export into. Nothing was exported."},
       std::nullopt},
      {"Microsoft Jet (Access)", {"LastName"}, "", 1,
       {"You must select an existing Access database!"}, std::nullopt},
      {"dBASE IV", {"FirstName"}, "", 0, {"The From box of Zip Code holds a NUL character, "
       "which a filter cannot contain. Nothing was exported."}, std::nullopt,
       std::string("9\0", 2)},
  };
  // clang-format on
  const std::string before = Snapshot();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.format) + " " + c.chosen);
    ScriptedPrompts prompts;
    if (!c.chosen.empty()) prompts.ChooseNext(c.chosen);
    prompts.AnswerNext(MessageAnswer::kCancel);
    SelectionRequest selection = Customers(c.fields);
    selection.filters.zip_codes.from = c.zip_from;
    ExportResult result = Run(c.format, selection);
    EXPECT_EQ(Shown(prompts), c.shown);
    EXPECT_EQ(prompts.file_requests().size(), c.dialogs);
    EXPECT_EQ(result.finished_message, c.finished);
    EXPECT_EQ(result.result_sql, "");
  }
  const std::string unnamable = "which an export statement cannot name";
  const std::pair<std::string, std::string> invoice_targets[] = {
      {semicolon, unnamable},
      {bracket, unnamable},
      {text_file, "Export failed; try again by selecting less fields.\r\n"},
      {dir_.File("missing.mdb"), "You must select an existing Access database!"},
      {Shop(), "choose another database to copy them into"},
  };
  for (const auto& [database, message] : invoice_targets) {
    SCOPED_TRACE("invoices into " + database);
    ScriptedPrompts prompts;
    prompts.AnswerNext(MessageAnswer::kCancel);
    EXPECT_EQ(ExportInvoices({.status = std::stoi(status_)}, database, prompts),
              std::nullopt);
    EXPECT_THAT(Shown(prompts), ElementsAre(HasSubstr(message)));
    EXPECT_EQ(prompts.pointers().back(), ScreenPointer::kDefault);
    EXPECT_FALSE(HostKeptItsCopy());
  }
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(ExportTest, AccessTargetMustExistAndKeepsItsTable) {
  // The statement names the database without its extension, as Jet does.
  fs::create_directories(dir_.File("my.data"));
  const std::string database =
      dir_.Database("my.data/out.2024.mdb", "CREATE TABLE Old (x);");
  prompts_.ChooseNext(dir_.File("missing.mdb"));
  prompts_.AnswerNext(MessageAnswer::kRetry);
  prompts_.ChooseNext(database);
  ExportResult result =
      Run("Microsoft Jet (Access)", Customers({"CKey", "LastName", "CustomerSince"}));
  ASSERT_EQ(prompts_.questions().size(), 1u);  // its text is among the refusals
  EXPECT_EQ(prompts_.questions()[0].title, "Select Access Database");
  EXPECT_EQ(prompts_.questions()[0].buttons, MessageButtons::kRetryCancel);
  // Long names stay: only dBASE limits them.
  EXPECT_THAT(result.result_sql,
              StartsWith("SELECT [CKey],[LastName],[CustomerSince] INTO [" +
                         dir_.File("my.data/out.2024") + "].[Verdacor] FROM"));
  EXPECT_EQ(result.finished_message, Complete(database));
  EXPECT_EQ(Count(database, "Verdacor"), std::to_string(customers_));
  // A second export into the same database never replaces the table.
  prompts_.ChooseNext(database);
  EXPECT_EQ(Run("Microsoft Jet (Access)", Customers({"CKey"})).finished_message,
            std::nullopt);
  EXPECT_THAT(prompts_.questions().back().text, HasSubstr("already exists"));
}

TEST_F(ExportTest, InvoicesGoWithTheirLinesAndWarrantyAndALaterRunReplacesThem) {
  // A quote in the database's path must not end a quoted name.
  fs::create_directories(dir_.File("o'brien & co"));
  const std::string target =
      dir_.Database("o'brien & co/out.mdb", "CREATE TABLE Unrelated (x INTEGER);");
  ASSERT_EQ(ExportInvoices({.status = std::stoi(status_)}, target, prompts_),
            Created(target))
      << PrintToString(Shown(prompts_));
  EXPECT_THAT(Shown(prompts_), IsEmpty());
  EXPECT_EQ(prompts_.file_requests().at(0).filter, "MS ACCESS (*.mdb)|*.mdb");
  const std::string of_status = " JOIN Jobs USING (JobNo) WHERE StatusCode = " + status_;
  // The item lines' lookups are left joins: an unmatched one comes back empty.
  const std::pair<std::string, std::string> counted[] = {
      {"VD_Invoices", "Jobs WHERE StatusCode = " + status_},
      {"VD_Invoices WHERE StatusCode <> " + status_, "Jobs WHERE 0"},
      {"VD_InvItems", "JobItems" + of_status},
      {"VD_InvItems WHERE ItemNumber = 'ORPHAN' AND coalesce(ShortName, ItemTypeDesc, "
       "DescEstimate, DescInvoice) IS NULL",
       "JobItems WHERE ItemNumber = 'ORPHAN'"},
      {"VD_InvItems WHERE ShortName IS NOT NULL",
       "JobItems JOIN Employees ON JobItems.TechnicianID = EmployeeNo" + of_status},
      {"VD_InvWarranty", "JobsWarranty" + of_status},
  };
  for (const auto& [in_target, in_shop] : counted) {
    EXPECT_EQ(Count(target, in_target), Count(Shop(), in_shop)) << in_target;
  }
  EXPECT_NE(Count(target, "VD_InvWarranty"), "0");
  EXPECT_EQ(Count(target, "pragma_table_info('VD_InvItems')"), "20");
  EXPECT_FALSE(HostKeptItsCopy());

  ASSERT_EQ(ExportInvoices({.status = std::stoi(other_status_)}, target, prompts_),
            Created(target));
  EXPECT_EQ(Count(target, "VD_Invoices"),
            Count(Shop(), "Jobs WHERE StatusCode = " + other_status_));
  EXPECT_EQ(Count(target, "VD_InvItems WHERE ItemNumber = 'ORPHAN'"), "0");
  // Job numbers typed as "SELECT..." select nothing, and stay text, not a derived table.
  ASSERT_EQ(ExportInvoices({.invoice_numbers = {"SELECT", "SELECTZ"}}, target, prompts_),
            Created(target))
      << PrintToString(Shown(prompts_));
  for (const char* table :
       {"VD_Invoices", "VD_InvItems", "VD_InvWarranty", "Unrelated"}) {
    EXPECT_EQ(Count(target, table), "0") << table;
  }
  EXPECT_FALSE(HostKeptItsCopy());
}

TEST_F(ExportTest, InvoicesLockedOutOrFailingHalfWayKeepTheTargetsEarlierTables) {
  const std::string target = dir_.Database("out.mdb", "CREATE TABLE Unrelated (x);");
  ASSERT_EQ(ExportInvoices({.status = std::stoi(status_)}, target, prompts_),
            Created(target));
  const std::string earlier = Contents(target);
  host_.Open(Shop(), std::chrono::seconds(1));  // keeps the locked cases short
  auto locked = [](const std::string& database) {
    return "The database " + database +
           " is locked by another program; close it there and try again. Nothing was "
           "exported.";
  };
  const std::string reading = "BEGIN; SELECT count(*) FROM sqlite_master;";
  const std::string writing = "BEGIN; CREATE TABLE Held (x);";
  const std::tuple<std::string, std::string, ::testing::Matcher<std::string>> cases[] = {
      {target, "BEGIN EXCLUSIVE;", locked(target)},
      {target, writing, locked(target)},
      {target, reading, locked(target)},
      {Shop(), "BEGIN EXCLUSIVE;", locked(Shop())},
      {Shop(), writing, locked(Shop())},
      {Shop(), reading, locked(Shop())},
      // The last copy finds no warranty records, after the others were made.
      {Shop(), "DROP TABLE JobsWarranty;",
       AllOf(StartsWith("Export failed; try again by selecting less fields.\r\n"),
             HasSubstr("no such table"))},
  };
  for (const auto& [database, statements, said] : cases) {
    SCOPED_TRACE(database + ": " + statements);
    ScriptedPrompts prompts;
    {
      // Another program's connection holds its lock until it closes, rolling it back.
      sqlite3* other = nullptr;
      sqlite3_open(database.c_str(), &other);
      const std::unique_ptr<sqlite3, int (*)(sqlite3*)> closing(other, sqlite3_close);
      ASSERT_EQ(sqlite3_exec(other, statements.c_str(), nullptr, nullptr, nullptr),
                SQLITE_OK);
      EXPECT_EQ(ExportInvoices({.status = std::stoi(other_status_)}, target, prompts),
                std::nullopt);
    }
    EXPECT_THAT(Shown(prompts), ElementsAre(said));
    EXPECT_TRUE(Contents(target) == earlier)
        << "the target now holds " << testing::SqliteShell(target, ".tables");
    EXPECT_EQ(host_.TransactionLevel(), 0);
    EXPECT_FALSE(HostKeptItsCopy());
  }
}

}  // namespace
}  // namespace vdimpexp::exporting

// The import's logic without a window: what the wizard's pages allow, the
// legacy tables its check list offers (in copies of the demo tables, made
// with GDAL), and the zip-code import against the reference shop database
// and zip-code databases made with SQLite itself.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "data/db_error.h"
#include "import/code_page_preview.h"
#include "import/entry_checker.h"
#include "import/legacy_discovery.h"
#include "import/zip_code_import.h"
#include "schema/reference_database.h"
#include "scratch_database.h"
#include "scripted_prompts.h"

namespace vdimpexp::importing {
namespace {

namespace fs = std::filesystem;
using support::MessageAnswer;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::QueryText;
using testing::SqliteDump;
using ::testing::StartsWith;

// The verdict as "next finish folder", "-" for what the page leaves alone.
std::string Verdict(const PageEntries& entries) {
  const EntryVerdict verdict = CheckEntries(entries);
  auto flag = [](std::optional<bool> on) {
    return std::string(on ? (*on ? "1 " : "0 ") : "- ");
  };
  return flag(verdict.next) + flag(verdict.finish) + verdict.database_dir.value_or("-");
}

TEST(EntryCheckerTest, AllowsNextAndFinishFromWhatThePageHolds) {
  testing::ScratchDirectory scratch;
  const std::string file = scratch.File("zips.mdb"), missing = scratch.File("no.mdb");
  const std::string empty = scratch.File("empty"), xav = scratch.File("xav");
  std::ofstream(file) << "x";
  fs::create_directories(empty);
  fs::create_directories(xav);
  std::ofstream(xav + "/LOG.DBF") << "x";
  auto zip = [](std::string_view tag, std::string_view file = {}, bool ticked = false) {
    return PageEntries{kZipCodeSource, tag, file, {}, ticked};
  };
  auto legacy = [](std::string_view tag, std::string_view main = {},
                   bool ticked = false) {
    return PageEntries{kLegacySource, tag, {}, main, ticked};
  };
  const std::pair<PageEntries, std::string> cases[] = {
      {zip("importfrom", file), "0 1 -"},
      {zip("ImportFrom"), "0 0 -"},
      {zip("ImportFrom", missing), "0 0 -"},
      {zip("ImportFrom", empty), "0 0 -"},  // a folder is no file
      {zip("TextImport"), "1 - -"},
      {zip("GeneralCheckList", "", true), "- - -"},
      {zip("SelectDB"), "1 - -"},
      {legacy("BrowseForXAVFolders", empty), "0 - " + empty + "/"},
      {legacy("BrowseForXAVFolders", xav), "1 - " + xav + "/"},
      {legacy("GeneralCheckList"), "0 - -"},
      {legacy("GeneralCheckList", "", true), "1 - -"},
      {legacy("SelectDB"), "1 - -"},
      {legacy("Finished"), "- - -"},
  };
  for (const auto& [entries, expected] : cases) {
    EXPECT_EQ(Verdict(entries), expected) << entries.source << " " << entries.page_tag;
  }
  EXPECT_EQ(DirectoryText("/data//xav/"), "/data/xav/");
  EXPECT_EQ(DirectoryText("/"), "/");
}

TEST(LegacyDiscoveryTest, ListsTheTablesWithRecordsInCodeOrder) {
  const fs::path demo = VDIMPEXP_LEGACY_DEMO_DIR;
  testing::ScratchDirectory scratch;
  testing::ScriptedPrompts prompts;
  const fs::path main = scratch.File("xav"), history = scratch.File("history");
  fs::create_directories(history);
  fs::copy(demo / "main", main);
  fs::copy(demo / "history", history);
  auto discover = [&] {
    return DiscoverLegacyTables(main.string() + "/", history.string() + "/");
  };
  using Listed = std::vector<CheckListEntry>;
  // XSERV_LIT.DBF has no records and is left out.
  EXPECT_EQ(discover(), (Listed{{"Customers (40 records)", 1},
                                {"Inventory (30 records)", 2},
                                {"Service Codes (15 records)", 3},
                                {"Labor Codes (10 records)", 4},
                                {"Manufacturers (12 records)", 5},
                                {"Dealers (8 records)", 6},
                                {"Vendor (10 records)", 7},
                                {"History W/O (25 records)", 9}}));

  // A name is found in any case, unreadable tables are left out, and the
  // history table is looked for in the history folder only.
  fs::rename(history / "ARCHIVE.DBF", main / "ARCHIVE.DBF");
  fs::rename(main / "LOG.DBF", main / "log.dbf");
  fs::rename(main / "STOCK.DBF", main / "Stock.DBF");
  std::ofstream(main / "MFG.DBF") << "not a table";
  fs::remove(main / "VENDOR.DBF");
  fs::create_directory(main / "VENDOR.DBF");
  EXPECT_EQ(discover(), (Listed{{"Customers (40 records)", 1},
                                {"Inventory (30 records)", 2},
                                {"Service Codes (15 records)", 3},
                                {"Labor Codes (10 records)", 4},
                                {"Dealers (8 records)", 6}}));
  EXPECT_THAT(DiscoverLegacyTables(scratch.File("nowhere/"), scratch.File("nowhere/")),
              IsEmpty());
  EXPECT_THAT(prompts.questions(), IsEmpty());
}

constexpr const char* kSourceTable =
    "CREATE TABLE AustralianZipCodes (PostCode TEXT(10), CityTown TEXT(50), "
    "State TEXT(10), AreaCode TEXT(5));";

class ZipCodeImportTest : public ::testing::Test {
 protected:
  ZipCodeImportTest() {
    schema::CreateReferenceDatabase(host_path_, {.contacts = 5, .seed = 3});
    std::ofstream(scratch_.File(std::string(kWorkgroupFileName)));
    host_.Open(host_path_);
  }

  // Answers the question with `answer` and imports `source`.
  ZipCodeImportResult Import(MessageAnswer answer, const std::string& source) {
    prompts_.AnswerNext(answer);
    return ImportZipCodes(host_, source, scratch_.File(""));
  }
  std::string Query(const std::string& sql) { return QueryText(host_path_, sql); }
  std::string Told() { return prompts_.questions().back().text; }

  testing::ScratchDirectory scratch_;
  std::string host_path_ = scratch_.File("shop.db");
  // 02101 is in the host table already, 2000 comes twice.
  std::string source_ = scratch_.Database("zips.mdb", std::string(kSourceTable) + R"sql(
      INSERT INTO AustralianZipCodes VALUES
        ('2000', 'Sydney', 'NSW', '02'), ('0800', 'Darwin', 'NT', NULL),
        ('02101', 'Boston', 'MA', '617'), ('3000', 'Melbourne', 'VIC', '03'),
        ('2000', 'Sydney', 'NSW', '02');)sql");
  data::Connection host_;
  testing::ScriptedPrompts prompts_;
};

// What the check list previews: where the code page comes from, and the
// values with accents read in it; a table that cannot be opened says why.
TEST(CodePagePreviewTest, NamesTheTablesCodePageAndShowsItsAccentedValues) {
  const std::string cp852 = VDIMPEXP_CODEPAGE_FIXTURES "/cp852/LOG.DBF";
  const std::string marked = VDIMPEXP_XAV_FIXTURES "/main/LOG.DBF";
  struct Case {
    std::string path, choice, text;
  };
  const Case cases[] = {
      {cp852, "CP852",
       "LOG.DBF declares no character set: read as DOS 852 (Central Europe).\n"
       "    Antonín\n    Dvořák\n    Łucja\n    Wiśniewska\n    Łódź"},
      {cp852, "", "LOG.DBF declares no character set: judged from its bytes as DOS "},
      {marked, "CP866",
       "LOG.DBF declares DOS 850 (Western Europe) in its header, and is read so "
       "whatever the choice.\n    ÉLODIE\n"},
      {"/nonexistent/LOG.DBF", "", "LOG.DBF could not be opened: "},
  };
  for (const Case& preview : cases) {
    EXPECT_THAT(CodePagePreviewText(PreviewCodePage(preview.path, preview.choice)),
                StartsWith(preview.text))
        << preview.path << " " << preview.choice;
  }
}

TEST(ZipSourceConnectionStringTest, NamesTheWorkgroupBesideTheComponent) {
  EXPECT_EQ(ZipSourceConnectionString(" /data/zips.mdb ", "/opt/vd"),
            "Provider=Microsoft.Jet.OLEDB.4.0;Password=rw!qf;Persist Security "
            "Info=False;User ID=Tekvar;Data Source= /data/zips.mdb ;Jet OLEDB:System "
            "database=/opt/vd/QP.QPW;Jet OLEDB:Database Password=");
}

TEST_F(ZipCodeImportTest, CancelChangesNothingAndNoReplacesTheTable) {
  const std::string before = SqliteDump(host_path_);
  EXPECT_FALSE(Import(MessageAnswer::kCancel, source_).ran);
  EXPECT_EQ(SqliteDump(host_path_), before);
  EXPECT_THAT(prompts_.questions(),
              ElementsAre(support::MessageQuestion{
                  .text = "Would you like to keep existing zip codes ?",
                  .title = "Import ?",
                  .buttons = support::MessageButtons::kYesNoCancel,
                  .icon = support::MessageIcon::kQuestion,
                  .default_answer = MessageAnswer::kNo}));

  // The old codes go, and the source's come in its own order; its repeated
  // code is kept once.
  const ZipCodeImportResult result = Import(MessageAnswer::kNo, source_);
  EXPECT_TRUE(result.ran);
  EXPECT_EQ(result.added, 4);
  EXPECT_EQ(result.skipped, 1);
  EXPECT_EQ(Query("SELECT group_concat(ZipCode || ' ' || City || ' ' || State || ' ' || "
                  "coalesce(AreaCode, 'null'), ', ') FROM (SELECT * FROM ZipCodes "
                  "ORDER BY rowid)"),
            "2000 Sydney NSW 02, 0800 Darwin NT null, 02101 Boston MA 617, "
            "3000 Melbourne VIC 03");
  EXPECT_EQ(Told(),
            "1 zip code was already in the table and was skipped; the other rows were "
            "imported.");
}

TEST_F(ZipCodeImportTest, YesKeepsTheTableAndSkipsCodesItHoldsAndARollbackUndoesIt) {
  const std::string count = "SELECT count(*) FROM ZipCodes";
  const int64_t before = std::stoll(Query(count));
  const std::string boston = Query("SELECT City FROM ZipCodes WHERE ZipCode = '02101'");
  const std::string dump_before = SqliteDump(host_path_);
  host_.BeginTrans();
  const ZipCodeImportResult result = Import(MessageAnswer::kYes, source_);
  EXPECT_EQ(result.added, 3);
  EXPECT_EQ(result.skipped, 2);
  EXPECT_EQ(Told(),
            "2 zip codes were already in the table and were skipped; the other rows "
            "were imported.");
  host_.RollbackTrans();
  EXPECT_EQ(SqliteDump(host_path_), dump_before) << "exactly as it was";

  // No, rolled back: the deletion goes with the new rows.
  host_.BeginTrans();
  Import(MessageAnswer::kNo, source_);
  host_.RollbackTrans();
  EXPECT_EQ(SqliteDump(host_path_), dump_before);

  host_.BeginTrans();
  Import(MessageAnswer::kYes, source_);
  host_.CommitTrans();
  EXPECT_EQ(std::stoll(Query(count)), before + 3);
  EXPECT_EQ(Query("SELECT City FROM ZipCodes WHERE ZipCode = '02101'"), boston);

  // An empty source: Yes adds nothing, No empties the table, nothing to tell.
  const std::string empty = scratch_.Database("empty.mdb", kSourceTable);
  const std::size_t questions = prompts_.questions().size();
  EXPECT_TRUE(Import(MessageAnswer::kYes, empty).ran);
  EXPECT_EQ(std::stoll(Query(count)), before + 3);
  EXPECT_TRUE(Import(MessageAnswer::kNo, empty).ran);
  EXPECT_EQ(Query(count), "0");
  EXPECT_EQ(prompts_.questions().size(), questions + 2);
  // A code longer than the host's column is left out too, and told apart
  // from codes the table held.
  const std::string too_long = scratch_.Database(
      "long.mdb",
      std::string(kSourceTable) +
          "INSERT INTO AustralianZipCodes VALUES ('12345678901', 'X', 'X', NULL);");
  EXPECT_EQ(Import(MessageAnswer::kYes, too_long).refused, 1);
  EXPECT_EQ(Told(),
            "1 row held a value the table cannot take and was left out; the other "
            "rows were imported.");
  EXPECT_EQ(Query(count), "0");
}

TEST_F(ZipCodeImportTest, ASourceThatCannotBeReadIsRefusedBeforeTheQuestion) {
  const std::string before = SqliteDump(host_path_);
  const std::string other = scratch_.Database("other.mdb", "CREATE TABLE Other (a);");
  for (const std::string& source : {other, scratch_.File("missing.mdb")}) {
    EXPECT_THROW(ImportZipCodes(host_, source, scratch_.File("")), data::DbError)
        << source;
  }
  // Without its workgroup file the source cannot be opened either.
  EXPECT_THROW(ImportZipCodes(host_, source_, scratch_.File("elsewhere")), data::DbError);
  EXPECT_THAT(prompts_.questions(), IsEmpty());
  EXPECT_EQ(SqliteDump(host_path_), before);
}

}  // namespace
}  // namespace vdimpexp::importing

// The zip-code import against the reference shop database and zip-code
// databases made with SQLite itself: the three answers, codes the host
// holds already, sources that are not what they should be, and a rollback
// that leaves the host database byte for byte as it was.
#include "import/zip_code_import.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>

#include "data/db_error.h"
#include "schema/reference_database.h"
#include "scratch_database.h"
#include "scripted_prompts.h"

namespace vdimpexp::importing {
namespace {

using support::MessageAnswer;
using testing::QueryText;
using testing::ScratchDirectory;
using testing::ScriptedPrompts;

class ZipCodeImportTest : public ::testing::Test {
 protected:
  ZipCodeImportTest() {
    schema::CreateReferenceDatabase(host_path_, {.contacts = 5, .seed = 3});
    std::ofstream(scratch_.File(std::string(kWorkgroupFileName)));
    // 02101 is in the host table already, 2000 comes twice.
    source_ = scratch_.Database("zips.mdb", R"sql(
      CREATE TABLE AustralianZipCodes (PostCode TEXT(10), CityTown TEXT(50),
                                       State TEXT(10), AreaCode TEXT(5));
      INSERT INTO AustralianZipCodes VALUES
        ('2000', 'Sydney', 'NSW', '02'), ('0800', 'Darwin', 'NT', NULL),
        ('02101', 'Boston', 'MA', '617'), ('3000', 'Melbourne', 'VIC', '03'),
        ('2000', 'Sydney', 'NSW', '02');
    )sql");
    host_.Open(host_path_);
  }

  ZipCodeImportResult Import(const std::string& source) {
    return ImportZipCodes(host_, source, scratch_.File(""));
  }
  std::string Query(const std::string& sql) { return QueryText(host_path_, sql); }

  ScratchDirectory scratch_;
  std::string host_path_ = scratch_.File("shop.db");
  std::string source_;
  data::Connection host_;
  ScriptedPrompts prompts_;
};

TEST(ZipSourceConnectionStringTest, NamesTheWorkgroupBesideTheComponent) {
  EXPECT_EQ(ZipSourceConnectionString(" /data/zips.mdb ", "/opt/vd"),
            "Provider=Microsoft.Jet.OLEDB.4.0;Password=rw!qf;Persist Security "
            "Info=False;User ID=Tekvar;Data Source= /data/zips.mdb ;Jet OLEDB:System "
            "database=/opt/vd/QP.QPW;Jet OLEDB:Database Password=");
}

TEST_F(ZipCodeImportTest, CancelChangesNothingAndNoReplacesTheTable) {
  const std::string before = testing::SqliteDump(host_path_);
  prompts_.AnswerNext(MessageAnswer::kCancel);
  EXPECT_FALSE(Import(source_).ran);
  EXPECT_EQ(testing::SqliteDump(host_path_), before);
  ASSERT_EQ(prompts_.questions().size(), 1u);
  EXPECT_EQ(
      prompts_.questions()[0],
      (support::MessageQuestion{.text = "Would you like to keep existing zip codes ?",
                                .title = "Import ?",
                                .buttons = support::MessageButtons::kYesNoCancel,
                                .icon = support::MessageIcon::kQuestion,
                                .default_answer = MessageAnswer::kNo}));

  // No: the old codes go, and the source's come in its own order; its
  // repeated code is kept once.
  host_.BeginTrans();
  prompts_.AnswerNext(MessageAnswer::kNo);
  ZipCodeImportResult result = Import(source_);
  host_.CommitTrans();
  EXPECT_TRUE(result.ran);
  EXPECT_EQ(result.added, 4);
  EXPECT_EQ(result.skipped, 1);
  EXPECT_EQ(Query("SELECT group_concat(ZipCode, ',') FROM (SELECT ZipCode FROM ZipCodes "
                  "ORDER BY rowid)"),
            "2000,0800,02101,3000");
  EXPECT_EQ(Query("SELECT City || '|' || State || '|' || coalesce(AreaCode, 'null') "
                  "FROM ZipCodes WHERE ZipCode = '0800'"),
            "Darwin|NT|null");
  ASSERT_EQ(prompts_.questions().size(), 3u);
  EXPECT_EQ(prompts_.questions()[2].text,
            "1 zip code was already in the table and was skipped; the other rows were "
            "imported.");
}

TEST_F(ZipCodeImportTest, YesKeepsTheTableAndSkipsCodesItHolds) {
  const int64_t before = std::stoll(Query("SELECT count(*) FROM ZipCodes"));
  const std::string boston = Query("SELECT City FROM ZipCodes WHERE ZipCode = '02101'");
  const std::string dump_before = testing::SqliteDump(host_path_);
  host_.BeginTrans();
  prompts_.AnswerNext(MessageAnswer::kYes);
  ZipCodeImportResult result = Import(source_);
  EXPECT_EQ(result.added, 3);
  EXPECT_EQ(result.skipped, 2);
  EXPECT_EQ(prompts_.questions().back().text,
            "2 zip codes were already in the table and were skipped; the other rows "
            "were imported.");
  // Rolled back, the host database is exactly as it was.
  host_.RollbackTrans();
  EXPECT_EQ(testing::SqliteDump(host_path_), dump_before);

  host_.BeginTrans();
  prompts_.AnswerNext(MessageAnswer::kYes);
  Import(source_);
  host_.CommitTrans();
  EXPECT_EQ(std::stoll(Query("SELECT count(*) FROM ZipCodes")), before + 3);
  EXPECT_EQ(Query("SELECT City FROM ZipCodes WHERE ZipCode = '02101'"), boston);
}

TEST_F(ZipCodeImportTest, AnEmptySourceAddsNothingAndNoEmptiesTheTable) {
  std::string empty = scratch_.Database("empty.mdb", R"sql(
    CREATE TABLE AustralianZipCodes (PostCode TEXT(10), CityTown TEXT(50),
                                     State TEXT(10), AreaCode TEXT(5));
  )sql");
  const std::string before = Query("SELECT count(*) FROM ZipCodes");
  prompts_.AnswerNext(MessageAnswer::kYes);
  EXPECT_EQ(Import(empty).ran, true);
  EXPECT_EQ(Query("SELECT count(*) FROM ZipCodes"), before);
  prompts_.AnswerNext(MessageAnswer::kNo);
  EXPECT_EQ(Import(empty).ran, true);
  EXPECT_EQ(Query("SELECT count(*) FROM ZipCodes"), "0");
  EXPECT_EQ(prompts_.questions().size(), 2u) << "nothing skipped, nothing to tell";
}

TEST_F(ZipCodeImportTest, ASourceThatIsNotAZipCodeDatabaseIsRefusedBeforeTheQuestion) {
  const std::string before = testing::SqliteDump(host_path_);
  std::string text_file = scratch_.File("zips.txt");
  std::ofstream(text_file) << "PostCode,CityTown\n2000,Sydney\n";
  std::string jet_file = scratch_.File("real.mdb");
  std::ofstream(jet_file) << std::string(4, '\0') << "Standard Jet DB"
                          << std::string(200, '\0');
  std::string other = scratch_.Database("other.mdb", "CREATE TABLE Other (a);");

  for (const auto& [source, names] :
       {std::pair{text_file, "not a database"}, std::pair{jet_file, "Jet"},
        std::pair{other, "AustralianZipCodes"},
        std::pair{scratch_.File("missing.mdb"), "missing"}}) {
    SCOPED_TRACE(source);
    try {
      Import(source);
      ADD_FAILURE() << "imported from " << source;
    } catch (const data::DbError& error) {
      EXPECT_NE(std::string(error.what()).find(names), std::string::npos) << error.what();
    }
  }
  EXPECT_TRUE(prompts_.questions().empty());
  EXPECT_EQ(testing::SqliteDump(host_path_), before);

  // Without its workgroup file the source cannot be opened either.
  EXPECT_THROW(ImportZipCodes(host_, source_, scratch_.File("elsewhere")), data::DbError);
}

}  // namespace
}  // namespace vdimpexp::importing

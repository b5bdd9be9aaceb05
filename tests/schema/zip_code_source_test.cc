#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "schema/reference_database.h"
#include "schema_test_util.h"

namespace vdimpexp::schema {
namespace {

using testing::Db;

class ZipCodeSourceTest : public ::testing::Test {
 protected:
  std::string NewPath(const std::string& name) {
    if (dir_.empty()) dir_ = testing::FreshTempDir("zip");
    return (dir_ / name).string();
  }
  std::filesystem::path dir_;
};

TEST_F(ZipCodeSourceTest, HoldsTheRequestedDistinctPostCodes) {
  const auto path = NewPath("au.db");
  CreateZipCodeSourceDatabase(path, 2000, 5);
  Db db(path);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM AustralianZipCodes"), 2000);
  EXPECT_EQ(db.Int("SELECT COUNT(DISTINCT PostCode) FROM AustralianZipCodes"), 2000);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM AustralianZipCodes WHERE PostCode NOT GLOB "
                   "'[0-9][0-9][0-9][0-9]' OR typeof(PostCode) <> 'text'"),
            0);
  // Northern Territory codes keep their leading zero.
  EXPECT_GT(db.Int("SELECT COUNT(*) FROM AustralianZipCodes WHERE PostCode LIKE '08%'"),
            0);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM AustralianZipCodes WHERE PostCode LIKE '0%' AND "
                   "State <> 'NT'"),
            0);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM AustralianZipCodes WHERE PostCode LIKE '3%' AND "
                   "State <> 'VIC'"),
            0);
  // Some rows come without an area code; the others carry their state's.
  EXPECT_GT(db.Int("SELECT COUNT(*) FROM AustralianZipCodes WHERE AreaCode IS NULL"), 0);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM AustralianZipCodes WHERE State = 'QLD' AND "
                   "AreaCode <> '07'"),
            0);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM AustralianZipCodes WHERE CityTown IS NULL OR "
                   "length(CityTown) > 50"),
            0);
  // Listed in code order, as the published tables are.
  EXPECT_EQ(db.Column("SELECT PostCode FROM AustralianZipCodes"),
            db.Column("SELECT PostCode FROM AustralianZipCodes ORDER BY PostCode"));
}

TEST_F(ZipCodeSourceTest, ColumnsFitTheHostZipCodeTable) {
  const auto path = NewPath("au.db");
  CreateZipCodeSourceDatabase(path, 10, 1);
  Db source(path);
  const auto columns = testing::TableInfo(source, "AustralianZipCodes");
  ASSERT_EQ(columns.size(), 4u);
  EXPECT_EQ(columns[0].name, "PostCode");
  EXPECT_EQ(columns[1].name, "CityTown");
  EXPECT_EQ(columns[2].name, "State");
  EXPECT_EQ(columns[3].name, "AreaCode");

  // Values are copied unchanged, so every host column must be at least as
  // wide as its source column.
  Db host;
  CreateReferenceSchema(host.get());
  const auto target = testing::TableInfo(host, "ZipCodes");
  const char* host_names[] = {"ZipCode", "City", "State", "AreaCode"};
  for (size_t i = 0; i < 4; ++i) {
    const auto source_size = testing::TextSize(columns[i].type);
    const auto host_column = testing::FindColumn(target, host_names[i]);
    ASSERT_TRUE(source_size.has_value()) << columns[i].type;
    ASSERT_TRUE(host_column.has_value()) << host_names[i];
    EXPECT_GE(testing::TextSize(host_column->type).value_or(0), *source_size)
        << host_names[i];
  }
}

TEST_F(ZipCodeSourceTest, SameSeedSameRowsOtherSeedOtherRows) {
  CreateZipCodeSourceDatabase(NewPath("a.db"), 300, 9);
  CreateZipCodeSourceDatabase(NewPath("b.db"), 300, 9);
  CreateZipCodeSourceDatabase(NewPath("c.db"), 300, 10);
  Db a(NewPath("a.db")), b(NewPath("b.db")), c(NewPath("c.db"));
  EXPECT_TRUE(a.Dump("AustralianZipCodes") == b.Dump("AustralianZipCodes"));
  EXPECT_TRUE(a.Dump("AustralianZipCodes") != c.Dump("AustralianZipCodes"));
  EXPECT_FALSE(a.Dump("AustralianZipCodes").empty());
}

TEST_F(ZipCodeSourceTest, EmptySourceHasTheTableAndNoRows) {
  const auto path = NewPath("empty.db");
  CreateZipCodeSourceDatabase(path, 0, 1);
  Db db(path);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM AustralianZipCodes"), 0);
}

TEST_F(ZipCodeSourceTest, RefusesAnExistingFileAndImpossibleSizes) {
  const auto path = NewPath("au.db");
  CreateZipCodeSourceDatabase(path, 5, 1);
  EXPECT_THROW(CreateZipCodeSourceDatabase(path, 5, 1), std::runtime_error);
  Db db(path);
  EXPECT_EQ(db.Int("SELECT COUNT(*) FROM AustralianZipCodes"), 5);

  const auto too_many = NewPath("too_many.db");
  EXPECT_THROW(CreateZipCodeSourceDatabase(too_many, 100000, 1), std::invalid_argument);
  EXPECT_THROW(CreateZipCodeSourceDatabase(too_many, -1, 1), std::invalid_argument);
  EXPECT_FALSE(std::filesystem::exists(too_many));
}

}  // namespace
}  // namespace vdimpexp::schema

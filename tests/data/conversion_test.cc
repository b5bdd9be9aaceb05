#include "data/conversion.h"

#include <gtest/gtest.h>

#include "data/db_error.h"

namespace vdimpexp::data {
namespace {

Value Converted(const ColumnInfo& column, Value value) {
  ConvertForColumn(column, value);
  return value;
}

int32_t ErrorNumberOf(const ColumnInfo& column, const Value& value) {
  try {
    Converted(column, value);
  } catch (const DbError& error) {
    EXPECT_NE(error.description().find(column.name), std::string::npos)
        << "the message names the column: " << error.description();
    return error.number();
  }
  return 0;
}

TEST(ConversionTest, TextBecomesNumbersAndDatesTheWayTheHostPlatformDoes) {
  ColumnInfo quantity = DescribeColumn("Qty", "INTEGER");
  EXPECT_EQ(Converted(quantity, "12"), Value(int64_t{12}));
  EXPECT_EQ(Converted(quantity, " 12 "), Value(int64_t{12}));
  EXPECT_EQ(Converted(quantity, "2.5"), Value(int64_t{2}));  // halves to even
  EXPECT_EQ(Converted(quantity, "3.5"), Value(int64_t{4}));
  EXPECT_EQ(Converted(quantity, true), Value(int64_t{-1}));
  EXPECT_EQ(Converted(DescribeColumn("Price", "CURRENCY"), "19.99"), Value(19.99));
  EXPECT_EQ(Converted(DescribeColumn("D", "DATETIME"), "03/15/1999"),
            Value(Date{1999, 3, 15}));
  EXPECT_EQ(Converted(DescribeColumn("Flag", "BIT"), "Yes"), Value(true));
  EXPECT_EQ(Converted(DescribeColumn("Flag", "BIT"), int64_t{0}), Value(false));
  EXPECT_EQ(Converted(DescribeColumn("Zip", "TEXT(10)"), int64_t{1234}), Value("1234"));
  EXPECT_EQ(Converted(DescribeColumn("Amount", "DECIMAL(10,2)"), "1.005001"),
            Value(1.01));
  EXPECT_TRUE(Converted(quantity, Value()).IsNull());
}

TEST(ConversionTest, RefusesWhatTheColumnCannotTake) {
  ColumnInfo quantity = DescribeColumn("Qty", "SMALLINT");
  EXPECT_EQ(ErrorNumberOf(quantity, ""), error_number::kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf(quantity, "   "), error_number::kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf(quantity, "12abc"), error_number::kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf(quantity, "40000"), error_number::kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf(DescribeColumn("B", "BYTE"), int64_t{-1}),
            error_number::kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf(DescribeColumn("D", "DATETIME"), ""),
            error_number::kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf(DescribeColumn("D", "DATETIME"), "2/30/1999"),
            error_number::kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf(DescribeColumn("Flag", "BIT"), "maybe"),
            error_number::kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf(DescribeColumn("Price", "DOUBLE"), Value(Date{2001, 1, 1})),
            error_number::kTypeMismatch);
}

TEST(ConversionTest, TextLengthIsCountedInCharacters) {
  ColumnInfo state = DescribeColumn("State", "TEXT(2)");
  EXPECT_EQ(Converted(state, "NY"), Value("NY"));
  EXPECT_EQ(Converted(state, "\xC3\xA9\xC3\xA9"), Value("\xC3\xA9\xC3\xA9"));
  EXPECT_EQ(ErrorNumberOf(state, "NYC"), error_number::kTextTooLong);
  EXPECT_EQ(Converted(DescribeColumn("Notes", "LONGTEXT"), std::string(100000, 'x'))
                .AsText()
                .size(),
            100000u);
}

TEST(ColumnInfoTest, DeclaredTypesMapToColumnKindsAndSizes) {
  EXPECT_EQ(DescribeColumn("c", "TEXT(40)").defined_size, 40);
  EXPECT_EQ(DescribeColumn("c", "varchar ( 12 )").defined_size, 12);
  EXPECT_EQ(DescribeColumn("c", "TEXT").defined_size, 255);
  EXPECT_EQ(DescribeColumn("c", "LONGTEXT").type, ColumnType::kMemo);
  EXPECT_EQ(DescribeColumn("c", "INTEGER").type, ColumnType::kLong);
  EXPECT_EQ(DescribeColumn("c", "SMALLINT").type, ColumnType::kInteger);
  EXPECT_EQ(DescribeColumn("c", "DATETIME").type, ColumnType::kDate);
  EXPECT_EQ(DescribeColumn("c", "").type, ColumnType::kVariant);
  ColumnInfo money = DescribeColumn("c", "DECIMAL(10, 2)");
  EXPECT_EQ(money.precision, 10);
  EXPECT_EQ(money.scale, 2);
  for (const char* declared :
       {"TEXT(40)", "LONGTEXT", "BIT", "BYTE", "SMALLINT", "INTEGER", "SINGLE", "DOUBLE",
        "CURRENCY", "DECIMAL(12,3)", "DATETIME"}) {
    ColumnInfo column = DescribeColumn("c", declared);
    ColumnInfo again = DescribeColumn("c", DeclaredTypeOf(column));
    EXPECT_EQ(again.type, column.type) << declared;
    EXPECT_EQ(again.defined_size, column.defined_size) << declared;
    EXPECT_EQ(again.scale, column.scale) << declared;
  }
}

}  // namespace
}  // namespace vdimpexp::data

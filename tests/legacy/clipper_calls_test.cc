#include "legacy/clipper_calls.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <string>

#include "dbf_builder.h"
#include "scratch_database.h"

namespace vdimpexp::legacy {
namespace {

using testing::DbfBuilder;

std::size_t CodePoints(const std::string& utf8) {
  std::size_t count = 0;
  for (char byte : utf8) count += (byte & 0xC0) != 0x80;
  return count;
}

class FieldTextTest : public ::testing::Test {
 protected:
  void TearDown() override { code4initUndo(context_); }

  TableHandle OpenAtTop(const DbfBuilder& table, const std::string& name = "t.dbf") {
    const TableHandle handle = d4open(context_, table.WriteTo(scratch_.File(name)));
    EXPECT_EQ(d4top(handle), 0);
    return handle;
  }

  testing::ScratchDirectory scratch_;
  ContextHandle context_ = code4initVB();
};

TEST_F(FieldTextTest, KeepsTheFieldWidthAndItsFillerSpaces) {
  DbfBuilder table = DbfBuilder().Field("NAME", 'C', 10).Field("QTY", 'N', 6);
  table.language_driver = 0x03;
  table.Record({"abc", "    12"}).Record({"", std::string("12\0\0\0\0", 6)});
  const TableHandle handle = OpenAtTop(table);
  EXPECT_EQ(FieldText(d4field(handle, "NAME")), "abc       ");
  EXPECT_EQ(FieldText(d4field(handle, "qty")), "    12");
  EXPECT_EQ(FieldText(d4field(handle, "MISSING")), "");

  ASSERT_EQ(d4skip(handle, 1), 0);
  EXPECT_EQ(FieldText(d4field(handle, "NAME")), std::string(10, ' '));
  EXPECT_EQ(FieldText(d4field(handle, "QTY")), "12    ") << "NUL padding reads as blanks";
  ASSERT_NE(d4skip(handle, 1), 0);
  EXPECT_EQ(FieldText(d4field(handle, "NAME")), "") << "past the last record";
}

TEST_F(FieldTextTest, ReadsEveryFieldTypeAsItsStoredBytes) {
  // Binary FoxPro fields (integers, doubles, date-times, 4-byte memo block
  // numbers) come back byte for byte, read as Windows-1252 text.
  DbfBuilder table;
  table.version = 0x30;
  table.language_driver = 0x03;
  table.header_tail = 263;
  const std::pair<char, std::string> fields[] = {
      {'C', "ab  "},          {'N', " 12.5"},     {'F', "  3.25"},
      {'D', "19990315"},      {'L', "T"},         {'M', "       123"},
      {'I', {"*\0\0\0", 4}},  {'B', "\x8B\x84%"}, {'T', std::string(8, '\0')},
      {'G', {"\a\0\0\0", 4}},
  };
  std::vector<std::string> values;
  for (const auto& [type, bytes] : fields) {
    table.Field(std::string(1, type), type, static_cast<std::uint8_t>(bytes.size()));
    values.push_back(bytes);
  }
  const TableHandle handle = OpenAtTop(table.Record(values));
  const std::pair<const char*, const char*> expected[] = {
      {"C", "ab  "},     {"N", " 12.5"},      {"F", "  3.25"}, {"D", "19990315"},
      {"L", "T"},        {"M", "       123"}, {"I", "*   "},   {"B", "\u2039\u201E%"},
      {"T", "        "}, {"G", "\a   "},
  };
  for (const auto& [name, text] : expected)
    EXPECT_EQ(FieldText(d4field(handle, name)), text);
}

TEST_F(FieldTextTest, MultiByteTextIsPaddedToTheFieldWidth) {
  std::ofstream(scratch_.File("utf8.cpg")) << "UTF-8";
  const TableHandle handle = OpenAtTop(
      DbfBuilder().Field("NAME", 'C', 10).Field("CUT", 'C', 4).Record({"日本", "ab\xC3"}),
      "utf8.dbf");
  const std::string name = FieldText(d4field(handle, "NAME"));
  EXPECT_EQ(name, "日本" + std::string(8, ' '));
  EXPECT_EQ(CodePoints(name), 10u);
  EXPECT_EQ(FieldText(d4field(handle, "CUT")), "ab\uFFFD ") << "a character cut off";
}

TEST(FormatDbfDateTest, RendersStoredDatesThroughThePicture) {
  auto format = [](const std::string& stored, const std::string& picture) {
    std::string result = "left over";
    FormatDbfDate(stored, result, picture);
    return result;
  };
  EXPECT_EQ(format("19990315", "MM/DD/CCYY"), "03/15/1999");
  EXPECT_EQ(format("20000229", "MM/DD/CCYY"), "02/29/2000");
  EXPECT_EQ(format("19990315", "DD.MM.YY"), "15.03.99");
  EXPECT_EQ(format("19990315", "YYYY-MM-DD"), "1999-03-15");
  EXPECT_EQ(format("19990315", "day DD"), "day 15") << "only upper-case letters count";
  EXPECT_EQ(format("19990315", "YYYYY"), " 1999");
  EXPECT_EQ(format("19990315", ""), "");
  for (const char* stored : {"        ", "00000000", "19990230", "19000229", "1999031",
                             "1999-3-1", "00000101", "19991301", ""}) {
    EXPECT_EQ(format(stored, "MM/DD/CCYY"), "  /  /    ") << stored;
  }

  std::array<char, 6> small;
  small.fill('x');
  date4format("19990315", small, "MM/DD/CCYY");
  EXPECT_STREQ(small.data(), "03/15") << "cut to the buffer, still terminated";
}

}  // namespace
}  // namespace vdimpexp::legacy

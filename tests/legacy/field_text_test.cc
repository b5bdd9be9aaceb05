// The text of DBF fields (FieldText, FormatDbfDate), the code pages it is decoded from,
// and tables shapelib's dbfcreate/dbfadd and GDAL's ogr2ogr wrote (tests/fixtures/dbf).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <fstream>
#include <string>
#include <vector>

#include "data/text.h"
#include "dbf_builder.h"
#include "legacy/clipper_calls.h"
#include "legacy/code_page.h"
#include "legacy/code_page_choice.h"
#include "legacy/code_page_guess.h"
#include "scratch_database.h"

namespace vdimpexp::legacy {
namespace {

using testing::DbfBuilder;
using ::testing::ElementsAre;

class FieldTextTest : public ::testing::Test {
 protected:
  void TearDown() override { code4initUndo(context_); }

  // The table written as `file`, on its first record.
  TableHandle AtTop(const DbfBuilder& table, const std::string& file = "t.dbf") {
    const TableHandle handle = d4open(context_, table.WriteTo(scratch_.File(file)));
    EXPECT_EQ(d4top(handle), 0) << file;
    return handle;
  }
  static std::string Text(TableHandle table, const char* field) {
    return FieldText(d4field(table, field));
  }
  // Every live record of a fixture as the named fields' texts joined by "|".
  std::vector<std::string> Rows(const std::string& file,
                                const std::vector<const char*>& fields) {
    std::vector<std::string> rows;
    const TableHandle table = d4open(context_, VD_DBF_FIXTURES "/" + file);
    for (int result = d4top(table); result == 0; result = d4skip(table, 1)) {
      std::string& row = rows.emplace_back();
      for (const char* field : fields)
        row += (row.empty() ? "" : "|") + Text(table, field);
    }
    EXPECT_EQ(code4errorCode(context_, 0), 0) << file;
    return rows;
  }

  testing::ScratchDirectory scratch_;
  ContextHandle context_ = code4initVB();
};

TEST_F(FieldTextTest, KeepsTheFieldWidthAndItsFillerSpaces) {
  // Visual FoxPro, whose records start after a link area in the header.
  DbfBuilder table = DbfBuilder().Field("NAME", 'C', 10).Field("QTY", 'N', 6);
  table.version = 0x30;
  table.header_tail = 263;
  table.Record({"abc", "    12"}).Record({"", std::string("12\0\0\0\0", 6)});
  const TableHandle handle = AtTop(table);
  EXPECT_EQ(Text(handle, "NAME"), "abc       ");
  EXPECT_EQ(Text(handle, "qty"), "    12");
  EXPECT_EQ(Text(handle, "MISSING"), "");
  ASSERT_EQ(d4skip(handle, 1), 0);
  EXPECT_EQ(Text(handle, "NAME"), std::string(10, ' '));
  EXPECT_EQ(Text(handle, "QTY"), "12    ") << "NUL padding reads as blanks";
  ASSERT_NE(d4skip(handle, 1), 0);
  EXPECT_EQ(Text(handle, "NAME"), "") << "past the last record";
}

// Memo files built byte by byte: the layouts python3-dbf does not write
// (dBASE IV) and the damage it never writes; the import tests read its files.
TEST_F(FieldTextTest, MemoTextsComeFromTheMemoFileAndDamageCountsAProblem) {
  auto le = [](std::uint32_t n) {
    return std::string{char(n), char(n >> 8), char(n >> 16), char(n >> 24)};
  };
  auto be = [](std::uint32_t n) {
    return std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
  };
  // dBASE IV: 64-byte blocks as its header says; FoxPro: 16-byte ones.
  const std::string dbase4 = std::string(20, '\0') + "\x40" + std::string(43, '\0');
  const std::string fpt = std::string(6, '\0') + '\0' + '\x10' + std::string(24, '\0');
  const std::string mark("\xFF\xFF\x08\x00", 4);
  struct Case {
    std::uint8_t version;
    std::string pointer, memo_name, memo, text;
    std::size_t problems;
  };
  const Case cases[] = {
      {0x8B, "         1", "T0.DBT", dbase4 + mark + le(12) + "Caf\x82", "Café", 0},
      {0x8B, "1", "t1.dbt", dbase4 + mark + le(100) + "cut", "", 1},
      {0x8B, "1", "t2.dbt", dbase4 + mark + le(7) + "short", "", 1},
      {0x83, "1", "t3.dbt",
       std::string(512, '\0') + "two\r\nsoft\x8D\nwrap \x8D\nlines\x1A\x1A",
       "two\r\nsoft wrap lines", 0},
      {0x83, "1", "t4.dbt", std::string(512, '\0') + "no terminator", "", 1},
      {0x83, "2", "t5.dbt", std::string(512, '\0') + "past the end", "", 1},
      {0x30, le(2), "t6.FPT", fpt + be(1) + be(3) + "xyz", "xyz", 0},
      {0x30, le(2), "t7.fpt", fpt + be(7) + be(3) + "xyz", "", 1},
      {0x30, le(0), "t8.fpt", fpt, "", 0},
      {0x83, "  12ab    ", "t9.dbt", std::string(512, '\0'), "", 1},
      {0x83, "", "no-memo-file", "", "", 0},
      {0x83, "3", "no-memo-file", "", "", 1},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    std::ofstream(scratch_.File(c.memo_name), std::ios::binary) << c.memo;
    DbfBuilder table = DbfBuilder().Field("NOTE", 'M', c.pointer.size() == 4 ? 4 : 10);
    table.version = c.version;
    table.language_driver = 0x01;
    std::string pointer = c.pointer;
    if (pointer.size() != 4) pointer.insert(0, 10 - pointer.size(), ' ');
    const TableHandle handle =
        AtTop(table.Record({pointer}), "t" + std::to_string(i) + ".dbf");
    EXPECT_EQ(Text(handle, "NOTE"), c.text) << "case " << i;
    EXPECT_EQ(Text(handle, "NOTE"), c.text) << "case " << i;
    EXPECT_EQ(MemoProblemCount(handle), c.problems) << "counted once, case " << i;
  }
}

// Only upper-case picture letters take part of the date.
TEST(FormatDbfDateTest, RendersStoredDatesThroughThePicture) {
  auto format = [](const std::string& stored, const std::string& picture) {
    std::string result = "left over";
    FormatDbfDate(stored, result, picture);
    return result;
  };
  const std::pair<const char*, const char*> pictures[] = {
      {"MM/DD/CCYY", "03/15/1999"}, {"DD.MM.YY", "15.03.99"},
      {"YYYY-MM-DD", "1999-03-15"}, {"day DD", "day 15"},
      {"YYYYY", " 1999"},           {"", ""},
  };
  for (const auto& [picture, expected] : pictures) {
    EXPECT_EQ(format("19990315", picture), expected) << picture;
  }
  for (const char* stored : {"        ", "00000000", "19990230", "19000229", "1999031",
                             "1999-3-1", "00000101", "19991301", ""}) {
    EXPECT_EQ(format(stored, "MM/DD/CCYY"), "  /  /    ") << stored;
  }
}

TEST(CodePageTest, NamesAndDecodesCodePages) {
  const std::pair<const char*, const char*> cpg_texts[] = {
      {" ANSI 1252 ", "CP1252"}, {"437\r\n", "CP437"},
      {"oem", "CP437"},          {"\xEF\xBB\xBFutf8", "UTF-8"},
      {"65001", "UTF-8"},        {"Windows-1251", "CP1251"},
      {"88591", "ISO-8859-1"},   {"ISO_8859-2", "ISO-8859-2"},
      {"10000", "MACINTOSH"},
  };
  for (const auto& [text, name] : cpg_texts) EXPECT_EQ(IconvNameForCpgText(text), name);
  for (const char* text : {"", "nonsense", "ISO-8859-99", "ISO", "CP", "-1252", "12x"}) {
    EXPECT_EQ(IconvNameForCpgText(text), std::nullopt) << text;
  }
  EXPECT_EQ(IconvNameForLanguageDriver(0xC8), "CP1250");
  EXPECT_EQ(IconvNameForLanguageDriver(0x00), std::nullopt) << "0 is no mark";
  // Quotation marks stand at a word's edge, 0x81 is never Windows text, and
  // text without accents is the legacy application's own code page.
  for (const auto& [text, guess] : {std::pair{"Caf\x82 cr\x8Ame", "CP437"},
                                    {"\x93quoted\x94 Andr\xE9 Gar\xE7on \xE0", "CP1252"},
                                    {"M\x81ller \xE1\xE1", "CP437"},
                                    {"plain ASCII", "CP437"}}) {
    EXPECT_EQ(GuessUnmarkedCodePage(text), guess) << text;
  }

  // Bytes that are no character, broken and cut-off sequences become U+FFFD;
  // a multi-byte code page gives fewer characters than bytes.
  const std::array<std::string, 3> decoded[] = {
      {"CP1252", "\xE9\x80 a\x81z", "é€ a\uFFFDz/6"},
      {"UTF-8", "a\xFF\x62\xC3", "a\uFFFDb\uFFFD/4"},
      {"CP932", "\x93\xFA\x96\x7B", "日本/2"},
  };
  for (const auto& [name, bytes, expected] : decoded) {
    std::string text;
    const std::size_t characters = CodePage::Open(name)->Decode(bytes, text);
    EXPECT_EQ(text + "/" + std::to_string(characters), expected) << name;
  }
  EXPECT_EQ(CodePage::Open("NO-SUCH-CODE-PAGE"), nullptr);
}

TEST_F(FieldTextTest, TablesUseTheirCpgFileThenTheirMarkThenTheirBytes) {
  auto first_name = [&](const std::string& file, std::uint8_t mark, std::string name) {
    DbfBuilder table = DbfBuilder().Field("NAME", 'C', 5).Field("CODE", 'B', 8);
    table.language_driver = mark;
    // Binary fields do not count when the bytes are judged.
    return Text(AtTop(table.Record({name, std::string(8, '\xE9')}), file), "NAME");
  };
  for (const auto& [file, text] : {std::pair{"cpg.cpg", "1252"},
                                   {"UPPER.CPG", "ANSI 1251"},
                                   {"junk.cpg", "whatever"},
                                   {"other.cpg", "1252"}}) {
    std::ofstream(scratch_.File(file)) << text;
  }
  EXPECT_EQ(first_name("cpg.dbf", 0x01, "Caf\xE9"), "Café ");
  EXPECT_EQ(first_name("UPPER.DBF", 0x01, "\xCC\xE8\xF0"), "Мир  ");
  EXPECT_EQ(first_name("junk.dbf", 0x03, "Caf\x82"), "Caf‚ ") << "unknown names pass";
  EXPECT_EQ(first_name("other-table.dbf", 0x01, "Caf\x82"), "Café ");
  EXPECT_EQ(first_name("dos.dbf", 0x00, "Caf\x82"), "Café ");
  EXPECT_EQ(first_name("win.dbf", 0x00, "Caf\xE9"), "Café ");
  EXPECT_EQ(first_name("odd.dbf", 0xEE, "Caf\x82"), "Café ") << "an unknown mark is none";
}

TEST_F(FieldTextTest, ReadsTablesOtherProgramsWrote) {
  // shapelib and GDAL write a missing number as asterisks.
  EXPECT_THAT(Rows("shapelib_parts.dbf", {"name", "qty", "price"}),
              ElementsAre("Widget              |    12|      3.50",
                          "Gadget, large       |    -7|   1234.25",
                          "                    |******|**********"));
  // Marked 0x57 (Windows ANSI), written in Windows-1252.
  EXPECT_THAT(Rows("shapelib_accents_1252.dbf", {"CITY", "ZIP"}),
              ElementsAre("Zürich          | 8001", "Málaga          |29001",
                          "Ærøskøbing      | 5970"));
  // UTF-8 named by a .cpg file: 日本 fills six of the field's twelve bytes,
  // and the text is still twelve characters wide.
  EXPECT_THAT(
      Rows("gdal_items.dbf", {"NAME", "ACTIVE", "PRICE", "QTY"}),
      ElementsAre("Müller      |1|     12.50|    3", "日本          |0|**********|*****",
                  "Ørsted      |*|      7.25|   -4"));
  // GDAL writes a missing date as "00000000".
  std::vector<std::string> dates;
  for (const std::string& stored : Rows("gdal_items.dbf", {"BORN"})) {
    FormatDbfDate(stored, dates.emplace_back(), "MM/DD/CCYY");
  }
  EXPECT_THAT(dates, ElementsAre("03/15/1999", "  /  /    ", "02/29/2000"));
  // DOS Latin-1 (850), once as language driver mark 0x02 and once named
  // "CP850" by a .cpg file beside an unmarked table.
  for (const char* file : {"gdal_cities_ldid2.dbf", "gdal_cities_cp850.dbf"}) {
    EXPECT_THAT(Rows(file, {"CITY", "ZIP"}),
                ElementsAre("Zürich          |8001 ", "Málaga          |29001",
                            "Ærøskøbing      |5970 "))
        << file;
  }
}

// Customer tables python3-dbf wrote in five code pages, their marks cleared
// (tests/fixtures/codepages): the automatic choice reads those it can tell
// apart, the user's choice reads every one, and a table that declares its
// code page keeps it whatever the choice.
TEST_F(FieldTextTest, UnmarkedTablesReadInTheJudgedOrChosenCodePage) {
  struct Case {
    const char* code_page;
    bool judged;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"cp437",
       true,
       {"Jürgen|Müller|München", "Françoise|Lefèvre|Besançon", "José|Peña|Málaga",
        "Björn|Größer|Köln"}},
      {"cp850",
       true,
       {"Søren|Ødegård|Århus", "João|Simões|São Paulo", "Ângela|Brandão|Guimarães",
        "Þóra|Ólafsdóttir|Reykjavík"}},
      {"cp852",
       false,
       {"Antonín|Dvořák|Nelahozeves", "Łucja|Wiśniewska|Łódź", "Zoltán|Kovács|Győr",
        "Jiří|Čapek|Žižkov"}},
      {"cp866",
       true,
       {"Пётр|Иванов|Москва", "Анна|Смирнова|Санкт-Петербург",
        "Сергей|Кузнецов|Новосибирск"}},
      {"cp1252",
       true,
       {"José|García|Málaga", "François|Lefèvre|Besançon", "Søren|Ærø|Ærøskøbing",
        "Œdipe|Dupré|Orléans"}},
  };
  for (const Case& table : cases) {
    const std::string path =
        VD_CODEPAGE_FIXTURES "/" + std::string(table.code_page) + "/LOG.DBF";
    std::string upper = table.code_page;
    for (char& c : upper) c = static_cast<char>(std::toupper(c));
    for (const std::string& choice : {std::string(), upper}) {
      SetUnmarkedCodePage(context_, choice);
      std::vector<std::string> rows;
      const TableHandle handle = d4open(context_, path);
      for (int result = d4top(handle); result == 0; result = d4skip(handle, 1)) {
        std::string& row = rows.emplace_back();
        for (const char* field : {"FNAME", "LNAME", "CITY"}) {
          row += (row.empty() ? "" : "|") +
                 std::string(data::TrimSpaces(Text(handle, field)));
        }
      }
      if (table.judged || !choice.empty()) {
        EXPECT_EQ(rows, table.rows) << table.code_page << " chosen: " << choice;
      } else {
        EXPECT_NE(rows, table.rows) << table.code_page << " is not judged";
      }
      code4close(context_);
    }
  }
  SetUnmarkedCodePage(context_, "CP866");
  EXPECT_THAT(Rows("gdal_cities_ldid2.dbf", {"CITY"}),
              ElementsAre("Zürich          ", "Málaga          ", "Ærøskøbing      "));
}

}  // namespace
}  // namespace vdimpexp::legacy

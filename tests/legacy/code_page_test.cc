#include "legacy/code_page.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "dbf_builder.h"
#include "legacy/clipper_calls.h"
#include "legacy/code_page_choice.h"
#include "scratch_database.h"

namespace vdimpexp::legacy {
namespace {

using testing::DbfBuilder;

// "text/characters" as `iconv_name` decodes `bytes`.
std::string Decoded(const std::string& iconv_name, std::string_view bytes) {
  std::unique_ptr<CodePage> code_page = CodePage::Open(iconv_name);
  if (!code_page) return "<cannot open>";
  std::string text;
  const std::size_t characters = code_page->Decode(bytes, text);
  return text + "/" + std::to_string(characters);
}

TEST(CodePageTest, DecodesToUtf8AndReplacesWhatDoesNotDecode) {
  EXPECT_EQ(Decoded("CP437", "Caf\x82 \x81\x94\xE1"), "Café üöß/8");
  EXPECT_EQ(Decoded("CP850", "\x90\xA0\x9B"), "Éáø/3");
  EXPECT_EQ(Decoded("CP1252", "\xE9\x80\x93 a\x81z"), "é€“ a\uFFFDz/7")
      << "0x81 is no character in Windows-1252";
  EXPECT_EQ(Decoded("CP866", "\x8C\xAE\xE1\xAA\xA2\xA0"), "Москва/6");
  EXPECT_EQ(Decoded("CP1255", "\xF9\xEC\xE5\xED"), "שלום/4");
  // Multi-byte code pages: fewer characters than bytes, and a broken or
  // cut-off sequence becomes U+FFFD without losing what follows.
  EXPECT_EQ(Decoded("UTF-8", "M\xC3\xBCller"), "Müller/6");
  EXPECT_EQ(Decoded("UTF-8",
                    "a\xFF"
                    "b\xC3"),
            "a\uFFFDb\uFFFD/4");
  EXPECT_EQ(Decoded("CP932", "\x93\xFA\x96\x7B"), "日本/2");
  EXPECT_EQ(Decoded("NO-SUCH-CODE-PAGE", "a"), "<cannot open>");
  std::string ascii;
  EXPECT_EQ(CodePage::AsciiOnly()->Decode("ab\xE9", ascii), 3u);
  EXPECT_EQ(ascii, "ab\uFFFD");
}

TEST(CodePageTest, NamesCodePagesFromCpgTextAndLanguageDriverMarks) {
  const std::pair<const char*, const char*> cpg_texts[] = {
      {"1252", "CP1252"},         {"437\r\n", "CP437"},
      {" ANSI 1252 ", "CP1252"},  {"OEM 850", "CP850"},
      {"oem", "CP437"},           {"ANSI", "CP1252"},
      {"utf8", "UTF-8"},          {"\xEF\xBB\xBFUTF-8", "UTF-8"},
      {"65001", "UTF-8"},         {"CP850", "CP850"},
      {"Windows-1251", "CP1251"}, {"88591", "ISO-8859-1"},
      {"885915", "ISO-8859-15"},  {"ISO_8859-2", "ISO-8859-2"},
      {"10000", "MACINTOSH"},
  };
  for (const auto& [text, name] : cpg_texts) EXPECT_EQ(IconvNameForCpgText(text), name);
  for (const char* text : {"", "nonsense", "ISO-8859-99", "ISO", "CP", "-1252", "12x"}) {
    EXPECT_EQ(IconvNameForCpgText(text), std::nullopt) << text;
  }

  const std::pair<std::uint8_t, const char*> marks[] = {
      {0x01, "CP437"},  {0x02, "CP850"}, {0x03, "CP1252"}, {0x57, "CP1252"},
      {0x64, "CP852"},  {0x26, "CP866"}, {0x65, "CP866"},  {0x7B, "CP932"},
      {0x7D, "CP1255"}, {0x7C, "CP874"}, {0xC8, "CP1250"}, {0xCB, "CP1253"},
  };
  for (const auto& [mark, name] : marks)
    EXPECT_EQ(IconvNameForLanguageDriver(mark), name);
  EXPECT_EQ(IconvNameForLanguageDriver(0x00), std::nullopt) << "0 is no mark";
  EXPECT_EQ(IconvNameForLanguageDriver(0xFF), std::nullopt);
  for (int mark = 0; mark < 256; ++mark) {
    if (auto name = IconvNameForLanguageDriver(static_cast<std::uint8_t>(mark))) {
      EXPECT_NE(CodePage::Open(*name), nullptr) << "glibc cannot decode " << *name;
    }
  }
}

TEST(CodePageTest, GuessesDosOrWindowsTextFromItsBytes) {
  EXPECT_EQ(GuessOemOrAnsi("Caf\x82 cr\x8Ame"), "CP437");
  EXPECT_EQ(GuessOemOrAnsi("Caf\xE9 cr\xE8me"), "CP1252");
  EXPECT_EQ(GuessOemOrAnsi("M\x81ller \xE1\xE1"), "CP437")
      << "0x81 is never Windows text";
  EXPECT_EQ(GuessOemOrAnsi("\x93quoted\x94 Andr\xE9 Gar\xE7on \xE0"), "CP1252");
  EXPECT_EQ(GuessOemOrAnsi("Stra\xE1"
                           "e \x84hnlich \x94"
                           "fter"),
            "CP437");
  EXPECT_EQ(GuessOemOrAnsi("plain ASCII"), "CP437");
}

TEST(CodePageTest, TablesUseTheirCpgFileThenTheirMarkThenTheirBytes) {
  testing::ScratchDirectory scratch;
  const ContextHandle context = code4initVB();
  auto first_name = [&](const std::string& file, std::uint8_t mark, std::string name) {
    DbfBuilder table = DbfBuilder().Field("NAME", 'C', 5).Field("CODE", 'B', 8);
    table.language_driver = mark;
    // Binary fields do not count when the bytes are judged.
    table.Record({name, std::string(8, '\xE9')});
    const TableHandle handle = d4open(context, table.WriteTo(scratch.File(file)));
    return d4top(handle) == 0 ? FieldText(d4field(handle, "NAME")) : "<unreadable>";
  };
  auto cpg = [&](const std::string& file, const std::string& text) {
    std::ofstream(scratch.File(file), std::ios::binary) << text;
  };

  EXPECT_EQ(first_name("mark1.dbf", 0x01, "Caf\x82"), "Café ");
  EXPECT_EQ(first_name("mark3.dbf", 0x03, "Caf\x82"), "Caf‚ ");
  cpg("cpg.cpg", "1252");
  EXPECT_EQ(first_name("cpg.dbf", 0x01, "Caf\xE9"), "Café ");
  cpg("UPPER.CPG", "ANSI 1251\n");
  EXPECT_EQ(first_name("UPPER.DBF", 0x01, "\xCC\xE8\xF0"), "Мир  ");
  cpg("junk.cpg", "whatever");
  EXPECT_EQ(first_name("junk.dbf", 0x01, "Caf\x82"), "Café ")
      << "an unknown name is passed over";
  cpg("other.cpg", "1252");
  EXPECT_EQ(first_name("other-table.dbf", 0x01, "Caf\x82"), "Café ");
  EXPECT_EQ(first_name("dos.dbf", 0x00, "Caf\x82"), "Café ");
  EXPECT_EQ(first_name("win.dbf", 0x00, "Caf\xE9"), "Café ");
  EXPECT_EQ(first_name("odd.dbf", 0xEE, "Caf\x82"), "Café ") << "an unknown mark is none";
  code4initUndo(context);
}

}  // namespace
}  // namespace vdimpexp::legacy

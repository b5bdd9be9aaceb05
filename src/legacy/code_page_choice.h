// Which code page a table's text is written in. A ".cpg" file beside the
// table says so explicitly; else the language driver mark in its header;
// tables with neither (most DOS-era ones) are judged from their bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "legacy/code_page.h"
#include "legacy/dbf_table.h"

namespace vdimpexp::legacy {

// The iconv name for a Windows code page number: 1252 gives "CP1252",
// 65001 "UTF-8", 28592 "ISO-8859-2", 10000 "MACINTOSH".
std::string IconvNameForCodePage(int number);

// The iconv name for a language driver mark (header byte 29); nullopt for 0
// (no mark) and for marks we do not know.
std::optional<std::string> IconvNameForLanguageDriver(std::uint8_t mark);

// The iconv name for what a ".cpg" file says: "1252", "ANSI 1252",
// "OEM 850", "CP437", "UTF-8", "88591" (ISO 8859-1, as GIS tools write it),
// "ISO-8859-2", ...; nullopt when the text names no code page.
std::optional<std::string> IconvNameForCpgText(std::string_view text);

// The text of the ".cpg" file beside `table_path` (same base name, the
// extension in any case); nullopt when there is none.
std::optional<std::string> ReadCpgFile(const std::string& table_path);

// The code page a table declares, and where it says so.
struct DeclaredCodePage {
  std::string iconv_name;
  enum class Source { kCpgFile, kLanguageDriver } source;
};
// nullopt when the table declares none that we know: then its text is read
// in the code page the user chose for such tables, or the one judged from
// its bytes (GuessUnmarkedCodePage).
std::optional<DeclaredCodePage> DeclaredCodePageOf(const DbfTable& table);

// The bytes of the character fields of the table's first records: enough to
// meet the accented names of a customer table, few enough that judging them
// stays cheap on any table.
std::string TextSample(const DbfTable& table);

// The decoder for `table`'s text: the declared code page, else
// `unmarked_code_page` (an iconv name; empty to judge from the bytes). Never
// nullptr: when iconv can open none of them, ASCII only.
std::unique_ptr<CodePage> OpenTableCodePage(const DbfTable& table,
                                            const std::string& unmarked_code_page);

// What the user can choose for the text of tables that declare no code page.
struct UnmarkedCodePageChoice {
  std::string_view label;       // as the wizard lists it
  std::string_view iconv_name;  // empty for the automatic choice
};
inline constexpr UnmarkedCodePageChoice kUnmarkedCodePageChoices[] = {
    {"Automatic", ""},
    {"DOS 437 (United States)", "CP437"},
    {"DOS 850 (Western Europe)", "CP850"},
    {"DOS 852 (Central Europe)", "CP852"},
    {"DOS 865 (Nordic)", "CP865"},
    {"DOS 866 (Cyrillic)", "CP866"},
    {"Windows 1250 (Central Europe)", "CP1250"},
    {"Windows 1251 (Cyrillic)", "CP1251"},
    {"Windows 1252 (Western Europe)", "CP1252"},
};

// The choice that `name` names: "automatic" or "auto", or a code page's
// number with or without "CP", "DOS " or "Windows " ("852", "cp852",
// "Windows 1250"), compared without regard to case; nullptr for none.
const UnmarkedCodePageChoice* FindUnmarkedCodePageChoice(std::string_view name);

// How the user reads a code page's iconv name: the label of its choice
// ("DOS 852 (Central Europe)"), else the name itself.
std::string CodePageLabel(std::string_view iconv_name);

}  // namespace vdimpexp::legacy

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

// For a table without a mark: "CP437" or "CP1252", judged from the bytes
// of its text. Bytes 0x80-0xA5 are accented letters in the DOS code page
// and mostly punctuation in the Windows one, where letters sit at 0xC0-0xFF
// (box drawing and Greek in the DOS one); some bytes are not Windows text
// at all. Text without any of them gives the DOS code page, the one the
// legacy application wrote.
std::string GuessOemOrAnsi(std::string_view text);

// The text of the ".cpg" file beside `table_path` (same base name, the
// extension in any case); nullopt when there is none.
std::optional<std::string> ReadCpgFile(const std::string& table_path);

// The decoder for `table`'s text, chosen in the order above. Never nullptr:
// when iconv cannot open any of them, ASCII only.
std::unique_ptr<CodePage> OpenTableCodePage(const DbfTable& table);

}  // namespace vdimpexp::legacy

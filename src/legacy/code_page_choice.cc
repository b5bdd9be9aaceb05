#include "legacy/code_page_choice.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <fstream>
#include <utility>

#include "legacy/code_page_guess.h"

namespace vdimpexp::legacy {
namespace {

// Language driver marks as dBASE, FoxPro and the GIS tools write them.
constexpr std::pair<std::uint8_t, int> kLanguageDrivers[] = {
    {0x01, 437},  {0x02, 850},  {0x03, 1252}, {0x04, 10000}, {0x08, 865},   {0x09, 437},
    {0x0A, 850},  {0x0B, 437},  {0x0D, 437},  {0x0E, 850},   {0x0F, 437},   {0x10, 850},
    {0x11, 437},  {0x12, 850},  {0x13, 932},  {0x14, 850},   {0x15, 437},   {0x16, 850},
    {0x17, 865},  {0x18, 437},  {0x19, 437},  {0x1A, 850},   {0x1B, 437},   {0x1C, 863},
    {0x1D, 850},  {0x1F, 852},  {0x22, 852},  {0x23, 852},   {0x24, 860},   {0x25, 850},
    {0x26, 866},  {0x37, 850},  {0x40, 852},  {0x4D, 936},   {0x4E, 949},   {0x4F, 950},
    {0x50, 874},  {0x57, 1252}, {0x58, 1252}, {0x59, 1252},  {0x64, 852},   {0x65, 866},
    {0x66, 865},  {0x67, 861},  {0x6A, 737},  {0x6B, 857},   {0x6C, 863},   {0x78, 950},
    {0x79, 949},  {0x7A, 936},  {0x7B, 932},  {0x7C, 874},   {0x7D, 1255},  {0x7E, 1256},
    {0x86, 737},  {0x87, 852},  {0x88, 857},  {0x96, 10007}, {0x97, 10029}, {0xC8, 1250},
    {0xC9, 1251}, {0xCA, 1254}, {0xCB, 1253}, {0xCC, 1257},
};

constexpr std::uint32_t kSampleRecords = 256;
constexpr std::size_t kSampleBytes = 256 * 1024;
constexpr std::size_t kLongestCpgText = 64;

std::string UpperTrimmed(std::string_view text) {
  // A byte order mark is not part of the name.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  auto is_space = [](char c) { return std::isspace(static_cast<unsigned char>(c)); };
  while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
  std::string upper(text);
  for (char& c : upper)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::optional<int> WholeNumber(std::string_view text) {
  int number = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number <= 0) {
    return std::nullopt;
  }
  return number;
}

bool RemovePrefix(std::string_view& text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return false;
  text.remove_prefix(prefix.size());
  while (!text.empty() &&
         (text.front() == ' ' || text.front() == '-' || text.front() == '_')) {
    text.remove_prefix(1);
  }
  return true;
}

}  // namespace

std::string IconvNameForCodePage(int number) {
  if (number == 65001) return "UTF-8";
  if (number > 28590 && number <= 28605) {
    return "ISO-8859-" + std::to_string(number - 28590);
  }
  switch (number) {
    case 10000:
      return "MACINTOSH";
    case 10007:
      return "MAC-CYRILLIC";
    case 10029:
      return "MAC-CENTRALEUROPE";
    case 20866:
      return "KOI8-R";
    case 21866:
      return "KOI8-U";
    default:
      return "CP" + std::to_string(number);
  }
}

std::optional<std::string> IconvNameForLanguageDriver(std::uint8_t mark) {
  for (const auto& [driver, code_page] : kLanguageDrivers) {
    if (driver == mark) return IconvNameForCodePage(code_page);
  }
  return std::nullopt;
}

std::optional<std::string> IconvNameForCpgText(std::string_view text) {
  const std::string upper = UpperTrimmed(text);
  std::string_view rest = upper;
  if (rest == "UTF-8" || rest == "UTF8") return "UTF-8";
  if (rest == "ANSI") return "CP1252";
  if (rest == "OEM") return "CP437";
  // "ISO-8859-2", "8859-2", and "88592" as GIS tools write it.
  const bool iso = RemovePrefix(rest, "ISO");
  if (RemovePrefix(rest, "8859")) {
    std::optional<int> part = WholeNumber(rest);
    if (!part || *part > 16) return std::nullopt;
    return "ISO-8859-" + std::to_string(*part);
  }
  if (iso) return std::nullopt;
  for (std::string_view prefix : {"ANSI", "OEM", "WINDOWS", "CP", "IBM"}) {
    if (RemovePrefix(rest, prefix)) break;
  }
  if (std::optional<int> number = WholeNumber(rest)) return IconvNameForCodePage(*number);
  return std::nullopt;
}

std::optional<std::string> ReadCpgFile(const std::string& table_path) {
  const std::optional<std::string> found = FileBeside(table_path, ".cpg");
  if (!found) return std::nullopt;
  std::ifstream file(*found, std::ios::binary);
  std::string text(kLongestCpgText, '\0');
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(file.gcount()));
  if (!file.eof() && !file) return std::nullopt;
  return text;
}

std::string TextSample(const DbfTable& table) {
  const DbfLayout& layout = table.layout();
  const std::uint32_t records = static_cast<std::uint32_t>(
      std::clamp<std::size_t>(kSampleBytes / layout.record_length, 1, kSampleRecords));
  std::string bytes;
  if (!table.ReadRecords(1, records, bytes)) return {};
  std::string text;
  for (std::size_t at = 0; at < bytes.size(); at += layout.record_length) {
    for (const DbfField& field : layout.fields) {
      if (field.type == 'C') {
        text.append(bytes, at + field.offset, field.width);
        // Words of adjacent fields stay apart.
        text += ' ';
      }
    }
  }
  return text;
}

std::optional<DeclaredCodePage> DeclaredCodePageOf(const DbfTable& table) {
  if (std::optional<std::string> cpg = ReadCpgFile(table.path())) {
    if (std::optional<std::string> name = IconvNameForCpgText(*cpg)) {
      return DeclaredCodePage{*name, DeclaredCodePage::Source::kCpgFile};
    }
  }
  if (auto name = IconvNameForLanguageDriver(table.layout().language_driver)) {
    return DeclaredCodePage{*name, DeclaredCodePage::Source::kLanguageDriver};
  }
  return std::nullopt;
}

std::unique_ptr<CodePage> OpenTableCodePage(const DbfTable& table,
                                            const std::string& unmarked_code_page) {
  if (std::optional<DeclaredCodePage> declared = DeclaredCodePageOf(table)) {
    if (auto code_page = CodePage::Open(declared->iconv_name)) return code_page;
  }
  if (!unmarked_code_page.empty()) {
    if (auto code_page = CodePage::Open(unmarked_code_page)) return code_page;
  }
  if (auto code_page = CodePage::Open(GuessUnmarkedCodePage(TextSample(table)))) {
    return code_page;
  }
  return CodePage::AsciiOnly();
}

const UnmarkedCodePageChoice* FindUnmarkedCodePageChoice(std::string_view name) {
  std::string upper = UpperTrimmed(name);
  if (upper == "AUTO" || upper == "AUTOMATIC") return &kUnmarkedCodePageChoices[0];
  std::string_view rest = upper;
  for (std::string_view prefix : {"CP", "DOS", "WINDOWS"}) {
    if (RemovePrefix(rest, prefix)) break;
  }
  const std::optional<int> number = WholeNumber(rest);
  if (!number) return nullptr;
  for (const UnmarkedCodePageChoice& choice : kUnmarkedCodePageChoices) {
    if (choice.iconv_name == IconvNameForCodePage(*number)) return &choice;
  }
  return nullptr;
}

std::string CodePageLabel(std::string_view iconv_name) {
  for (const UnmarkedCodePageChoice& choice : kUnmarkedCodePageChoices) {
    if (!iconv_name.empty() && choice.iconv_name == iconv_name) {
      return std::string(choice.label);
    }
  }
  return std::string(iconv_name);
}

}  // namespace vdimpexp::legacy

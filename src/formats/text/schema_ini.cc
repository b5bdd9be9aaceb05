#include "formats/text/schema_ini.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <random>

#include "data/db_error.h"
#include "data/text.h"
#include "data/utf8.h"
#include "formats/common/cell_text.h"
#include "formats/common/target_file.h"
#include "formats/text/delimited_text.h"

namespace vdimpexp::formats {
namespace {

using Kind = data::Value::Kind;

// Wider text is a memo to the text driver.
constexpr int64_t kWidestChar = 255;
// The first amount beyond Currency, whose range ends at 922337203685477.5807.
constexpr double kCurrencyLimit = 922337203685477.5808;

unsigned KindBit(Kind kind) { return 1u << static_cast<unsigned>(kind); }

[[noreturn]] void Refuse(const std::string& what) {
  throw data::DbError(data::error_number::kEngineFailure, what);
}

// Plain names go as they are; any other is quoted, which the format allows
// for every name that holds no quote and no line break.
std::string ColumnNameEntry(const std::string& name, std::string_view file_name) {
  if (name.empty() || name.find_first_of("\"\r\n") != std::string::npos) {
    Refuse("Column '" + name + "' of '" + std::string(file_name) +
           "' cannot be described in schema.ini: its name is empty or holds a double "
           "quote or a line break.");
  }
  for (char c : name) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                 (c >= '0' && c <= '9') || c == '_';
    if (!plain) return "\"" + name + "\"";
  }
  return name;
}

// The name of the section `line` opens, or nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos || line[start] != '[') return std::nullopt;
  size_t end = line.find(']', start);
  if (end == std::string_view::npos) return std::nullopt;
  return data::TrimBlanks(line.substr(start + 1, end - start - 1));
}

[[noreturn]] void FailOn(const std::filesystem::path& path, std::string_view doing,
                         int error) {
  Refuse("Error " + std::string(doing) + " '" + path.string() +
         "': " + std::strerror(error));
}

// The whole file, or "" when there is none yet.
std::string ReadExisting(const std::filesystem::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    if (errno == ENOENT) return {};
    FailOn(path, "reading", errno);
  }
  std::string text;
  char chunk[1 << 14];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
  int error = std::ferror(file) ? errno : 0;
  std::fclose(file);
  if (error != 0) FailOn(path, "reading", error);
  return text;
}

// A name no other export in the folder picks at the same time.
std::filesystem::path StagingPath(const std::filesystem::path& folder) {
  std::random_device seed;
  return folder / (".schema.ini." + std::to_string(::getpid()) + "." +
                   std::to_string(seed()) + ".tmp");
}

// The rename that follows must not publish a file whose data is still only
// in the page cache.
void SyncToDisk(const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) FailOn(path, "opening", errno);
  int error = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  if (error != 0) FailOn(path, "flushing", error);
}

}  // namespace

void TextColumnProfile::Observe(const data::Value& value) {
  Kind kind = value.kind();
  if (kind == Kind::kNull) return;
  if (kind == Kind::kDouble && !std::isfinite(value.AsDouble())) {
    // "inf" and "-inf" read back as text only.
    kinds_seen_ |= KindBit(Kind::kText);
    longest_text_ = std::max<int64_t>(longest_text_, 4);
    return;
  }
  kinds_seen_ |= KindBit(kind);
  if (kind == Kind::kInteger) {
    int64_t number = value.AsInteger();
    if (number < smallest_integer_) smallest_integer_ = number;
    if (number > largest_integer_) largest_integer_ = number;
    largest_magnitude_ =
        std::max(largest_magnitude_, std::fabs(static_cast<double>(number)));
  } else if (kind == Kind::kDouble) {
    largest_magnitude_ = std::max(largest_magnitude_, std::fabs(value.AsDouble()));
  } else if (kind == Kind::kText) {
    const std::string& text = value.AsText();
    // A text has no more characters than bytes: most are not counted at all.
    if (static_cast<int64_t>(text.size()) > longest_text_) {
      longest_text_ =
          std::max(longest_text_, static_cast<int64_t>(data::CharacterCount(text)));
    }
  }
}

bool TextColumnProfile::OnlySeen(std::initializer_list<Kind> kinds) const {
  unsigned allowed = 0;
  for (Kind kind : kinds) allowed |= KindBit(kind);
  return (kinds_seen_ & ~allowed) == 0;
}

std::string TextColumnProfile::IntegerType() const {
  auto fits = [this](int64_t smallest, int64_t largest) {
    return smallest_integer_ >= smallest && largest_integer_ <= largest;
  };
  if (column_.type == data::ColumnType::kByte && fits(0, 255)) return "Byte";
  if (column_.type == data::ColumnType::kInteger && fits(-32768, 32767)) return "Short";
  if (fits(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max())) {
    return "Long";
  }
  // Decimal holds every 64-bit whole number exactly; Double would not.
  return "Decimal";
}

std::string TextColumnProfile::TextType(int64_t width) const {
  if (width > kWidestChar) return "Memo";
  return "Char Width " + std::to_string(std::max<int64_t>(width, 1));
}

std::string TextColumnProfile::JetType() const {
  using data::ColumnType;
  switch (column_.type) {
    case ColumnType::kText:
      if (OnlySeen({Kind::kText})) {
        return TextType(std::max<int64_t>(column_.defined_size, longest_text_));
      }
      break;
    case ColumnType::kMemo:
      if (OnlySeen({Kind::kText})) return "Memo";
      break;
    case ColumnType::kBoolean:
      if (OnlySeen({Kind::kBoolean})) return "Bit";
      break;
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
      if (OnlySeen({Kind::kInteger})) return IntegerType();
      break;
    case ColumnType::kSingle:
      if (OnlySeen({Kind::kInteger, Kind::kDouble}) &&
          largest_magnitude_ <= std::numeric_limits<float>::max()) {
        return "Single";
      }
      break;
    case ColumnType::kDouble:
      if (OnlySeen({Kind::kInteger, Kind::kDouble})) return "Double";
      break;
    case ColumnType::kCurrency:
      if (OnlySeen({Kind::kInteger, Kind::kDouble}) &&
          largest_magnitude_ < kCurrencyLimit) {
        return "Currency";
      }
      break;
    case ColumnType::kDecimal:
      if (OnlySeen({Kind::kInteger, Kind::kDouble})) return "Decimal";
      break;
    case ColumnType::kDate:
      if (OnlySeen({Kind::kDate})) return "DateTime";
      break;
    case ColumnType::kVariant:
      break;
  }
  // No declared type, or values the declared one cannot read: the values
  // decide, and text reads whatever was written.
  if (kinds_seen_ != 0) {
    if (OnlySeen({Kind::kBoolean})) return "Bit";
    if (OnlySeen({Kind::kInteger})) return IntegerType();
    if (OnlySeen({Kind::kInteger, Kind::kDouble})) return "Double";
    if (OnlySeen({Kind::kDate})) return "DateTime";
  }
  return TextType(std::max(kWidestChar, longest_text_));
}

std::string SchemaIniSection(std::string_view file_name,
                             std::span<const TextColumnProfile> columns) {
  if (file_name.empty() || file_name.find_first_of("[]\r\n") != std::string_view::npos) {
    Refuse("The file name '" + std::string(file_name) +
           "' cannot name a schema.ini section: it is empty or holds a bracket or a "
           "line break.");
  }
  std::string section;
  auto line = [&section](std::string_view key, std::string_view value) {
    section.append(key).append("=").append(value).append(kCsvLineEnd);
  };
  section.append("[").append(file_name).append("]").append(kCsvLineEnd);
  line("ColNameHeader", "True");
  line("Format", "CSVDelimited");
  line("MaxScanRows", "0");
  line("CharacterSet", "65001");
  line("DateTimeFormat", kCellDateTimeFormat);
  // Numbers are written in one invariant form, whatever the reader's
  // regional settings say.
  line("DecimalSymbol", ".");
  line("CurrencyDecimalSymbol", ".");
  for (size_t i = 0; i < columns.size(); ++i) {
    line("Col" + std::to_string(i + 1),
         ColumnNameEntry(columns[i].Name(), file_name) + " " + columns[i].JetType());
  }
  return section;
}

std::string ReplaceIniSection(std::string_view ini, std::string_view name,
                              std::string_view section) {
  std::string result;
  result.reserve(ini.size() + section.size() + kCsvLineEnd.size());
  bool replaced = false;
  bool skipping = false;
  for (size_t pos = 0; pos < ini.size();) {
    size_t end = ini.find('\n', pos);
    end = end == std::string_view::npos ? ini.size() : end + 1;
    std::string_view line = ini.substr(pos, end - pos);
    pos = end;
    if (std::optional<std::string_view> header = SectionName(line)) {
      skipping = data::EqualsIgnoringCase(*header, name);
      if (skipping && !replaced) {
        result.append(section);
        replaced = true;
      }
    }
    if (!skipping) result.append(line);
  }
  if (!replaced) {
    if (!result.empty() && result.back() != '\n') result.append(kCsvLineEnd);
    result.append(section);
  }
  return result;
}

void UpdateSchemaIni(const std::filesystem::path& folder, std::string_view name,
                     std::string_view section) {
  std::filesystem::path path = folder / "schema.ini";
  std::string text = ReplaceIniSection(ReadExisting(path), name, section);
  TargetFile staged(StagingPath(folder));
  try {
    staged.Write(text);
    staged.Close();
    SyncToDisk(staged.Path());
    std::error_code error;
    std::filesystem::rename(staged.Path(), path, error);
    if (error) {
      Refuse("Error replacing '" + path.string() + "': " + error.message());
    }
  } catch (...) {
    staged.Remove();
    throw;
  }
}

}  // namespace vdimpexp::formats

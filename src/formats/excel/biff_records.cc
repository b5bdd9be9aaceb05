#include "formats/excel/biff_records.h"

#include <array>
#include <cmath>

#include "data/utf8.h"
#include "formats/common/little_endian.h"
#include "formats/common/single_byte_code_page.h"

namespace vdimpexp::formats {
namespace {

// Record identifiers. BIFF3 and BIFF4 number some records of their own.
constexpr uint16_t kBof3 = 0x0209;
constexpr uint16_t kBof4 = 0x0409;
constexpr uint16_t kBof58 = 0x0809;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kCodePage = 0x0042;
constexpr uint16_t kDateMode = 0x0022;
constexpr uint16_t kWindow1 = 0x003D;
constexpr uint16_t kWindow2 = 0x023E;
constexpr uint16_t kDefColWidth = 0x0055;
constexpr uint16_t kWsBool = 0x0081;
constexpr uint16_t kDimensions = 0x0200;
constexpr uint16_t kFont34 = 0x0231;
constexpr uint16_t kFont58 = 0x0031;
constexpr uint16_t kFormat3 = 0x001E;
constexpr uint16_t kFormat = 0x041E;
constexpr uint16_t kXf3 = 0x0243;
constexpr uint16_t kXf4 = 0x0443;
constexpr uint16_t kXf58 = 0x00E0;
constexpr uint16_t kStyle = 0x0293;
constexpr uint16_t kBoundSheet = 0x0085;
constexpr uint16_t kNumber = 0x0203;
constexpr uint16_t kRk = 0x027E;
constexpr uint16_t kBoolErr = 0x0205;
constexpr uint16_t kLabel = 0x0204;
constexpr uint16_t kLabelSst = 0x00FD;

// Code page marks: Excel 3.0 names Windows-1252 with a mark of its own,
// later versions by its number; BIFF8 text is Unicode.
constexpr uint16_t kCodePage1252Biff3 = 0x8001;
constexpr uint16_t kCodePage1252 = 1252;
constexpr uint16_t kCodePageUtf16 = 1200;

// The build and year marks of the BOF. Readers tell Excel 5.0 from 95 by
// the year; Excel 95 reads what Excel 5.0 wrote, so the file says 5.0. A
// BIFF8 BOF names the year 1996 or 1997 and a file last saved on Windows;
// it says Excel 97, build 0x0DBB, of 1996.
constexpr uint16_t kBuild = 0x0DBB;
constexpr uint16_t kBiff5BuildYear = 1993;
constexpr uint16_t kBiff8BuildYear = 1996;
constexpr uint32_t kBiff8SavedOnWindows = 0x00000001;
constexpr uint16_t kLowestBiff8Version = 6;

constexpr std::string_view kFontName = "Arial";
constexpr uint16_t kFontHeight = 200;  // twips: 10 points
constexpr uint16_t kAutomaticColor = 0x7FFF;
constexpr uint16_t kNormalWeight = 400;
constexpr uint16_t kDefaultColumnWidth = 8;  // characters
// WSBOOL: a worksheet (not a dialog sheet), with automatic page breaks,
// summary rows below and columns right, and outline symbols: the options
// Excel saves a new worksheet with, in the files of every version.
constexpr uint16_t kWorksheetOptions = 0x04C1;

// Number formats. BIFF3 and BIFF4 number them by their place in the file,
// so "General" comes first; BIFF5 and BIFF8 define 0 to 163 themselves and
// number a file's own formats from 164.
constexpr std::string_view kGeneralFormat = "General";
constexpr std::string_view kDateFormat = "yyyy-mm-dd";
constexpr std::string_view kDateTimeFormat = "yyyy-mm-dd hh:mm:ss";
constexpr uint16_t kFirstOwnFormat = 164;

// XF fields every cell and style format of the file shares.
constexpr uint16_t kParentOfStyles = 0xFFF;
constexpr uint8_t kLocked = 0x01;
constexpr uint8_t kStyleXf = 0x04;
constexpr uint8_t kBottomAligned = 0x20;
// "Attributes used" flags: in a style XF a set bit means "ignore", in a
// cell XF "this XF's own attribute, not its style's".
constexpr uint8_t kUsedNumberFormat = 0x01;
constexpr uint8_t kAllButFont = 0x3D;
// Pattern colours of no fill: the system's window text and background.
constexpr uint16_t kNoFill34 = 0xCE00;
constexpr uint32_t kNoFill5 = 0x000020C0;
constexpr uint16_t kNoFill8 = 0x20C0;
constexpr uint8_t kGridColorIndex = 0x40;

// WINDOW2 flags: grid lines, headings, zeros, the default grid colour and
// outline symbols shown; with the sheet selected and active when it is the
// one on top.
constexpr uint16_t kWindow2Shown = 0x00B6;
constexpr uint16_t kWindow2Selected = 0x0600;

void Append16(std::string& out, uint32_t value) { AppendLittleEndian(out, value, 2); }
void Append32(std::string& out, uint32_t value) { AppendLittleEndian(out, value, 4); }

// Starts a record of `length` data bytes; its data follows.
void AppendHeader(std::string& out, uint16_t id, size_t length) {
  Append16(out, id);
  Append16(out, static_cast<uint32_t>(length));
}

void AppendCellHeader(std::string& out, uint16_t id, size_t length, uint16_t row,
                      uint16_t column, uint16_t xf) {
  AppendHeader(out, id, length);
  Append16(out, row);
  Append16(out, column);
  Append16(out, xf);
}

// A constant ASCII text with a one-byte length (BIFF3-5) or as a BIFF8
// string with a one- or two-byte length.
void AppendConstantText(std::string& out, BiffVersion version, std::string_view ascii,
                        int length_bytes) {
  AppendLittleEndian(out, ascii.size(), version == BiffVersion::k8 ? length_bytes : 1);
  if (version == BiffVersion::k8) out += '\0';  // one byte per character
  out += ascii;
}

void AppendFonts(std::string& out, BiffVersion version) {
  // Excel numbers fonts 0 to 3 and then from 5 on; the four it requires
  // stand for the plain, bold, italic and bold italic default font, and
  // nothing the export writes is bold or italic. BIFF5 and BIFF8 files of
  // Excel carry a fifth, which the numbering skip makes font 5.
  const bool biff34 = version == BiffVersion::k3 || version == BiffVersion::k4;
  const int count = biff34 ? 4 : 5;
  for (int i = 0; i < count; ++i) {
    std::string data;
    Append16(data, kFontHeight);
    Append16(data, 0);  // no bold, italic, underline, strike-out
    Append16(data, kAutomaticColor);
    if (!biff34) {
      Append16(data, kNormalWeight);
      Append16(data, 0);     // no super- or subscript
      data.append(4, '\0');  // underline, family, character set, reserved
    }
    AppendConstantText(data, version, kFontName, 1);
    AppendRecord(out, biff34 ? kFont34 : kFont58, data);
  }
}

void AppendNumberFormats(std::string& out, BiffVersion version) {
  std::array<std::string_view, 3> formats = {kGeneralFormat, kDateFormat,
                                             kDateTimeFormat};
  if (version == BiffVersion::k3 || version == BiffVersion::k4) {
    for (std::string_view format : formats) {
      std::string data;
      if (version == BiffVersion::k4) Append16(data, 0);  // unused: the place counts
      AppendConstantText(data, version, format, 1);
      AppendRecord(out, version == BiffVersion::k3 ? kFormat3 : kFormat, data);
    }
    return;
  }
  // "General" is built in.
  for (uint16_t i = 1; i < formats.size(); ++i) {
    std::string data;
    Append16(data, kFirstOwnFormat + i - 1);
    AppendConstantText(data, version, formats[i], 2);
    AppendRecord(out, kFormat, data);
  }
}

// The index of a number format in the XF records of the version.
uint16_t FormatIndex(BiffVersion version, uint16_t place) {
  if (place == 0) return 0;
  const bool biff34 = version == BiffVersion::k3 || version == BiffVersion::k4;
  return biff34 ? place : kFirstOwnFormat + place - 1;
}

// One XF record. Style formats have no parent; cell formats inherit from
// the Normal style (XF 0). `used` as the kUsed... flags.
void AppendXf(std::string& out, BiffVersion version, bool style, uint16_t format,
              uint8_t used) {
  const uint8_t protection = style ? (kLocked | kStyleXf) : kLocked;
  const uint16_t parent = style ? kParentOfStyles : 0;
  std::string data;
  switch (version) {
    case BiffVersion::k3:
      data += '\0';  // font 0
      data += static_cast<char>(format);
      // The unused high bits of the protection byte are set, as Excel
      // writes them; the alignment shares its word with the parent.
      data += static_cast<char>(style ? 0xF0 | protection : protection);
      data += static_cast<char>(used << 2 | (style ? 0x03 : 0x00));
      Append16(data, parent << 4);
      Append16(data, kNoFill34);
      Append32(data, 0);  // no borders
      AppendRecord(out, kXf3, data);
      return;
    case BiffVersion::k4:
      data += '\0';
      data += static_cast<char>(format);
      Append16(data, parent << 4 | protection);
      data += static_cast<char>(kBottomAligned);
      data += static_cast<char>(used << 2);
      Append16(data, kNoFill34);
      Append32(data, 0);
      AppendRecord(out, kXf4, data);
      return;
    case BiffVersion::k5:
      Append16(data, 0);
      Append16(data, format);
      Append16(data, parent << 4 | protection);
      data += static_cast<char>(kBottomAligned);
      data += static_cast<char>(used << 2);
      Append32(data, kNoFill5);
      Append32(data, 0);
      AppendRecord(out, kXf58, data);
      return;
    case BiffVersion::k8:
      Append16(data, 0);
      Append16(data, format);
      Append16(data, parent << 4 | protection);
      data += static_cast<char>(kBottomAligned);
      data.append(2, '\0');  // no rotation, indent or shrinking
      data += static_cast<char>(used << 2);
      data.append(8, '\0');  // no borders
      Append16(data, kNoFill8);
      AppendRecord(out, kXf58, data);
      return;
  }
}

// RK holds a whole number of 30 bits exactly, shifted left by two with the
// "integer" flag set.
std::optional<uint32_t> RkValue(double value) {
  constexpr double kLimit = 1 << 29;
  if (!(value >= -kLimit && value < kLimit) || value != std::trunc(value)) {
    return std::nullopt;
  }
  // -0.0 passes the tests above but would lose its sign.
  if (value == 0 && std::signbit(value)) return std::nullopt;
  const auto whole = static_cast<int32_t>(value);
  return static_cast<uint32_t>(whole) << 2 | 0x02;
}

}  // namespace

void AppendRecord(std::string& out, uint16_t id, std::string_view data) {
  AppendHeader(out, id, data.size());
  out += data;
}

std::optional<size_t> AppendBiff8Characters(std::string& out, std::string_view utf8,
                                            bool& wide) {
  // First pass: are the characters well-formed, and do they all fit a byte?
  wide = false;
  size_t units = 0;
  for (size_t pos = 0; pos < utf8.size();) {
    if (static_cast<unsigned char>(utf8[pos]) < 0x80) {
      ++pos;
      ++units;
      continue;
    }
    const data::Utf8Character decoded = data::DecodeUtf8At(utf8, pos);
    if (decoded.length == 0) return std::nullopt;
    wide = wide || decoded.code_point > 0xFF;
    units += decoded.code_point > 0xFFFF ? 2 : 1;
    pos += decoded.length;
  }
  out.reserve(out.size() + units * (wide ? 2 : 1));
  for (size_t pos = 0; pos < utf8.size();) {
    char32_t c = static_cast<unsigned char>(utf8[pos]);
    size_t length = 1;
    if (c >= 0x80) {
      const data::Utf8Character decoded = data::DecodeUtf8At(utf8, pos);
      c = decoded.code_point;
      length = decoded.length;
    }
    pos += length;
    if (!wide) {
      out += static_cast<char>(c);
    } else if (c <= 0xFFFF) {
      Append16(out, c);
    } else {
      c -= 0x10000;
      Append16(out, 0xD800 + (c >> 10));
      Append16(out, 0xDC00 + (c & 0x3FF));
    }
  }
  return units;
}

bool AppendSheetName(std::string& out, BiffVersion version, std::string_view utf8,
                     std::string& problem) {
  std::string characters;
  size_t length;
  bool wide = false;
  if (version == BiffVersion::k8) {
    std::optional<size_t> units = AppendBiff8Characters(characters, utf8, wide);
    if (!units) {
      problem = "the worksheet name '" + std::string(utf8) + "' is not valid UTF-8";
      return false;
    }
    length = *units;
  } else {
    if (!Windows1252().Encode(utf8, characters, problem)) {
      problem =
          "the worksheet name '" + std::string(utf8) + "' cannot be stored: " + problem;
      return false;
    }
    length = characters.size();
  }
  if (length > 0xFF) {
    problem = "the worksheet name '" + std::string(utf8) + "' is too long";
    return false;
  }
  out += static_cast<char>(length);
  if (version == BiffVersion::k8) out += static_cast<char>(wide ? 0x01 : 0x00);
  out += characters;
  return true;
}

void AppendBof(std::string& out, BiffVersion version, SubstreamType type) {
  std::string data;
  switch (version) {
    case BiffVersion::k3:
    case BiffVersion::k4:
      Append16(data, 0);  // unused: the record number tells the version
      Append16(data, static_cast<uint16_t>(type));
      Append16(data, 0);
      AppendRecord(out, version == BiffVersion::k3 ? kBof3 : kBof4, data);
      return;
    case BiffVersion::k5:
    case BiffVersion::k8:
      Append16(data, version == BiffVersion::k5 ? 0x0500 : 0x0600);
      Append16(data, static_cast<uint16_t>(type));
      Append16(data, kBuild);
      Append16(data, version == BiffVersion::k5 ? kBiff5BuildYear : kBiff8BuildYear);
      if (version == BiffVersion::k8) {
        Append32(data, kBiff8SavedOnWindows);  // the file history flags
        Append32(data, kLowestBiff8Version);
      }
      AppendRecord(out, kBof58, data);
      return;
  }
}

void AppendEof(std::string& out) { AppendHeader(out, kEof, 0); }

void AppendCodePage(std::string& out, BiffVersion version) {
  std::string data;
  switch (version) {
    case BiffVersion::k3:
      Append16(data, kCodePage1252Biff3);
      break;
    case BiffVersion::k4:
    case BiffVersion::k5:
      Append16(data, kCodePage1252);
      break;
    case BiffVersion::k8:
      Append16(data, kCodePageUtf16);
      break;
  }
  AppendRecord(out, kCodePage, data);
}

void AppendDateMode(std::string& out) {
  AppendHeader(out, kDateMode, 2);
  Append16(out, 0);
}

void AppendWindow1(std::string& out, BiffVersion version) {
  // Position and size of the window in twips, as Excel's default window.
  std::string data;
  Append16(data, 120);
  Append16(data, 105);
  Append16(data, 17115);
  Append16(data, 8190);
  if (version == BiffVersion::k3 || version == BiffVersion::k4) {
    data += '\0';  // not hidden
    data += '\0';
  } else {
    Append16(data, 0x0038);  // scroll bars and sheet tabs shown
    Append16(data, 0);       // the first sheet is active
    Append16(data, 0);       // and the first tab shown
    Append16(data, 1);       // one sheet selected
    Append16(data, 600);     // tab bar width, per mille of the window
  }
  AppendRecord(out, kWindow1, data);
}

void AppendWindow2(std::string& out, BiffVersion version, bool selected) {
  std::string data;
  Append16(data, selected ? kWindow2Shown | kWindow2Selected : kWindow2Shown);
  Append16(data, 0);  // first row shown
  Append16(data, 0);  // first column shown
  if (version == BiffVersion::k8) {
    Append16(data, kGridColorIndex);
    data.append(10, '\0');  // reserved, and default zoom factors
  } else {
    Append32(data, 0);  // grid colour (the default applies)
  }
  AppendRecord(out, kWindow2, data);
}

void AppendWorksheetOptions(std::string& out) {
  AppendHeader(out, kWsBool, 2);
  Append16(out, kWorksheetOptions);
}

void AppendDefaultColumnWidth(std::string& out) {
  AppendHeader(out, kDefColWidth, 2);
  Append16(out, kDefaultColumnWidth);
}

void AppendDimensions(std::string& out, BiffVersion version, uint32_t rows,
                      uint16_t columns) {
  const int row_bytes = version == BiffVersion::k8 ? 4 : 2;
  AppendHeader(out, kDimensions, 2 * row_bytes + 6);
  AppendLittleEndian(out, 0, row_bytes);
  AppendLittleEndian(out, rows, row_bytes);
  Append16(out, 0);
  Append16(out, columns);
  Append16(out, 0);
}

void AppendFormatTables(std::string& out, BiffVersion version) {
  AppendFonts(out, version);
  AppendNumberFormats(out, version);
  // XF 0 is the Normal style, XFs 1 to 14 the outline level styles Excel
  // expects to find, XF 15 the default cell format.
  AppendXf(out, version, true, 0, 0);
  for (int i = 1; i < kGeneralXf; ++i) AppendXf(out, version, true, 0, kAllButFont);
  AppendXf(out, version, false, 0, 0);
  AppendXf(out, version, false, FormatIndex(version, 1), kUsedNumberFormat);
  AppendXf(out, version, false, FormatIndex(version, 2), kUsedNumberFormat);
  // The built-in Normal style is XF 0.
  AppendHeader(out, kStyle, 4);
  Append16(out, 0x8000);
  out += '\0';
  out += '\xFF';
}

void AppendBoundSheet(std::string& out, uint32_t bof_offset, std::string_view name) {
  AppendHeader(out, kBoundSheet, 6 + name.size());
  Append32(out, bof_offset);
  out += '\0';  // visible
  out += '\0';  // a worksheet
  out += name;
}

void AppendNumberCell(std::string& out, uint16_t row, uint16_t column, uint16_t xf,
                      double value) {
  if (std::optional<uint32_t> rk = RkValue(value)) {
    AppendCellHeader(out, kRk, 10, row, column, xf);
    Append32(out, *rk);
    return;
  }
  AppendCellHeader(out, kNumber, 14, row, column, xf);
  AppendLittleEndianDouble(out, value);
}

void AppendBooleanCell(std::string& out, uint16_t row, uint16_t column, bool value) {
  AppendCellHeader(out, kBoolErr, 8, row, column, kGeneralXf);
  out += static_cast<char>(value ? 1 : 0);
  out += '\0';  // a boolean, not an error code
}

void AppendLabelCell(std::string& out, uint16_t row, uint16_t column,
                     std::string_view windows_1252) {
  AppendCellHeader(out, kLabel, 8 + windows_1252.size(), row, column, kGeneralXf);
  Append16(out, static_cast<uint32_t>(windows_1252.size()));
  out += windows_1252;
}

void AppendSharedLabelCell(std::string& out, uint16_t row, uint16_t column,
                           uint32_t string_index) {
  AppendCellHeader(out, kLabelSst, 10, row, column, kGeneralXf);
  Append32(out, string_index);
}

}  // namespace vdimpexp::formats

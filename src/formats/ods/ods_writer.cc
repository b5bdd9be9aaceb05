#include "formats/ods/ods_writer.h"

#include <zip.h>

#include <charconv>
#include <cmath>
#include <cstdio>

#include "data/db_error.h"
#include "data/text.h"
#include "data/utf8.h"
#include "formats/common/cell_text.h"
#include "formats/common/spreadsheet_cells.h"
#include "formats/common/value_error.h"

namespace vdimpexp::formats {
namespace {

using data::Value;
namespace error_number = data::error_number;

constexpr size_t kMaxColumns = 16384;
// OpenDocument limits a table's name by the characters alone; a file name
// is at most 255 bytes, and so are the names made from it.
constexpr SheetNameRules kSheetNames{
    255, "[]*?:/\\", [](char32_t c) { return c != 0xFFFE && c != 0xFFFF; }};
constexpr size_t kFlushAt = 1 << 16;

constexpr std::string_view kMimeType = "application/vnd.oasis.opendocument.spreadsheet";
constexpr std::string_view kNamespaces =
    " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
    " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
    " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
    " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
    " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
    " xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\""
    " xmlns:config=\"urn:oasis:names:tc:opendocument:xmlns:config:1.0\""
    " office:version=\"1.2\"";

void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
}

void AppendNumber(std::string& out, double number) {
  char digits[32];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
}

void AppendTwoDigits(std::string& out, int number) {
  out += static_cast<char>('0' + number / 10 % 10);
  out += static_cast<char>('0' + number % 10);
}

// A style per column of each table, "co<table>.<column>", for its width.
std::string ColumnStyle(size_t sheet, size_t column) {
  return "co" + std::to_string(sheet + 1) + "." + std::to_string(column + 1);
}

std::string SettingsXml(const std::vector<std::string>& sheets) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-settings";
  xml += kNamespaces;
  xml +=
      "><office:settings><config:config-item-set config:name=\"ooo:view-settings\">"
      "<config:config-item-map-indexed "
      "config:name=\"Views\"><config:config-item-map-entry>"
      "<config:config-item config:name=\"ViewId\" config:type=\"string\">view1"
      "</config:config-item><config:config-item-map-named config:name=\"Tables\">";
  auto item = [&xml](std::string_view name, std::string_view type, int value) {
    xml += "<config:config-item config:name=\"" + std::string(name) +
           "\" config:type=\"" + std::string(type) + "\">" + std::to_string(value) +
           "</config:config-item>";
  };
  for (const std::string& sheet : sheets) {
    // The first row frozen: both splits fixed, the rows' below row 1 and the
    // columns' at column 0 (where some readers want the columns' mode fixed too).
    xml += "<config:config-item-map-entry config:name=\"";
    AppendEscaped(xml, sheet);
    xml += "\">";
    item("HorizontalSplitMode", "short", 2);
    item("VerticalSplitMode", "short", 2);
    item("HorizontalSplitPosition", "int", 0);
    item("VerticalSplitPosition", "int", 1);
    item("ActiveSplitRange", "short", 2);
    item("PositionLeft", "int", 0);
    item("PositionRight", "int", 0);
    item("PositionTop", "int", 0);
    item("PositionBottom", "int", 1);
    xml += "</config:config-item-map-entry>";
  }
  xml +=
      "</config:config-item-map-named></config:config-item-map-entry>"
      "</config:config-item-map-indexed></config:config-item-set></office:settings>"
      "</office:document-settings>\n";
  return xml;
}

std::string StylesXml() {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-styles" +
         std::string(kNamespaces) + "><office:styles/></office:document-styles>\n";
}

std::string ManifestXml() {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<manifest:manifest "
      "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
      "manifest:version=\"1.2\">\n <manifest:file-entry manifest:full-path=\"/\" "
      "manifest:version=\"1.2\" manifest:media-type=\"";
  xml += kMimeType;
  xml += "\"/>\n";
  for (const char* part : {"content.xml", "styles.xml", "settings.xml"}) {
    xml += std::string(" <manifest:file-entry manifest:full-path=\"") + part +
           "\" manifest:media-type=\"text/xml\"/>\n";
  }
  return xml + "</manifest:manifest>\n";
}

}  // namespace

OdsWriter::OdsWriter(uint32_t max_rows) : max_rows_(max_rows) {}

OdsWriter::~OdsWriter() = default;

std::string OdsWriter::Where() const {
  return "OpenDocument spreadsheet '" + path_ + "'";
}

void OdsWriter::Fail(const std::string& what) const {
  throw data::DbError(error_number::kEngineFailure, Where() + ": " + what + ".");
}

void OdsWriter::Open(const data::ExternalTarget& target,
                     std::span<const data::ColumnInfo> columns) {
  path_ = target.database;
  if (columns.size() > kMaxColumns) {
    Fail("the export has " + std::to_string(columns.size()) +
         " columns; an OpenDocument table holds at most " +
         data::GroupedDigits(kMaxColumns) + " columns");
  }
  for (const data::ColumnInfo& column : columns) column_names_.push_back(column.name);
  changes_.resize(columns.size());
  sheets_.emplace(target.table, kSheetNames, max_rows_);
  file_.emplace(path_);
  tables_ = std::make_unique<Spool>(Where());
  StartSheet();
}

void OdsWriter::StartSheet() {
  if (!sheets_->Names().empty()) xml_ += "</table:table>";
  const std::string& name = sheets_->Start();
  widths_.emplace_back(column_names_.size());
  xml_ += "<table:table table:name=\"";
  AppendEscaped(xml_, name);
  xml_ += "\">";
  for (size_t column = 0; column < column_names_.size(); ++column) {
    xml_ += "<table:table-column table:style-name=\"" +
            ColumnStyle(widths_.size() - 1, column) + "\"/>";
  }
  xml_ += "<table:table-row>";
  for (size_t column = 0; column < column_names_.size(); ++column) {
    AppendText(column, column_names_[column], nullptr);
  }
  xml_ += "</table:table-row>";
  sheets_->CountRow();
}

void OdsWriter::WriteRow(std::span<const Value> row) {
  if (sheets_->Full()) StartSheet();
  sheets_->CountRecord();
  xml_ += "<table:table-row>";
  for (size_t column = 0; column < row.size(); ++column) AppendValue(column, row[column]);
  xml_ += "</table:table-row>";
  sheets_->CountRow();
  if (xml_.size() >= kFlushAt) Flush();
}

void OdsWriter::Flush() {
  tables_->Write(xml_);
  xml_.clear();
}

void OdsWriter::AppendValue(size_t column, const Value& value) {
  ColumnWidths& widths = widths_.back();
  // Cells with a value close with an end tag: some readers take a cell that
  // closes itself for an empty one.
  switch (value.kind()) {
    case Value::Kind::kNull:
      xml_ += "<table:table-cell/>";
      return;
    case Value::Kind::kBoolean:
      xml_ +=
          value.AsBoolean()
              ? "<table:table-cell office:value-type=\"boolean\" "
                "office:boolean-value=\"true\"><text:p>TRUE</text:p></table:table-cell>"
              : "<table:table-cell office:value-type=\"boolean\" "
                "office:boolean-value=\"false\"><text:p>FALSE</text:p></"
                "table:table-cell>";
      widths.Measure(column, 5);
      return;
    case Value::Kind::kInteger: {
      char digits[24];
      const int64_t number = value.AsInteger();
      const std::string_view text(
          digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
      if (!FitsNumberCell(number)) {
        AppendText(column, text, nullptr);
        return;
      }
      xml_ += "<table:table-cell office:value-type=\"float\" office:value=\"";
      xml_ += text;
      xml_ += "\"></table:table-cell>";
      widths.Measure(column, text.size());
      return;
    }
    case Value::Kind::kDouble: {
      if (!std::isfinite(value.AsDouble())) {
        std::string text;
        AppendCellText(text, value);
        AppendText(column, text, nullptr);
        return;
      }
      xml_ += "<table:table-cell office:value-type=\"float\" office:value=\"";
      const size_t start = xml_.size();
      AppendNumber(xml_, value.AsDouble());
      // A spreadsheet shows about 11 characters of a number in its standard format.
      widths.Measure(column, std::min<size_t>(xml_.size() - start, 11));
      xml_ += "\"></table:table-cell>";
      return;
    }
    case Value::Kind::kDate: {
      const data::Date& date = value.AsDate();
      xml_ += date.HasTime() ? "<table:table-cell table:style-name=\"ce2\""
                             : "<table:table-cell table:style-name=\"ce1\"";
      xml_ += " office:value-type=\"date\" office:date-value=\"";
      if (date.year < 1000) xml_ += '0';
      if (date.year < 100) xml_ += '0';
      if (date.year < 10) xml_ += '0';
      xml_ += std::to_string(date.year);
      xml_ += '-';
      AppendTwoDigits(xml_, date.month);
      xml_ += '-';
      AppendTwoDigits(xml_, date.day);
      if (date.HasTime()) {
        xml_ += 'T';
        AppendTwoDigits(xml_, date.hour);
        xml_ += ':';
        AppendTwoDigits(xml_, date.minute);
        xml_ += ':';
        AppendTwoDigits(xml_, date.second);
      }
      xml_ += "\"></table:table-cell>";
      widths.Measure(column, date.HasTime() ? 19 : 10);
      return;
    }
    case Value::Kind::kText:
      AppendText(column, value.AsText(), &changes_[column]);
      return;
  }
}

void OdsWriter::AppendText(size_t column, std::string_view utf8, ColumnChanges* changes) {
  widths_.back().MeasureText(column, utf8);
  xml_ += "<table:table-cell office:value-type=\"string\"><text:p>";
  // Blanks in a paragraph collapse into one and go at its start and end, so a
  // run of them is counted out; tabs are elements of their own and lines paragraphs.
  for (size_t at = 0; at < utf8.size();) {
    const char c = utf8[at];
    if (c == ' ') {
      size_t run = 1;
      while (at + run < utf8.size() && utf8[at + run] == ' ') ++run;
      const bool edge = at == 0 || at + run == utf8.size() || utf8[at + run] == '\n' ||
                        utf8[at + run] == '\r' || utf8[at + run] == '\t';
      size_t counted = run;
      if (!edge) {
        xml_ += ' ';
        --counted;
      }
      if (counted == 1) xml_ += "<text:s/>";
      if (counted > 1) xml_ += "<text:s text:c=\"" + std::to_string(counted) + "\"/>";
      at += run;
      continue;
    }
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) {
      const data::Utf8Character character = data::DecodeUtf8At(utf8, at);
      if (character.length == 0) {
        throw ValueError(error_number::kTypeMismatch, Where(),
                         sheets_->RecordBeingWritten(), column_names_[column],
                         "the text is not valid UTF-8");
      }
      if (!kSheetNames.storable(character.code_point)) {
        if (changes == nullptr)
          Fail("'" + column_names_[column] + "' holds U+FFFE or U+FFFF");
        xml_ += '?';
        ++changes->replaced_characters;
      } else {
        xml_.append(utf8.substr(at, character.length));
      }
      at += character.length;
      continue;
    }
    switch (c) {
      case '&':
        xml_ += "&amp;";
        break;
      case '<':
        xml_ += "&lt;";
        break;
      case '>':
        xml_ += "&gt;";
        break;
      case '\t':
        xml_ += "<text:tab/>";
        break;
      // Each line is a paragraph of its own: LibreOffice drops a line-break
      // element inside a cell's paragraph. A line end of two characters is one.
      case '\n':
        xml_ += "</text:p><text:p>";
        break;
      case '\r':
        if (at + 1 == utf8.size() || utf8[at + 1] != '\n') xml_ += "</text:p><text:p>";
        break;
      default:
        if (byte < 0x20) {
          if (changes == nullptr) {
            Fail("the column name '" + column_names_[column] +
                 "' holds a control character");
          }
          xml_ += '?';
          ++changes->replaced_characters;
        } else {
          xml_ += c;
        }
    }
    ++at;
  }
  xml_ += "</text:p></table:table-cell>";
}

void OdsWriter::WriteContent(const std::string& path) const {
  std::string head =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content";
  head += kNamespaces;
  head +=
      "><office:automatic-styles>"
      "<number:date-style style:name=\"N1\"><number:year number:style=\"long\"/>"
      "<number:text>-</number:text><number:month number:style=\"long\"/>"
      "<number:text>-</number:text><number:day "
      "number:style=\"long\"/></number:date-style>"
      "<number:date-style style:name=\"N2\"><number:year number:style=\"long\"/>"
      "<number:text>-</number:text><number:month number:style=\"long\"/>"
      "<number:text>-</number:text><number:day number:style=\"long\"/>"
      "<number:text> </number:text><number:hours number:style=\"long\"/>"
      "<number:text>:</number:text><number:minutes number:style=\"long\"/>"
      "<number:text>:</number:text><number:seconds number:style=\"long\"/>"
      "</number:date-style>"
      "<style:style style:name=\"ce1\" style:family=\"table-cell\" "
      "style:data-style-name=\"N1\"/>"
      "<style:style style:name=\"ce2\" style:family=\"table-cell\" "
      "style:data-style-name=\"N2\"/>";
  char width[32];
  for (size_t sheet = 0; sheet < widths_.size(); ++sheet) {
    for (size_t column = 0; column < widths_[sheet].size(); ++column) {
      // About 0.23 cm a character of the default font.
      std::snprintf(width, sizeof width, "%.2fcm",
                    0.23 * static_cast<double>(widths_[sheet].Of(column)));
      head += "<style:style style:name=\"" + ColumnStyle(sheet, column) +
              "\" style:family=\"table-column\"><style:table-column-properties "
              "style:column-width=\"" +
              width + "\"/></style:style>";
    }
  }
  head += "</office:automatic-styles><office:body><office:spreadsheet>";
  const std::string tail =
      "</office:spreadsheet></office:body></office:document-content>\n";

  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) Fail("the content could not be written to a temporary file");
  bool written = std::fwrite(head.data(), 1, head.size(), out) == head.size();
  if (written) {
    try {
      tables_->Copy(0, tables_->Size(), [&](std::string_view bytes) {
        if (written)
          written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
      });
    } catch (...) {
      std::fclose(out);
      throw;
    }
  }
  written = written && std::fwrite(tail.data(), 1, tail.size(), out) == tail.size();
  if (std::fclose(out) != 0 || !written) {
    Fail("the content could not be written to a temporary file");
  }
}

void OdsWriter::Zip(const std::string& content, const std::string& archive) const {
  int error = 0;
  zip_t* zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (zip == nullptr)
    Fail("the archive could not be started (libzip error " + std::to_string(error) + ")");
  const std::string settings = SettingsXml(sheets_->Names());
  const std::string styles = StylesXml();
  const std::string manifest = ManifestXml();
  auto fail = [&](const std::string& what) {
    const std::string message = what + ": " + zip_strerror(zip);
    zip_discard(zip);
    Fail(message);
  };
  // A reader knows the file by "mimetype" first, stored as it is.
  auto add = [&](const char* name, zip_source_t* source, bool store) {
    if (source == nullptr) fail(std::string("adding ") + name);
    const zip_int64_t index = zip_file_add(zip, name, source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(source);
      fail(std::string("adding ") + name);
    }
    // Level 1: the tables compress well at the fastest level.
    if (zip_set_file_compression(zip, static_cast<zip_uint64_t>(index),
                                 store ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                 store ? 0 : 1) != 0) {
      fail(std::string("compressing ") + name);
    }
  };
  add("mimetype", zip_source_buffer(zip, kMimeType.data(), kMimeType.size(), 0), true);
  add("content.xml", zip_source_file(zip, content.c_str(), 0, -1), false);
  add("styles.xml", zip_source_buffer(zip, styles.data(), styles.size(), 0), false);
  add("settings.xml", zip_source_buffer(zip, settings.data(), settings.size(), 0), false);
  add("META-INF/manifest.xml",
      zip_source_buffer(zip, manifest.data(), manifest.size(), 0), false);
  if (zip_close(zip) != 0) fail("zipping the document");
}

void OdsWriter::Finish() {
  xml_ += "</table:table>";
  Flush();
  const ScratchPath content(".xml", Where());
  WriteContent(content.Path());
  const ScratchPath archive(".ods", Where());
  Zip(content.Path(), archive.Path());
  tables_.reset();
  archive.CopyInto(*file_);
  file_->Close();
}

void OdsWriter::Abandon() noexcept {
  tables_.reset();
  if (file_) {
    file_->Remove();
    file_.reset();
  }
}

std::vector<std::string> OdsWriter::Changes() const {
  std::vector<std::string> lines;
  for (size_t i = 0; i < changes_.size(); ++i) {
    DescribeChanges(column_names_[i], changes_[i], "XML 1.0", lines);
  }
  if (sheets_) sheets_->DescribeContinued(lines);
  return lines;
}

}  // namespace vdimpexp::formats

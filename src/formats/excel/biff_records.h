// The records of Excel's binary file format (BIFF) in the versions the
// export writes: BIFF3 (Excel 3.0) and BIFF4 (Excel 4.0) worksheet files,
// BIFF5 (Excel 5.0/95) and BIFF8 (Excel 97) workbooks. Each function
// appends one record, or one fixed group of records, in the layout of the
// version given; which records a file holds and in what order is the
// Excel writer's business.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vdimpexp::formats {

enum class BiffVersion { k3, k4, k5, k8 };

// Cell formats (XF indexes) of the format tables below. Excel requires the
// first sixteen: fifteen style formats and the default cell format.
inline constexpr uint16_t kGeneralXf = 15;
inline constexpr uint16_t kDateXf = 16;      // yyyy-mm-dd
inline constexpr uint16_t kDateTimeXf = 17;  // yyyy-mm-dd hh:mm:ss

// Most data bytes a BIFF8 record carries; longer data (the shared string
// table) goes on in CONTINUE records.
inline constexpr size_t kMaxBiff8RecordData = 8224;
inline constexpr uint16_t kSstRecord = 0x00FC;
inline constexpr uint16_t kExtSstRecord = 0x00FF;
inline constexpr uint16_t kContinueRecord = 0x003C;

enum class SubstreamType : uint16_t { kWorkbookGlobals = 0x0005, kWorksheet = 0x0010 };

void AppendRecord(std::string& out, uint16_t id, std::string_view data);

// The characters of `utf8` as BIFF8 strings hold them: one byte each when
// every character is below U+0100 (`wide` false), else UTF-16LE with
// surrogate pairs above U+FFFF (`wide` true). Returns the length in UTF-16
// units, or nullopt when `utf8` is not well-formed, leaving `out` as it was.
std::optional<size_t> AppendBiff8Characters(std::string& out, std::string_view utf8,
                                            bool& wide);

// A sheet name as the version's BOUNDSHEET stores it: a one-byte length,
// then Windows-1252 bytes (BIFF5) or BIFF8 characters with their flags.
// False with `problem` said when the name does not fit the version.
bool AppendSheetName(std::string& out, BiffVersion version, std::string_view utf8,
                     std::string& problem);

void AppendBof(std::string& out, BiffVersion version, SubstreamType type);
void AppendEof(std::string& out);
void AppendCodePage(std::string& out, BiffVersion version);
// The 1900 date system, which SerialDate counts in.
void AppendDateMode(std::string& out);
void AppendWindow1(std::string& out, BiffVersion version);
// `selected`: the sheet shown when the file is opened.
void AppendWindow2(std::string& out, BiffVersion version, bool selected);
// WSBOOL, which tells a worksheet from a dialog sheet: Excel requires it
// in every worksheet.
void AppendWorksheetOptions(std::string& out);
void AppendDefaultColumnWidth(std::string& out);
// Cells in rows 0 to rows - 1 and columns 0 to columns - 1.
void AppendDimensions(std::string& out, BiffVersion version, uint32_t rows,
                      uint16_t columns);
// The fonts, number formats, cell formats (XF) and the Normal style that
// every file defines, ending with the formats kDateXf and kDateTimeXf.
void AppendFormatTables(std::string& out, BiffVersion version);
// Where a worksheet's BOF starts in the workbook stream; `name` as
// AppendSheetName wrote it.
void AppendBoundSheet(std::string& out, uint32_t bof_offset, std::string_view name);

// Cell records. A number that is a whole number of 30 bits becomes an RK
// record, any other a NUMBER record.
void AppendNumberCell(std::string& out, uint16_t row, uint16_t column, uint16_t xf,
                      double value);
void AppendBooleanCell(std::string& out, uint16_t row, uint16_t column, bool value);
// BIFF3-5 text: at most 255 bytes of Windows-1252.
void AppendLabelCell(std::string& out, uint16_t row, uint16_t column,
                     std::string_view windows_1252);
// BIFF8 text: an index into the shared string table.
void AppendSharedLabelCell(std::string& out, uint16_t row, uint16_t column,
                           uint32_t string_index);

}  // namespace vdimpexp::formats

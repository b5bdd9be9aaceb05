// The export formats offered on the format page. What each entry does is
// fixed by its position, so the list is never sorted.
#pragma once

#include <array>
#include <string_view>

namespace vdimpexp::exporting {

// How the rest of a target reference is made from the chosen file.
enum class TargetForm {
  kAccess,        // [path without extension].[Verdacor]
  kFolder,        // prefix folder].[file name]
  kWorkbook,      // prefix whole path].[file name]: the sheet bears the file's name
  kXmlRecordset,  // the selection saved as an XML rowset file
  kNotAvailable,  // offered, but nothing is exported
};

struct ExportFormat {
  std::string_view entry;           // the text in the format list
  std::string_view connect_prefix;  // opens the target reference
  std::string_view dialog_filter;   // of the save dialog
  TargetForm form;
  bool aliases_long_names = false;  // dBASE: column names of at most 10 characters
};

// The save dialog of every export into an existing database.
inline constexpr std::string_view kAccessDialogFilter = "MS ACCESS (*.mdb)|*.mdb";

inline constexpr std::array<ExportFormat, 22> kExportFormats = {{
    {"Microsoft Jet (Access)", "", kAccessDialogFilter, TargetForm::kAccess},
    {"dBASE III", "[dBASE III;Database=", "dBASE III (*.dbf)|*.dbf", TargetForm::kFolder,
     true},
    {"dBASE IV", "[dBASE IV;Database=", "dBASE IV (*.dbf)|*.dbf", TargetForm::kFolder, true},
    {"dBASE 5", "[dBASE 5.0;Database=", "dBASE 5.0 (*.dbf)|*.dbf", TargetForm::kFolder,
     true},
    {"Paradox 3.x", "[Paradox 3.x;Database=", "Paradox 3.x (*.*)|*.*", TargetForm::kFolder},
    {"Paradox 4.x", "[Paradox 4.x;Database=", "Paradox 4.x (*.*)|*.*", TargetForm::kFolder},
    {"Paradox 5.x", "[Paradox 5.x;Database=", "Paradox 5.x (*.*)|*.*", TargetForm::kFolder},
    {"Excel 3.0", "[Excel 3.0;Database=", "Excel 3.0 (*.xls)|*.xls", TargetForm::kWorkbook},
    {"Excel 4.0", "[Excel 4.0;Database=", "Excel 4.0 (*.xls)|*.xls", TargetForm::kWorkbook},
    {"Excel 5.0", "[Excel 5.0;Database=", "Excel 5.0 (*.xls)|*.xls", TargetForm::kWorkbook},
    // Excel 95 files are what the Excel 5.0 driver writes.
    {"Excel 95", "[Excel 5.0;Database=", "Excel 95 (*.xls)|*.xls", TargetForm::kWorkbook},
    {"Excel 97", "[Excel 8.0;Database=", "Excel 97 (*.xls)|*.xls", TargetForm::kWorkbook},
    {"Lotus 123 WKS and WK1", "[Lotus WK1;Database=", "Lotus WK1 (*.*)|*.*",
     TargetForm::kFolder},
    {"Lotus 123 WK3", "[Lotus WK3;Database=", "Lotus WK3 (*.*)|*.*", TargetForm::kFolder},
    {"Lotus 123 WK4", "[Lotus WK4;Database=", "Lotus WK4 (*.*)|*.*", TargetForm::kFolder},
    {"HTML", "[HTML Export;Database=", "HTML Export (*.htm)|*.htm", TargetForm::kFolder},
    {"Text (Comma Delimited)", "[TEXT;Database=", "TEXT (*.txt)|*.txt|CSV (*.csv)|*.csv",
     TargetForm::kFolder},
    {"OBDC", "", "", TargetForm::kNotAvailable},
    {"Microsoft Exchange", "", "", TargetForm::kNotAvailable},
    {"XML", "XML", "XML (*.xml)|*.xml", TargetForm::kXmlRecordset},
    {"Excel 2007-365 (xlsx)", "[Excel 12.0 Xml;Database=", "Excel Workbook (*.xlsx)|*.xlsx",
     TargetForm::kWorkbook},
    {"OpenDocument Spreadsheet (ods)", "[ODS;Database=",
     "OpenDocument Spreadsheet (*.ods)|*.ods", TargetForm::kWorkbook},
}};

}  // namespace vdimpexp::exporting

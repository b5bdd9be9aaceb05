#include "formats/file_formats.h"

#include <mutex>

#include "data/external_target.h"
#include "formats/dbase/dbf_writer.h"
#include "formats/excel/excel_writer.h"
#include "formats/html/html_writer.h"
#include "formats/lotus/lotus_writer.h"
#include "formats/ods/ods_writer.h"
#include "formats/paradox/paradox_writer.h"
#include "formats/text/text_writer.h"
#include "formats/xlsx/xlsx_writer.h"
#include "formats/xml_rowset/xml_rowset_writer.h"

namespace vdimpexp::formats {

void RegisterFileFormats() {
  static std::once_flag registered;
  std::call_once(registered, [] {
    data::RegisterTableWriter("dBASE III",
                              [] { return std::make_unique<DbfWriter>(DbfLevel::kIII); });
    data::RegisterTableWriter("dBASE IV",
                              [] { return std::make_unique<DbfWriter>(DbfLevel::kIV); });
    data::RegisterTableWriter("dBASE 5.0",
                              [] { return std::make_unique<DbfWriter>(DbfLevel::k5); });
    data::RegisterTableWriter("Paradox 3.x", [] {
      return std::make_unique<ParadoxWriter>(ParadoxVersion::k3);
    });
    data::RegisterTableWriter("Paradox 4.x", [] {
      return std::make_unique<ParadoxWriter>(ParadoxVersion::k4);
    });
    data::RegisterTableWriter("Paradox 5.x", [] {
      return std::make_unique<ParadoxWriter>(ParadoxVersion::k5);
    });
    data::RegisterTableWriter(
        "Excel 3.0", [] { return std::make_unique<ExcelWriter>(BiffVersion::k3); });
    data::RegisterTableWriter(
        "Excel 4.0", [] { return std::make_unique<ExcelWriter>(BiffVersion::k4); });
    data::RegisterTableWriter(
        "Excel 5.0", [] { return std::make_unique<ExcelWriter>(BiffVersion::k5); });
    data::RegisterTableWriter(
        "Excel 8.0", [] { return std::make_unique<ExcelWriter>(BiffVersion::k8); });
    data::RegisterTableWriter("HTML Export",
                              [] { return std::make_unique<HtmlWriter>(); });
    data::RegisterTableWriter(
        "Lotus WK1", [] { return std::make_unique<LotusWriter>(LotusRelease::kWk1); });
    data::RegisterTableWriter(
        "Lotus WK3", [] { return std::make_unique<LotusWriter>(LotusRelease::kWk3); });
    data::RegisterTableWriter(
        "Lotus WK4", [] { return std::make_unique<LotusWriter>(LotusRelease::kWk4); });
    data::RegisterTableWriter("TEXT", [] { return std::make_unique<TextWriter>(); });
    data::RegisterTableWriter("XML", [] { return std::make_unique<XmlRowsetWriter>(); });
    data::RegisterTableWriter("Excel 12.0 Xml",
                              [] { return std::make_unique<XlsxWriter>(); });
    data::RegisterTableWriter("ODS", [] { return std::make_unique<OdsWriter>(); });
  });
}

}  // namespace vdimpexp::formats

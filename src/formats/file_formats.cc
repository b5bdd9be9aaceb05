#include "formats/file_formats.h"

#include <mutex>

#include "data/external_target.h"
#include "formats/dbf_writer.h"
#include "formats/html_writer.h"
#include "formats/text_writer.h"
#include "formats/xml_rowset_writer.h"

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
    data::RegisterTableWriter("HTML Export",
                              [] { return std::make_unique<HtmlWriter>(); });
    data::RegisterTableWriter("TEXT", [] { return std::make_unique<TextWriter>(); });
    data::RegisterTableWriter("XML", [] { return std::make_unique<XmlRowsetWriter>(); });
  });
}

}  // namespace vdimpexp::formats

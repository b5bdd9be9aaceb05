#include "import/set_aside_list.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "formats/text/delimited_text.h"

namespace vdimpexp::importing {

std::string SetAsideListCsv(std::span<const legacy::SetAsideRecord> records) {
  std::string csv;
  const std::string header[] = {"Table", "Record", "Key", "Reason"};
  formats::AppendCsvLine(csv, header);
  for (const legacy::SetAsideRecord& record : records) {
    const std::string fields[] = {record.table, std::to_string(record.record), record.key,
                                  record.reason};
    formats::AppendCsvLine(csv, fields);
  }
  return csv;
}

void SaveSetAsideList(std::span<const legacy::SetAsideRecord> records,
                      const std::string& path) {
  const std::string csv = SetAsideListCsv(records);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (file) file.write(csv.data(), static_cast<std::streamsize>(csv.size()));
  if (file) file.close();
  if (!file) {
    throw std::runtime_error("the list could not be written to '" + path +
                             "': " + std::strerror(errno));
  }
}

}  // namespace vdimpexp::importing

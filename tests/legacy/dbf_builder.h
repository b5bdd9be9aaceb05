// Builds DBF files byte by byte, wrong header values included. The offsets are written
// out here, not taken from the reader's layout, so a wrong layout constant cannot hide.
#pragma once

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace vdimpexp::testing {

struct DbfBuilder {
  struct FieldDef {
    std::string name;
    char type;
    std::uint8_t width, decimals;
  };

  std::uint8_t version = 0x03;
  std::uint8_t language_driver = 0;
  bool level7 = false;  // dBASE 7: 48-byte descriptors after a 68-byte fixed part
  std::vector<FieldDef> fields;
  std::vector<std::string> records;
  std::optional<std::uint32_t> record_count;  // else computed
  std::optional<std::uint16_t> header_length, record_length;
  std::size_t header_tail = 0;  // bytes between terminator and records
  bool terminator = true;

  DbfBuilder& Field(std::string name, char type, std::uint8_t width,
                    std::uint8_t decimals = 0) {
    fields.push_back({std::move(name), type, width, decimals});
    return *this;
  }
  // Values padded with spaces (or cut) to their fields' widths.
  DbfBuilder& Record(const std::vector<std::string>& values, bool deleted = false) {
    std::string record(1, deleted ? '*' : ' ');
    for (std::size_t i = 0; i < fields.size(); ++i) {
      std::string value = i < values.size() ? values[i] : "";
      value.resize(Width(fields[i]), ' ');
      record += value;
    }
    records.push_back(record);
    return *this;
  }

  std::string Bytes() const {
    const std::size_t name_room = level7 ? 31 : 10, type_at = level7 ? 32 : 11;
    const std::size_t width_at = level7 ? 33 : 16;
    std::string header(level7 ? 68 : 32, '\0');
    header[0] = static_cast<char>(version);
    PutLe(header, 4, record_count.value_or(records.size()), 4);
    header[29] = static_cast<char>(language_driver);
    std::size_t width_sum = 1;
    for (const FieldDef& field : fields) {
      std::string descriptor(level7 ? 48 : 32, '\0');
      descriptor.replace(0, std::min(field.name.size(), name_room),
                         field.name.substr(0, name_room));
      descriptor[type_at] = field.type;
      descriptor[width_at] = static_cast<char>(field.width);
      descriptor[width_at + 1] = static_cast<char>(field.decimals);
      header += descriptor;
      width_sum += Width(field);
    }
    if (terminator) header += '\x0D';
    header.append(header_tail, '\0');
    PutLe(header, 8, header_length.value_or(header.size()), 2);
    PutLe(header, 10, record_length.value_or(width_sum), 2);
    std::string file = header;
    for (const std::string& record : records) file += record;
    return file + '\x1A';
  }

  std::string WriteTo(const std::string& path) const {
    std::ofstream(path, std::ios::binary) << Bytes();
    return path;
  }

  // Clipper keeps a wide character field's high width byte in its decimals byte.
  std::size_t Width(const FieldDef& field) const {
    return !level7 && field.type == 'C' ? field.width + 256u * field.decimals
                                        : field.width;
  }
  static void PutLe(std::string& bytes, std::size_t at, std::size_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
  }
};

}  // namespace vdimpexp::testing

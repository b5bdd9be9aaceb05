#include "legacy/dbf_header.h"

#include <algorithm>

namespace vdimpexp::legacy {
namespace {

namespace dbf = formats::dbf;

std::uint16_t ReadLe16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t ReadLe32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) |
         static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::string FieldName(std::span<const std::uint8_t> name_bytes) {
  auto end = std::find(name_bytes.begin(), name_bytes.end(), 0);
  std::string name(name_bytes.begin(), end);
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

// One descriptor; its offset is filled in by the caller.
DbfField ReadDescriptor(std::span<const std::uint8_t> descriptor,
                        const dbf::DescriptorShape& shape, bool level7) {
  DbfField field;
  field.name = FieldName(descriptor.first(shape.name_length));
  field.type = static_cast<char>(descriptor[shape.type_at]);
  field.width = descriptor[shape.width_at];
  field.decimals = descriptor[shape.decimals_at];
  // Clipper and FoxPro store character fields wider than 255 bytes with the
  // high byte of the width in the decimals byte, which is otherwise 0 there.
  if (!level7 && field.type == dbf::kCharacter) {
    field.width = static_cast<std::uint16_t>(field.width | field.decimals << 8);
    field.decimals = 0;
  }
  return field;
}

}  // namespace

DbfError ParseDbfHeader(std::span<const std::uint8_t> start, DbfLayout& layout) {
  if (start.size() < dbf::kFixedPartLength) return DbfError::kShortHeader;
  DbfLayout parsed;
  parsed.version = start[0];
  if (std::find(dbf::kKnownVersions.begin(), dbf::kKnownVersions.end(), parsed.version) ==
      dbf::kKnownVersions.end()) {
    return DbfError::kUnknownVersion;
  }
  parsed.header_record_count = ReadLe32(start, dbf::kRecordCountAt);
  parsed.header_length = ReadLe16(start, dbf::kHeaderLengthAt);
  parsed.record_length = ReadLe16(start, dbf::kRecordLengthAt);
  parsed.language_driver = start[dbf::kLanguageDriverAt];

  const bool level7 = dbf::IsLevel7(parsed.version);
  const dbf::DescriptorShape& shape =
      level7 ? dbf::kLevel7Descriptor : dbf::kClassicDescriptor;
  if (parsed.header_length > start.size()) return DbfError::kShortHeader;
  if (parsed.header_length < shape.first + 1) return DbfError::kHeaderTooSmall;
  if (parsed.record_length == 0) return DbfError::kZeroRecordLength;

  const std::span<const std::uint8_t> header = start.first(parsed.header_length);
  std::uint32_t used = 1;  // the deletion flag
  bool terminated = false;
  for (std::size_t at = shape.first; at < header.size(); at += shape.size) {
    if (header[at] == dbf::kDescriptorTerminator) {
      terminated = true;
      break;
    }
    // Some writers leave the terminator out; the header length still says
    // where records start, and the descriptors end where the header does or
    // where they fill a record.
    if (at + shape.size > header.size()) break;
    DbfField field = ReadDescriptor(header.subspan(at, shape.size), shape, level7);
    // Nameless filler after descriptors that fill the record ends the list;
    // a real descriptor there is a field the record has no room for.
    if (used == parsed.record_length && field.name.empty()) break;
    if (field.width == 0 || field.width > 0x7FFF) return DbfError::kBadFieldWidth;
    field.offset = static_cast<std::uint16_t>(used);  // at most the record length
    used += field.width;
    if (used > parsed.record_length) return DbfError::kFieldsOverrunRecord;
    parsed.fields.push_back(std::move(field));
  }
  if (parsed.fields.empty()) return DbfError::kNoFields;
  // Without a terminator, descriptors that stop short of the record mean the
  // header length cut them off: the records would start inside them.
  if (!terminated && used != parsed.record_length) return DbfError::kHeaderTooSmall;

  layout = std::move(parsed);
  return DbfError::kNone;
}

}  // namespace vdimpexp::legacy

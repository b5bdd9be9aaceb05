#include "legacy/dbf_header.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "dbf_builder.h"

namespace vdimpexp::legacy {
namespace {

using testing::DbfBuilder;

// The layout as "header/record: NAME type offset width.decimals ...", or the
// error.
std::string Parsed(const std::string& bytes) {
  DbfLayout layout;
  const DbfError error = ParseDbfHeader(
      {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, layout);
  if (error != DbfError::kNone) return DbfErrorText(static_cast<int>(error));
  std::string text = std::to_string(layout.header_length) + "/" +
                     std::to_string(layout.record_length) + ":";
  for (const DbfField& field : layout.fields) {
    text += " " + field.name + " " + field.type + " " + std::to_string(field.offset) +
            " " + std::to_string(field.width) + "." + std::to_string(field.decimals);
  }
  return text;
}

DbfBuilder TwoFields() {
  return DbfBuilder().Field("NAME", 'C', 10).Field("QTY", 'N', 5, 1).Record({"ab"});
}

TEST(DbfHeaderTest, ReadsTheFieldsOfEveryFlavour) {
  for (std::uint8_t version : {0x03, 0x05, 0x43, 0x63, 0x83, 0x8B, 0xCB, 0xF5, 0xFB}) {
    DbfBuilder table = TwoFields();
    table.version = version;
    EXPECT_EQ(Parsed(table.Bytes()), "97/16: NAME C 1 10.0 QTY N 11 5.1") << int{version};
  }
  // Visual FoxPro keeps a 263-byte link area between terminator and records.
  for (std::uint8_t version : {0x30, 0x31}) {
    DbfBuilder table = TwoFields();
    table.version = version;
    table.header_tail = 263;
    EXPECT_EQ(Parsed(table.Bytes()), "360/16: NAME C 1 10.0 QTY N 11 5.1");
  }
  // dBASE 7: 48-byte descriptors with names up to 31 characters.
  DbfBuilder level7 =
      DbfBuilder().Field("CUSTOMER_LAST_NAME", 'C', 20).Field("B", 'N', 9, 2);
  level7.level7 = true;
  for (std::uint8_t version : {0x04, 0x8C}) {
    level7.version = version;
    EXPECT_EQ(Parsed(level7.Bytes()), "165/30: CUSTOMER_LAST_NAME C 1 20.0 B N 21 9.2");
  }
  // Clipper's 300-byte character field keeps its high width byte in the
  // decimals; trailing blanks are not part of a name.
  EXPECT_EQ(
      Parsed(DbfBuilder().Field("NOTES", 'C', 44, 1).Field("PAD  ", 'N', 3).Bytes()),
      "97/304: NOTES C 1 300.0 PAD N 301 3.0");
}

TEST(DbfHeaderTest, AcceptsHeadersWithoutTheirTerminator) {
  DbfBuilder table = TwoFields();
  table.terminator = false;
  EXPECT_EQ(Parsed(table.Bytes()), "96/16: NAME C 1 10.0 QTY N 11 5.1");
  // Zero filler after the descriptors ends them too.
  table.header_tail = 40;
  EXPECT_EQ(Parsed(table.Bytes()), "136/16: NAME C 1 10.0 QTY N 11 5.1");
  // So does something else where the terminator belongs.
  std::string bytes = TwoFields().Bytes();
  bytes[96] = ' ';
  EXPECT_EQ(Parsed(bytes), "97/16: NAME C 1 10.0 QTY N 11 5.1");
}

TEST(DbfHeaderTest, RefusesCorruptHeadersWithTheirReason) {
  auto with = [](auto change) {
    DbfBuilder table = TwoFields();
    change(table);
    return Parsed(table.Bytes());
  };
  auto text = [](DbfError error) { return DbfErrorText(static_cast<int>(error)); };
  const std::string good = TwoFields().Bytes();

  EXPECT_EQ(Parsed(good.substr(0, 31)), text(DbfError::kShortHeader));
  EXPECT_EQ(Parsed(good.substr(0, 96)), text(DbfError::kShortHeader));
  for (std::uint8_t version : {0x00, 0x02, 0x50, 0xFF}) {
    EXPECT_EQ(with([&](DbfBuilder& t) { t.version = version; }),
              text(DbfError::kUnknownVersion));
  }
  EXPECT_EQ(with([](DbfBuilder& t) { t.header_length = 32; }),
            text(DbfError::kHeaderTooSmall));
  EXPECT_EQ(with([](DbfBuilder& t) { t.header_length = 64; }),
            text(DbfError::kHeaderTooSmall))
      << "the header length cuts the second descriptor off";
  EXPECT_EQ(Parsed(DbfBuilder().Bytes()), text(DbfError::kNoFields));
  EXPECT_EQ(with([](DbfBuilder& t) { t.Field("EMPTY", 'C', 0); }),
            text(DbfError::kBadFieldWidth));
  EXPECT_EQ(with([](DbfBuilder& t) { t.Field("HUGE", 'C', 0x10, 0x80); }),
            text(DbfError::kBadFieldWidth))
      << "32784 bytes do not fit a 16-bit signed width";
  EXPECT_EQ(with([](DbfBuilder& t) { t.record_length = 0; }),
            text(DbfError::kZeroRecordLength));
  EXPECT_EQ(with([](DbfBuilder& t) { t.record_length = 15; }),
            text(DbfError::kFieldsOverrunRecord));
  EXPECT_EQ(with([](DbfBuilder& t) { t.record_length = 11; }),
            text(DbfError::kFieldsOverrunRecord))
      << "the first field fills the record, but a second one follows";
  EXPECT_EQ(with([](DbfBuilder& t) { t.record_length = 20; }),
            "97/20: NAME C 1 10.0 QTY N 11 5.1")
      << "record bytes after the last field are allowed";

  std::set<std::string> texts;
  for (int code = -10; code >= -20; --code) texts.insert(DbfErrorText(code));
  EXPECT_EQ(texts.size(), 11u) << "every reason reads differently";
}

}  // namespace
}  // namespace vdimpexp::legacy

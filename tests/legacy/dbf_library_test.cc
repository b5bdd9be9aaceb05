// The DBF library on tables built byte by byte: header parser, entry points, CBSupport.
#include "legacy/dbf_library.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dbf_builder.h"
#include "legacy/cb_support.h"
#include "legacy/dbf_error.h"
#include "legacy/dbf_header.h"
#include "scratch_database.h"
#include "scripted_prompts.h"

namespace vdimpexp::legacy {
namespace {

using testing::DbfBuilder;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string Error(DbfError error) {
  return "error " + std::to_string(static_cast<int>(error));
}
// The layout as "header/record: NAME type offset width.decimals ...", or Error().
std::string Parsed(const std::string& bytes) {
  DbfLayout layout;
  const DbfError error = ParseDbfHeader(
      {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, layout);
  if (error != DbfError::kNone) return Error(error);
  std::string text = std::to_string(layout.header_length) + "/" +
                     std::to_string(layout.record_length) + ":";
  for (const DbfField& field : layout.fields) {
    text += " " + field.name + " " + field.type + " " + std::to_string(field.offset) +
            " " + std::to_string(field.width) + "." + std::to_string(field.decimals);
  }
  return text;
}

// NAME C 10 and QTY N 5.1 with one record; With() changes one header value.
DbfBuilder TwoFields() {
  return DbfBuilder().Field("NAME", 'C', 10).Field("QTY", 'N', 5, 1).Record({"ab"});
}
template <typename Member, typename Value>
std::string With(Member DbfBuilder::*member, Value value, std::size_t tail = 0) {
  DbfBuilder table = TwoFields();
  table.*member = value;
  table.header_tail = tail;
  return table.Bytes();
}

const std::string kTwo = ": NAME C 1 10.0 QTY N 11 5.1";

TEST(DbfHeaderTest, ReadsEveryFlavourAndRefusesDamagedHeadersWithTheirReason) {
  for (int version : {0x03, 0x05, 0x43, 0x63, 0x83, 0x8B, 0xCB, 0xF5, 0xFB}) {
    EXPECT_EQ(Parsed(With(&DbfBuilder::version, version)), "97/16" + kTwo) << version;
  }
  for (int version : {0x00, 0x02, 0x50, 0xFF}) {
    EXPECT_EQ(Parsed(With(&DbfBuilder::version, version)),
              Error(DbfError::kUnknownVersion));
  }
  // dBASE 7: 48-byte descriptors with names up to 31 characters.
  auto level7 = [](std::uint8_t version) {
    DbfBuilder table =
        DbfBuilder().Field("CUSTOMER_LAST_NAME", 'C', 20).Field("B", 'N', 9, 2);
    table.level7 = true;
    table.version = version;
    return table.Bytes();
  };
  std::string other_terminator = TwoFields().Bytes();
  other_terminator[96] = ' ';
  const std::string kLevel7 = "165/30: CUSTOMER_LAST_NAME C 1 20.0 B N 21 9.2";
  const std::pair<std::string, std::string> cases[] = {
      {level7(0x04), kLevel7},
      {level7(0x8C), kLevel7},
      // Visual FoxPro keeps a 263-byte link area between terminator and records.
      {With(&DbfBuilder::version, 0x30, 263), "360/16" + kTwo},
      {With(&DbfBuilder::version, 0x31, 263), "360/16" + kTwo},
      // Clipper's 300-byte character field keeps its high width byte in the
      // decimals; trailing blanks are not part of a name.
      {DbfBuilder().Field("NOTES", 'C', 44, 1).Field("PAD  ", 'N', 3).Bytes(),
       "97/304: NOTES C 1 300.0 PAD N 301 3.0"},
      // Headers without their terminator still end at their length.
      {With(&DbfBuilder::terminator, false), "96/16" + kTwo},
      {With(&DbfBuilder::terminator, false, 40), "136/16" + kTwo},
      {other_terminator, "97/16" + kTwo},
      {With(&DbfBuilder::record_length, 20), "97/20" + kTwo},  // bytes after the fields
      {TwoFields().Bytes().substr(0, 31), Error(DbfError::kShortHeader)},
      {TwoFields().Bytes().substr(0, 96), Error(DbfError::kShortHeader)},
      {With(&DbfBuilder::header_length, 32), Error(DbfError::kHeaderTooSmall)},
      // The header ends inside the second descriptor.
      {With(&DbfBuilder::header_length, 64), Error(DbfError::kHeaderTooSmall)},
      {DbfBuilder().Bytes(), Error(DbfError::kNoFields)},
      {TwoFields().Field("EMPTY", 'C', 0).Bytes(), Error(DbfError::kBadFieldWidth)},
      // 32784 bytes do not fit a 16-bit signed width.
      {TwoFields().Field("HUGE", 'C', 16, 128).Bytes(), Error(DbfError::kBadFieldWidth)},
      {With(&DbfBuilder::record_length, 0), Error(DbfError::kZeroRecordLength)},
      {With(&DbfBuilder::record_length, 15), Error(DbfError::kFieldsOverrunRecord)},
      // The first field fills the record, but a second one follows.
      {With(&DbfBuilder::record_length, 11), Error(DbfError::kFieldsOverrunRecord)},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(Parsed(cases[i].first), cases[i].second) << "case " << i;
  }
}

// One 4-byte field NAME; records named "del" are marked deleted.
DbfBuilder Names(const std::vector<std::string>& names) {
  DbfBuilder table;
  table.Field("NAME", 'C', 4);
  for (const std::string& name : names) table.Record({name}, name == "del");
  return table;
}

class DbfLibraryTest : public ::testing::Test {
 protected:
  void TearDown() override { code4initUndo(context_); }

  std::string Write(const DbfBuilder& table, const std::string& name = "t.dbf") {
    return table.WriteTo(scratch_.File(name));
  }
  TableHandle Open(const DbfBuilder& table, const std::string& name = "t.dbf") {
    return d4open(context_, Write(table, name));
  }
  // The bytes of field `name` in the current record.
  static std::string Raw(TableHandle table, const std::string& name) {
    const FieldHandle field = d4field(table, name);
    return f4ptr(field) ? std::string(f4ptr(field), f4len_v(field)) : "<none>";
  }
  // "number:NAME" of every record d4top and d4skip visit.
  static std::vector<std::string> Visited(TableHandle table) {
    std::vector<std::string> visited;
    for (int result = d4top(table); result == 0; result = d4skip(table, 1)) {
      visited.push_back(std::to_string(d4recNoLow(table)) + ":" + Raw(table, "NAME"));
    }
    return visited;
  }
  int Error() { return code4errorCode(context_, 0); }

  testing::ScratchDirectory scratch_;
  testing::ScriptedPrompts prompts_;
  ContextHandle context_ = code4initVB();
  const std::size_t contexts_before_ = LiveContextCount();
};

TEST_F(DbfLibraryTest, VisitsTheRecordsNotMarkedDeletedThatTheFileHolds) {
  const TableHandle table = Open(Names({"del", "a", "del", "del", "b", "c", "del"}));
  EXPECT_EQ(d4recCountDo(table), 7) << "deleted records count";
  EXPECT_EQ(d4recNoLow(table), 0) << "nothing is read before d4top";
  EXPECT_EQ(Raw(table, "NAME"), "<none>");
  EXPECT_THAT(Visited(table), ElementsAre("2:a   ", "5:b   ", "6:c   "));
  EXPECT_EQ(d4recNoLow(table), 0) << "no current record at the end";
  EXPECT_EQ(d4skip(table, 1), kDbfEndOfFile);
  ASSERT_EQ(d4top(table), kDbfMoved);
  EXPECT_EQ(d4skip(table, 2), kDbfMoved);
  EXPECT_EQ(Raw(table, "name"), "c   ");
  EXPECT_EQ(d4skip(table, 0), kDbfFailed);
  for (const char* other : {"NAM", "NAMES", ""}) EXPECT_EQ(d4field(table, other), 0u);
  EXPECT_EQ(d4top(Open(Names({"del", "del"}), "deleted.dbf")), kDbfEndOfFile);

  // A header that claims 10 records over 3 and part of a 4th counts what is
  // there; one that claims fewer is taken at its word.
  DbfBuilder claims_more = Names({"a", "b", "c"});
  claims_more.record_count = 10;
  std::ofstream(scratch_.File("short.dbf"), std::ios::binary)
      << claims_more.Bytes().substr(0, 65 + 3 * 5) << " d";  // no end-of-file mark
  const TableHandle more = d4open(context_, scratch_.File("short.dbf"));
  EXPECT_EQ(d4recCountDo(more), 3);
  EXPECT_EQ(Visited(more).size(), 3u);
  DbfBuilder claims_fewer = Names({"a", "b", "c"});
  claims_fewer.record_count = 2;
  const TableHandle fewer = Open(claims_fewer, "fewer.dbf");
  EXPECT_EQ(d4recCountDo(fewer), 2);
  EXPECT_THAT(Visited(fewer), ElementsAre("1:a   ", "2:b   "));
  EXPECT_EQ(Error(), 0) << "reaching the end is no error";
}

TEST_F(DbfLibraryTest, ScansLongTablesWithLongHeaders) {
  // 250 fields make a header longer than the first read of it; 3000 records
  // of 1001 bytes take many read-ahead windows. Every 7th record is deleted.
  DbfBuilder table;
  for (int i = 0; i < 250; ++i) table.Field("F" + std::to_string(i), 'N', 4);
  for (int i = 1; i <= 3000; ++i) {
    table.Record({std::to_string(i)}, i % 7 == 0);
    table.records.back().replace(997, 4, std::to_string(i % 10) + "end");
  }
  const TableHandle handle = Open(table);
  int visited = 0;
  for (int result = d4top(handle); result == 0; result = d4skip(handle, 1), ++visited) {
    const int number = d4recNoLow(handle);
    ASSERT_NE(number % 7, 0);
    ASSERT_EQ(Raw(handle, "F0"), std::to_string(number).append(4, ' ').substr(0, 4));
    ASSERT_EQ(Raw(handle, "F249"), std::to_string(number % 10) + "end");
  }
  EXPECT_EQ(visited, 3000 - 3000 / 7);
}

TEST_F(DbfLibraryTest, AFileThatShrinksWhileReadEndsTheScanWithAReadError) {
  DbfBuilder table;
  table.Field("TEXT", 'C', 99);
  for (int i = 0; i < 3000; ++i) table.Record({"row"});
  const std::string path = Write(table);
  const TableHandle handle = d4open(context_, path);
  ASSERT_EQ(d4top(handle), kDbfMoved);
  ASSERT_EQ(::truncate(path.c_str(), 100000), 0);
  int result, last = 0;
  while ((result = d4skip(handle, 1)) == kDbfMoved) last = d4recNoLow(handle);
  EXPECT_EQ(result, kDbfFailed);
  EXPECT_EQ(last, (100000 - 65) / 100) << "every whole record left is read";
  EXPECT_EQ(Error(), static_cast<int>(DbfError::kReadFailed));
}

TEST_F(DbfLibraryTest, FailedOpensAreReportedOnceAndCountNoRecords) {
  const std::string good = Write(Names({"a"}), "good.dbf");
  std::filesystem::create_directory(scratch_.File("folder.dbf"));
  std::ofstream(scratch_.File("notes.dbf")) << "These are not the records you want.";
  // Opening a named pipe would wait for a writer that never comes.
  ASSERT_EQ(::mkfifo(scratch_.File("pipe.dbf").c_str(), 0600), 0);
  const std::pair<std::string, DbfError> cases[] = {
      {scratch_.File("missing.dbf"), DbfError::kNoSuchFile},
      {scratch_.File("folder.dbf"), DbfError::kNotAFile},
      {scratch_.File("pipe.dbf"), DbfError::kNotAFile},
      {good + std::string(1, '\0'), DbfError::kCannotOpen},
      {"", DbfError::kCannotOpen},
      {scratch_.File("notes.dbf"), DbfError::kUnknownVersion},
  };
  for (const auto& [path, error] : cases) {
    EXPECT_EQ(d4open(context_, path), 0u) << path;
    EXPECT_EQ(d4open(context_, good), 0u) << "blocked by the earlier failure";
    EXPECT_EQ(Error(), static_cast<int>(error)) << path;
    EXPECT_EQ(Error(), 0) << "asking reset the error";
    EXPECT_EQ(CountDbfRecords(path), 0) << path;
  }
  EXPECT_NE(d4open(context_, good), 0u);
  EXPECT_EQ(CountDbfRecords(good), 1);
  EXPECT_EQ(CountDbfRecords(Write(Names({"del", "a", "b"}))), 3) << "deleted ones count";
  EXPECT_EQ(CountDbfRecords(Write(Names({"del"}))), 0) << "nothing to read";
  EXPECT_THAT(prompts_.questions(), IsEmpty()) << "failures say nothing";
  EXPECT_EQ(LiveContextCount(), contexts_before_);
}

TEST_F(DbfLibraryTest, CountDbfRecordsSaysProblemWhenTheLibraryCannotStart) {
  std::vector<ContextHandle> taken;
  for (ContextHandle context; (context = code4initVB()) != 0;) taken.push_back(context);
  EXPECT_EQ(LiveContextCount(), kMaxLiveContexts);
  EXPECT_EQ(CountDbfRecords(Write(Names({"a"}))), 0);
  EXPECT_EQ(CountDbfRecords(Write(Names({"a"}))), 0);
  const support::MessageQuestion problem{.text = "problem"};
  EXPECT_THAT(prompts_.questions(), ElementsAre(problem, problem)) << "once per call";
  EXPECT_EQ(DbfContext, 0u);
  for (ContextHandle context : taken) code4initUndo(context);
  EXPECT_EQ(CountDbfRecords(Write(Names({"a"}))), 1);
}

TEST_F(DbfLibraryTest, CloseKeepsTheContextAndRetiresItsHandles) {
  const TableHandle table = Open(Names({"a"}));
  const FieldHandle field = d4field(table, "NAME");
  ASSERT_EQ(d4top(table), kDbfMoved);
  EXPECT_EQ(code4close(context_), 0);
  EXPECT_EQ(d4top(table), kDbfFailed);
  const TableHandle next = Open(Names({"b"}), "next.dbf");
  ASSERT_EQ(d4top(next), kDbfMoved);
  EXPECT_NE(d4field(next, "NAME"), field);
  EXPECT_EQ(f4ptr(field), nullptr) << "an old handle does not reach the new table";
  EXPECT_EQ(Raw(next, "NAME"), "b   ");
}

}  // namespace
}  // namespace vdimpexp::legacy

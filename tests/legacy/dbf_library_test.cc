#include "legacy/dbf_library.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dbf_builder.h"
#include "legacy/dbf_error.h"
#include "scratch_database.h"

namespace vdimpexp::legacy {
namespace {

using testing::DbfBuilder;

class DbfLibraryTest : public ::testing::Test {
 protected:
  void TearDown() override { code4initUndo(context_); }

  TableHandle Open(const DbfBuilder& table, const std::string& name = "t.dbf") {
    return d4open(context_, table.WriteTo(scratch_.File(name)));
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
  ContextHandle context_ = code4initVB();
};

DbfBuilder Names(const std::vector<std::string>& names) {
  DbfBuilder table;
  table.Field("NAME", 'C', 4);
  for (const std::string& name : names) table.Record({name}, name == "del");
  return table;
}

TEST_F(DbfLibraryTest, VisitsTheRecordsNotMarkedDeletedInFileOrder) {
  const TableHandle table = Open(Names({"del", "a", "del", "del", "b", "c", "del"}));
  EXPECT_EQ(d4recCountDo(table), 7) << "deleted records count";
  EXPECT_EQ(d4recNoLow(table), 0) << "nothing is read before d4top";
  EXPECT_EQ(Visited(table), (std::vector<std::string>{"2:a   ", "5:b   ", "6:c   "}));
  EXPECT_EQ(d4recNoLow(table), 0) << "no current record at the end";
  EXPECT_EQ(Raw(table, "NAME"), "<none>");
  EXPECT_EQ(d4skip(table, 1), kDbfEndOfFile);

  ASSERT_EQ(d4top(table), kDbfMoved);
  EXPECT_EQ(d4skip(table, 2), kDbfMoved);
  EXPECT_EQ(d4recNoLow(table), 6);
  EXPECT_EQ(d4skip(table, 0), kDbfFailed);

  const TableHandle empty = Open(Names({}), "empty.dbf");
  EXPECT_EQ(d4top(empty), kDbfEndOfFile);
  EXPECT_EQ(d4recCountDo(empty), 0);
  const TableHandle all_deleted = Open(Names({"del", "del"}), "deleted.dbf");
  EXPECT_EQ(d4top(all_deleted), kDbfEndOfFile);
  EXPECT_EQ(d4recCountDo(all_deleted), 2);
  EXPECT_EQ(Error(), 0) << "reaching the end is no error";
}

TEST_F(DbfLibraryTest, ReadsOnlyWhatTheFileHolds) {
  // The header claims 10 records; the file holds 3, part of a 4th, no mark.
  DbfBuilder claims_more = Names({"a", "b", "c"});
  claims_more.record_count = 10;
  claims_more.end_of_file_mark = false;
  std::ofstream(scratch_.File("short.dbf"), std::ios::binary)
      << claims_more.Bytes() << " d";
  const TableHandle table = d4open(context_, scratch_.File("short.dbf"));
  EXPECT_EQ(d4recCountDo(table), 3);
  EXPECT_EQ(Visited(table).size(), 3u);

  // A header that claims fewer records than follow is taken at its word.
  DbfBuilder claims_fewer = Names({"a", "b", "c"});
  claims_fewer.record_count = 2;
  const TableHandle fewer = Open(claims_fewer, "fewer.dbf");
  EXPECT_EQ(d4recCountDo(fewer), 2);
  EXPECT_EQ(Visited(fewer), (std::vector<std::string>{"1:a   ", "2:b   "}));
  EXPECT_EQ(Error(), 0);
}

TEST_F(DbfLibraryTest, ScansLongTablesWithLongHeaders) {
  // 250 fields make a header longer than the first read of it; 3000 records
  // of 1001 bytes take many read-ahead windows. Every 7th record is deleted.
  DbfBuilder table;
  for (int i = 0; i < 250; ++i) table.Field("F" + std::to_string(i), 'N', 4);
  for (int i = 1; i <= 3000; ++i) {
    table.Record({std::to_string(i), "x", "y"}, i % 7 == 0);
    table.records.back().replace(997, 4, std::to_string(i % 10) + "end");
  }
  const TableHandle handle = Open(table);
  ASSERT_EQ(Error(), 0);
  int visited = 0;
  for (int result = d4top(handle); result == 0; result = d4skip(handle, 1)) {
    const int number = d4recNoLow(handle);
    ++visited;
    ASSERT_NE(number % 7, 0);
    ASSERT_EQ(Raw(handle, "F0"), std::to_string(number).append(4, ' ').substr(0, 4));
    ASSERT_EQ(Raw(handle, "f249"), std::to_string(number % 10) + "end");
  }
  EXPECT_EQ(visited, 3000 - 3000 / 7);
}

TEST_F(DbfLibraryTest, AFileThatShrinksWhileReadEndsTheScanWithAReadError) {
  DbfBuilder table;
  table.Field("TEXT", 'C', 99);
  for (int i = 0; i < 3000; ++i) table.Record({"row"});
  const std::string path = table.WriteTo(scratch_.File("shrinking.dbf"));
  const TableHandle handle = d4open(context_, path);
  ASSERT_EQ(d4top(handle), kDbfMoved);
  ASSERT_EQ(::truncate(path.c_str(), 100000), 0);

  int result;
  int last = 0;
  while ((result = d4skip(handle, 1)) == kDbfMoved) last = d4recNoLow(handle);
  EXPECT_EQ(result, kDbfFailed);
  EXPECT_EQ(last, (100000 - 65) / 100) << "every whole record left is read";
  EXPECT_EQ(Error(), static_cast<int>(DbfError::kReadFailed));
}

TEST_F(DbfLibraryTest, FindsFieldsWithoutRegardToCaseAtTheCurrentRecord) {
  const TableHandle table = Open(DbfBuilder()
                                     .Field("FName", 'C', 3)
                                     .Field("LNAME", 'C', 5)
                                     .Record({"Ann"})
                                     .Record({"Bob"}));
  const FieldHandle first = d4field(table, "FNAME");
  EXPECT_NE(first, 0u);
  EXPECT_EQ(d4field(table, "fname"), first);
  EXPECT_NE(d4field(table, "lname"), first);
  for (const char* missing : {"FNAM", "FNAMEX", ""})
    EXPECT_EQ(d4field(table, missing), 0u);
  EXPECT_EQ(f4len_v(first), 3);
  EXPECT_EQ(f4ptr(first), nullptr) << "no current record yet";
  EXPECT_EQ(f4ptr(0), nullptr);
  EXPECT_EQ(f4len_v(0), 0);

  ASSERT_EQ(d4top(table), kDbfMoved);
  const char* address = f4ptr(first);
  EXPECT_EQ(std::string(address, 3), "Ann");
  ASSERT_EQ(d4skip(table, 1), kDbfMoved);
  EXPECT_EQ(f4ptr(first), address) << "the field's bytes stay where they were";
  EXPECT_EQ(std::string(address, 3), "Bob");
}

TEST_F(DbfLibraryTest, AFailedOpenIsReportedOnceAndBlocksOpensUntilAsked) {
  const std::string good = Names({"a"}).WriteTo(scratch_.File("good.dbf"));
  EXPECT_EQ(d4open(context_, scratch_.File("missing.dbf")), 0u);
  EXPECT_EQ(d4open(context_, good), 0u) << "blocked by the earlier failure";
  EXPECT_EQ(Error(), static_cast<int>(DbfError::kCannotOpen));
  EXPECT_EQ(Error(), 0);
  EXPECT_NE(d4open(context_, good), 0u);

  std::filesystem::create_directory(scratch_.File("folder.dbf"));
  std::ofstream(scratch_.File("notes.dbf")) << "These are not the records you want.";
  DbfBuilder zero = Names({"a"});
  zero.record_length = 0;
  const std::pair<std::string, DbfError> cases[] = {
      {scratch_.File("folder.dbf"), DbfError::kCannotOpen},
      {good + std::string(1, '\0'), DbfError::kCannotOpen},
      {scratch_.File("notes.dbf"), DbfError::kUnknownVersion},
      {zero.WriteTo(scratch_.File("zero.dbf")), DbfError::kZeroRecordLength},
  };
  for (const auto& [path, error] : cases) {
    EXPECT_EQ(d4open(context_, path), 0u) << path;
    EXPECT_EQ(Error(), static_cast<int>(error)) << path;
  }
}

TEST_F(DbfLibraryTest, CloseKeepsTheContextAndRetiresItsHandles) {
  const TableHandle table = Open(Names({"a"}));
  const FieldHandle field = d4field(table, "NAME");
  ASSERT_EQ(d4top(table), kDbfMoved);
  EXPECT_EQ(code4close(context_), 0);
  EXPECT_EQ(d4top(table), kDbfFailed);
  EXPECT_EQ(f4ptr(field), nullptr);
  EXPECT_EQ(FieldCodePage(field), nullptr);

  const TableHandle next = Open(Names({"b"}), "next.dbf");
  ASSERT_EQ(d4top(next), kDbfMoved);
  const FieldHandle next_field = d4field(next, "NAME");
  EXPECT_NE(next_field, field);
  EXPECT_EQ(f4ptr(field), nullptr) << "an old handle does not reach the new table";
  EXPECT_EQ(std::string(f4ptr(next_field), 4), "b   ");

  const ContextHandle ended = code4initVB();
  EXPECT_EQ(code4initUndo(ended), 0);
  EXPECT_EQ(code4initUndo(ended), kDbfFailed);
  EXPECT_EQ(d4open(ended, scratch_.File("next.dbf")), 0u);
  EXPECT_EQ(code4errorCode(ended, 0), static_cast<int>(DbfError::kNoContext));
}

}  // namespace
}  // namespace vdimpexp::legacy

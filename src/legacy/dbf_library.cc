#include "legacy/dbf_library.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "legacy/code_page_choice.h"
#include "legacy/date_picture.h"
#include "legacy/dbf_error.h"
#include "legacy/dbf_table.h"
#include "legacy/handle_table.h"
#include "legacy/memo_file.h"

namespace vdimpexp::legacy {
namespace {

// Each open table holds a file descriptor; stay well inside the usual limit.
constexpr std::size_t kMaxOpenTables = 512;
constexpr std::size_t kMaxFieldHandles = 1 << 19;

struct OpenTable {
  std::unique_ptr<DbfTable> table;
  ContextHandle context = 0;
  std::vector<FieldHandle> field_handles;  // by field index; 0 until asked for
  std::unique_ptr<CodePage> code_page;     // chosen when text is first decoded
  // The memo file, looked for when a memo text is first read, so that
  // opening and counting a table read its header alone.
  std::unique_ptr<MemoFile> memo_file;
  bool memo_file_looked_for = false;
  std::size_t memo_problems = 0;
  // The memo text read last, and whose it is, so that reading a field twice
  // reads the file (and counts a problem) once.
  std::string memo_text;
  std::uint32_t memo_record = 0;
  std::size_t memo_field = 0;
};

struct FieldRef {
  OpenTable* table;  // owned by Library::tables, which outlives the handle
  std::size_t index;
};

struct Context {
  int error_code = 0;
  std::vector<TableHandle> tables;
  std::string unmarked_code_page;  // iconv name; empty: judged from the bytes
};

// All of the library's state, in one place.
struct Library {
  HandleTable<Context> contexts{kMaxLiveContexts};
  HandleTable<std::unique_ptr<OpenTable>> tables{kMaxOpenTables};
  HandleTable<FieldRef> fields{kMaxFieldHandles};
};

Library& State() {
  static Library library;
  return library;
}

OpenTable* FindTable(TableHandle handle) {
  std::unique_ptr<OpenTable>* table = State().tables.Find(handle);
  return table ? table->get() : nullptr;
}

const FieldRef* FindField(FieldHandle handle) { return State().fields.Find(handle); }

// The decoder of the table's text, chosen when its text is first decoded.
const CodePage* TableCodePage(OpenTable& table) {
  if (!table.code_page) {
    const Context* context = State().contexts.Find(table.context);
    table.code_page = OpenTableCodePage(
        *table.table, context ? context->unmarked_code_page : std::string());
  }
  return table.code_page.get();
}

void SetError(ContextHandle handle, DbfError error) {
  if (Context* context = State().contexts.Find(handle)) {
    context->error_code = static_cast<int>(error);
  }
}

void CloseTables(Context& context) {
  Library& library = State();
  for (TableHandle handle : context.tables) {
    if (OpenTable* table = FindTable(handle)) {
      for (FieldHandle field : table->field_handles) library.fields.Remove(field);
    }
    library.tables.Remove(handle);
  }
  context.tables.clear();
}

std::int16_t MoveResult(const OpenTable& table, DbfMove move) {
  switch (move) {
    case DbfMove::kMoved:
      return kDbfMoved;
    case DbfMove::kNoMoreRecords:
      return kDbfEndOfFile;
    case DbfMove::kReadFailed:
      break;
  }
  SetError(table.context, DbfError::kReadFailed);
  return kDbfFailed;
}

// The text of the current record's memo field `index`; empty when it has
// none or it cannot be read, which counts a problem.
std::string_view CurrentMemoText(OpenTable& table, std::size_t index) {
  const DbfTable& dbf = *table.table;
  if (table.memo_record == dbf.current() && table.memo_field == index) {
    return table.memo_text;
  }
  table.memo_record = dbf.current();
  table.memo_field = index;
  table.memo_text.clear();
  const DbfField& field = dbf.layout().fields[index];
  const std::optional<std::uint32_t> block =
      MemoBlockNumber(std::string_view(dbf.record() + field.offset, field.width));
  if (block == 0) return table.memo_text;
  if (!table.memo_file_looked_for) {
    table.memo_file = MemoFile::OpenBeside(dbf.path(), dbf.layout().version);
    table.memo_file_looked_for = true;
  }
  if (!block || !table.memo_file || !table.memo_file->Read(*block, table.memo_text)) {
    ++table.memo_problems;
  }
  return table.memo_text;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
}

}  // namespace

ContextHandle code4initVB() { return State().contexts.Add(Context{}); }

void code4autoOpen(ContextHandle, int) {}

TableHandle d4open(ContextHandle context_handle, const std::string& path) {
  Context* context = State().contexts.Find(context_handle);
  if (context == nullptr || context->error_code < 0) return 0;
  std::unique_ptr<DbfTable> table;
  if (DbfError error = DbfTable::Open(path, table); error != DbfError::kNone) {
    context->error_code = static_cast<int>(error);
    return 0;
  }
  auto open_table = std::make_unique<OpenTable>();
  open_table->field_handles.assign(table->layout().fields.size(), 0);
  open_table->table = std::move(table);
  open_table->context = context_handle;
  const TableHandle handle = State().tables.Add(std::move(open_table));
  if (handle == 0) {
    context->error_code = static_cast<int>(DbfError::kTooManyTables);
    return 0;
  }
  context->tables.push_back(handle);
  return handle;
}

int code4errorCode(ContextHandle context_handle, int new_code) {
  Context* context = State().contexts.Find(context_handle);
  if (context == nullptr) return static_cast<int>(DbfError::kNoContext);
  return std::exchange(context->error_code, new_code);
}

std::int16_t d4top(TableHandle handle) {
  OpenTable* table = FindTable(handle);
  if (table == nullptr) return kDbfFailed;
  return MoveResult(*table, table->table->Top());
}

std::int32_t d4recCountDo(TableHandle handle) {
  const OpenTable* table = FindTable(handle);
  if (table == nullptr) return 0;
  return static_cast<std::int32_t>(std::min<std::uint32_t>(
      table->table->record_count(), std::numeric_limits<std::int32_t>::max()));
}

std::int32_t d4recNoLow(TableHandle handle) {
  const OpenTable* table = FindTable(handle);
  if (table == nullptr) return 0;
  return static_cast<std::int32_t>(table->table->current());
}

std::int16_t d4skip(TableHandle handle, std::int32_t count) {
  OpenTable* table = FindTable(handle);
  if (table == nullptr || count < 1) return kDbfFailed;
  for (std::int32_t i = 0; i < count; ++i) {
    if (std::int16_t result = MoveResult(*table, table->table->Skip());
        result != kDbfMoved) {
      return result;
    }
  }
  return kDbfMoved;
}

FieldHandle d4field(TableHandle handle, std::string_view name) {
  OpenTable* table = FindTable(handle);
  if (table == nullptr) return 0;
  const std::vector<DbfField>& fields = table->table->layout().fields;
  for (std::size_t index = 0; index < fields.size(); ++index) {
    if (!SameNameIgnoringCase(fields[index].name, name)) continue;
    FieldHandle& field = table->field_handles[index];
    if (field == 0) field = State().fields.Add(FieldRef{table, index});
    return field;
  }
  return 0;
}

const char* f4ptr(FieldHandle handle) {
  const FieldRef* field = FindField(handle);
  if (field == nullptr) return nullptr;
  const char* record = field->table->table->record();
  if (record == nullptr) return nullptr;
  return record + field->table->table->layout().fields[field->index].offset;
}

std::int16_t f4len_v(FieldHandle handle) {
  const FieldRef* field = FindField(handle);
  if (field == nullptr) return 0;
  // The header parser refuses fields wider than 32767 bytes.
  return static_cast<std::int16_t>(
      field->table->table->layout().fields[field->index].width);
}

void u4memCpy(void* destination, const void* source, std::uint32_t count) {
  std::memcpy(destination, source, count);
}

void date4format(std::string_view stored, std::span<char> result,
                 std::string_view picture) {
  if (result.empty()) return;
  // A picture that fits is rendered in place, unless the result would write
  // over the texts it is rendered from; a longer one is cut.
  auto apart = [&](std::string_view text) {
    const std::less<const char*> before;
    return !before(text.data(), result.data() + result.size()) ||
           !before(result.data(), text.data() + text.size());
  };
  if (picture.size() < result.size() && apart(stored) && apart(picture)) {
    RenderDatePicture(stored, picture, result.data());
    result[picture.size()] = '\0';
    return;
  }
  const std::string rendered = RenderDatePicture(stored, picture);
  const std::size_t length = std::min(rendered.size(), result.size() - 1);
  std::copy_n(rendered.begin(), length, result.begin());
  result[length] = '\0';
}

void SetUnmarkedCodePage(ContextHandle handle, std::string iconv_name) {
  if (Context* context = State().contexts.Find(handle)) {
    context->unmarked_code_page = std::move(iconv_name);
  }
}

std::int16_t code4close(ContextHandle handle) {
  Context* context = State().contexts.Find(handle);
  if (context == nullptr) return kDbfFailed;
  CloseTables(*context);
  return 0;
}

std::int16_t code4initUndo(ContextHandle handle) {
  Context* context = State().contexts.Find(handle);
  if (context == nullptr) return kDbfFailed;
  CloseTables(*context);
  State().contexts.Remove(handle);
  return 0;
}

const CodePage* FieldCodePage(FieldHandle handle) {
  const FieldRef* field = FindField(handle);
  if (field == nullptr) return nullptr;
  return TableCodePage(*field->table);
}

FieldContent CurrentFieldContent(FieldHandle handle) {
  const FieldRef* field = FindField(handle);
  if (field == nullptr) return {};
  OpenTable& table = *field->table;
  const char* record = table.table->record();
  if (record == nullptr) return {};
  const DbfField& layout = table.table->layout().fields[field->index];
  const CodePage* code_page = TableCodePage(table);
  if (layout.type == formats::dbf::kMemo) {
    const std::string_view text = CurrentMemoText(table, field->index);
    return {text.data(), text.size(), code_page, true};
  }
  return {record + layout.offset, layout.width, code_page};
}

std::size_t MemoProblemCount(TableHandle handle) {
  const OpenTable* table = FindTable(handle);
  return table ? table->memo_problems : 0;
}

std::uint32_t MissingRecordCount(TableHandle handle) {
  const OpenTable* table = FindTable(handle);
  return table ? table->table->layout().header_record_count - table->table->record_count()
               : 0;
}

std::size_t LiveContextCount() { return State().contexts.size(); }

}  // namespace vdimpexp::legacy

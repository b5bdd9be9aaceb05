// Our DBF table library. The legacy import was written against a vendor's
// DBF client library; this one offers the entry points the import calls,
// under the vendor's names, with the results the import relies on, and
// reads the tables itself.
//
// Contexts, tables and fields are named by 32-bit handles, 0 meaning none.
// A context collects the tables opened in it and an error code; a failed
// operation sets the code (a DbfError value, always negative) and the
// caller asks for it with code4errorCode. Like the vendor's, the library
// serves one thread, the user interface's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "legacy/code_page.h"

namespace vdimpexp::legacy {

using ContextHandle = std::uint32_t;
using TableHandle = std::uint32_t;
using FieldHandle = std::uint32_t;

// Results of d4top and d4skip. Callers only ask whether the result is 0.
inline constexpr std::int16_t kDbfMoved = 0;
inline constexpr std::int16_t kDbfEndOfFile = 3;  // no (further) record to read
inline constexpr std::int16_t kDbfFailed = -1;    // a stale handle or a read failure

// code4initVB refuses to start more contexts than this at once, so a caller
// that forgets to end its contexts finds out instead of piling up open files.
inline constexpr std::size_t kMaxLiveContexts = 8;

// A new context; 0 when the library cannot start one.
ContextHandle code4initVB();
// Would switch the automatic opening of a table's index files; this library
// never opens index files, so there is nothing to switch.
void code4autoOpen(ContextHandle context, int open_indexes);
// Opens the table at `path` (UTF-8) and reads its header only. Anything but
// a regular file (a folder, a named pipe, which would wait for a writer) is
// refused before it is opened. Returns its handle, or 0 with the context's
// error code set to why not (DbfErrorText says it in words). While the
// context's error code is negative, it opens nothing and returns 0.
TableHandle d4open(ContextHandle context, const std::string& path);
// The context's error code as it stood, which is then replaced by
// `new_code`; DbfError::kNoContext for a handle that names no context.
int code4errorCode(ContextHandle context, int new_code);
// Moves to the first record not marked deleted: kDbfMoved, or kDbfEndOfFile
// when there is none. Reads only as far as that record.
std::int16_t d4top(TableHandle table);
// The header's record count (deleted records included), or what the file
// holds when the header claims more; 0 for a stale handle.
std::int32_t d4recCountDo(TableHandle table);
// The current record's position in the file, 1 for the first; 0 when there
// is no current record.
std::int32_t d4recNoLow(TableHandle table);
// Moves `count` (at least 1) records on, passing over deleted ones:
// kDbfMoved, or kDbfEndOfFile when the table ends first.
std::int16_t d4skip(TableHandle table, std::int32_t count);
// The field named `name`, compared without regard to case; 0 when the table
// has no such field. The handle always refers to the current record.
FieldHandle d4field(TableHandle table, std::string_view name);
// The address of the field's bytes in the current record; nullptr for field
// 0 and when the table has no current record.
const char* f4ptr(FieldHandle field);
// The field's width in bytes; 0 for field 0.
std::int16_t f4len_v(FieldHandle field);
void u4memCpy(void* destination, const void* source, std::uint32_t count);
// Renders `stored` (a DBF date, "CCYYMMDD") through `picture` into `result`
// followed by a terminating zero: CC the century, YY the year within it,
// MM the month, DD the day; other characters are copied. A stored text
// that is not a valid date renders the picture with its date letters
// blanked ("  /  /    "). Writes at most result.size() bytes.
void date4format(std::string_view stored, std::span<char> result,
                 std::string_view picture);
// Closes every table of the context; the context stays usable. 0, or
// kDbfFailed for a handle that names no context.
std::int16_t code4close(ContextHandle context);
// Closes the context's tables and ends it. 0, or kDbfFailed as above.
std::int16_t code4initUndo(ContextHandle context);

// Beyond the vendor's entry points.

// The code page (its iconv name, "CP852") of the text of the context's
// tables that declare none, from the next text decoded on; empty, as a new
// context starts, to judge each such table from its bytes. A name iconv does
// not know is judged from the bytes too.
void SetUnmarkedCodePage(ContextHandle context, std::string iconv_name);
// The decoder for the text of the field's table (chosen on first use from
// the table's ".cpg" file, language driver mark, the context's code page for
// unmarked tables, or bytes); nullptr for field 0.
const CodePage* FieldCodePage(FieldHandle field);
// f4ptr, f4len_v and FieldCodePage at once, for a reader that takes every
// field of every record: `bytes` is nullptr (and the rest empty) for field 0
// and when the table has no current record. For a memo field, whose record
// holds only where its text lies, `bytes` and `width` are the text's stored
// bytes instead, read from the memo file beside the table (".dbt" or ".fpt",
// either in any case) and valid until the next memo text of the table is
// read; no text, or one that cannot be read (no memo file, a block past its
// end, a damaged block), is empty, the latter counted by MemoProblemCount.
struct FieldContent {
  const char* bytes = nullptr;
  std::size_t width = 0;
  const CodePage* code_page = nullptr;
  bool memo = false;
};
FieldContent CurrentFieldContent(FieldHandle field);
// How many memo texts of the table could not be read since it was opened,
// each counted once however often its field is asked for; 0 for a stale
// handle.
std::size_t MemoProblemCount(TableHandle table);
// How many records the table's header counts that its file does not hold
// (a file cut short, its last part record or none); 0 for a stale handle.
std::uint32_t MissingRecordCount(TableHandle table);
// How many contexts are started and not yet ended.
std::size_t LiveContextCount();

}  // namespace vdimpexp::legacy

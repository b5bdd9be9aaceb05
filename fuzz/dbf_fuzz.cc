// Arbitrary bytes as a DBF file, read through the library the way the
// legacy import reads its tables: open, every record, every field's text and
// its rendering as a date. The file goes through the real open path, and so
// does the memo file laid beside it.

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "legacy/cb_support.h"
#include "legacy/clipper_calls.h"
#include "legacy/code_page_choice.h"
#include "legacy/code_page_guess.h"
#include "legacy/dbf_header.h"

namespace {

using namespace vdimpexp::legacy;

std::string& Folder() {
  static std::string folder;
  return folder;
}

const std::string& TablePath() {
  static const std::string path = [] {
    char directory[] = "/tmp/vd-dbf-fuzz-XXXXXX";
    if (::mkdtemp(directory) == nullptr) std::abort();
    Folder() = directory;
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return Folder() + "/FUZZ.DBF";
  }();
  return path;
}

void WriteTable(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(TablePath().c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
}

// A reserved header byte, which the reader ignores, picks a .cpg file to lay
// beside the table, so that multi-byte decoding meets the same bytes.
void WriteCpg(const std::uint8_t* data, std::size_t size) {
  static const std::string path = TablePath().substr(0, TablePath().size() - 4) + ".cpg";
  static const char* const kCodePages[] = {nullptr, "UTF-8", "CP950", "ISO-8859-7"};
  const char* code_page = size > 30 ? kCodePages[data[30] % 4] : nullptr;
  if (code_page == nullptr) {
    std::remove(path.c_str());
    return;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::abort();
  std::fputs(code_page, file);
  std::fclose(file);
}

// Another reserved header byte picks a memo file to lay beside the table:
// none, a ".dbt" or a ".FPT", holding the same bytes as the table, so that
// memo pointers in its records meet blocks the fuzzer shapes in the same
// input (a header's block size included).
void WriteMemo(const std::uint8_t* data, std::size_t size) {
  static const std::string base = TablePath().substr(0, TablePath().size() - 4);
  static const std::string kPaths[] = {base + ".dbt", base + ".FPT"};
  const int choice = size > 31 ? data[31] % 3 : 0;
  for (int i = 0; i < 2; ++i) {
    if (choice != i + 1) {
      std::remove(kPaths[i].c_str());
      continue;
    }
    std::FILE* file = std::fopen(kPaths[i].c_str(), "wb");
    if (file == nullptr) std::abort();
    if (std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
  }
}

// The fields as the header states them, to look each one up by name as the
// importers do.
std::vector<DbfField> Fields(const std::uint8_t* data, std::size_t size) {
  DbfLayout layout;
  if (ParseDbfHeader({data, size}, layout) != DbfError::kNone) return {};
  return layout.fields;
}

std::size_t CodePoints(const std::string& utf8) {
  std::size_t count = 0;
  for (char byte : utf8) count += (byte & 0xC0) != 0x80;
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteTable(data, size);
  WriteCpg(data, size);
  WriteMemo(data, size);
  // The .cpg reader and the code page judge see the same bytes as text.
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  IconvNameForCpgText(text.substr(0, 64));
  GuessUnmarkedCodePage(text);

  CountDbfRecords(TablePath());
  const ContextHandle context = code4initVB();
  if (context == 0) std::abort();  // every earlier context was ended
  const TableHandle table = d4open(context, TablePath());
  if (code4errorCode(context, 0) == 0) {
    const std::vector<DbfField> fields = Fields(data, size);
    const std::int32_t count = d4recCountDo(table);
    std::size_t memo_reads = 0;
    for (int result = d4top(table); result == 0; result = d4skip(table, 1)) {
      if (d4recNoLow(table) < 1 || d4recNoLow(table) > count) std::abort();
      for (const DbfField& layout : fields) {
        const FieldHandle field = d4field(table, layout.name);
        const std::string field_text = FieldText(field);
        // Whatever the bytes and the code page, a fixed field's text is as
        // wide as the field; a memo's is as long as it is.
        // (Two fields of one name are both the first.)
        if (CurrentFieldContent(field).memo) {
          ++memo_reads;
        } else if (CodePoints(field_text) != static_cast<std::size_t>(f4len_v(field))) {
          std::abort();
        }
        std::string date;
        FormatDbfDate(field_text, date, "MM/DD/CCYY");
        if (date.size() != 10) std::abort();
      }
    }
    // A problem is a memo text read, and each is counted once.
    if (MemoProblemCount(table) > memo_reads) std::abort();
  }
  code4initUndo(context);
  return 0;
}

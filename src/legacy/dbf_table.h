// One open DBF file: its header, and its records read one after another
// through a small read-ahead window, so a table of any size costs the same
// memory and opening it reads only the header.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "legacy/dbf_header.h"

namespace vdimpexp::legacy {

// Opens `path` for reading when it is a regular file, which is asked before
// opening it: opening a named pipe would wait for a writer. The descriptor,
// or -1 with `error` set to why not.
int OpenRegularFile(const std::string& path, DbfError& error);
// Reads from `offset` until `size` bytes are in or the file ends. The number
// read, or -1 on a read error.
ssize_t ReadAt(int file, std::uint64_t offset, char* data, std::size_t size);
// The regular file beside `table_path` with its base name and `extension`
// (".cpg", ".dbt", ...), both compared without regard to case; of several
// (e.g. "log.cpg" and "LOG.CPG"), the first in name order, so the choice does
// not depend on the directory's order. nullopt when there is none.
std::optional<std::string> FileBeside(const std::string& table_path,
                                      std::string_view extension);

enum class DbfMove { kMoved, kNoMoreRecords, kReadFailed };

class DbfTable {
 public:
  // Opens and checks the table at `path`. On failure `table` stays empty and
  // the reason is returned.
  static DbfError Open(const std::string& path, std::unique_ptr<DbfTable>& table);

  ~DbfTable();
  DbfTable(const DbfTable&) = delete;
  DbfTable& operator=(const DbfTable&) = delete;

  const std::string& path() const { return path_; }
  const DbfLayout& layout() const { return layout_; }

  // The header's record count, or the whole records the file holds when the
  // header claims more than that (a partial record at the end is not one).
  std::uint32_t record_count() const { return record_count_; }

  // Moves to the first record not marked deleted.
  DbfMove Top();
  // Moves past the current record to the next one not marked deleted.
  DbfMove Skip();
  // 1 for the first record of the file, counting deleted ones; 0 when there
  // is no current record (before Top, after the last, or after a failure).
  std::uint32_t current() const { return current_; }
  // The current record's bytes (record_length of them, the deletion flag
  // first), or nullptr without a current record. The address stays the same
  // while the table is open.
  const char* record() const { return current_ == 0 ? nullptr : record_.data(); }

  // Copies up to `count` records from `first` (1-based) into `out`, without
  // touching the current record; fewer when the table ends. False when the
  // file cannot be read.
  bool ReadRecords(std::uint32_t first, std::uint32_t count, std::string& out) const;

 private:
  DbfTable(std::string path, int file, DbfLayout layout, std::uint32_t record_count);
  // Moves to record `number` or the first one after it not marked deleted.
  DbfMove SeekLive(std::uint64_t number);
  // The bytes of record `number`, read ahead in windows of whole records;
  // nullptr on a read failure.
  const char* RecordBytes(std::uint32_t number);

  std::string path_;
  int file_;
  DbfLayout layout_;
  std::uint32_t record_count_;
  std::uint32_t current_ = 0;
  std::vector<char> record_;
  std::vector<char> window_;
  std::uint32_t window_first_ = 0;  // record number of the window's first record
  std::uint32_t window_records_ = 0;
  std::size_t window_bytes_ = 0;  // the read-ahead size, grown by sequential reads
};

}  // namespace vdimpexp::legacy

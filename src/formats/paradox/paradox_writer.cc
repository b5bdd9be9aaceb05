#include "formats/paradox/paradox_writer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <utility>

#include "data/db_error.h"
#include "data/text.h"
#include "data/utf8.h"
#include "formats/common/little_endian.h"
#include "formats/common/value_error.h"

namespace vdimpexp::formats {
namespace {

using data::ColumnInfo;
using data::DbError;
using data::Value;
namespace error_number = data::error_number;

// The header: a common part, from Paradox 4 on a second part up to 0x78,
// then the field types and sizes, room for the pointers Paradox keeps in
// memory, the table name, the field names and, from Paradox 4 on, the
// field numbers and the sort order's name. Paradox 3 ends the header
// there; later versions fill it up to a multiple of 2 KB.
constexpr size_t kCommonHeaderSize = 0x58;
constexpr size_t kFullHeaderSize = 0x78;
constexpr size_t kHeaderUnit = 0x800;
constexpr size_t kTableNameSize = 79;
constexpr size_t kPointerSize = 4;
constexpr uint8_t kNonKeyedTable = 2;
// A value of encryption1 that sends readers to encryption2 (0: none), as
// Paradox 4 and 5 write it for tables without a password.
constexpr uint32_t kEncryptionInDataHeader = 0xFF00FF00;
constexpr int kWindowsCodePage = 1252;
// The sort order that goes with Windows-1252 text: Paradox's "ANSI INTL".
constexpr uint8_t kAnsiInternationalSortOrder = 0x11;
constexpr std::string_view kAnsiInternationalSortOrderName = "ANSII850";

// Header offsets patched by Finish.
constexpr size_t kRecordCountOffset = 0x06;
constexpr size_t kNextBlockOffset = 0x0A;
constexpr size_t kFileBlocksOffset = 0x0C;
constexpr size_t kFirstBlockOffset = 0x0E;
constexpr size_t kLastBlockOffset = 0x10;
constexpr size_t kMaxBlocksOffset = 0x3A;

// Each data block starts with the numbers of the next and the previous
// block and the offset of its last record; block numbers are 16 bits.
constexpr size_t kBlockHeaderSize = 6;
constexpr size_t kBlockSizeOffset = 0x05;  // in KB

// The .MB file: a 4 KB header block, then each memo in blocks of its own
// ("type 2": a 9-byte head, the text, zeros to the next 4 KB).
constexpr size_t kMemoBlockSize = 4096;
constexpr size_t kMemoHeadSize = 9;
constexpr uint8_t kMemoHeaderBlock = 0;
constexpr uint8_t kSingleMemoBlock = 2;
constexpr uint32_t kSingleMemoIndex = 0xFF;
constexpr uint16_t kModificationNumber = 1;

constexpr double kMillisecondsPerDay = 86400000.0;

void Put(std::string& bytes, size_t at, uint64_t value, int count) {
  PutLittleEndian(&bytes[at], value, count);
}

}  // namespace

ParadoxWriter::ParadoxWriter(ParadoxVersion version, uint32_t max_blocks)
    : version_(version), max_blocks_(std::clamp<uint32_t>(max_blocks, 1, kMaxBlocks)) {}

std::string ParadoxWriter::Where() const {
  return std::string(RulesOf(version_).name) + " table '" + path_.string() + "'";
}

void ParadoxWriter::FailValue(const ParadoxField& field, int32_t number,
                              const std::string& what) const {
  throw ValueError(number, Where(), rows_, field.name, what);
}

void ParadoxWriter::Open(const data::ExternalTarget& target,
                         std::span<const ColumnInfo> columns) {
  const ParadoxRules& rules = RulesOf(version_);
  path_ = TargetPath(target);
  auto fail = [&](const std::string& what) {
    throw DbError(error_number::kEngineFailure, Where() + ": " + what);
  };
  if (columns.empty()) fail("a Paradox table needs at least one field.");
  if (columns.size() > kMaxFields) {
    fail("the export has " + std::to_string(columns.size()) +
         " columns; a Paradox table has at most " + std::to_string(kMaxFields) +
         " fields.");
  }
  std::string problem;
  for (const ColumnInfo& column : columns) {
    if (std::string rule = FieldNameProblem(column.name); !rule.empty()) fail(rule);
    if (data::CharacterCount(column.name) > kMaxFieldNameLength) {
      fail("the column name '" + column.name + "' is longer than the " +
           std::to_string(kMaxFieldNameLength) +
           " characters a Paradox field name can have.");
    }
    for (const ParadoxField& earlier : fields_) {
      if (data::EqualsIgnoringCase(earlier.name, column.name)) {
        fail("the column names '" + earlier.name + "' and '" + column.name +
             "' are the same field name to Paradox, which ignores case.");
      }
    }
    ParadoxField field = ParadoxFieldFor(column, rules);
    ColumnChanges& changes = changes_.emplace_back();
    if (field.storage == ParadoxStorage::kMemo &&
        column.type != data::ColumnType::kMemo) {
      changes.memo_beyond = kMaxAlphaWidth;
    }
    changes.numbers_as_text =
        data::IsWholeNumberType(column.type) && field.storage == ParadoxStorage::kAlpha;
    if (!rules.code_page().Encode(column.name, field.header_name, problem)) {
      fail("the column name '" + column.name + "' cannot be stored: " + problem + ".");
    }
    field.offset = record_size_;
    record_size_ += static_cast<size_t>(field.size);
    has_memo_ = has_memo_ || field.storage == ParadoxStorage::kMemo;
    fields_.push_back(std::move(field));
  }
  if (record_size_ > rules.max_record_size) {
    fail("its records would be " + std::to_string(record_size_) + " bytes long; " +
         std::string(rules.name) + " allows at most " +
         std::to_string(rules.max_record_size) + " bytes in a record.");
  }
  for (int kilobytes : rules.block_kilobytes) {
    block_size_ = static_cast<size_t>(kilobytes) * 1024;
    if (block_size_ - kBlockHeaderSize >= record_size_) break;
  }
  records_per_block_ = (block_size_ - kBlockHeaderSize) / record_size_;
  if (has_memo_ && MemoPath() == path_) {
    fail(
        "the table's memo file would be the table file itself; choose a name whose "
        "extension is not .MB.");
  }

  BuildHeader();
  // Created new, so Abandon removes only files of this export. An existing
  // table is refused before anything else is touched.
  table_.emplace(path_);
  table_->Write(header_);
  if (has_memo_) CreateMemoFile();
  block_.assign(block_size_, '\0');
}

void ParadoxWriter::BuildHeader() {
  const ParadoxRules& rules = RulesOf(version_);
  std::string table_name;
  std::string problem;
  if (!rules.code_page().Encode(path_.filename().string(), table_name, problem)) {
    throw DbError(
        error_number::kEngineFailure,
        Where() + ": the file name cannot be stored in the table: " + problem + ".");
  }
  if (table_name.size() >= kTableNameSize) {
    throw DbError(error_number::kEngineFailure,
                  Where() + ": the file name is " + std::to_string(table_name.size()) +
                      " characters long; a Paradox table name has at most " +
                      std::to_string(kTableNameSize - 1) + ".");
  }
  const size_t count = fields_.size();
  size_t names_size = 0;
  for (const ParadoxField& field : fields_) names_size += field.header_name.size() + 1;
  const size_t fixed = rules.data_header ? kFullHeaderSize : kCommonHeaderSize;
  size_t used = fixed + count * 2 + kPointerSize + count * kPointerSize + kTableNameSize +
                names_size;
  if (rules.data_header) used += count * 2 + kAnsiInternationalSortOrderName.size() + 1;
  const size_t header_size =
      rules.data_header ? (used + kHeaderUnit - 1) / kHeaderUnit * kHeaderUnit : used;
  header_.assign(header_size, '\0');

  Put(header_, 0x00, record_size_, 2);
  Put(header_, 0x02, header_size, 2);
  header_[0x04] = static_cast<char>(kNonKeyedTable);
  header_[0x05] = static_cast<char>(block_size_ / 1024);
  // Record and block counts (0x06-0x11, 0x3A) wait for Finish.
  Put(header_, 0x21, count, 2);
  header_[0x39] = static_cast<char>(rules.file_version);
  header_[0x3E] = '\x1F';
  header_[0x3F] = '\x0F';
  if (rules.data_header) {
    Put(header_, 0x25, kEncryptionInDataHeader, 4);
    header_[0x29] = static_cast<char>(kAnsiInternationalSortOrder);
    Put(header_, 0x51, used, 2);
    header_[0x56] = '\x20';
    const uint16_t version_id = 0x0100 | rules.file_version;
    Put(header_, 0x58, version_id, 2);
    Put(header_, 0x5A, version_id, 2);
    Put(header_, 0x60, static_cast<uint32_t>(std::time(nullptr)), 4);
    Put(header_, 0x64, count + 1, 2);  // the next field number
    Put(header_, 0x66, 0x20 + count * 6 + kPointerSize + kTableNameSize + names_size, 2);
    Put(header_, 0x6A, kWindowsCodePage, 2);
    header_[0x6C] = '\x01';
    header_[0x6D] = '\x01';
    Put(header_, 0x6E,
        0x18 + count * 8 + kPointerSize + kTableNameSize + names_size +
            kAnsiInternationalSortOrderName.size(),
        2);
    Put(header_, 0x70, 1, 2);
  }
  size_t at = fixed;
  for (const ParadoxField& field : fields_) {
    header_[at++] = static_cast<char>(field.type);
    header_[at++] = static_cast<char>(field.size);
  }
  // The table name pointer and the field name pointers are addresses in
  // Paradox's memory, set again whenever it loads the table.
  at += kPointerSize + count * kPointerSize;
  table_name.copy(&header_[at], table_name.size());
  at += kTableNameSize;
  for (const ParadoxField& field : fields_) {
    field.header_name.copy(&header_[at], field.header_name.size());
    at += field.header_name.size() + 1;
  }
  if (rules.data_header) {
    for (size_t i = 0; i < count; ++i, at += 2) Put(header_, at, i + 1, 2);
    kAnsiInternationalSortOrderName.copy(&header_[at],
                                         kAnsiInternationalSortOrderName.size());
  }
}

std::filesystem::path ParadoxWriter::MemoPath() const {
  // The memo file takes the table's name; its extension follows the case
  // of the table's own.
  std::string extension = path_.extension().string();
  bool lower = std::any_of(extension.begin(), extension.end(),
                           [](char c) { return c >= 'a' && c <= 'z'; });
  return std::filesystem::path(path_).replace_extension(lower ? ".mb" : ".MB");
}

void ParadoxWriter::CreateMemoFile() {
  std::filesystem::path memo_path = MemoPath();
  // The table file has just been created new, so a memo file of its name
  // belongs to a table deleted before (answering Yes to the overwrite
  // question deletes the .DB alone) and is replaced.
  std::error_code ignored;
  if (std::filesystem::is_regular_file(memo_path, ignored)) {
    std::filesystem::remove(memo_path, ignored);
  }
  memo_.emplace(memo_path);
  std::string header(kMemoBlockSize, '\0');
  header[0] = static_cast<char>(kMemoHeaderBlock);
  Put(header, 0x01, 1, 2);  // this block's length in 4 KB
  Put(header, 0x03, kModificationNumber, 2);
  Put(header, 0x0B, kMemoBlockSize, 2);  // base block size
  Put(header, 0x0D, kMemoBlockSize, 2);  // sub-allocated block size
  header[0x10] = '\x10';                 // sub-allocation unit
  Put(header, 0x11, 0x40, 2);            // sub-allocations per block
  Put(header, 0x13, kMemoBlockSize / 2, 2);
  memo_->Write(header);
  memo_size_ = kMemoBlockSize;
}

void ParadoxWriter::WriteRow(std::span<const Value> row) {
  if (records_in_block_ == records_per_block_) {
    if (blocks_ == max_blocks_) GrowBlocks();
    if (records_in_block_ == records_per_block_)
      FlushBlock(static_cast<uint16_t>(blocks_ + 1));
  }
  if (records_in_block_ == 0) ++blocks_;
  ++rows_;
  char* record = &block_[kBlockHeaderSize + records_in_block_ * record_size_];
  for (size_t i = 0; i < fields_.size(); ++i) {
    // Blank (all zero bytes) is Paradox's null; the block starts out blank.
    if (!row[i].IsNull())
      Store(fields_[i], changes_[i], row[i], record + fields_[i].offset);
  }
  ++records_in_block_;
}

void ParadoxWriter::FlushBlock(uint16_t next) {
  Put(block_, 0, next, 2);
  Put(block_, 2, blocks_ - 1, 2);
  Put(block_, 4, (records_in_block_ - 1) * record_size_, 2);
  table_->Write(block_);
  std::fill(block_.begin(), block_.end(), '\0');
  records_in_block_ = 0;
}

void ParadoxWriter::GrowBlocks() {
  size_t larger = 0;
  for (int kilobytes : RulesOf(version_).block_kilobytes) {
    const size_t size = static_cast<size_t>(kilobytes) * 1024;
    if (size > block_size_ && size % block_size_ == 0) {
      larger = size;
      break;
    }
  }
  if (larger == 0) {
    throw DbError(error_number::kEngineFailure,
                  Where() + ": the table would need more than " +
                      std::to_string(max_blocks_) + " data blocks of " +
                      std::to_string(block_size_) + " bytes, the most Paradox numbers.");
  }
  auto fail = [&](const char* doing) {
    throw DbError(error_number::kEngineFailure, std::string("Error ") + doing + " '" +
                                                    path_.string() +
                                                    "': " + std::strerror(errno));
  };
  // Each block holds at most as many records as a block of this size, so
  // each run of `factor` blocks fits one larger block (which loses only the
  // heads of the blocks after the first) and takes the bytes they took: the
  // file is rewritten in place, each run read before it is overwritten.
  FlushBlock(0);
  if (std::fflush(table_->Stream()) != 0) fail("writing");
  std::ifstream old(path_, std::ios::binary);
  if (!old) fail("reading");
  const size_t factor = larger / block_size_;
  const uint64_t first = header_.size();
  const uint32_t merged = static_cast<uint32_t>((blocks_ + factor - 1) / factor);
  std::string run(block_size_, '\0');
  block_.assign(larger, '\0');
  for (uint32_t number = 1; number <= merged; ++number) {
    std::fill(block_.begin(), block_.end(), '\0');
    records_in_block_ = 0;
    for (uint64_t from = (number - 1) * uint64_t{factor};
         from < blocks_ && from < number * uint64_t{factor}; ++from) {
      old.seekg(static_cast<std::streamoff>(first + from * run.size()));
      old.read(run.data(), static_cast<std::streamsize>(run.size()));
      if (!old) fail("reading");
      // Where its last record starts says how many it holds.
      const size_t last =
          static_cast<unsigned char>(run[4]) | static_cast<unsigned char>(run[5]) << 8;
      const size_t records = std::min(last / record_size_ + 1, records_per_block_);
      std::memcpy(&block_[kBlockHeaderSize + records_in_block_ * record_size_],
                  &run[kBlockHeaderSize], records * record_size_);
      records_in_block_ += records;
    }
    if (number == merged) break;
    Put(block_, 0, number + 1, 2);
    Put(block_, 2, number - 1, 2);
    Put(block_, 4, (records_in_block_ - 1) * record_size_, 2);
    table_->WriteAt(first + (number - 1) * uint64_t{larger}, block_);
  }
  blocks_ = merged;
  block_size_ = larger;
  records_per_block_ = (block_size_ - kBlockHeaderSize) / record_size_;
  header_[kBlockSizeOffset] = static_cast<char>(block_size_ / 1024);
  // The last block is written, when full or at the end, where it starts.
  if (std::fseek(table_->Stream(),
                 static_cast<long>(first + (blocks_ - 1) * uint64_t{block_size_}),
                 SEEK_SET) != 0) {
    fail("seeking in");
  }
}

void ParadoxWriter::Store(const ParadoxField& field, ColumnChanges& changes,
                          const Value& value, char* at) {
  switch (field.storage) {
    case ParadoxStorage::kAlpha:
      return StoreAlpha(field, changes, value, at);
    case ParadoxStorage::kYesNoText:
      return StoreYesNo(field, value, at);
    case ParadoxStorage::kShort:
    case ParadoxStorage::kLong:
      return StoreInteger(field, value, at);
    case ParadoxStorage::kNumber:
    case ParadoxStorage::kMoney:
      return StoreDouble(field, value, at);
    case ParadoxStorage::kDate:
    case ParadoxStorage::kTimestamp:
      return StoreDate(field, changes, value, at);
    case ParadoxStorage::kLogical:
      *at = YesNoOf(field, value) ? '\x81' : '\x80';
      return;
    case ParadoxStorage::kMemo:
      return StoreMemo(field, changes, value, at);
  }
}

void ParadoxWriter::Encode(const ParadoxField& field, ColumnChanges& changes,
                           const Value& value) {
  encoded_.clear();
  const SingleByteCodePage& code_page = RulesOf(version_).code_page();
  changes.replaced_characters +=
      value.kind() == Value::Kind::kText
          ? code_page.EncodeReplacing(value.AsText(), encoded_)
          : code_page.EncodeReplacing(value.ToText(), encoded_);
  if (encoded_.find('\0') != std::string::npos) {
    FailValue(field, error_number::kTypeMismatch,
              "the text holds the character U+0000, which ends a Paradox text early");
  }
}

void ParadoxWriter::StoreAlpha(const ParadoxField& field, ColumnChanges& changes,
                               const Value& value, char* at) {
  Encode(field, changes, value);
  const size_t width = static_cast<size_t>(field.size);
  if (encoded_.size() > width) {
    // The field is as wide as the longest value up to 255 characters, so
    // only a longer text where the version has no memo gets here. One byte
    // is one character in the code page: the cut splits none.
    encoded_.resize(width);
    ++changes.texts_cut;
    changes.cut_to = field.size;
  }
  // Shorter text is followed by the zeros already there; an empty text is
  // a blank field, Paradox having no empty text apart from blank.
  std::memcpy(at, encoded_.data(), encoded_.size());
}

bool ParadoxWriter::YesNoOf(const ParadoxField& field, const Value& value) const {
  switch (value.kind()) {
    case Value::Kind::kBoolean:
      return value.AsBoolean();
    case Value::Kind::kInteger:
      return value.AsInteger() != 0;
    case Value::Kind::kDouble:
      return value.AsDouble() != 0;
    default:
      FailValue(field, error_number::kTypeMismatch,
                "'" + value.ToText() + "' is not a yes/no value");
  }
}

void ParadoxWriter::StoreYesNo(const ParadoxField& field, const Value& value, char* at) {
  const std::string_view word = YesNoOf(field, value) ? "True" : "False";
  std::memcpy(at, word.data(), word.size());
}

void ParadoxWriter::StoreInteger(const ParadoxField& field, const Value& value,
                                 char* at) {
  int64_t whole = 0;
  if (value.kind() == Value::Kind::kInteger) {
    whole = value.AsInteger();
  } else if (value.kind() == Value::Kind::kDouble) {
    const double number = value.AsDouble();
    if (!std::isfinite(number) || number != std::trunc(number) ||
        std::fabs(number) > 1e18) {
      FailValue(field, error_number::kTypeMismatch,
                "the number " + value.ToText() +
                    " is no whole number, which the field's type holds alone");
    }
    whole = static_cast<int64_t>(number);
  } else {
    FailValue(field, error_number::kTypeMismatch,
              "'" + value.ToText() + "' is not a number");
  }
  const bool is_short = field.storage == ParadoxStorage::kShort;
  const int64_t limit = is_short ? kMaxShort : kMaxLong;
  if (whole < -limit || whole > limit) {
    FailValue(field, error_number::kTypeMismatch,
              "the number " + std::to_string(whole) + " is outside the range -" +
                  std::to_string(limit) + " to " + std::to_string(limit) + " of a " +
                  (is_short ? "short" : "long integer") + " field");
  }
  PutParadoxInteger(at, whole, field.size);
}

void ParadoxWriter::StoreDouble(const ParadoxField& field, const Value& value, char* at) {
  double number = 0;
  if (value.kind() == Value::Kind::kInteger) {
    const int64_t whole = value.AsInteger();
    if (whole > kMaxExactDouble || whole < -kMaxExactDouble) {
      FailValue(field, error_number::kTypeMismatch,
                "the whole number " + std::to_string(whole) +
                    " has more digits than a Paradox number field holds exactly");
    }
    number = static_cast<double>(whole);
  } else if (value.kind() == Value::Kind::kDouble) {
    number = value.AsDouble();
    if (!std::isfinite(number)) {
      FailValue(field, error_number::kTypeMismatch,
                "'" + value.ToText() + "' is no finite number");
    }
  } else {
    FailValue(field, error_number::kTypeMismatch,
              "'" + value.ToText() + "' is not a number");
  }
  PutParadoxDouble(at, number);
}

data::Date ParadoxWriter::DateOf(const ParadoxField& field, const Value& value) const {
  std::optional<data::Date> date;
  if (value.kind() == Value::Kind::kDate) {
    date = value.AsDate();
  } else if (value.kind() == Value::Kind::kText) {
    date = data::Date::Parse(value.AsText());
  }
  if (!date || !date->IsValid() || date->year < 1) {
    FailValue(field, error_number::kTypeMismatch,
              "'" + value.ToText() + "' is not a date");
  }
  return *date;
}

void ParadoxWriter::StoreDate(const ParadoxField& field, ColumnChanges& changes,
                              const Value& value, char* at) {
  const data::Date date = DateOf(field, value);
  const int32_t day = ParadoxDayNumber(date);
  if (field.storage == ParadoxStorage::kDate) {
    // A time of day has no place in a date field: left out, and counted.
    changes.times_dropped += date.HasTime();
    PutParadoxInteger(at, day, 4);
    return;
  }
  const int seconds = date.hour * 3600 + date.minute * 60 + date.second;
  PutParadoxDouble(at, day * kMillisecondsPerDay + seconds * 1000.0);
}

void ParadoxWriter::StoreMemo(const ParadoxField& field, ColumnChanges& changes,
                              const Value& value, char* at) {
  Encode(field, changes, value);
  if (encoded_.empty()) return;  // blank, like an empty alpha field
  // The record keeps the first characters as well as where the whole text
  // lies in the .MB file.
  std::memcpy(at, encoded_.data(), std::min(encoded_.size(), size_t{kMemoLeader}));
  char* pointer = at + kMemoLeader;
  PutLittleEndian(pointer, AppendMemo(encoded_) | kSingleMemoIndex, 4);
  PutLittleEndian(pointer + 4, encoded_.size(), 4);
  PutLittleEndian(pointer + 8, kModificationNumber, 2);
}

uint32_t ParadoxWriter::AppendMemo(std::string_view text) {
  static const std::string kZeros(kMemoBlockSize, '\0');
  const size_t used = kMemoHeadSize + text.size();
  const uint64_t blocks = (used + kMemoBlockSize - 1) / kMemoBlockSize;
  if (blocks > 0xFFFF || memo_size_ + blocks * kMemoBlockSize > UINT32_MAX) {
    throw DbError(error_number::kEngineFailure,
                  Where() + ", row " + std::to_string(rows_) +
                      ": the memo file would grow beyond the 4 GB Paradox can address.");
  }
  char head[kMemoHeadSize] = {static_cast<char>(kSingleMemoBlock)};
  PutLittleEndian(head + 1, blocks, 2);
  PutLittleEndian(head + 3, text.size(), 4);
  PutLittleEndian(head + 7, kModificationNumber, 2);
  memo_->Write({head, sizeof head});
  memo_->Write(text);
  memo_->Write(std::string_view(kZeros).substr(0, blocks * kMemoBlockSize - used));
  const uint32_t offset = static_cast<uint32_t>(memo_size_);
  memo_size_ += blocks * kMemoBlockSize;
  return offset;
}

void ParadoxWriter::PatchHeaderCounts() {
  Put(header_, kRecordCountOffset, rows_, 4);
  Put(header_, kNextBlockOffset, blocks_, 2);
  Put(header_, kFileBlocksOffset, blocks_, 2);
  Put(header_, kFirstBlockOffset, blocks_ > 0 ? 1 : 0, 2);
  Put(header_, kLastBlockOffset, blocks_, 2);
  Put(header_, kMaxBlocksOffset, blocks_, 2);
}

void ParadoxWriter::Finish() {
  if (records_in_block_ > 0) FlushBlock(0);
  PatchHeaderCounts();
  table_->WriteAt(0, std::string_view(header_).substr(0, kCommonHeaderSize));
  table_->Close();
  if (memo_) memo_->Close();
}

std::vector<std::string> ParadoxWriter::Changes() const {
  std::vector<std::string> lines;
  for (size_t i = 0; i < fields_.size(); ++i) {
    DescribeChanges(fields_[i].name, changes_[i], RulesOf(version_).code_page().name(),
                    lines);
  }
  return lines;
}

void ParadoxWriter::Abandon() noexcept {
  if (table_) table_->Remove();
  if (memo_) memo_->Remove();
}

}  // namespace vdimpexp::formats

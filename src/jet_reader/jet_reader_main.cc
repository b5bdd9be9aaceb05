// vdimpexp-jet-reader FILE TABLE: writes table TABLE of the Access (Jet 3,
// Jet 4 or ACE) database FILE to standard output in the stream that
// jet_reader_protocol.h describes. Only this program links libmdb; the
// component starts it for every read and trusts nothing it sends.

// GLib's headers hold C++ templates; mdbtools.h includes them inside its
// own extern "C" block unless they were included first.
#include <glib.h>
// clang-format off
#include <mdbtools.h>
// clang-format on
#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet_reader/jet_reader_protocol.h"

namespace vdimpexp::jet_reader {
namespace {

// Text and memo values are converted by libmdb into buffers of this size; a
// value that fills one may have been cut, and is refused rather than sent
// short. The buffers are touched only as far as a value reaches.
constexpr size_t kBindSize = 16u << 20;
// libmdb keeps a row's flags in the top bits of its offset.
constexpr int kRowOffsetMask = 0x1fff;

class Output {
 public:
  void Byte(uint8_t b) { frame_.push_back(static_cast<char>(b)); }
  void Number(uint64_t n, int bytes) {
    for (int i = 0; i < bytes; ++i) Byte(static_cast<uint8_t>(n >> (8 * i)));
  }
  void Bytes(std::string_view bytes) {
    Number(bytes.size(), 4);
    frame_.append(bytes);
  }
  void Text(std::string_view text) { frame_.append(text); }
  void Double(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    Number(bits, 8);
  }
  // Sends what was added since the last frame as one frame of `type`.
  void Frame(FrameType type) {
    pending_ += static_cast<char>(type);
    for (int i = 0; i < 4; ++i) pending_ += static_cast<char>(frame_.size() >> (8 * i));
    pending_ += frame_;
    frame_.clear();
    if (pending_.size() >= 64 * 1024) Flush();
  }
  void Flush() {
    const char* at = pending_.data();
    size_t left = pending_.size();
    while (left > 0) {
      ssize_t written = write(STDOUT_FILENO, at, left);
      if (written <= 0) std::_Exit(3);  // nobody reads any more
      at += written;
      left -= static_cast<size_t>(written);
    }
    pending_.clear();
  }

 private:
  std::string frame_;
  std::string pending_;
};

Output out;

[[noreturn]] void Fail(Failure failure, std::string_view text) {
  out.Byte(static_cast<uint8_t>(failure));
  out.Text(text);
  out.Frame(FrameType::kFailure);
  out.Flush();
  std::_Exit(2);
}

void Rc4(std::span<const uint8_t> key, uint8_t* data, size_t size) {
  std::array<uint8_t, 256> s;
  for (int i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % key.size()]) & 0xff;
    std::swap(s[i], s[j]);
  }
  for (size_t k = 0, i = 0, j = 0; k < size; ++k) {
    i = (i + 1) & 0xff;
    j = (j + s[i]) & 0xff;
    std::swap(s[i], s[j]);
    data[k] ^= s[(s[i] + s[j]) & 0xff];
  }
}

// The header page hides its settings under a fixed RC4 key. The database
// password lies at 0x42 (Jet 3: 20 bytes; later: 40, also masked with the
// whole-day part of the creation date at 0x72); all zero means none is set.
// A Jet 4 password does not encrypt the data, so libmdb would read the file
// anyway: the owner asked for it to be kept closed, and it is.
bool HasDatabasePassword(std::vector<uint8_t> page, bool jet3) {
  constexpr std::array<uint8_t, 4> kHeaderKey = {0xc7, 0xda, 0x39, 0x6b};
  constexpr size_t kStart = 0x18, kPassword = 0x42, kCreated = 0x72;
  const size_t hidden = jet3 ? 126 : 128, length = jet3 ? 20 : 40;
  if (page.size() < kStart + hidden) return false;
  Rc4(kHeaderKey, page.data() + kStart, hidden);
  std::array<uint8_t, 4> mask{};
  if (!jet3) {
    double created;
    std::memcpy(&created, page.data() + kCreated, sizeof created);
    int32_t days = 0;
    if (created >= INT32_MIN && created <= INT32_MAX)
      days = static_cast<int32_t>(created);
    for (int i = 0; i < 4; ++i) mask[i] = static_cast<uint8_t>(days >> (8 * i));
  }
  for (size_t i = 0; i < length; ++i) {
    if ((page[kPassword + i] ^ mask[i % 4]) != 0) return true;
  }
  return false;
}

// Refuses, before libmdb sees it, a file that is no Access database, one
// cut short of whole pages, and one with a database password.
void CheckFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> page(4096);
  file.read(reinterpret_cast<char*>(page.data()),
            static_cast<std::streamsize>(page.size()));
  page.resize(static_cast<size_t>(file.gcount()));
  if (!file && !file.eof()) Fail(Failure::kNotReadable, "the file cannot be read");
  auto magic = [&](std::string_view text) {
    return page.size() >= 4 + text.size() &&
           std::memcmp(page.data() + 4, text.data(), text.size()) == 0;
  };
  if (!magic("Standard Jet DB") && !magic("Standard ACE DB")) {
    Fail(Failure::kNotReadable, "it is not a Microsoft Access database");
  }
  const bool jet3 = page.size() > 0x14 && page[0x14] == 0;
  const uintmax_t page_size = jet3 ? 2048 : 4096;
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size < 2 * page_size || size % page_size != 0) {
    Fail(Failure::kDamaged, "it does not hold whole database pages");
  }
  if (HasDatabasePassword(page, jet3)) Fail(Failure::kPassword, "database password");
}

MdbTableDef* OpenTable(MdbHandle* mdb, const char* name) {
  GPtrArray* catalog = mdb_read_catalog(mdb, MDB_TABLE);
  if (catalog == nullptr) Fail(Failure::kDamaged, "its list of tables cannot be read");
  for (guint i = 0; i < catalog->len; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
    if (entry->object_type != MDB_TABLE ||
        g_ascii_strcasecmp(entry->object_name, name) != 0) {
      continue;
    }
    MdbTableDef* table = mdb_read_table(entry);
    if (table == nullptr || mdb_read_columns(table) == nullptr) {
      Fail(Failure::kDamaged, "the table's description cannot be read");
    }
    return table;
  }
  Fail(Failure::kNoSuchTable, name);
}

struct BoundText {
  std::unique_ptr<char[]> buffer;
  int length = 0;
};

bool IsBound(int type) { return type == MDB_TEXT || type == MDB_MEMO || type == MDB_OLE; }

int64_t SignedNumber(const unsigned char* at, int bytes) {
  uint64_t n = 0;
  for (int i = 0; i < bytes; ++i) n |= static_cast<uint64_t>(at[i]) << (8 * i);
  if (bytes < 8 && (n >> (8 * bytes - 1)) & 1) n |= ~uint64_t{0} << (8 * bytes);
  return static_cast<int64_t>(n);
}

double StoredDouble(const unsigned char* at) {
  double d;
  std::memcpy(&d, at, sizeof d);
  return d;
}

// One column's value of the row libmdb has just cracked into `field`.
void SendValue(MdbHandle* mdb, MdbColumn* column, const MdbField& field,
               const BoundText& bound) {
  auto kind = [](ValueKind k) { out.Byte(static_cast<uint8_t>(k)); };
  const int type = column->col_type;
  // A Yes/No value lives in the null mask: set is true.
  if (type == MDB_BOOL) return kind(field.is_null ? ValueKind::kFalse : ValueKind::kTrue);
  if (field.is_null) return kind(ValueKind::kNull);
  const int start = field.start, size = field.siz;
  if (start < 0 || size < 0 || start + size > mdb->fmt->pg_size) {
    Fail(Failure::kDamaged, "a value lies outside its page");
  }
  const unsigned char* at = mdb->pg_buf + start;
  auto fixed = [&](int bytes) {
    if (size != bytes) Fail(Failure::kDamaged, "a value has the wrong size for its type");
  };
  switch (type) {
    case MDB_BYTE:
      fixed(1);
      kind(ValueKind::kInteger);
      return out.Number(at[0], 8);
    case MDB_INT:
      fixed(2);
      kind(ValueKind::kInteger);
      return out.Number(static_cast<uint64_t>(SignedNumber(at, 2)), 8);
    case MDB_LONGINT:
    case MDB_COMPLEX:
      fixed(4);
      kind(ValueKind::kInteger);
      return out.Number(static_cast<uint64_t>(SignedNumber(at, 4)), 8);
    case MDB_MONEY:
      fixed(8);
      kind(ValueKind::kCurrency);
      return out.Number(static_cast<uint64_t>(SignedNumber(at, 8)), 8);
    case MDB_FLOAT: {
      fixed(4);
      float f;
      std::memcpy(&f, at, sizeof f);
      kind(ValueKind::kDouble);
      return out.Double(f);
    }
    case MDB_DOUBLE:
      fixed(8);
      kind(ValueKind::kDouble);
      return out.Double(StoredDouble(at));
    case MDB_DATETIME:
      fixed(8);
      kind(ValueKind::kDate);
      return out.Double(StoredDouble(at));
    case MDB_TEXT:
    case MDB_MEMO:
      if (static_cast<size_t>(bound.length) + 1 >= kBindSize) {
        Fail(Failure::kValueTooLong, column->name);
      }
      kind(ValueKind::kText);
      return out.Bytes(std::string_view(bound.buffer.get(), bound.length));
    case MDB_OLE: {
      size_t length = 0;
      void* data = mdb_ole_read_full(mdb, column, &length);
      if (data == nullptr) Fail(Failure::kDamaged, "an OLE object cannot be read");
      kind(ValueKind::kBinary);
      out.Bytes(std::string_view(static_cast<const char*>(data), length));
      return free(data);
    }
    case MDB_NUMERIC:
    case MDB_REPID: {
      char* text =
          type == MDB_NUMERIC
              ? mdb_numeric_to_string(mdb, start, column->col_scale, column->col_prec)
              : mdb_uuid_to_string(mdb->pg_buf, start);
      kind(type == MDB_NUMERIC ? ValueKind::kDecimal : ValueKind::kText);
      out.Bytes(text ? text : "");
      return g_free(text);
    }
    default:
      kind(ValueKind::kBinary);
      return out.Bytes(std::string_view(reinterpret_cast<const char*>(at), size));
  }
}

int Run(const char* path, const char* table_name) {
  out.Text(kHello);
  out.Frame(FrameType::kHello);
  CheckFile(path);
  MdbHandle* mdb = mdb_open(path, MDB_NOFLAGS);
  if (mdb == nullptr) Fail(Failure::kNotReadable, "libmdb cannot open it");
  mdb_set_bind_size(mdb, kBindSize);
  MdbTableDef* table = OpenTable(mdb, table_name);
  const unsigned columns = table->num_cols;
  if (columns == 0 || columns > 0xffff)
    Fail(Failure::kDamaged, "the table has no columns");

  std::vector<BoundText> bound(columns);
  out.Number(columns, 2);
  for (unsigned i = 0; i < columns; ++i) {
    auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
    if (IsBound(column->col_type)) {
      bound[i].buffer.reset(new char[kBindSize]);
      mdb_bind_column(table, static_cast<int>(i) + 1, bound[i].buffer.get(),
                      &bound[i].length);
    }
    const std::string_view name = column->name;
    out.Byte(static_cast<uint8_t>(column->col_type));
    out.Number(name.size(), 2);
    out.Text(name);
  }
  out.Frame(FrameType::kTable);

  mdb_rewind_table(table);
  std::vector<MdbField> fields(columns);
  uint64_t rows = 0;
  while (mdb_fetch_row(table)) {
    // The fetch converted the bound columns; the row is cracked once more
    // for the null flags and raw bytes the bindings do not give.
    int row_start = 0;
    size_t row_size = 0;
    if (mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &row_start, &row_size) !=
            0 ||
        mdb_crack_row(table, row_start & kRowOffsetMask, row_size, fields.data()) !=
            static_cast<int>(columns)) {
      Fail(Failure::kDamaged, "a row cannot be read");
    }
    std::vector<const MdbField*> by_column(columns, nullptr);
    for (const MdbField& field : fields) {
      if (field.colnum < 0 || static_cast<unsigned>(field.colnum) >= columns) {
        Fail(Failure::kDamaged, "a row names a column the table lacks");
      }
      by_column[field.colnum] = &field;
    }
    for (unsigned i = 0; i < columns; ++i) {
      if (by_column[i] == nullptr) Fail(Failure::kDamaged, "a row lacks a column");
      SendValue(mdb, static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i)),
                *by_column[i], bound[i]);
    }
    out.Frame(FrameType::kRow);
    ++rows;
  }
  // libmdb ends a table quietly at a page it cannot read; the count the
  // table keeps tells a file cut short of its rows.
  if (rows != table->num_rows) {
    Fail(Failure::kDamaged, "the table holds " + std::to_string(table->num_rows) +
                                " rows, of which " + std::to_string(rows) +
                                " could be read");
  }
  out.Number(rows, 8);
  out.Frame(FrameType::kEnd);
  out.Flush();
  return 0;
}

}  // namespace
}  // namespace vdimpexp::jet_reader

int main(int argc, char** argv) {
  if (argc != 3) {
    static constexpr std::string_view kUsage = "usage: vdimpexp-jet-reader FILE TABLE\n";
    return write(STDERR_FILENO, kUsage.data(), kUsage.size()) < 0 ? 64 : 64;
  }
  // A crash on a hostile file should end the process, not fill the disk.
  const rlimit no_core{0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  return vdimpexp::jet_reader::Run(argv[1], argv[2]);
}

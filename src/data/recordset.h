// Rows of a query, or a table opened for reading and appending, with the
// operations the wizards and importers use: move through the rows, read
// fields by name or position, add rows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/column_info.h"
#include "data/value.h"

namespace vdimpexp::data {

class Connection;
class Recordset;
class Session;
class StatementLease;
namespace detail {
struct RecordsetState;
}

enum class CursorType {
  kUnspecified = -1,
  kForwardOnly = 0,
  kKeyset = 1,
  kDynamic = 2,
  kStatic = 3
};
enum class LockType {
  kUnspecified = -1,
  kReadOnly = 1,
  kPessimistic = 2,
  kOptimistic = 3,
  kBatchOptimistic = 4
};
enum class CommandType { kUnspecified = -1, kText = 1, kTable = 2 };
// How Recordset::Save writes the rows: the binary ADTG form or the XML rowset.
enum class PersistFormat { kAdtg = 0, kXml = 1 };

class Field {
 public:
  const std::string& Name() const { return column_.name; }
  // A text column's maximum length in characters; the storage size in bytes
  // for other types.
  int32_t DefinedSize() const { return column_.defined_size; }
  ColumnType Type() const { return column_.type; }
  const ColumnInfo& Column() const { return column_; }

  // The value in the current row, or in the pending new row. Throws DbError
  // when there is no current row.
  const data::Value& Value() const;
  // Sets a column of the pending new row, converted to the column's type.
  // Throws DbError, leaving the field as it was, when the column cannot take
  // the value, or when no new row is pending.
  void SetValue(data::Value value);
  // SetValue(Value(std::string(text))) and SetValue(value), for the rows of an
  // import: a text that a text column takes as it is goes into the pending
  // row's own storage, which is reused row after row.
  void SetText(std::string_view text);
  void SetValueFrom(const data::Value& value);

 private:
  friend class Recordset;
  friend struct detail::RecordsetState;
  Field(ColumnInfo column, int index, detail::RecordsetState* owner)
      : column_(std::move(column)), index_(index), owner_(owner) {}

  ColumnInfo column_;
  int index_;
  detail::RecordsetState* owner_;
  data::Value value_;
};

class Recordset {
 public:
  class FieldList {
   public:
    int Count() const;
    // Names match without regard to case. Throws DbError when not found.
    Field& operator[](std::string_view name) const;
    Field& operator[](int index) const;

   private:
    friend class Recordset;
    explicit FieldList(detail::RecordsetState* state) : state_(state) {}
    detail::RecordsetState* state_;
  };

  Recordset();
  ~Recordset();
  Recordset(Recordset&&) noexcept;
  Recordset& operator=(Recordset&&) noexcept;

  // Opens `source` on the connection: a table (CommandType::kTable, or a
  // bare name with kUnspecified) is readable and takes new rows unless the
  // lock is read-only; a query (kText) is read-only.
  void Open(std::string_view source, Connection& connection, CursorType cursor,
            LockType lock, CommandType options);
  // Same, over a connection of its own made from a file or connection string,
  // closed with the recordset.
  void Open(std::string_view source, std::string_view connection_string,
            CursorType cursor, LockType lock, CommandType options);
  void Close();
  bool IsOpen() const;
  // Tells this opening of the recordset from every other one in the
  // process (a number no other opening gets); 0 while closed. Callers that
  // keep its fields between rows ask it whether they still may.
  uint64_t OpenSerial() const;

  // Both true when there are no rows. After the last row, IsEOF is true.
  bool IsBOF() const;
  bool IsEOF() const;
  void MoveFirst();
  void MoveNext();

  FieldList Fields() const;
  Field& Fields(std::string_view name) const { return Fields()[name]; }
  Field& Fields(int index) const { return Fields()[index]; }

  // Starts a new row with every column at the value a new row has (the
  // column's default, else null) and its AutoNumber key already assigned.
  // A new row still pending is stored first.
  void AddNew();
  // Stores the pending new row, which then is the current row (the table's
  // last: MoveNext goes to the end). On failure the row stays pending, so
  // the caller may change it and try again, or cancel it.
  void Update();
  // Drops the pending new row, if any; the current row is again the one
  // read last.
  void CancelUpdate();
  bool IsAddingNew() const;

  // Writes every row, from the first, to the new file `file` in `format`,
  // through the table writer registered for the connect type "XML"; a
  // pending new row is stored first. The file must not exist yet. Only the
  // XML rowset is written: kAdtg is refused. After a save the current row is
  // the first one, as after MoveFirst. A failed save leaves no file, and the
  // position where the failure stopped it: MoveFirst starts over. Returns
  // what the format changed in values to fit it, a line for each change.
  std::vector<std::string> Save(std::string_view file, PersistFormat format);

 private:
  friend class Connection;
  void OpenOn(std::shared_ptr<Session> session, std::string_view source, LockType lock,
              CommandType options);
  // Takes over a prepared query whose first step has not run yet.
  void Adopt(std::shared_ptr<Session> session, StatementLease query);

  std::unique_ptr<detail::RecordsetState> state_;
};

}  // namespace vdimpexp::data

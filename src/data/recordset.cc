#include "data/recordset.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <map>
#include <unordered_map>
#include <vector>

#include "data/connection.h"
#include "data/conversion.h"
#include "data/db_error.h"
#include "data/external_target.h"
#include "data/jet_sql.h"
#include "data/session.h"
#include "data/sqlite_values.h"
#include "data/text.h"
#include "data/value_shape.h"

namespace vdimpexp::data {
namespace {

// Column names match without regard to ASCII case, as the engine's do.
struct CaselessHash {
  using is_transparent = void;
  size_t operator()(std::string_view name) const {
    size_t hash = 14695981039346656037ULL;  // FNV-1a over the lowered letters
    for (char c : name)
      hash = (hash ^ static_cast<unsigned char>(AsciiLower(c))) * 1099511628211ULL;
    return hash;
  }
};
struct CaselessEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    return EqualsIgnoringCase(a, b);
  }
};
// Column positions by name; the first of two same-named columns wins, as in
// a query result.
using FieldIndex = std::unordered_map<std::string, int, CaselessHash, CaselessEqual>;

[[noreturn]] void ThrowNoCurrentRecord(std::string_view what) {
  throw DbError(error_number::kNoCurrentRecord,
                "Either BOF or EOF is True, or the current record has been deleted. "
                "Requested operation requires a current record (" +
                    std::string(what) + ").");
}

[[noreturn]] void ThrowInvalid(const std::string& what) {
  throw DbError(error_number::kInvalidOperation, what);
}

// The file a recordset is saved to, as a target of the "XML" writer: its
// folder is the database and its name the table. Names typed the host's
// way, with "\", split there too.
ExternalTarget XmlRowsetTarget(std::string_view file) {
  ExternalTarget target{.connect_type = "XML"};
  size_t split = file.find_last_of("/\\");
  if (split == std::string_view::npos) {
    target.table = std::string(file);
  } else {
    // A file right under the root keeps the root as its folder.
    target.database = std::string(file.substr(0, split == 0 ? 1 : split));
    target.table = std::string(file.substr(split + 1));
  }
  if (target.table.empty()) {
    ThrowInvalid("Cannot save the recordset to '" + std::string(file) +
                 "': the name has no file part.");
  }
  return target;
}

// Writes `number` as `width` digits, zero-padded.
char* PutDigits(char* at, int number, int width) {
  for (int i = width - 1; i >= 0; --i, number /= 10) {
    at[i] = static_cast<char>('0' + number % 10);
  }
  return at + width;
}

// Whether binding `value` would bind what `bound` bound: a double must be
// the same to the bit (0.0 and -0.0 compare equal, NaN unequal to itself).
bool SameBinding(const Value& bound, const Value& value) {
  if (value.kind() != Value::Kind::kDouble) return bound == value;
  if (bound.kind() != Value::Kind::kDouble) return false;
  const double a = bound.AsDouble(), b = value.AsDouble();
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Binds a value of the pending row. A date whose parts all have their usual
// number of digits is written in its storage form (Date::ToIso) on the
// stack; every other value goes through BindValue.
int BindNewRowValue(sqlite3_stmt* insert, int parameter, const Value& value) {
  if (value.kind() != Value::Kind::kDate) return BindValue(insert, parameter, value);
  const Date& date = value.AsDate();
  auto within = [](int part, int high) { return part >= 0 && part <= high; };
  if (!within(date.year, 9999) || !within(date.month, 99) || !within(date.day, 99) ||
      !within(date.hour, 99) || !within(date.minute, 99) || !within(date.second, 99)) {
    return BindValue(insert, parameter, value);
  }
  char iso[20];
  char* at = PutDigits(iso, date.year, 4);
  *at++ = '-';
  at = PutDigits(at, date.month, 2);
  *at++ = '-';
  at = PutDigits(at, date.day, 2);
  if (date.HasTime()) {
    *at++ = ' ';
    at = PutDigits(at, date.hour, 2);
    *at++ = ':';
    at = PutDigits(at, date.minute, 2);
    *at++ = ':';
    at = PutDigits(at, date.second, 2);
  }
  return sqlite3_bind_text(insert, parameter, iso, static_cast<int>(at - iso),
                           SQLITE_TRANSIENT);
}

uint64_t NextOpenSerial() {
  static std::atomic<uint64_t> last{0};
  return ++last;
}

}  // namespace

namespace detail {

// Everything a recordset is; kept on the heap so that fields can point back
// to it while the recordset object itself moves.
struct RecordsetState {
  std::shared_ptr<Session> session;
  uint64_t serial = NextOpenSerial();

  // Reading: the statement that yields the rows, started on first use.
  std::string read_sql;
  StatementLease reader;
  bool reading = false;
  bool has_row = false;
  bool bof = true;
  bool eof = true;

  std::vector<Field> fields;
  FieldIndex index_by_name;
  size_t expected_field = 0;
  // The columns the last rows were asked for, in the order asked, from the
  // start of the new row: an importer asks for the same ones row after row,
  // so the name is compared with the one asked for at that place last time
  // before the index is looked at. Relearned from where a row asks otherwise.
  static constexpr size_t kLearnedLookups = 64;
  std::vector<int> lookup_order;
  size_t lookups = 0;
  // False for a column whose name an earlier column already has: the name
  // finds the earlier one.
  std::vector<uint8_t> answers_to_its_name;

  // Appending (tables only).
  bool updatable = false;
  std::string table;
  int key_column = -1;
  bool autoincrement = false;
  std::vector<Value> defaults;
  // The new row lives apart from the current row, so that a cancelled new
  // row leaves the current one as it was without copying it aside. A
  // column not assigned shows its default.
  bool adding = false;
  bool showing_new_row = false;  // the row last stored is the current row
  std::vector<Value> new_row;
  std::vector<uint8_t> assigned;
  // An insert per set of assigned columns, with what its parameters hold:
  // SQLite keeps a binding from step to step, so a value that is not text
  // and equals the one bound for the row before is not bound again. Text is
  // bound without a copy, from the pending row, so always afresh.
  struct Insert {
    StatementLease statement;
    std::vector<Value> bound;
    std::vector<uint8_t> is_bound;
  };
  std::map<std::vector<uint8_t>, Insert> inserts;
  std::map<std::vector<uint8_t>, Insert>::iterator last_insert = inserts.end();

  const Value& NewRowValue(int index) const {
    return assigned[index] ? new_row[index] : defaults[index];
  }

  void SetColumns(const std::vector<ColumnInfo>& columns) {
    fields.clear();
    fields.reserve(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) {
      fields.push_back(Field(columns[i], static_cast<int>(i), this));
      bool first_of_its_name =
          index_by_name.try_emplace(columns[i].name, static_cast<int>(i)).second;
      answers_to_its_name.push_back(first_of_its_name);
    }
  }

  Field& FieldNamed(std::string_view name) {
    if (lookups < lookup_order.size()) {
      Field& learned = fields[lookup_order[lookups]];
      if (learned.Name() == name) {
        ++lookups;
        return learned;
      }
      lookup_order.resize(lookups);
    }
    Field& field = FindFieldNamed(name);
    if (lookups < kLearnedLookups) {
      lookup_order.push_back(field.index_);
      ++lookups;
    }
    return field;
  }

  Field& FindFieldNamed(std::string_view name) {
    // Fields set in table order: the field after the one found last is
    // tried before the index.
    if (expected_field < fields.size() && answers_to_its_name[expected_field] &&
        fields[expected_field].Name() == name) {
      return fields[expected_field++];
    }
    auto found = index_by_name.find(name);
    if (found == index_by_name.end()) {
      throw DbError(
          error_number::kItemNotFound,
          "Item cannot be found in the collection corresponding to the requested "
          "name or ordinal: field '" +
              std::string(name) + "'.");
    }
    expected_field = static_cast<size_t>(found->second) + 1;
    return fields[found->second];
  }

  void EnsureReading() {
    if (reading) return;
    reading = true;
    if (!reader) reader = session->Prepare(read_sql);
    Step();
    bof = eof = !has_row;
  }

  void Step() {
    showing_new_row = false;
    lookups = 0;
    int rc = reader ? sqlite3_step(reader.get()) : SQLITE_DONE;
    if (rc == SQLITE_ROW) {
      for (Field& field : fields) {
        field.value_ = ReadColumn(reader.get(), field.index_, field.column_);
      }
      has_row = true;
      return;
    }
    has_row = false;
    eof = true;
    if (rc != SQLITE_DONE) throw session->Error(rc, read_sql);
  }

  void Restart() {
    if (reader) sqlite3_reset(reader.get());
    reading = false;
    EnsureReading();
  }

  int64_t NextFreeKey() {
    return session->NextKey(table, [this] {
      int64_t highest = 0;
      const std::string top_sql = "SELECT max(rowid) FROM " + SqliteName(table);
      StatementLease top = session->Prepare(top_sql);
      if (session->StepRow(top, top_sql)) highest = sqlite3_column_int64(top.get(), 0);
      if (autoincrement) {
        // Keys of deleted rows are not given out again.
        constexpr const char* kSequenceSql =
            "SELECT seq FROM sqlite_sequence WHERE name = ?";
        StatementLease sequence = session->Prepare(kSequenceSql);
        sqlite3_bind_text(sequence.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
        if (session->StepRow(sequence, kSequenceSql)) {
          highest = std::max<int64_t>(highest, sqlite3_column_int64(sequence.get(), 0));
        }
      }
      return highest;
    });
  }

  Insert& InsertStatement() {
    // Rows of one import set the same columns; try the last statement first.
    if (last_insert != inserts.end() && last_insert->first == assigned) {
      return last_insert->second;
    }
    last_insert = inserts.find(assigned);
    if (last_insert != inserts.end()) return last_insert->second;
    std::string names, places;
    for (size_t i = 0; i < fields.size(); ++i) {
      if (!assigned[i]) continue;
      names += (names.empty() ? "" : ", ") + SqliteName(fields[i].Name());
      places += places.empty() ? "?" : ", ?";
    }
    std::string sql = names.empty()
                          ? "INSERT INTO " + SqliteName(table) + " DEFAULT VALUES"
                          : "INSERT INTO " + SqliteName(table) + " (" + names +
                                ") VALUES (" + places + ")";
    const size_t parameters =
        static_cast<size_t>(std::count(assigned.begin(), assigned.end(), 1));
    last_insert = inserts
                      .emplace(assigned, Insert{session->Prepare(sql),
                                                std::vector<Value>(parameters),
                                                std::vector<uint8_t>(parameters, 0)})
                      .first;
    return last_insert->second;
  }
};

}  // namespace detail

const data::Value& Field::Value() const {
  if (owner_->adding || owner_->showing_new_row) return owner_->NewRowValue(index_);
  owner_->EnsureReading();
  if (!owner_->has_row) ThrowNoCurrentRecord("reading field '" + Name() + "'");
  return value_;
}

void Field::SetValue(data::Value value) {
  if (!owner_->adding) {
    ThrowInvalid("Field '" + Name() +
                 "' can only be set on a new row: call AddNew before setting it.");
  }
  ConvertForColumn(column_, value);
  owner_->new_row[index_] = std::move(value);
  owner_->assigned[index_] = 1;
}

void Field::SetText(std::string_view text) {
  if (owner_->adding) {
    data::Value& pending = owner_->new_row[index_];
    // A text column takes a text that fits it byte for byte as it is (see
    // ConvertForColumn), in the storage the pending row's text already has;
    // a number for a floating-point column is read from the text at once.
    if (column_.type == ColumnType::kText &&
        text.size() <= static_cast<size_t>(column_.defined_size)) {
      pending.AssignText(text);
      owner_->assigned[index_] = 1;
      return;
    }
    if (ConvertNumberTextForColumn(column_, text, pending)) {
      owner_->assigned[index_] = 1;
      return;
    }
  }
  // Anything else is converted, or refused, as SetValue does it.
  SetValue(data::Value(text));
}

void Field::SetValueFrom(const data::Value& value) {
  if (value.kind() == data::Value::Kind::kText) {
    SetText(value.AsText());
  } else {
    SetValue(value);
  }
}

int Recordset::FieldList::Count() const {
  return state_ ? static_cast<int>(state_->fields.size()) : 0;
}

Field& Recordset::FieldList::operator[](std::string_view name) const {
  if (!state_) ThrowInvalid("The recordset is closed.");
  return state_->FieldNamed(name);
}

Field& Recordset::FieldList::operator[](int index) const {
  if (!state_ || index < 0 || index >= Count()) {
    throw DbError(error_number::kItemNotFound,
                  "Item cannot be found in the collection corresponding to the requested "
                  "name or ordinal: field " +
                      std::to_string(index) + ".");
  }
  return state_->fields[index];
}

Recordset::Recordset() = default;
Recordset::~Recordset() = default;
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;

void Recordset::Open(std::string_view source, Connection& connection, CursorType,
                     LockType lock, CommandType options) {
  OpenOn(connection.session_, source, lock, options);
}

void Recordset::Open(std::string_view source, std::string_view connection_string,
                     CursorType, LockType lock, CommandType options) {
  Connection own(connection_string);
  OpenOn(own.session_, source, lock, options);
}

void Recordset::OpenOn(std::shared_ptr<Session> session, std::string_view source,
                       LockType lock, CommandType options) {
  if (!session) ThrowInvalid("The connection is closed.");
  Close();
  std::optional<std::string> table_name;
  if (options != CommandType::kText) table_name = jet::BareTableName(source);
  if (options == CommandType::kTable && !table_name) {
    ThrowInvalid("'" + std::string(source) + "' is not a table name.");
  }
  if (!table_name) {
    jet::Statement statement = jet::Translate(source);
    if (statement.kind != jet::Statement::Kind::kPlain) {
      ThrowInvalid(
          "A statement that writes a table returns no rows; run it with Execute.");
    }
    StatementLease query = session->Prepare(statement.sql);
    if (sqlite3_column_count(query.get()) == 0) {
      ThrowInvalid("The statement returns no rows: " + std::string(source));
    }
    Adopt(std::move(session), std::move(query));
    return;
  }

  auto state = std::make_unique<detail::RecordsetState>();
  state->session = session;
  const std::string& requested = *table_name;
  {
    StatementLease master = session->Prepare(
        "SELECT name, sql FROM sqlite_master WHERE type IN ('table', 'view') AND name = "
        "? "
        "COLLATE NOCASE");
    sqlite3_bind_text(master.get(), 1, requested.c_str(), -1, SQLITE_TRANSIENT);
    if (!session->StepRow(master, "looking up " + requested)) {
      throw DbError(error_number::kEngineFailure,
                    "Cannot find the input table or query '" + requested + "'.");
    }
    state->table = reinterpret_cast<const char*>(sqlite3_column_text(master.get(), 0));
    const unsigned char* sql = sqlite3_column_text(master.get(), 1);
    state->autoincrement =
        sql && ContainsIgnoringCase(reinterpret_cast<const char*>(sql), "autoincrement");
  }
  std::vector<ColumnInfo> columns;
  std::vector<std::string> default_expressions;
  {
    StatementLease info = session->Prepare(
        "SELECT name, type, dflt_value, pk, \"notnull\" FROM "
        "pragma_table_info(?)");
    sqlite3_bind_text(info.get(), 1, state->table.c_str(), -1, SQLITE_TRANSIENT);
    int key_parts = 0, key_index = -1;
    const std::string reading = "reading the columns of " + state->table;
    while (session->StepRow(info, reading)) {
      auto text = [&](int i) {
        const unsigned char* t = sqlite3_column_text(info.get(), i);
        return std::string(t ? reinterpret_cast<const char*>(t) : "");
      };
      std::string type = text(1);
      if (sqlite3_column_int(info.get(), 3) > 0) {
        ++key_parts;
        if (EqualsIgnoringCase(type, "INTEGER"))
          key_index = static_cast<int>(columns.size());
      }
      columns.push_back(DescribeColumn(text(0), type));
      columns.back().nullable = sqlite3_column_int(info.get(), 4) == 0;
      default_expressions.push_back(text(2));
    }
    // Only a single INTEGER PRIMARY KEY is the row's own number, an AutoNumber.
    if (key_parts == 1) state->key_column = key_index;
  }
  for (size_t i = 0; i < columns.size(); ++i) {
    Value initial;
    if (!default_expressions[i].empty()) {
      const std::string evaluate_sql = "SELECT " + default_expressions[i];
      StatementLease evaluate = session->Prepare(evaluate_sql);
      if (session->StepRow(evaluate, evaluate_sql)) {
        initial = ReadColumn(evaluate.get(), 0, columns[i]);
      }
    }
    state->defaults.push_back(std::move(initial));
  }
  state->SetColumns(columns);
  state->read_sql = "SELECT * FROM " + SqliteName(state->table);
  state->updatable = lock != LockType::kReadOnly;
  state->assigned.assign(columns.size(), 0);
  state->new_row.resize(columns.size());
  state_ = std::move(state);
}

void Recordset::Adopt(std::shared_ptr<Session> session, StatementLease query) {
  Close();
  auto state = std::make_unique<detail::RecordsetState>();
  state->session = std::move(session);
  state->read_sql = sqlite3_sql(query.get());
  state->SetColumns(DescribeResultColumns(query.get()));
  state->reader = std::move(query);
  state->EnsureReading();
  state_ = std::move(state);
}

void Recordset::Close() { state_.reset(); }

bool Recordset::IsOpen() const { return state_ != nullptr; }

uint64_t Recordset::OpenSerial() const { return state_ ? state_->serial : 0; }

bool Recordset::IsBOF() const {
  if (!state_) ThrowInvalid("The recordset is closed.");
  if (state_->showing_new_row) return false;
  state_->EnsureReading();
  return state_->bof;
}

bool Recordset::IsEOF() const {
  if (!state_) ThrowInvalid("The recordset is closed.");
  if (state_->showing_new_row) return false;
  state_->EnsureReading();
  return state_->eof;
}

void Recordset::MoveFirst() {
  if (!state_) ThrowInvalid("The recordset is closed.");
  if (state_->adding) Update();
  state_->Restart();
}

void Recordset::MoveNext() {
  if (!state_) ThrowInvalid("The recordset is closed.");
  if (state_->adding) Update();
  if (state_->showing_new_row) {
    // A stored new row is the table's last: after it comes the end.
    state_->showing_new_row = false;
    state_->has_row = false;
    state_->bof = false;
    state_->eof = true;
    state_->reading = true;
    return;
  }
  state_->EnsureReading();
  if (state_->eof) ThrowNoCurrentRecord("MoveNext");
  state_->bof = false;
  state_->Step();
}

Recordset::FieldList Recordset::Fields() const { return FieldList(state_.get()); }

bool Recordset::IsAddingNew() const { return state_ && state_->adding; }

void Recordset::AddNew() {
  if (!state_) ThrowInvalid("The recordset is closed.");
  detail::RecordsetState& s = *state_;
  if (!s.updatable || s.table.empty()) {
    ThrowInvalid(
        "The recordset is read-only: open a table with an updatable lock to add rows.");
  }
  if (s.adding) Update();
  s.showing_new_row = false;
  s.lookups = 0;
  std::fill(s.assigned.begin(), s.assigned.end(), 0);
  if (s.key_column >= 0) {
    s.new_row[s.key_column] = s.NextFreeKey();
    s.assigned[s.key_column] = 1;
  }
  s.adding = true;
}

void Recordset::Update() {
  if (!state_ || !state_->adding)
    ThrowInvalid("Update needs a new row: call AddNew first.");
  detail::RecordsetState& s = *state_;
  // The insert is the recordset's own prepared statement, so it does not
  // pass the session's check on its way.
  s.session->CheckTransactionIntact();
  detail::RecordsetState::Insert& statement = s.InsertStatement();
  sqlite3_stmt* insert = statement.statement.get();
  size_t parameter = 0;
  for (size_t i = 0; i < s.fields.size(); ++i) {
    if (!s.assigned[i]) continue;
    const Value& value = s.new_row[i];
    if (value.kind() == Value::Kind::kText) {
      BindNewRowValue(insert, static_cast<int>(parameter + 1), value);
      statement.is_bound[parameter] = 0;
    } else if (!statement.is_bound[parameter] ||
               !SameBinding(statement.bound[parameter], value)) {
      statement.is_bound[parameter] =
          BindNewRowValue(insert, static_cast<int>(parameter + 1), value) == SQLITE_OK;
      statement.bound[parameter] = value;
    }
    ++parameter;
  }
  int rc = sqlite3_step(insert);
  if (rc != SQLITE_DONE) {
    DbError error = s.session->Error(rc, "saving a new row of " + s.table);
    sqlite3_reset(insert);
    throw error;
  }
  sqlite3_reset(insert);
  s.adding = false;
  s.showing_new_row = true;
}

void Recordset::CancelUpdate() {
  if (!state_ || !state_->adding) return;
  detail::RecordsetState& s = *state_;
  s.adding = false;
}

std::vector<std::string> Recordset::Save(std::string_view file, PersistFormat format) {
  if (!state_) ThrowInvalid("The recordset is closed.");
  if (format != PersistFormat::kXml) {
    ThrowInvalid(
        "Saving a recordset in the binary ADTG format is not supported; save "
        "it in the XML format.");
  }
  ExternalTarget target = XmlRowsetTarget(file);
  std::unique_ptr<TableWriter> writer = CreateTableWriter(target.connect_type);
  if (!writer) {
    throw DbError(error_number::kEngineFailure,
                  "Cannot save the recordset to '" + std::string(file) +
                      "': no writer for the XML rowset format is registered.");
  }
  if (state_->adding) Update();
  detail::RecordsetState& s = *state_;
  std::vector<ColumnInfo> columns;
  columns.reserve(s.fields.size());
  for (const Field& field : s.fields) columns.push_back(field.column_);
  WriteProgress* progress = s.session->write_progress();
  const RowsReport report{.progress = progress,
                          .rows_to_come = ReadyColumnsForWriter(
                              *s.session, s.read_sql, *writer, columns, progress)};
  // The recordset's own cursor walks the rows, so a row is read once and
  // only one is held at a time.
  s.Restart();
  const RowSource next_row = [&s](std::vector<Value>& row) {
    if (!s.has_row) return false;
    for (size_t i = 0; i < row.size(); ++i) row[i] = s.fields[i].value_;
    s.Step();
    return true;
  };
  WriteAllRows(*writer, target, columns, next_row, report);
  s.Restart();
  return writer->Changes();
}

}  // namespace vdimpexp::data

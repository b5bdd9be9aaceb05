// Reads one table of a real Microsoft Access database (Jet 3, Jet 4, ACE)
// through the reader program beside the component, which alone links
// libmdb (see jet_reader_protocol.h). The program's stream is checked as
// untrusted input: a crash, a stall, or bytes that break the stream end
// the read with a DbError that names the file.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "data/value.h"

namespace vdimpexp::jet_reader {

// Whether the file starts as a Jet or ACE database does.
bool IsJetDatabaseFile(const std::string& path);

struct Currency {  // exact: ten-thousandths, as Jet stores it
  int64_t ten_thousandths = 0;
  friend bool operator==(const Currency&, const Currency&) = default;
};
struct DateSerial {  // as stored: days since 1899-12-30
  double days = 0;
  friend bool operator==(const DateSerial&, const DateSerial&) = default;
};
struct Binary {
  std::string bytes;
  friend bool operator==(const Binary&, const Binary&) = default;
};
struct Decimal {  // a decimal number's digits, as text
  std::string digits;
  friend bool operator==(const Decimal&, const Decimal&) = default;
};
// Null, Yes/No, whole number, double, currency, date, text (UTF-8), binary
// data or decimal.
using JetValue = std::variant<std::monostate, bool, int64_t, double, Currency, DateSerial,
                              std::string, Binary, Decimal>;

// The calendar date and time of a stored date: the whole part counts days
// from 1899-12-30 (backwards when negative), the fraction is the time of
// that day, added forward whatever the sign (-1.25 is 1899-12-29 06:00),
// to the nearest second. None outside the years 100 to 9999.
std::optional<data::Date> DateFromSerial(double days);

// The value as the data layer holds it: currency and decimals as doubles,
// dates as Date (a date beyond DateFromSerial's years as its stored
// number). Binary data has no such value: nullopt.
std::optional<data::Value> ToDataValue(const JetValue& value);

struct ReaderOptions {
  std::string program;  // the reader program's path
  // The read ends when the program sends nothing for this long.
  std::chrono::milliseconds time_limit = std::chrono::seconds(30);
};

class JetTableReader {
 public:
  // Starts the program on `table` of `file` and reads the table's columns;
  // throws DbError when the file or the table cannot be read.
  JetTableReader(const std::string& file, const std::string& table,
                 const ReaderOptions& options);
  ~JetTableReader();
  JetTableReader(const JetTableReader&) = delete;
  JetTableReader& operator=(const JetTableReader&) = delete;

  // The table's column names, in table order.
  const std::vector<std::string>& ColumnNames() const { return columns_; }
  // Fills `row` with the next row (physical order); false after the last.
  bool Next(std::vector<JetValue>& row);

 private:
  // The next frame's type and payload; a failure frame is thrown.
  std::pair<uint8_t, std::string> ReadFrame();
  void ReadExactly(char* into, size_t size);
  // Ends the program (if it still runs) and throws `problem`, with how the
  // program ended.
  [[noreturn]] void Stop(const std::string& problem, bool output_closed = false);

  std::string file_;
  ReaderOptions options_;
  pid_t child_ = -1;
  int pipe_ = -1;
  std::vector<std::string> columns_;
  uint64_t rows_read_ = 0;
  bool ended_ = false;
};

}  // namespace vdimpexp::jet_reader

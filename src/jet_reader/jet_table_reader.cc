#include "jet_reader/jet_table_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>

#include "data/db_error.h"
#include "data/utf8.h"
#include "jet_reader/jet_reader_protocol.h"

extern char** environ;

namespace vdimpexp::jet_reader {
namespace {

using data::DbError;
namespace error_number = data::error_number;

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// Reads the little-endian numbers and counted byte runs of one payload,
// never past its end.
class PayloadReader {
 public:
  explicit PayloadReader(std::string_view payload) : rest_(payload) {}
  bool AtEnd() const { return rest_.empty(); }
  std::optional<uint64_t> Number(size_t bytes) {
    if (rest_.size() < bytes) return std::nullopt;
    uint64_t n = 0;
    for (size_t i = 0; i < bytes; ++i) {
      n |= static_cast<uint64_t>(static_cast<unsigned char>(rest_[i])) << (8 * i);
    }
    rest_.remove_prefix(bytes);
    return n;
  }
  std::optional<std::string_view> Bytes(size_t size) {
    if (rest_.size() < size) return std::nullopt;
    std::string_view bytes = rest_.substr(0, size);
    rest_.remove_prefix(size);
    return bytes;
  }
  std::optional<std::string_view> CountedBytes() {
    std::optional<uint64_t> size = Number(4);
    return size ? Bytes(*size) : std::nullopt;
  }

 private:
  std::string_view rest_;
};

bool IsUtf8(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    size_t length = data::DecodeUtf8At(text, at).length;
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::optional<JetValue> ReadValue(PayloadReader& payload) {
  std::optional<uint64_t> kind = payload.Number(1);
  if (!kind) return std::nullopt;
  auto number = [&]() -> std::optional<JetValue> {
    std::optional<uint64_t> n = payload.Number(8);
    if (!n) return std::nullopt;
    return static_cast<int64_t>(*n);
  };
  auto floating = [&]() -> std::optional<double> {
    std::optional<uint64_t> n = payload.Number(8);
    if (!n) return std::nullopt;
    double d;
    std::memcpy(&d, &*n, sizeof d);
    return d;
  };
  switch (static_cast<ValueKind>(*kind)) {
    case ValueKind::kNull:
      return JetValue();
    case ValueKind::kFalse:
    case ValueKind::kTrue:
      return JetValue(static_cast<ValueKind>(*kind) == ValueKind::kTrue);
    case ValueKind::kInteger:
      return number();
    case ValueKind::kCurrency: {
      std::optional<JetValue> n = number();
      if (!n) return std::nullopt;
      return Currency{std::get<int64_t>(*n)};
    }
    case ValueKind::kDouble:
    case ValueKind::kDate: {
      std::optional<double> d = floating();
      if (!d) return std::nullopt;
      if (static_cast<ValueKind>(*kind) == ValueKind::kDouble) return *d;
      return DateSerial{*d};
    }
    case ValueKind::kText:
    case ValueKind::kBinary:
    case ValueKind::kDecimal: {
      std::optional<std::string_view> bytes = payload.CountedBytes();
      if (!bytes) return std::nullopt;
      if (static_cast<ValueKind>(*kind) == ValueKind::kBinary) {
        return Binary{std::string(*bytes)};
      }
      if (!IsUtf8(*bytes)) return std::nullopt;
      if (static_cast<ValueKind>(*kind) == ValueKind::kText) return std::string(*bytes);
      return Decimal{std::string(*bytes)};
    }
  }
  return std::nullopt;
}

}  // namespace

bool IsJetDatabaseFile(const std::string& path) {
  std::array<char, 19> start{};
  std::ifstream file(path, std::ios::binary);
  if (!file.read(start.data(), start.size())) return false;
  const std::string_view magic(start.data() + 4, 15);
  return magic == "Standard Jet DB" || magic == "Standard ACE DB";
}

std::optional<data::Date> DateFromSerial(double days) {
  // Jet's own range: 100-01-01 to 9999-12-31 23:59:59.
  if (!(days >= -657434.0 && days < 2958466.0)) return std::nullopt;
  const double whole = std::trunc(days);
  int64_t day = static_cast<int64_t>(whole);
  int64_t seconds = std::llround(std::fabs(days - whole) * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    ++day;
  }
  using namespace std::chrono;
  constexpr sys_days kDayZero = 1899y / December / 30;
  const year_month_day civil{kDayZero + std::chrono::days(day)};
  if (civil.year() > 9999y) return std::nullopt;
  data::Date date{.year = static_cast<int>(civil.year()),
                  .month = static_cast<int>(static_cast<unsigned>(civil.month())),
                  .day = static_cast<int>(static_cast<unsigned>(civil.day()))};
  date.hour = static_cast<int>(seconds / 3600);
  date.minute = static_cast<int>(seconds / 60 % 60);
  date.second = static_cast<int>(seconds % 60);
  return date;
}

std::optional<data::Value> ToDataValue(const JetValue& value) {
  struct {
    std::optional<data::Value> operator()(std::monostate) { return data::Value(); }
    std::optional<data::Value> operator()(bool b) { return b; }
    std::optional<data::Value> operator()(int64_t i) { return i; }
    std::optional<data::Value> operator()(double d) { return d; }
    std::optional<data::Value> operator()(const Currency& c) {
      return static_cast<double>(c.ten_thousandths) / 10000.0;
    }
    std::optional<data::Value> operator()(const DateSerial& d) {
      if (std::optional<data::Date> date = DateFromSerial(d.days)) return *date;
      return d.days;
    }
    std::optional<data::Value> operator()(const std::string& s) { return s; }
    std::optional<data::Value> operator()(const Binary&) { return std::nullopt; }
    std::optional<data::Value> operator()(const Decimal& d) {
      return std::strtod(d.digits.c_str(), nullptr);
    }
  } convert;
  return std::visit(convert, value);
}

JetTableReader::JetTableReader(const std::string& file, const std::string& table,
                               const ReaderOptions& options)
    : file_(file), options_(options) {
  std::array<int, 2> ends{};
  if (pipe2(ends.data(), O_CLOEXEC) != 0) {
    throw DbError(error_number::kEngineFailure,
                  "Cannot start the Access database reader: " +
                      std::string(std::strerror(errno)) + ".");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::string program = options_.program, source = file, name = table;
  std::array<char*, 4> argv = {program.data(), source.data(), name.data(), nullptr};
  const int rc =
      posix_spawn(&child_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ends[1]);
  pipe_ = ends[0];
  if (rc != 0) {
    child_ = -1;
    close(pipe_);
    pipe_ = -1;
    throw DbError(error_number::kEngineFailure,
                  "Cannot read the Microsoft Access database " + Quoted(file_) +
                      ": the reader program " + Quoted(program) + " cannot be started (" +
                      std::strerror(rc) + ").");
  }

  auto [type, hello] = ReadFrame();
  if (type != static_cast<uint8_t>(FrameType::kHello) || hello != kHello) {
    Stop("the reader program answered as another program would");
  }
  auto [table_type, payload] = ReadFrame();
  PayloadReader columns(payload);
  std::optional<uint64_t> count = columns.Number(2);
  if (table_type != static_cast<uint8_t>(FrameType::kTable) || !count) {
    Stop("the reader sent no table description");
  }
  for (uint64_t i = 0; i < *count; ++i) {
    std::optional<uint64_t> name_size =
        columns.Number(1) ? columns.Number(2) : std::nullopt;
    std::optional<std::string_view> column =
        name_size ? columns.Bytes(*name_size) : std::nullopt;
    if (!column || !IsUtf8(*column)) Stop("the reader sent a damaged table description");
    columns_.emplace_back(*column);
  }
  if (!columns.AtEnd()) Stop("the reader sent a damaged table description");
}

JetTableReader::~JetTableReader() {
  if (pipe_ >= 0) close(pipe_);
  if (child_ > 0) {
    kill(child_, SIGKILL);
    waitpid(child_, nullptr, 0);
  }
}

bool JetTableReader::Next(std::vector<JetValue>& row) {
  if (ended_) return false;
  auto [type, payload] = ReadFrame();
  PayloadReader values(payload);
  if (type == static_cast<uint8_t>(FrameType::kEnd)) {
    std::optional<uint64_t> rows = values.Number(8);
    if (!rows || *rows != rows_read_ || !values.AtEnd()) {
      Stop("the reader's row count does not match the rows it sent");
    }
    ended_ = true;
    int status = 0;
    waitpid(child_, &status, 0);
    child_ = -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      Stop("the reader failed after the last row");
    }
    return false;
  }
  if (type != static_cast<uint8_t>(FrameType::kRow))
    Stop("the reader sent an unknown frame");
  row.clear();
  for (size_t i = 0; i < columns_.size(); ++i) {
    std::optional<JetValue> value = ReadValue(values);
    if (!value) Stop("the reader sent a damaged row");
    row.push_back(std::move(*value));
  }
  if (!values.AtEnd()) Stop("the reader sent a damaged row");
  ++rows_read_;
  return true;
}

std::pair<uint8_t, std::string> JetTableReader::ReadFrame() {
  std::array<char, 5> header;
  ReadExactly(header.data(), header.size());
  PayloadReader size_field(std::string_view(header.data() + 1, 4));
  const uint64_t size = *size_field.Number(4);
  if (size > kMaxFramePayload) Stop("the reader sent a frame larger than any value");
  std::string payload(size, '\0');
  ReadExactly(payload.data(), payload.size());
  const auto type = static_cast<uint8_t>(header[0]);
  if (type != static_cast<uint8_t>(FrameType::kFailure))
    return {type, std::move(payload)};

  // The reader refused the file; it says why in a form of its own.
  const std::string detail = payload.empty() ? "" : payload.substr(1);
  std::string message;
  switch (payload.empty() ? Failure{} : static_cast<Failure>(payload[0])) {
    case Failure::kPassword:
      message = Quoted(file_) +
                " is protected by a database password. Open it in Microsoft Access, "
                "unset the database password, and choose it again.";
      break;
    case Failure::kNoSuchTable:
      message = "Cannot find the input table or query " + Quoted(detail) + " in " +
                Quoted(file_) + ".";
      break;
    case Failure::kDamaged:
      message = "The Microsoft Access database " + Quoted(file_) +
                " is damaged or cut short: " + detail + ".";
      break;
    case Failure::kValueTooLong:
      message = "Cannot read the Microsoft Access database " + Quoted(file_) +
                ": a value in column " + Quoted(detail) + " is longer than it reads.";
      break;
    case Failure::kNotReadable:
      message = "Cannot read " + Quoted(file_) +
                " as a Microsoft Access database: " + detail + ".";
      break;
    default:
      Stop("the reader failed for a reason it did not name");
  }
  if (!IsUtf8(message)) Stop("the reader sent a damaged failure report");
  throw DbError(error_number::kEngineFailure, message);
}

void JetTableReader::ReadExactly(char* into, size_t size) {
  while (size > 0) {
    pollfd waiting{.fd = pipe_, .events = POLLIN};
    const int ready = poll(&waiting, 1, static_cast<int>(options_.time_limit.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) {
      const auto limit = options_.time_limit.count();
      Stop("the reader sent nothing for " + std::to_string(limit / 1000) + "." +
           std::to_string(limit % 1000 / 100) + " seconds and was stopped");
    }
    const ssize_t got = read(pipe_, into, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) Stop("the reader stopped before the end of the table", true);
    into += got;
    size -= static_cast<size_t>(got);
  }
}

void JetTableReader::Stop(const std::string& problem, bool output_closed) {
  std::string ending;
  if (child_ > 0) {
    int status = 0;
    // A reader that closed its output is ending: it is given a moment to
    // say how. One that stalls or sends garbage is not waited for.
    pid_t ended = waitpid(child_, &status, WNOHANG);
    for (int tries = 0; ended == 0 && output_closed && tries < 200; ++tries) {
      usleep(10'000);
      ended = waitpid(child_, &status, WNOHANG);
    }
    if (ended == 0) {
      kill(child_, SIGKILL);
      waitpid(child_, &status, 0);
    } else if (WIFSIGNALED(status)) {
      ending = " (it was ended by signal " + std::to_string(WTERMSIG(status)) + ")";
    } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
      ending = " (it exited with status " + std::to_string(WEXITSTATUS(status)) + ")";
    }
    child_ = -1;
  }
  throw DbError(error_number::kEngineFailure,
                "Cannot read the Microsoft Access database " + Quoted(file_) + ": " +
                    problem + ending + "; the file may be damaged.");
}

}  // namespace vdimpexp::jet_reader

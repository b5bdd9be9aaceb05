// The stream the Access database reader program writes to its standard
// output, and the component reads from a pipe. libmdb, which the reader is
// built on, is not hardened against hostile files, so it runs in a process
// of its own; this stream is all that crosses over, and the component
// checks every byte of it.
//
// The stream is a sequence of frames. A frame is one type byte, its
// payload's length as a 32-bit little-endian number (at most
// kMaxFramePayload), then the payload. Numbers in payloads are little-endian
// too. Frames, in order:
//
//   'V'  hello: the text kHello, so that a stray program is never taken for
//        the reader.
//   'T'  the table: its column count (16 bits), then per column its libmdb
//        type code (8 bits), its name's length in bytes (16 bits) and the
//        name in UTF-8.
//   'R'  one row per frame: per column a kind byte (ValueKind) followed by
//        the value: nothing for null, false and true; 8 bytes for a whole
//        number (signed), a double, a currency amount (signed ten-
//        thousandths) or a date (the stored double: days since 1899-12-30,
//        converted by the component, since libmdb's own conversion fails
//        outside 1900-4637); a 32-bit length and the bytes for text (UTF-8),
//        binary data and decimal numbers (their digits as text).
//   'E'  the end: the number of rows sent (64 bits). A stream without it
//        was cut short.
//   'F'  instead of any frame after the hello: the reader could not go on.
//        A Failure byte, then a UTF-8 text for the user.
//
// The reader exits with status 0 after 'E' and 2 after 'F'.
#pragma once

#include <cstdint>
#include <string_view>

namespace vdimpexp::jet_reader {

// The reader program, installed beside the component's library.
inline constexpr std::string_view kReaderProgramName = "vdimpexp-jet-reader";

inline constexpr std::string_view kHello = "vdimpexp-jet-reader 1";
inline constexpr uint32_t kMaxFramePayload = 64u << 20;

enum class FrameType : uint8_t {
  kHello = 'V',
  kTable = 'T',
  kRow = 'R',
  kEnd = 'E',
  kFailure = 'F',
};

enum class ValueKind : uint8_t {
  kNull = 0,
  kFalse = 1,
  kTrue = 2,
  kInteger = 3,
  kDouble = 4,
  kCurrency = 5,
  kDate = 6,
  kText = 7,
  kBinary = 8,
  kDecimal = 9,
};

enum class Failure : uint8_t {
  kNotReadable = 1,  // libmdb could not open the file as a database
  kPassword = 2,     // a database password is set
  kNoSuchTable = 3,
  kDamaged = 4,  // cut short, or pages that contradict each other
  kValueTooLong = 5,
};

}  // namespace vdimpexp::jet_reader

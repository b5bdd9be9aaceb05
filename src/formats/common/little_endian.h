// Byte order of every binary format the writers produce (dBASE, Excel,
// Lotus, Paradox headers and the compound file): least significant first,
// whatever the machine's own order.
#pragma once

#include <bit>
#include <cstdint>
#include <string>

namespace vdimpexp::formats {

// Stores the low `bytes` bytes of `value` at `at`.
inline void PutLittleEndian(char* at, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline void AppendLittleEndian(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline std::string LittleEndian32(uint32_t value) {
  std::string bytes;
  AppendLittleEndian(bytes, value, 4);
  return bytes;
}

// An IEEE 754 double in its eight bytes, least significant first.
inline void AppendLittleEndianDouble(std::string& out, double value) {
  AppendLittleEndian(out, std::bit_cast<uint64_t>(value), 8);
}

}  // namespace vdimpexp::formats

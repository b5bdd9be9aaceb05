// The demo data's random numbers. Our own generator (splitmix64) and our
// own range reduction, because the standard distributions may draw
// differently from one library version to the next, and the demo data must
// come out the same everywhere for a given seed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vdimpexp::schema::internal {

class DemoRandom {
 public:
  // The seed is scrambled first: seeds that differ by one would otherwise
  // start the same sequence one step apart.
  explicit DemoRandom(uint64_t seed) : state_(Mix(seed + 0x632BE59BD9B4E019ull)) {}

  uint64_t Next() { return Mix(state_ += 0x9E3779B97F4A7C15ull); }

  // A whole number in [0, n); n must be positive. Multiply-shift keeps the
  // draw in one step (the bias is far below anything the demo could show).
  uint64_t Below(uint64_t n) {
    return static_cast<uint64_t>((static_cast<unsigned __int128>(Next()) * n) >> 64);
  }

  // A whole number in [low, high].
  int Between(int low, int high) {
    return low + static_cast<int>(Below(static_cast<uint64_t>(high - low) + 1));
  }

  // True with the given chance in percent.
  bool Chance(int percent) { return Below(100) < static_cast<uint64_t>(percent); }

  template <typename T, size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Below(N)];
  }

 private:
  static uint64_t Mix(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  uint64_t state_;
};

}  // namespace vdimpexp::schema::internal

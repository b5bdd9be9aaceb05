#include "support/random_number.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>
#include <random>
#include <vector>

namespace vdimpexp::support {
namespace {

// Reseeding from the clock on every call made two calls within one clock tick
// return the same number, so two long column names shortened in one export
// could end up with the same alias. The process therefore keeps a single
// generator, seeded once and shared under a lock.
class SharedGenerator {
 public:
  SharedGenerator() {
    std::vector<std::uint32_t> material;
    try {
      std::random_device device;
      for (int i = 0; i < 8; ++i) material.push_back(device());
    } catch (...) {
      // No entropy source: the clocks and this object's address still give
      // each process its own sequence.
    }
    const auto wall = static_cast<std::uint64_t>(
        std::chrono::system_clock::now().time_since_epoch().count());
    const auto steady = static_cast<std::uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    const auto address =
        static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(this));
    for (std::uint64_t word : {wall, steady, address}) {
      material.push_back(static_cast<std::uint32_t>(word));
      material.push_back(static_cast<std::uint32_t>(word >> 32));
    }
    std::seed_seq seed(material.begin(), material.end());
    engine_.seed(seed);
  }

  // Uniform in [0, 1): the top 53 bits of one draw, scaled exactly. This
  // avoids std::generate_canonical, which some libraries let round up to 1.
  double NextUnit() {
    std::uint64_t bits;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      bits = engine_();
    }
    return static_cast<double>(bits >> 11) * 0x1.0p-53;
  }

 private:
  std::mutex mutex_;
  std::mt19937_64 engine_;
};

SharedGenerator& Generator() {
  static SharedGenerator generator;
  return generator;
}

}  // namespace

int32_t ScaleToRange(double r, int32_t a, int32_t b) {
  const double scaled = (static_cast<double>(a) - static_cast<double>(b) + 1.0) * r +
                        static_cast<double>(b);
  // Round to nearest, halves to even: the default floating-point rounding mode.
  const double rounded = std::nearbyint(scaled);
  constexpr double kLowest = std::numeric_limits<int32_t>::min();
  constexpr double kHighest = std::numeric_limits<int32_t>::max();
  if (std::isnan(rounded)) return b;
  if (rounded <= kLowest) return std::numeric_limits<int32_t>::min();
  if (rounded >= kHighest) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(rounded);
}

int32_t RandomNumber(int32_t a, int32_t b) {
  return ScaleToRange(Generator().NextUnit(), a, b);
}

}  // namespace vdimpexp::support

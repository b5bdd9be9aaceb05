#ifndef VDIMPEXP_SUPPORT_RANDOM_NUMBER_H_
#define VDIMPEXP_SUPPORT_RANDOM_NUMBER_H_

#include <cstdint>

namespace vdimpexp::support {

// A random whole number (a - b + 1) * r + b, r drawn uniformly from [0, 1),
// rounded to nearest with halves to even. With a = 0 (how it is used: b = 999
// for the suffixes of shortened dBASE column aliases, b = 50 for the suffix
// that sets a duplicate imported contact apart) the result lies in 1..b. In
// general the result lies between b and a + 1 inclusive, whichever order they
// come in. One generator, seeded once per process, serves every call and
// every thread, so calls in quick succession do not repeat.
int32_t RandomNumber(int32_t a, int32_t b);

// The deterministic half of RandomNumber: maps a given r in [0, 1) to the
// rounded result. Results beyond the 32-bit range are clamped to it (only
// reachable when a or b is at the very end of that range).
int32_t ScaleToRange(double r, int32_t a, int32_t b);

}  // namespace vdimpexp::support

#endif  // VDIMPEXP_SUPPORT_RANDOM_NUMBER_H_

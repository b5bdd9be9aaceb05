// Writes eight draws of RandomNumber(0, 999) on one line.
#include <cstdio>

#include "support/random_number.h"

int main() {
  for (int i = 0; i < 8; ++i) {
    std::printf("%d ", static_cast<int>(vdimpexp::support::RandomNumber(0, 999)));
  }
  std::printf("\n");
  return 0;
}

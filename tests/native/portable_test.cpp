// The fuzz target's checks (tests/fuzz/portable_checks.h) under the sanitizers
// on what its short smoke run cannot be relied on to reach: all RGB 565 words
// and every row length through both converters, one byte short or more. The
// other boundaries are its seeds.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tests/fuzz/portable_checks.h"

void portable_checks::Check(bool condition) {
  EXPECT_TRUE(condition);
}

namespace {

using Bytes = std::vector<uint8_t>;

// Input: a format index (1: RGB 565, 5: RGB 888), 0, a width and a height, raw data.
TEST(RawPixels, EveryWordAndRowLengthThroughBothConverters) {
  Bytes input;
  for (int word = 0; word < 65536; word += 66 * 22) {
    input = {1, 0, 66, 22};
    for (int w = word; w < word + 66 * 22; ++w)
      input.insert(input.end(), {static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w)});
    portable_checks::RawPixels(input.data(), input.size());
  }
  std::mt19937 random(1);
  for (uint8_t format : {1, 5})
    for (uint8_t width = 1; width <= 66; ++width)
      for (int extra : {1, -1}) {
        input.assign(4 + width * 5 * (format == 1 ? 2 : 3) + extra, 0);
        input[0] = format, input[2] = width, input[3] = 5;
        std::generate(input.begin() + 4, input.end(), [&] { return uint8_t(random()); });
        portable_checks::RawPixels(input.data(), input.size());
      }
}

}  // namespace

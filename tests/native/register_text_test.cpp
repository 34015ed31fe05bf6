// The Registers page's typed numbers: the range boxes take a signed decimal
// number, an in-place edit the leading digits of its base and nothing else.
// Signs, blanks, prefixes, empty text and characters beyond ASCII in the
// page's boxes themselves: bad_text_test.
#include "pages/register_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(RegisterText, RangeNumbersAndInPlaceValuesFromAnyText) {
  const struct {
    const char* text;
    int32_t number;                 // as a range box reads it
    unsigned binary, hex, decimal;  // as an in-place edit reads it; 256: refused
  } cases[] = {
      {"159", 159, 1, 256, 159},
      {"1F", 1, 1, 31, 1},
      {"100", 100, 4, 256, 100},
      {"256", 256, 0, 256, 256},
      {"-12 ", -12, 0, 0, 0},  // signs: only the range boxes take them
      {"00000000000011111111", 11111111, 255, 256, 256},
      {"99999999999999999999", INT32_MAX, 0, 256, 256},
      {"-99999999999999999999", INT32_MIN, 0, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseRegisterNumber(c.text), c.number) << c.text;
    EXPECT_EQ(ParseRegisterValue(c.text, 2), c.binary) << c.text;
    EXPECT_EQ(ParseRegisterValue(c.text, 16), c.hex) << c.text;
    EXPECT_EQ(ParseRegisterValue(c.text, 10), c.decimal) << c.text;
  }
  // Thousands of digits are read only as far as they matter.
  EXPECT_EQ(ParseRegisterValue((std::string(5000, '0') + "1").c_str(), 10), 1u);
  EXPECT_EQ(ParseRegisterValue(std::string(5000, '9').c_str(), 10), 256u);
}

}  // namespace

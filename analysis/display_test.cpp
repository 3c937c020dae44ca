#include "analysis/display.h"

#include <gtest/gtest.h>

#include <clocale>

namespace vorrik {
namespace {

struct DisplayCase {
  float value;
  const char* shown;
};

TEST(FormatTally, DisplayForm) {
  const DisplayCase cases[] = {
      {0.0f, " 0"},
      {-0.0f, " 0"},
      {3.0f, " 3"},
      {2.5f, " 2.5"},
      {0.5f, " .5"},
      {12.5f, " 12.5"},
      {-1.5f, "-1.5"},
      {-0.5f, "-.5"},
      {100.0f, " 100"},
      {0.25f, " .25"},
      {-32767.5f, "-32767.5"},
      {9999999.0f, " 9999999"},
      // Seven significant digits, rounded.
      {1234567.5f, " 1234568"},
      {123456.75f, " 123456.8"},
      // From 10,000,000 on: exponent form with at least two exponent digits.
      {10000000.0f, " 1E+07"},
      {12345678.0f, " 1.234568E+07"},
      {-25000000.0f, "-2.5E+07"},
      {1e20f, " 1E+20"},
      {0.001f, " .001"},
      {0.00001f, " 1E-05"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatTally(c.value), c.shown) << c.value;
}

TEST(FormatTally, IgnoresTheLocaleDecimalComma) {
  const char* german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  if (!german) german = std::setlocale(LC_NUMERIC, "de_DE");
  if (!german) GTEST_SKIP() << "no German locale installed";
  EXPECT_EQ(FormatTally(2.5f), " 2.5");
  EXPECT_EQ(FormatTally(-0.5f), "-.5");
  std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
}  // namespace vorrik

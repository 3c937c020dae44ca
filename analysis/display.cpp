#include "display.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace vorrik {

std::string FormatTally(float value) {
  if (std::isnan(value)) return " NaN";
  if (std::isinf(value)) return value > 0 ? " Inf" : "-Inf";

  // Negative zero shows as zero.
  std::string result = value < 0 ? "-" : " ";

  // Round to seven significant digits: "d.dddddde+XX". std::to_chars ignores
  // the locale, unlike printf.
  char buffer[32];
  const auto converted =
      std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 6);
  const std::string_view text(buffer, static_cast<std::size_t>(converted.ptr - buffer));
  const std::size_t e = text.find('e');
  std::string digits;
  digits += text[0];
  digits.append(text.substr(2, e - 2));
  int exponent = 0;
  const char* exponentStart = text.data() + e + 1;
  if (*exponentStart == '+') ++exponentStart;  // from_chars takes no "+"
  std::from_chars(exponentStart, text.data() + text.size(), exponent);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  if (digits == "0") exponent = 0;

  if (exponent >= 7 || exponent < -4) {
    result += digits[0];
    if (digits.size() > 1) {
      result += '.';
      result.append(digits, 1);
    }
    result += 'E';
    result += exponent < 0 ? '-' : '+';
    const int magnitude = std::abs(exponent);
    if (magnitude < 10) result += '0';
    result += std::to_string(magnitude);
  } else if (exponent >= 0) {
    const auto integerDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integerDigits) {
      result += digits;
      result.append(integerDigits - digits.size(), '0');
    } else {
      result.append(digits, 0, integerDigits);
      result += '.';
      result.append(digits, integerDigits);
    }
  } else {
    result += '.';
    result.append(static_cast<std::size_t>(-exponent - 1), '0');
    result += digits;
  }
  return result;
}

}  // namespace vorrik

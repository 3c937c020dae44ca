#pragma once

#include <string>

namespace vorrik {

/// The display form of a tally, as the selection tally and the object bank
/// show it: a leading blank when not negative, "." as the decimal point in
/// every locale, no 0 before the point below 1, no trailing zeros, at most
/// seven significant digits, and exponent form ("1.5E+07") from 10,000,000 on
/// (and below .0001). Examples: " 0", " 2.5", " .5", "-1.5", "-.5".
std::string FormatTally(float value);

}  // namespace vorrik

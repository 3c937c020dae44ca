#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vorrik {

/// The two fixed character sets of the scanner, plus a lookup table built from
/// them so that classifying a character costs one load.
struct CharClasses {
  std::u16string operatorChars;  // "+-*/!=<>&|"
  std::u16string wordChars;      // a-z, 0-9, "_", "."

  enum Class : std::uint8_t { kOther = 0, kWord = 1, kOperator = 2 };
  std::array<std::uint8_t, 128> table{};  // by character code; codes >= 128 are kOther
};

/// Fills both sets (and the lookup table) with their fixed contents.
/// Calling it again stores the same values.
void InitCharClasses(CharClasses& classes);

/// True when c occurs in wordChars.
inline bool IsWordChar(const CharClasses& classes, char16_t c) {
  return c < 128 && classes.table[c] == CharClasses::kWord;
}

/// True when c occurs in operatorChars.
inline bool IsOperatorChar(const CharClasses& classes, char16_t c) {
  return c < 128 && classes.table[c] == CharClasses::kOperator;
}

}  // namespace vorrik

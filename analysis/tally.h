#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "char_classes.h"

namespace vorrik {

/// The scanner state that one analysis run carries from line to line.
struct ScanState {
  bool inQuote = false;  // inside a string opened by a double quote
  bool inApos = false;   // inside a string opened by an apostrophe
  bool inWord = false;   // a word is being collected
  int opRun = 0;         // operator characters not yet weighed: 0 or 1 between characters

  // The pending `word`. Only the keyword comparison reads it, and no keyword
  // is longer than six characters, so only the first six are kept and the
  // length saturates at seven: nothing is allocated, however long a word grows
  // across lines.
  static constexpr std::uint8_t kKeptChars = 6;
  std::array<char, kKeptChars> word{};
  std::uint8_t wordLength = 0;
};

/// The weight of a finished word: "return" .5, "if" 1, "while" 2, "for" 2,
/// "else" 1, any other word 1, or 1.5 when endedByParen.
float WordWeight(const ScanState& state, bool endedByParen);

/// Scans one normalised code line with the tally rules, adding to tally with
/// every addition rounded to single precision. Returns the line's lineDelta.
float ScanLine(std::u16string_view normLine, const CharClasses& classes, ScanState& state,
               float& tally);

}  // namespace vorrik

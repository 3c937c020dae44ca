#pragma once

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
  // is longer than six characters, so the word is kept packed: its last eight
  // characters one byte each (word characters are ASCII), and its length,
  // which saturates at 7. Nothing is allocated, however long a word grows
  // across lines.
  std::uint64_t word = 0;
  std::uint32_t wordLength = 0;

  // Only between the parts of a line scanned in parts (never at a line's
  // end): a comment has begun and runs to the line's end; or the part ended
  // with a "/" that a "/" first in the next part (blanks aside) makes a
  // comment marker.
  bool inComment = false;
  bool slashPending = false;
};

/// A word packed as ScanState::word packs it: one byte a character, the
/// first in the highest byte used.
constexpr std::uint64_t PackWord(std::string_view word) {
  std::uint64_t packed = 0;
  for (char c : word) packed = packed << 8 | static_cast<unsigned char>(c);
  return packed;
}

/// The weight in halves of a keyword packed as above ("return" 1, "if" 2,
/// "while" 4, "for" 4, "else" 2), or 0 for any other word of up to six
/// characters.
inline int KeywordHalves(std::uint64_t packedWord) {
  switch (packedWord) {
    case PackWord("return"): return 1;
    case PackWord("if"): return 2;
    case PackWord("while"): return 4;
    case PackWord("for"): return 4;
    case PackWord("else"): return 2;
    default: return 0;
  }
}

/// Scans a whole line (between whole lines the state carries no comment or
/// pending "/"). Most short lines take the bit-mask path of fast_scan.h; the
/// others the general scanner below.
float ScanLine(std::u16string_view line, const CharClasses& classes, ScanState& state,
               float& tally);

/// The general scanner, a step per character, for any line and any state.
/// A long line may come in parts: each but the last with lineEnds false.
/// Returns the weight of what it scanned.
float ScanLineGeneral(std::u16string_view line, const CharClasses& classes, ScanState& state,
                      float& tally, bool lineEnds = true);

}  // namespace vorrik

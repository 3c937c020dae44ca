#include "tally.h"

#include <cstring>

namespace vorrik {

namespace {

bool WordIs(const ScanState& state, const char* keyword, std::uint8_t length) {
  return state.wordLength == length && std::memcmp(state.word.data(), keyword, length) == 0;
}

}  // namespace

float WordWeight(const ScanState& state, bool endedByParen) {
  if (WordIs(state, "return", 6)) return 0.5f;
  if (WordIs(state, "if", 2)) return 1.0f;
  if (WordIs(state, "while", 5)) return 2.0f;
  if (WordIs(state, "for", 3)) return 2.0f;
  if (WordIs(state, "else", 4)) return 1.0f;
  return endedByParen ? 1.5f : 1.0f;
}

// Hot loop: runs for every character of the code section on each keystroke;
// measured by bench/analysis_bench.cpp. Each `tally +=` is a float addition,
// so every step is rounded to single precision as the rules require.
float ScanLine(std::u16string_view normLine, const CharClasses& classes, ScanState& state,
               float& tally) {
  const float lineStartTally = tally;
  for (const char16_t ch : normLine) {
    // Steps 1-4: quoted stretches. The double-quote test comes first, so a
    // double quote opens a stretch even between apostrophes.
    if (ch == u'"') {
      if (!state.inQuote) {
        state.inQuote = true;
        continue;
      }
      tally += 1.0f;
      state.inQuote = false;
    } else if (state.inQuote) {
      continue;
    }
    if (ch == u'\'') {
      if (!state.inApos) {
        state.inApos = true;
        continue;
      }
      tally += 2.0f;
      state.inApos = false;
    } else if (state.inApos) {
      continue;
    }

    const std::uint8_t cls = ch < 128 ? classes.table[ch] : std::uint8_t{CharClasses::kOther};

    // Step 5: words.
    if (cls == CharClasses::kWord) {
      state.inWord = true;
      if (state.wordLength < ScanState::kKeptChars) {
        state.word[state.wordLength] = static_cast<char>(ch);
        ++state.wordLength;
      } else if (state.wordLength == ScanState::kKeptChars) {
        ++state.wordLength;  // longer than any keyword; the rest is not needed
      }
    } else if (state.inWord) {
      state.inWord = false;
      tally += WordWeight(state, ch == u'(');
      if (ch == u':') tally -= 1.0f;
      state.wordLength = 0;
    }

    // Step 6: operators, weighed in pairs from the first of a run.
    if (cls == CharClasses::kOperator) {
      if (++state.opRun == 2) {
        tally += 0.5f;
        state.opRun = 0;
        if (ch == u'-') tally += 0.5f;
      }
    } else if (state.opRun > 0) {
      state.opRun = 0;
      tally += 0.5f;
    }
  }
  return tally - lineStartTally;
}

}  // namespace vorrik

#include "tally.h"

#include "fast_scan.h"
#include "normalise.h"

namespace vorrik {

namespace {

// Appends a word character, lower-cased: "A"-"Z" become "a"-"z", and of the
// other word characters only "_" changes (to 0x7F), which no keyword holds.
inline void AppendToWord(std::uint64_t& word, std::uint32_t& length, char16_t c) {
  word = word << 8 | ((c | 0x20u) & 0xFFu);
  length += length < 7 ? 1u : 0u;
}

// The weight of a word when a character ends it: "return" .5, "if" 1,
// "while" 2, "for" 2, "else" 1, any other word 1, or 1.5 when ended by "(".
inline float WeightOf(std::uint64_t word, std::uint32_t length, bool endedByParen) {
  if (length <= 6) {
    if (const int halves = KeywordHalves(word)) return static_cast<float>(halves) * 0.5f;
  }
  return endedByParen ? 1.5f : 1.0f;
}

}  // namespace

float ScanLine(std::u16string_view line, const CharClasses& classes, ScanState& state,
               float& tally) {
  if (float lineDelta; ScanLineFast(line, state, tally, lineDelta)) return lineDelta;
  return ScanLineGeneral(line, classes, state, tally);
}

// Hot loop: runs for every character of the code section on each keystroke
// (but for the lines that the bit-mask path takes); measured by
// bench/analysis_bench.cpp. It normalises on the fly (blanks
// skipped, case folded, comment cut) instead of building normLine, keeps the
// state in locals, and reads a word to its end in an inner loop. Each
// `tally +=` is a float addition, so every step is rounded to single precision
// as the rules require.
float ScanLineGeneral(std::u16string_view line, const CharClasses& classes, ScanState& state,
                      float& tally, bool lineEnds) {
  const float lineStartTally = tally;
  float t = tally;
  bool inQuote = state.inQuote;
  bool inApos = state.inApos;
  bool inWord = state.inWord;
  int opRun = state.opRun;
  std::uint64_t word = state.word;
  std::uint32_t wordLength = state.wordLength;
  bool inComment = state.inComment;
  bool slashPending = false;

  // A character that is neither a word nor an operator character ends the
  // pending word and settles a lone operator.
  const auto endWordAndSettle = [&](ScanClass cls) {
    if (inWord) {
      inWord = false;
      t += WeightOf(word, wordLength, cls == ScanClass::kParen);
      if (cls == ScanClass::kColon) t -= 1.0f;
      word = 0;
      wordLength = 0;
    }
    if (opRun > 0) {
      opRun = 0;
      t += 0.5f;
    }
  };

  // An operator character ends the pending word; two make a pair.
  const auto operatorStep = [&](ScanClass cls) {
    if (inWord) {
      inWord = false;
      t += WeightOf(word, wordLength, false);
      word = 0;
      wordLength = 0;
    }
    if (++opRun == 2) {
      t += 0.5f;
      opRun = 0;
      if (cls == ScanClass::kMinus) t += 0.5f;
    }
  };

  const std::size_t size = line.size();

  // A "/" starts a comment when the next character that is not a blank is
  // "/" too; at the end of a part of a line the next part decides.
  enum class Slash { kComment, kCharacter, kUndecided };
  const auto slashAt = [&](std::size_t slash) {
    for (std::size_t j = slash + 1; j < size; ++j) {
      if (line[j] == u' ' || line[j] == u'\t') continue;
      return line[j] == u'/' ? Slash::kComment : Slash::kCharacter;
    }
    return lineEnds ? Slash::kCharacter : Slash::kUndecided;
  };

  std::size_t i = 0;
  if (inComment) {
    i = size;
  } else if (state.slashPending) {
    // The "/" that ended the previous part. Blanks change nothing, so it
    // takes effect here as it would have there.
    while (i < size && (line[i] == u' ' || line[i] == u'\t')) ++i;
    if (i < size && line[i] == u'/') {
      inComment = true;
      i = size;
    } else if (i == size && !lineEnds) {
      slashPending = true;
    } else if (!inQuote && !inApos) {
      operatorStep(ScanClass::kSlash);
    }
  }

  while (i < size) {
    char16_t c = line[i++];

    if (inQuote || inApos) {
      // Inside a quoted stretch only quotes and comment markers count.
      if (c == u'#') {
        inComment = true;
        break;
      }
      if (c == u'/') {
        const Slash slash = slashAt(i - 1);
        inComment = slash == Slash::kComment;
        slashPending = slash == Slash::kUndecided;
        if (slash != Slash::kCharacter) break;
        continue;
      }
      if (c == u'"') {
        if (!inQuote) {
          inQuote = true;  // a double quote opens a stretch even between apostrophes
          continue;
        }
        t += 1.0f;
        inQuote = false;
        if (inApos) continue;
      } else if (inQuote || c != u'\'') {
        continue;
      } else {
        t += 2.0f;
        inApos = false;
      }
      // The closing character goes on as one that is neither a word nor an
      // operator character.
      endWordAndSettle(ScanClass::kOther);
      continue;
    }

    const ScanClass cls = ClassOf(classes, c);
    switch (cls) {
      case ScanClass::kBlank:
        continue;
      case ScanClass::kHash:
        inComment = true;
        i = size;
        continue;
      case ScanClass::kQuote:
        inQuote = true;
        continue;
      case ScanClass::kApos:
        inApos = true;
        continue;
      case ScanClass::kWord:
        if (opRun > 0) {
          opRun = 0;
          t += 0.5f;
        }
        inWord = true;
        AppendToWord(word, wordLength, c);
        // The rest of the word; blanks do not part it.
        while (i < size) {
          c = line[i];
          const ScanClass next = ClassOf(classes, c);
          if (next == ScanClass::kWord) {
            AppendToWord(word, wordLength, c);
          } else if (next != ScanClass::kBlank) {
            break;
          }
          ++i;
        }
        continue;
      case ScanClass::kSlash:
        if (const Slash slash = slashAt(i - 1); slash != Slash::kCharacter) {
          inComment = slash == Slash::kComment;
          slashPending = slash == Slash::kUndecided;
          i = size;
          continue;
        }
        [[fallthrough]];
      case ScanClass::kOperator:
      case ScanClass::kMinus:
        operatorStep(cls);
        continue;
      case ScanClass::kParen:
      case ScanClass::kColon:
      case ScanClass::kOther:
        endWordAndSettle(cls);
        continue;
    }
  }

  state.inQuote = inQuote;
  state.inApos = inApos;
  state.inWord = inWord;
  state.opRun = opRun;
  state.word = word;
  state.wordLength = wordLength;
  // Neither outlives the line.
  state.inComment = inComment && !lineEnds;
  state.slashPending = slashPending;
  tally = t;
  return t - lineStartTally;
}

}  // namespace vorrik

#include "fast_scan.h"

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// The bit-mask path needs SSE2 (every x86-64 processor) and popcnt, bmi and
// bmi2 with a fast pext, which it checks for at run time: built for any
// x86-64, it is used where the processor has them.
#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#include <cpuid.h>
#include <emmintrin.h>
#include <immintrin.h>
#define VORRIK_FAST_SCAN 1
#define VORRIK_FAST_TARGET __attribute__((target("popcnt,bmi,bmi2")))
#endif

#include "normalise.h"
#include "tally.h"

namespace vorrik {

#ifdef VORRIK_FAST_SCAN

namespace {

using Word64 = std::uint64_t;
__extension__ typedef unsigned __int128 Word128;

enum Class {
  kBlank, kWord, kOp, kMinus, kSlash, kHash, kParen, kColon, kQuote, kApos, kInitial, kClasses
};

/// One bit per character of a line, by what the character is, for lines of
/// up to 64 (Word64) or 128 (Word128) characters.
template <typename Mask>
struct LineMasks {
  Mask bits[kClasses];
  // The line's characters as bytes (saturated: anything above 255 reads as
  // 255, which is nothing the rules know), with room for 8-byte reads.
  alignas(16) unsigned char bytes[kFastScanMaxLength + 16];

  Mask Get(Class c) const { return bits[c]; }
};

// x in [lo, hi], byte by byte, unsigned.
inline __m128i InRange(__m128i x, char lo, char hi) {
  const __m128i offset = _mm_sub_epi8(x, _mm_set1_epi8(lo));
  return _mm_cmpeq_epi8(_mm_subs_epu8(offset, _mm_set1_epi8(static_cast<char>(hi - lo))),
                        _mm_setzero_si128());
}

inline __m128i Equals(__m128i x, char c) { return _mm_cmpeq_epi8(x, _mm_set1_epi8(c)); }

/// Classifies the 16 characters at chars into chunk `chunk` (bits 16 * chunk
/// on) of the masks, dropping the first `skip` of them: the last chunk of a
/// line overlaps the one before it. Chunk 0 sets the masks, later chunks add
/// to them, so nothing needs clearing first.
template <typename Mask>
__attribute__((always_inline)) inline void Classify(const char16_t* chars, int chunk, int skip,
                                                    LineMasks<Mask>& masks) {
  const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars));
  const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + 8));
  // Unsigned saturation: 0x100-0x7FFF become 0xFF and 0x8000-0xFFFF become
  // 0; neither is a character the rules name.
  const __m128i v = _mm_packus_epi16(low, high);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(masks.bytes + 16 * chunk - skip), v);

  const __m128i folded = _mm_or_si128(v, _mm_set1_epi8(0x20));
  const __m128i word =
      _mm_or_si128(_mm_or_si128(InRange(folded, 'a', 'z'), InRange(v, '0', '9')),
                   _mm_or_si128(Equals(v, '_'), Equals(v, '.')));
  const __m128i minus = Equals(v, '-');
  const __m128i slash = Equals(v, '/');
  const __m128i op = _mm_or_si128(
      _mm_or_si128(_mm_or_si128(InRange(v, '<', '>'), InRange(v, '*', '+')),
                   _mm_or_si128(minus, slash)),
      _mm_or_si128(_mm_or_si128(Equals(v, '!'), Equals(v, '&')), Equals(v, '|')));
  const auto store = [&](Class c, __m128i m) {
    const Mask piece = static_cast<Mask>(static_cast<unsigned>(_mm_movemask_epi8(m)) >> skip)
                       << (16 * chunk);
    masks.bits[c] = chunk == 0 ? piece : masks.bits[c] | piece;
  };
  store(kBlank, _mm_or_si128(Equals(v, ' '), Equals(v, '\t')));
  store(kWord, word);
  store(kOp, op);
  store(kMinus, minus);
  store(kSlash, slash);
  store(kHash, Equals(v, '#'));
  store(kParen, Equals(v, '('));
  store(kColon, Equals(v, ':'));
  store(kQuote, Equals(v, '"'));
  store(kApos, Equals(v, '\''));
  // The first letters of the keywords, in either case.
  store(kInitial, _mm_or_si128(_mm_or_si128(Equals(folded, 'i'), Equals(folded, 'e')),
                               _mm_or_si128(_mm_or_si128(Equals(folded, 'f'), Equals(folded, 'w')),
                                            Equals(folded, 'r'))));
}

template <typename Mask>
__attribute__((always_inline)) inline void BuildMasks(std::u16string_view line,
                                                      LineMasks<Mask>& masks) {
  const char16_t* const chars = line.data();
  const std::size_t length = line.size();
  if (length >= 16) {
    // Whole chunks in place; the last one ends at the line's end and
    // overlaps the one before. Nothing is read outside the line.
    int chunk = 0;
    for (; 16 * static_cast<std::size_t>(chunk) + 16 <= length; ++chunk)
      Classify(chars + 16 * chunk, chunk, 0, masks);
    const auto covered = 16 * static_cast<std::size_t>(chunk);
    if (covered < length)
      Classify(chars + length - 16, chunk, static_cast<int>(covered + 16 - length), masks);
  } else {
    alignas(16) char16_t shortLine[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(shortLine), _mm_setzero_si128());
    _mm_store_si128(reinterpret_cast<__m128i*>(shortLine + 8), _mm_setzero_si128());
    if (length > 0) std::memcpy(shortLine, chars, length * sizeof(char16_t));
    Classify(shortLine, 0, 0, masks);
  }
  // Zeros after the line, so that 8-byte reads near its end are defined.
  _mm_storeu_si128(reinterpret_cast<__m128i*>(masks.bytes + length), _mm_setzero_si128());
}

// Bit operations on both widths: lines of up to 64 characters take 64-bit
// masks, longer ones 128-bit masks.
VORRIK_FAST_TARGET inline int Popcount(Word64 x) { return std::popcount(x); }
VORRIK_FAST_TARGET inline int Popcount(Word128 x) {
  return std::popcount(static_cast<Word64>(x)) + std::popcount(static_cast<Word64>(x >> 64));
}
VORRIK_FAST_TARGET inline int CountTrailingZeros(Word64 x) { return std::countr_zero(x); }
VORRIK_FAST_TARGET inline int CountTrailingZeros(Word128 x) {
  const auto low = static_cast<Word64>(x);
  return low != 0 ? std::countr_zero(low) : 64 + std::countr_zero(static_cast<Word64>(x >> 64));
}
VORRIK_FAST_TARGET inline Word64 Compress(Word64 x, Word64 keep) { return _pext_u64(x, keep); }
VORRIK_FAST_TARGET inline Word128 Compress(Word128 x, Word128 keep) {
  const auto keepLow = static_cast<Word64>(keep);
  const Word64 low = _pext_u64(static_cast<Word64>(x), keepLow);
  const Word64 high = _pext_u64(static_cast<Word64>(x >> 64), static_cast<Word64>(keep >> 64));
  return low | static_cast<Word128>(high) << std::popcount(keepLow);
}
/// The position in the line of the kept character with index `index`.
VORRIK_FAST_TARGET inline int Expand(int index, Word64 keep) {
  return std::countr_zero(_pdep_u64(Word64{1} << index, keep));
}
VORRIK_FAST_TARGET inline int Expand(int index, Word128 keep) {
  const auto keepLow = static_cast<Word64>(keep);
  const int lowCount = std::popcount(keepLow);
  if (index < lowCount) return Expand(index, keepLow);
  return 64 + Expand(index - lowCount, static_cast<Word64>(keep >> 64));
}

/// Bit i of the result: the parity of the bits of x up to and including i.
template <typename Mask>
inline Mask PrefixXor(Mask x) {
  for (int shift = 1; shift < static_cast<int>(8 * sizeof(Mask)); shift *= 2) x ^= x << shift;
  return x;
}

template <typename Mask>
constexpr Mask Repeat(Word64 pattern) {
  if constexpr (sizeof(Mask) == 8) return pattern;
  else return static_cast<Mask>(pattern) << 64 | pattern;
}


// Hot path: most code lines take it on each keystroke; measured by
// bench/analysis_bench.cpp. The line's masks are compressed to the characters
// of its normLine (blanks and the comment dropped), where words and operator
// runs are runs of set bits, and the weights are counted in halves with
// popcounts.
template <typename Mask>
VORRIK_FAST_TARGET bool ScanWithMasks(std::u16string_view line, ScanState& state, float& tally,
                                      float& lineDelta) {
  LineMasks<Mask> m;
  BuildMasks(line, m);
  constexpr int kBits = 8 * sizeof(Mask);
  const auto length = static_cast<int>(line.size());
  const Mask all = ~Mask{0};
  const Mask valid = length == kBits ? all : (Mask{1} << length) - 1;

  // The comment cut: the first "#", or the first "/" if it starts a comment.
  const auto hash = m.Get(kHash) & valid;
  int cut = hash != 0 ? CountTrailingZeros(hash) : length;
  if (const Mask slashes = m.Get(kSlash) & valid) {
    const int first = CountTrailingZeros(slashes);
    if (first < cut) {
      if (!SlashStartsComment(line, static_cast<std::size_t>(first))) return false;  // a division
      cut = first;
    }
  }
  const Mask inLine = cut == kBits ? valid : valid & ((Mask{1} << cut) - 1);

  // Quoted stretches of one kind: each weighs 1 ("...") or 2 ('...') at its
  // closing character, which then goes on as a character that is neither a
  // word nor an operator character; the opening one and what lies between
  // count for nothing, not even ending a word. A stretch left open, or both
  // kinds in one line, go to the general scanner.
  const Mask quotes = m.Get(kQuote) & inLine;
  const Mask apostrophes = m.Get(kApos) & inLine;
  Mask hidden = 0;
  int halves = 0;
  if (quotes | apostrophes) {
    if ((quotes != 0 && apostrophes != 0) || (Popcount(quotes | apostrophes) & 1)) return false;
    // Bit i: an odd number of quote characters up to i, which holds from each
    // opening character up to, not including, its closing one.
    hidden = PrefixXor(quotes | apostrophes);
    halves += Popcount((quotes | apostrophes) & ~hidden) * (quotes != 0 ? 2 : 4);
  }

  const Mask keep = inLine & ~m.Get(kBlank) & ~hidden;  // what the rules step through
  const int count = Popcount(keep);
  if (count == 0) {
    lineDelta = 0.0f;
    return true;
  }
  const Mask word = Compress(m.Get(kWord), keep);
  const Mask op = Compress(m.Get(kOp), keep);
  const int last = count - 1;
  if ((word >> last) & 1) return false;  // a word still open at the end

  // Each character that ends a word: 1 for the word, .5 more for "(", 1 less
  // for ":".
  const Mask paren = Compress(m.Get(kParen), keep);
  const Mask present = count == kBits ? all : (Mask{1} << count) - 1;
  const Mask wordEnds = present & ~word & (word << 1);
  halves += 2 * Popcount(wordEnds) + Popcount(wordEnds & paren) -
            2 * Popcount(wordEnds & Compress(m.Get(kColon), keep));

  // Keywords weigh otherwise, and "(" adds nothing to them. Only words that
  // begin with a keyword's first letter are looked at.
  const Mask initials = Compress(m.Get(kInitial), keep);
  for (Mask starts = word & ~(word << 1) & initials; starts != 0; starts &= starts - 1) {
    const int start = CountTrailingZeros(starts);
    const int end = start + CountTrailingZeros(wordEnds >> start);
    const int wordLength = end - start;
    if (wordLength > 6) continue;
    const int from = Expand(start, keep);
    if (Expand(end - 1, keep) - from != wordLength - 1) return false;  // parted by blanks
    // Eight bytes from memory hold the first character lowest; reversed and
    // shifted they are packed as the scanner packs a word. Lower-cased as the
    // scanner does it ("_" becomes 0x7F, which no keyword holds).
    Word64 bytes;
    std::memcpy(&bytes, m.bytes + from, sizeof bytes);
    const Word64 packed = __builtin_bswap64(bytes | 0x2020202020202020u) >> (64 - 8 * wordLength);
    if (const int keywordHalves = KeywordHalves(packed))
      halves += keywordHalves - 2 - static_cast<int>((paren >> end) & 1);
  }

  // Operator runs are weighed in pairs from their first character: the
  // second of each pair (odd offsets in the run) adds .5, and 1 if it is "-";
  // an odd run's last character is settled for .5 by whatever follows it.
  const Mask evenBits = Repeat<Mask>(0x5555555555555555u);
  const Mask oddBits = Repeat<Mask>(0xAAAAAAAAAAAAAAAAu);
  const Mask runStarts = op & ~(op << 1);
  const Mask evenRuns = ((op + (runStarts & evenBits)) ^ op) & op;
  const Mask pairEnds = (evenRuns & oddBits) | (op & ~evenRuns & evenBits);
  halves += Popcount(pairEnds) +
            Popcount(pairEnds & Compress(m.Get(kMinus), keep));
  const Mask lone = op & ~(op >> 1) & ~pairEnds;
  const int loneAtEnd = static_cast<int>((lone >> last) & 1);
  halves += Popcount(lone) - loneAtEnd;

  state.opRun = loneAtEnd;
  lineDelta = static_cast<float>(halves) * 0.5f;
  tally += lineDelta;
  return true;
}

// pext and pdep are fast on Intel processors since 2013 and on AMD ones from
// family 19h (2020) on; older AMD processors (and Hygon's, built on them) run
// them in microcode, slower than the general scanner.
bool HasFastBitManipulation() {
  if (!__builtin_cpu_supports("popcnt") || !__builtin_cpu_supports("bmi") ||
      !__builtin_cpu_supports("bmi2"))
    return false;
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx)) return false;
  const bool amd = ebx == 0x68747541 && edx == 0x69746e65 && ecx == 0x444d4163;  // "AuthenticAMD"
  const bool hygon = ebx == 0x6f677948 && edx == 0x6e65476e && ecx == 0x656e6975;  // "HygonGenuine"
  if (hygon) return false;
  if (!amd) return true;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  const unsigned family = ((eax >> 8) & 0xF) + (((eax >> 8) & 0xF) == 0xF ? (eax >> 20) & 0xFF : 0);
  return family >= 0x19;
}

bool SwitchedOff() {
  const char* const value = std::getenv("VORRIK_NO_FAST_SCAN");
  return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

}  // namespace

bool FastScanAvailable() {
  static const bool available = !SwitchedOff() && HasFastBitManipulation();
  return available;
}

bool ScanLineFast(std::u16string_view line, ScanState& state, float& tally, float& lineDelta) {
  static const bool available = FastScanAvailable();
  if (!available || line.size() > kFastScanMaxLength || state.inQuote || state.inApos ||
      state.inWord || state.opRun != 0 || !(tally < 4194304.0f && tally > -4194304.0f))
    return false;
  if (line.size() <= 64) return ScanWithMasks<Word64>(line, state, tally, lineDelta);
  return ScanWithMasks<Word128>(line, state, tally, lineDelta);
}

#else

bool ScanLineFast(std::u16string_view, ScanState&, float&, float&) { return false; }

bool FastScanAvailable() { return false; }

#endif

}  // namespace vorrik

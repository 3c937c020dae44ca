#include "normalise.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vorrik {

std::u16string_view NormaliseLine(std::u16string_view line, std::vector<char16_t>& buffer) {
  if (buffer.size() < line.size()) buffer.resize(line.size());
  char16_t* const out = buffer.data();
  std::size_t length = 0;
  for (char16_t c : line) {
    if (c == u' ' || c == u'\t') continue;
    if (c == u'#') break;
    // Blanks are removed before the marker search, so "/ /" is a marker too:
    // compare with the last character kept, not the last one read.
    if (c == u'/' && length > 0 && out[length - 1] == u'/') {
      --length;
      break;
    }
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
    out[length++] = c;
  }
  return {out, length};
}

bool NormalisesTo(std::u16string_view line, std::u16string_view word) {
  std::size_t matched = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char16_t c = line[i];
    if (c == u' ' || c == u'\t') continue;
    if (c == u'#' || (c == u'/' && SlashStartsComment(line, i))) break;
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
    if (matched == word.size() || c != word[matched]) return false;
    ++matched;
  }
  return matched == word.size();
}

namespace {

// Index of the first character that is not a blank or tab, or the size.
std::size_t SkipBlanks(std::u16string_view line) {
  std::size_t i = 0;
#if defined(__SSE2__)
  // Eight characters a step: the leading blanks of a line are a short run of
  // varying length, which a loop of single steps mispredicts at its end.
  for (; i + 8 <= line.size(); i += 8) {
    const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + i));
    const __m128i blanks = _mm_or_si128(_mm_cmpeq_epi16(chars, _mm_set1_epi16(' ')),
                                        _mm_cmpeq_epi16(chars, _mm_set1_epi16('\t')));
    const auto others = ~static_cast<unsigned>(_mm_movemask_epi8(blanks)) & 0xFFFFu;
    if (others != 0) return i + static_cast<std::size_t>(__builtin_ctz(others)) / 2;
  }
#endif
  while (i < line.size() && (line[i] == u' ' || line[i] == u'\t')) ++i;
  return i;
}

}  // namespace

SectionWord SectionWordOf(std::u16string_view line) {
  const std::size_t first = SkipBlanks(line);
  if (first == line.size()) return SectionWord::kNone;
  // Only "e" and "E" become "e" with bit 5 set; likewise for "c".
  const auto folded = static_cast<char16_t>(line[first] | 0x20);
  if (folded == u'e') return NormalisesTo(line.substr(first), u"end") ? SectionWord::kEnd : SectionWord::kNone;
  if (folded == u'c') return NormalisesTo(line.substr(first), u"code") ? SectionWord::kCode : SectionWord::kNone;
  return SectionWord::kNone;
}

void SectionWordMatcher::feed(char16_t c) {
  if (cut_ || c == u' ' || c == u'\t') return;
  if (slashPending_) {
    slashPending_ = false;
    if (c == u'/') {
      cut_ = true;
      return;
    }
    if (length_ < 5) norm_[length_++] = u'/';
  }
  if (c == u'#') {
    cut_ = true;
  } else if (c == u'/') {
    slashPending_ = true;
  } else if (length_ < 5) {
    norm_[length_++] = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
  }
}

namespace {

SectionWord WordOf(std::u16string_view norm) {
  if (norm == u"end") return SectionWord::kEnd;
  if (norm == u"code") return SectionWord::kCode;
  return SectionWord::kNone;
}

}  // namespace

bool SectionWordMatcher::settled() const {
  if (cut_) return true;
  const std::u16string_view norm(norm_, static_cast<std::size_t>(length_));
  // A "/" still to come, or a character that no section word has there,
  // leaves nothing to match but at most a whole word followed by a comment.
  const bool prefix = std::u16string_view(u"end").starts_with(norm) || std::u16string_view(u"code").starts_with(norm);
  return !prefix || (slashPending_ && WordOf(norm) == SectionWord::kNone);
}

SectionWord SectionWordMatcher::result() const {
  if (slashPending_ && !cut_) return SectionWord::kNone;  // "/" ends normLine, which no section word does
  return WordOf(std::u16string_view(norm_, static_cast<std::size_t>(length_)));
}

}  // namespace vorrik

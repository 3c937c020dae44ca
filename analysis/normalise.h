#pragma once

#include <string_view>
#include <vector>

namespace vorrik {

/// Reduces one line to its normLine: "A"-"Z" lower-cased, every blank and tab
/// removed, and everything from the first "//" or "#" on cut off. The result is
/// written into buffer (grown as needed, never shrunk) and returned as a view
/// of it.
std::u16string_view NormaliseLine(std::u16string_view line, std::vector<char16_t>& buffer);

/// True when NormaliseLine(line) equals word, a lower-case text without blanks
/// or comment markers. Decided without building normLine, and usually at the
/// line's first character that is not a blank.
bool NormalisesTo(std::u16string_view line, std::u16string_view word);

/// Which section word a line reads, if any.
enum class SectionWord { kNone, kEnd, kCode };

/// The section word of a line as stored: kEnd when its normLine is "end",
/// kCode when it is "code". Decided at the first character that is not a
/// blank for almost every line.
SectionWord SectionWordOf(std::u16string_view line);

/// SectionWordOf for a line that comes a character at a time, as a long
/// line read in parts does: feed() each character in order; settled() once
/// the characters so far decide the result, which result() gives (at the
/// line's end it is final in any case).
class SectionWordMatcher {
 public:
  void feed(char16_t c);
  bool settled() const;
  SectionWord result() const;

 private:
  // normLine so far, while it can still be a section word (longer ones
  // count as five characters, enough to tell).
  char16_t norm_[5] = {};
  int length_ = 0;
  bool slashPending_ = false;  // a "/" that a "/" next makes a comment marker
  bool cut_ = false;           // a comment has begun
};

/// True when the "/" at line[slash] starts a comment: the next character that
/// is not a blank or tab is "/" too.
inline bool SlashStartsComment(std::u16string_view line, std::size_t slash) {
  for (std::size_t i = slash + 1; i < line.size(); ++i) {
    if (line[i] == u' ' || line[i] == u'\t') continue;
    return line[i] == u'/';
  }
  return false;
}

}  // namespace vorrik

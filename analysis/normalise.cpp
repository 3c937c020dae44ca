#include "normalise.h"

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

}  // namespace vorrik

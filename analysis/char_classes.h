#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vorrik {

/// What the scanner does with a character of a line as stored.
enum class ScanClass : std::uint8_t {
  kOther,     // ends a word and settles a lone operator: ( ) ; , { } and the rest
  kParen,     // "(": as kOther, and a word it ends may weigh .5 more
  kColon,     // ":": as kOther, and a word it ends weighs 1 less
  kWord,      // in wordChars, or "A"-"Z", which lower-casing brings into it
  kOperator,  // in operatorChars, except "-" and "/"
  kMinus,     // "-": an operator that makes a pair it closes weigh 1
  kSlash,     // "/": an operator, or with a second "/" the start of a comment
  kHash,      // "#": the start of a comment
  kBlank,     // blank or tab: removed before anything else looks at the line
  kQuote,     // double quote
  kApos,      // apostrophe
};

/// The two fixed character sets of the scanner, plus a lookup table built
/// from them so that classifying a character costs one load.
struct CharClasses {
  std::u16string operatorChars;  // "+-*/!=<>&|"
  std::u16string wordChars;      // a-z, 0-9, "_", "."

  std::array<ScanClass, 128> scanClass{};  // by character code; codes >= 128 are kOther
};

/// Fills both sets (and the lookup tables) with their fixed contents.
/// Calling it again stores the same values.
void InitCharClasses(CharClasses& classes);

/// The scanner's class of c.
inline ScanClass ClassOf(const CharClasses& classes, char16_t c) {
  return c < 128 ? classes.scanClass[c] : ScanClass::kOther;
}

/// True when c occurs in wordChars, as the scanner's table has it.
inline bool IsWordChar(const CharClasses& classes, char16_t c) {
  return ClassOf(classes, c) == ScanClass::kWord && !(c >= u'A' && c <= u'Z');
}

/// True when c occurs in operatorChars, as the scanner's table has it.
inline bool IsOperatorChar(const CharClasses& classes, char16_t c) {
  const ScanClass cls = ClassOf(classes, c);
  return cls == ScanClass::kOperator || cls == ScanClass::kMinus || cls == ScanClass::kSlash;
}

}  // namespace vorrik

#pragma once

#include <string>
#include <string_view>

#include "analysis/char_classes.h"
#include "analysis/normalise.h"
#include "analysis/tally.h"

namespace vorrik {

/// The whole-file tally of a script read as a stream, a line at a time or,
/// for a line too long to hold, in parts: the same tally as a Baseline run
/// over the same lines, with nothing kept from line to line but the scan
/// state and the code section flag.
class WholeFileTally {
 public:
  explicit WholeFileTally(const CharClasses& classes) : classes_(classes) {}

  /// The next line, whole.
  void addLine(std::u16string_view line);
  /// A part of the next line; more parts may follow, and endLine() ends it.
  void addPart(std::u16string_view part);
  /// Ends the line whose parts addPart() was given (an empty one if none).
  void endLine();

  float tally() const { return tally_; }

 private:
  /// The section word of the line in parts is known: scan what was held.
  void settle(SectionWord word);

  const CharClasses& classes_;
  ScanState state_;
  bool inCode_ = false;
  float tally_ = 0.0f;

  // The line being read in parts.
  bool inLine_ = false;
  bool settled_ = false;   // its section word is known
  bool scanning_ = false;  // it lies in the code section
  SectionWordMatcher section_;
  // Until the section word is known, the line's characters other than
  // blanks (which the scanner skips): a few at most, since a section word is
  // short.
  std::u16string held_;
};

}  // namespace vorrik

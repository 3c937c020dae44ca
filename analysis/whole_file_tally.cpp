#include "analysis/whole_file_tally.h"

namespace vorrik {

void WholeFileTally::addLine(std::u16string_view line) {
  const SectionWord word = SectionWordOf(line);
  if (inCode_ && word == SectionWord::kEnd) inCode_ = false;
  if (inCode_) ScanLine(line, classes_, state_, tally_);
  if (word == SectionWord::kCode) inCode_ = true;
}

void WholeFileTally::settle(SectionWord word) {
  settled_ = true;
  if (inCode_ && word == SectionWord::kEnd) inCode_ = false;
  scanning_ = inCode_;
  if (scanning_) ScanLineGeneral(held_, classes_, state_, tally_, false);
  if (word == SectionWord::kCode) inCode_ = true;
}

void WholeFileTally::addPart(std::u16string_view part) {
  if (!inLine_) {
    inLine_ = true;
    settled_ = false;
    section_ = SectionWordMatcher();
    held_.clear();
  }
  std::size_t i = 0;
  while (!settled_ && i < part.size()) {
    const char16_t c = part[i++];
    section_.feed(c);
    if (c != u' ' && c != u'\t') held_ += c;
    if (section_.settled()) settle(section_.result());
  }
  if (scanning_ && i < part.size()) ScanLineGeneral(part.substr(i), classes_, state_, tally_, false);
}

void WholeFileTally::endLine() {
  if (!inLine_) {
    addLine({});
    return;
  }
  if (!settled_) settle(section_.result());
  if (scanning_) ScanLineGeneral({}, classes_, state_, tally_, true);
  inLine_ = false;
  scanning_ = false;
}

}  // namespace vorrik

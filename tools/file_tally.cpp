#include "tools/file_tally.h"

namespace vorrik {

void FileTally::lineBytes(std::string_view bytes) {
  const std::size_t start = line_.size();
  line_.resize(start + bytes.size());
  DecodeBytes(bytes, line_.data() + start);
  if (line_.size() > wholeLineLimit_) {
    tally_.addPart(line_);
    line_.clear();
    inParts_ = true;
  }
}

void FileTally::lineEnd() {
  if (inParts_) {
    tally_.addPart(line_);
    tally_.endLine();
    inParts_ = false;
  } else {
    tally_.addLine(line_);
  }
  line_.clear();
}

float FileTally::finish() {
  splitter_.finish(*this);
  return tally_.tally();
}

}  // namespace vorrik

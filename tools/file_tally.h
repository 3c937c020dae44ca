#pragma once

#include <string>
#include <string_view>

#include "analysis/char_classes.h"
#include "analysis/whole_file_tally.h"
#include "document/script_bytes.h"
#include "document/script_file.h"

namespace vorrik {

/// The whole-file tally of a script's bytes fed block by block, holding no
/// more than a block and a bounded piece of the current line: a line up to
/// kWholeLineLimit characters goes to the engine whole (and may take the
/// fast path), a longer one in parts. The tally is the engine's, exactly.
class FileTally : public ScriptSink {
 public:
  static constexpr std::size_t kWholeLineLimit = 1 << 16;

  /// A line longer than wholeLineLimit goes on in parts (tests set a small one).
  explicit FileTally(const CharClasses& classes, std::size_t wholeLineLimit = kWholeLineLimit)
      : tally_(classes), wholeLineLimit_(wholeLineLimit) {}

  /// Before the first block: lines end as ends says.
  void opened(std::size_t, LineEnds ends) override { splitter_ = LineSplitter(ends); }
  /// The next block of the file's bytes.
  void block(std::string_view bytes) override { splitter_.feed(bytes, *this); }
  /// After the last block: the tally of the whole file.
  float finish();

  // The splitter's sink.
  void lineBytes(std::string_view bytes);
  void lineEnd();

 private:
  WholeFileTally tally_;
  std::size_t wholeLineLimit_;
  LineSplitter splitter_;
  std::u16string line_;  // the decoded line, or the part not yet given on
  bool inParts_ = false;  // parts of the line have been given on
};

}  // namespace vorrik

#include "tools/file_tally.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "analysis/analyse.h"

namespace vorrik {
namespace {

/// The lines of a store, as the engine's line list.
class StoreLines : public LineList {
 public:
  explicit StoreLines(const LineStore& store) : store_(store) {}
  int count() const override { return store_.count(); }
  std::u16string_view text(int i) const override { return store_.line(i); }
  void setText(int, std::u16string_view) override { ADD_FAILURE() << "a whole-file tally writes no line"; }
  int focusedIndex() const override { return -1; }
  int selectedCount() const override { return 0; }

 private:
  const LineStore& store_;
};

// Random scripts with lines longer than a block or the whole-line limit
// (here set small; comments, quotes, "/" and section words among the
// pieces, with CR LF, LF or CR line ends), read in random blocks: the streamed
// tally is the engine's Baseline over the same lines.
TEST(FileTally, AgreesWithABaselineRun) {
  const std::vector<std::string> pieces = {
      "code", "end", "CODE", " ", "\t", "x", "if(", "return", "=", "-", "+", "/", "/ /", "#", "\"", "'",
      ";", ":", "\r", "\r\n", "\n", "\xe9"};
  std::mt19937 random(5);
  AnalysisEngine engine;
  for (int run = 0; run < 3000; ++run) {
    std::string bytes = random() % 2 == 0 ? "code\r\n" : "code\n";
    const std::size_t size = random() % 2000;
    while (bytes.size() < size) {
      // Stretches of one piece make lines past the limit.
      const std::string& piece = pieces[random() % pieces.size()];
      for (auto n = random() % 4 == 0 ? 1 + random() % 40 : 1; n > 0; --n) bytes += piece;
    }
    const LineStore store = LineStore::FromBytes(bytes);
    StoreLines lines(store);
    engine.AnalyseLines(lines, AnalysisMode::Baseline);

    FileTally streamed(engine.charClasses(), 1 + random() % 64);
    BytesSource source(bytes, 1 + random() % 300);
    ReadScriptBlocks(source, bytes.size(), streamed);
    ASSERT_EQ(streamed.finish(), engine.baselineTally) << "run " << run;
  }
}

}  // namespace
}  // namespace vorrik

#include "analysis/recount_cache.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "analysis/analyse.h"
#include "analysis/test_lines.h"

namespace vorrik {
namespace {

using testing::RandomLine;
using testing::VectorLines;

/// Lines made by a rule, but for those set: a script of half a million lines
/// without holding them.
class RuleLines : public VectorLines {
 public:
  RuleLines(int count, std::u16string_view (*rule)(int)) : count_(count), rule_(rule) {}
  int count() const override { return count_; }
  std::u16string_view text(int i) const override {
    const auto set = set_.find(i);
    return set == set_.end() ? rule_(i) : set->second;
  }
  void setText(int i, std::u16string_view text) override {
    set_[i] = text;
    if (cache != nullptr) cache->lineChanged(i);
  }

 private:
  int count_;
  std::u16string_view (*rule_)(int);
  std::map<int, std::u16string> set_;
};

/// The same lines twice, one with a recount cache: each edit goes to both,
/// and each recount through the cache must be the whole-list run's, bit for
/// bit.
template <typename Lines>
struct TwoLists {
  template <typename... Args>
  explicit TwoLists(int blockLines, const Args&... lines) : cache(blockLines), cached(lines...), plain(lines...) {
    cached.cache = &cache;
  }
  void set(int i, std::u16string_view text) {
    cached.setText(i, text);
    plain.setText(i, text);
  }
  void recount() {
    cached.reads = 0;
    cachedEngine.AnalyseLines(cached, AnalysisMode::Recount);
    plainEngine.AnalyseLines(plain, AnalysisMode::Recount);
    const float got = cachedEngine.currentTally;
    const float want = plainEngine.currentTally;
    EXPECT_EQ(std::bit_cast<std::uint32_t>(got), std::bit_cast<std::uint32_t>(want)) << got << " for " << want;
  }

  RecountCache cache;
  Lines cached;
  Lines plain;
  AnalysisEngine cachedEngine;
  AnalysisEngine plainEngine;
};

// Random scripts of a few blocks (of 1 to 7 lines, or 128), and random
// edits: a keystroke, a new line, a lone quote that changes the state of
// every line after it, a "code" or "end" line, several lines at once, a rip.
TEST(RecountCache, RandomEditsMatchTheWholeListRun) {
  const std::vector<std::u16string> pieces = {u"a", u"if", u"else", u"return", u"while", u"Go_1", u" ", u"(", u")",
                                              u":", u";",  u"\"",   u"'",      u"+",     u"-",    u"=", u"/", u"//",
                                              u"#", u"code", u"end"};
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    const auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const int blockLines = seed % 3 == 0 ? RecountCache::kBlockLines : 1 + static_cast<int>(seed % 7);
    std::vector<std::u16string> script(static_cast<std::size_t>(1 + below(5 * blockLines + 9)));
    for (auto& text : script) text = RandomLine(random, pieces, 8);
    script[0] = u"code";
    TwoLists<VectorLines> lists(blockLines, script);
    lists.recount();
    const int count = lists.plain.count();
    for (int edit = 0; edit < 500; ++edit) {
      for (int n = below(6) == 0 ? 2 + below(3) : 1; n > 0; --n) {
        const int i = below(count);
        std::u16string text(lists.plain.text(i));
        const auto at = static_cast<std::size_t>(below(static_cast<int>(text.size()) + 1));
        switch (below(5)) {
          case 0: text.insert(at, pieces[static_cast<std::size_t>(below(static_cast<int>(pieces.size())))]); break;
          case 1: text.erase(at, 1); break;
          case 2: text = RandomLine(random, pieces, 8); break;
          case 3: text = below(2) == 0 ? u"x = \"open" : u"'"; break;
          case 4: text = below(2) == 0 ? u"End // done" : u" co de"; break;
        }
        lists.set(i, text);
      }
      if (below(20) == 0) {
        const int focus = below(count);
        const int selected = 1 + below(count);
        lists.cachedEngine.AnalyseLines(lists.cached.Select(focus, selected), AnalysisMode::Rip);
        lists.plainEngine.AnalyseLines(lists.plain.Select(focus, selected), AnalysisMode::Rip);
      }
      lists.recount();
      if (::testing::Test::HasFailure()) return;
    }
  }
}

// A recount reads the blocks with a changed line, and after them only those
// whose state at their first line is not as remembered.
TEST(RecountCache, ARecountReadsOnlyWhatTheChangeReaches) {
  std::vector<std::u16string> script(1001, u"a = b;");  // 8 blocks, the last of 105 lines
  script[0] = u"code";
  TwoLists<VectorLines> lists(RecountCache::kBlockLines, script);
  const struct {
    int line;
    const char16_t* text;
    int reads;
  } steps[] = {{0, u"code", 1001},            // the first run reads every line
               {500, u"a = b + c;", 128},     // its block
               {1000, u"b;", 105},            // the last block
               {500, u"a = \"b;", 1001 - 384},  // a quote opened: its block and every one after it
               {700, u"\";", 1001 - 640},       // and closed
               {767, u"else", 256}};          // a word carried into the next block
  for (const auto& step : steps) {
    lists.set(step.line, step.text);
    lists.recount();
    EXPECT_EQ(lists.cached.reads, step.reads) << step.line;
  }
}

// Past 2^23 single precision has no halves: a whole-list run rounds them
// away, and so must the recount, also where an edit raises the tallies of
// lines that it need not scan again.
TEST(RecountCache, TalliesPastSinglePrecisionAreThoseOfTheWholeListRun) {
  // "code", "a;", an "end" that keeps 20 lines of 16 apostrophes (320) out
  // of the code section until "code", lines that take the tally to
  // 2^23 - 255, "x = 1;", and lines that take 200 off again.
  constexpr int kHeavy = 524272;
  const auto rule = [](int i) -> std::u16string_view {
    if (i == 0 || i == 23) return u"code";
    if (i == 1) return u"a;";
    if (i == 2) return u"end";
    if (i < 24 + kHeavy) return u"''''''''''''''''";
    return i == 24 + kHeavy ? u"x = 1;" : u"return:return:";
  };
  TwoLists<RuleLines> lists(RecountCache::kBlockLines, 24 + kHeavy + 201, +rule);
  const struct {
    int line;
    const char16_t* text;
    bool ready;  // within 2^23: the next run may rescan
  } steps[] = {{0, u"code", true}, {2, u"end;", false}, {2, u"end", true}, {24 + kHeavy, u"x = 2;", true}};
  for (const auto& step : steps) {
    lists.set(step.line, step.text);
    lists.recount();
    EXPECT_EQ(lists.cache.ready(), step.ready) << step.line;
  }
}

}  // namespace
}  // namespace vorrik

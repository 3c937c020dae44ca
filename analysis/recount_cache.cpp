#include "analysis/recount_cache.h"

#include <algorithm>
#include <cmath>

#include "analysis/analyse.h"
#include "analysis/normalise.h"

namespace vorrik {

namespace {

// Every multiple of .5 up to 2^23 in magnitude is a float. While every partial
// sum of a whole-list run stays within that, each of its additions is exact,
// and its tally is the exact sum of the block tallies.
constexpr double kExactTally = 8388608.0;
// No character moves the tally by more than this from where it stood before
// the character (a closing apostrophe 2, the word it ends 2, the lone
// operator it settles .5).
constexpr double kMostPerCharacter = 4.5;

enum Flag : std::uint8_t { kInCode = 1, kInQuote = 2, kInApos = 4, kInWord = 8, kOpRun = 16 };

// A tally in halves: exact wherever the cache is used (the difference of two
// tallies need not be a float, so blocks take the difference of these).
std::int64_t Halves(float tally) { return static_cast<std::int64_t>(tally * 2.0f); }

}  // namespace

RecountCache::Checkpoint RecountCache::Save(const ScanState& state, bool inCode) {
  Checkpoint at;
  at.word = state.word;
  at.wordLength = static_cast<std::uint8_t>(state.wordLength);
  at.flags = static_cast<std::uint8_t>((inCode ? kInCode : 0) | (state.inQuote ? kInQuote : 0) |
                                       (state.inApos ? kInApos : 0) | (state.inWord ? kInWord : 0) |
                                       (state.opRun != 0 ? kOpRun : 0));
  return at;
}

void RecountCache::Restore(const Checkpoint& at, ScanState& state, bool& inCode) {
  state = ScanState();
  state.word = at.word;
  state.wordLength = at.wordLength;
  state.inQuote = (at.flags & kInQuote) != 0;
  state.inApos = (at.flags & kInApos) != 0;
  state.inWord = (at.flags & kInWord) != 0;
  state.opRun = (at.flags & kOpRun) != 0 ? 1 : 0;
  inCode = (at.flags & kInCode) != 0;
}

void RecountCache::lineChanged(int i) {
  if (!ready_) return;
  if (i < 0 || i >= lineCount_) return clear();
  const auto b = static_cast<std::uint32_t>(i / blockLines_);
  if (!changed_.empty() && changed_.back() == b) return;
  // Past an eighth of the blocks, scanning them all costs little more.
  if (changed_.size() >= blocks_.size() / 8 + 4) return clear();
  changed_.push_back(b);
}

void RecountCache::clear() {
  ready_ = false;
  changed_.clear();
}

bool RecountCache::Exact() const {
  return maxTally_ + kMostPerCharacter * static_cast<double>(maxLength_) < kExactTally;
}

std::int64_t RecountCache::HalvesBefore(std::size_t b) const {
  std::int64_t sum = 0;
  for (; b > 0; b &= b - 1) sum += sums_[b - 1];
  return sum;
}

void RecountCache::AddHalves(std::size_t b, std::int64_t halves) {
  if (halves == 0) return;
  for (++b; b <= sums_.size(); b += b & (~b + 1)) sums_[b - 1] += halves;
}

// The same walk as a whole-list run of AnalyseLines.
void RecountCache::ScanBlock(std::size_t b, const LineList& lines, const CharClasses& classes, ScanState& state,
                             bool& inCode, float& t) {
  const auto first = static_cast<std::int64_t>(b) * blockLines_;
  const int end = static_cast<int>(std::min<std::int64_t>(lineCount_, first + blockLines_));
  for (auto lineIndex = static_cast<int>(first); lineIndex < end; ++lineIndex) {
    const std::u16string_view line = lines.text(lineIndex);
    const SectionWord section = SectionWordOf(line);
    if (inCode && section == SectionWord::kEnd) inCode = false;
    if (inCode) {
      maxTally_ = std::max(maxTally_, std::fabs(static_cast<double>(t)));
      maxLength_ = std::max(maxLength_, line.size());
      ScanLine(line, classes, state, t);
    }
    if (section == SectionWord::kCode) inCode = true;
  }
}

float RecountCache::Rebuild(const LineList& lines, const CharClasses& classes) {
  ready_ = false;
  lineCount_ = lines.count();
  const auto blockLines = static_cast<std::size_t>(blockLines_);
  const std::size_t count = (static_cast<std::size_t>(lineCount_) + blockLines - 1) / blockLines;
  // Room kept for a far larger script goes.
  if (blocks_.capacity() > 2 * count) {
    blocks_ = {};
    sums_ = {};
  }
  blocks_.resize(count);
  sums_.resize(count);
  changed_.clear();
  maxTally_ = 0.0;
  maxLength_ = 0;

  // Measured: a whole-list run, as on opening a script.
  ScanState state;
  bool inCode = false;
  float t = 0.0f;
  for (std::size_t b = 0; b < count; ++b) {
    blocks_[b] = Save(state, inCode);
    const float start = t;
    ScanBlock(b, lines, classes, state, inCode, t);
    sums_[b] = Halves(t) - Halves(start);
  }
  // The tree in place: each node adds itself to its parent.
  for (std::size_t node = 1; node <= count; ++node) {
    const std::size_t parent = node + (node & (~node + 1));
    if (parent <= count) sums_[parent - 1] += sums_[node - 1];
  }
  maxTally_ = std::max(maxTally_, std::fabs(static_cast<double>(t)));
  ready_ = Exact();
  return t;
}

bool RecountCache::Rescan(std::size_t b, const LineList& lines, const CharClasses& classes) {
  ScanState state;
  bool inCode = false;
  Restore(blocks_[b], state, inCode);
  const std::int64_t before = HalvesBefore(b);
  // The tally as the whole-list run has it here.
  float t = static_cast<float>(before) * 0.5f;
  const float start = t;
  ScanBlock(b, lines, classes, state, inCode, t);
  AddHalves(b, Halves(t) - Halves(start) - (HalvesBefore(b + 1) - before));
  if (b + 1 == blocks_.size()) return false;
  const Checkpoint next = Save(state, inCode);
  if (next == blocks_[b + 1]) return false;
  blocks_[b + 1] = next;
  return true;
}

float RecountCache::Recount(const LineList& lines, const CharClasses& classes) {
  if (!ready_ || lines.count() != lineCount_) return Rebuild(lines, classes);
  std::sort(changed_.begin(), changed_.end());
  std::size_t next = 0;  // the first block not yet scanned again
  for (const std::uint32_t changed : changed_) {
    if (changed < next) continue;
    const std::int64_t totalBefore = HalvesBefore(blocks_.size());
    std::size_t b = changed;
    while (Rescan(b, lines, classes)) ++b;
    next = b + 1;
    // The tallies of the lines after the stretch move by what its weight did.
    if (next < blocks_.size())
      maxTally_ += 0.5 * std::fabs(static_cast<double>(HalvesBefore(blocks_.size()) - totalBefore));
  }
  changed_.clear();
  const std::int64_t total = HalvesBefore(blocks_.size());
  maxTally_ = std::max(maxTally_, 0.5 * std::fabs(static_cast<double>(total)));
  // A tally the whole-list run may round is that run's to give.
  if (!Exact()) return Rebuild(lines, classes);
  return static_cast<float>(total) * 0.5f;
}

}  // namespace vorrik

#include "document/script_history.h"

#include <utility>

namespace vorrik {

void ScriptHistory::clear() {
  undo_.clear();
  redo_.clear();
  dropped_ = 0;
  saved_ = 0;
  kept_ = 0;
  typing_ = false;
}

void ScriptHistory::typing(int line, std::u16string_view oldText) {
  if (typing_ && undo_.back().lines.front() == line) return;
  push({Kind::Typing, {line}, std::u16string(oldText), {static_cast<std::uint32_t>(oldText.size())}});
  typing_ = true;
}

void ScriptHistory::typed(int line, std::u16string_view newText) {
  if (!typing_ || undo_.back().lines.front() != line || undo_.back().text != newText) return;
  kept_ -= undo_.back().text.size();
  undo_.pop_back();
  typing_ = false;
}

void ScriptHistory::Recorder::setText(int i, std::u16string_view text) {
  const std::u16string_view old = lines_.text(i);
  if (old != text) {
    changed_.push_back(i);
    oldText_.append(old);
    ends_.push_back(static_cast<std::uint32_t>(oldText_.size()));
  }
  lines_.setText(i, text);
}

void ScriptHistory::addRip(Recorder& recorder) {
  if (recorder.changed_.empty()) return;
  push({Kind::Rip, std::move(recorder.changed_), std::move(recorder.oldText_), std::move(recorder.ends_)});
  recorder.changed_.clear();
  recorder.oldText_.clear();
  recorder.ends_.clear();
  typing_ = false;
}

ScriptHistory::Step ScriptHistory::Summary(const Stored& stored) {
  return {stored.kind, stored.lines.front(), static_cast<int>(stored.lines.size())};
}

std::optional<ScriptHistory::Step> ScriptHistory::nextUndo() const {
  if (undo_.empty()) return std::nullopt;
  return Summary(undo_.back());
}

std::optional<ScriptHistory::Step> ScriptHistory::nextRedo() const {
  if (redo_.empty()) return std::nullopt;
  return Summary(redo_.back());
}

std::optional<ScriptHistory::Step> ScriptHistory::undo(LineList& lines) { return move(undo_, redo_, lines); }

std::optional<ScriptHistory::Step> ScriptHistory::redo(LineList& lines) { return move(redo_, undo_, lines); }

std::optional<ScriptHistory::Step> ScriptHistory::move(std::deque<Stored>& from, std::deque<Stored>& to,
                                                       LineList& lines) {
  if (from.empty()) return std::nullopt;
  typing_ = false;
  to.push_back(std::move(from.back()));
  from.pop_back();
  exchange(to.back(), lines);
  return Summary(to.back());
}

void ScriptHistory::push(Stored stored) {
  // A new step ends what could be redone, and with it a saved point there.
  for (const Stored& gone : redo_) kept_ -= gone.text.size();
  redo_.clear();
  if (saved_ > position()) saved_ = kNowhere;
  kept_ += stored.text.size();
  undo_.push_back(std::move(stored));
  trim();
}

void ScriptHistory::exchange(Stored& stored, LineList& lines) {
  std::u16string text;
  std::vector<std::uint32_t> ends;
  ends.reserve(stored.lines.size());
  std::uint32_t start = 0;
  for (std::size_t k = 0; k < stored.lines.size(); ++k) {
    const int line = stored.lines[k];
    // Read before it is set: setting the line ends the life of its view.
    text.append(lines.text(line));
    ends.push_back(static_cast<std::uint32_t>(text.size()));
    lines.setText(line, std::u16string_view(stored.text).substr(start, stored.ends[k] - start));
    start = stored.ends[k];
  }
  kept_ += text.size();
  kept_ -= stored.text.size();
  stored.text = std::move(text);
  stored.ends = std::move(ends);
}

void ScriptHistory::trim() {
  while (kept_ > keptLimit_ && undo_.size() > 1) {
    kept_ -= undo_.front().text.size();
    undo_.pop_front();
    ++dropped_;
  }
}

}  // namespace vorrik

#include "ui/line_history.h"

#include <utility>

namespace vorrik {

void LineHistory::clear() {
  undo_.clear();
  redo_.clear();
  joinable_ = false;
}

void LineHistory::record(qsizetype at, QString removed, QString inserted, bool typed) {
  redo_.clear();
  if (typed && joinable_ && removed.isEmpty() && !undo_.empty()) {
    Edit& last = undo_.back();
    if (last.at + last.inserted.size() == at) {
      last.inserted += inserted;
      return;
    }
  }
  undo_.push_back(Edit{at, std::move(removed), std::move(inserted)});
  joinable_ = typed;
}

qsizetype LineHistory::undo(QString& line) { return step(undo_, redo_, line, false); }

qsizetype LineHistory::redo(QString& line) { return step(redo_, undo_, line, true); }

qsizetype LineHistory::step(std::vector<Edit>& from, std::vector<Edit>& to, QString& line, bool again) {
  if (from.empty()) return -1;
  Edit edit = std::move(from.back());
  from.pop_back();
  const QString& was = again ? edit.removed : edit.inserted;
  const QString& becomes = again ? edit.inserted : edit.removed;
  line.replace(edit.at, was.size(), becomes);
  const qsizetype cursor = edit.at + becomes.size();
  to.push_back(std::move(edit));
  joinable_ = false;
  return cursor;
}

}  // namespace vorrik

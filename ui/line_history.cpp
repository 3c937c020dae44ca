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

qsizetype LineHistory::undo(QString& line) {
  if (undo_.empty()) return -1;
  Edit edit = std::move(undo_.back());
  undo_.pop_back();
  line.replace(edit.at, edit.inserted.size(), edit.removed);
  const qsizetype cursor = edit.at + edit.removed.size();
  redo_.push_back(std::move(edit));
  joinable_ = false;
  return cursor;
}

qsizetype LineHistory::redo(QString& line) {
  if (redo_.empty()) return -1;
  Edit edit = std::move(redo_.back());
  redo_.pop_back();
  line.replace(edit.at, edit.removed.size(), edit.inserted);
  const qsizetype cursor = edit.at + edit.inserted.size();
  undo_.push_back(std::move(edit));
  joinable_ = false;
  return cursor;
}

}  // namespace vorrik

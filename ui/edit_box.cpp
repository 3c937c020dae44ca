#include "ui/edit_box.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

#include <algorithm>
#include <limits>
#include <utility>

namespace vorrik {

namespace {

// Whether the key types its text, as the line edit decides it: Ctrl and
// Ctrl+Shift keys do not, AltGr (Ctrl+Alt on Windows) ones do.
bool IsPrintableKey(const QKeyEvent* event) {
  const QString text = event->text();
  if (text.isEmpty()) return false;
  const QChar c = text.at(0);
  if (c.category() == QChar::Other_Format) return true;
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  if (modifiers == Qt::ControlModifier || modifiers == (Qt::ShiftModifier | Qt::ControlModifier)) return false;
  return c.isPrint() || c.category() == QChar::Other_PrivateUse ||
         (c.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate());
}

bool IsMovementKey(const QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
      return true;
    default:
      return false;
  }
}

QClipboard* Clipboard() { return QGuiApplication::clipboard(); }

}  // namespace

EditBox::EditBox(QWidget* parent) : QLineEdit(parent) {
  // The default limit of 32,767 characters would cut a long line, and the
  // cut text would then be written back into the script.
  setMaxLength(std::numeric_limits<int>::max());
  connect(this, &QLineEdit::textChanged, this, [this] { boxTextChanged(); });
}

QString EditBox::FirstLine(const QString& text) {
  qsizetype end = 0;
  while (end < text.size() && text.at(end) != u'\r' && text.at(end) != u'\n') ++end;
  return end == text.size() ? text : text.left(end);
}

QString EditBox::line() const { return stretched_ ? line_ : text(); }

qsizetype EditBox::lineCursor() const { return wide_ ? cursor_ : stretchStart() + cursorPosition(); }

qsizetype EditBox::lineAnchor() const {
  if (wide_) return anchor_;
  if (!hasSelectedText()) return lineCursor();
  return stretchStart() + (cursorPosition() == selectionStart() ? selectionEnd() : selectionStart());
}

QString EditBox::selectedLineText() const {
  const qsizetype anchor = lineAnchor();
  const qsizetype cursor = lineCursor();
  return line().mid(std::min(anchor, cursor), std::abs(anchor - cursor));
}

void EditBox::setLine(const QString& line) {
  wide_ = false;
  history_.clear();
  if (line.size() <= kWholeLimit) {
    if (stretched_) {
      const bool differs = line != line_;
      stretched_ = false;
      line_.clear();
      moving_ = true;  // the change is reported below, once
      setText(line);
      moving_ = false;
      if (differs) reportChange();
    } else {
      setText(line);  // reports a change itself
    }
    return;
  }
  const bool differs = line != this->line();
  stretched_ = true;
  line_ = line;
  stale_ = true;
  showLine(line_.size(), line_.size());
  if (differs) reportChange();
}

void EditBox::showStretch(qsizetype start) {
  qsizetype end = std::min(line_.size(), start + kStretch);
  // Never half a surrogate pair at either end.
  if (start > 0 && line_.at(start).isLowSurrogate()) --start;
  if (end < line_.size() && line_.at(end).isLowSurrogate()) ++end;
  if (!stale_ && start == start_ && end - start == shown_) return;
  start_ = start;
  shown_ = end - start;
  stale_ = false;
  moving_ = true;
  setText(line_.mid(start_, shown_));
  moving_ = false;
}

void EditBox::showLine(qsizetype anchor, qsizetype cursor) {
  const qsizetype size = line_.size();
  const qsizetype low = std::min(anchor, cursor);
  const qsizetype high = std::max(anchor, cursor);
  // Whether a stretch from start holds from..to clear of its ends, but for
  // ends of the line.
  const auto holds = [&](qsizetype start, qsizetype from, qsizetype to) {
    const qsizetype end = std::min(size, start + kStretch);
    return from >= start && to <= end && (start == 0 || from - start >= kMargin) &&
           (end == size || end - to >= kMargin);
  };
  qsizetype start = start_;
  if (stale_ || !holds(start, low, high)) {
    if (high - low <= kStretch - 2 * kMargin) {
      start = (low + high) / 2 - kStretch / 2;  // the whole selection in view
    } else if (stale_ || !holds(start, cursor, cursor)) {
      start = cursor - kStretch / 2;
    }
    start = std::clamp(start, qsizetype{0}, std::max(qsizetype{0}, size - kStretch));
  }
  showStretch(start);

  // What of the selection the stretch holds is selected in the box; the
  // rest is held here.
  const qsizetype shownAnchor = std::clamp(anchor, start_, start_ + shown_);
  wide_ = shownAnchor != anchor;
  anchor_ = anchor;
  cursor_ = cursor;
  moving_ = true;
  if (shownAnchor == cursor)
    setCursorPosition(static_cast<int>(cursor - start_));
  else
    setSelection(static_cast<int>(shownAnchor - start_), static_cast<int>(cursor - shownAnchor));
  moving_ = false;
}

void EditBox::replaceSelection(const QString& text, bool typed) {
  const qsizetype anchor = lineAnchor();
  const qsizetype cursor = lineCursor();
  const qsizetype from = std::min(anchor, cursor);
  const qsizetype length = std::abs(anchor - cursor);
  history_.record(from, line_.mid(from, length), text, typed);
  line_.replace(from, length, text);
  stale_ = true;
  showLine(from + text.size(), from + text.size());
  reportChange();
}

void EditBox::copySelection() const {
  const QString selected = selectedLineText();
  if (!selected.isEmpty()) Clipboard()->setText(selected);
}

void EditBox::paste(const QString& text) {
  const QString first = FirstLine(text);
  if (first.isEmpty() && !hasLineSelection()) return;
  if (stretched_) {
    replaceSelection(first, false);
  } else {
    insert(first);
  }
}

void EditBox::undo() { showUndoneOrRedone(history_.undo(line_)); }

void EditBox::redo() { showUndoneOrRedone(history_.redo(line_)); }

void EditBox::showUndoneOrRedone(qsizetype cursor) {
  if (cursor < 0) return;  // nothing was to be undone or redone
  stale_ = true;
  showLine(cursor, cursor);
  reportChange();
}

void EditBox::boxTextChanged() {
  if (moving_) return;
  if (stretched_) {
    // The edit, found as the part of the stretch that differs; the text
    // after the cursor is taken as unchanged where it can be, so that
    // typing is found where it was typed.
    const QString now = text();
    const qsizetype before = shown_;
    const qsizetype after = now.size();
    const qsizetype tailLimit = std::min(before, after - cursorPosition());
    qsizetype tail = 0;
    while (tail < tailLimit && line_.at(start_ + before - 1 - tail) == now.at(after - 1 - tail)) ++tail;
    qsizetype head = 0;
    while (head < before - tail && head < after - tail && line_.at(start_ + head) == now.at(head)) ++head;
    QString removed = line_.mid(start_ + head, before - tail - head);
    QString inserted = now.mid(head, after - tail - head);
    line_.replace(start_ + head, removed.size(), inserted);
    shown_ = after;
    history_.record(start_ + head, std::move(removed), std::move(inserted), typing_);
  }
  reportChange();
}

void EditBox::reportChange() {
  if (onLineChange) onLineChange();
}

bool EditBox::stretchedKey(QKeyEvent* event) {
  using Keys = QKeySequence;
  const qsizetype size = line_.size();
  const auto matches = [event](std::initializer_list<Keys::StandardKey> keys) {
    return std::any_of(keys.begin(), keys.end(), [event](Keys::StandardKey key) { return event->matches(key); });
  };
  // Anything but typing ends a run of typed characters.
  if (!IsPrintableKey(event) && !matches({Keys::Undo, Keys::Redo})) history_.separate();
  if (event->matches(Keys::Undo)) {
    undo();
  } else if (event->matches(Keys::Redo)) {
    redo();
  } else if (event->matches(Keys::SelectAll)) {
    showLine(0, size);
  } else if (matches({Keys::MoveToStartOfLine, Keys::MoveToStartOfBlock, Keys::MoveToStartOfDocument})) {
    showLine(0, 0);
  } else if (matches({Keys::MoveToEndOfLine, Keys::MoveToEndOfBlock, Keys::MoveToEndOfDocument})) {
    showLine(size, size);
  } else if (matches({Keys::SelectStartOfLine, Keys::SelectStartOfBlock, Keys::SelectStartOfDocument})) {
    showLine(lineAnchor(), 0);
  } else if (matches({Keys::SelectEndOfLine, Keys::SelectEndOfBlock, Keys::SelectEndOfDocument})) {
    showLine(lineAnchor(), size);
  } else if (event->matches(Keys::Copy)) {
    copySelection();
  } else if (event->matches(Keys::Cut)) {
    copySelection();
    if (hasLineSelection()) replaceSelection({}, false);
  } else if (event->matches(Keys::DeleteCompleteLine)) {
    showLine(0, size);
    copySelection();
    if (hasLineSelection()) replaceSelection({}, false);
  } else if (event->matches(Keys::DeleteEndOfLine)) {
    showLine(lineCursor(), size);
    copySelection();
    if (hasLineSelection()) replaceSelection({}, false);
  } else if (wide_) {
    // The box holds only part of the selection: keys that act on it act here.
    if (IsPrintableKey(event)) {
      replaceSelection(event->text(), true);
    } else if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) {
      replaceSelection({}, false);
    } else if (event->matches(Keys::MoveToPreviousChar)) {
      showLine(std::min(anchor_, cursor_), std::min(anchor_, cursor_));
    } else if (event->matches(Keys::MoveToNextChar)) {
      showLine(std::max(anchor_, cursor_), std::max(anchor_, cursor_));
    } else if (IsMovementKey(event) && (event->modifiers() & Qt::ShiftModifier)) {
      // The box moves the cursor as the key says; the selection keeps its anchor.
      const qsizetype anchor = anchor_;
      showLine(cursor_, cursor_);
      QLineEdit::keyPressEvent(event);
      showLine(anchor, lineCursor());
    } else if (IsMovementKey(event)) {
      // The cursor moves from where it is, the selection dropped.
      showLine(cursor_, cursor_);
      return false;
    } else {
      return false;  // a key that moves and changes nothing (Ctrl alone, Tab, Esc)
    }
  } else {
    // Near an end of the stretch (or with a stretch grown by a drop), the
    // stretch moves on first, so that the key acts as it would in the whole
    // line; a selection too large for it is then held here.
    const qsizetype anchor = lineAnchor();
    const qsizetype cursor = lineCursor();
    const qsizetype low = std::min(anchor, cursor);
    const qsizetype high = std::max(anchor, cursor);
    const bool nearStart = start_ > 0 && low - start_ < kMargin;
    const bool nearEnd = start_ + shown_ < size && start_ + shown_ - high < kMargin;
    if (!nearStart && !nearEnd && shown_ <= 2 * kStretch) return false;
    stale_ = shown_ > 2 * kStretch;
    showLine(anchor, cursor);
    return wide_ && stretchedKey(event);
  }
  return true;
}

void EditBox::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  if (!text.isEmpty() && onKeyPress) onKeyPress(text.at(0).unicode(), event->modifiers());
  if (event->matches(QKeySequence::Paste)) {
    if (!stretched_ || !wide_) history_.separate();
    paste(Clipboard()->text());
    return;
  }
  if (stretched_ && stretchedKey(event)) return;
  typing_ = IsPrintableKey(event);
  QLineEdit::keyPressEvent(event);
  typing_ = false;
}

void EditBox::mousePressEvent(QMouseEvent* event) {
  // A click places the cursor in the box: a selection held here ends.
  wide_ = false;
  history_.separate();
  QLineEdit::mousePressEvent(event);
}

void EditBox::mouseReleaseEvent(QMouseEvent* event) {
  // The middle button pastes the text selected elsewhere, where the system
  // has such a selection.
  if (event->button() == Qt::MiddleButton && Clipboard()->supportsSelection() && !isReadOnly()) {
    deselect();
    paste(Clipboard()->text(QClipboard::Selection));
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}

void EditBox::contextMenuEvent(QContextMenuEvent* event) {
  QMenu* menu = createStandardContextMenu();
  if (!menu) return;
  menu->setAttribute(Qt::WA_DeleteOnClose);
  // Each of the menu's commands that acts on the whole line (or would let a
  // line break in) is done here rather than by the box.
  // The menu's items are known by their captions, as the line edit makes them.
  const auto redirect = [this, menu](const char* caption, const std::function<void()>& command) {
    const QString wanted = QLineEdit::tr(caption);
    for (QAction* action : menu->actions()) {
      if (action->text().section(u'\t', 0, 0) != wanted) continue;
      disconnect(action, &QAction::triggered, this, nullptr);
      connect(action, &QAction::triggered, this, command);
      return action;
    }
    return static_cast<QAction*>(nullptr);
  };
  redirect("&Paste", [this] { paste(Clipboard()->text()); });
  if (stretched_) {
    const bool selected = hasLineSelection();
    const auto enable = [](QAction* action, bool enabled) {
      if (action) action->setEnabled(enabled);
    };
    enable(redirect("&Undo", [this] { undo(); }), history_.canUndo());
    enable(redirect("&Redo", [this] { redo(); }), history_.canRedo());
    enable(redirect("Cu&t",
                    [this] {
                      copySelection();
                      replaceSelection({}, false);
                    }),
           selected);
    enable(redirect("&Copy", [this] { copySelection(); }), selected);
    enable(redirect("Delete", [this] { replaceSelection({}, false); }), selected);
    redirect("Select All", [this] { showLine(0, line_.size()); });
  }
  menu->popup(event->globalPos());
}

void EditBox::dropEvent(QDropEvent* event) {
  wide_ = false;
  history_.separate();
  const QMimeData* mime = event->mimeData();
  const QString text = mime ? mime->text() : QString();
  const QString first = FirstLine(text);
  if (first.size() == text.size()) {
    QLineEdit::dropEvent(event);
    return;
  }
  // The same drop with its text cut at the line break.
  QMimeData cut;
  cut.setText(first);
  QDropEvent shortened(event->position(), event->possibleActions(), &cut, event->buttons(), event->modifiers(),
                       event->type());
  shortened.setDropAction(event->dropAction());
  QLineEdit::dropEvent(&shortened);
  event->setDropAction(shortened.dropAction());
  event->setAccepted(shortened.isAccepted());
}

void EditBox::inputMethodEvent(QInputMethodEvent* event) {
  const QString commit = FirstLine(event->commitString());
  if (stretched_ && wide_ && !commit.isEmpty()) {
    replaceSelection(commit, false);
    event->accept();
    return;
  }
  if (commit.size() == event->commitString().size()) {
    QLineEdit::inputMethodEvent(event);
    return;
  }
  QInputMethodEvent shortened(event->preeditString(), event->attributes());
  shortened.setCommitString(commit, event->replacementStart(), event->replacementLength());
  QLineEdit::inputMethodEvent(&shortened);
  event->setAccepted(shortened.isAccepted());
}

}  // namespace vorrik

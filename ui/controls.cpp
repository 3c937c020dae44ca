#include "ui/controls.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>
#include <limits>

namespace vorrik {

EditBox::EditBox(QWidget* parent) : QLineEdit(parent) {
  // The default limit of 32,767 characters would cut a long line, and the
  // cut text would then be written back into the script.
  setMaxLength(std::numeric_limits<int>::max());
  connect(this, &QLineEdit::textChanged, this, [this] { boxTextChanged(); });
}

QString EditBox::line() const { return stretched_ ? line_ : text(); }

void EditBox::setLine(const QString& line) {
  if (line.size() <= kWholeLimit) {
    if (stretched_) {
      const bool differs = line != line_;
      stretched_ = false;
      line_.clear();
      moving_ = true;  // the change is reported below, once
      setText(line);
      moving_ = false;
      if (differs && onLineChange) onLineChange();
    } else {
      setText(line);  // reports a change itself
    }
    return;
  }
  const bool differs = line != this->line();
  stretched_ = true;
  line_ = line;
  showStretchAt(line_.size());
  if (differs && onLineChange) onLineChange();
}

void EditBox::showStretchAt(qsizetype position) {
  qsizetype start = std::clamp<qsizetype>(position - kStretch / 2, 0, std::max<qsizetype>(0, line_.size() - kStretch));
  qsizetype end = std::min(line_.size(), start + kStretch);
  // Never half a surrogate pair at either end.
  if (start > 0 && line_.at(start).isLowSurrogate()) --start;
  if (end < line_.size() && line_.at(end).isLowSurrogate()) ++end;
  start_ = start;
  shown_ = end - start;
  moving_ = true;
  setText(line_.mid(start, shown_));
  setCursorPosition(static_cast<int>(std::clamp(position - start, qsizetype{0}, shown_)));
  moving_ = false;
}

void EditBox::boxTextChanged() {
  if (moving_) return;
  if (stretched_) {
    line_.replace(start_, shown_, text());
    shown_ = text().size();
  }
  if (onLineChange) onLineChange();
}

void EditBox::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  if (!text.isEmpty() && onKeyPress) onKeyPress(text.at(0).unicode());
  if (stretched_) {
    // Home and End go to the ends of the line; near an end of the stretch
    // the stretch moves on, so that the key acts on the line as it would
    // in the whole of it.
    const qsizetype cursor = start_ + cursorPosition();
    constexpr qsizetype kMargin = 256;
    if (event->key() == Qt::Key_Home || event->key() == Qt::Key_End) {
      showStretchAt(event->key() == Qt::Key_Home ? 0 : line_.size());
    } else if ((cursorPosition() < kMargin && start_ > 0) ||
               (shown_ - cursorPosition() < kMargin && start_ + shown_ < line_.size())) {
      showStretchAt(cursor);
    }
  }
  QLineEdit::keyPressEvent(event);
}

void WrapButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  painter.drawControl(QStyle::CE_PushButton, option);
  painter.setPen(palette().color(QPalette::ButtonText));
  painter.drawText(rect().adjusted(4, 2, -4, -2), Qt::AlignCenter | Qt::TextWordWrap, text());
}

void RuledArea::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
  for (const QLine& rule : rules_) painter.drawLine(rule);
}

}  // namespace vorrik

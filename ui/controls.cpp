#include "ui/controls.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <limits>

namespace vorrik {

EditBox::EditBox(QWidget* parent) : QLineEdit(parent) {
  // The default limit of 32,767 characters would cut a long line, and the
  // cut text would then be written back into the script.
  setMaxLength(std::numeric_limits<int>::max());
}

void EditBox::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  if (!text.isEmpty() && onKeyPress) onKeyPress(text.at(0).unicode());
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

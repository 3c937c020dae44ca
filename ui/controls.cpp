#include "ui/controls.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace vorrik {

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

#include "ui/controls.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>

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

void RuledArea::place(QWidget* control, const QRect& first, unsigned follow) {
  placed_.push_back({control, first, follow});
  control->setGeometry(Followed(first, follow, growth()));
}

void RuledArea::addRule(const QLine& first, unsigned follow) {
  rules_.push_back({first, follow});
  update();
}

QSize RuledArea::growth() const {
  return QSize(std::max(0, width() - firstSize_.width()), std::max(0, height() - firstSize_.height()));
}

QRect RuledArea::Followed(const QRect& first, unsigned follow, QSize growth) {
  QRect place = first;
  if (follow & kMoveRight) place.translate(growth.width(), 0);
  if (follow & kMoveDown) place.translate(0, growth.height());
  if (follow & kWiden) place.setWidth(place.width() + growth.width());
  if (follow & kHeighten) place.setHeight(place.height() + growth.height());
  return place;
}

std::vector<QLine> RuledArea::rules() const {
  const QSize grown = growth();
  std::vector<QLine> shown;
  for (const Rule& rule : rules_) {
    // A rule's points follow as a rectangle's corners do.
    const QRect followed = Followed(QRect(rule.first.p1(), rule.first.p2()), rule.follow, grown);
    shown.emplace_back(followed.topLeft(), followed.bottomRight());
  }
  return shown;
}

void RuledArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const QSize grown = growth();
  for (const Placed& placed : placed_) placed.control->setGeometry(Followed(placed.first, placed.follow, grown));
}

void RuledArea::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
  for (const QLine& rule : rules()) painter.drawLine(rule);
}

}  // namespace vorrik

#include "ui/controls.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <limits>

namespace vorrik {

LineListView::LineListView(QWidget* parent) : QListView(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  // One row height for all: without it a model reset or a one-row change
  // measures every line of a long script.
  setUniformItemSizes(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTextElideMode(Qt::ElideNone);
  // Qt gives the focus to a clicked widget whatever the button; without
  // ClickFocus the primary button's press gives it instead, so a right or
  // middle click changes nothing at all.
  setFocusPolicy(Qt::TabFocus);
}

void LineListView::shareSelectionModel(QItemSelectionModel* selectionModel) {
  setSelectionModel(selectionModel);
  const auto mark = [this] {
    if (quiet_ == 0) changed_ = true;
  };
  connect(selectionModel, &QItemSelectionModel::selectionChanged, this, mark);
  connect(selectionModel, &QItemSelectionModel::currentChanged, this, mark);
}

void LineListView::changeQuietly(const std::function<void()>& change) {
  ++quiet_;
  change();
  --quiet_;
}

void LineListView::reportIfChanged() {
  if (!changed_) return;
  changed_ = false;
  if (onUserChange) onUserChange();
}

namespace {

// Qt's item views select with any mouse button; lines are picked with the
// primary button alone. An event of another button is taken here (accepted,
// so it goes no further) and the caller returns.
bool TakeOtherButton(QMouseEvent* event) {
  const bool other = event->button() != Qt::NoButton
                         ? event->button() != Qt::LeftButton
                         // a move while another button is held without the primary one
                         : event->buttons() != Qt::NoButton && !(event->buttons() & Qt::LeftButton);
  if (other) event->accept();
  return other;
}

}  // namespace

// A click is reported on release: the press moves the current line while the
// old selection still stands, and a press on a selected line leaves the
// selection to the release. A drag is one action too.
void LineListView::mousePressEvent(QMouseEvent* event) {
  if (TakeOtherButton(event)) return;
  // The list takes the focus from the primary button only (see the policy).
  setFocus(Qt::MouseFocusReason);
  changed_ = false;
  QListView::mousePressEvent(event);
}

void LineListView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (TakeOtherButton(event)) return;
  changed_ = false;
  QListView::mouseDoubleClickEvent(event);
}

void LineListView::mouseMoveEvent(QMouseEvent* event) {
  if (TakeOtherButton(event)) return;
  QListView::mouseMoveEvent(event);
}

void LineListView::mouseReleaseEvent(QMouseEvent* event) {
  if (TakeOtherButton(event)) return;
  QListView::mouseReleaseEvent(event);
  reportIfChanged();
}

void LineListView::keyPressEvent(QKeyEvent* event) {
  changed_ = false;
  QListView::keyPressEvent(event);
  reportIfChanged();
}

// Taking the keyboard focus must not make a line current: with no current
// line the focused index stays -1 until the user picks a line.
void LineListView::focusInEvent(QFocusEvent* event) {
  const bool hadCurrent = currentIndex().isValid();
  QListView::focusInEvent(event);
  if (!hadCurrent && currentIndex().isValid() && selectionModel()) {
    changeQuietly([this] { selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate); });
  }
}

// A list view lays out every row again after any change of data, which costs
// milliseconds on a long script at each keystroke. With uniform item sizes a
// new text moves no row, so repainting the changed rows is enough. The one
// exception is the last row: the view takes the uniform size from it.
void LineListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                               const QList<int>& roles) {
  const int lastRow = model() ? model()->rowCount() - 1 : -1;
  if (topLeft.isValid() && bottomRight.isValid() && bottomRight.row() < lastRow) {
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
  } else {
    QListView::dataChanged(topLeft, bottomRight, roles);
  }
}

// A new script shows from its top (its first line is made current next).
void LineListView::reset() {
  QListView::reset();
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
}

// The current line goes from none to a line only when a load makes the first
// line current, right after reset(). The view would then lay out every row at
// once to find that row's place, ahead of the layout the reset has asked for;
// the whole viewport is to be repainted anyway.
void LineListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  if (!previous.isValid()) {
    viewport()->update();
    return;
  }
  QListView::currentChanged(current, previous);
}

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

#include "ui/line_list_accessible.h"

#include <QWindow>


#include "ui/line_list_view.h"

namespace vorrik {

LineAccessible::LineAccessible(LineListView* view, int row) : view_(view), row_(row) { ++live_; }

LineAccessible::~LineAccessible() { --live_; }

bool LineAccessible::isValid() const {
  return view_ && view_->model() && row_ < view_->model()->rowCount(view_->rootIndex());
}

QWindow* LineAccessible::window() const { return view_ ? view_->window()->windowHandle() : nullptr; }

QAccessibleInterface* LineAccessible::parent() const { return QAccessible::queryAccessibleInterface(view_.data()); }

QString LineAccessible::text(QAccessible::Text t) const {
  if (t != QAccessible::Name || !isValid()) return {};
  return LineListView::shownText(index().data(Qt::DisplayRole).toString());
}

QRect LineAccessible::rect() const {
  if (!isValid()) return {};
  const QRect shown = view_->visualRect(index());
  return QRect(view_->viewport()->mapToGlobal(shown.topLeft()), shown.size());
}

QAccessible::State LineAccessible::state() const {
  QAccessible::State state;
  if (!isValid()) {
    state.invalid = true;
    return state;
  }
  const QModelIndex line = index();
  state.selectable = true;
  state.focusable = true;
  state.selected = view_->selectionModel() && view_->selectionModel()->isSelected(line);
  state.focused = view_->hasFocus() && view_->currentIndex() == line;
  if (!view_->viewport()->rect().intersects(view_->visualRect(line))) {
    state.invisible = true;
    state.offscreen = true;
  }
  return state;
}

QModelIndex LineAccessible::index() const { return view_->model()->index(row_, 0, view_->rootIndex()); }

LineListAccessible::LineListAccessible(LineListView* view) : QAccessibleWidget(view, QAccessible::List) {
  QObject::connect(view, &LineListView::rowsReplacedFrom, &watch_, [this](int first) { releaseRowsFrom(first); });
}

LineListAccessible::~LineListAccessible() { releaseRowsFrom(0); }

void LineListAccessible::releaseRowsFrom(int first) {
  for (auto row = rows_.begin(); row != rows_.end();) {
    if (row.key() >= first) {
      QAccessible::deleteAccessibleInterface(row.value());
      row = rows_.erase(row);
    } else {
      ++row;
    }
  }
}

int LineListAccessible::childCount() const {
  const QAbstractItemModel* model = view()->model();
  return model ? model->rowCount(view()->rootIndex()) : 0;
}

QAccessibleInterface* LineListAccessible::child(int index) const {
  if (index < 0 || index >= childCount()) return nullptr;
  if (const auto found = rows_.constFind(index); found != rows_.constEnd())
    return QAccessible::accessibleInterface(*found);
  auto* line = new LineAccessible(view(), index);
  rows_.insert(index, QAccessible::registerAccessibleInterface(line));
  return line;
}

int LineListAccessible::indexOfChild(const QAccessibleInterface* child) const {
  const auto* line = dynamic_cast<const LineAccessible*>(child);
  return line && line->view() == view() && line->isValid() ? line->row() : -1;
}

QAccessibleInterface* LineListAccessible::childAt(int x, int y) const {
  const QPoint point = view()->viewport()->mapFromGlobal(QPoint(x, y));
  if (!view()->viewport()->rect().contains(point)) return nullptr;
  const QModelIndex index = view()->indexAt(point);
  return index.isValid() ? child(index.row()) : nullptr;
}

QAccessibleInterface* LineListAccessible::focusChild() const {
  const QModelIndex current = view()->currentIndex();
  return view()->hasFocus() && current.isValid() ? child(current.row()) : nullptr;
}

QAccessible::State LineListAccessible::state() const {
  QAccessible::State state = QAccessibleWidget::state();
  state.multiSelectable = true;
  state.extSelectable = true;
  return state;
}

LineListView* LineListAccessible::view() const { return static_cast<LineListView*>(widget()); }

QAccessibleInterface* MakeLineListAccessible(const QString& className, QObject* object) {
  if (className == QLatin1String(LineListView::staticMetaObject.className()) && object->isWidgetType())
    return new LineListAccessible(static_cast<LineListView*>(object));
  return nullptr;
}

}  // namespace vorrik

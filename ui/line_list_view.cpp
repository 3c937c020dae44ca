#include "ui/line_list_view.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>
#include <limits>
#include <utility>

#include "ui/line_list_accessible.h"

namespace vorrik {

namespace {

// Pixel positions are worked out in 64 bits and handed to Qt within this
// bound, which leaves room for a row and a viewport within an int. Rows
// keep exact positions up to 67 million rows of 31 pixels (the program's
// rows are 13 pixels high).
constexpr qint64 kPixelBound = std::numeric_limits<int>::max() - (1 << 16);

int Bounded(qint64 pixels) { return static_cast<int>(std::clamp(pixels, -kPixelBound, kPixelBound)); }

// Rounds down, also for negative numbers.
qint64 FloorDiv(qint64 a, qint64 b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The standard delegate with the text cut to what a row shows, so that a
// line of 20 MB is laid out, painted and measured as 1,024 characters.
class ShownLineDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    option->text = LineListView::shownText(std::move(option->text));
  }
};

}  // namespace

LineListView::LineListView(QWidget* parent) : QAbstractItemView(parent) {
  static const bool accessible = [] {
    QAccessible::installFactory(MakeLineListAccessible);
    return true;
  }();
  Q_UNUSED(accessible);

  QAbstractItemDelegate* standard = itemDelegate();
  setItemDelegate(new ShownLineDelegate(this));
  if (standard && standard->parent() == this) delete standard;

  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTextElideMode(Qt::ElideNone);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  // Qt gives the focus to a clicked widget whatever the button; without
  // ClickFocus the primary button's press gives it instead, so a right or
  // middle click changes nothing at all.
  setFocusPolicy(Qt::TabFocus);
}

// Cut as the delegate cuts it: the last character kept is not the first
// half of a surrogate pair.
QString LineListView::shownText(QString text) {
  if (text.size() > kShownLength) {
    qsizetype length = kShownLength;
    if (text.at(length - 1).isHighSurrogate()) --length;
    text.truncate(length);
  }
  return text;
}

void LineListView::shareSelectionModel(QItemSelectionModel* selectionModel) {
  setSelectionModel(selectionModel);
  // Reporting: see the class comment.
  const auto mark = [this] {
    if (quiet_ == 0) changed_ = true;
  };
  connect(selectionModel, &QItemSelectionModel::selectionChanged, this, mark);
  connect(selectionModel, &QItemSelectionModel::currentChanged, this, mark);
}

// Reporting: see the class comment.
void LineListView::changeQuietly(const std::function<void()>& change) {
  ++quiet_;
  change();
  --quiet_;
}

// Reporting: see the class comment.
void LineListView::reportIfChanged() {
  if (!changed_) return;
  changed_ = false;
  if (onUserChange) onUserChange();
}

// --- Geometry: every row is rowHeight() high, row r starts at r * height.

int LineListView::rowCount() const { return model() ? model()->rowCount(rootIndex()) : 0; }

QModelIndex LineListView::rowIndex(int row) const { return model()->index(row, 0, rootIndex()); }

// As a delegate sizes a one-line text item, measured once for the font
// rather than from any line, so that no line is read for it.
int LineListView::rowHeight() const {
  if (heightDirty_) {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("Xg");
    rowHeight_ = std::max(1, style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height());
    heightDirty_ = false;
  }
  return rowHeight_;
}

// The last line alone sets the width (a script most often ends in a short
// line, and measuring every line would cost a pass over the script).
int LineListView::contentWidth() const {
  if (widthDirty_) {
    contentWidth_ = 0;
    const int rows = rowCount();
    if (rows > 0) {
      const QModelIndex last = rowIndex(rows - 1);
      if (QAbstractItemDelegate* delegate = itemDelegateForIndex(last)) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        contentWidth_ = delegate->sizeHint(option, last).width();
      }
    }
    widthDirty_ = false;
  }
  return contentWidth_;
}

int LineListView::rowWidth() const { return std::max(contentWidth(), viewport()->width()); }

int LineListView::topRow() const { return verticalScrollBar()->value(); }

qint64 LineListView::rowAt(int y) const { return topRow() + FloorDiv(y, rowHeight()); }

QRect LineListView::visualRect(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != model() || index.parent() != rootIndex() || index.column() != 0)
    return {};
  const int height = rowHeight();
  return QRect(-horizontalOffset(), Bounded((qint64{index.row()} - topRow()) * height), rowWidth(), height);
}

int LineListView::horizontalOffset() const { return horizontalScrollBar()->value(); }

int LineListView::verticalOffset() const { return Bounded(qint64{topRow()} * rowHeight()); }

bool LineListView::isIndexHidden(const QModelIndex&) const { return false; }

QModelIndex LineListView::indexAt(const QPoint& point) const {
  const int left = -horizontalOffset();
  if (point.x() < left || point.x() >= left + rowWidth()) return {};
  const qint64 row = rowAt(point.y());
  return row >= 0 && row < rowCount() ? rowIndex(static_cast<int>(row)) : QModelIndex();
}

int LineListView::sizeHintForRow(int row) const { return row >= 0 && row < rowCount() ? rowHeight() : -1; }

int LineListView::sizeHintForColumn(int column) const {
  return column == 0 && rowCount() > 0 ? contentWidth() : -1;
}

// Down by rows: a page is the rows that fit whole in the viewport, and the
// last row can be scrolled to the bottom. Across by pixels, over the width
// of the rows.
void LineListView::updateGeometries() {
  const int rows = rowCount();
  const int height = rowHeight();
  const QSize shown = viewport()->size();
  const qint64 contentHeight = qint64{rows} * height;
  QScrollBar* down = verticalScrollBar();
  if (rows == 0 || contentHeight <= shown.height()) {
    down->setRange(0, 0);
  } else {
    const int page = std::max(1, shown.height() / height);
    down->setSingleStep(1);
    down->setPageStep(page);
    down->setRange(0, rows - page);
  }

  QScrollBar* across = horizontalScrollBar();
  const int width = contentWidth();
  // A step across is the content's width, as QListView stepped by its item.
  across->setSingleStep(std::max(1, width));
  across->setPageStep(shown.width());
  // With both bars shown as needed, a horizontal bar that the content does
  // not need must not appear because the vertical one took room (each
  // would make room for the other, in turn).
  const QSize room = maximumViewportSize();
  const bool downShown = contentHeight > room.height();
  const int roomAcross =
      room.width() - (downShown ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, down) : 0);
  const bool bothAsNeeded = verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded &&
                            horizontalScrollBarPolicy() == Qt::ScrollBarAsNeeded;
  if (rows == 0 || (bothAsNeeded && width <= roomAcross)) {
    across->setRange(0, 0);
  } else {
    across->setRange(0, std::max(0, width - shown.width()));
  }
  QAbstractItemView::updateGeometries();
}

// The vertical bar counts rows; the viewport scrolls by pixels.
void LineListView::scrollContentsBy(int dx, int dy) {
  const qint64 bound = viewport()->height() + 1;
  QAbstractItemView::scrollContentsBy(dx, static_cast<int>(std::clamp(qint64{dy} * rowHeight(), -bound, bound)));
}

// As QListView scrolled a list of rows: only down, by whole rows.
void LineListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  const QRect rect = visualRect(index);
  if (rect.isNull()) return;
  const QRect area = viewport()->rect();
  if (hint == EnsureVisible && area.contains(rect)) {
    viewport()->update(rect);
    return;
  }
  const int row = index.row();
  // The rows that fit above and with the row when it is at the bottom.
  const int fit = std::max(1, std::min(row + 1, area.height() / rowHeight()));
  int top = topRow();
  switch (hint) {
    case EnsureVisible:
      if (rect.top() < area.top()) {
        top = row;
      } else if (rect.bottom() > area.bottom()) {
        top = row - fit + 1;
      }
      break;
    case PositionAtTop:
      top = row;
      break;
    case PositionAtBottom:
      top = row - fit + 1;
      break;
    case PositionAtCenter:
      top = row - fit / 2;
      break;
  }
  verticalScrollBar()->setValue(top);
}

// The keys move as they did in QListView's single column: up and down by a
// row (also Previous and Next), by a page less one row, to either end; left
// and right find nothing beside the current row and stay.
QModelIndex LineListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers) {
  const int rows = rowCount();
  if (rows == 0) return {};
  const QModelIndex current = currentIndex();
  if (!current.isValid()) return rowIndex(0);
  const int row = current.row();
  const int page = std::max(1, viewport()->height() / rowHeight() - 1);
  switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
      return row > 0 ? rowIndex(row - 1) : current;
    case MoveDown:
    case MoveNext:
      return row + 1 < rows ? rowIndex(row + 1) : current;
    case MovePageUp:
      return rowIndex(std::max(0, row - page));
    case MovePageDown:
      return rowIndex(static_cast<int>(std::min<qint64>(qint64{row} + page, rows - 1)));
    case MoveHome:
      return rowIndex(0);
    case MoveEnd:
      return rowIndex(rows - 1);
    case MoveLeft:
    case MoveRight:
      break;
  }
  return current;
}

// The rows that rect (in viewport pixels, from a press to the pointer, so
// possibly inverted) touches, as one range.
void LineListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
  if (!selectionModel()) return;
  if (rangePress_ != RangePress::None) {
    // Qt starts the rect at its own anchor; the end is the pointer's row.
    const int rows = rowCount();
    if (rows > 0) {
      const auto end = static_cast<int>(std::clamp<qint64>(rowAt(rect.bottom()), 0, rows - 1));
      selectionModel()->select(rangeFromAnchor(rowIndex(end)), command);
    }
    return;
  }
  const int top = std::min(rect.top(), rect.bottom());
  const int bottom = std::max(rect.top(), rect.bottom());
  const int left = std::min(rect.left(), rect.right());
  const int right = std::max(rect.left(), rect.right());
  const int rowLeft = -horizontalOffset();
  QItemSelection selection;
  const int rows = rowCount();
  if (rows > 0 && right >= rowLeft && left < rowLeft + rowWidth()) {
    const qint64 first = std::max<qint64>(0, rowAt(top));
    const qint64 last = std::min<qint64>(rows - 1, rowAt(bottom));
    if (first <= last) selection.select(rowIndex(static_cast<int>(first)), rowIndex(static_cast<int>(last)));
  }
  selectionModel()->select(selection, command);
}

// Qt's commands, but a Shift press or drag makes the range from the anchor
// the whole selection, or adds it with Ctrl (see setSelection).
QItemSelectionModel::SelectionFlags LineListView::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* event) const {
  const QItemSelectionModel::SelectionFlags command = QAbstractItemView::selectionCommand(index, event);
  const bool pressOrDrag =
      event && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove);
  if (rangePress_ == RangePress::None || !pressOrDrag || command == QItemSelectionModel::NoUpdate) return command;
  const QItemSelectionModel::SelectionFlags range = QItemSelectionModel::SelectCurrent;
  return rangePress_ == RangePress::Replace ? range | QItemSelectionModel::Clear : range;
}

QItemSelection LineListView::rangeFromAnchor(const QModelIndex& end) {
  if (!anchor_.isValid()) anchor_ = currentIndex().isValid() ? currentIndex() : end;
  const int from = anchor_.row();
  return QItemSelection(rowIndex(std::min(from, end.row())), rowIndex(std::max(from, end.row())));
}

void LineListView::pickAlone(const QModelIndex& index) {
  anchor_ = index;
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

// Each range clipped to the rows in view, so a selection of millions of
// rows costs what a few do.
QRegion LineListView::visualRegionForSelection(const QItemSelection& selection) const {
  const int rows = rowCount();
  if (rows == 0) return {};
  const int first = topRow();
  const int last = static_cast<int>(std::min<qint64>(rows - 1, rowAt(viewport()->height() - 1)));
  QRegion region;
  for (const QItemSelectionRange& range : selection) {
    if (!range.isValid() || range.parent() != rootIndex() || range.left() > 0) continue;
    const int top = std::max(range.top(), first);
    const int bottom = std::min(range.bottom(), last);
    if (top <= bottom) region += QRect(visualRect(rowIndex(top)).topLeft(), visualRect(rowIndex(bottom)).bottomRight());
  }
  return region;
}

// The options QListView gave its items: the icon size of a list, and a
// selected row highlighted across its width (which Qt's Windows styles
// give to list views alone).
void LineListView::initViewItemOption(QStyleOptionViewItem* option) const {
  QAbstractItemView::initViewItemOption(option);
  if (!iconSize().isValid()) {
    const int size = style()->pixelMetric(QStyle::PM_ListViewIconSize, nullptr, this);
    option->decorationSize = QSize(size, size);
  }
  option->showDecorationSelected = true;
}

// Only the rows in the painted area, each through the delegate as QListView
// painted them.
void LineListView::paintEvent(QPaintEvent* event) {
  const int rows = rowCount();
  if (rows == 0) return;
  QPainter painter(viewport());
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  const QStyle::State state = option.state;
  const bool enabled = state & QStyle::State_Enabled;
  const QModelIndex current = currentIndex();
  const bool focus = (hasFocus() || viewport()->hasFocus()) && current.isValid();
  const QModelIndex hover = hovering_ ? indexAt(hoverPos_) : QModelIndex();
  const QItemSelectionModel* selection = selectionModel();
  const QRect area = event->rect();
  const qint64 first = std::max<qint64>(0, rowAt(area.top()));
  const qint64 last = std::min<qint64>(rows - 1, rowAt(area.bottom()));
  for (qint64 row = first; row <= last; ++row) {
    const QModelIndex index = rowIndex(static_cast<int>(row));
    QAbstractItemDelegate* delegate = itemDelegateForIndex(index);
    if (!delegate) continue;
    option.rect = visualRect(index);
    option.state = state;
    if (selection && selection->isSelected(index)) option.state |= QStyle::State_Selected;
    if (enabled) {
      const bool itemEnabled = model()->flags(index) & Qt::ItemIsEnabled;
      if (!itemEnabled) option.state &= ~QStyle::State_Enabled;
      option.palette.setCurrentColorGroup(itemEnabled ? QPalette::Normal : QPalette::Disabled);
    }
    if (focus && index == current) option.state |= QStyle::State_HasFocus;
    if (index == hover) option.state |= QStyle::State_MouseOver;
    delegate->paint(&painter, option, index);
  }
}

bool LineListView::viewportEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
      hovering_ = true;
      hoverPos_ = static_cast<QHoverEvent*>(event)->position().toPoint();
      break;
    case QEvent::HoverLeave:
    case QEvent::Leave:
      hovering_ = false;
      break;
    default:
      break;
  }
  return QAbstractItemView::viewportEvent(event);
}

void LineListView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    heightDirty_ = true;
    widthDirty_ = true;
  }
  QAbstractItemView::changeEvent(event);
}

// A layout measures again: the font, the style or the rows have changed.
void LineListView::doItemsLayout() {
  heightDirty_ = true;
  widthDirty_ = true;
  QAbstractItemView::doItemsLayout();
}

void LineListView::rowsInserted(const QModelIndex& parent, int start, int end) {
  QAbstractItemView::rowsInserted(parent, start, end);
  if (parent != rootIndex()) return;
  scheduleDelayedItemsLayout();
  emit rowsReplacedFrom(start);
}

void LineListView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
  QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
  if (parent != rootIndex()) return;
  scheduleDelayedItemsLayout();
  emit rowsReplacedFrom(start);
}

// Type-ahead as QAbstractItemView does it, reading at most kSearchRows
// lines, so that a key in a list of millions of empty lines answers at once.
void LineListView::keyboardSearch(const QString& search) {
  const int rows = rowCount();
  if (rows == 0) return;
  const QModelIndex current = currentIndex();
  const bool continued = !search.isEmpty() && typedTime_.isValid() &&
                         typedTime_.elapsed() <= QApplication::keyboardInputInterval();
  typedTime_.start();
  bool skipRow = false;
  if (continued) {
    typed_ += search;
  } else {
    typed_ = search;
    skipRow = current.isValid();
  }
  if (typed_.isEmpty()) return;
  // One key typed again and again steps through the lines starting with it.
  const bool sameKey = typed_.size() > 1 && typed_.count(typed_.back()) == typed_.size();
  if (sameKey) skipRow = true;
  const QString wanted = sameKey ? QString(typed_.front()) : typed_;
  int row = current.isValid() ? current.row() : 0;
  if (skipRow) row = row + 1 < rows ? row + 1 : 0;
  for (int read = std::min(rows, kSearchRows); read > 0; --read) {
    const QModelIndex index = rowIndex(row);
    if ((model()->flags(index) & Qt::ItemIsEnabled) &&
        index.data(Qt::DisplayRole).toString().startsWith(wanted, Qt::CaseInsensitive)) {
      // Alone, also with Shift held for a capital letter.
      pickAlone(index);
      return;
    }
    row = row + 1 < rows ? row + 1 : 0;
  }
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

// Reporting: see the class comment.
void LineListView::mousePressEvent(QMouseEvent* event) {
  if (TakeOtherButton(event)) return;
  // The list takes the focus from the primary button only (see the policy).
  setFocus(Qt::MouseFocusReason);
  changed_ = false;
  const QModelIndex pressed = indexAt(event->position().toPoint());
  const Qt::KeyboardModifiers keys = event->modifiers();
  if (!(keys & Qt::ShiftModifier)) {
    rangePress_ = RangePress::None;
  } else if (keys & Qt::ControlModifier) {
    rangePress_ = RangePress::Add;
    // The range replaces the selection that Qt holds as current (the last
    // pick); made part of the whole first, that pick stays.
    if (selectionModel()) selectionModel()->select(QModelIndex(), QItemSelectionModel::Select);
  } else {
    rangePress_ = RangePress::Replace;
  }
  // With no anchor yet the range starts at the current line, which the
  // press is about to move.
  if (rangePress_ != RangePress::None && !anchor_.isValid()) anchor_ = currentIndex();
  QAbstractItemView::mousePressEvent(event);
  if (rangePress_ == RangePress::None && pressed.isValid()) anchor_ = pressed;
}

// Reporting: see the class comment.
void LineListView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (TakeOtherButton(event)) return;
  changed_ = false;
  QAbstractItemView::mouseDoubleClickEvent(event);
}

void LineListView::mouseMoveEvent(QMouseEvent* event) {
  if (TakeOtherButton(event)) return;
  // Qt's item views take the row under a moving mouse as hovered, too.
  hovering_ = true;
  hoverPos_ = event->position().toPoint();
  QAbstractItemView::mouseMoveEvent(event);
}

// Reporting: see the class comment. A click or a drag is reported here, as
// a press on a selected line leaves the selection to the release.
void LineListView::mouseReleaseEvent(QMouseEvent* event) {
  if (TakeOtherButton(event)) return;
  QAbstractItemView::mouseReleaseEvent(event);
  rangePress_ = RangePress::None;
  reportIfChanged();
}

// Reporting: see the class comment.
void LineListView::keyPressEvent(QKeyEvent* event) {
  changed_ = false;
  if (!moveByKey(event)) QAbstractItemView::keyPressEvent(event);
  reportIfChanged();
}

// Qt moves only when the key lands on another line, and extends a Shift
// range with what was picked before; a Windows list selects on every key.
bool LineListView::moveByKey(QKeyEvent* event) {
  CursorAction action = MoveDown;
  switch (event->key()) {
    case Qt::Key_Up: action = MoveUp; break;
    case Qt::Key_Down: action = MoveDown; break;
    case Qt::Key_PageUp: action = MovePageUp; break;
    case Qt::Key_PageDown: action = MovePageDown; break;
    case Qt::Key_Home: action = MoveHome; break;
    case Qt::Key_End: action = MoveEnd; break;
    default: return false;
  }
  QItemSelectionModel* selection = selectionModel();
  const QModelIndex target = selection ? moveCursor(action, event->modifiers()) : QModelIndex();
  if (!target.isValid()) return false;
  if (event->modifiers() & Qt::ControlModifier) {
    // Ctrl moves the focus and the anchor; the selection stays.
    anchor_ = target;
    selection->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
  } else if (event->modifiers() & Qt::ShiftModifier) {
    const QItemSelection range = rangeFromAnchor(target);
    selection->setCurrentIndex(target, QItemSelectionModel::NoUpdate);
    selection->select(range, QItemSelectionModel::ClearAndSelect);
  } else {
    pickAlone(target);
  }
  scrollTo(target);
  event->accept();
  return true;
}

// Taking the keyboard focus must not make a line current: with no current
// line the focused index stays -1 until the user picks a line.
void LineListView::focusInEvent(QFocusEvent* event) {
  const bool hadCurrent = currentIndex().isValid();
  QAbstractItemView::focusInEvent(event);
  if (!hadCurrent && currentIndex().isValid() && selectionModel()) {
    changeQuietly([this] { selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate); });
  }
}

// A changed row is repainted and nothing is laid out; only the last row's
// text sets the width of the rows, so its change measures it again.
void LineListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                               const QList<int>& roles) {
  QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
  const int lastRow = rowCount() - 1;
  if (topLeft.isValid() && bottomRight.isValid() && topLeft.parent() == rootIndex() &&
      bottomRight.row() < lastRow)
    return;
  const int before = rowWidth();
  widthDirty_ = true;
  updateGeometries();
  if (rowWidth() != before) viewport()->update();
}

// A new script shows from its top (its first line is made current next)
// and has no anchor yet.
void LineListView::reset() {
  QAbstractItemView::reset();
  anchor_ = QPersistentModelIndex();
  widthDirty_ = true;
  updateGeometries();
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  emit rowsReplacedFrom(0);
}

// QListView told assistive tools of the first row selected and deselected.
void LineListView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  if (QAccessible::isActive()) {
    const auto tell = [this](const QItemSelection& rows, QAccessible::Event type) {
      if (rows.isEmpty()) return;
      QAccessibleEvent event(this, type);
      event.setChild(rows.first().top());
      QAccessible::updateAccessibility(&event);
    };
    tell(selected, QAccessible::SelectionAdd);
    tell(deselected, QAccessible::SelectionRemove);
  }
  QAbstractItemView::selectionChanged(selected, deselected);
}

// The current line goes from none to a line only when a load makes the first
// line current, right after reset(), which has shown the top of the list:
// the whole viewport is to be repainted, and nothing is to be scrolled.
void LineListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  if (!previous.isValid()) {
    viewport()->update();
    return;
  }
  if (QAccessible::isActive() && current.isValid() && hasFocus()) {
    QAccessibleEvent event(this, QAccessible::Focus);
    event.setChild(current.row());
    QAccessible::updateAccessibility(&event);
  }
  QAbstractItemView::currentChanged(current, previous);
}

}  // namespace vorrik

#pragma once

#include <QAbstractItemView>
#include <QElapsedTimer>

#include <functional>

#include "document/line_list_model.h"

namespace vorrik {

/// The line list: one row per line of the script, all of one height, laid
/// out by arithmetic, so that nothing in the view costs memory or time per
/// row (a script may have 67 million lines). Rows are as wide as the
/// viewport or the last line, whichever is wider; the view scrolls by rows
/// down and by pixels across, and shows at most kShownLength characters of
/// a line.
///
/// Lines are picked as in a Windows extended-selection list box. A click or
/// a navigation key (Up, Down, PageUp, PageDown, Home, End) selects one line
/// alone, even the line that is current already. Ctrl with a click toggles
/// a line; Ctrl with a key moves the current line alone. Shift with a click
/// or a key selects the range from the anchor (the line last reached without
/// Shift) alone; Ctrl and Shift with a click add that range. Only the
/// primary mouse button selects; other buttons do nothing.
///
/// Reporting: the view calls onUserChange once per user action (a click, a
/// drag, a key) that changed its selection or current line, after it has
/// applied the whole action, and not at all for an action that changed
/// neither. Changes made through changeQuietly() are not reported; the
/// program reports those itself.
class LineListView : public QAbstractItemView {
  Q_OBJECT

 public:
  /// The most characters of a line that a row shows (and measures), as
  /// many as the line model gives for display.
  static constexpr int kShownLength = LineListModel::kShownCharacters;
  /// The most rows that one type-ahead search reads past its start.
  static constexpr int kSearchRows = 1 << 20;

  explicit LineListView(QWidget* parent = nullptr);

  /// The start of a line as a row shows it: at most kShownLength characters.
  static QString shownText(QString text);

  /// Shares selectionModel (whose model must be the view's) and watches it.
  void shareSelectionModel(QItemSelectionModel* selectionModel);
  /// Runs change with the change reporting off.
  void changeQuietly(const std::function<void()>& change);
  /// Makes index current and selected alone, and the anchor, as a click on
  /// it does.
  void pickAlone(const QModelIndex& index);

  /// Called after a user action that changed the selection or current line.
  std::function<void()> onUserChange;

  /// The height of every row, from the style and the view's font.
  int rowHeight() const;
  /// The width of the rows' content: the last line's shown text.
  int contentWidth() const;
  /// The row shown at the top (the vertical scroll bar's value).
  int topRow() const;

  QRect visualRect(const QModelIndex& index) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  QModelIndex indexAt(const QPoint& point) const override;
  void keyboardSearch(const QString& search) override;
  int sizeHintForRow(int row) const override;
  int sizeHintForColumn(int column) const override;

 signals:
  /// Rows first and after have gone or hold other lines now (a new script,
  /// rows removed or inserted).
  void rowsReplacedFrom(int first);

 public slots:
  void reset() override;
  void doItemsLayout() override;

 protected:
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
  int horizontalOffset() const override;
  int verticalOffset() const override;
  bool isIndexHidden(const QModelIndex& index) const override;
  void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event = nullptr) const override;
  QRegion visualRegionForSelection(const QItemSelection& selection) const override;
  void initViewItemOption(QStyleOptionViewItem* option) const override;
  void scrollContentsBy(int dx, int dy) override;

  void paintEvent(QPaintEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 protected slots:
  void updateGeometries() override;
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles = QList<int>()) override;
  void rowsInserted(const QModelIndex& parent, int start, int end) override;
  void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  int rowCount() const;
  QModelIndex rowIndex(int row) const;
  /// Rows are as wide as this: the viewport or the content, the wider.
  int rowWidth() const;
  /// The row at y pixels from the viewport's top (may be out of range).
  qint64 rowAt(int y) const;
  void reportIfChanged();
  /// Moves by a navigation key and selects as the class comment says;
  /// false for any other key, or no line to move to.
  bool moveByKey(QKeyEvent* event);
  /// The lines from the anchor to end (the current line when there is no
  /// anchor yet, which becomes it).
  QItemSelection rangeFromAnchor(const QModelIndex& end);

  bool changed_ = false;
  int quiet_ = 0;

  // Where a Shift range starts.
  QPersistentModelIndex anchor_;
  // From a Shift press of the primary button to its release, the press and
  // the drag select from the anchor: alone, or added with Ctrl.
  enum class RangePress { None, Replace, Add };
  RangePress rangePress_ = RangePress::None;

  // Measured lazily: the row height when the font or style changes, the
  // content width also when the last row changes.
  mutable bool heightDirty_ = true;
  mutable bool widthDirty_ = true;
  mutable int rowHeight_ = 1;
  mutable int contentWidth_ = 0;

  // Where the mouse hovers over the viewport, for the hover look.
  bool hovering_ = false;
  QPoint hoverPos_;

  // Type-ahead: the text typed so far and when its last key came.
  QString typed_;
  QElapsedTimer typedTime_;
};

}  // namespace vorrik

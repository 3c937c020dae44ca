#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <QObject>
#include <QPointer>

namespace vorrik {

class LineListView;

/// One line of the list as assistive tools see it: a list item named by the
/// line's shown text. It stands for a row number, so the list releases it
/// when that row goes or comes to hold another line.
class LineAccessible : public QAccessibleInterface {
 public:
  LineAccessible(LineListView* view, int row);
  ~LineAccessible() override;

  /// How many line items exist, in all lists.
  static int liveCount() { return live_; }

  int row() const { return row_; }
  const LineListView* view() const { return view_.data(); }

  bool isValid() const override;
  QObject* object() const override { return nullptr; }
  QWindow* window() const override;
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override;
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text t) const override;
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override;
  QAccessible::Role role() const override { return QAccessible::ListItem; }
  QAccessible::State state() const override;

 private:
  QModelIndex index() const;

  static inline int live_ = 0;

  QPointer<LineListView> view_;
  int row_;
};

/// The line list as assistive tools see it. Qt gives an item view's
/// accessible interface only to its own views; this one is a list whose
/// items are made on demand, one per row asked for, and released when
/// their rows are replaced.
class LineListAccessible : public QAccessibleWidget {
 public:
  explicit LineListAccessible(LineListView* view);
  ~LineListAccessible() override;

  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;
  QAccessibleInterface* focusChild() const override;
  QAccessible::State state() const override;

 private:
  LineListView* view() const;
  /// Deletes the item interfaces of rows first and after.
  void releaseRowsFrom(int first);

  // The item interfaces asked for so far, by row.
  mutable QHash<int, QAccessible::Id> rows_;
  // Holds the connection to the view, which ends with this interface.
  QObject watch_;
};

/// The accessible interface of a LineListView, for QAccessible::installFactory.
QAccessibleInterface* MakeLineListAccessible(const QString& className, QObject* object);

}  // namespace vorrik

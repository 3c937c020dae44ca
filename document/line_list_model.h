#pragma once

#include <QAbstractListModel>
#include <QItemSelectionModel>

#include <initializer_list>
#include <string_view>

#include "analysis/analyse.h"
#include "analysis/recount_cache.h"
#include "document/script_bytes.h"

namespace vorrik {

/// The script's lines, the only copy of its text, as a list model: one row
/// per line, in file order, shown by the line list view.
class LineListModel : public QAbstractListModel {
 public:
  /// How much of a line a row shows: its display text stops here, so that a
  /// line of megabytes costs a view no more than a short one. The line
  /// itself stays whole.
  static constexpr int kShownCharacters = 1024;

  explicit LineListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  /// The line's text for display, cut at kShownCharacters.
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  int count() const { return lines_.count(); }
  /// Line i (0 <= i < count()), valid until the lines next change.
  std::u16string_view line(int i) const { return lines_.line(i); }
  const LineStore& lines() const { return lines_; }

  /// Replaces line i (0 <= i < count()) and, when it changed, tells the
  /// views and the recount cache about that row.
  void setLine(int i, std::u16string_view text);
  /// Replaces every line at once (a model reset).
  void replaceLines(LineStore lines);
  void replaceLines(std::initializer_list<std::u16string_view> lines) { replaceLines(LineStore::FromLines(lines)); }

  /// What the last whole-list run remembers of these lines, told of every
  /// change made here.
  RecountCache& recountCache() { return recountCache_; }

 private:
  LineStore lines_;
  RecountCache recountCache_;
};

/// The analysis engine's view of the line list: the model's lines with the
/// focus and the selection of a selection model over it.
class ModelLineList : public LineList {
 public:
  ModelLineList(LineListModel& model, const QItemSelectionModel& selection)
      : model_(model), selection_(selection) {}

  int count() const override { return model_.count(); }
  std::u16string_view text(int i) const override { return model_.line(i); }
  void setText(int i, std::u16string_view text) override { model_.setLine(i, text); }
  int focusedIndex() const override;
  int selectedCount() const override;
  /// The selected lines themselves, whichever is focused.
  std::vector<LineBlock> selectedBlocks() const override;
  RecountCache* recountCache() override { return &model_.recountCache(); }

 private:
  LineListModel& model_;
  const QItemSelectionModel& selection_;
};

}  // namespace vorrik

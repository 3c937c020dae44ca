#include "line_list_model.h"

#include <algorithm>
#include <utility>

namespace vorrik {

int LineListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count();
}

QVariant LineListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= count()) return {};
  if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
  return QString::fromStdU16String(line(index.row()));
}

void LineListModel::setLine(int i, std::u16string_view text) {
  lines_[static_cast<std::size_t>(i)].assign(text);
  const QModelIndex changed = index(i);
  emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
}

void LineListModel::replaceLines(std::vector<std::u16string> lines) {
  beginResetModel();
  lines_ = std::move(lines);
  endResetModel();
}

int ModelLineList::focusedIndex() const {
  const QModelIndex current = selection_.currentIndex();
  return current.isValid() ? current.row() : -1;
}

int ModelLineList::selectedCount() const {
  // The selection is a list of row ranges that may overlap (a toggled click
  // adds a range beside the ones already there); count the rows of their
  // union without building a list of indexes.
  const QItemSelection selection = selection_.selection();
  std::vector<std::pair<int, int>> ranges;
  ranges.reserve(static_cast<std::size_t>(selection.size()));
  for (const QItemSelectionRange& range : selection)
    if (range.isValid() && range.left() == 0) ranges.emplace_back(range.top(), range.bottom());
  std::sort(ranges.begin(), ranges.end());
  int count = 0;
  int coveredTo = -1;  // last row already counted
  for (const auto& [top, bottom] : ranges) {
    const int from = std::max(top, coveredTo + 1);
    if (bottom >= from) {
      count += bottom - from + 1;
      coveredTo = bottom;
    }
  }
  return count;
}

}  // namespace vorrik

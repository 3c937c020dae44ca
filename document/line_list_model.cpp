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
  const std::u16string_view text = line(index.row());
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(std::min<std::size_t>(text.size(), kShownCharacters)));
}

void LineListModel::setLine(int i, std::u16string_view text) {
  // A line that stays as it was (a rip of an empty line) is no change to show.
  if (!lines_.setLine(i, text)) return;
  recountCache_.lineChanged(i);
  // One list of roles for every change: a rip of millions of lines builds none.
  static const QList<int> kRoles{Qt::DisplayRole, Qt::EditRole};
  const QModelIndex changed = index(i);
  emit dataChanged(changed, changed, kRoles);
}

void LineListModel::replaceLines(LineStore lines) {
  beginResetModel();
  lines_ = std::move(lines);
  recountCache_.clear();
  endResetModel();
}

int ModelLineList::focusedIndex() const {
  const QModelIndex current = selection_.currentIndex();
  return current.isValid() ? current.row() : -1;
}

int ModelLineList::selectedCount() const {
  // The selection model keeps its ranges disjoint (merging splits off what
  // overlaps), so their heights add up to the selected rows, with no list of
  // indexes built.
  int count = 0;
  for (const QItemSelectionRange& range : selection_.selection())
    if (range.isValid()) count += range.height();
  return count;
}

std::vector<LineBlock> ModelLineList::selectedBlocks() const {
  std::vector<LineBlock> blocks;
  for (const QItemSelectionRange& range : selection_.selection())
    if (range.isValid()) blocks.push_back({range.top(), range.bottom()});
  // Disjoint ranges, in the order they were made: sorted, and those that
  // touch joined into the block they make together.
  std::sort(blocks.begin(), blocks.end(), [](const LineBlock& a, const LineBlock& b) { return a.first < b.first; });
  std::vector<LineBlock> joined;
  for (const LineBlock& block : blocks) {
    if (!joined.empty() && block.first <= joined.back().last + 1)
      joined.back().last = std::max(joined.back().last, block.last);
    else
      joined.push_back(block);
  }
  return joined;
}

}  // namespace vorrik

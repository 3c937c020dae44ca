#include "document/changed_lines.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <stdexcept>

namespace vorrik {

namespace {

// Fibonacci hashing: neighbouring lines land far apart in the table.
constexpr std::uint64_t kSpread = 0x9E3779B97F4A7C15ull;
constexpr std::size_t kFirstSlots = 16;
// The buffer is compacted once this much of it, and more than half, is unused.
constexpr std::size_t kCompactAt = std::size_t{1} << 16;

}  // namespace

const ChangedLines::Slot* ChangedLines::find(int line) const {
  if (slots_.empty()) return nullptr;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = static_cast<std::uint32_t>(line) * kSpread >> shift_;; i = (i + 1) & mask) {
    if (slots_[i].line == line) return &slots_[i];
    if (slots_[i].line < 0) return nullptr;
  }
}

ChangedLines::Slot& ChangedLines::slotFor(int line) {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = static_cast<std::uint32_t>(line) * kSpread >> shift_;; i = (i + 1) & mask) {
    if (slots_[i].line == line || slots_[i].line < 0) return slots_[i];
  }
}

std::u16string_view ChangedLines::text(int line) const {
  const Slot* slot = find(line);
  return slot ? std::u16string_view(buffer_.data() + slot->start, slot->length) : std::u16string_view();
}

void ChangedLines::grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(std::max(kFirstSlots, old.size() * 2), Slot());
  shift_ = 64 - std::countr_zero(slots_.size());
  for (const Slot& slot : old)
    if (slot.line >= 0) slotFor(slot.line) = slot;
}

void ChangedLines::set(int line, std::u16string_view text) {
  // Text from the buffer itself would move as the buffer grows.
  if (!text.empty() && text.data() >= buffer_.data() && text.data() < buffer_.data() + buffer_.size()) {
    const std::u16string copy(text);
    set(line, copy);
    return;
  }
  if (text.size() > std::numeric_limits<std::uint32_t>::max()) throw std::length_error("line beyond 4 Gi characters");
  const auto length = static_cast<std::uint32_t>(text.size());
  if ((count_ + 1) * 2 > slots_.size()) grow();
  Slot& slot = slotFor(line);
  if (slot.line < 0) {
    slot = Slot{buffer_.size(), 0, line};
    ++count_;
    const auto index = static_cast<std::size_t>(line);
    if (bits_.size() <= index / 64) bits_.resize(index / 64 + 1);
    bits_[index / 64] |= std::uint64_t{1} << (index % 64);
  }
  if (length <= slot.length) {
    // In place; the rest of its room goes unused.
    unused_ += slot.length - length;
  } else if (slot.start + slot.length == buffer_.size()) {
    // The last text of the buffer grows where it stands, as a line being
    // typed into does keystroke after keystroke.
    buffer_.resize(slot.start + length);
  } else {
    unused_ += slot.length;
    slot.start = buffer_.size();
    buffer_.resize(buffer_.size() + length);
  }
  std::copy(text.begin(), text.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(slot.start));
  slot.length = length;
  if (unused_ > kCompactAt && unused_ > buffer_.size() / 2) compact();
}

void ChangedLines::compact() {
  std::u16string fresh;
  fresh.reserve(textSize());
  for (Slot& slot : slots_) {
    if (slot.line < 0) continue;
    const std::size_t start = fresh.size();
    fresh.append(buffer_, slot.start, slot.length);
    slot.start = start;
  }
  buffer_ = std::move(fresh);
  unused_ = 0;
}

void ChangedLines::clear() {
  bits_ = {};
  slots_ = {};
  shift_ = 64;
  count_ = 0;
  buffer_ = {};
  unused_ = 0;
}

}  // namespace vorrik

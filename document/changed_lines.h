#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorrik {

/// The lines of a script changed since it was read, kept aside from its text
/// without an allocation per line: their text end to end in one buffer, found
/// by line index through a bit a line and an open-addressing table. Changing
/// any number of lines allocates only as the buffer and the table grow.
class ChangedLines {
 public:
  /// Whether line is held here.
  bool contains(int line) const {
    const auto index = static_cast<std::size_t>(line);
    return index / 64 < bits_.size() && (bits_[index / 64] >> (index % 64) & 1u) != 0;
  }
  /// The text of a line held here, valid until the next change.
  std::u16string_view text(int line) const;
  /// Holds text as line's text (line >= 0); text may lie anywhere, this
  /// object's own buffer included.
  void set(int line, std::u16string_view text);
  /// How many lines are held.
  std::size_t size() const { return count_; }
  /// Characters of text held for the lines.
  std::size_t textSize() const { return buffer_.size() - unused_; }
  void clear();

 private:
  struct Slot {
    std::uint64_t start = 0;
    std::uint32_t length = 0;
    std::int32_t line = -1;  // -1: empty
  };

  /// The slot of line, or the empty slot where it would go.
  Slot& slotFor(int line);
  const Slot* find(int line) const;
  /// Doubles the table, or makes the first one.
  void grow();
  /// Moves the lines' text to a buffer of its own size, dropping what no
  /// line uses any more.
  void compact();

  std::vector<std::uint64_t> bits_;  // a bit a line, as far as the last held
  std::vector<Slot> slots_;          // a power of two, at most half full
  int shift_ = 64;                   // 64 - log2(slots_.size())
  std::size_t count_ = 0;
  std::u16string buffer_;            // the lines' text, end to end
  std::size_t unused_ = 0;           // characters of buffer_ no line uses
};

}  // namespace vorrik

#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/changed_lines.h"

namespace vorrik {

/// Scripts larger than this are refused: far past any real script, and it
/// keeps a stray multi-gigabyte file from exhausting memory.
inline constexpr std::size_t kMaxScriptBytes = 64u * 1024u * 1024u;

/// Decodes one byte of the script code page (Windows-1252, with the five
/// bytes it leaves undefined mapped to U+0081, U+008D, U+008F, U+0090 and
/// U+009D, so that every byte value round-trips).
char16_t DecodeByte(unsigned char byte);

/// The byte for c, or nothing when the code page cannot write it.
std::optional<unsigned char> EncodeChar(char16_t c);

/// Splits file bytes read block by block into lines by the byte rules: CR or
/// CR LF ends a line (also across blocks), a bare LF is an ordinary
/// character, and a line end as the last bytes of the file starts no new
/// line. The sink receives the bytes of the line being read with
/// sink.lineBytes(piece), in any number of pieces, and sink.lineEnd() when
/// the line ends.
class LineSplitter {
 public:
  template <typename Sink>
  void feed(std::string_view block, Sink& sink) {
    std::size_t i = 0;
    if (crPending_ && !block.empty()) {
      crPending_ = false;
      if (block[0] == '\n') i = 1;
    }
    while (i < block.size()) {
      const std::size_t cr = block.find('\r', i);
      const std::size_t end = cr == std::string_view::npos ? block.size() : cr;
      if (end > i) sink.lineBytes(block.substr(i, end - i));
      lineOpen_ = true;
      if (cr == std::string_view::npos) break;
      sink.lineEnd();
      lineOpen_ = false;
      i = end + 1;
      if (i == block.size()) {
        crPending_ = true;
      } else if (block[i] == '\n') {
        ++i;
      }
    }
  }

  /// After the last block: the end of the file ends the last line.
  template <typename Sink>
  void finish(Sink& sink) {
    if (lineOpen_) sink.lineEnd();
    lineOpen_ = false;
    crPending_ = false;
  }

 private:
  bool crPending_ = false;  // the last block ended with CR: an LF next is its
  bool lineOpen_ = false;   // a line has begun that no line end has ended
};

/// The characters of bytes in the script code page, written to out (room for
/// bytes.size() characters).
void DecodeBytes(std::string_view bytes, char16_t* out);

/// A script's lines without an allocation per line: the text of the lines as
/// read, decoded and end to end in one buffer, with a table of where each
/// line ends (4 bytes a line), and the lines changed since kept aside until
/// they are many. Lines
/// come from file bytes read block by block, by the byte rules: CR or CR LF
/// ends a line (also across blocks), a bare LF is an ordinary character, and a
/// line end as the last bytes of the file starts no new line.
class LineStore {
 public:
  /// The lines of a whole file's bytes.
  static LineStore FromBytes(std::string_view bytes);
  /// A store of the given lines.
  static LineStore FromLines(std::initializer_list<std::u16string_view> lines);

  /// Makes room for the lines of a file of this many bytes, so that reading
  /// it moves nothing; room that the file does not fill is never touched.
  void reserveForBytes(std::size_t bytes);
  /// Splits and decodes the next block of file bytes.
  void appendBytes(std::string_view block) { splitter_.feed(block, *this); }
  /// After the last block: the end of the file ends the last line.
  void finishBytes() { splitter_.finish(*this); }
  /// Appends one line of text.
  void appendLine(std::u16string_view line);

  int count() const { return static_cast<int>(ends_.size()); }
  /// Line i (0 <= i < count()), valid until the store next changes.
  std::u16string_view line(int i) const {
    if (changed_.contains(i)) return changed_.text(i);
    const auto index = static_cast<std::size_t>(i);
    const std::uint32_t start = index == 0 ? 0 : ends_[index - 1];
    return {text_.data() + start, ends_[index] - start};
  }
  /// Replaces line i (0 <= i < count()); text may be any line of the store.
  /// Returns whether the line changed.
  bool setLine(int i, std::u16string_view text);
  /// How many lines are kept aside as changed (not yet folded into the text).
  std::size_t changedAside() const { return changed_.size(); }

  /// Changed lines are folded into the text once more than this many, and
  /// more than a sixteenth of all lines, are kept aside: each read of a line
  /// kept aside costs a table lookup.
  static constexpr std::size_t kFoldAt = std::size_t{1} << 12;

  // The splitter's sink.
  void lineBytes(std::string_view bytes);
  void lineEnd();

 private:
  /// Rewrites the text with the changed lines in place of the old ones.
  void foldChanges();

  std::u16string text_;              // every line as read, end to end
  std::vector<std::uint32_t> ends_;  // where in text_ each line ends
  ChangedLines changed_;             // lines changed since, kept aside
  LineSplitter splitter_;
};

/// A character that the code page cannot write.
struct UnencodableChar {
  std::size_t lineIndex;  // 0-based
  std::size_t position;   // 0-based, within the line
  char16_t character;
};

/// Appends the encoded line to out, or returns the first character that cannot
/// be written (out is then left partly written).
std::optional<UnencodableChar> EncodeLine(std::u16string_view line, std::size_t lineIndex,
                                          std::string& out);

/// The bytes of a saved script: every line encoded and followed by CR LF.
/// Fails on the first character that the code page cannot write.
struct EncodedScript {
  std::string bytes;
  std::optional<UnencodableChar> error;
};
EncodedScript JoinScriptLines(const LineStore& lines);

}  // namespace vorrik

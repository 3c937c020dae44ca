#pragma once

#include <algorithm>
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

/// How a script's lines end. CrLf is the rule of script files: CR or CR LF
/// ends a line and a bare LF is an ordinary character; lines are saved with
/// CR LF. Lf is for files written with LF alone (as the game reads them): CR,
/// LF or CR LF ends a line, and lines are saved with LF.
enum class LineEnds { CrLf, Lf };

/// The bytes that end each saved line.
constexpr std::string_view LineEndBytes(LineEnds ends) { return ends == LineEnds::Lf ? "\n" : "\r\n"; }

/// Decides a file's line ends from its bytes, fed block by block: a file
/// with no CR LF at all and at least one LF has Lf ends, any other CrLf. The
/// first CR LF decides at once; otherwise only the end of the file does.
class LineEndDetector {
 public:
  void feed(std::string_view block) {
    if (crLf_) return;
    for (std::size_t lf = block.find('\n'); lf != std::string_view::npos; lf = block.find('\n', lf + 1)) {
      if (lf > 0 ? block[lf - 1] == '\r' : crLast_) {
        crLf_ = true;
        return;
      }
      lf_ = true;
    }
    if (!block.empty()) crLast_ = block.back() == '\r';
  }
  /// Whether more bytes cannot change the answer.
  bool decided() const { return crLf_; }
  /// The line ends of the bytes fed so far, taken as the whole file.
  LineEnds lineEnds() const { return lf_ && !crLf_ ? LineEnds::Lf : LineEnds::CrLf; }

 private:
  bool crLf_ = false;   // a CR LF was seen
  bool lf_ = false;     // a bare LF was seen
  bool crLast_ = false;  // the last block ended with CR
};

/// Splits file bytes read block by block into lines by the rule of ends:
/// CR or CR LF ends a line (also across blocks), and so does a bare LF with
/// Lf ends, which is an ordinary character otherwise. A line end as the last
/// bytes of the file starts no new line. The sink receives the bytes of the
/// line being read with sink.lineBytes(piece), in any number of pieces, and
/// sink.lineEnd() when the line ends.
class LineSplitter {
 public:
  explicit LineSplitter(LineEnds ends = LineEnds::CrLf) : lf_(ends == LineEnds::Lf) {}

  template <typename Sink>
  void feed(std::string_view block, Sink& sink) {
    std::size_t i = 0;
    if (crPending_ && !block.empty()) {
      crPending_ = false;
      if (block[0] == '\n') i = 1;
    }
    while (i < block.size()) {
      const std::size_t end = lineEnd(block, i);
      if (end > i) sink.lineBytes(block.substr(i, end - i));
      lineOpen_ = true;
      if (end == std::string_view::npos || end == block.size()) break;
      sink.lineEnd();
      lineOpen_ = false;
      i = end + 1;
      if (block[end] == '\n') continue;
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
  /// Where the first line end at or after i is, or block.size().
  std::size_t lineEnd(std::string_view block, std::size_t i) const {
    if (!lf_) return std::min(block.find('\r', i), block.size());
    while (i < block.size() && block[i] != '\r' && block[i] != '\n') ++i;
    return i;
  }

  bool lf_;                 // a bare LF ends a line
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
  /// Sets the rule that splits the bytes to come, and the ends the lines are
  /// saved with (CrLf until set).
  void setLineEnds(LineEnds ends);
  LineEnds lineEnds() const { return lineEnds_; }
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
  LineEnds lineEnds_ = LineEnds::CrLf;
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

/// The bytes of a saved script: every line encoded and followed by the
/// store's line end (CR LF, or LF for a file that had LF ends).
/// Fails on the first character that the code page cannot write.
struct EncodedScript {
  std::string bytes;
  std::optional<UnencodableChar> error;
};
EncodedScript JoinScriptLines(const LineStore& lines);

}  // namespace vorrik

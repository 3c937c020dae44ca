#include "script_bytes.h"

#include <array>
#include <limits>
#include <stdexcept>

namespace vorrik {

namespace {

// Bytes 0x80-0x9F. The five the code page leaves undefined map to the C1
// control with the same value, as web browsers decode them.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char16_t Decoded(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80u];
  return byte;
}

// Every byte's character, for decoding a block a byte at a time.
constexpr std::array<char16_t, 256> kDecode = [] {
  std::array<char16_t, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) table[byte] = Decoded(static_cast<unsigned char>(byte));
  return table;
}();

}  // namespace

char16_t DecodeByte(unsigned char byte) { return kDecode[byte]; }

std::optional<unsigned char> EncodeChar(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (std::size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == c) return static_cast<unsigned char>(0x80 + i);
  return std::nullopt;
}

LineStore LineStore::FromBytes(std::string_view bytes) {
  LineStore store;
  LineEndDetector detector;
  detector.feed(bytes);
  store.setLineEnds(detector.lineEnds());
  store.reserveForBytes(bytes.size());
  store.appendBytes(bytes);
  store.finishBytes();
  return store;
}

LineStore LineStore::FromLines(std::initializer_list<std::u16string_view> lines) {
  LineStore store;
  for (std::u16string_view line : lines) store.appendLine(line);
  return store;
}

void LineStore::reserveForBytes(std::size_t bytes) {
  // At most a character a byte, and a line a byte (plus the last line).
  text_.reserve(bytes);
  ends_.reserve(bytes + 1);
}

void LineStore::setLineEnds(LineEnds ends) {
  lineEnds_ = ends;
  splitter_ = LineSplitter(ends);
}

void DecodeBytes(std::string_view bytes, char16_t* out) {
  for (char byte : bytes) *out++ = kDecode[static_cast<unsigned char>(byte)];
}

void LineStore::lineBytes(std::string_view bytes) {
  if (text_.size() + bytes.size() > std::numeric_limits<std::uint32_t>::max())
    throw std::length_error("script text beyond 4 GiB characters");
  const std::size_t start = text_.size();
  text_.resize(start + bytes.size());
  DecodeBytes(bytes, text_.data() + start);
}

void LineStore::lineEnd() { ends_.push_back(static_cast<std::uint32_t>(text_.size())); }

void LineStore::appendLine(std::u16string_view line) {
  if (text_.size() + line.size() > std::numeric_limits<std::uint32_t>::max())
    throw std::length_error("script text beyond 4 GiB characters");
  text_.append(line);
  ends_.push_back(static_cast<std::uint32_t>(text_.size()));
}

bool LineStore::setLine(int i, std::u16string_view text) {
  // A line set to what it holds (a rip of an empty line) stays as it is.
  if (line(i) == text) return false;
  changed_.set(i, text);
  if (changed_.size() > kFoldAt && changed_.size() > ends_.size() / 16) foldChanges();
  return true;
}

void LineStore::foldChanges() {
  // The old text of the changed lines is dropped, so this is room enough.
  const std::size_t room = text_.size() + changed_.textSize();
  if (room > std::numeric_limits<std::uint32_t>::max()) return;  // ends would not fit: stay aside
  std::u16string text;
  text.reserve(room);
  std::uint32_t oldStart = 0;
  for (std::size_t k = 0; k < ends_.size(); ++k) {
    const std::uint32_t oldEnd = ends_[k];
    const int i = static_cast<int>(k);
    if (changed_.contains(i))
      text.append(changed_.text(i));
    else
      text.append(text_, oldStart, oldEnd - oldStart);
    ends_[k] = static_cast<std::uint32_t>(text.size());
    oldStart = oldEnd;
  }
  text_ = std::move(text);
  changed_.clear();
}

std::optional<UnencodableChar> EncodeLine(std::u16string_view line, std::size_t lineIndex,
                                          std::string& out) {
  for (std::size_t position = 0; position < line.size(); ++position) {
    const auto byte = EncodeChar(line[position]);
    if (!byte) return UnencodableChar{lineIndex, position, line[position]};
    out.push_back(static_cast<char>(*byte));
  }
  return std::nullopt;
}

EncodedScript JoinScriptLines(const LineStore& lines) {
  EncodedScript result;
  const std::string_view end = LineEndBytes(lines.lineEnds());
  std::size_t size = 0;
  for (int i = 0; i < lines.count(); ++i) size += lines.line(i).size() + end.size();
  result.bytes.reserve(size);
  for (int i = 0; i < lines.count(); ++i) {
    if ((result.error = EncodeLine(lines.line(i), static_cast<std::size_t>(i), result.bytes))) {
      result.bytes.clear();
      return result;
    }
    result.bytes += end;
  }
  return result;
}

}  // namespace vorrik

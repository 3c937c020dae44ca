#include "script_bytes.h"

#include <algorithm>
#include <array>

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

}  // namespace

char16_t DecodeByte(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80u];
  return byte;
}

std::optional<unsigned char> EncodeChar(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<unsigned char>(c);
  for (std::size_t i = 0; i < kHighControls.size(); ++i)
    if (kHighControls[i] == c) return static_cast<unsigned char>(0x80 + i);
  return std::nullopt;
}

std::vector<std::u16string> SplitScriptLines(std::string_view bytes) {
  std::vector<std::u16string> lines;
  lines.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\r')) + 1);
  // One allocation per line: find its end first, then decode it in place.
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\r', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::u16string& line = lines.emplace_back(end - start, u'\0');
    for (std::size_t i = start; i < end; ++i)
      line[i - start] = DecodeByte(static_cast<unsigned char>(bytes[i]));
    // CR, or CR LF, ends the line; the end of the file ends the last one, and
    // a line end as the last bytes starts no further line.
    start = end + 1;
    if (start < bytes.size() && bytes[end] == '\r' && bytes[start] == '\n') ++start;
  }
  return lines;
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

EncodedScript JoinScriptLines(const std::vector<std::u16string>& lines) {
  EncodedScript result;
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  result.bytes.reserve(size);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if ((result.error = EncodeLine(lines[i], i, result.bytes))) {
      result.bytes.clear();
      return result;
    }
    result.bytes += "\r\n";
  }
  return result;
}

}  // namespace vorrik

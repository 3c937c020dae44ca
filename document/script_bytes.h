#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

/// Splits file bytes into decoded lines: CR or CR LF ends a line, a bare LF is
/// an ordinary character, and a line end as the last bytes starts no new line.
std::vector<std::u16string> SplitScriptLines(std::string_view bytes);

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
EncodedScript JoinScriptLines(const std::vector<std::u16string>& lines);

}  // namespace vorrik

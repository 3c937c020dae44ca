#include "document/script_bytes.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace vorrik {
namespace {

std::vector<std::u16string> Lines(std::initializer_list<const char16_t*> lines) {
  return {lines.begin(), lines.end()};
}

TEST(ScriptBytes, FileExamples) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::u16string> lines;
    std::string saved;
  } cases[] = {
      {"CrLfAfterEachLine", "a\r\nb\r\n", Lines({u"a", u"b"}), "a\r\nb\r\n"},
      {"NoFinalLineEnd", "a\r\nb", Lines({u"a", u"b"}), "a\r\nb\r\n"},
      {"EmptyLastLine", "a\r\n\r\n", Lines({u"a", u""}), "a\r\n\r\n"},
      {"BareCarriageReturn", "a\rb", Lines({u"a", u"b"}), "a\r\nb\r\n"},
      {"BareLineFeedStaysInLine", "a\nb", Lines({u"a\nb"}), "a\nb\r\n"},
      {"ZeroBytes", "", Lines({}), ""},
      {"OnlyALineEnd", "\r\n", Lines({u""}), "\r\n"},
      {"CrCrLf", "a\r\r\n", Lines({u"a", u""}), "a\r\n\r\n"},
      {"LfAfterCrLf", "a\r\n\n", Lines({u"a", u"\n"}), "a\r\n\n\r\n"},
      {"HighBytes", "\x80\x81\xe9\xff", Lines({u"\u20ac\u0081\u00e9\u00ff"}), "\x80\x81\xe9\xff\r\n"},
      {"Nul", std::string("a\0b", 3), {std::u16string(u"a\0b", 3)}, std::string("a\0b\r\n", 5)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto lines = SplitScriptLines(c.bytes);
    EXPECT_EQ(lines, c.lines);
    const auto saved = JoinScriptLines(lines);
    EXPECT_FALSE(saved.error.has_value());
    EXPECT_EQ(saved.bytes, c.saved);
  }
}

TEST(ScriptBytes, CodePage) {
  struct Case {
    unsigned char byte;
    char16_t c;
  } cases[] = {{0x00, 0x0000}, {0x41, u'A'},   {0x7F, 0x007F}, {0x80, 0x20AC}, {0x81, 0x0081},
               {0x8A, 0x0160}, {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x93, 0x201C},
               {0x9D, 0x009D}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE9, 0x00E9}, {0xFF, 0x00FF}};
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeByte(c.byte), c.c) << int{c.byte};
    EXPECT_EQ(EncodeChar(c.c), c.byte) << int{c.byte};
  }
  // Every byte value comes back as itself.
  for (int byte = 0; byte < 256; ++byte)
    EXPECT_EQ(EncodeChar(DecodeByte(static_cast<unsigned char>(byte))), byte);
  // Characters that the code page has no byte for.
  for (char16_t c : {char16_t{0x0080}, char16_t{0x0100}, char16_t{0x20AD}, char16_t{0xFFFF}})
    EXPECT_FALSE(EncodeChar(c).has_value()) << int{c};
}

TEST(ScriptBytes, JoinReportsTheFirstUnwritableCharacter) {
  const auto encoded = JoinScriptLines(Lines({u"fine", u"ab\u0100c\u0101"}));
  ASSERT_TRUE(encoded.error.has_value());
  EXPECT_EQ(encoded.error->lineIndex, 1u);
  EXPECT_EQ(encoded.error->position, 2u);
  EXPECT_EQ(encoded.error->character, 0x0100);
  EXPECT_TRUE(encoded.bytes.empty());
}

// Random files: saving what was loaded gives the same bytes with each line end
// as CR LF and a final CR LF; loading that again gives the same lines.
TEST(ScriptBytes, RoundTripProperty) {
  std::mt19937 random(7);
  for (int run = 0; run < 3000; ++run) {
    std::string bytes;
    const auto length = random() % 60;
    for (unsigned i = 0; i < length; ++i) {
      const auto roll = random() % 8;
      bytes.push_back(roll == 0 ? '\r' : roll == 1 ? '\n' : static_cast<char>(random() % 256));
    }
    // The expected save, made independently: CR LF and lone CR become CR LF,
    // and an unterminated last line gets one.
    std::string expected;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\r') {
        expected += "\r\n";
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      } else {
        expected += bytes[i];
      }
    }
    if (!expected.empty() && !expected.ends_with("\r\n")) expected += "\r\n";

    const auto lines = SplitScriptLines(bytes);
    const auto saved = JoinScriptLines(lines);
    ASSERT_FALSE(saved.error.has_value());
    ASSERT_EQ(saved.bytes, expected) << "run " << run;
    ASSERT_EQ(SplitScriptLines(saved.bytes), lines) << "run " << run;
  }
}

}  // namespace
}  // namespace vorrik

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

std::vector<std::u16string> Lines(const LineStore& store) {
  std::vector<std::u16string> lines;
  for (int i = 0; i < store.count(); ++i) lines.emplace_back(store.line(i));
  return lines;
}

/// The store of bytes fed in blocks that end at the given offsets, its line
/// ends decided from the same blocks first, as a file is read.
LineStore InBlocks(std::string_view bytes, std::vector<std::size_t> cuts) {
  cuts.push_back(bytes.size());
  LineEndDetector detector;
  for (std::size_t start = 0; std::size_t cut : cuts) {
    detector.feed(bytes.substr(start, cut - start));
    start = cut;
  }
  LineStore store;
  store.setLineEnds(detector.lineEnds());
  for (std::size_t start = 0; std::size_t cut : cuts) {
    store.appendBytes(bytes.substr(start, cut - start));
    start = cut;
  }
  store.finishBytes();
  return store;
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
      {"BareLineFeedStaysInLineBesideCrLf", "a\nb\r\n", Lines({u"a\nb"}), "a\nb\r\n"},
      // No CR LF at all and an LF: LF ends lines (and CR still does), and
      // the lines are saved with LF.
      {"LfEnds", "a\nb\n", Lines({u"a", u"b"}), "a\nb\n"},
      {"LfEndsNoFinalLineEnd", "a\n\nb", Lines({u"a", u"", u"b"}), "a\n\nb\n"},
      {"LfEndsWithBareCr", "a\rb\nc\r", Lines({u"a", u"b", u"c"}), "a\nb\nc\n"},
      {"OneCrLfAmongLfs", "a\nb\nc\r\nd\n", Lines({u"a\nb\nc", u"d\n"}), "a\nb\nc\r\nd\n\r\n"},
      {"ZeroBytes", "", Lines({}), ""},
      {"OnlyALineEnd", "\r\n", Lines({u""}), "\r\n"},
      {"CrCrLf", "a\r\r\n", Lines({u"a", u""}), "a\r\n\r\n"},
      {"LfAfterCrLf", "a\r\n\n", Lines({u"a", u"\n"}), "a\r\n\n\r\n"},
      {"HighBytes", "\x80\x81\xe9\xff", Lines({u"\u20ac\u0081\u00e9\u00ff"}), "\x80\x81\xe9\xff\r\n"},
      {"Nul", std::string("a\0b", 3), {std::u16string(u"a\0b", 3)}, std::string("a\0b\r\n", 5)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const LineStore lines = LineStore::FromBytes(c.bytes);
    EXPECT_EQ(Lines(lines), c.lines);
    // A block may end anywhere, also between CR and LF or in an empty block.
    for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut)
      EXPECT_EQ(Lines(InBlocks(c.bytes, {cut, cut})), c.lines) << "cut at " << cut;
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
  const auto encoded = JoinScriptLines(LineStore::FromLines({u"fine", u"ab\u0100c\u0101"}));
  ASSERT_TRUE(encoded.error.has_value());
  EXPECT_EQ(encoded.error->lineIndex, 1u);
  EXPECT_EQ(encoded.error->position, 2u);
  EXPECT_EQ(encoded.error->character, 0x0100);
  EXPECT_TRUE(encoded.bytes.empty());
}

// Random files: saving what was loaded gives the same bytes with each line end
// as CR LF and a final CR LF, or, for a file with LF ends, each as LF; loading
// that again gives the same lines.
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
    // and an unterminated last line gets one; in a file with an LF and no
    // CR LF, every CR and LF becomes LF.
    const bool lf = bytes.find("\r\n") == std::string::npos && bytes.find('\n') != std::string::npos;
    const std::string end = lf ? "\n" : "\r\n";
    std::string expected;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      if (bytes[i] == '\r' || (lf && bytes[i] == '\n')) {
        expected += end;
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      } else {
        expected += bytes[i];
      }
    }
    if (!expected.empty() && !expected.ends_with(end)) expected += end;

    std::vector<std::size_t> cuts;
    for (std::size_t cut = 0; cut < bytes.size(); cut += 1 + random() % 9) cuts.push_back(cut);
    const LineStore lines = InBlocks(bytes, cuts);
    const auto saved = JoinScriptLines(lines);
    ASSERT_FALSE(saved.error.has_value());
    ASSERT_EQ(saved.bytes, expected) << "run " << run;
    ASSERT_EQ(Lines(LineStore::FromBytes(saved.bytes)), Lines(lines)) << "run " << run;
  }
}

// Changed lines are read and saved as changed, the others as loaded.
TEST(LineStore, ChangedLinesAreKeptAside) {
  LineStore store = LineStore::FromBytes("one\rtwo\r\rfour");
  store.setLine(1, u"2");
  store.setLine(2, u"three, now longer than before");
  store.setLine(1, u"TWO");
  // A line set to the text it holds is no change, and nothing is kept aside.
  EXPECT_EQ(store.changedAside(), 2u);
  EXPECT_FALSE(store.setLine(0, u"one"));
  EXPECT_FALSE(store.setLine(1, u"TWO"));
  EXPECT_TRUE(store.setLine(3, u"4"));
  EXPECT_TRUE(store.setLine(3, u"four"));
  EXPECT_EQ(store.changedAside(), 3u);
  EXPECT_EQ(Lines(store), Lines({u"one", u"TWO", u"three, now longer than before", u"four"}));
  EXPECT_EQ(JoinScriptLines(store).bytes, "one\r\nTWO\r\nthree, now longer than before\r\nfour\r\n");
}

// Edits anywhere in a long script, as typing, ripping and pasting make them,
// read back and save as made: lines in every position of the store's 64-line
// words, texts that shrink, grow and come from other lines, and enough of
// them that the store folds its changes into its text on the way.
TEST(LineStore, EditsReadBackAndSaveAsMade) {
  constexpr int kLines = 20000;
  std::string bytes;
  std::vector<std::u16string> expected;
  for (int i = 0; i < kLines; ++i) {
    const std::string line = "line " + std::to_string(i);
    bytes += line + "\r\n";
    expected.emplace_back(line.begin(), line.end());
  }
  LineStore store = LineStore::FromBytes(bytes);
  std::minstd_rand random(7);
  const auto check = [&](int step) {
    ASSERT_EQ(Lines(store), expected) << "after step " << step;
    std::string saved;
    for (const std::u16string& line : expected) saved += std::string(line.begin(), line.end()) + "\r\n";
    ASSERT_EQ(JoinScriptLines(store).bytes, saved) << "after step " << step;
  };
  int typed = 40;  // a line typed into, keystroke by keystroke
  for (int step = 0; step < 12000; ++step) {
    const int i = static_cast<int>(random() % kLines);
    std::u16string text;
    switch (random() % 6) {
      case 0: break;  // emptied
      case 1: text = u"x, x, -x;"; break;
      case 2: text = std::u16string(random() % 300, u'a' + static_cast<char16_t>(i % 26)); break;
      case 3: text = expected[static_cast<std::size_t>(random() % kLines)]; break;
      case 4: {
        // Another line's text, read from the store itself.
        const int from = static_cast<int>(random() % kLines);
        store.setLine(i, store.line(from));
        expected[static_cast<std::size_t>(i)] = expected[static_cast<std::size_t>(from)];
        continue;
      }
      case 5:
        expected[static_cast<std::size_t>(typed)] += static_cast<char16_t>(u'0' + step % 10);
        store.setLine(typed, expected[static_cast<std::size_t>(typed)]);
        if (step % 500 == 0) typed = static_cast<int>(random() % kLines);
        continue;
    }
    store.setLine(i, text);
    expected[static_cast<std::size_t>(i)] = text;
    // Folded as soon as more are aside than the store keeps there.
    ASSERT_LE(store.changedAside(), LineStore::kFoldAt) << "after step " << step;
    if (step % 3000 == 0) check(step);
  }
  check(-1);
  // Some 9,000 distinct lines were changed: most now stand in the text.
  EXPECT_LT(store.changedAside(), LineStore::kFoldAt * 2);
}

}  // namespace
}  // namespace vorrik

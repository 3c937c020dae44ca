#include "analysis/normalise.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/test_lines.h"

namespace vorrik {
namespace {

using testing::U16;

struct NormCase {
  const char* name;
  std::u16string line;
  std::u16string normLine;
};

class NormaliseTest : public ::testing::TestWithParam<NormCase> {};

TEST_P(NormaliseTest, GivesNormLine) {
  std::vector<char16_t> buffer;
  EXPECT_EQ(std::u16string(NormaliseLine(GetParam().line, buffer)), GetParam().normLine);
  // The section tests decide the same without building normLine.
  EXPECT_TRUE(NormalisesTo(GetParam().line, GetParam().normLine));
  EXPECT_FALSE(NormalisesTo(GetParam().line, GetParam().normLine + u"x"));
  if (!GetParam().normLine.empty()) {
    EXPECT_FALSE(NormalisesTo(GetParam().line, GetParam().normLine.substr(1)));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, NormaliseTest,
    ::testing::Values(
        NormCase{"CodeAfterBlanks", u"  Code", u"code"},
        NormCase{"EndThenTab", u"End\t", u"end"},
        NormCase{"CommentCutAtSlashPair", u"x = y + 1;   // add one", u"x=y+1;"},
        NormCase{"TabsRemoved", u"x\t=\t1;", u"x=1;"},
        NormCase{"HashAtFirstPosition", u"# Symbols section", u""},
        NormCase{"BlanksInsideQuotesRemoved", u"Msg = 'A b';", u"msg='ab';"},
        NormCase{"SingleSlashIsNoMarker", u"a/b; c", u"a/b;c"},
        NormCase{"FirstMarkerWins", u"a#b//c", u"a"},
        NormCase{"HashAtLastPosition", u"x=1;#", u"x=1;"},
        NormCase{"HashAlone", u"#", u""},
        NormCase{"SlashPairAlone", u"//", u""},
        NormCase{"SlashAlone", u"/", u"/"},
        NormCase{"EndWithComment", u"END // done", u"end"},
        NormCase{"CodeWithHashComment", u"Code # starts here", u"code"},
        NormCase{"EndSemicolonKept", u"end;", u"end;"},
        NormCase{"BlankInsideWord", u"co de", u"code"},
        NormCase{"MarkerInsideQuotesCuts", u"s = 'a//b';", u"s='a"},
        NormCase{"SlashPairSplitByBlank", u"a / / b", u"a"},
        NormCase{"SlashPairSplitByTab", u"a/\t/b", u"a"},
        NormCase{"ThreeSlashes", u"x///", u"x"},
        NormCase{"Empty", u"", u""},
        NormCase{"OnlyBlanks", u" \t \t", u""},
        // Only A-Z are lower-cased; other letters and other white space stay.
        NormCase{"AccentedLettersKept", u"\u00c9T\u00c9 = 1", u"\u00c9t\u00c9=1"},
        NormCase{"NoBreakSpaceKept", u"a\u00a0b", u"a\u00a0b"},
        NormCase{"OtherControlsKept", std::u16string(u"a\0b\n\rc", 6), std::u16string(u"a\0b\n\rc", 6)},
        NormCase{"CharactersBesideTheAlphabet", u"@AZ[`az{", u"@az[`az{"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(Normalise, LinesLongerThan32766Characters) {
  std::u16string line(40000, u'A');
  line += u" // tail";
  std::vector<char16_t> buffer;
  const auto normLine = NormaliseLine(line, buffer);
  ASSERT_EQ(normLine.size(), 40000u);
  EXPECT_EQ(normLine.find_first_not_of(u'a'), std::u16string_view::npos);
}

TEST(NormalisesTo, SectionWords) {
  struct Case {
    const char16_t* line;
    bool isEnd;
    bool isCode;
  } cases[] = {
      {u"end", true, false},        {u"  End\t", true, false},   {u"E n D // x", true, false},
      {u"end/ /x", true, false},    {u"end#", true, false},       {u"end/", false, false},
      {u"end;", false, false},      {u"ends", false, false},      {u"en", false, false},
      {u"", false, false},          {u"CODE", false, true},       {u"co de # here", false, true},
      {u"code:", false, false},     {u"xcode", false, false},     {u"#code", false, false},
      {u"\u00a0end", false, false},
      // Leading blanks past the eight-character steps, and "e"/"c" look-alikes.
      {u"                \t\t   end", true, false},
      {u"\t\t\t\t\t\t\t\tcode\t\t\t\t\t\t\t\t", false, true},
      {u"        ", false, false},
      {u"\u0165nd", false, false},
      {u"\u0143ode", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NormalisesTo(c.line, u"end"), c.isEnd) << testing::Narrow(c.line);
    EXPECT_EQ(NormalisesTo(c.line, u"code"), c.isCode) << testing::Narrow(c.line);
    const SectionWord expected =
        c.isEnd ? SectionWord::kEnd : c.isCode ? SectionWord::kCode : SectionWord::kNone;
    EXPECT_EQ(SectionWordOf(c.line), expected) << testing::Narrow(c.line);
  }
}

TEST(Normalise, BufferIsReusedAcrossLines) {
  std::vector<char16_t> buffer;
  EXPECT_EQ(NormaliseLine(u"LONG LINE OF TEXT", buffer), u"longlineoftext");
  EXPECT_EQ(NormaliseLine(u"Ab", buffer), u"ab");
  EXPECT_EQ(NormaliseLine(u"", buffer), u"");
}

}  // namespace
}  // namespace vorrik

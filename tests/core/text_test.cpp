#include "data/text.h"

#include <gtest/gtest.h>

#include <string>

namespace fiscora {
namespace {

TEST(Text, TrimDropsOnlyOuterBlanks) {
  struct {
    std::string in, expect;
  } cases[] = {
      {"", ""}, {"   ", ""}, {" \tA B\t ", "A B"}, {"AB", "AB"}, {"\nA", "\nA"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(Trim(c.in), c.expect);
  }
}

TEST(Text, FoldCaseLowersAsciiAndLatin1Letters) {
  struct {
    std::string in, expect;
  } cases[] = {
      {"ABC xyz 09", "abc xyz 09"},
      {"AÇÃO ÉÍÓÚ", "ação éíóú"},
      {"×÷ß", "×÷ß"},    // the multiplication sign has no lower case; ß and ÷ stay
      {"ÀÞ", "àþ"},      // the ends of the range
      {"\xC3", "\xC3"},  // a lead byte cut off at the end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(FoldCase(c.in), c.expect);
  }
}

TEST(Text, CutToCharsNeverSplitsACharacter) {
  struct {
    std::string in;
    int n;
    std::string expect;
  } cases[] = {
      {"ABCDE", 3, "ABC"}, {"ABC", 5, "ABC"},   {"ABC", 0, ""},
      {"AÇÃO", 2, "AÇ"},   {"AÇÃO", 4, "AÇÃO"}, {"ÇÇÇ", 1, "Ç"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in + " / " + std::to_string(c.n));
    EXPECT_EQ(CutToChars(c.in, c.n), c.expect);
    EXPECT_LE(CharCount(CutToChars(c.in, c.n)), c.n);
  }
}

TEST(Text, CharCountCountsCharactersNotBytes) {
  EXPECT_EQ(CharCount(""), 0);
  EXPECT_EQ(CharCount("ABC"), 3);
  EXPECT_EQ(CharCount("AÇÃO"), 4);
  EXPECT_EQ(CharCount("€"), 1);
}

}  // namespace
}  // namespace fiscora

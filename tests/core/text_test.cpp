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

// Record fields of a UTF-8 line are cut by characters: "ç" and "ã" take two
// bytes each and one column.
TEST(Text, Utf8ColumnsCountsCharactersFromOne) {
  const std::string line = "ABçãD";
  struct {
    int column, width;
    const char* expect;
  } cases[] = {
      {1, 2, "AB"}, {3, 1, "ç"}, {3, 2, "çã"}, {4, 5, "ãD"}, {5, 1, "D"},
      {6, 1, ""},   {9, 3, ""},  {0, 2, ""},   {2, 0, ""},   {1, 99, "ABçãD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.column) + "," + std::to_string(c.width));
    EXPECT_EQ(Utf8Columns(line, c.column, c.width), c.expect);
  }
}

}  // namespace
}  // namespace fiscora

// The compact list of findings gives back every finding as it was added,
// whatever its values and text, and orders them by line as the validators
// need: stable, with the findings of the pass already in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "validate/finding.h"

namespace fiscora {
namespace {

Finding Make(int64_t line, Check check, std::array<int64_t, 3> values, std::string text,
             std::string_view record = "50", int first = 3, int last = 16,
             Severity severity = Severity::kErro) {
  Finding f(line, first, last, record, "CNPJ", severity, check);
  f.values = values;
  f.SetText(text);
  return f;
}

void ExpectSame(const Finding& a, const Finding& b) {
  EXPECT_EQ(a.line, b.line);
  EXPECT_EQ(a.first_column, b.first_column);
  EXPECT_EQ(a.last_column, b.last_column);
  EXPECT_STREQ(a.field, b.field);
  EXPECT_EQ(a.check, b.check);
  EXPECT_EQ(a.severity, b.severity);
  EXPECT_EQ(FindingRecord(a), FindingRecord(b));
  EXPECT_EQ(a.values, b.values);
  EXPECT_EQ(a.text, b.text);
  EXPECT_EQ(FindingMessage(a), FindingMessage(b));
}

TEST(FindingList, GivesBackEveryFindingAsAdded) {
  const int64_t big = int64_t{1} << 62;
  const std::vector<Finding> cases = {
      Make(1, Check::kLineLength, {125, 0, 0}, ""),      // a few bytes, kept inline
      Make(2, Check::kNotDigits, {}, "ABCDEFGHIJKLMN"),  // a text beside
      Make(3, Check::kText, {}, ""),                     // nothing at all
      Make(4, Check::kDateOutsidePeriod, {20240101, 20250301, 20250331}, ""),
      Make(5, Check::kC100VsC190, {-big, big, -1}, ""),  // money, negative and huge
      Make(6, Check::kNumberingGap, {7, 0, 9}, JoinParts({"01", "1"})),
      Make(0, Check::kRegisterCode, {}, "C10000", "C10000"),  // a record too long to keep inline
      Make(7, Check::kNotDigits, {}, "abc"),                  // text inline with its head
      Make(8, Check::kNotDigits, {}, std::string(5000, 'x')),
      Make(9, Check::kNotDigits, {}, "ação"),
      Make(10, Check::kLineLength, {200000, 0, 0}, "", "", 1, 200000),  // columns of a long line
      Make(11, Check::kLineLength, {65535, 0, 0}, "", "60M", 65534, 65535),
      Make(int64_t{1} << 40, Check::kItemWithoutCst, {}, "", "54", 0, 0, Severity::kAviso),
  };
  FindingList list;
  for (int round = 0; round < 400; ++round)  // over several blocks of both kinds
    for (const Finding& f : cases) list.push_back(f);
  ASSERT_EQ(list.size(), 400 * cases.size());
  for (size_t i : {size_t{0}, size_t{1}, list.size() / 2 + 3, list.size() - 1})
    ExpectSame(list[i], cases[i % cases.size()]);
  Finding reused;
  size_t i = 0;
  for (const Finding& f : list) {
    list.Read(i, reused);
    ASSERT_EQ(f.text, cases[i % cases.size()].text) << i;
    ASSERT_EQ(reused.values, cases[i % cases.size()].values) << i;
    ++i;
  }
  EXPECT_EQ(i, list.size());
  // A text longer than a block of texts has a block of its own.
  const Finding huge = Make(12, Check::kText, {}, std::string(3 << 20, 'y'));
  list.push_back(huge);
  list.push_back(cases[1]);
  ExpectSame(list[list.size() - 2], huge);
  ExpectSame(list.back(), cases[1]);
  // A copy holds the same findings and grows on its own.
  FindingList copy = list;
  copy.push_back(cases[4]);
  ExpectSame(copy[list.size() - 3], cases[(list.size() - 3) % cases.size()]);
  ExpectSame(copy[list.size() - 2], huge);
  ExpectSame(copy.back(), cases[4]);
  EXPECT_EQ(list.size() + 1, copy.size());
}

// The findings of the pass come in order; those found at the end are
// merged in, after the findings of the same line, in the order they came.
TEST(FindingList, SortsByLineKeepingTheOrderOfOneLine) {
  struct Case {
    const char* name;
    std::vector<int64_t> pass, end;
  };
  const std::vector<Case> cases = {
      {"nothing at the end", {1, 2, 2, 5}, {}},
      {"the file's findings first", {1, 2, 3}, {0, 0}},
      {"between and after", {1, 3, 3, 9}, {3, 10, 2, 3, 0}},
      {"only at the end", {}, {4, 1, 4, 2}},
      {"many", std::vector<int64_t>(10000, 7), std::vector<int64_t>(9000, 7)},
  };
  for (const Case& c : cases) {
    FindingList list;
    std::vector<std::pair<int64_t, int64_t>> expected;  // line, order added
    int64_t n = 0;
    for (const std::vector<int64_t>* part : {&c.pass, &c.end})
      for (int64_t line : *part) {
        list.push_back(Make(line, Check::kLineLength, {n, 0, 0}, ""));
        expected.emplace_back(line, n++);
      }
    std::vector<int64_t> lines;
    for (const auto& e : expected) lines.push_back(e.first);
    EXPECT_EQ(list.SortedPrefix(),
              static_cast<size_t>(std::is_sorted_until(lines.begin(), lines.end()) - lines.begin()))
        << c.name;
    list.SortByLine(c.pass.size());
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    ASSERT_EQ(list.size(), expected.size()) << c.name;
    for (size_t i = 0; i < expected.size(); ++i) {
      ASSERT_EQ(list.LineAt(i), expected[i].first) << c.name << " " << i;
      ASSERT_EQ(list[i].values[0], expected[i].second) << c.name << " " << i;
    }
  }
}

}  // namespace
}  // namespace fiscora

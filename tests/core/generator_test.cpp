// The SINTEGRA generator: fixed-width lines, record 90 counts that match the
// file, products covered by record 75, the same bytes for the same seed.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/sintegra_generator.h"
#include "validate/check_digits.h"

namespace {

using fiscora::GenerateSintegraText;
using fiscora::GeneratorOptions;
using fiscora::GeneratorSummary;

// Lines without their CR LF; fails the test on a line not ended by CR LF.
std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t nl = text.find('\n', start);
    EXPECT_NE(nl, std::string::npos) << "last line without a line break";
    if (nl == std::string::npos) break;
    EXPECT_TRUE(nl > start && text[nl - 1] == '\r')
        << "line " << lines.size() + 1 << " not ended by CR LF";
    lines.push_back(text.substr(start, nl - start - 1));
    start = nl + 1;
  }
  return lines;
}

// Fixed width, CR LF, record 90 counts, one record 75 per product code in
// use (except the codes listed as missing).
void CheckFile(const std::string& text, int64_t expected_lines,
               const std::set<std::string>& missing_75 = {}) {
  std::vector<std::string> lines = SplitCrLf(text);
  ASSERT_FALSE(lines.empty());
  if (expected_lines > 0) {
    EXPECT_EQ(static_cast<int64_t>(lines.size()), expected_lines);
  }
  for (size_t i = 0; i < lines.size(); ++i)
    ASSERT_EQ(lines[i].size(), 126u) << "line " << i + 1 << ": " << lines[i];

  EXPECT_EQ(lines.front().substr(0, 2), "10");
  EXPECT_EQ(lines[1].substr(0, 2), "11");
  EXPECT_TRUE(fiscora::IsValidCnpj(lines.front().substr(2, 14)));
  EXPECT_EQ(lines.front().substr(123, 3), "331");

  // Counts per type as record 90 counts them (every 60x under 60, 61R under 61).
  std::map<std::string, int64_t> counted;
  std::vector<std::string> totals;
  for (const std::string& l : lines) {
    std::string t = l.substr(0, 2);
    if (t == "90")
      totals.push_back(l);
    else if (t != "10" && t != "11")
      ++counted[t];
  }
  ASSERT_EQ(totals.size(), 1u);
  const std::string& r90 = totals[0];
  EXPECT_EQ(lines.back(), r90);
  EXPECT_EQ(r90.substr(2, 28), lines.front().substr(2, 28));
  EXPECT_EQ(r90[125], '1');
  std::map<std::string, int64_t> declared;
  for (size_t col = 30; col + 10 <= 125; col += 10) {
    std::string type = r90.substr(col, 2);
    if (type == "  ") break;
    declared[type] = std::stoll(r90.substr(col + 2, 8));
  }
  ASSERT_EQ(declared.count("99"), 1u);
  EXPECT_EQ(declared["99"], static_cast<int64_t>(lines.size()));
  declared.erase("99");
  EXPECT_EQ(declared, counted);

  // Every product code in use has exactly one record 75.
  std::map<std::string, int> products;
  std::set<std::string> used;
  auto code = [](const std::string& l, size_t col) {
    std::string c = l.substr(col - 1, 14);
    return c.substr(0, c.find_last_not_of(' ') + 1);
  };
  for (const std::string& l : lines) {
    std::string t3 = l.substr(0, 3), t2 = l.substr(0, 2);
    if (t2 == "75")
      ++products[code(l, 19)];
    else if (t2 == "54")
      used.insert(code(l, 38));
    else if (t2 == "74")
      used.insert(code(l, 11));
    else if (t3 == "60D")
      used.insert(code(l, 32));
    else if (t3 == "60I")
      used.insert(code(l, 43));
    else if (t3 == "60R" || t3 == "61R")
      used.insert(code(l, 10));
  }
  for (const auto& [c, n] : products) EXPECT_EQ(n, 1) << c;
  std::set<std::string> missing;
  for (const std::string& c : used)
    if (!products.count(c)) missing.insert(c);
  EXPECT_EQ(missing, missing_75);
}

TEST(Generator, LinesAreFixedWidthAndRecord90Matches) {
  GeneratorSummary s;
  std::string text = GenerateSintegraText(5000, 11, {}, &s);
  CheckFile(text, 5000);
  EXPECT_EQ(s.lines, 5000);
  EXPECT_EQ(s.bytes, 5000 * 128);
  EXPECT_GE(s.printers, 3);
  EXPECT_LE(s.printers, 5);
  EXPECT_EQ(s.by_kind["90"], 1);
  EXPECT_GT(s.by_kind["60I"], s.by_kind["60D"]);
}

TEST(Generator, SmallTargetsGiveCompleteFiles) {
  for (int64_t target : {1, 40, 300, 1200}) {
    SCOPED_TRACE(target);
    GeneratorSummary s;
    std::string text = GenerateSintegraText(target, 3, {}, &s);
    CheckFile(text, target >= 300 ? target : 0);
    EXPECT_GE(s.by_kind["60M"], 1);
    EXPECT_GE(s.by_kind["60I"], 1);
  }
}

TEST(Generator, SameSeedSameBytes) {
  EXPECT_EQ(GenerateSintegraText(3000, 42), GenerateSintegraText(3000, 42));
  EXPECT_NE(GenerateSintegraText(3000, 42), GenerateSintegraText(3000, 43));
}

TEST(Generator, FileHoldsTheSameTextAndOptionsApply) {
  GeneratorOptions o;
  o.year = 2024;
  o.month = 2;
  o.printers = 2;
  std::filesystem::path path =
      std::filesystem::temp_directory_path() / "fiscora_generator_test.txt";
  GeneratorSummary s = fiscora::GenerateSintegra(path, 2000, 5, o);
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  in.close();
  std::filesystem::remove(path);
  EXPECT_EQ(ss.str(), GenerateSintegraText(2000, 5, o));
  EXPECT_EQ(s.printers, 2);
  std::vector<std::string> lines = SplitCrLf(ss.str());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].substr(107, 16), "2024020120240229");  // a leap February

  o.crlf = false;
  std::string lf = GenerateSintegraText(500, 5, o);
  EXPECT_EQ(lf.find('\r'), std::string::npos);
  EXPECT_EQ(lf.size(), 500u * 127u);
}

// The shape of a file full of problems: still well formed, with a quarter of
// the lines notes, the records between 11 and 90 out of order, and far more
// items at an odd rate than the ordinary shape has.
TEST(Generator, ProblemHeavyShape) {
  GeneratorSummary plain, heavy;
  GenerateSintegraText(20000, 7, {}, &plain);
  std::string text = GenerateSintegraText(20000, 7, fiscora::ProblemHeavyOptions(), &heavy);
  CheckFile(text, 20000);
  EXPECT_EQ(heavy.by_kind["50"], 5000);
  EXPECT_EQ(heavy.by_kind["54"], 5000);
  EXPECT_GT(heavy.by_kind["60R"], plain.by_kind["60R"] * 3 / 2);
  // Out of order: the record kinds change far more often than in a file in order.
  std::vector<std::string> lines = SplitCrLf(text);
  int changes = 0;
  for (size_t i = 3; i + 1 < lines.size(); ++i)
    changes += lines[i].substr(0, 3) != lines[i - 1].substr(0, 3);
  EXPECT_GT(changes, 10000);
}

TEST(Generator, CheckDigits) {
  EXPECT_EQ(fiscora::CnpjWithCheckDigits("472918350001"), "47291835000101");
  EXPECT_TRUE(fiscora::IsValidCnpj("47291835000101"));
  EXPECT_FALSE(fiscora::IsValidCnpj("47291835000102"));
  EXPECT_EQ(fiscora::CpfWithCheckDigits("305718264"), "30571826407");
  EXPECT_THROW(GenerateSintegraText(0, 1), std::invalid_argument);
}

// The hand-made example in examples/ keeps its shape, with its one product
// sold without a record 75.
TEST(Generator, ExampleFileIsWellFormed) {
  std::ifstream in(
      std::filesystem::path(FISCORA_SOURCE_DIR) / "examples" / "loja_exemplo_03-2025.txt",
      std::ios::binary);
  ASSERT_TRUE(in.good());
  std::stringstream ss;
  ss << in.rdbuf();
  CheckFile(ss.str(), 0, {"7899990001141"});
}

}  // namespace

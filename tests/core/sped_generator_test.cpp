// The EFD ICMS/IPI generator: exact line counts, block 9 that agrees with
// the file, the same bytes for the same seed, and files the analysis reads.
#include "tools/sped_generator.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "sped/analysis.h"
#include "sped/fields.h"
#include "sped_fixture.h"

namespace fiscora {
namespace {

using testing::TestSession;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

TEST(SpedGenerator, LinesAndBlock9AgreeWithTheFile) {
  struct Case {
    int64_t lines;
    SpedGeneratorOptions options;
  } cases[] = {{500, {}},
               {3000, {}},
               {20011, {}},
               {4000, {2024, 2, 1, true, false, {}}},
               {1500, {2025, 7, 0, false, true, SpedTextEncoding::kUtf8}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    SpedGeneratorSummary summary;
    std::string text = GenerateSpedText(c.lines, 9, c.options, &summary);
    EXPECT_EQ(text, GenerateSpedText(c.lines, 9, c.options));  // same seed, same bytes
    std::vector<std::string> lines = Lines(text);
    EXPECT_EQ(static_cast<int64_t>(lines.size()), c.lines);
    EXPECT_EQ(summary.lines, c.lines);
    std::map<std::string, int64_t> counted, declared;
    for (const std::string& line : lines) {
      SpedFields f(line);
      ++counted[std::string(f[0])];
      if (f[0] == "9900") declared[std::string(f[1])] = std::stoll(std::string(f[2]));
    }
    EXPECT_EQ(counted, declared);
    EXPECT_EQ(lines.back(), "|9999|" + std::to_string(c.lines) + "|");
    EXPECT_EQ(counted.count("C481") > 0, c.options.c481 && c.options.printers > 0);
  }
}

TEST(SpedGenerator, TheAnalysisReadsWhatWasWritten) {
  for (bool c481 : {false, true}) {
    SCOPED_TRACE(c481);
    TestSession t;
    SpedGeneratorOptions options;
    options.c481 = c481;
    options.encoding = SpedTextEncoding::kCp850;
    SpedGeneratorSummary summary;
    std::string path = (t.dir.path() / "efd.txt").string();
    summary = GenerateSped(path, 5000, 3, options);
    EXPECT_EQ(AnalyseSpedFile(t.s, path), c481);
    EXPECT_EQ(t.dtm.cds_nf_sped.RecordCount(), summary.notes + summary.by_register["D100"]);
    EXPECT_EQ(t.dtm.cds_mov_ecf_sped.RecordCount(), summary.reductions);
    EXPECT_GT(t.dtm.cds_difal.RecordCount(), 0);
    // Names come out as Unicode whatever the file's encoding.
    bool accented = false;
    int f = f0150m::nome;
    for (auto r : t.dtm.cds_0150M.OrderedRows()) {
      std::string_view name = t.dtm.cds_0150M.RowText(r, f);
      for (std::string_view letter : {"Ã", "É", "Ú", "Í", "Ç"})
        accented = accented || name.find(letter) != std::string_view::npos;
    }
    EXPECT_TRUE(accented);
  }
}

}  // namespace
}  // namespace fiscora

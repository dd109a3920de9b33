#include "tools/nfe_generator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "data/nfe_key.h"
#include "nfe/reader.h"
#include "nfe_fixture.h"
#include "session/recording_ui.h"
#include "sintegra_fixture.h"
#include "validate/validate.h"
#include "validation_fixture.h"

namespace fiscora {
namespace {

namespace fs = std::filesystem;
using testing::Slurp;
using testing::TempDir;

NfeGeneratorOptions Options() {
  NfeGeneratorOptions o;
  o.cnpj = testing::kOwnCnpj;
  return o;
}

TEST(NfeGenerator, SameArgumentsSameFilesAndASoundEfd) {
  TempDir dir;
  NfeGeneratorOptions o = Options();
  o.cancelled_percent = 10;
  NfeGeneratorSummary a = GenerateNfe(dir.path() / "a", 60, 9, o, dir.path() / "a.txt");
  NfeGeneratorSummary b = GenerateNfe(dir.path() / "b", 60, 9, o, dir.path() / "b.txt");
  EXPECT_EQ(a.files, 60);
  EXPECT_EQ(a.own_exits + a.nfce + a.entries, 60);
  EXPECT_GT(a.entries, 0);
  EXPECT_GT(a.nfce, 0);
  EXPECT_GT(a.cancelled, 0);
  EXPECT_EQ(a.bytes, b.bytes);
  EXPECT_EQ(Slurp(dir.path() / "a.txt"), Slurp(dir.path() / "b.txt"));
  for (const auto& e : fs::directory_iterator(dir.path() / "a"))
    EXPECT_EQ(Slurp(e.path()), Slurp(dir.path() / "b" / e.path().filename())) << e.path();

  // The EFD file passes the structural validation.
  RecordingUserInterface ui;
  ValidationReport report = ValidateFile(dir.path() / "a.txt", ui);
  EXPECT_EQ(report.errors, 0) << testing::Describe(report);
  EXPECT_EQ(report.lines, a.efd_lines);

  // Every file is an authorised note of valid key, some cancelled by event.
  NfeReadResult r = ReadNfeInputs({(dir.path() / "a").string()});
  EXPECT_TRUE(r.ignored.empty());
  ASSERT_EQ(r.notes.size(), 60u);
  int cancelled = 0;
  for (const NfeNote& n : r.notes) {
    EXPECT_TRUE(AccessKeyValid(n.Key())) << n.Key();
    cancelled += n.status == NfeStatus::kCancelled;
    // vNF = items - discount + ST + freight + insurance + other + IPI.
    const NfeTotals& t = n.totals;
    EXPECT_EQ(t.vNF, n.items_total - t.vDesc + t.vST + t.vFrete + t.vSeg + t.vOutro + t.vIPI);
  }
  EXPECT_EQ(cancelled, a.cancelled);
}

TEST(NfeGenerator, FaultsThatDoNotFitAreRefused) {
  TempDir dir;
  NfeGeneratorOptions o = Options();
  o.value_off = 3;
  o.wrong_key = 3;
  EXPECT_THROW(GenerateNfe(dir.path() / "x", 5, 1, o), std::invalid_argument);
  NfeGeneratorOptions bad = Options();
  bad.cnpj = "11222333000180";
  EXPECT_THROW(GenerateNfe(dir.path() / "y", 5, 1, bad), std::invalid_argument);
}

}  // namespace
}  // namespace fiscora

// The input check made ahead on a thread of its own: the outcome of the
// check made there and then, for the file it checked and for any other.
#include <gtest/gtest.h>

#include <string>

#include "sintegra/input_check.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;
using namespace std::string_literals;

// What a check gives: the count, or the refusal's file, line and reason.
template <class F>
std::string Outcome(F check) {
  try {
    return "linhas " + std::to_string(check());
  } catch (const InputRefusal& e) {
    return e.file() + ":" + std::to_string(e.line()) + ": " + e.reason();
  }
}

TEST(InputCheckAhead, GivesWhatTheCheckGivesForAnyFile) {
  TempDir dir;
  const std::string good = dir.Write("boa.txt", {R10().str(), R75("1", "ARROZ", "UN").str()});
  const std::string nul = dir.Write("nul.txt", {R10().str(), "75\0x"s, "75"});
  const std::string efd = dir.Write("efd.txt", {"|0000|017|0|"});
  const std::string missing = (dir.path() / "nao_existe.txt").string();
  for (const std::string& ahead_of : {good, nul, efd, missing}) {
    for (const std::string& asked : {good, nul, efd, missing}) {
      SCOPED_TRACE(ahead_of + " -> " + asked);
      InputCheckAhead ahead(ahead_of);
      const std::string expected = Outcome([&] { return CheckSintegraInput(asked); });
      EXPECT_EQ(Outcome([&] { return ahead.Result(asked).lines; }), expected);
      // Asked again, it checks again.
      EXPECT_EQ(Outcome([&] { return ahead.Result(asked).lines; }), expected);
    }
  }
}

// The stamp is the file's as the check read it, so that a load compares the
// file it reads with the one counted.
TEST(InputCheckAhead, TheStampIsTheCheckedFiles) {
  TempDir dir;
  const std::string file = dir.Write("boa.txt", {R10().str()});
  InputCheckAhead ahead(file);
  const CheckedInput checked = ahead.Result(file);
  EXPECT_EQ(checked.lines, 1);
  EXPECT_EQ(checked.stamp, StampOf(file));
  dir.Write("boa.txt", {R10().str(), R10().str()});
  EXPECT_THROW(CheckUnchanged(file, checked.stamp), InputRefusal);
}

}  // namespace
}  // namespace fiscora

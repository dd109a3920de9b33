// fiscora-cli validar: the findings in "tables", the counts in "state" and
// the exit code.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;
using nlohmann::json;

struct CliRun {
  int code;
  std::string out, err;
};

CliRun Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int code = RunCli(args, out, err);
  return {code, out.str(), err.str()};
}

TEST(CliValidar, ErrorsGiveExitCodeThreeWithEveryFinding) {
  TempDir dir;
  std::string f = dir.Write("mes.txt", {R10().Cut(120), Rec("58")});
  CliRun r = Cli({"validar", f});
  ASSERT_EQ(r.code, 3) << r.err;
  json e = json::parse(r.out);
  EXPECT_EQ(e["state"]["validation_kind"], "SINTEGRA");
  EXPECT_EQ(e["state"]["validation_lines"], 2);
  const json& findings = e["tables"]["findings"];
  ASSERT_TRUE(findings.is_array());
  EXPECT_EQ(e["state"]["validation_errors"],
            findings.size() - e["state"]["validation_warnings"].get<size_t>());
  json first;
  for (const auto& x : findings)
    if (x["line"] == 1) {
      first = x;
      break;
    }
  EXPECT_EQ(first["columns"], "1-120");
  EXPECT_EQ(first["record"], "10");
  EXPECT_EQ(first["severity"], "erro");
  EXPECT_EQ(first["message"], "Linha com 120 caracteres; todo registro tem 126.");
}

TEST(CliValidar, SoundEfdGivesExitCodeZero) {
  TempDir dir;
  std::string f = dir.Write(
      "efd.txt",
      {"|0000|006|0|||01032024|31032024|EMPRESA|12345678000195|SP|3550308||00|0|", "|0001|1|",
       "|0990|3|", "|9001|0|", "|9900|0000|1|", "|9900|0001|1|", "|9900|0990|1|", "|9900|9001|1|",
       "|9900|9900|7|", "|9900|9990|1|", "|9900|9999|1|", "|9990|10|", "|9999|13|"});
  CliRun r = Cli({"validar", f});
  ASSERT_EQ(r.code, 0) << r.out;
  json e = json::parse(r.out);
  EXPECT_EQ(e["state"]["validation_kind"], "EFD");
  EXPECT_EQ(e["tables"]["findings"], json::array());
}

TEST(CliValidar, UnreadableFileGivesExitCodeOne) {
  TempDir dir;
  EXPECT_EQ(Cli({"validar", (dir.path() / "nada.txt").string()}).code, 1);
  EXPECT_EQ(Cli({"validar", dir.path().string()}).code, 1);
}

}  // namespace
}  // namespace fiscora

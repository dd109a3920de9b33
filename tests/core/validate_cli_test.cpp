// fiscora-cli validar: the findings in "tables", the counts in "state" and
// the exit code.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli.h"
#include "cli_fixture.h"
#include "sintegra_fixture.h"
#include "sped_fixture.h"
#include "tools/contrib_generator.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;
using nlohmann::json;

TEST(CliValidar, ErrorsGiveExitCodeThreeWithEveryFinding) {
  TempDir dir;
  std::string f = dir.Write("mes.txt", {R10().Cut(120), Rec("58")});
  CliResult r = Cli({"validar", f});
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
      "efd.txt", {Efd0000Contrib("01032024", "31032024"), "|0001|1|", "|0990|3|", "|9001|0|",
                  "|9900|0000|1|", "|9900|0001|1|", "|9900|0990|1|", "|9900|9001|1|",
                  "|9900|9900|7|", "|9900|9990|1|", "|9900|9999|1|", "|9990|10|", "|9999|13|"});
  CliResult r = Cli({"validar", f});
  ASSERT_EQ(r.code, 0) << r.out;
  json e = json::parse(r.out);
  EXPECT_EQ(e["state"]["validation_kind"], "EFD-Contribuições");
  EXPECT_EQ(e["tables"]["findings"], json::array());
}

// Files of EFD-Contribuições as gen-contrib writes them, merged by
// sped-mesclar: each file and the merged one validate without a finding.
TEST(CliValidar, MergedContribuicoesFilesValidateWithoutFindings) {
  TempDir dir;
  std::vector<std::string> files;
  for (const char* cnpj : {"11222333000181", "11222333000262"}) {
    ContribOptions o;
    o.establishments = {{cnpj, "ESTABELECIMENTO"}};
    o.lines = 400;
    o.seed = static_cast<uint32_t>(files.size() + 1);
    o.c500 = true;
    std::ostringstream text;
    GenerateContrib(text, o);
    files.push_back(dir.Write(std::string(cnpj) + ".txt", {text.str()}, "", false));
  }
  const std::string out = (dir.path() / "saida").string();
  std::filesystem::create_directory(out);
  ASSERT_EQ(Cli({"sped-mesclar", "--saida", out, files[0], files[1]}).code, 0);
  files.push_back(out + "/SPED_mesclado.txt");
  for (const std::string& f : files) {
    CliResult r = Cli({"validar", f});
    EXPECT_EQ(r.code, 0) << f << "\n" << r.out;
    json e = json::parse(r.out);
    EXPECT_EQ(e["state"]["validation_kind"], "EFD-Contribuições");
    EXPECT_EQ(e["tables"]["findings"], json::array()) << f;
  }
}

TEST(CliValidar, IcmsIpiKind) {
  TempDir dir;
  std::string f = dir.Write(
      "efd.txt", {Efd0000Icms("01032024", "31032024"), "|0001|1|", "|0990|3|", "|9001|0|",
                  "|9900|0000|1|", "|9900|0001|1|", "|9900|0990|1|", "|9900|9001|1|",
                  "|9900|9900|7|", "|9900|9990|1|", "|9900|9999|1|", "|9990|10|", "|9999|13|"});
  CliResult r = Cli({"validar", f});
  ASSERT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(json::parse(r.out)["state"]["validation_kind"], "EFD ICMS/IPI");
}

TEST(CliValidar, UnreadableFileGivesExitCodeOne) {
  TempDir dir;
  EXPECT_EQ(Cli({"validar", (dir.path() / "nada.txt").string()}).code, 1);
  EXPECT_EQ(Cli({"validar", dir.path().string()}).code, 1);
}

}  // namespace
}  // namespace fiscora

// fiscora-cli sped-mesclar: the files added in order, the merge answered Yes
// with --saida as the folder; the company list, the status and every message
// in the envelope.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli.h"
#include "sintegra_fixture.h"
#include "sped_recount.h"

namespace fiscora {
namespace {

namespace fs = std::filesystem;
using namespace fiscora::testing;
using nlohmann::json;

std::vector<std::string> Company(std::string_view code, std::string_view name,
                                 std::string_view cnpj) {
  return {
      "|0000|006|0||||01042024|30042024|" + std::string(name) + "|" + std::string(cnpj) + "|",
      "|0001|0|",
      "|0110|1|1|1||",
      "|0140|" + std::string(code) + "|" + std::string(name) + "|" + std::string(cnpj) + "|SP||||",
      "|C001|0|",
      "|C010|" + std::string(cnpj) + "|2|",
      "|C100|0|1|",
      "|C990|4|",
      "|9999|9|"};
}

struct CliRun {
  int code;
  json envelope;
  std::string err;
};

CliRun Cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int code = RunCli(args, out, err);
  json j = out.str().empty() ? json() : json::parse(out.str());
  return {code, j, err.str()};
}

TEST(CliSpedMesclar, MergesInOrderAndReportsEveryMessage) {
  TempDir dir;
  const std::string head = dir.Write("matriz.txt", Company("1", "MATRIZ", "11222333000181"));
  const std::string branch = dir.Write("filial.txt", Company("", "FILIAL", "11222333000262"));
  const fs::path out = dir.path() / "saida";
  CliRun r = Cli({"sped-mesclar", "--saida", out.string(), head, branch, head});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.envelope["state"]["empresas"],
            json({"11.222.333/0001-81 - MATRIZ", "11.222.333/0002-62 - FILIAL"}));
  EXPECT_EQ(r.envelope["labels"]["lblStatus"], "Finalizado!");
  json texts = json::array();
  for (const auto& m : r.envelope["messages"]) texts.push_back(m["text"]);
  EXPECT_EQ(texts, json({"Arquivo já esta presente na listagem!",
                         "Confirma a mesclagem dos arquivos?", "Mesclagem efetuada com sucesso."}));
  EXPECT_EQ(RecountSped(out / "SPED_mesclado.txt"), std::vector<std::string>{});
}

TEST(CliSpedMesclar, RefusalsAndErrors) {
  TempDir dir;
  const std::string head = dir.Write("matriz.txt", Company("1", "MATRIZ", "11222333000181"));
  const std::string out = (dir.path() / "saida").string();
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int code;
    const char* first_message;  // nullptr: no envelope expected
  } cases[] = {
      {"one company", {"sped-mesclar", "--saida", out, head}, 0, "Adicione duas ou mais empresas."},
      {"no --saida", {"sped-mesclar", head, head}, 2, nullptr},
      {"no file", {"sped-mesclar", "--saida", out}, 2, nullptr},
      {"a missing file",
       {"sped-mesclar", "--saida", out, head, (dir.path() / "x.txt").string()},
       1,
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CliRun r = Cli(c.args);
    EXPECT_EQ(r.code, c.code);
    if (c.first_message) {
      EXPECT_EQ(r.envelope["messages"][0]["text"], c.first_message);
    } else {
      EXPECT_FALSE(r.err.empty());
    }
    EXPECT_FALSE(fs::exists(fs::path(out) / "SPED_mesclado.txt"));
  }
}

}  // namespace
}  // namespace fiscora

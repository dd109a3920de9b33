// fiscora-cli auditoria: the audit window's steps from the command line, its
// envelope (cds_audit by description, the period labels, the inventory
// totals, the messages) and its exit codes.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "audit_fixture.h"
#include "cli/cli.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;
using nlohmann::json;

struct CliRun {
  int code;
  json envelope;
  std::string err;
};

CliRun Auditoria(const std::vector<std::string>& options) {
  std::vector<std::string> args{"auditoria"};
  args.insert(args.end(), options.begin(), options.end());
  std::ostringstream out, err;
  int code = RunCli(args, out, err);
  json envelope = out.str().empty() ? json() : json::parse(out.str());
  return {code, envelope, err.str()};
}

class AuditCli : public ::testing::Test {
 protected:
  TempDir dir;
  std::string ini = dir.Write(
      "ini.txt", {R10Month("202401"), R75("P1", Described("ARROZ")), R75("P2", Described("FEIJAO")),
                  R74("P1", 10000, 5000), R74("P2", 5000, 2000)});
  std::string fim = dir.Write(
      "fim.txt", {R10Month("202403"), R75("P1", Described("ARROZ")), R74("P1", 1000, 500)});
  std::string feb = dir.Write("fev.txt", {R10Month("202402"), R54("P1", "1102", 5000, 2500),
                                          R60I("ECF1", "P1", 3000, 800, "T17")});
  std::string mar = dir.Write("mar.txt", {R10Month("202403"), R54("P1", "5102", 10000, 10000)});
};

TEST_F(AuditCli, WholeAuditPrintsTheTableLabelsAndTotals) {
  const std::string sheet = (dir.path() / "auditoria.xlsx").string();
  CliRun r = Auditoria({"--markup", "1,5", "--inventario-inicial", ini, "--inventario-final", fim,
                        "--periodo", feb, "--periodo", mar, "--planilha", sheet});
  ASSERT_EQ(r.code, 0) << r.err;
  const json& rows = r.envelope["tables"]["cds_audit"];
  ASSERT_EQ(rows.size(), 2u);
  // By description: ARROZ, FEIJAO.
  EXPECT_EQ(rows[0]["codigo"], "P1");
  EXPECT_EQ(rows[0]["descricao"], Described("ARROZ").substr(0, 43));  // as the inventory keeps it
  EXPECT_EQ(rows[0]["SECF"], 3);
  EXPECT_EQ(rows[0]["TOTALSAIDAS"], 13);
  EXPECT_EQ(rows[0]["OM_SAIDA"], 1);
  EXPECT_EQ(rows[1]["codigo"], "P2");
  EXPECT_EQ(rows[1]["OM_SAIDA"], 5);
  EXPECT_EQ(rows[0].size(), 42u);  // every field, the four of the EFD audit too
  const json& labels = r.envelope["labels"];
  EXPECT_EQ(labels["lbl_per1"], "02/2024");
  EXPECT_EQ(labels["lbl_per2"], "03/2024");
  EXPECT_EQ(labels["lbl_per12"], "--------------------");
  EXPECT_EQ(labels["dbtxt_inv_ini"], "70,00");
  EXPECT_EQ(labels["dbtxt_inv_fim"], "5,00");
  EXPECT_EQ(r.envelope["messages"],
            json::parse(R"([{"title":"Fiscora","text":"Arquivo Salvo !!!"}])"));
  EXPECT_TRUE(std::filesystem::exists(sheet));
}

TEST_F(AuditCli, StepsMayBeLeftOutAndMessagesComeInOrder) {
  CliRun r = Auditoria({"--markup", "0", "--inventario-inicial", ini, "--periodo", feb, "--periodo",
                        dir.Write("fev2.txt", {R10Month("202402")})});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.envelope["messages"],
            json::parse(
                R"([{"title":"Fiscora","text":"O markup deve ser digitado. Em média o valor é 1,5"},
                            {"title":"Fiscora","text":"O sintegra deste periodo ja consta na listagem!"}])"));
  EXPECT_EQ(r.envelope["labels"]["dbtxt_inv_ini"], "");
  EXPECT_EQ(r.envelope["tables"]["cds_audit"].size(), 1u);
}

TEST_F(AuditCli, ExitCodes) {
  struct Case {
    std::vector<std::string> args;
    int code;
    const char* err;
  } cases[] = {
      {{"--periodo", "/nao/existe.txt"}, 1, "fiscora-cli: /nao/existe.txt:0: o arquivo não existe"},
      {{"--periodo", dir.Write("texto.txt", {"Relatorio", R10Month("202402")})},
       1,
       "texto.txt:1: não é um arquivo SINTEGRA"},
      {{"--periodo",
        dir.Write("ruim.txt", {R10Month("202402"),
                               Rec(R54("P1", "5102", 1000, 100)).Put(rec54::kValor, "12A")})},
       1,
       "ruim.txt:2: registro 54, colunas 63-74 (valor do item): '12A000000100'"},
      {{"--xyz", "1"}, 2, "opção desconhecida"},
      {{"extra"}, 2, "argumento a mais"},
      {{}, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.err);
    CliRun r = Auditoria(c.args);
    EXPECT_EQ(r.code, c.code);
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace fiscora

// fiscora-cli "inventario" and "aliquotas": their envelopes, the files of
// --planilha, and their usage errors.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli.h"
#include "cli_fixture.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;
using nlohmann::json;

class CliInventoryAliquots : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_.Write(
        "in.txt", {R10().str(), R75("00034", "ARROZ 5KG", "SC").str(),
                   R75("00012", "BISCOITO 200G", "PC").str(), R74("00012", 2500, 1000).str(),
                   R74("00034", 3000, 6000).str(), R60M("SER1", "001").str(),
                   R60A("SER1", "1700", 10000).str(), R60I("SER1", "P1", 1000, 10150, "1700").str(),
                   R60D("SER1", "P1", 9850, "1700").str(), R60R("P1", 10150, "1700").str()});
  }
  std::string Out(const char* name) const { return (dir_.path() / name).string(); }
  TempDir dir_;
  std::string file_;
};

TEST_F(CliInventoryAliquots, InventarioListsInTheListingsOrderAndWritesTheSpreadsheet) {
  const std::string xlsx = Out("inventario.xlsx");
  std::ofstream(xlsx) << "antigo";  // replaced as if the answer were Yes
  CliResult r = Cli({"inventario", file_, "--planilha", xlsx});
  ASSERT_EQ(r.code, 0) << r.err;
  json e = json::parse(r.out);
  ASSERT_EQ(e["tables"]["cds_inventario"].size(), 2u);
  EXPECT_EQ(e["tables"]["cds_inventario"][0]["descricao"], Described("ARROZ 5KG").substr(0, 43));
  EXPECT_EQ(e["tables"]["cds_inventario"][1]["codigo"], "00012         ");
  EXPECT_EQ(e["tables"]["cds_inventario"][1]["unidade"], "PC");
  EXPECT_EQ(e["aggregates"]["cds_inventario"]["soma"], 70);
  EXPECT_EQ(e["labels"]["dbt_soma_inv"], "70,00");
  EXPECT_EQ(e["tabs"].back(), "  Sobre  ");
  EXPECT_NE(std::find(e["tabs"].begin(), e["tabs"].end(), "Inventario"), e["tabs"].end());
  const json& messages = e["messages"];
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages[messages.size() - 2]["text"], "Você deseja salvar esse arquivo?");
  EXPECT_EQ(messages.back()["text"], "Arquivo Salvo !!!");
  std::ifstream in(xlsx, std::ios::binary);
  std::string head(2, '\0');
  in.read(head.data(), 2);
  EXPECT_EQ(head, "PK");
}

TEST_F(CliInventoryAliquots, AliquotasCarriesBothTablesTheirTotalsAndTheMessage) {
  const std::string xlsx = Out("resumo.xlsx");
  CliResult r = Cli({"aliquotas", file_, "--planilha", xlsx, "--tabela", "resumo"});
  ASSERT_EQ(r.code, 0) << r.err;
  json e = json::parse(r.out);
  ASSERT_EQ(e["tables"]["cds_totaliq"].size(), 1u);
  const json& row = e["tables"]["cds_totaliq"][0];
  EXPECT_EQ(row["serie_ecf"], "001");
  EXPECT_EQ(row["diferenca"], 1.5);
  EXPECT_EQ(row["dif_60d"], 1.5);
  EXPECT_EQ(e["tables"]["cds_res_aliq"][0]["reg60r"], 101.5);
  EXPECT_EQ(e["aggregates"]["cds_totaliq"]["tot_dif_60i"], 1.5);
  EXPECT_EQ(e["aggregates"]["cds_totaliq"]["tot_dif_60d"], 1.5);
  EXPECT_EQ(e["aggregates"]["cds_60a"]["soma"], 100);
  const json& messages = e["messages"];
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages[messages.size() - 2]["text"], "Análise efetuada com sucesso");
  EXPECT_EQ(messages.back()["text"], "Arquivo Salvo !!!");
  EXPECT_TRUE(std::filesystem::exists(xlsx));
}

TEST_F(CliInventoryAliquots, UsageErrors) {
  struct Case {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"aliquotas", file_, "--tabela", "dif"}, "--planilha e --tabela"},
      {{"aliquotas", file_, "--planilha", Out("a.xlsx")}, "--planilha e --tabela"},
      {{"aliquotas", file_, "--planilha", Out("a.xlsx"), "--tabela", "rb_dif"}, "--tabela: use"},
      {{"aliquotas", file_, "--planilha", Out("a.xlsx"), "--tabela", "60x"}, "--tabela: use"},
      {{"inventario", file_, "--tabela", "dif"}, "opção desconhecida"},
      // without a report printer (a build without Qt)
      {{"inventario", file_, "--pdf", Out("a.pdf")}, "--pdf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[2] + " " + c.args[3]);
    CliResult r = Cli(c.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  EXPECT_FALSE(std::filesystem::exists(Out("a.xlsx")));
  EXPECT_FALSE(std::filesystem::exists(Out("a.pdf")));
}

TEST_F(CliInventoryAliquots, AFileThatCannotBeWrittenEndsWithItsReason) {
  const std::string xlsx = (dir_.path() / "nao_existe" / "inventario.xlsx").string();
  CliResult r = Cli({"inventario", file_, "--planilha", xlsx});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Não foi possível gravar o arquivo " + xlsx + ": pasta inexistente"),
            std::string::npos)
      << r.err;
}

}  // namespace
}  // namespace fiscora

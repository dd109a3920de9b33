// fiscora-cli: usage, exit codes and the JSON envelope.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;

struct CliRun {
  int code;
  std::string out, err;
};

CliRun Cli(std::vector<std::string> args) {
  std::ostringstream out, err;
  int code = RunCli(args, out, err);
  return {code, out.str(), err.str()};
}

bool Has(const std::string& s, const std::string& part) { return s.find(part) != std::string::npos; }

TEST(Cli, UsageErrors) {
  struct Case {
    std::vector<std::string> args;
    int code;
  } cases[] = {{{}, 2},
               {{"nada"}, 2},
               {{"carregar"}, 2},
               {{"verificar", "a", "b"}, 2},
               {{"tables", "--dump"}, 2},
               {{"tables", "--dump", "cds_nada"}, 2},
               {{"tables", "--xyz"}, 2},
               {{"--help"}, 0}};
  for (const auto& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    SCOPED_TRACE(joined);
    CliRun r = Cli(c.args);
    EXPECT_EQ(r.code, c.code);
    EXPECT_TRUE(Has(r.code == 0 ? r.out : r.err, "Uso: fiscora-cli") || Has(r.err, "tabela"));
  }
}

TEST(Cli, TablesPrintsTheCatalogue) {
  CliRun r = Cli({"tables"});
  ASSERT_EQ(r.code, 0) << r.err;
  for (const char* part : {"\"labels\":", "\"messages\":[]", "\"catalogue\":{",
                           "\"cds_50\":{\"binding\":\"ds_50\"",
                           "{\"name\":\"valor_total\",\"type\":\"currency\"",
                           "\"title\":\"           CNPJ\""})
    EXPECT_TRUE(Has(r.out, part)) << part;
}

TEST(Cli, CarregarPrintsStateAndDumps) {
  TempDir dir;
  std::string f = dir.Write("in.txt", {R10().str(), R50("5102", 17500).str(),
                                       R60A("E1", "1700", 1000).str(), R74("P1", 1000, 500).str()});
  CliRun r = Cli({"carregar", f, "--dump", "cds_50,cds_60a"});
  ASSERT_EQ(r.code, 0) << r.err;
  for (const char* part :
       {"\"lblCnpj\":\"12.345.678/0001-95\"", "\"lbl50\":\"1\"", "\"file_type\":\"1\"",
        "\"current_period\":\"03/2024\"", "\"inventory_date\":\"31/03/2024\"",
        "\"counters\":{\"50\":1,\"60A\":1,\"60I\":0,\"60R\":0,\"74\":1,\"75\":0}",
        "\"expected_lines\":4", "\"valor_total\":\"175.0000\"", "\"numero\":1",
        "\"cds_60a\":[{\"aliquota\":\"1700\",\"valor\":\"10.0000\"",
        "\"aggregates\":{\"cds_50\":{\"sum_ntf\":1,\"sum_ntp\":0},\"cds_60a\":{\"soma\":10}}"})
    EXPECT_TRUE(Has(r.out, part)) << part << "\n" << r.out;
  (void)0;
}

TEST(Cli, ErrorsGoToStandardError) {
  TempDir dir;
  std::string bad = dir.Write("bad.txt", {R10().str(), R50("5102", 1).Put(46, "00A001").str()});
  CliRun r = Cli({"verificar", bad});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "fiscora-cli: " + bad + ":2: registro 50, colunas 46-51 (número da nota): '00A001' não é um número válido.\n");

  CliRun missing = Cli({"carregar", (dir.path() / "nao_existe.txt").string()});
  EXPECT_EQ(missing.code, 1);
  EXPECT_TRUE(Has(missing.err, "fiscora-cli: ")) << missing.err;
}

TEST(Cli, VerificarPrintsMessagesInOrder) {
  TempDir dir;
  std::string f = dir.Write("in.txt", {R10().str(), R60R("P1", 100, "1700").str()});
  CliRun r = Cli({"verificar", f});
  ASSERT_EQ(r.code, 0) << r.err;
  size_t missing = r.out.find("\"title\":\"ATENÇÃO !!!\"");
  size_t problems = r.out.find("\"title\":\"Atenção\"");
  size_t done = r.out.find("Verificação concluída com êxito!!!");
  ASSERT_NE(missing, std::string::npos) << r.out;
  ASSERT_NE(problems, std::string::npos) << r.out;
  ASSERT_NE(done, std::string::npos) << r.out;
  EXPECT_LT(missing, problems);
  EXPECT_LT(problems, done);
  EXPECT_TRUE(Has(r.out, "Não existem registros \\n\\rTipo 60A. \\n\\rTipo 60I. \\n\\r"));
  EXPECT_TRUE(Has(r.out, "\"tabs\":[\"  Dados  \",\"  Compras x Vendas  \",\"Total Aliquotas\""));
  EXPECT_TRUE(Has(r.out, "\"ecf_slots\":[{\"ordem\":\"\""));
  // The two result tables come without asking.
  EXPECT_TRUE(Has(r.out, "\"tables\":{\"cdsmaxmin\":[],\"cdsaliq\":[]}"));
}

TEST(Cli, NoteAndSummaryCommandsPrintTheirTablesAndLabels) {
  TempDir dir;
  // Note 7: 100,00 against a base of 80,00; no items.
  std::string f = dir.Write("in.txt", {R10().str(), R50("5102", 10000, 'P', 7, 8000, 1360).str(),
                                       R50("1102", 5000, 'T', 8, 5000, 850).str()});
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> parts;
  } cases[] = {
      {{"notas", f},
       {"\"lblTotNota\":\"1\"", "\"tables\":{\"cds_dif_nota\":[{\"numero\":7,"
                                "\"vCont\":\"100.0000\",\"vBase\":\"80.0000\""}},
      {{"resumo-nota", f, "8"},
       {"\"lbl_itens\":\"0\"", "\"lbl_nota\":\"8\"", "\"lbl_emissao\":\"Terceiros\"",
        "\"lbl_data\":\"05/03/2024\"", "\"cds_resumo_50\":[]", "\"resumo_aliquotas\":[]"}},
      {{"resumo-nota", f, "99999"}, {"{\"title\":\"Atenção\",\"text\":\"Nota não encontrada\"}"}},
      {{"cfop", f},
       {"\"lbl_ent_cont\":\"R$ 50,00\"", "\"lbl_sai_cont\":\"R$ 100,00\"",
        "\"cds_res_cfop\":[{\"cfop\":\"5102\",\"tipo\":\"C\",\"valor\":\"100.0000\","
        "\"emitente\":\"P\"},{\"cfop\":\"1102\""}},
      {{"resumo-fiscal", f},
       {"\"lbl_entrada\":\"R$ 8,50\"", "\"lbl_saida\":\"R$ 13,60\"", "\"lbl_imposto\":\"R$ 5,10\"",
        "\"tables\":{\"cds_totalizador_icms\":[{\"registro\":\"50\""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    CliRun r = Cli(c.args);
    ASSERT_EQ(r.code, 0) << r.err;
    for (const std::string& part : c.parts) EXPECT_TRUE(Has(r.out, part)) << part << "\n" << r.out;
  }
  EXPECT_EQ(Cli({"resumo-nota", f}).code, 2);
}

}  // namespace
}  // namespace fiscora

// fiscora-cli: usage, exit codes and the JSON envelope, as rows of
// {arguments, exit code, JSON pointer, value}.
#include "cli/cli.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli_fixture.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;
using nlohmann::json;

bool Has(const std::string& s, const std::string& part) {
  return s.find(part) != std::string::npos;
}

TEST(Cli, UsageErrors) {
  struct Case {
    std::vector<std::string> args;
    int code;
  } cases[] = {{{}, 2},
               {{"nada"}, 2},
               {{"carregar"}, 2},
               {{"verificar", "a", "b"}, 2},
               {{"resumo-nota", "a"}, 2},
               {{"tables", "--dump"}, 2},
               {{"tables", "--dump", "cds_nada"}, 2},
               {{"tables", "--xyz"}, 2},
               {{"resumo-nota", "a.txt"}, 2},
               {{"--help"}, 0}};
  for (const auto& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += a + " ";
    SCOPED_TRACE(joined);
    CliResult r = Cli(c.args);
    EXPECT_EQ(r.code, c.code);
    EXPECT_TRUE(Has(r.code == 0 ? r.out : r.err, "Uso: fiscora-cli") || Has(r.err, "tabela"));
  }
}

// The usage text lists every command of the table with its help line.
TEST(Cli, UsageIsBuiltFromTheCommandTable) {
  CliResult r = Cli({"--help"});
  for (const char* part : {"  tables ", "  carregar ARQUIVO ", "  verificar ARQUIVO ",
                           "(inclui sempre as tabelas cdsmaxmin e cdsaliq)"})
    EXPECT_TRUE(Has(r.out, part)) << part;
}

// Envelope checks: each row runs a command on a fixture file ("{in}" in the
// arguments) and compares the value at a JSON pointer.
struct EnvelopeRow {
  const char* name;
  std::vector<std::string> args;
  const char* pointer;
  json value;
};

void PrintTo(const EnvelopeRow& row, std::ostream* os) { *os << row.name; }

class CliEnvelope : public ::testing::TestWithParam<EnvelopeRow> {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    load_ = dir_->Write("in.txt", {R10().str(), R50("5102", 17500).str(),
                                   R60A("E1", "1700", 1000).str(), R74("P1", 1000, 500).str()});
    verify_ = dir_->Write("v.txt", {R10().str(), R60R("P1", 100, "1700").str()});
    // Note 7: 100,00 against a base of 80,00; note 8 agrees. No items.
    notes_ = dir_->Write("n.txt", {R10().str(), R50("5102", 10000, 'P', 7, 8000, 1360).str(),
                                   R50("1102", 5000, 'T', 8, 5000, 850).str()});
  }
  static void TearDownTestSuite() { delete dir_; }
  static TempDir* dir_;
  static std::string load_, verify_, notes_;
};
TempDir* CliEnvelope::dir_ = nullptr;
std::string CliEnvelope::load_, CliEnvelope::verify_, CliEnvelope::notes_;

TEST_P(CliEnvelope, ValueAtPointer) {
  const EnvelopeRow& row = GetParam();
  std::vector<std::string> args;
  for (const auto& a : row.args)
    args.push_back(a == "{in}" ? load_ : a == "{v}" ? verify_ : a == "{n}" ? notes_ : a);
  CliResult r = Cli(args);
  ASSERT_EQ(r.code, 0) << r.err;
  json envelope = json::parse(r.out);
  json::json_pointer pointer(row.pointer);
  ASSERT_TRUE(envelope.contains(pointer)) << row.pointer << "\n" << r.out;
  EXPECT_EQ(envelope[pointer], row.value) << row.pointer;
}

// clang-format off
const EnvelopeRow kEnvelopeRows[] = {
    {"TablesHasTheCatalogue", {"tables"}, "/catalogue/cds_50/binding", "ds_50"},
    {"TablesHasNoMessages", {"tables"}, "/messages", json::array()},
    {"CarregarCnpj", {"carregar", "{in}"}, "/labels/lblCnpj", "12.345.678/0001-95"},
    {"CarregarCount50", {"carregar", "{in}"}, "/labels/lbl50", "1"},
    {"CarregarFileType", {"carregar", "{in}"}, "/state/file_type", "1"},
    {"CarregarPeriod", {"carregar", "{in}"}, "/state/current_period", "03/2024"},
    {"CarregarInventoryDate", {"carregar", "{in}"}, "/state/inventory_date", "31/03/2024"},
    {"CarregarCounters",
     {"carregar", "{in}"},
     "/state/counters",
     {{"50", 1}, {"60A", 1}, {"60I", 0}, {"60R", 0}, {"74", 1}, {"75", 0}}},
    {"CarregarExpectedLines", {"carregar", "{in}"}, "/state/expected_lines", 4},
    {"DumpMoneyAsText", {"carregar", "{in}", "--dump", "cds_50,cds_60a"}, "/tables/cds_50/0/valor_total", "175.0000"},
    {"DumpInteger", {"carregar", "{in}", "--dump", "cds_50,cds_60a"}, "/tables/cds_50/0/numero", 1},
    {"DumpSecondTable", {"carregar", "{in}", "--dump=cds_50,cds_60a"}, "/tables/cds_60a/0/aliquota", "1700"},
    {"DumpAggregates",
     {"carregar", "{in}", "--dump", "cds_50,cds_60a"},
     "/aggregates",
     {{"cds_50", {{"sum_ntf", 1}, {"sum_ntp", 0}}}, {"cds_60a", {{"soma", 10}}}}},
    {"VerificarMissingRecordsFirst", {"verificar", "{v}"}, "/messages/0/title", "ATENÇÃO !!!"},
    {"VerificarMissingRecordsText",
     {"verificar", "{v}"},
     "/messages/0/text",
     "Não existem registros \n\rTipo 60A. \n\rTipo 60I. \n\rTipo 50. \n\rTipo 75. \n\r"},
    {"VerificarProblemsSecond", {"verificar", "{v}"}, "/messages/1/title", "Atenção"},
    {"VerificarDoneLast", {"verificar", "{v}"}, "/messages/2/text", "Verificação concluída com êxito!!!"},
    {"VerificarTabs", {"verificar", "{v}"}, "/tabs/2", "Total Aliquotas"},
    {"VerificarEcfSlots", {"verificar", "{v}"}, "/state/ecf_slots/0/ordem", ""},
    {"VerificarResultTablesWithoutAsking",
     {"verificar", "{v}"},
     "/tables",
     {{"cdsmaxmin", json::array()}, {"cdsaliq", json::array()}}},
    {"NotasCount", {"notas", "{n}"}, "/labels/lblTotNota", "1"},
    {"NotasDifferingNote",
     {"notas", "{n}"},
     "/tables/cds_dif_nota",
     json::array({{{"numero", 7},
                   {"vCont", "100.0000"},
                   {"vBase", "80.0000"},
                   {"vOutros", "0.0000"},
                   {"vIsentos", "0.0000"},
                   {"vIpi", "0.0000"},
                   {"difere", "20.0000"}}})},
    {"ResumoNotaLabel", {"resumo-nota", "{n}", "8"}, "/labels/lbl_nota", "8"},
    {"ResumoNotaItems", {"resumo-nota", "{n}", "8"}, "/labels/lbl_itens", "0"},
    {"ResumoNotaIssuer", {"resumo-nota", "{n}", "8"}, "/labels/lbl_emissao", "Terceiros"},
    {"ResumoNotaDate", {"resumo-nota", "{n}", "8"}, "/labels/lbl_data", "05/03/2024"},
    {"ResumoNotaTables",
     {"resumo-nota", "{n}", "8"},
     "/tables",
     {{"cds_resumo_50", json::array()}, {"resumo_aliquotas", json::array()}}},
    {"ResumoNotaNotFound",
     {"resumo-nota", "{n}", "99999"},
     "/messages/1",  // after the missing records
     {{"title", "Atenção"}, {"text", "Nota não encontrada"}}},
    {"ResumoNotaNotFoundNoSummary", {"resumo-nota", "{n}", "99999"}, "/tables", json::object()},
    {"CfopEntries", {"cfop", "{n}"}, "/labels/lbl_ent_cont", "R$ 50,00"},
    {"CfopExits", {"cfop", "{n}"}, "/labels/lbl_sai_cont", "R$ 100,00"},
    {"CfopRows",
     {"cfop", "{n}"},
     "/tables/cds_res_cfop",
     json::array({{{"cfop", "5102"}, {"tipo", "C"}, {"valor", "100.0000"}, {"emitente", "P"}},
                  {{"cfop", "1102"}, {"tipo", "C"}, {"valor", "50.0000"}, {"emitente", "T"}}})},
    {"ResumoFiscalEntry", {"resumo-fiscal", "{n}"}, "/labels/lbl_entrada", "R$ 8,50"},
    {"ResumoFiscalExit", {"resumo-fiscal", "{n}"}, "/labels/lbl_saida", "R$ 13,60"},
    {"ResumoFiscalDue", {"resumo-fiscal", "{n}"}, "/labels/lbl_imposto", "R$ 5,10"},
    {"ResumoFiscalTable", {"resumo-fiscal", "{n}"}, "/tables/cds_totalizador_icms/0/registro", "50"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, CliEnvelope, ::testing::ValuesIn(kEnvelopeRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Cli, ErrorsGoToStandardError) {
  TempDir dir;
  std::string bad =
      dir.Write("bad.txt", {R10().str(), R50("5102", 1).Put(rec50::kNumero, "00A001").str()});
  CliResult r = Cli({"verificar", bad});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(
      r.err,
      "fiscora-cli: " + bad +
          ":2: registro 50, colunas 46-51 (número da nota): '00A001' não é um número válido.\n");

  CliResult missing = Cli({"carregar", (dir.path() / "nao_existe.txt").string()});
  EXPECT_EQ(missing.code, 1);
  EXPECT_TRUE(Has(missing.err, "fiscora-cli: ")) << missing.err;
}

}  // namespace
}  // namespace fiscora

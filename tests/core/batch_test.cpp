// The batch: kinds told from the first line, stable names and shards, a
// mixed folder's summary, the envelopes the single commands print, and a
// batch that resumes.
#include "cli/batch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli_fixture.h"
#include "sintegra_fixture.h"
#include "tools/contrib_generator.h"
#include "workflow/batch_input.h"
#include "xlsx_reader.h"

namespace fiscora {
namespace {

namespace fs = std::filesystem;
using namespace fiscora::testing;
using nlohmann::json;

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// resumo.jsonl without the seconds each input took, which vary run to run.
std::vector<json> SummaryWithoutSeconds(const fs::path& folder) {
  std::vector<json> rows;
  std::istringstream in(ReadAll(folder / "resumo.jsonl"));
  for (std::string line; std::getline(in, line);) {
    json row = json::parse(line);
    row.erase("seconds");
    rows.push_back(row);
  }
  return rows;
}

TEST(BatchInput, KindAndCompanyComeFromTheFirstLine) {
  struct Case {
    const char* name;
    std::string first;  // the file's text
    BatchKind kind;
    const char* cnpj;
    const char* company;
    const char* period;
    const char* reason;
  } cases[] = {
      {"sintegra", "\r\n" + R10().str() + "\r\n", BatchKind::kSintegra, "", "", "", ""},
      {"icms",
       "|0000|017|0|01032024|31032024|LOJA DA ESQUINA|12345678000195||SP|110042490114|3550308|||A|"
       "1|\n",
       BatchKind::kEfdIcmsIpi, "12345678000195", "LOJA DA ESQUINA", "03/2024", ""},
      {"icms of a person", "|0000|017|0|01032024|15032024|JOSE||12345678909|SP|1|3550308|||A|1|\n",
       BatchKind::kEfdIcmsIpi, "12345678909", "JOSE", "01/03/2024 a 15/03/2024", ""},
      {"contribuicoes",
       "\xEF\xBB\xBF|0000|006|0|||01042011|30042011|EMPRESA \xC3\x81GUA|77777777000191|MG|3106200||"
       "00|0|\r\n",
       BatchKind::kEfdContribuicoes, "77777777000191", "EMPRESA ÁGUA", "04/2011", ""},
      {"windows-1252 name", "|0000|006|0|||01042011|30042011|A\xC7O|77777777000191|MG|1||00|0|\n",
       BatchKind::kEfdContribuicoes, "77777777000191", "AÇO", "04/2011", ""},
      {"empty", "\r\n  \r\n", BatchKind::kOther, "", "", "", "arquivo vazio"},
      {"binary", std::string("PK\3\4\0\0", 6), BatchKind::kOther, "", "", "", "binário"},
      {"fragment", "|0200|1|PRODUTO|\n", BatchKind::kOther, "", "", "", "não é um arquivo"},
      {"0000 without a period", "|0000|x|\n", BatchKind::kOther, "", "", "", "período"},
      {"report", "Relatorio de vendas\n", BatchKind::kOther, "", "", "",
       "a primeira linha começa por \"Relatorio de vendas\""},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = dir.path() / "f.txt";
    std::ofstream(file, std::ios::binary) << c.first;
    BatchInput input = IdentifyBatchInput(file);
    EXPECT_EQ(input.kind, c.kind);
    if (c.kind == BatchKind::kSintegra) {
      EXPECT_EQ(input.cnpj.size(), 14u);
      EXPECT_FALSE(input.period.empty());
    } else {
      EXPECT_EQ(input.cnpj, c.cnpj);
      EXPECT_EQ(input.company, c.company);
      EXPECT_EQ(input.period, c.period);
    }
    EXPECT_NE(input.reason.find(c.reason), std::string::npos) << input.reason;
  }
}

TEST(BatchInput, NamesAndShardsDependOnThePathAlone) {
  EXPECT_EQ(BatchResultName("clientes/março/a b.txt").substr(0, 24), "clientes_mar__o_a_b.txt-");
  EXPECT_NE(BatchResultName("a/b_c.txt"), BatchResultName("a_b/c.txt"));
  EXPECT_EQ(BatchResultName("/x/y.txt"), BatchResultName("/x/y.txt"));
  EXPECT_LE(BatchResultName(std::string(300, 'a')).size(), 80u + 14u);
  // Every path falls in exactly one shard of N.
  for (const char* path : {"a.txt", "b/c.txt", "clientes/2025/03/x.txt"})
    for (int n : {1, 2, 3, 7}) {
      int shards = 0;
      for (int k = 1; k <= n; ++k) shards += InShard(path, k, n) ? 1 : 0;
      EXPECT_EQ(shards, 1) << path << " " << n;
    }
}

// A month of an office: the example, a SINTEGRA file verificar refuses, an
// EFD-Contribuições file, a report that is no fiscal file, and the public
// samples read where they are.
struct Office {
  TempDir dir;
  fs::path in = dir.path() / "clientes";
  fs::path out = dir.path() / "saida";
  std::string example, refused, contrib, report;
  std::vector<std::string> samples;

  Office() {
    fs::create_directories(in / "filial");
    example = (in / "loja.txt").string();
    fs::copy_file(fs::path(FISCORA_SOURCE_DIR) / "examples" / "loja_exemplo_03-2025.txt", example);
    // A money field of the first record 50 made letters: a conversion error.
    std::string text = ReadAll(example);
    size_t r50 = text.find("\n50") + 1;
    text.replace(r50 + 56, 13, "ABCDEFGHIJKLM");
    refused = (in / "filial" / "recusado.txt").string();
    std::ofstream(refused, std::ios::binary) << text;
    contrib = (in / "filial" / "contrib.txt").string();
    std::ofstream out_contrib(contrib, std::ios::binary);
    ContribOptions options;
    options.lines = 300;
    GenerateContrib(out_contrib, options);
    out_contrib.close();
    report = (in / "relatorio.csv").string();
    std::ofstream(report, std::ios::binary) << "Relatorio de vendas;total\n";
    const fs::path s(FISCORA_SAMPLES);
    for (fs::path p :
         {s / "sintegra" / "siscomx_sintegra.txt", s / "sped" / "icmsipi_java-efd-icms_efd.txt",
          s / "sped" / "contrib_efdpiscofins_apropriacao_direta.txt"})
      if (fs::exists(p)) samples.push_back(p.lexically_normal().generic_string());
  }
  std::vector<std::string> Args(std::vector<std::string> extra = {}) const {
    std::vector<std::string> args = {"lote", in.string()};
    args.insert(args.end(), samples.begin(), samples.end());
    args.insert(args.end(), {"--saida", out.string(), "--paralelo", "2"});
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  }
};

const json* RowOf(const std::vector<json>& rows, const std::string& file) {
  for (const json& r : rows)
    if (r["file"] == fs::path(file).lexically_normal().generic_string()) return &r;
  return nullptr;
}

TEST(Batch, MixedFolderGivesOneRowPerInput) {
  Office office;
  CliResult r = Cli(office.Args());
  ASSERT_EQ(r.code, 3) << r.err;  // inputs with errors and a failure
  json e = r.envelope();
  const size_t inputs = 4 + office.samples.size();
  EXPECT_EQ(e["state"]["batch_inputs"], inputs);
  EXPECT_EQ(e["state"]["batch_ran"], inputs - 1);
  EXPECT_EQ(e["state"]["batch_ignored"], 1);
  EXPECT_EQ(e["state"]["batch_failed"], 1);

  std::vector<json> rows = SummaryWithoutSeconds(office.out);
  ASSERT_EQ(rows.size(), inputs);
  for (size_t i = 1; i < rows.size(); ++i)
    EXPECT_LT(rows[i - 1]["file"], rows[i]["file"]);  // ordered by path
  struct Expected {
    std::string file;
    const char* kind;
    const char* status;   // "": ran, whatever it found
    std::string message;  // a part of it
  } expected[] = {
      {office.example, "SINTEGRA", "com erros", ""},
      {office.refused, "SINTEGRA", "falhou",
       "verificar: " + office.refused + ":3: registro 50, colunas 57-69 (valor total)"},
      {office.contrib, "EFD-Contribuições", "", ""},  // ran: "ok" or "com erros"
      {office.report, "outro", "ignorado", "não é um arquivo SINTEGRA nem EFD"},
  };
  for (const Expected& x : expected) {
    SCOPED_TRACE(x.file);
    const json* row = RowOf(rows, x.file);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ((*row)["kind"], x.kind);
    if (*x.status)
      EXPECT_EQ((*row)["status"], x.status);
    else
      EXPECT_TRUE((*row)["status"] == "ok" || (*row)["status"] == "com erros") << (*row)["status"];
    EXPECT_NE((*row)["message"].get<std::string>().find(x.message), std::string::npos)
        << (*row)["message"];
    EXPECT_TRUE(fs::exists(office.out / (*row)["result"].get<std::string>()));
  }
  // The example's row: its company, its counts and the verification's totals.
  const json& loja = *RowOf(rows, office.example);
  EXPECT_EQ(loja["cnpj"], "47291835000101");
  EXPECT_EQ(loja["company"], "LOJA EXEMPLO FISCORA LTDA");
  EXPECT_EQ(loja["period"], "03/2025");
  EXPECT_EQ(loja["lines"], 274);
  EXPECT_EQ(loja["errors"], 7);
  EXPECT_EQ(loja["totals"]["entradas"], "2046.2000");
  EXPECT_EQ(loja["totals"]["cupons"], "860.9800");
  EXPECT_EQ(loja["totals"]["inventario"], "1243.1500");
  EXPECT_TRUE((*RowOf(rows, office.contrib))["totals"].is_null());
  for (const std::string& sample : office.samples) {
    const json* row = RowOf(rows, sample);
    ASSERT_NE(row, nullptr) << sample;
    EXPECT_NE((*row)["status"], "falhou") << sample;
  }

  // The result holds the envelopes the single commands print.
  json result = json::parse(ReadAll(office.out / loja["result"].get<std::string>()));
  for (const char* task : {"validar", "verificar"}) {
    SCOPED_TRACE(task);
    CliResult single = Cli({task, office.example});
    EXPECT_EQ(result["tasks"][task]["code"], single.code);
    EXPECT_EQ(result["tasks"][task]["envelope"], single.envelope());
  }

  // resumo.xlsx: the summary rows and every finding of every file.
  if (!XlsxReaderAvailable()) GTEST_SKIP() << "openpyxl not installed";
  auto sheets = ReadXlsx(office.out / "resumo.xlsx");
  ASSERT_TRUE(sheets && sheets->size() == 2);
  EXPECT_EQ((*sheets)[0].title, "Resumo");
  EXPECT_EQ((*sheets)[0].LastRow(), static_cast<int>(inputs) + 1);
  EXPECT_EQ((*sheets)[1].title, "Falhas");
  int64_t findings = 0;
  for (const json& row : rows) findings += row["errors"].is_null() ? 0 : row["errors"].get<int>();
  for (const json& row : rows)
    findings += row["warnings"].is_null() ? 0 : row["warnings"].get<int>();
  EXPECT_EQ((*sheets)[1].LastRow(), findings + 1);
}

TEST(Batch, RerunResumesAndRedoesOnlyWhatChanged) {
  Office office;
  office.samples.clear();
  ASSERT_EQ(Cli(office.Args()).code, 3);
  const std::vector<json> first = SummaryWithoutSeconds(office.out);
  const std::string first_book = ReadAll(office.out / "resumo.xlsx");

  // Nothing changed: every input resumed, the same summary.
  CliResult again = Cli(office.Args());
  EXPECT_EQ(again.envelope()["state"]["batch_resumed"], 4);
  EXPECT_EQ(again.envelope()["state"]["batch_ran"], 0);
  EXPECT_EQ(SummaryWithoutSeconds(office.out), first);

  // An input changed and a result left half-written are done again.
  {
    std::ofstream(office.contrib, std::ios::binary | std::ios::app) << "\n";
    const fs::path loja = office.out / (*RowOf(first, office.example))["result"].get<std::string>();
    std::string text = ReadAll(loja);
    std::ofstream(loja, std::ios::binary | std::ios::trunc) << text.substr(0, text.size() / 2);
  }
  CliResult third = Cli(office.Args());
  EXPECT_EQ(third.envelope()["state"]["batch_resumed"], 2);
  EXPECT_EQ(third.envelope()["state"]["batch_ran"], 2);
  std::vector<json> rows = SummaryWithoutSeconds(office.out);
  EXPECT_NE((*RowOf(rows, office.contrib))["hash"], (*RowOf(first, office.contrib))["hash"]);
  EXPECT_EQ(*RowOf(rows, office.example), *RowOf(first, office.example));

  // Other tasks asked: the results are made again.
  CliResult validar_only = Cli(office.Args({"--tarefas", "validar"}));
  EXPECT_EQ(validar_only.envelope()["state"]["batch_resumed"], 0);
  EXPECT_TRUE((*RowOf(SummaryWithoutSeconds(office.out), office.example))["totals"].is_null());
}

TEST(Batch, ShardsMergeToTheSummaryOfOneRun) {
  Office office;
  ASSERT_EQ(Cli(office.Args()).code, 3);
  std::vector<std::string> merge = {"lote-juntar"};
  int shard_inputs = 0;
  for (int k = 1; k <= 3; ++k) {
    const std::string folder = (office.dir.path() / ("fatia" + std::to_string(k))).string();
    std::vector<std::string> args = office.Args({"--fatia", std::to_string(k) + "/3"});
    args[args.size() - 5] = folder;  // --saida
    CliResult r = Cli(args);
    ASSERT_NE(r.code, 1) << r.err;
    shard_inputs += r.envelope()["state"]["batch_inputs"].get<int>();
    merge.push_back(folder);
  }
  EXPECT_EQ(shard_inputs, static_cast<int>(4 + office.samples.size()));
  const fs::path merged = office.dir.path() / "juntos";
  merge.insert(merge.end(), {"--saida", merged.string()});
  CliResult r = Cli(merge);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(SummaryWithoutSeconds(merged), SummaryWithoutSeconds(office.out));
}

TEST(Batch, UsageErrorsExitWithTwo) {
  TempDir dir;
  const std::string out = (dir.path() / "s").string();
  const std::string in = dir.path().string();
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"lote", in}, "lote precisa de --saida PASTA"},
      {{"lote", "--saida", out}, "faltam argumentos"},
      {{"lote", in, "--saida", out, "--fatia", "4/3"}, "--fatia: use K/N"},
      {{"lote", in, "--saida", out, "--fatia", "0/3"}, "--fatia: use K/N"},
      {{"lote", in, "--saida", out, "--fatia", "3"}, "--fatia: use K/N"},
      {{"lote", in, "--saida", out, "--paralelo", "0"}, "--paralelo"},
      {{"lote", in, "--saida", out, "--tarefas", "notas"}, "--tarefas"},
      {{"lote", in, "--saida", out, "--xml", in}, "opção desconhecida: --xml"},
      {{"lote-juntar", in}, "lote-juntar precisa de --saida PASTA"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    CliResult r = Cli(c.args);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  // The results among the inputs: refused before anything runs.
  CliResult inside = Cli({"lote", out, "--saida", out});
  EXPECT_EQ(inside.code, 1);
  EXPECT_NE(inside.err.find("está dentro da pasta de saída"), std::string::npos) << inside.err;
  // A folder that does not exist is no usage error: exit 1, named.
  CliResult missing = Cli({"lote", in + "/nada", "--saida", out});
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("arquivo ou pasta não encontrado: " + in + "/nada"), std::string::npos)
      << missing.err;
}

TEST(Batch, ShownInTheUsageText) {
  CliResult r = Cli({"--help"});
  EXPECT_NE(r.out.find("  lote PASTA|ARQUIVO... --saida PASTA_SAIDA"), std::string::npos);
  EXPECT_NE(r.out.find("  lote-juntar PASTA... --saida PASTA"), std::string::npos);
}

}  // namespace
}  // namespace fiscora

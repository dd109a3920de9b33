#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_fixture.h"
#include "nfe_fixture.h"
#include "sintegra_fixture.h"
#include "tools/nfe_generator.h"
#include "xlsx_reader.h"

namespace fiscora {
namespace {

namespace fs = std::filesystem;
using testing::Cli;
using testing::TempDir;

struct Generated {
  TempDir dir;
  std::string xml, efd;
  NfeGeneratorSummary summary;
  explicit Generated(bool faults) {
    NfeGeneratorOptions o;
    o.cnpj = testing::kOwnCnpj;
    o.cancelled_percent = 5;
    if (faults)
      o.unbooked = o.booking_without_xml = o.cancelled_booked = o.value_off = o.wrong_cfop =
          o.wrong_key = 1;
    xml = (dir.path() / "xml").string();
    efd = (dir.path() / "efd.txt").string();
    summary = GenerateNfe(xml, 120, 31, o, efd);
  }
};

TEST(ConciliarXml, GeneratedMonthWithEveryFault) {
  Generated g(true);
  const std::string sheet = (g.dir.path() / "conciliacao.xlsx").string();
  testing::CliResult r =
      Cli({"conciliar-xml", "--xml", g.xml, "--efd", g.efd, "--planilha", sheet});
  ASSERT_EQ(r.code, 3) << r.err;
  nlohmann::json e = r.envelope();
  EXPECT_EQ(e["state"]["estabelecimento"]["cnpj"], testing::kOwnCnpj);
  EXPECT_EQ(e["state"]["estabelecimento"]["uf"], "SP");
  EXPECT_EQ(e["state"]["notas_xml"], 120);
  EXPECT_EQ(e["state"]["notas_casadas"], 119);
  EXPECT_EQ(e["state"]["tolerancia"], "0.0100");
  EXPECT_EQ(e["state"]["resultados"]["erro"], 5);
  EXPECT_EQ(e["state"]["resultados"]["aviso"], 1);
  const nlohmann::json& rows = e["tables"]["conciliacao"];
  ASSERT_EQ(rows.size(), 121u);
  std::map<std::string, int> messages;
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 32u);
    if (row["resultado"] == "conferida") continue;
    const std::string m = row["mensagem"];
    messages[m.substr(0, m.find(' ', m.find(' ') + 1))]++;
  }
  EXPECT_EQ(messages["NF-e autorizada"], 1) << e["tables"]["conciliacao"].dump(1);
  EXPECT_EQ(messages["escriturada sem"], 1);
  EXPECT_EQ(messages["NF-e cancelada"], 1);
  EXPECT_EQ(messages["VL_DOC R$"], 1);
  EXPECT_EQ(messages["CFOPs da"], 1);
  EXPECT_EQ(messages["chave de"], 1);
  // Money as strings with four decimals; the difference is the book's minus the XML's.
  for (const auto& row : rows)
    if (std::string(row["mensagem"]).rfind("VL_DOC", 0) == 0) {
      EXPECT_EQ(row["dif_vl_doc"], "0.0200");
      EXPECT_EQ(row["tipo"].get<std::string>().rfind("emissão própria", 0) == 0 ||
                    row["tipo"] == "entrada de terceiros",
                true);
    }
  EXPECT_TRUE(e["tables"]["documentos_ignorados"].empty());
  // The two sheets of the export.
  ASSERT_TRUE(fs::exists(sheet));
  if (!testing::XlsxReaderAvailable()) return;
  auto sheets = testing::ReadXlsx(sheet);
  ASSERT_TRUE(sheets);
  ASSERT_EQ(sheets->size(), 2u);
  EXPECT_EQ((*sheets)[0].title, "Conciliação");
  EXPECT_EQ((*sheets)[1].title, "Resumo");
  EXPECT_EQ((*sheets)[0].LastRow(), 122);
  EXPECT_EQ((*sheets)[0].At(1, 1)->value, "Chave");
  EXPECT_EQ((*sheets)[0].At(2, 1)->format, "@");
}

TEST(ConciliarXml, AgreeingMonthExitsZero) {
  Generated g(false);
  testing::CliResult r =
      Cli({"conciliar-xml", "--xml", g.xml, "--efd", g.efd, "--tolerancia", "0,00"});
  ASSERT_EQ(r.code, 0) << r.err;
  nlohmann::json e = r.envelope();
  EXPECT_EQ(e["state"]["resultados"]["erro"], 0);
  EXPECT_EQ(e["state"]["resultados"]["aviso"], 0);
  EXPECT_EQ(e["state"]["tolerancia"], "0.0000");
}

TEST(ConciliarXml, UsageAndInputErrors) {
  TempDir dir;
  const std::string efd = dir.Write("efd.txt", testing::EfdLines({}));
  const std::string xml = (dir.path() / "xml").string();
  fs::create_directories(xml);
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string err;  // start of the error output
  } cases[] = {
      {{"conciliar-xml", "--efd", efd}, 2, "fiscora-cli: conciliar-xml precisa de --xml"},
      {{"conciliar-xml", "--xml", xml}, 2, "fiscora-cli: conciliar-xml precisa de --xml"},
      {{"conciliar-xml", "--xml", xml, "--efd", efd, "--sintegra", efd},
       2,
       "fiscora-cli: conciliar-xml precisa"},
      {{"conciliar-xml", "--xml", xml, "--efd", efd, "--tolerancia", "x"},
       2,
       "fiscora-cli: --tolerancia"},
      {{"conciliar-xml", "--xml", (dir.path() / "nada").string(), "--efd", efd},
       1,
       "fiscora-cli: " + (dir.path() / "nada").string() + ":0: arquivo ou pasta não encontrado"},
      {{"conciliar-xml", "--xml", xml, "--efd", dir.Write("ruim.txt", {"|0000|", "texto"})},
       1,
       "fiscora-cli: " + (dir.path() / "ruim.txt").string() + ":2:"},
      {{"conciliar-xml", "--xml", xml, "--efd", efd, "--planilha", efd}, 1, "fiscora-cli: "},
      {{"conciliar-xml", "--xml", xml, "--efd",
        dir.Write("contrib.txt",
                  {"|0000|006|0|||01042024|30042024|EMPRESA|11222333000181|SP|3550308||00|0|"})},
       1,
       "fiscora-cli: " + (dir.path() / "contrib.txt").string() +
           ":1: é um arquivo da EFD-Contribuições"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    testing::CliResult r = Cli(c.args);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
    if (c.code == 1) {
      EXPECT_TRUE(r.out.empty());
    }
  }
  // A value that is not one names the file, the line and the field.
  std::vector<std::string> lines = testing::EfdLines({testing::BookingOf(testing::OwnExit(1))});
  for (std::string& l : lines)
    if (l.rfind("|C100|", 0) == 0) l.replace(l.find("|150,00|"), 8, "|15O,00|");
  testing::CliResult bad = Cli({"conciliar-xml", "--xml", xml, "--efd", dir.Write("v.txt", lines)});
  EXPECT_EQ(bad.code, 1);
  EXPECT_NE(bad.err.find(":7: registro C100, campo 12 (VL_DOC): '15O,00'"), std::string::npos)
      << bad.err;
}

}  // namespace
}  // namespace fiscora

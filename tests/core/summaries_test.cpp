// The CFOP summary and the fiscal summary.
#include "sintegra/summaries.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sintegra/loader.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;

TEST(CfopSummary, TypeByIssuer) {
  struct Case {
    const char* cfop;
    const char* emitente;
    const char* tipo;
  } cases[] = {
      {"6929", "P", "O"}, {"5102", "P", "C"}, {"5202", "P", "O"}, {"1102", "T", "C"},
      {"2910", "T", "O"}, {"1653", "T", "O"}, {"5929", "T", "C"}, {"1926", "P", "C"},
      {"5102", "X", ""},  {"5102", "", ""},   {"5102", "p", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.cfop) + " / " + c.emitente);
    EXPECT_EQ(CfopType(c.cfop, c.emitente), c.tipo);
  }
}

struct CfopRow {
  std::string cfop, tipo, valor, emitente;
  bool operator==(const CfopRow&) const = default;
};

void PrintTo(const CfopRow& r, std::ostream* os) {
  *os << "{" << r.cfop << ", " << r.tipo << ", " << r.valor << ", " << r.emitente << "}";
}

std::vector<CfopRow> Cfops(const ClientTable& t) {
  std::vector<CfopRow> out;
  for (ClientTable::RowId r : t.OrderedRows())
    out.push_back({std::string(t.RowText(r, 0)), std::string(t.RowText(r, 1)),
                   Money::FromRaw(t.RowRaw(r, 2)).ToFixed4(), std::string(t.RowText(r, 3))});
  return out;
}

TEST(CfopSummary, OneRowPerCfopTypedByItsFirstNote) {
  TestSession t;
  LoadSintegraFile(
      t.s,
      t.File({R50("5102", 10000, 'P', 1), R50("6929", 4000, 'P', 2), R50("5102", 5000, 'T', 3),
              R50("2910", 700, 'T', 4), R50("5102", 2500, 'P', 5)}),
      LoadMode::Normal);
  t.frm.lblentradas.SetText("R$ 7,00");
  t.frm.lblsaidas_outros.SetText("R$ 40,00");
  const SummaryLabels labels = BuildCfopSummary(t.s);
  EXPECT_EQ(Cfops(t.dtm.cds_res_cfop), (std::vector<CfopRow>{{"5102", "C", "175.0000", "P"},
                                                             {"6929", "O", "40.0000", "P"},
                                                             {"2910", "O", "7.0000", "T"}}));
  // The totals are the main window's, as shown there.
  EXPECT_EQ(labels, (SummaryLabels{{"lbl_ent_cont", "R$ 7,00"},
                                   {"lbl_ent_out", ""},
                                   {"lbl_sai_cont", ""},
                                   {"lbl_sai_out", "R$ 40,00"}}));
  // Shown again: rebuilt, not added to.
  BuildCfopSummary(t.s);
  EXPECT_EQ(t.dtm.cds_res_cfop.RecordCount(), 3);
}

TEST(FiscalSummary, TotalsAndTaxDue) {
  struct Row {
    const char* registro;
    const char* tipo;
    long long icms_cents;
  };
  struct Case {
    const char* name;
    std::vector<Row> rows;
    const char* entrada;
    const char* saida;
    const char* imposto;
  } cases[] = {
      {"entry below exit",
       {{"50", "E", 100000}, {"50", "S", 150000}},
       "R$ 1.000,00",
       "R$ 1.500,00",
       "R$ 500,00"},
      {"entry above exit: negative tax due",
       {{"50", "E", 200000}, {"50", "S", 150000}},
       "R$ 2.000,00",
       "R$ 1.500,00",
       "R$ -500,00"},
      {"rows by rate count as exits",
       {{"50", "E", 10000}, {"60A", "1700", 20000}, {"60A", "F", 5000}},
       "R$ 100,00",
       "R$ 250,00",
       "R$ 150,00"},
      {"empty", {}, "R$ 0,00", "R$ 0,00", "R$ 0,00"},
      {"millions", {{"50", "S", 99999999999}}, "R$ 0,00", "R$ 999.999.999,99", "R$ 999.999.999,99"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TdtmCENTRAL dtm;
    ClientTable& t = dtm.cds_totalizador_icms;
    for (const Row& r : c.rows) {
      t.Append();
      t.SetText(ftotalizador_icms::registro, r.registro);
      t.SetText(ftotalizador_icms::tipo, r.tipo);
      t.SetMoney(ftotalizador_icms::valor_icms, Money::FromRaw(r.icms_cents * 100));
      t.Post();
    }
    EXPECT_EQ(FiscalSummaryLabels(ComputeFiscalTotals(t)),
              (SummaryLabels{
                  {"lbl_entrada", c.entrada}, {"lbl_saida", c.saida}, {"lbl_imposto", c.imposto}}));
  }
}

}  // namespace
}  // namespace fiscora

#include "sintegra/summaries.h"

#include <algorithm>
#include <array>

#include "data/format.h"
#include "session/pacer.h"

namespace fiscora {

namespace {

// CFOPs that are no accounting operation: of the company's own notes, and of
// third parties' notes.
constexpr std::array<std::string_view, 8> kOtherOwn = {"5926", "5929", "5202", "5905",
                                                       "6926", "6929", "6202", "6905"};
constexpr std::array<std::string_view, 18> kOtherThird = {
    "1926", "1929", "1911", "1653", "1910", "1912", "1915", "1916", "1906",
    "2926", "2929", "2911", "2653", "2910", "2912", "2915", "2916", "2906"};

template <size_t N>
bool Listed(const std::array<std::string_view, N>& list, std::string_view cfop) {
  return std::find(list.begin(), list.end(), cfop) != list.end();
}

std::string Amount(Money m) { return "R$ " + FormatPattern(m, "###,##0.00"); }

}  // namespace

std::string CfopType(std::string_view cfop, std::string_view emitente) {
  if (emitente == "P") return Listed(kOtherOwn, cfop) ? "O" : "C";
  if (emitente == "T") return Listed(kOtherThird, cfop) ? "O" : "C";
  return "";
}

SummaryLabels BuildCfopSummary(Session& s) {
  ClientTable& cfops = s.dtm.cds_res_cfop;
  const ClientTable& notes = s.dtm.cds_50;
  cfops.DisableControls();
  cfops.EmptyDataSet();
  const int n_cfop = f50::cfop, n_valor = f50::valor_total, n_emitente = f50::emitente;
  const int c_cfop = fres_cfop::cfop, c_tipo = fres_cfop::tipo, c_valor = fres_cfop::valor,
            c_emitente = fres_cfop::emitente;
  Pacer pacer(s.ui);
  for (ClientTable::RowId row : notes.OrderedRows()) {
    const std::string_view cfop = notes.RowText(row, n_cfop);
    const Money valor = Money::FromRaw(notes.RowRaw(row, n_valor));
    if (cfops.Locate("cfop", {cfop})) {
      cfops.Edit();
      cfops.SetMoney(c_valor, cfops.GetMoney(c_valor) + valor);
    } else {
      const std::string_view emitente = notes.RowText(row, n_emitente);
      cfops.Append();
      cfops.SetText(c_cfop, cfop);
      cfops.SetMoney(c_valor, valor);
      cfops.SetText(c_emitente, emitente);
      cfops.SetText(c_tipo, CfopType(cfop, emitente));
    }
    cfops.Post();
    pacer.Tick();
  }
  cfops.First();
  cfops.EnableControls();
  const MainWindowState& f = s.frm;
  return {{"lbl_ent_cont", f.lblentradas.text()},
          {"lbl_ent_out", f.lblentradas_outros.text()},
          {"lbl_sai_cont", f.lblsaidas.text()},
          {"lbl_sai_out", f.lblsaidas_outros.text()}};
}

FiscalTotals ComputeFiscalTotals(const ClientTable& totalizer) {
  FiscalTotals t;
  const int tipo = ftotalizador_icms::tipo, icms = ftotalizador_icms::valor_icms;
  for (ClientTable::RowId row : totalizer.OrderedRows())
    (totalizer.RowText(row, tipo) == "E" ? t.entrada : t.saida) +=
        Money::FromRaw(totalizer.RowRaw(row, icms));
  const auto abs = [](Money m) { return m < Money() ? -m : m; };
  t.imposto = abs(t.saida) - abs(t.entrada);
  return t;
}

SummaryLabels FiscalSummaryLabels(const FiscalTotals& totals) {
  return {{"lbl_entrada", Amount(totals.entrada)},
          {"lbl_saida", Amount(totals.saida)},
          {"lbl_imposto", Amount(totals.imposto)}};
}

}  // namespace fiscora

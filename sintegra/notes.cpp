#include "sintegra/notes.h"

#include <stdexcept>

#include "data/format.h"
#include "session/pacer.h"
#include "sintegra/layout.h"
#include "sintegra/loader.h"

namespace fiscora {

namespace {

// A note number of a table as an integer, as the conversion of a text to an
// integer would take it.
int32_t NoteNumber(std::string_view text) {
  auto n = ParseInt32(text);
  if (!n) throw std::runtime_error("'" + std::string(text) + "' não é um valor inteiro válido");
  return *n;
}

// A quantity text with a decimal comma; a blank one (the loader keeps its
// comma) is nullopt.
std::optional<double> Quantity(std::string_view text) {
  std::string_view t = Trim(text);
  if (t.empty() || t == ",") return std::nullopt;
  auto q = ParseDouble(t);
  if (!q) throw std::runtime_error("'" + std::string(text) + "' não é um valor numérico válido");
  return q;
}

}  // namespace

bool btn_pesq50Click(Session& s, std::string_view number) {
  s.frm.edt_pesq50.SetText(std::string(number));
  std::string_view text = Trim(number);
  if (text.empty()) return false;
  auto numero = ParseInt32(text);
  if (!numero) return false;
  ClientTable& notes = s.dtm.cds_50;
  if (!notes.Locate("numero", {*numero})) {
    s.ui.Message("Atenção", "Nota não encontrada");
    return false;
  }
  // The ordering keeps the note found as the current row.
  notes.SetIndexFieldNames("numero");
  return true;
}

std::string bbtnAnalisarNotasClick(Session& s) {
  TdtmCENTRAL& d = s.dtm;
  ClientTable& dif = d.cds_dif_nota;
  ClientTable& sums = d.cds_50_inv_ini;
  dif.EmptyDataSet();
  sums.EmptyDataSet();
  Pacer pacer(s.ui);

  // Each note number's record 50 lines summed; the number alone is the key,
  // so lines of two issuers' notes of one number are summed together.
  const ClientTable& notes = d.cds_50;
  const int n_numero = f50::numero;
  // Both tables are of the notes' shape.
  const int n_value[4] = {f50::valor_total, f50::base_calc, f50::outras, f50::isento};
  const int(&s_value)[4] = n_value;
  const int s_numero = f50::numero, s_ipi = f50::ipi;
  for (ClientTable::RowId row : notes.OrderedRows()) {
    const int64_t numero = notes.RowRaw(row, n_numero);
    if (sums.Locate("numero", {numero})) {
      sums.Edit();
      for (int i = 0; i < 4; ++i)
        sums.SetMoney(s_value[i],
                      sums.GetMoney(s_value[i]) + Money::FromRaw(notes.RowRaw(row, n_value[i])));
    } else {
      sums.Append();
      sums.SetInteger(s_numero, numero);
      for (int i = 0; i < 4; ++i)
        sums.SetMoney(s_value[i], Money::FromRaw(notes.RowRaw(row, n_value[i])));
    }
    sums.Post();
    pacer.Tick();
  }

  // The IPI of each note's items; items of numbers without record 50 count
  // nowhere.
  const ClientTable& items = d.cds_54;
  const int i_nota = f54::nota, i_ipi = f54::ipi;
  for (ClientTable::RowId row : items.OrderedRows()) {
    if (sums.Locate("numero", {NoteNumber(items.RowText(row, i_nota))})) {
      sums.Edit();
      sums.SetMoney(s_ipi, sums.GetMoney(s_ipi) + Money::FromRaw(items.RowRaw(row, i_ipi)));
      sums.Post();
    }
    pacer.Tick();
  }

  const int d_numero = fdif_nota::numero, d_cont = fdif_nota::vCont, d_base = fdif_nota::vBase,
            d_outros = fdif_nota::vOutros, d_isentos = fdif_nota::vIsentos, d_ipi = fdif_nota::vIpi,
            d_difere = fdif_nota::difere;
  for (ClientTable::RowId row : sums.OrderedRows()) {
    const Money total = Money::FromRaw(sums.RowRaw(row, s_value[0]));
    const Money base = Money::FromRaw(sums.RowRaw(row, s_value[1]));
    const Money outras = Money::FromRaw(sums.RowRaw(row, s_value[2]));
    const Money isento = Money::FromRaw(sums.RowRaw(row, s_value[3]));
    const Money ipi = Money::FromRaw(sums.RowRaw(row, s_ipi));
    const Money difference = total - (base + isento + outras + ipi);
    if (!difference.IsZero()) {
      dif.Append();
      dif.SetInteger(d_numero, sums.RowRaw(row, s_numero));
      dif.SetMoney(d_cont, total);
      dif.SetMoney(d_base, base);
      dif.SetMoney(d_outros, outras);
      dif.SetMoney(d_isentos, isento);
      dif.SetMoney(d_ipi, ipi);
      dif.SetMoney(d_difere, difference);
      dif.Post();
    }
    pacer.Tick();
  }
  dif.First();
  return std::to_string(dif.RecordCount());
}

void FillNoteSummary(Session& s, std::string_view numero) {
  TdtmCENTRAL& d = s.dtm;
  ClientTable& resumo = d.cds_resumo_50;
  resumo.EmptyDataSet();
  const int32_t wanted = NoteNumber(Trim(numero));

  const ClientTable& items = d.cds_54;
  const int i_nota = f54::nota, i_n_item = f54::n_item, i_cod = f54::cod_produto,
            i_qtd = f54::quantidade, i_cst = f54::cst, i_aliq = f54::aliq, i_valor = f54::valor,
            i_desc = f54::desc, i_ipi = f54::ipi, i_base = f54::base_calc;
  const int r_cod = fresumo_50::cod_produto, r_descricao = fresumo_50::descricao,
            r_qtd = fresumo_50::quantidade, r_cst = fresumo_50::cst, r_aliq = fresumo_50::aliq,
            r_un = fresumo_50::valor_un, r_desc = fresumo_50::desc, r_tot = fresumo_50::valor_tot,
            r_ipi = fresumo_50::ipi, r_base = fresumo_50::base_calc;
  Pacer pacer(s.ui);
  // The walk is over a copy: the product lookup below orders cds_produt only,
  // but a copy keeps the walk safe whatever it touches.
  const ClientTable::RowList rows = items.OrderedRows();
  for (ClientTable::RowId row : rows) {
    pacer.Tick();
    if (NoteNumber(items.RowText(row, i_nota)) != wanted) continue;
    const std::string code(items.RowText(row, i_cod));
    const std::string description = ProductDescription(s, code);
    const std::optional<double> quantity = Quantity(items.RowText(row, i_qtd));
    const Money valor = Money::FromRaw(items.RowRaw(row, i_valor));
    const Money desc = Money::FromRaw(items.RowRaw(row, i_desc));
    // Inserted before the current row: the note's items in reverse order.
    resumo.Insert();
    resumo.SetText(r_cod, code);
    resumo.SetText(r_descricao, description);
    resumo.SetText(r_qtd, quantity ? FormatGeneral(*quantity) : std::string());
    resumo.SetText(r_cst, items.RowText(row, i_cst));
    if (items.RowText(row, i_n_item).starts_with('9')) {
      // Freight: no unit value, its amount is the discount field.
      resumo.SetMoney(r_un, Money());
      resumo.SetText(r_aliq, "FRETE");
      resumo.SetMoney(r_desc, desc);
      resumo.SetMoney(r_tot, desc);
    } else {
      // A quantity of 0 or blank gives the unit value 0, not a division error.
      const bool divisible = quantity && *quantity != 0;
      resumo.SetMoney(r_un, divisible ? Money::FromDouble(valor.ToDouble() / *quantity) : Money());
      resumo.SetText(r_aliq, items.RowText(row, i_aliq));
      resumo.SetMoney(r_desc, desc);
      resumo.SetMoney(r_tot, valor - desc);
    }
    resumo.SetMoney(r_ipi, Money::FromRaw(items.RowRaw(row, i_ipi)));
    resumo.SetMoney(r_base, Money::FromRaw(items.RowRaw(row, i_base)));
    resumo.Post();
  }
}

std::optional<NoteHeader> dbg_50Enter(Session& s) {
  ClientTable& notes = s.dtm.cds_50;
  if (!notes.HasCurrent()) return std::nullopt;
  const auto text = [&](int field) { return notes.AsString(field); };
  NoteHeader h{text(f50::numero), text(f50::data_emiss), text(f50::ie),    text(f50::cnpj),
               text(f50::uf),     text(f50::modelo),     text(f50::serie), text(f50::emitente)};
  FillNoteSummary(s, h.nota);
  return h;
}

std::vector<std::pair<std::string, std::string>> NoteSummaryLabels(const NoteHeader& note,
                                                                   int item_count) {
  return {
      {"lbl_itens", std::to_string(item_count)},
      {"lbl_nota", note.nota},
      {"lbl_data", note.data},
      {"lbl_uf", note.uf},
      {"lbl_cnpj", note.cnpj},
      {"lbl_ie", note.ie},
      {"lbl_modelo", note.modelo},
      {"lbl_serie", note.serie},
      {"lbl_emissao", Trim(note.emissao) == "P" ? "Própria" : "Terceiros"},
  };
}

TableDef RateSummaryDef() {
  TableDef t;
  t.name = "resumo_aliquotas";
  t.binding = "ds_resumo_aliquotas";
  FieldDef aliquota = Text("aliquota", 10), base = Curr("base"), icms = Curr("icms");
  aliquota.title = "Alíquota";
  aliquota.centered = true;
  base.title = "Base Calc.";
  icms.title = "Valor Icms";
  t.fields = {aliquota, base, icms};
  return t;
}

void FillRateSummary(ClientTable& resumo, ClientTable& rates) {
  rates.EmptyDataSet();
  const int r_aliq = fresumo_50::aliq, r_base = fresumo_50::base_calc;
  const int t_aliq = rates.FieldIndex("aliquota"), t_base = rates.FieldIndex("base"),
            t_icms = rates.FieldIndex("icms");
  for (ClientTable::RowId row : resumo.OrderedRows()) {
    const std::string_view aliq = resumo.RowText(row, r_aliq);
    if (aliq == "0000" || aliq == "FRET") continue;
    const Money base = Money::FromRaw(resumo.RowRaw(row, r_base));
    // Two implied decimals: "1700" is 17 %. A rate that is no number taxes
    // nothing.
    const double rate = ParseDouble(aliq).value_or(0) / 100 / 100;
    // Grouped by the exact rate text: "17" and "1700" are two rates.
    if (rates.Locate("aliquota", {aliq})) {
      rates.Edit();
      rates.SetMoney(t_base, rates.GetMoney(t_base) + base);
      rates.SetMoney(t_icms,
                     Money::FromDouble(rates.GetMoney(t_icms).ToDouble() + base.ToDouble() * rate));
    } else {
      rates.Append();
      rates.SetText(t_aliq, aliq);
      rates.SetMoney(t_base, base);
      rates.SetMoney(t_icms, Money::FromDouble(base.ToDouble() * rate));
    }
    rates.Post();
  }
  resumo.First();
  rates.First();
}

}  // namespace fiscora

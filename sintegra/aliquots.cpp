#include "sintegra/aliquots.h"

#include <cstdint>
#include <limits>
#include <string>
#include <unordered_map>
#include <vector>

#include "export/table_export.h"
#include "session/pacer.h"

namespace fiscora {

namespace {

// Ten cents in the fixed point of Money.
constexpr int64_t kTenCents = Money::kScale / 10;

// Whether `other` differs from the 60A total `a` enough to be reported:
// 100 × (other − a) ÷ a, its fraction cut off, below −1 or above 1; or
// (other − a) above ten cents; or, when `symmetric`, |other − a| above ten
// cents. A 60A total of 0 has no percentage: then any other total but 0 is
// a difference.
bool Differs(Money a, Money other, bool symmetric) {
  const int64_t diff = other.raw() - a.raw();
  if (a.IsZero()) return diff != 0;
  int64_t percent;
  if (diff > std::numeric_limits<int64_t>::max() / 100 ||
      diff < std::numeric_limits<int64_t>::min() / 100) {
    percent = diff / a.raw() * 100;  // only its size matters this far out
  } else {
    percent = diff * 100 / a.raw();  // integer division cuts the fraction
  }
  if (percent < -1 || percent > 1) return true;
  if (diff > kTenCents) return true;
  return symmetric && diff < -kTenCents;
}

Money Abs(Money m) { return m.raw() < 0 ? -m : m; }

// The name of the printer of a serial number: the ordem of the last slot
// whose nserie is that serial; null when no slot has it.
const std::string* PrinterName(const SintegraState& st, std::string_view serial) {
  const std::string* name = nullptr;
  for (const EcfSlot& slot : st.ecf_slots)
    if (slot.nserie == serial) name = &slot.ordem;
  return name;
}

std::string JoinKey(std::string_view a, std::string_view b, std::string_view c) {
  std::string k;
  k.reserve(a.size() + b.size() + c.size() + 2);
  k.append(a).push_back('\x1f');
  k.append(b).push_back('\x1f');
  k.append(c);
  return k;
}

// 60A against 60I: one cds_totaliq row per matching pair.
void CompareWith60i(Session& s) {
  TdtmCENTRAL& d = s.dtm;
  ClientTable& ta = d.cds_60a;
  ClientTable& ti = d.cds_60i;
  ClientTable& out = d.cds_totaliq;
  const int a_aliquota = f60a::aliquota, a_valor = f60a::valor, a_data = f60a::data,
            a_serie = f60a::num_serie;
  const int i_aliquota = f60i::aliquota, i_valor = f60i::valor, i_data = f60i::data,
            i_serie = f60i::serie;
  const int o_aliquotas = ftotaliq::aliquotas, o_data = ftotaliq::data,
            o_serie = ftotaliq::serie_ecf, o_60a = ftotaliq::aliq_60a, o_60i = ftotaliq::aliq_60i,
            o_dif = ftotaliq::diferenca;

  // The 60I rows by day, serial and rate, in cds_60i's order.
  std::unordered_map<std::string, std::vector<ClientTable::RowId>> by_key;
  by_key.reserve(static_cast<size_t>(ti.RecordCount()));
  for (ClientTable::RowId r : ti.OrderedRows())
    by_key[JoinKey(ti.RowText(r, i_data), ti.RowText(r, i_serie), ti.RowText(r, i_aliquota))]
        .push_back(r);

  Gauge& gauge = s.frm.progresso;
  Pacer pacer(s.ui);
  std::string key;
  for (ClientTable::RowId ra : ta.OrderedRows()) {
    gauge.Step();
    pacer.Tick();
    auto it = by_key.find(
        JoinKey(ta.RowText(ra, a_data), ta.RowText(ra, a_serie), ta.RowText(ra, a_aliquota)));
    if (it == by_key.end()) continue;
    const Money a = Money::FromRaw(ta.RowRaw(ra, a_valor));
    const std::string* printer = PrinterName(s.sintegra, ta.RowText(ra, a_serie));
    for (ClientTable::RowId ri : it->second) {
      const Money i = Money::FromRaw(ti.RowRaw(ri, i_valor));
      out.Append();
      out.SetText(o_aliquotas, ti.RowText(ri, i_aliquota));
      out.SetFloat(o_60i, i.ToDouble());
      out.SetFloat(o_60a, a.ToDouble());
      out.SetText(o_data, ti.RowText(ri, i_data));
      out.SetText(o_serie, printer ? std::string_view(*printer) : std::string_view());
      if (Differs(a, i, false)) out.SetFloat(o_dif, Abs(a - i).ToDouble());
      out.Post();
    }
  }
}

// 60D against the rows of the pairs: same day, printer name and rate.
void CompareWith60d(Session& s) {
  TdtmCENTRAL& d = s.dtm;
  ClientTable& td = d.cds_60d;
  ClientTable& out = d.cds_totaliq;
  const int d_data = f60d::data, d_serie = f60d::num_serie, d_valor = f60d::valor,
            d_aliquota = f60d::aliquota;
  const int o_60a = ftotaliq::aliq_60a, o_60d = ftotaliq::aliq_60d, o_dif = ftotaliq::dif_60d;
  Pacer pacer(s.ui);
  for (ClientTable::RowId rd : td.OrderedRows()) {
    pacer.Tick();
    // A serial without a slot is the printer "" (the rows of printers
    // without a slot), never the previous row's printer.
    const std::string* printer = PrinterName(s.sintegra, td.RowText(rd, d_serie));
    std::string_view name = printer ? std::string_view(*printer) : std::string_view();
    if (!out.Locate("data; serie_ecf; aliquotas",
                    {td.RowText(rd, d_data), name, td.RowText(rd, d_aliquota)}))
      continue;
    const Money dv = Money::FromRaw(td.RowRaw(rd, d_valor));
    // aliq_60a holds a Money value; the float gives it back exactly.
    const Money a = Money::FromDouble(out.GetFloat(o_60a));
    out.Edit();
    out.SetFloat(o_60d, dv.ToDouble());
    if (Differs(a, dv, true)) out.SetFloat(o_dif, Abs(a - dv).ToDouble());
    out.Post();
  }
}

// The four records summed per rate, rates in the order they first appear.
void SumPerRate(Session& s) {
  TdtmCENTRAL& d = s.dtm;
  ClientTable& out = d.cds_res_aliq;
  out.EmptyDataSet();
  struct Sums {
    std::string rate;
    Money sum[4];
  };
  std::vector<Sums> rows;
  std::unordered_map<std::string, size_t> by_rate;
  const struct {
    ClientTable& table;
    bool exclude_situations;
    int rate, valor;  // the table's fields
  } passes[4] = {{d.cds_60a, true, f60a::aliquota, f60a::valor},
                 {d.cds_60d, false, f60d::aliquota, f60d::valor},
                 {d.cds_60i, false, f60i::aliquota, f60i::valor},
                 {d.cds_60r, false, f60r::aliquota, f60r::valor}};
  Gauge& gauge = s.frm.progresso;
  Pacer pacer(s.ui);
  for (int p = 0; p < 4; ++p) {
    ClientTable& t = passes[p].table;
    const int f_rate = passes[p].rate, f_valor = passes[p].valor;
    gauge.SetPosition(0);
    gauge.SetMax(t.RecordCount());
    for (ClientTable::RowId r : t.OrderedRows()) {
      gauge.Step();
      pacer.Tick();
      std::string_view rate = t.RowText(r, f_rate);
      if (passes[p].exclude_situations &&
          (rate == "N" || rate == "I" || rate == "DESC" || rate == "CANC"))
        continue;
      auto [it, added] = by_rate.try_emplace(std::string(rate), rows.size());
      if (added) rows.push_back({std::string(rate), {}});
      rows[it->second].sum[p] += Money::FromRaw(t.RowRaw(r, f_valor));
    }
  }
  const int f_rate = fres_aliq::aliquotas;
  const int f_sum[4] = {fres_aliq::reg60a, fres_aliq::reg60d, fres_aliq::reg60i, fres_aliq::reg60r};
  for (const Sums& row : rows) {
    out.Append();
    out.SetText(f_rate, row.rate);
    for (int p = 0; p < 4; ++p) out.SetFloat(f_sum[p], row.sum[p].ToDouble());
    out.Post();
  }
}

}  // namespace

void bbtn_analisarClick(Session& s) {
  TdtmCENTRAL& d = s.dtm;
  MainWindowState& frm = s.frm;
  d.cds_totaliq.EmptyDataSet();
  frm.progresso.SetMax(180);
  frm.progresso.SetPosition(0);
  // The grids hear of the results once, when they are complete.
  d.cds_totaliq.DisableControls();
  d.cds_res_aliq.DisableControls();
  try {
    CompareWith60i(s);
    frm.progresso.SetPosition(0);
    CompareWith60d(s);
    frm.progresso.SetPosition(0);
    SumPerRate(s);
  } catch (...) {
    d.cds_totaliq.Cancel();
    d.cds_res_aliq.Cancel();
    d.cds_totaliq.EnableControls();
    d.cds_res_aliq.EnableControls();
    throw;
  }
  d.cds_totaliq.EnableControls();
  d.cds_res_aliq.EnableControls();
  d.cds_totaliq.First();
  s.ui.Message("Fiscora", "Análise efetuada com sucesso");
  frm.progresso.SetPosition(0);
  frm.bbtn_analisar.SetEnabled(false);
  frm.btn_opcao_aliq.Show();
}

const AliquotTableChoice* FindAliquotTableChoice(std::string_view radio_or_key) {
  for (const AliquotTableChoice& c : kAliquotTableChoices)
    if (radio_or_key == c.radio || radio_or_key == c.key) return &c;
  return nullptr;
}

void btn1Click(Session& s, const AliquotTableChoice* choice) {
  if (!choice) return;
  ClientTable* table = s.dtm.Find(choice->table);
  // "loja - aliquotas-60a.xlsx".
  if (table) ExportTable(s, *table, std::string("aliquotas-") + choice->key);
}

}  // namespace fiscora

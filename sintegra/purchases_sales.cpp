#include "sintegra/purchases_sales.h"

#include <string>

#include "data/format.h"
#include "session/pacer.h"
#include "sintegra/layout.h"
#include "sintegra/loader.h"

namespace fiscora {

namespace {

// Walks the lines of a working file with their field readers, letting the
// window breathe.
template <typename Fn>
void ForEachLine(Session& s, const std::filesystem::path& file, Fn&& fn) {
  LineReader reader(file);
  EncodingSniffer sniffer;
  Pacer pacer(s.ui);
  const std::string name = file.string();
  std::string_view bytes;
  while (reader.Next(bytes)) {
    fn(RecordLine(bytes, sniffer.LineIsUtf8(bytes), &name, reader.line_number()));
    pacer.Tick();
  }
}

// Grouped thousands and two decimals, to the cent however large the total.
std::string Amount(Money m) { return FormatNumber(m, 18, 2); }

struct SlotTally {
  bool received = false;
  Money net, disc, canc;
};

}  // namespace

Money CouponTotals(Session& s, LoadMode mode) {
  // Printer slots from record 60M: up to six printers in the order in which
  // their order numbers ("001" to "009") first appear.
  for (auto& slot : s.sintegra.ecf_slots) slot = EcfSlot{};
  ForEachLine(s, WorkingFile(s, "60m", mode), [&](const RecordLine& line) {
    std::string_view ordem = line.Raw(rec60m::kNumeroOrdem);
    if (ordem.size() != 3 || ordem.substr(0, 2) != "00" || ordem[2] < '1' || ordem[2] > '9') return;
    std::string trimmed(Trim(ordem));
    for (auto& slot : s.sintegra.ecf_slots) {
      if (slot.ordem.empty()) {
        slot.ordem = trimmed;
        slot.nserie = line.Trimmed(rec60m::kNumeroSerie);
        return;
      }
      if (slot.ordem == trimmed) return;
    }
  });

  Money net, disc, canc;
  std::array<SlotTally, 6> tallies;
  ForEachLine(s, WorkingFile(s, "60a", mode), [&](const RecordLine& line) {
    std::string_view situation = line.Raw(rec60a::kAliquota);
    Money amount = line.Amount(rec60a::kValor);
    int kind = situation == "DESC" ? 1 : situation == "CANC" ? 2 : 0;
    (kind == 1 ? disc : kind == 2 ? canc : net) += amount;
    std::string serial = line.Trimmed(rec60a::kNumeroSerie);
    for (size_t i = 0; i < 6; ++i) {
      if (s.sintegra.ecf_slots[i].nserie != serial) continue;
      SlotTally& t = tallies[i];
      t.received = true;
      (kind == 1 ? t.disc : kind == 2 ? t.canc : t.net) += amount;
    }
  });
  s.sintegra.coupon_discounts = disc;
  s.sintegra.coupon_cancellations = canc;

  MainWindowState& f = s.frm;
  for (size_t i = 0; i < 6; ++i) {
    EcfSlot& slot = s.sintegra.ecf_slots[i];
    if (tallies[i].received) {
      slot.tot_liquido = FormatGeneral(tallies[i].net);
      slot.tot_desc = FormatGeneral(tallies[i].disc);
      slot.tot_canc = FormatGeneral(tallies[i].canc);
    }
    for (std::string* t : {&slot.tot_liquido, &slot.tot_desc, &slot.tot_canc})
      if (t->empty()) t->assign(1, '0');
  }
  f.lbldesc.SetText("R$: " + Amount(disc));
  f.lblcanc.SetText("R$: " + Amount(canc));
  for (size_t i = 0; i < 6; ++i) {
    const EcfSlot& slot = s.sintegra.ecf_slots[i];
    if (slot.ordem.empty()) continue;
    auto money = [](const std::string& text) {
      return "R$ " + FormatPattern(ParseMoney(text).value_or(Money()), "###,###.00");
    };
    f.ecf_name[i]->SetText("ECF " + slot.ordem + ":");
    f.ecf_net[i]->SetText(money(slot.tot_liquido));
    f.ecf_disc[i]->SetText(money(slot.tot_desc));
    f.ecf_canc[i]->SetText(money(slot.tot_canc));
  }
  return net;
}

Money SeriesDTotal(Session& s, LoadMode mode) {
  Money total;
  ForEachLine(s, WorkingFile(s, "61R", mode),
              [&](const RecordLine& line) { total += line.Amount(rec61r::kValor); });
  return total;
}

void PurchasesVersusSales(Session& s, LoadMode mode) {
  // Totals are summed exactly, in fixed point.
  Money entries, entries_others, exits, exits_others;
  Gauge& gauge = s.frm.progresso;
  gauge.SetPosition(0);
  gauge.SetMax(s.sintegra.counters.r50);
  ForEachLine(s, WorkingFile(s, "50", mode), [&](const RecordLine& line) {
    gauge.Step();
    Money amount = line.Amount(rec50::kValorTotal);
    std::string_view first = line.Raw(rec50::kCfop.Head(1)),
                     last3 = line.Raw(rec50::kCfop.Part(1, 3));
    if (first == "5" || first == "6") {
      if (last3 == "929") return;
      if (last3 == "926" || last3 == "202" || last3 == "905")
        exits_others += amount;
      else
        exits += amount;
    } else {
      bool other = last3 == "926" || last3 == "202" || last3 == "911" || last3 == "653" ||
                   last3 == "910" || last3 == "912" || last3 == "915" || last3 == "916" ||
                   last3 == "906";
      (other ? entries_others : entries) += amount;
    }
  });
  gauge.SetPosition(0);

  Money coupons = CouponTotals(s, mode);
  Money series_d = SeriesDTotal(s, mode);
  Money total_exits = exits + coupons + series_d;

  MainWindowState& f = s.frm;
  f.lblCupom.SetText("R$ " + Amount(coupons));
  f.lblmod1.SetText("R$ " + Amount(exits));
  f.lblsaidas.SetText("R$ " + Amount(total_exits));
  f.lblentradas.SetText("R$ " + Amount(entries));
  f.lblsaidas_outros.SetText("R$ " + Amount(exits_others));
  f.lblentradas_outros.SetText("R$ " + Amount(entries_others));
  f.lbl_61R.SetText("R$ " + Amount(series_d));
  f.lbltotal_bruto_cf.SetText(
      "R$ " + Amount(coupons + s.sintegra.coupon_cancellations + s.sintegra.coupon_discounts));

  // Exits below 120% of the entries: the warning, shown or hidden at every run.
  Money limit = Money::FromRaw(MulDivRoundEven(entries.raw(), 12, 10));
  Money difference = total_exits - limit;
  bool warn = difference < Money();
  if (warn) {
    f.lbldiferenca.SetText("Saidas: R$ " + Amount(total_exits) + " - " + "120% das Entradas: R$ " +
                           Amount(limit) + "  =  " + "R$ " + Amount(difference));
  }
  f.gboxdif.SetVisible(warn);
  f.lbldiferenca.SetVisible(warn);
  f.lblalerta.SetVisible(warn);
}

}  // namespace fiscora

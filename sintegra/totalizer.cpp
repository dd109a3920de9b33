#include "sintegra/totalizer.h"

#include "sintegra/layout.h"

namespace fiscora {

namespace {

void AddTo(ClientTable& t, std::string_view registro, std::string_view tipo, Money base,
           Money icms) {
  const int f_base = ftotalizador_icms::base_calc, f_icms = ftotalizador_icms::valor_icms;
  if (t.Locate("registro;tipo", {registro, tipo})) {
    t.Edit();
    t.SetMoney(f_base, t.GetMoney(f_base) + base);
    t.SetMoney(f_icms, t.GetMoney(f_icms) + icms);
  } else {
    t.Append();
    t.SetText(ftotalizador_icms::registro, registro);
    t.SetText(ftotalizador_icms::tipo, tipo);
    t.SetMoney(f_base, base);
    t.SetMoney(f_icms, icms);
  }
  t.Post();
}

}  // namespace

void TotalizeIcmsByCfop(TdtmCENTRAL& dtm, std::string_view cfop, std::string_view registro,
                        Money base, Money icms) {
  char c = cfop.empty() ? '\0' : cfop.front();
  if (c == '1' || c == '2')
    AddTo(dtm.cds_totalizador_icms, registro, "E", base, icms);
  else if (c == '5' || c == '6')
    AddTo(dtm.cds_totalizador_icms, registro, "S", base, icms);
}

void TotalizeIcmsByRate(TdtmCENTRAL& dtm, std::string_view code, std::string_view registro,
                        Money value) {
  double rate = 0;
  if (auto whole = ParseInt32(code)) rate = *whole / 100.0 / 100.0;
  // Held as money, then rounded to cents as the "#0.00" pattern writes it.
  Money icms = Money::FromDouble(value.ToDouble() * rate).RoundCentsHalfAway();
  AddTo(dtm.cds_totalizador_icms, registro, code, value, icms);
}

}  // namespace fiscora

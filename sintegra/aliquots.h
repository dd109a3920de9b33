// The aliquot totals analysis of the sheet "Total Aliquotas": per day,
// printer and rate, the printer's daily total (record 60A) against its item
// values (60I) and its daily summary (60D), and the four records summed per
// rate; and the options window that writes one of six tables to a
// spreadsheet.
#pragma once

#include <string_view>

#include "export/spreadsheet.h"
#include "session/session.h"

namespace fiscora {

// "Analisar": fills cds_totaliq and cds_res_aliq (both emptied first).
//
// cds_totaliq: one row per 60A row and 60I row of the same day, serial
// number and rate (exact texts; joined through a key, never a walk of
// cds_60i per 60A row): aliquotas, data, the printer's name serie_ecf (the
// ordem of the last printer slot whose nserie is the serial, else empty),
// aliq_60a, aliq_60i, and diferenca = |60A - 60I| when the 60I total lies
// more than 1 % away from the 60A total (percentage cut to a whole number,
// so from 2 %) or above it by more than ten cents; else 0.
// Then each 60D row is matched to the first such row of the same day,
// printer name (the slot of its serial; printers without a slot are the
// name "") and rate, exactly; aliq_60d = the 60D total, and dif_60d =
// |60A - 60D| when the two differ by more than 1 % (cut) or by more than ten
// cents either way.
// A 60A total of 0 reports a difference exactly when the other total is
// not 0. Money is compared in fixed point: ten cents is exactly 0,10.
//
// cds_res_aliq: one row per rate, in the order the rates first appear, with
// the sums of 60A (rates "N", "I", "DESC" and "CANC" left out), 60D, 60I
// and 60R.
//
// Ends on the first row of cds_totaliq with the message "Análise efetuada
// com sucesso" (title "Fiscora"), the gauge at 0, "Analisar" disabled and
// "Gerar em Excel" shown.
void bbtn_analisarClick(Session& s);

// The six choices of TfrmOpcaoAliq, in the window's order.
struct AliquotTableChoice {
  const char* radio;    // radio button (Qt object name)
  const char* caption;  // its caption
  const char* key;      // fiscora-cli's --tabela
  const char* table;    // the table written
};
inline constexpr AliquotTableChoice kAliquotTableChoices[] = {
    {"rb_60a", "Registro 60a", "60a", "cds_60a"},
    {"rb_60d", "Registro 60d", "60d", "cds_60d"},
    {"rb_60i", "Registro 60i", "60i", "cds_60i"},
    {"rb_60r", "Registro 60r", "60r", "cds_60r"},
    {"rb_dif", "Tabela de diferenças", "dif", "cds_totaliq"},
    {"rb_resumo", "Resumo de aliquotas", "resumo", "cds_res_aliq"},
};

// The choice of that radio button name or --tabela key, or null.
const AliquotTableChoice* FindAliquotTableChoice(std::string_view radio_or_key);

// "Gerar" of TfrmOpcaoAliq: the table export of the chosen table; with no
// choice (null) nothing happens. The window closes itself afterwards.
void btn1Click(Session& s, const AliquotTableChoice* choice);

}  // namespace fiscora

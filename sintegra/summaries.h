// The CFOP summary (cds_res_cfop with the four entry and exit totals of
// purchases versus sales) and the fiscal summary (the ICMS totals of the
// totalizer and the tax due). Both are rebuilt every time their window shows.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/money.h"
#include "session/session.h"

namespace fiscora {

// The type of a CFOP for the issuer of its note: "C" an accounting
// operation, "O" another one; "" for an issuer other than "P" or "T".
// Exact text comparisons.
std::string CfopType(std::string_view cfop, std::string_view emitente);

// Labels as (control name, text), in the window's order.
using SummaryLabels = std::vector<std::pair<std::string, std::string>>;

// Builds cds_res_cfop from cds_50 in its current order (one row per CFOP,
// its type and issuer those of its first note line, its value the sum of
// them all) and returns lbl_ent_cont, lbl_ent_out, lbl_sai_cont and
// lbl_sai_out: the texts of the main window's totals as they are shown.
SummaryLabels BuildCfopSummary(Session& s);

struct FiscalTotals {
  Money entrada;  // valor_icms of the rows of tipo "E"
  Money saida;    // valor_icms of every other row
  Money imposto;  // |saida| - |entrada|
};

FiscalTotals ComputeFiscalTotals(const ClientTable& totalizer);
// lbl_entrada, lbl_saida and lbl_imposto as "R$ 1.234,56".
SummaryLabels FiscalSummaryLabels(const FiscalTotals& totals);

}  // namespace fiscora

// The reconciliation as a table: its columns, each row's cells, the summary
// lines, and the two sheets "Conciliação" and "Resumo" of its export. The
// window, fiscora-cli and the spreadsheet all take them from here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/money.h"
#include "export/spreadsheet.h"
#include "nfe/reconcile.h"
#include "session/user_interface.h"

namespace fiscora {

struct ReconColumn {
  std::string_view key;    // of the JSON rows: "chave", "vnf", ...
  std::string_view title;  // of the grid and the sheet: "Chave", "vNF", ...
};
// chave, modelo, serie, numero, emissao, emitente, destinatario, tipo,
// situacao_xml, arquivo_xml, arquivo_c100, periodo_c100, linha_c100,
// ind_oper, ind_emit, cod_sit, vnf, vl_doc, dif_vl_doc, vicms, vl_icms,
// dif_vl_icms, vst, vl_icms_st, dif_vl_icms_st, vipi, vl_ipi, dif_vl_ipi,
// cfops_xml, cfops_escrita, resultado, mensagem.
const std::vector<ReconColumn>& ReconColumns();

struct ReconCell {
  enum class Kind : uint8_t { kNull, kText, kInteger, kMoney };
  Kind kind = Kind::kNull;
  std::string text;
  int64_t integer = 0;
  Money money;
};
// The cells of a row, one per column. A value the row lacks (no booking, no
// XML) is null; a difference is the book's value minus the XML's.
std::vector<ReconCell> ReconRowCells(const Reconciliation& r, const ReconRow& row);
// One of them (column: its index in ReconColumns), for a grid that asks for
// one cell at a time.
ReconCell ReconRowCell(const Reconciliation& r, const ReconRow& row, size_t column);
// The column of the message, which the window's filter searches.
inline constexpr size_t kReconMessageColumn = 31;
// A cell as the grid shows it: money as "1.234,56", null as "".
std::string ReconCellText(const ReconCell& cell);

// The lines of the summary: the establishment and the counts, then for each
// result and each kind of finding the notes and their value (vNF, the
// money at risk). group: "total", "resultado" or "ocorrência".
struct ReconSummaryLine {
  std::string group, item;
  int64_t notes = 0;
  std::optional<Money> value;
  std::string text;  // for lines that are texts (the establishment, the period)
};
std::vector<ReconSummaryLine> ReconSummary(const Reconciliation& r);

// The two sheets.
Workbook ReconSheet(const Reconciliation& r);
Workbook ReconSummarySheet(const Reconciliation& r);
// "Exportar": the save step with both sheets in one file; the inputs of
// the run are never replaced.
SaveOutcome SaveReconciliation(const Reconciliation& r, UserInterface& ui);

// What a double click shows: the note's XML file and its booking's line.
std::string ReconRowDetail(const Reconciliation& r, const ReconRow& row);

}  // namespace fiscora

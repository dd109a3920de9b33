// What the EFD audit shows besides cds_audit: its four lists (and the
// warnings) as columns and cells, which fiscora-cli prints and the
// spreadsheet writes, and the spreadsheet itself: the audit sheet with the
// EFD columns, then one sheet per list.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "data/money.h"
#include "export/spreadsheet.h"
#include "session/efd_audit_state.h"
#include "session/session.h"

namespace fiscora {

// A cell of a list: a text, a quantity or an amount.
using EfdListCell = std::variant<std::string, double, Money>;

// A list: its names, its columns, and its rows' cells made one row at a
// time from the outcome (which must outlive the list), so that a long list
// is never copied whole.
struct EfdList {
  const char* key;    // the table's name in fiscora-cli's envelope
  const char* sheet;  // the worksheet's name
  std::vector<const char*> keys, titles;
  size_t rows = 0;
  std::function<std::vector<EfdListCell>(size_t row)> cells;
};

// "Itens sem cadastro", "Unidades sem conversão", "Saídas sem itens",
// "Inventário de terceiros" and "Avisos", in that order.
std::vector<EfdList> EfdAuditLists(const EfdAuditOutcome& o);

// The labels the window shows after an EFD audit: the inventories' dates
// and totals ("894.104,44"; empty without the inventory).
std::string EfdInventoryTotalText(const EfdAuditOutcome& o, bool opening);

// The summary the window shows under "Auditar" (lbl_efd_resumo): the
// inventories' dates and totals, the products, the exits by C170 and by
// XML, and how many rows each list holds.
std::string EfdAuditSummary(const EfdAuditOutcome& o);

// "Salvar em Excel" of the EFD audit: AuditWorkbook (with the columns
// SAIDAS_XML, SAIDAS_ECF, QTD_IND_MOV1 and SEM_CONVERSAO) in the sheet
// "Auditoria", then a sheet per list, through the save step. nullopt when
// the markup stopped it.
std::optional<SaveOutcome> EfdAuditExportSheet(Session& s, const EfdAuditOutcome& o);

}  // namespace fiscora

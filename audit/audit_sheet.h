// The audit spreadsheet: cds_audit in the order of descricao, one line per
// product, with the two omissions priced as sales and purchases without note.
#pragma once

#include <optional>

#include "export/spreadsheet.h"
#include "session/session.h"

namespace fiscora {

// The workbook of the audit: row 1 "Periodo analisado: " and the twelve
// period labels separated by single blanks; row 2 the 41 titles; from row 3
// one row per product. The unit value (column 9) is, with a markup m that
// is a number other than 0, the first of INV_FIM_UNITARIO, INV_INI_UNITARIO,
// the average entry value, the average exit value divided by m, that is not
// 0 (an average over a quantity of 0 is skipped), multiplied by m when the
// product has an omitted exit; held to four decimals after each step; 0
// without a markup. "VENDA SEM NF" prices the omitted exit, "COMPRA SEM NF"
// the omitted entry, the other of the two is the integer 0; both stay empty
// without omission. Moves the progress bar of the audit window.
//
// nullopt after the message "O markup deve ser digitado. Em média o valor é
// 1,5" when the markup is given but is not a number.
// With `efd_columns`, the EFD audit's columns SAIDAS_XML, SAIDAS_ECF,
// QTD_IND_MOV1 and SEM_CONVERSAO follow the 41.
std::optional<Workbook> AuditWorkbook(Session& s, bool efd_columns = false);

// "Salvar em Excel": the progress bar shown, AuditWorkbook, the save step
// (for an audit from EFD files, EfdAuditExportSheet with its outcome).
// Does nothing while an audit loader runs.
void btn_excelClick(Session& s);
// The export alone: AuditWorkbook and the save step (nullopt when the markup
// stopped it).
std::optional<SaveOutcome> AuditExportSheet(Session& s);

}  // namespace fiscora

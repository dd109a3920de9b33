// The table export: one table written whole to a spreadsheet that the user
// is then offered to save.
#pragma once

#include <string_view>

#include "data/client_table.h"
#include "export/spreadsheet.h"
#include "session/session.h"

namespace fiscora {

// The workbook of the export, sheet "Planilha": row 1 holds the names of
// the table's fields in definition order; from row 2 one row per record in
// the table's current order, column 1 in the text format "@", every value
// as stored (text, integer, float, money). Advances the progress gauge (its
// maximum the row count) by one per record. The table's cursor is not moved.
Workbook TableWorkbook(Session& s, const ClientTable& table);

// TableWorkbook, then the save step (SaveWorkbook).
// The save dialog proposes "<file> - <kind>.xlsx", the kind being the
// table's name unless given.
SaveOutcome ExportTable(Session& s, const ClientTable& table, std::string_view kind = {});

}  // namespace fiscora

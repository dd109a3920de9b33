// The inventory of a SINTEGRA file: record 74 items completed with the
// description and unit of their record 75 product, and the listing that
// shows them on the sheet "Inventário".
#pragma once

#include <string_view>

#include "export/inventory_report.h"
#include "export/spreadsheet.h"
#include "session/session.h"
#include "sintegra/load_mode.h"

namespace fiscora {

// Completes the items table of the mode from its products table:
//   Normal   cds_inventario from cds_produt, with the progress gauge
//            (maximum: the record 74 lines loaded, one step per item);
//   INV_INI  cds_inv_ini from cds_produt_inv_ini, no gauge;
//   INV_FIM  cds_inv_fim from cds_produt_inv_fim, no gauge.
// Each item whose code, trimmed, equals a
// product's code exactly (letter case counts) gets that product's
// descricao (cut to 43 characters) and unidade; an item without a product
// keeps them empty. Both tables are left ordered by "CODIGO" and "descricao"
// respectively, the items on their first row. Running it again changes
// nothing more. Breathes through the session's user interface; the audit's
// loaders call it on their worker threads (the tables are theirs then).
void CompleteInventory(Session& s, LoadMode mode);

// "Verificar" of "Verificar Itens do inventário:": shows "Gerando
// inventario..." and the gauge, completes cds_inventario ("Normal"), then
// shows the sheet "Inventario" at page index 6 (with "  Sobre  " at 7) and
// makes it the active page.
void bbtn_verif_inventClick(Session& s);

// The inventory spreadsheet, sheet "Planilha": row 1 "Codigo", "Descricao",
// "Unidade", "Quantidade", "Valor_unitario", "Valor_total"; from row 2 one
// row per item of cds_inventario from the first in its current order (by
// description after a listing), whatever row the grid has selected: codigo
// (text format "@"), descricao and unidade as text, quantidade as a number,
// unitario and valor as money. Advances the gauge (maximum: the item count)
// by one per item; leaves the table on its first row.
Workbook InventoryWorkbook(Session& s);

// "Excel" of the sheet "Inventário": InventoryWorkbook, then the save step.
SaveOutcome btnExcelClick(Session& s);

// "Imprimir" of the sheet "Inventário": the inventory report of
// cds_inventario (in its current order) with the company of cds_ident,
// printed where the user chooses through the printer port.
void Button1Click(Session& s, ReportPrinter& printer);

}  // namespace fiscora

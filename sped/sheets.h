// The two spreadsheets of the SPED analysis window: the notes sheet over
// cds_nf_sped and the movement sheet over cds_mov_ecf_sped.
#pragma once

#include "data/client_table.h"
#include "export/spreadsheet.h"
#include "session/session.h"

namespace fiscora {

// The notes sheet: row 1 the titles ("Numero nota", "Data", "Tipo",
// "Valor_Nota", "Total_Produtos", "Valor Pis", "Valor Cofins", "BC Pis",
// "BC Cofins", "Icms ST", the entry CFOP columns, "E1_Outros", "E2_Outros",
// the exit CFOP columns, "E5_Outros" and "E6_Outros" (which hold S5_OUTROS
// and S6_OUTROS), "FRETE"); from row 2 one row per note in the table's
// current order: codigo_nota as a whole number, data_nota and tipo as text,
// the rest as money (0 where no line set the field).
Workbook SpedNotesWorkbook(const ClientTable& notes);

// The movement sheet: "Equipamento", "Caixa", "Data" as text, then
// "Venda_Bruta", "Venda_Liquida" and "cst_01" ... "cst_99" as money, whatever
// columns the window's grid shows.
Workbook SpedMovementWorkbook(const ClientTable& movement);

// btn2Click and btn3Click: the sheet, the save step of every export, and the
// table put on its first row.
SaveOutcome SaveSpedNotesSheet(Session& s);
SaveOutcome SaveSpedMovementSheet(Session& s);

}  // namespace fiscora

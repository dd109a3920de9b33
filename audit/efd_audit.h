// The stock audit from EFD ICMS/IPI files: the same per-product table
// cds_audit as the SINTEGRA audit (opening + entries - exits against the
// closing inventory, the omitted exits and entries), read from
//   - the inventories of block H: the H005 whose DT_INV is the day before
//     the first period starts (opening) and the one of the last period's
//     last day (closing), wherever they sit in the file given (the opening
//     inventory of a year usually comes in the following February's file);
//     H010 items with IND_PROP 0 or 1 are counted, IND_PROP 2 (third
//     parties' goods) listed apart; an H005 of VL_INV 0 without items is an
//     empty inventory, an H005 whose VL_INV is not the sum of its items a
//     warning;
//   - the products (0200: description and UNID_INV) and their unit
//     conversions (0220: UNID_CONV, FAT_CONV, quantity in UNID_CONV times
//     FAT_CONV is the quantity in UNID_INV) of every file read;
//   - the notes of the period files: the C170 items of C100 with COD_SIT
//     00, 01 or 08 (complementary notes 06 and 07 move no quantity;
//     cancelled, denied and unused numbers are left out). An exit note
//     without C170 takes the items of its NF-e XML (by CHV_NFE: cProd,
//     qCom, uCom, CFOP, vProd); with neither it is listed in "Saídas sem
//     itens" and not counted. Regular entry notes without C170 are not
//     counted either: each file with any gives one warning with their
//     count and the line of the first;
//   - the fiscal printers: per reduction (C405) the C425 items, or, when it
//     has none, the C470 items (QTD - QTD_CANC); never both.
// Items count by CFOP as in the SINTEGRA audit (AuditSideOf, AuditFieldsOf
// in audit/movements.h), and CFOP 3xxx (imports) counts as an entry and 7xxx
// (exports) as an exit: imported and exported goods enter and leave the
// stock. An item with IND_MOV 1 ("sem movimentação física") shows its
// quantity in QTD_IND_MOV1 and counts only when `count_ind_mov1` is set.
// Quantities are brought to the product's UNID_INV through 0220 (units
// compared without regard to letter case); a quantity in a unit without
// conversion is not counted, shows in SEM_CONVERSAO and in "Unidades sem
// conversão". A code that no 0200 describes is counted as written and
// listed in "Itens sem cadastro".
#pragma once

#include <string>
#include <vector>

#include "session/efd_audit_state.h"
#include "session/session.h"

namespace fiscora {

struct EfdAuditInputs {
  std::string initial_inventory, final_inventory;  // EFD files; empty: step left out
  std::vector<std::string> periods;                // EFD files of the periods, one each
  std::vector<std::string> xml;                    // folders, zip files, XML files
  bool count_ind_mov1 = true;
};

// Runs the audit: every EFD file passes CheckEfdInput, the period files must
// be of one establishment and of different periods (and the inventory files
// of the same establishment), then the files are read once each, then the
// XML files. Only then is cds_audit emptied and filled, one row per product
// (left ordered by descricao). Throws InputRefusal (no period file, a file
// refused, a period given twice, another establishment, no H005 of the date
// sought: the message names the date and the dates the file has),
// SpedConversionError for a field that is not a number or a date, FileError
// for a file that cannot be read; nothing is changed then.
EfdAuditOutcome RunEfdAudit(Session& s, const EfdAuditInputs& inputs);

}  // namespace fiscora

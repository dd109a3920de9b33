// The stock audit's per-product table cds_audit: the movements of a period
// classed by CFOP, the fiscal-printer exits, the two inventories, and the
// omitted exits and entries that the movements cannot explain.
//
// All of these run on an audit loader's worker thread with the exclusive use
// of cds_audit and of the tables they read (see audit/loaders.h).
#pragma once

#include <string_view>

#include "session/session.h"

namespace fiscora {

// Where an item with this CFOP counts: its first digit 1 or 2 an entry, 5 or
// 6 an exit; 3 (import) an entry and 7 (export) an exit only when
// `foreign_trade` is set (the EFD audit sets it, the SINTEGRA audit does
// not); anything else not at all.
enum class AuditSide { kNone, kEntry, kExit };
AuditSide AuditSideOf(std::string_view cfop, bool foreign_trade = false);

// The fields of cds_audit an item adds to, by its side and the CFOP's
// digits 2 to 4 (resale, input, service input, return, reclassification
// 926, other): quantity and value (faudit::EREVENDA and
// faudit::EREVENDA_VAL, ...).
struct AuditGroupFields {
  int quantity;
  int value;
};
AuditGroupFields AuditFieldsOf(std::string_view cfop, AuditSide side);

// Merges the period in the main tables into cds_audit:
//  - every record 54 item of cds_54 with a code, by the CFOP's first digit
//    (1 or 2 an entry, 5 or 6 an exit, anything else not counted at all) and
//    its digits 2 to 4 (resale, input, service input, return,
//    reclassification 926, other), adding quantity and value to the group's
//    fields and to TOTALENTRADAS(_VAL) or TOTALSAIDAS(_VAL);
//  - every fiscal-printer item of cds_60i_item (record 60I per product) as an
//    exit: its quantity to SECF and TOTALSAIDAS, unit value times quantity to
//    SECF_VAL and TOTALSAIDAS_VAL.
// A product without an audit row gets one, described from the period's
// record 75 (ProductDescription). Omissions are brought up to date after
// every item. A blank or unreadable quantity counts as 0. One keyed lookup
// per item. cds_audit is left ordered by descricao.
void AuditClassifyMovements(Session& s);

// On the row of cds_audit being appended or edited: X = QTD_INICIAL +
// TOTALENTRADAS - TOTALSAIDAS against QTD_FINAL; the excess is OM_SAIDA
// (stock gone without a document), the shortfall OM_ENTRADA, the other 0.
void AuditOmissions(Session& s);

// cds_inv_ini (or cds_inv_fim) into cds_audit, in the table's order: a
// product already audited takes the inventory quantity and unit value
// (replacing, not adding) and its omissions are recomputed; a new product
// gets a row whose QTD_INICIAL and OM_SAIDA (or QTD_FINAL and OM_ENTRADA)
// are the quantity. Rows with a blank code are skipped. An empty inventory
// gives the message "Este arquivo não possui registros de inventario"
// (title "Atenção!!!") and changes nothing.
void AuditInitialInventory(Session& s);
void AuditFinalInventory(Session& s);

}  // namespace fiscora

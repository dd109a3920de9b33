// The stock audit from EFD ICMS/IPI files: what the audit window holds for
// it (the files chosen, the IND_MOV 1 choice) and what a run leaves besides
// cds_audit (the periods, the inventories' dates and totals, the four lists
// that explain what could not be counted, the warnings).
//
// Threads: like AuditState, which holds it, touched on the event loop's
// thread only; a run builds its EfdAuditOutcome on the loader's worker and
// hands it over in the loader's end step.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/money.h"

namespace fiscora {

// "Itens sem cadastro": a code moved (or inventoried) that no 0200 of the
// files describes. Its quantities are counted as written.
struct EfdItemWithoutRecord {
  std::string code;
  std::string unit;
  double quantity = 0;  // every movement and inventory quantity in that unit
  std::string where;    // FILE:LINE of the first line that named it
};

// "Unidades sem conversão": quantities of a product in a unit that is not
// its 0200 UNID_INV and has no 0220 conversion. Not counted.
struct EfdUnitWithoutConversion {
  std::string code, description;
  std::string unit, inventory_unit;
  double entries = 0, exits = 0, inventory = 0;
  std::string where;  // FILE:LINE of the first line in that unit
};

// "Saídas sem itens": an exit note with no C170 and no XML items to take
// (no key, no XML of its key, or the XML cancelled). Not counted.
struct EfdExitWithoutItems {
  std::string key;   // CHV_NFE, empty when the note has none
  std::string date;  // DT_DOC as dd/mm/yyyy
  Money value;       // VL_DOC
  std::string model, number;
  std::string where;   // FILE:LINE of the C100
  std::string reason;  // why no items were found
};

// "Inventário de terceiros": an H010 item with IND_PROP 2 (third parties'
// goods held by the establishment). Not counted.
struct EfdThirdPartyStock {
  std::string inventory;  // "inicial" or "final"
  std::string date;       // DT_INV as dd/mm/yyyy
  std::string code, description, unit;
  double quantity = 0;
  Money value;
  std::string participant;  // COD_PART
  std::string where;
};

struct EfdAuditOutcome {
  std::vector<std::string> periods;        // "mm/yyyy" of each period file, in the order given
  std::string opening_date, closing_date;  // dd/mm/yyyy sought in block H
  bool has_opening = false, has_closing = false;
  Money opening_total, closing_total;            // VL_ITEM of the counted H010 items
  int64_t opening_items = 0, closing_items = 0;  // counted H010 lines
  int64_t products = 0;
  int64_t xml_notes = 0;      // NF-e read from the XML inputs
  int64_t exits_by_xml = 0;   // exit notes whose items came from their XML
  int64_t exits_by_c170 = 0;  // exit notes with C170 items
  std::vector<EfdItemWithoutRecord> without_record;
  std::vector<EfdUnitWithoutConversion> without_conversion;
  std::vector<EfdExitWithoutItems> exits_without_items;
  std::vector<EfdThirdPartyStock> third_party;
  std::vector<std::string> warnings;  // "FILE:LINE: text"
};

// The EFD side of the audit window.
struct EfdAuditState {
  // The source chosen for the audit: rb_sintegra or rb_efd.
  bool efd = false;
  std::string edt_efd_inv_ini, edt_efd_inv_fim;
  std::vector<std::string> lst_efd_periodos;  // the period files, in order
  std::vector<std::string> lst_xml;           // XML folders and zip files
  bool chk_ind_mov1 = true;                   // IND_MOV 1 items count
  bool has_outcome = false;
  EfdAuditOutcome outcome;
};

}  // namespace fiscora

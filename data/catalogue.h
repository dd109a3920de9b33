// The data module: every table of the program, created once at start and
// kept, open and empty, until the program ends.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "data/catalogue_fields.h"
#include "data/client_table.h"
#include "data/table_def.h"

namespace fiscora {

// Every table definition, in catalogue order; the ids of their fields are in
// catalogue_fields.h.
const std::vector<TableDef>& CatalogueDefs();

class TdtmCENTRAL {
 public:
  TdtmCENTRAL();
  TdtmCENTRAL(const TdtmCENTRAL&) = delete;
  TdtmCENTRAL& operator=(const TdtmCENTRAL&) = delete;

  // The table of that name (exact, as in the catalogue), or null.
  ClientTable* Find(std::string_view name);
  const ClientTable* Find(std::string_view name) const;
  // The table whose display binding has that name (ds_50 -> cds_50), or null.
  ClientTable* FindByBinding(std::string_view binding);
  const std::vector<std::unique_ptr<ClientTable>>& tables() const { return tables_; }

 private:
  std::vector<std::unique_ptr<ClientTable>> tables_;
  ClientTable& Get(std::string_view name);

 public:
  // SINTEGRA records
  ClientTable& cds_50;
  ClientTable& cds_54;
  ClientTable& cds_60a;
  ClientTable& cds_60d;
  ClientTable& cds_60i;
  ClientTable& cds_60i_item;  // record 60I per product, day, printer, rate and unit value
  ClientTable& cds_60r;
  ClientTable& cds_produt;
  ClientTable& cds_inventario;
  ClientTable& cds_ident;
  // SINTEGRA analyses
  ClientTable& cdsmaxmin;
  ClientTable& cdsaliq;
  ClientTable& cds_totaliq;
  ClientTable& cds_res_aliq;
  ClientTable& cds_res_cfop;
  ClientTable& cds_totalizador_icms;
  ClientTable& cds_50_inv_ini;
  ClientTable& cds_dif_nota;
  ClientTable& cds_resumo_50;
  // stock audit
  ClientTable& cds_audit;
  ClientTable& cds_inv_ini;
  ClientTable& cds_inv_fim;
  ClientTable& cds_produt_inv_ini;
  ClientTable& cds_produt_inv_fim;
  // SPED
  ClientTable& cds_0150M;
  ClientTable& cds_nf_sped;
  ClientTable& cds_mov_ecf_sped;
  ClientTable& cds_difal;
};

}  // namespace fiscora

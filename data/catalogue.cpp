#include "data/catalogue.h"

#include <stdexcept>
#include <string>

namespace fiscora {

TdtmCENTRAL::TdtmCENTRAL()
    : tables_([] {
        std::vector<std::unique_ptr<ClientTable>> v;
        for (const auto& d : CatalogueDefs()) v.push_back(std::make_unique<ClientTable>(d));
        return v;
      }()),
      cds_50(Get("cds_50")),
      cds_54(Get("cds_54")),
      cds_60a(Get("cds_60a")),
      cds_60d(Get("cds_60d")),
      cds_60i(Get("cds_60i")),
      cds_60i_item(Get("cds_60i_item")),
      cds_60r(Get("cds_60r")),
      cds_produt(Get("cds_produt")),
      cds_inventario(Get("cds_inventario")),
      cds_ident(Get("cds_ident")),
      cdsmaxmin(Get("cdsmaxmin")),
      cdsaliq(Get("cdsaliq")),
      cds_totaliq(Get("cds_totaliq")),
      cds_res_aliq(Get("cds_res_aliq")),
      cds_res_cfop(Get("cds_res_cfop")),
      cds_totalizador_icms(Get("cds_totalizador_icms")),
      cds_50_inv_ini(Get("cds_50_inv_ini")),
      cds_dif_nota(Get("cds_dif_nota")),
      cds_resumo_50(Get("cds_resumo_50")),
      cds_audit(Get("cds_audit")),
      cds_inv_ini(Get("cds_inv_ini")),
      cds_inv_fim(Get("cds_inv_fim")),
      cds_produt_inv_ini(Get("cds_produt_inv_ini")),
      cds_produt_inv_fim(Get("cds_produt_inv_fim")),
      cds_0150M(Get("cds_0150M")),
      cds_nf_sped(Get("cds_nf_sped")),
      cds_mov_ecf_sped(Get("cds_mov_ecf_sped")),
      cds_difal(Get("cds_difal")) {}

ClientTable* TdtmCENTRAL::Find(std::string_view name) {
  for (auto& t : tables_)
    if (t->name() == name) return t.get();
  return nullptr;
}

const ClientTable* TdtmCENTRAL::Find(std::string_view name) const {
  for (const auto& t : tables_)
    if (t->name() == name) return t.get();
  return nullptr;
}

ClientTable* TdtmCENTRAL::FindByBinding(std::string_view binding) {
  for (auto& t : tables_)
    if (t->binding() && t->binding()->name() == binding) return t.get();
  return nullptr;
}

ClientTable& TdtmCENTRAL::Get(std::string_view name) {
  ClientTable* t = Find(name);
  if (!t) throw std::logic_error("catalogue has no table " + std::string(name));
  return *t;
}

}  // namespace fiscora

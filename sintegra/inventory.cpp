#include "sintegra/inventory.h"

#include <string>

#include "session/pacer.h"
#include "sintegra/layout.h"

namespace fiscora {

void CompleteInventory(Session& s, std::string_view mode) {
  ClientTable* items = nullptr;
  ClientTable* products = nullptr;
  const bool normal = mode == "Normal";
  if (normal) {
    items = &s.dtm.cds_inventario;
    products = &s.dtm.cds_produt;
  } else if (mode == "INV_INI") {
    items = &s.dtm.cds_inv_ini;
    products = &s.dtm.cds_produt_inv_ini;
  } else if (mode == "INV_FIM") {
    items = &s.dtm.cds_inv_fim;
    products = &s.dtm.cds_produt_inv_fim;
  } else {
    return;
  }

  Gauge& gauge = s.frm.progresso;
  if (normal) {
    gauge.SetPosition(0);
    gauge.SetMax(s.sintegra.counters.r74);
  }
  const int i_codigo = items->FieldIndex("codigo");
  const int i_descricao = items->FieldIndex("descricao");
  const int i_unidade = items->FieldIndex("unidade");
  const int p_descricao = products->FieldIndex("descricao");
  const int p_unidade = products->FieldIndex("unidade");

  items->SetIndexFieldNames("CODIGO");
  products->SetIndexFieldNames("CODIGO");
  Pacer pacer(s.ui);
  items->DisableControls();
  try {
    for (items->First(); !items->Eof(); items->Next()) {
      if (normal) gauge.Step();
      std::string code(TrimBlanks(items->GetText(i_codigo)));
      if (products->Locate("CODIGO", {code})) {
        std::string descricao(products->GetText(p_descricao));
        std::string unidade(products->GetText(p_unidade));
        items->Edit();
        items->SetText(i_descricao, descricao);
        items->SetText(i_unidade, unidade);
        items->Post();
      }
      pacer.Tick();
    }
    items->SetIndexFieldNames("descricao");
    items->First();
  } catch (...) {
    items->Cancel();
    items->EnableControls();
    throw;
  }
  items->EnableControls();
}

void bbtn_verif_inventClick(Session& s) {
  MainWindowState& frm = s.frm;
  frm.lblaguarde.SetText("Gerando inventario...");
  frm.lblaguarde.Show();
  frm.progresso.Show();
  CompleteInventory(s, "Normal");
  frm.tbs_inventario.SetText("Inventario");
  frm.tbs_inventario.Show();
  frm.pgcdados.SetPageIndex(frm.tbs_inventario, 6);
  frm.pgcdados.SetPageIndex(frm.tbssobre, 7);
  frm.pgcdados.SetActive(frm.tbs_inventario);
}

}  // namespace fiscora

#include "sintegra/inventory.h"

#include <string>

#include "session/file_names.h"
#include "session/pacer.h"
#include "sintegra/layout.h"

namespace fiscora {

void CompleteInventory(Session& s, LoadMode mode) {
  ClientTable* items = &s.dtm.cds_inventario;
  ClientTable* products = &s.dtm.cds_produt;
  const bool normal = mode == LoadMode::Normal;
  if (mode == LoadMode::INV_INI) {
    items = &s.dtm.cds_inv_ini;
    products = &s.dtm.cds_produt_inv_ini;
  } else if (mode == LoadMode::INV_FIM) {
    items = &s.dtm.cds_inv_fim;
    products = &s.dtm.cds_produt_inv_fim;
  }

  Gauge& gauge = s.frm.progresso;
  if (normal) {
    gauge.SetPosition(0);
    gauge.SetMax(s.sintegra.counters.r74);
  }
  const int i_codigo = f74::codigo;
  const int i_descricao = f74::descricao;
  const int i_unidade = f74::unidade;
  const int p_descricao = f75::descricao;
  const int p_unidade = f75::unidade;

  items->SetIndexFieldNames("CODIGO");
  products->SetIndexFieldNames("CODIGO");
  Pacer pacer(s.ui);
  items->DisableControls();
  try {
    for (items->First(); !items->Eof(); items->Next()) {
      if (normal) gauge.Step();
      std::string code(Trim(items->GetText(i_codigo)));
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
  const std::string waiting = frm.lblaguarde.text();
  frm.lblaguarde.SetText("Gerando inventario...");
  frm.lblaguarde.Show();
  frm.progresso.Show();
  // The label says what runs only while it runs: hidden at the end, with
  // its usual text back for the next verification.
  auto done = [&] {
    frm.lblaguarde.Hide();
    frm.lblaguarde.SetText(waiting);
  };
  try {
    CompleteInventory(s, LoadMode::Normal);
  } catch (...) {
    done();
    throw;
  }
  done();
  frm.tbs_inventario.SetText("Inventario");
  frm.tbs_inventario.Show();
  frm.pgcdados.SetPageIndex(frm.tbs_inventario, 6);
  frm.pgcdados.SetPageIndex(frm.tbssobre, 7);
  frm.pgcdados.SetActive(frm.tbs_inventario);
}

Workbook InventoryWorkbook(Session& s) {
  ClientTable& t = s.dtm.cds_inventario;
  Gauge& gauge = s.frm.progresso;
  gauge.SetPosition(0);
  gauge.SetMax(t.RecordCount());
  Workbook book;
  book.NameSheet("Planilha");
  const char* titles[] = {"Codigo",     "Descricao",      "Unidade",
                          "Quantidade", "Valor_unitario", "Valor_total"};
  for (int k = 0; k < 6; ++k) book.SetText(1, k + 1, titles[k]);
  const int fields[] = {f74::codigo,     f74::descricao, f74::unidade,
                        f74::quantidade, f74::unitario,  f74::valor};
  Pacer pacer(s.ui);
  int row = 2;
  for (ClientTable::RowId r : t.OrderedRows()) {
    book.SetTextFormat(row, 1);
    for (int k = 0; k < 6; ++k) book.SetField(row, k + 1, t, r, fields[k]);
    ++row;
    gauge.Step();
    pacer.Tick();
  }
  t.First();
  return book;
}

SaveOutcome btnExcelClick(Session& s) {
  Workbook book = InventoryWorkbook(s);
  return SaveWorkbook(book, s.ui, ProposedFileName(s.sintegra.file, "inventario", "xlsx"),
                      InputFiles(s));
}

void Button1Click(Session& s, ReportPrinter& printer) {
  // The report project's parameter "pagina" ("1") is read by no band, so it
  // has no counterpart here.
  printer.Print(BuildInventoryReport(s));
}

}  // namespace fiscora

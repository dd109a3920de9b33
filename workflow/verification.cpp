#include "workflow/verification.h"

#include <filesystem>

#include "sintegra/input_check.h"
#include "sintegra/layout.h"
#include "sintegra/loader.h"
#include "sintegra/product_checks.h"
#include "sintegra/purchases_sales.h"

namespace fiscora {

namespace {

void EnableFileControls(MainWindowState& f, bool enabled) {
  f.sbtnarq.SetEnabled(enabled);
  f.sbtn_sped.SetEnabled(enabled);
  f.edtarq.SetEnabled(enabled);
  f.btn_reg90.SetEnabled(enabled);
}

void Run(Session& s, InputCheckAhead* ahead) {
  MainWindowState& f = s.frm;
  TdtmCENTRAL& d = s.dtm;
  EnableFileControls(f, false);
  f.sbtnverificar.SetEnabled(false);
  s.sintegra.expected_lines = 0;
  f.progresso.SetMax(0);
  for (ClientTable* t : {&d.cdsmaxmin, &d.cdsaliq, &d.cds_totaliq, &d.cds_produt, &d.cds_inventario,
                         &d.cds_dif_nota})
    t->EmptyDataSet();
  s.sintegra.problems.Reset();
  s.sintegra.loaded = false;
  f.bbtn_verif_invent.SetEnabled(false);

  const std::string path = s.sintegra.file;
  std::error_code ec;
  if (!path.empty() && std::filesystem::exists(PathFromUtf8(path), ec)) {
    // A folder, an unreadable file or one that is not SINTEGRA is refused
    // here, before a table is filled or a working file written; the same
    // pass counts the lines.
    const CheckedInput checked = ahead ? ahead->Result(path) : CheckSintegraFile(path);
    f.progresso.Show();
    // A second run on the same file starts from empty tables, so nothing is
    // loaded twice.
    for (ClientTable* t :
         {&d.cds_50, &d.cds_54, &d.cds_60a, &d.cds_60d, &d.cds_60i, &d.cds_60i_item, &d.cds_60r})
      t->EmptyDataSet();
    s.sintegra.expected_lines = static_cast<int>(checked.lines);
    LoadSintegraFile(s, path, LoadMode::Normal);
    // The count and the load read the same bytes, or the run says so.
    CheckUnchanged(path, checked.stamp);
    f.lbllinhas.SetText(std::to_string(s.sintegra.expected_lines));
    if (s.sintegra.counters.r74 > 0) f.lbldatainv.SetText(s.sintegra.inventory_date);
    PurchasesVersusSales(s, LoadMode::Normal);
    ProductChecks(s);
    s.sintegra.loaded = !d.cds_60r.IsEmpty();
    ProblemLists& p = s.sintegra.problems;
    for (ProblemList* l : {&p.blank_descriptions, &p.zero_codes, &p.without_75})
      if (!l->flag) l->text.clear();
    p.header += p.blank_descriptions.text + p.zero_codes.text + p.without_75.text;
  } else if (!Trim(path).empty()) {
    s.ui.Message("ATENÇÃO!!!", "O arquivo selecionado não existe! Tente localiza-lo novamente.");
    SetSintegraFile(s, "");
  }

  bool four_or_more = s.sintegra.EcfSlotsUsed() >= 4;
  f.pnlecf4.SetVisible(four_or_more);
  f.pnlecf5.SetVisible(four_or_more);
  f.pnlecf6.SetVisible(four_or_more);

  WarnMissingRecords(s);
  const ProblemLists& p = s.sintegra.problems;
  if (p.zero_codes.flag || p.blank_descriptions.flag || p.without_75.flag)
    s.ui.Message("Atenção", p.header);
  if (s.sintegra.loaded) {
    f.progresso.SetPosition(0);
    s.ui.Message("Fiscora", "Verificação concluída com êxito!!!");
  }

  f.sbtnAlterar_tipo.SetEnabled(true);
  f.pgcdados.SetActive(f.tbsdados_emp);
  f.lblaguarde.Hide();
  f.bbtn_analisar.SetEnabled(true);
  if (s.sintegra.counters.r74 > 0) f.bbtn_verif_invent.SetEnabled(true);
  d.cds_50.First();
  f.dbt_soma_inv_princ.Show();
  EnableFileControls(f, true);

  PageControl& pages = f.pgcdados;
  auto place_rest = [&](int from) {
    pages.SetPageIndex(f.tbs_tot_aliq, from);
    pages.SetPageIndex(f.tbsresumo, from + 1);
    pages.SetPageIndex(f.tbssobre, from + 2);
  };
  bool maxmin = !d.cdsmaxmin.IsEmpty();
  if (maxmin) {
    f.tbs_maxmin.Show();
    f.tbs_maxmin.SetText("  Máximo e mínimo  ");
    place_rest(3);
  } else {
    f.tbs_maxmin.Hide();
    f.tbs_maxmin.Clear();
    place_rest(2);
  }
  if (!d.cdsaliq.IsEmpty()) {
    f.tbs_aliqdif.Show();
    f.tbs_aliqdif.SetText("  Aliquotas diferentes  ");
    place_rest(maxmin ? 3 : 2);
  } else {
    f.tbs_aliqdif.Hide();
    f.tbs_aliqdif.Clear();
    place_rest(2);
  }
}

}  // namespace

void sbtnverificarClick(Session& s, InputCheckAhead* ahead) {
  try {
    Run(s, ahead);
  } catch (...) {
    // The run ends here; the file controls come back as at a normal end,
    // and no table keeps the part of a file loaded before the failure.
    TdtmCENTRAL& d = s.dtm;
    for (ClientTable* t :
         {&d.cds_50, &d.cds_54, &d.cds_60a, &d.cds_60d, &d.cds_60i, &d.cds_60i_item, &d.cds_60r,
          &d.cds_produt, &d.cds_inventario, &d.cds_totalizador_icms, &d.cdsmaxmin, &d.cdsaliq,
          &d.cds_totaliq, &d.cds_dif_nota})
      t->EmptyDataSet();
    EnableFileControls(s.frm, true);
    s.frm.lblaguarde.Hide();
    throw;
  }
}

void EdtarqEnter(Session& s, bool verificar_usable) {
  // Enter in the file box is the "Verificar" button's key: it runs only
  // while the button can be pressed.
  if (verificar_usable) sbtnverificarClick(s);
}

void WarnMissingRecords(Session& s) {
  const RecordCounters& c = s.sintegra.counters;
  std::string text = "Não existem registros \n\r";
  bool any = false;
  auto line = [&](int counter, const char* name) {
    if (counter != 0) return;
    text += "Tipo ";
    text += name;
    text += ". \n\r";
    any = true;
  };
  line(c.r60a, "60A");
  line(c.r60r, "60R");
  line(c.r60i, "60I");
  line(c.r50, "50");
  line(c.r75, "75");
  if (any) s.ui.Message("ATENÇÃO !!!", text);
}

}  // namespace fiscora

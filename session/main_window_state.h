// The state of the main window's controls that the routines set: label
// texts, captions, visibility and enabled flags, the gauge and the sheets of
// the page control. Each member is named after its control (the Qt object
// name); the window mirrors this state and the routines never see a widget.
#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "session/user_interface.h"

namespace fiscora {

class MainWindowState;

class Control {
 public:
  enum class Kind { kLabel, kButton, kEdit, kPanel, kGauge, kSheet, kPageControl, kDisplay };

  Control(MainWindowState* owner, const char* name, Kind kind, std::string text = {},
          bool visible = true, bool enabled = true);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const char* name() const { return name_; }
  Kind kind() const { return kind_; }
  const std::string& text() const { return text_; }
  bool visible() const { return visible_; }
  bool enabled() const { return enabled_; }

  void SetText(std::string text);
  void Clear() { SetText({}); }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  void SetEnabled(bool enabled);

  // What the routines changed since the owner's records were cleared.
  bool text_set() const { return text_set_; }
  bool visibility_set() const { return visibility_set_; }
  void ClearRecords() { text_set_ = visibility_set_ = false; }

 protected:
  void Notify();
  MainWindowState* owner_;

 private:
  const char* name_;
  Kind kind_;
  std::string text_;
  bool visible_;
  bool enabled_;
  bool text_set_ = false;
  bool visibility_set_ = false;
};

// The progress gauge: Step() does not notify (the window reads the position
// when it breathes); setting the position or the maximum does.
class Gauge : public Control {
 public:
  Gauge(MainWindowState* owner, const char* name);
  // The window reads the gauge while an audit loader steps it on its worker
  // thread: one writer at a time, any number of readers.
  int position() const { return position_.load(std::memory_order_relaxed); }
  int max() const { return max_.load(std::memory_order_relaxed); }
  void SetMax(int max);
  void SetPosition(int position);
  // Advances by one, never beyond the maximum.
  void Step() {
    const int p = position();
    if (p < max()) position_.store(p + 1, std::memory_order_relaxed);
  }

 private:
  std::atomic<int> position_ = 0;
  std::atomic<int> max_ = 0;
};

// The page control: its sheets in page order (hidden ones included) and the
// active sheet. A sheet's caption is its text, its tab visibility its
// visible flag.
class PageControl : public Control {
 public:
  PageControl(MainWindowState* owner, const char* name, std::vector<Control*> sheets);
  const std::vector<Control*>& pages() const { return pages_; }
  int PageIndex(const Control& sheet) const;
  // Gives the sheet that page index: it moves there and the others shift.
  void SetPageIndex(Control& sheet, int index);
  Control* active() const { return active_; }
  void SetActive(Control& sheet);
  // Captions of the visible sheets, left to right (tab positions).
  std::vector<std::string> VisibleCaptions() const;
  void SheetChanged() { Notify(); }

 private:
  std::vector<Control*> pages_;
  Control* active_;
};

class MainWindowState {
 public:
  explicit MainWindowState(UserInterface* ui = nullptr);
  MainWindowState(const MainWindowState&) = delete;
  MainWindowState& operator=(const MainWindowState&) = delete;

  void SetUserInterface(UserInterface* ui) { ui_ = ui; }
  UserInterface* user_interface() const { return ui_; }
  void Changed(const Control& c);

  const std::vector<Control*>& controls() const { return controls_; }
  Control* Find(std::string_view name) const;
  void ClearRecords();

 private:
  friend class Control;
  UserInterface* ui_;
  std::vector<Control*> controls_;
  Control* Register(Control* c);

 public:
  using K = Control::Kind;
  // title group
  Control edtarq{this, "edtarq", K::kEdit};
  Control sbtnarq{this, "sbtnarq", K::kButton, "Arquivo"};
  Control sbtnverificar{this, "sbtnverificar", K::kButton, "Verificar"};
  Control btn_audit{this, "btn_audit", K::kButton, "Auditar", false};
  Control sbtn_sped{this, "sbtn_sped", K::kButton, "SPED"};
  // bottom line
  Control lblaguarde{this, "lblaguarde", K::kLabel, "Aguarde por favor . . . ."};
  Gauge progresso{this, "progresso"};
  Control sbtnfechar{this, "sbtnfechar", K::kButton, "Fechar"};
  // sheet "  Dados  "
  Control lblrazao{this, "lblrazao", K::kLabel};
  Control lblie{this, "lblie", K::kLabel};
  Control lblCnpj{this, "lblCnpj", K::kLabel};
  Control lblUF{this, "lblUF", K::kLabel};
  Control lblmunic{this, "lblmunic", K::kLabel};
  Control lbldataini{this, "lbldataini", K::kLabel};
  Control lbldatafim{this, "lbldatafim", K::kLabel};
  Control lbllinhas{this, "lbllinhas", K::kLabel};
  Control lbl50{this, "lbl50", K::kLabel};
  Control lbl60a{this, "lbl60a", K::kLabel};
  Control lbl60i{this, "lbl60i", K::kLabel};
  Control lbl60r{this, "lbl60r", K::kLabel};
  Control lbl74{this, "lbl74", K::kLabel};
  Control lbldatainv{this, "lbldatainv", K::kLabel};
  Control dbt_soma_inv_princ{this, "dbt_soma_inv_princ", K::kDisplay, "", false};
  Control bbtn_verif_invent{this, "bbtn_verif_invent", K::kButton, "Verificar"};
  Control lbl_tipo_arq{this, "lbl_tipo_arq", K::kLabel};
  Control lbl_tipo_arq2{this, "lbl_tipo_arq2", K::kLabel};
  Control sbtnAlterar_tipo{this, "sbtnAlterar_tipo", K::kButton, "Alterar"};
  Control btn_reg90{this, "btn_reg90", K::kButton, "Reconstruir registro 90", true, false};
  // sheet "  Compras x Vendas  "
  Control lblentradas{this, "lblentradas", K::kLabel};
  Control lblentradas_outros{this, "lblentradas_outros", K::kLabel};
  Control lblsaidas{this, "lblsaidas", K::kLabel};
  Control lblsaidas_outros{this, "lblsaidas_outros", K::kLabel};
  Control lblmod1{this, "lblmod1", K::kLabel};
  Control lblCupom{this, "lblCupom", K::kLabel};
  Control lbldesc{this, "lbldesc", K::kLabel};
  Control lblcanc{this, "lblcanc", K::kLabel};
  Control lbltotal_bruto_cf{this, "lbltotal_bruto_cf", K::kLabel};
  Control lbl_61R{this, "lbl_61R", K::kLabel};
  Control pnlecf1{this, "pnlecf1", K::kPanel};
  Control pnlecf2{this, "pnlecf2", K::kPanel};
  Control pnlecf3{this, "pnlecf3", K::kPanel};
  Control pnlecf4{this, "pnlecf4", K::kPanel};
  Control pnlecf5{this, "pnlecf5", K::kPanel};
  Control pnlecf6{this, "pnlecf6", K::kPanel};
  Control lblecf001{this, "lblecf001", K::kLabel, "ECF 000:"};
  Control lblecf002{this, "lblecf002", K::kLabel, "ECF 000:"};
  Control lblecf003{this, "lblecf003", K::kLabel, "ECF 000:"};
  Control lblecf004{this, "lblecf004", K::kLabel, "ECF 000:"};
  Control lblecf005{this, "lblecf005", K::kLabel, "ECF 000:"};
  Control lblecf006{this, "lblecf006", K::kLabel, "ECF 000:"};
  Control lblcupomecf1{this, "lblcupomecf1", K::kLabel};
  Control lblcupomecf2{this, "lblcupomecf2", K::kLabel};
  Control lblcupomecf3{this, "lblcupomecf3", K::kLabel};
  Control lblcupomecf4{this, "lblcupomecf4", K::kLabel};
  Control lblcupomecf5{this, "lblcupomecf5", K::kLabel};
  Control lblcupomecf6{this, "lblcupomecf6", K::kLabel};
  Control lbldescecf1{this, "lbldescecf1", K::kLabel};
  Control lbldescecf2{this, "lbldescecf2", K::kLabel};
  Control lbldescecf3{this, "lbldescecf3", K::kLabel};
  Control lbldescecf4{this, "lbldescecf4", K::kLabel};
  Control lbldescecf5{this, "lbldescecf5", K::kLabel};
  Control lbldescecf6{this, "lbldescecf6", K::kLabel};
  Control lblcancecf1{this, "lblcancecf1", K::kLabel};
  Control lblcancecf2{this, "lblcancecf2", K::kLabel};
  Control lblcancecf3{this, "lblcancecf3", K::kLabel};
  Control lblcancecf4{this, "lblcancecf4", K::kLabel};
  Control lblcancecf5{this, "lblcancecf5", K::kLabel};
  Control lblcancecf6{this, "lblcancecf6", K::kLabel};
  Control gboxdif{this, "gboxdif", K::kPanel, "", false};
  Control lbldiferenca{this, "lbldiferenca", K::kLabel, "", false};
  Control lblalerta{this, "lblalerta", K::kLabel,
                    "ATENÇÃO!!!  O TOTAL DE SAIDAS MENOS O TOTAL DE ENTRADAS, PODE CAUSAR "
                    "PREJUIZO!",
                    false};
  // sheet "Total Aliquotas"
  Control bbtn_analisar{this, "bbtn_analisar", K::kButton, "Analisar"};
  Control btn_opcao_aliq{this, "btn_opcao_aliq", K::kButton, "Gerar em Excel", false};
  // sheet "Notas Fiscais"
  Control edt_pesq50{this, "edt_pesq50", K::kEdit};
  // sheet "Inventário"
  Control dbt_soma_inv{this, "dbt_soma_inv", K::kDisplay};
  // sheets, in their initial page order
  Control tbsdados_emp{this, "tbsdados_emp", K::kSheet, "  Dados  "};
  Control tbs_comp_vend{this, "tbs_comp_vend", K::kSheet, "  Compras x Vendas  "};
  Control tbs_maxmin{this, "tbs_maxmin", K::kSheet, "  Máximo e mínimo  "};
  Control tbs_aliqdif{this, "tbs_aliqdif", K::kSheet, "  Aliquotas diferentes  "};
  Control tbs_tot_aliq{this, "tbs_tot_aliq", K::kSheet, "Total Aliquotas"};
  Control tbsresumo{this, "tbsresumo", K::kSheet, "Notas Fiscais"};
  Control tbssobre{this, "tbssobre", K::kSheet, "  Sobre  "};
  Control tbs_inventario{this, "tbs_inventario", K::kSheet, "Inventário", false};
  PageControl pgcdados{this,
                       "pgcdados",
                       {&tbsdados_emp, &tbs_comp_vend, &tbs_maxmin, &tbs_aliqdif, &tbs_tot_aliq,
                        &tbsresumo, &tbssobre, &tbs_inventario}};

  // Per-printer labels by slot (0 to 5).
  Control* const ecf_panel[6] = {&pnlecf1, &pnlecf2, &pnlecf3, &pnlecf4, &pnlecf5, &pnlecf6};
  Control* const ecf_name[6] = {&lblecf001, &lblecf002, &lblecf003,
                                &lblecf004, &lblecf005, &lblecf006};
  Control* const ecf_net[6] = {&lblcupomecf1, &lblcupomecf2, &lblcupomecf3,
                               &lblcupomecf4, &lblcupomecf5, &lblcupomecf6};
  Control* const ecf_disc[6] = {&lbldescecf1, &lbldescecf2, &lbldescecf3,
                                &lbldescecf4, &lbldescecf5, &lbldescecf6};
  Control* const ecf_canc[6] = {&lblcancecf1, &lblcancecf2, &lblcancecf3,
                                &lblcancecf4, &lblcancecf5, &lblcancecf6};
};

}  // namespace fiscora

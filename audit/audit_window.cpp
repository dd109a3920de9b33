#include "audit/audit_window.h"

#include <algorithm>
#include <filesystem>

#include "audit/loaders.h"
#include "data/money.h"
#include "sintegra/header.h"
#include "sintegra/layout.h"

namespace fiscora {

namespace {

constexpr const char kFilter[] = "*.txt|*.txt";

// A trimmed path that names an existing file.
std::optional<std::string> ExistingFile(const std::string& text) {
  std::string path(Trim(text));
  if (path.empty()) return std::nullopt;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(PathFromUtf8(path), ec)) return std::nullopt;
  return path;
}

}  // namespace

std::optional<double> AuditMarkup(std::string_view text) {
  std::optional<double> m = ParseDouble(Trim(text));
  if (!m || *m == 0) return std::nullopt;
  return m;
}

void btn_abrir_inv_iniClick(Session& s) {
  AuditState& a = s.audit;
  if (a.Busy()) return;
  if (!AuditMarkup(a.edt_markup)) {
    s.ui.Message("", "O markup deve ser digitado. Em média o valor é 1,5");
    return;
  }
  s.dtm.cds_inv_ini.EmptyDataSet();
  if (auto path = s.ui.ChooseOpenFile(kFilter, "", FileKind::kAny)) dlg_inv_iniCanClose(s, *path);
}

void dlg_inv_iniCanClose(Session& s, const std::string& path) {
  AuditState& a = s.audit;
  if (a.Busy()) return;
  a.edt_inv_ini = path;
  a.Changed();
  if (auto file = ExistingFile(a.edt_inv_ini))
    TINV_INI::Create(s, *file, a.img_ini, a.btn_abrir_inv_fim);
}

void btn_abrir_inv_fimClick(Session& s) {
  AuditState& a = s.audit;
  if (a.Busy()) return;
  s.dtm.cds_inv_fim.EmptyDataSet();
  if (auto path = s.ui.ChooseOpenFile(kFilter, "", FileKind::kAny)) dlg_inv_fimCanClose(s, *path);
}

void dlg_inv_fimCanClose(Session& s, const std::string& path) {
  AuditState& a = s.audit;
  if (a.Busy()) return;
  a.edt_inv_fim = path;
  a.Changed();
  if (auto file = ExistingFile(a.edt_inv_fim))
    TINV_FIM::Create(s, *file, a.img_fim, a.btn_abrir_sintegra);
}

void btn_abrir_sintegraClick(Session& s) {
  AuditState& a = s.audit;
  if (a.Busy()) return;
  if (auto path = s.ui.ChooseOpenFile(kFilter, "", FileKind::kAny)) dlg_sintegraCanClose(s, *path);
  a.btn_incluir_sintegra.enabled = true;
  a.btn_excel.enabled = true;
  a.Changed();
}

void dlg_sintegraCanClose(Session& s, const std::string& path) {
  AuditState& a = s.audit;
  if (a.Busy()) return;
  a.edt_sintegra = path;
  a.Changed();
}

void btn_incluir_sintegraClick(Session& s) {
  AuditState& a = s.audit;
  // The reset empties the main tables, which a running loader fills.
  if (a.Busy()) return;
  ResetMainWindow(s, ResetMode::Tables);
  auto file = ExistingFile(a.edt_sintegra);
  if (!file) return;
  ReadFileHeader(s, *file);
  const std::string period = s.sintegra.current_period;
  auto& included = a.included_periods;
  if (std::find(included.begin(), included.end(), period) != included.end()) {
    s.ui.Message("", "O sintegra deste periodo ja consta na listagem!");
    return;
  }
  // Listed before the loader starts: its end step may take it off again.
  included.push_back(period);
  for (std::string& label : a.lbl_per) {
    if (label == AuditState::kFreeSlot) {
      label = period;
      break;
    }
  }
  TSINTEGRA::Create(s, *file, a.img_sintegra, period);
}

void rb_efdClick(Session& s, bool efd) {
  AuditState& a = s.audit;
  if (a.Busy() || a.efd.efd == efd) return;
  // One source per audit: an audit under way is dropped, once the user
  // agrees, so that no period of one source joins the other's.
  const bool under_way = !s.dtm.cds_audit.IsEmpty() || !a.included_periods.empty();
  if (under_way &&
      s.ui.Confirm("", "Trocar a origem dos dados descarta a auditoria em andamento. Continuar?",
                   Buttons::kYesCancel) != Answer::kYes) {
    a.Changed();  // the window shows the source kept
    return;
  }
  if (under_way) {
    s.dtm.cds_audit.EmptyDataSet();
    s.dtm.cds_inv_ini.EmptyDataSet();
    s.dtm.cds_inv_fim.EmptyDataSet();
    a.lbl_per.fill(AuditState::kFreeSlot);
    a.included_periods.clear();
    a.efd.has_outcome = false;
    a.efd.outcome = EfdAuditOutcome{};
  }
  a.efd.efd = efd;
  a.Changed();
}

namespace {

void ChooseInto(Session& s, std::string& target, const char* filter, FileKind kind) {
  AuditState& a = s.audit;
  if (a.Busy()) return;
  if (auto path = s.ui.ChooseOpenFile(filter, "", kind)) {
    target = *path;
    a.Changed();
  }
}

void AddTo(Session& s, std::vector<std::string>& list, const std::optional<std::string>& path) {
  if (!path || path->empty()) return;
  if (std::find(list.begin(), list.end(), *path) == list.end()) list.push_back(*path);
  s.audit.Changed();
}

}  // namespace

void btn_efd_inv_iniClick(Session& s) {
  ChooseInto(s, s.audit.efd.edt_efd_inv_ini, kFilter, FileKind::kSped);
}

void btn_efd_inv_fimClick(Session& s) {
  ChooseInto(s, s.audit.efd.edt_efd_inv_fim, kFilter, FileKind::kSped);
}

void btn_efd_periodoClick(Session& s) {
  if (s.audit.Busy()) return;
  AddTo(s, s.audit.efd.lst_efd_periodos, s.ui.ChooseOpenFile(kFilter, "", FileKind::kSped));
}

void btn_xml_pastaClick(Session& s) {
  if (s.audit.Busy()) return;
  AddTo(s, s.audit.efd.lst_xml, s.ui.ChooseFolder("", FileKind::kAny));
}

void btn_xml_zipClick(Session& s) {
  if (s.audit.Busy()) return;
  AddTo(s, s.audit.efd.lst_xml, s.ui.ChooseOpenFile("*.zip|*.zip", "", FileKind::kAny));
}

void btn_efd_limparClick(Session& s) {
  AuditState& a = s.audit;
  if (a.Busy()) return;
  a.efd.lst_efd_periodos.clear();
  a.efd.lst_xml.clear();
  a.Changed();
}

EfdAuditInputs EfdAuditInputsOf(const AuditState& a) {
  EfdAuditInputs in;
  in.initial_inventory = std::string(Trim(a.efd.edt_efd_inv_ini));
  in.final_inventory = std::string(Trim(a.efd.edt_efd_inv_fim));
  in.periods = a.efd.lst_efd_periodos;
  in.xml = a.efd.lst_xml;
  in.count_ind_mov1 = a.efd.chk_ind_mov1;
  return in;
}

void btn_auditar_efdClick(Session& s) {
  AuditState& a = s.audit;
  if (a.Busy()) return;
  if (!AuditMarkup(a.edt_markup)) {
    s.ui.Message("", "O markup deve ser digitado. Em média o valor é 1,5");
    return;
  }
  if (a.efd.lst_efd_periodos.empty()) {
    s.ui.Message("", "Inclua ao menos um arquivo EFD de período.");
    return;
  }
  a.btn_auditar_efd.enabled = false;
  a.btn_excel.enabled = false;
  TEFD::Create(s, EfdAuditInputsOf(a));
}

}  // namespace fiscora

// The routines behind the controls of the audit window frm_auditar: the
// window (and fiscora-cli, which runs the same steps) calls them on the event
// loop's thread and mirrors AuditState afterwards. Each returns at once;
// the loaders they start run on worker threads (audit/loaders.h). While a
// loader runs, every one of them does nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "audit/efd_audit.h"
#include "session/audit_state.h"
#include "session/session.h"

namespace fiscora {

// The markup of edt_markup: trimmed, read with the decimal comma, not 0.
// nullopt when it is empty, zero or not a number.
std::optional<double> AuditMarkup(std::string_view text);

// "Abrir" of the initial inventory: the markup check (a markup that is empty,
// zero or not a number gives "O markup deve ser digitado. Em média o valor é
// 1,5" and nothing else happens), then cds_inv_ini emptied and the file
// dialog; a chosen file goes to dlg_inv_iniCanClose.
void btn_abrir_inv_iniClick(Session& s);
// The file chosen: edt_inv_ini takes the path; an existing file starts a
// TINV_INI loader whose end enables "Abrir" of the final inventory.
void dlg_inv_iniCanClose(Session& s, const std::string& path);
// "Abrir" of the final inventory: cds_inv_fim emptied, the file dialog.
void btn_abrir_inv_fimClick(Session& s);
// The file chosen: edt_inv_fim; an existing file starts TINV_FIM, whose end
// enables "Abrir" of the period file.
void dlg_inv_fimCanClose(Session& s, const std::string& path);
// "Abrir" of the period file: the dialog (a chosen file goes to
// dlg_sintegraCanClose), then, whatever the choice, "Icluir" and "Salvar em
// Excel" enabled.
void btn_abrir_sintegraClick(Session& s);
void dlg_sintegraCanClose(Session& s, const std::string& path);
// "Icluir": the main window reset as for a new file, the header of the file
// in edt_sintegra read (its period shown on the main window), a period
// already included refused with "O sintegra deste periodo ja consta na
// listagem!", otherwise a TSINTEGRA loader started and the period written
// into the first free label (a thirteenth period is loaded and remembered,
// but has no label).
void btn_incluir_sintegraClick(Session& s);

// ------------------------------------------------------------ EFD files
// The source of the audit, a choice per audit: rb_sintegra (the steps
// above) or rb_efd (the EFD files chosen below and one "Auditar").

// rb_sintegra / rb_efd. With an audit under way (rows in cds_audit or a
// period included) the user is asked first ("Trocar a origem dos dados
// descarta a auditoria em andamento. Continuar?", Yes or Cancel); on Yes the
// audit table, the inventories, the period labels and the EFD outcome are
// emptied.
void rb_efdClick(Session& s, bool efd);
// The file dialogs of the EFD source: the file holding the opening
// inventory, the file holding the closing inventory, a period file (added
// to lst_efd_periodos; a file already listed is not added twice), an XML
// folder or a zip file (added to lst_xml).
void btn_efd_inv_iniClick(Session& s);
void btn_efd_inv_fimClick(Session& s);
void btn_efd_periodoClick(Session& s);
void btn_xml_pastaClick(Session& s);
void btn_xml_zipClick(Session& s);
// "Limpar": the period and XML lists emptied.
void btn_efd_limparClick(Session& s);
// "Auditar": the markup check (as "Abrir" of the initial inventory), at
// least one period file ("Inclua ao menos um arquivo EFD de período."),
// then the TEFD loader on the files chosen and chk_ind_mov1. "Auditar" and
// "Salvar em Excel" wait disabled; the end enables both again (after an
// error only "Auditar"). The inputs of the audit, as the routine hands
// them to the loader, are EfdAuditInputsOf.
void btn_auditar_efdClick(Session& s);
EfdAuditInputs EfdAuditInputsOf(const AuditState& a);

}  // namespace fiscora

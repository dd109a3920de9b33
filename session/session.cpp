#include "session/session.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

namespace fiscora {

namespace {

const std::string kListRule(44, '-');

// Labels and controls only: what the creation of the main window and every
// reset do alike.
void ResetControls(MainWindowState& f) {
  f.lblCupom.Clear();
  f.lblmod1.Clear();
  f.lbldatainv.Clear();
  f.pgcdados.SetActive(f.tbsdados_emp);
  for (Control* c :
       {&f.lblrazao, &f.lblCnpj, &f.lblie, &f.lblmunic, &f.lblUF, &f.lbldataini, &f.lbldatafim,
        &f.lbl50, &f.lbl60a, &f.lbl60i, &f.lbl60r, &f.lbl74, &f.lbllinhas, &f.lblentradas,
        &f.lblsaidas, &f.lblentradas_outros, &f.lblsaidas_outros, &f.lbldesc, &f.lblcanc})
    c->Clear();
  f.progresso.SetMax(0);
  f.progresso.Hide();
  f.lbldiferenca.Clear();
  f.lbldiferenca.Hide();
  f.lblalerta.Hide();
  f.gboxdif.Hide();
  for (int i = 0; i < 6; ++i) {
    f.ecf_disc[i]->Clear();
    f.ecf_canc[i]->Clear();
    f.ecf_net[i]->Clear();
    f.ecf_name[i]->SetText("ECF 000:");
  }
  f.lbl_61R.Clear();
  f.lblaguarde.Hide();
  f.lbltotal_bruto_cf.Clear();
  f.pnlecf4.Hide();
  f.pnlecf5.Hide();
  f.pnlecf6.Hide();
  f.lbl_tipo_arq.Clear();
  f.lbl_tipo_arq2.Clear();
  f.sbtnAlterar_tipo.SetEnabled(false);
  f.bbtn_analisar.SetEnabled(false);
  f.bbtn_verif_invent.SetEnabled(false);
}

void ResetSheetsAndDisplays(MainWindowState& f) {
  f.tbs_inventario.Hide();
  f.tbs_inventario.Clear();
  f.pgcdados.SetPageIndex(f.tbs_inventario, 7);
  f.pgcdados.SetPageIndex(f.tbssobre, 6);
  f.dbt_soma_inv.Clear();
  f.dbt_soma_inv_princ.Clear();
  f.edt_pesq50.Clear();
  f.btn_opcao_aliq.Hide();
}

}  // namespace

void ProblemLists::Reset() {
  header = "PRODUTOS COM PROBLEMAS.\n\r" + std::string(44, '*') + "\n\r\n\r";
  zero_codes = {"PRODUTOS COM CODIGOS ZERADOS.\n\r" + kListRule + "\n\r\n\r", false};
  blank_descriptions = {"PRODUTOS COM DESCRIÇÃO EM BRANCO.\n\r" + kListRule + "\n\r\n\r", false};
  without_75 = {"PRODUTOS SEM 75 CORRESPONDENTE.\n\r" + kListRule + "\n\r\n\r", false};
}

std::vector<std::filesystem::path> InputFiles(const Session& s) {
  std::vector<std::filesystem::path> files;
  auto add = [&](const std::string& text) {
    if (!text.empty()) files.emplace_back(std::u8string(text.begin(), text.end()));
  };
  add(s.sintegra.file);
  add(s.sped.file);
  add(s.audit.edt_inv_ini);
  add(s.audit.edt_inv_fim);
  add(s.audit.edt_sintegra);
  add(s.audit.efd.edt_efd_inv_ini);
  add(s.audit.efd.edt_efd_inv_fim);
  for (const std::string& f : s.audit.efd.lst_efd_periodos) add(f);
  return files;
}

std::filesystem::path DefaultWorkingFolder() {
#ifdef _WIN32
  return std::filesystem::path("c:\\vorn\\");
#else
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg && *xdg) return std::filesystem::path(xdg) / "vorn";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : ".") / ".cache" / "vorn";
#endif
}

bool PrepareWorkingFolder(const std::filesystem::path& folder, UserInterface& ui) {
  namespace fs = std::filesystem;
  const std::string name = folder.string();
  auto refuse = [&](const std::string& why) {
    ui.Message("ATENÇÃO!!!", "Não foi possível preparar a pasta de trabalho " + name + ": " + why +
                                 ".\nA verificação dos arquivos não vai funcionar até que a pasta "
                                 "possa ser criada e gravada.");
    return false;
  };
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder)) {
    std::error_code st;
    if (fs::exists(folder, st)) return refuse("já existe um arquivo com esse nome");
    return refuse(ec ? ec.message() : "a pasta não pôde ser criada");
  }
  // A folder that exists but cannot be written fails here, not at the
  // first load.
  const fs::path probe = folder / ".fiscora-gravacao";
  {
    std::ofstream out(probe, std::ios::binary | std::ios::trunc);
    out << "ok";
    out.flush();
    if (!out) {
      out.close();
      fs::remove(probe, ec);
      return refuse("sem permissão de gravação");
    }
  }
  fs::remove(probe, ec);
  return true;
}

void CleanWorkingFolder(const std::filesystem::path& folder, UserInterface& ui) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return;
  std::vector<fs::path> matches;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string ext = it->path().extension().string();
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (ext != ".txt") continue;
    // The entry itself, a link not followed: a folder is left alone, a
    // link (to a file or a folder, here or elsewhere) is removed as a link.
    std::error_code st;
    fs::file_status status = it->symlink_status(st);
    if (st || fs::is_directory(status)) continue;
    if (!fs::is_regular_file(status) && !fs::is_symlink(status)) continue;
    matches.push_back(it->path());
  }
  for (const auto& p : matches) {
    std::error_code del;
    if (!fs::remove(p, del) || del) ui.Message("", "Não foi possível excluir " + p.string());
  }
}

void InitMainWindow(MainWindowState& f) {
  f.btn_reg90.SetText("Reconstruir\rregistro 90");
  f.progresso.SetMax(0);
  ResetControls(f);
  ResetSheetsAndDisplays(f);
  f.sbtnverificar.SetEnabled(!f.edtarq.text().empty());
}

void SetSintegraFile(Session& s, std::string path) {
  s.sintegra.file = path;
  s.frm.edtarq.SetText(std::move(path));
}

void ResetMainWindow(Session& s, ResetMode mode) {
  MainWindowState& f = s.frm;
  TdtmCENTRAL& d = s.dtm;
  const bool tables = mode == ResetMode::Tables;
  ResetControls(f);
  if (tables) {
    d.cdsmaxmin.EmptyDataSet();
    d.cdsaliq.EmptyDataSet();
  }
  s.sintegra.file_type.assign(1, '0');  // (assign: gcc 12 warns falsely on "= \"0\"")
  // The printer labels are back at "ECF 000:": no slot is in use.
  s.sintegra.ecf_slots.fill(EcfSlot{});
  if (tables) {
    for (ClientTable* t : {&d.cds_ident, &d.cdsmaxmin, &d.cdsaliq, &d.cds_totaliq, &d.cds_50,
                           &d.cds_54, &d.cds_60i, &d.cds_60i_item, &d.cds_60r, &d.cds_60a,
                           &d.cds_60d, &d.cds_res_aliq, &d.cds_produt, &d.cds_inventario})
      t->EmptyDataSet();
  }
  ResetSheetsAndDisplays(f);
}

}  // namespace fiscora

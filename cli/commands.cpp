#include "cli/commands.h"

#include <algorithm>
#include <filesystem>
#include <ostream>

#include "audit/audit_sheet.h"
#include "audit/audit_window.h"
#include "audit/loaders.h"
#include "data/display.h"
#include "data/json.h"
#include "sintegra/layout.h"
#include "sintegra/loader.h"
#include "workflow/file_choice.h"
#include "workflow/verification.h"

namespace fiscora {

bool CliArgs::Has(std::string_view name) const {
  return std::any_of(options.begin(), options.end(), [&](const auto& o) { return o.first == name; });
}

std::string CliArgs::Option(std::string_view name) const {
  std::string value;
  for (const auto& [key, v] : options)
    if (key == name) value = v;
  return value;
}

std::vector<std::string> CliArgs::Options(std::string_view name) const {
  std::vector<std::string> values;
  for (const auto& [key, v] : options)
    if (key == name) values.push_back(v);
  return values;
}

namespace {

// The tables a command always prints, first, unless --dump already names them.
void DumpFirst(CliContext& c, std::initializer_list<const char*> tables) {
  auto& list = c.dump.tables;
  std::vector<std::string> front;
  for (const char* t : tables)
    if (std::find(list.begin(), list.end(), t) == list.end()) front.emplace_back(t);
  list.insert(list.begin(), front.begin(), front.end());
}

// "Arquivo" with the file of the command line chosen in the dialog.
void ChooseFile(CliContext& c) {
  c.ui.open_file = c.args.positionals.at(0);
  sbtnarqClick(c.s);
}

int Tables(CliContext& c) {
  JsonWriter w;
  WriteCatalogue(w, c.s.dtm);
  c.extras.top.emplace_back("catalogue", w.str());
  return 0;
}

int Carregar(CliContext& c) {
  ChooseFile(c);
  const std::string& file = c.args.positionals.at(0);
  c.s.sintegra.expected_lines = CountLines(c.s, file);
  LoadSintegraFile(c.s, file, "Normal");
  return 0;
}

int Verificar(CliContext& c) {
  DumpFirst(c, {"cdsmaxmin", "cdsaliq"});
  ChooseFile(c);
  sbtnverificarClick(c.s);
  return 0;
}

// The audit window's steps in their order, each load waited for before the
// next: markup, initial inventory, final inventory, each period chosen and
// included, then the spreadsheet when asked. A step whose file is not given
// is skipped, as a user may skip it. A loader that fails ends the run
// (exit 1) after its message.
int Auditoria(CliContext& c) {
  Session& s = c.s;
  AuditState& a = s.audit;
  const std::string initial = c.args.Option("--inventario-inicial");
  const std::string final_inventory = c.args.Option("--inventario-final");
  const std::vector<std::string> periods = c.args.Options("--periodo");
  std::vector<std::string> files = periods;
  for (const std::string* f : {&initial, &final_inventory})
    if (!f->empty()) files.push_back(*f);
  for (const std::string& f : files) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(PathFromUtf8(f), ec)) {
      c.err << "fiscora-cli: " << f << ": arquivo não encontrado\n";
      return 1;
    }
  }
  if (c.args.Has("--markup")) a.edt_markup = c.args.Option("--markup");

  DumpFirst(c, {"cds_audit"});
  auto loaded = [&] {
    WaitForAuditLoader(s);
    if (a.last_error.empty()) return true;
    c.err << "fiscora-cli: " << a.last_error << "\n";
    return false;
  };
  auto run = [&] {
    if (!initial.empty()) {
      c.ui.open_file = initial;
      btn_abrir_inv_iniClick(s);
      if (!loaded()) return 1;
    }
    if (!final_inventory.empty()) {
      c.ui.open_file = final_inventory;
      btn_abrir_inv_fimClick(s);
      if (!loaded()) return 1;
    }
    for (const std::string& period : periods) {
      c.ui.open_file = period;
      btn_abrir_sintegraClick(s);
      btn_incluir_sintegraClick(s);
      if (!loaded()) return 1;
    }
    if (c.args.Has("--planilha")) {
      c.ui.save_file = c.args.Option("--planilha");
      btn_excelClick(s);
    }
    return 0;
  };
  const int code = run();

  s.dtm.cds_audit.SetIndexFieldNames("descricao");
  for (size_t i = 0; i < a.lbl_per.size(); ++i)
    c.extras.labels.emplace_back("lbl_per" + std::to_string(i + 1), a.lbl_per[i]);
  const struct {
    const char* display;
    const ClientTable& table;
  } totals[] = {{"dbtxt_inv_ini", s.dtm.cds_inv_ini}, {"dbtxt_inv_fim", s.dtm.cds_inv_fim}};
  for (const auto& t : totals) {
    int soma = 0;
    while (soma < t.table.AggregateCount() &&
           t.table.def().aggregates[static_cast<size_t>(soma)].name != "soma")
      ++soma;
    c.extras.labels.emplace_back(t.display, AggregateDisplayText(t.table, soma));
  }
  return code;
}

}  // namespace

const std::vector<CliCommand>& CliCommands() {
  static const std::vector<CliCommand> commands = {
      {"tables", "", "imprime o catálogo de tabelas (campos e tipos)", 0, 0, false, {}, Tables},
      {"carregar", "ARQUIVO", "escolhe o arquivo SINTEGRA e carrega-o no modo \"Normal\"", 1, 1,
       true, {}, Carregar},
      {"verificar", "ARQUIVO",
       "escolhe o arquivo e executa a verificação completa\n"
       "(inclui sempre as tabelas cdsmaxmin e cdsaliq)",
       1, 1, true, {}, Verificar},
      {"auditoria",
       "--markup M --inventario-inicial ARQ --inventario-final ARQ --periodo ARQ "
       "[--periodo ARQ ...] [--planilha SAIDA.xlsx]",
       "auditoria de estoque como na janela \"Auditoria\": markup, inventário inicial,\n"
       "inventário final e cada período, na ordem; a planilha quando pedida\n"
       "(imprime cds_audit, lbl_per1 a lbl_per12 e os totais dos inventários)",
       0, 0, false, {"--markup", "--inventario-inicial", "--inventario-final", "--periodo", "--planilha"},
       Auditoria},
  };
  return commands;
}

}  // namespace fiscora

#include "cli/commands.h"

#include <algorithm>
#include <filesystem>

#include "data/json.h"
#include "sintegra/layout.h"
#include "sintegra/loader.h"
#include "sped/analysis.h"
#include "sped/merge.h"
#include "sped/sheets.h"
#include "workflow/file_choice.h"
#include "workflow/verification.h"

namespace fiscora {

bool CliArgs::Has(std::string_view name) const {
  return std::any_of(options.begin(), options.end(),
                     [&](const auto& o) { return o.first == name; });
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

// The merge window: the files added in order as "Adicionar" does (the first
// is the head office), then "Mesclar" answered Yes with --saida as the
// folder (created when missing, as the folder dialog can).
int SpedMesclar(CliContext& c) {
  const std::string folder = c.args.Option("--saida");
  if (folder.empty()) {
    c.err << "fiscora-cli: sped-mesclar precisa de --saida PASTA\n";
    return 2;
  }
  Session& s = c.s;
  frm_spedFormCreate(s);
  for (const std::string& file : c.args.positionals) {
    c.ui.open_file = file;
    btn_mClick(s);
  }
  std::filesystem::create_directories(PathFromUtf8(folder));
  c.ui.confirm_answer = Answer::kYes;
  c.ui.folder = folder;
  btn_mesclarClick(s);

  JsonWriter w;
  w.BeginArray();
  for (const std::string& entry : s.sped_merge.lstAdicionados) w.String(entry);
  w.EndArray();
  c.extras.state.emplace_back("empresas", w.str());
  JsonWriter save;
  save.String(s.sped_merge.edt_save);
  c.extras.state.emplace_back("edt_save", save.str());
  c.extras.labels.emplace_back("lblStatus", s.sped_merge.lblStatus);
  return 0;
}

// The SPED analysis as its window runs it ("Arquivo SPED"), then the sheets
// asked for, each through the save step as "Gerar Notas Excel" and "Gerar ECF
// Excel" do. Fields that no line set are printed as "0.0000".
int SpedNotas(CliContext& c) {
  DumpFirst(c, {"cds_nf_sped", "cds_mov_ecf_sped", "cds_difal", "cds_totalizador_icms"});
  bool c481 = AnalyseSpedFile(c.s, PathFromUtf8(c.args.positionals.at(0)));
  c.extras.state.emplace_back("c481", c481 ? "true" : "false");
  if (c.args.Has("--planilha-notas")) {
    c.ui.save_file = c.args.Option("--planilha-notas");
    SaveSpedNotesSheet(c.s);
  }
  if (c.args.Has("--planilha-ecf")) {
    c.ui.save_file = c.args.Option("--planilha-ecf");
    SaveSpedMovementSheet(c.s);
  }
  return 0;
}

}  // namespace

const std::vector<CliCommand>& CliCommands() {
  static const std::vector<CliCommand> commands = {
      {"tables", "", "imprime o catálogo de tabelas (campos e tipos)", 0, 0, false, {}, Tables},
      {"carregar",
       "ARQUIVO",
       "escolhe o arquivo SINTEGRA e carrega-o no modo \"Normal\"",
       1,
       1,
       true,
       {},
       Carregar},
      {"verificar",
       "ARQUIVO",
       "escolhe o arquivo e executa a verificação completa\n"
       "(inclui sempre as tabelas cdsmaxmin e cdsaliq)",
       1,
       1,
       true,
       {},
       Verificar},
      {"sped-notas",
       "ARQUIVO",
       "analisa as notas e o movimento por ECF de um arquivo SPED EFD\n"
       "(--planilha-notas e --planilha-ecf gravam as planilhas)",
       1,
       1,
       true,
       {"--planilha-notas", "--planilha-ecf"},
       SpedNotas},
      {"sped-mesclar",
       "--saida PASTA ARQUIVO ARQUIVO...",
       "mescla arquivos EFD-Contribuições na ordem dada (o primeiro é\n"
       "o da matriz) e grava PASTA/SPED_mesclado.txt",
       1,
       -1,
       true,
       {"--saida"},
       SpedMesclar},
  };
  return commands;
}

}  // namespace fiscora

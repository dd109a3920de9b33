#include "cli/commands.h"

#include <algorithm>

#include "data/json.h"
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
  };
  return commands;
}

}  // namespace fiscora

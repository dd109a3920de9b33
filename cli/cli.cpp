#include "cli/cli.h"

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <random>
#include <sstream>

#include "data/catalogue.h"
#include "data/client_table.h"
#include "data/json.h"
#include "shell/envelope.h"
#include "shell/session.h"
#include "shell/verification.h"
#include "sintegra/header.h"
#include "sintegra/layout.h"
#include "sintegra/loader.h"

namespace fiscora {

namespace {

namespace fs = std::filesystem;

const char kUsage[] =
    "Uso: fiscora-cli COMANDO [ARQUIVO] [--dump TABELA,TABELA...]\n"
    "\n"
    "Comandos:\n"
    "  tables              imprime o catálogo de tabelas (campos e tipos)\n"
    "  carregar ARQUIVO    escolhe o arquivo SINTEGRA e carrega-o no modo \"Normal\"\n"
    "  verificar ARQUIVO   escolhe o arquivo e executa a verificação completa\n"
    "                      (inclui sempre as tabelas cdsmaxmin e cdsaliq)\n"
    "\n"
    "Opções:\n"
    "  --dump T1,T2        inclui as linhas dessas tabelas em \"tables\"\n"
    "  --help              mostra esta ajuda\n"
    "\n"
    "A saída é um objeto JSON com \"labels\", \"visible\", \"tabs\", \"messages\",\n"
    "\"state\", \"tables\" e \"aggregates\". Erros vão para a saída de erro;\n"
    "código de saída 1 para arquivo ilegível ou inconvertível, 2 para uso incorreto.\n";

// A private working folder for one run, removed at exit.
class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    std::mt19937_64 gen(rd());
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::ostringstream name;
      name << "fiscora-cli-" << std::hex << gen();
      fs::path p = fs::temp_directory_path() / name.str();
      if (fs::create_directory(p)) {
        path_ = p;
        return;
      }
    }
    throw FileError("Não foi possível criar a pasta de trabalho temporária");
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::vector<std::string> SplitList(const std::string& s) {
  std::vector<std::string> out;
  std::stringstream in(s);
  std::string item;
  while (std::getline(in, item, ','))
    if (!item.empty()) out.push_back(item);
  return out;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string command, file;
  EnvelopeOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      out << kUsage;
      return 0;
    } else if (a == "--dump") {
      if (i + 1 >= args.size()) {
        err << "fiscora-cli: --dump precisa de uma lista de tabelas\n" << kUsage;
        return 2;
      }
      for (auto& t : SplitList(args[++i])) options.tables.push_back(t);
    } else if (a.rfind("--dump=", 0) == 0) {
      for (auto& t : SplitList(a.substr(7))) options.tables.push_back(t);
    } else if (a.rfind("--", 0) == 0) {
      err << "fiscora-cli: opção desconhecida: " << a << "\n" << kUsage;
      return 2;
    } else if (command.empty()) {
      command = a;
    } else if (file.empty()) {
      file = a;
    } else {
      err << "fiscora-cli: argumento a mais: " << a << "\n" << kUsage;
      return 2;
    }
  }
  bool needs_file = command == "carregar" || command == "verificar";
  if (command.empty() || (command != "tables" && !needs_file) || (needs_file && file.empty())) {
    err << (command.empty() ? "fiscora-cli: falta o comando\n"
            : needs_file    ? "fiscora-cli: falta o ARQUIVO\n"
                            : "fiscora-cli: comando desconhecido: " + command + "\n")
        << kUsage;
    return 2;
  }

  TdtmCENTRAL dtm;
  for (const auto& t : options.tables)
    if (!dtm.Find(t)) {
      err << "fiscora-cli: tabela desconhecida: " << t << "\n";
      return 2;
    }

  try {
    TempFolder folder;
    RecordingUserInterface ui;
    MainWindowState frm(&ui);
    InitMainWindow(frm);
    Session s(dtm, frm, ui, folder.path());
    frm.ClearRecords();

    if (command == "tables") {
      std::string envelope = BuildEnvelope(s, ui.messages, options);
      JsonWriter w;
      WriteCatalogue(w, dtm);
      envelope.pop_back();  // the closing brace
      out << envelope << ",\"catalogue\":" << w.str() << "}\n";
      return 0;
    }

    std::error_code ec;
    if (!fs::is_regular_file(PathFromUtf8(file), ec)) {
      err << "fiscora-cli: " << file << ": arquivo não encontrado\n";
      return 1;
    }
    // The verification always shows its two result tables.
    if (command == "verificar")
      for (const char* t : {"cdsaliq", "cdsmaxmin"})
        if (std::find(options.tables.begin(), options.tables.end(), t) == options.tables.end())
          options.tables.insert(options.tables.begin(), t);
    ui.open_file = file;
    sbtnarqClick(s);
    if (command == "carregar") {
      s.expected_lines = CountLines(s, file);
      LoadSintegraFile(s, file, "Normal");
    } else {
      sbtnverificarClick(s);
    }
    out << BuildEnvelope(s, ui.messages, options) << "\n";
    return 0;
  } catch (const ConversionError& e) {
    err << "fiscora-cli: " << e.file() << ":" << e.line() << ": " << e.detail() << "\n";
  } catch (const std::exception& e) {
    err << "fiscora-cli: " << file << (file.empty() ? "" : ": ") << e.what() << "\n";
  }
  return 1;
}

}  // namespace fiscora

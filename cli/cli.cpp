#include "cli/cli.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <optional>
#include <ostream>
#include <random>
#include <set>
#include <sstream>

#include "cli/commands.h"
#include "data/atomic_file.h"
#include "data/catalogue.h"
#include "data/json.h"
#include "session/headless_session.h"
#include "sintegra/input_check.h"
#include "sintegra/layout.h"
#include "sped/fields.h"
#include "sped/merged_file.h"

namespace fiscora {

namespace {

namespace fs = std::filesystem;

// The usage text, built from the command table.
std::string Usage() {
  std::string text =
      "Uso: fiscora-cli COMANDO [ARGUMENTOS] [OPÇÕES] [--dump TABELA,TABELA...]\n"
      "\n"
      "Comandos:\n";
  for (const CliCommand& c : CliCommands()) {
    std::string head = std::string("  ") + c.name + (*c.synopsis ? " " : "") + c.synopsis;
    std::string_view help = c.help;
    bool first = true;
    while (true) {
      size_t nl = help.find('\n');
      std::string_view part = help.substr(0, nl);
      std::string left = first ? head : "";
      // The help starts in column 24, or on the next line after a long head.
      if (left.size() >= 23) {
        text += left + "\n";
        left.clear();
      }
      text += left + std::string(24 - left.size(), ' ') + std::string(part) + "\n";
      first = false;
      if (nl == std::string_view::npos) break;
      help.remove_prefix(nl + 1);
    }
  }
  text +=
      "\n"
      "Opções de todos os comandos:\n"
      "  --dump T1,T2          inclui as linhas dessas tabelas em \"tables\"\n"
      "  --help                mostra esta ajuda\n"
      "\n"
      "A saída é um objeto JSON com \"labels\", \"visible\", \"tabs\", \"messages\",\n"
      "\"state\", \"tables\" e \"aggregates\". Erros vão para a saída de erro;\n"
      "código de saída 1 para arquivo ilegível ou inconvertível, 2 para uso incorreto.\n";
  return text;
}

std::mutex run_folder_mutex;
std::set<fs::path> run_folders;  // one per run under way (a batch runs several)

// A private working folder for one run (mode 0700: the fiscal data in it is
// the user's alone), removed at exit.
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
        fs::permissions(p, fs::perms::owner_all, fs::perm_options::replace);
        path_ = p;
        std::lock_guard lock(run_folder_mutex);
        run_folders.insert(p);
        return;
      }
    }
    throw FileError("Não foi possível criar a pasta de trabalho temporária");
  }
  ~TempFolder() {
    std::lock_guard lock(run_folder_mutex);
    std::error_code ec;
    fs::remove_all(path_, ec);
    run_folders.erase(path_);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// A result never replaces a file the command reads: every output (the
// spreadsheets, the PDF, the merged file in --saida) is checked against
// every input (the positional files and the files of input options).
void RefuseOutputsOverInputs(const CliArgs& args) {
  static const std::string_view kOutputs[] = {"--planilha", "--pdf", "--planilha-notas",
                                              "--planilha-ecf"};
  static const std::string_view kInputs[] = {
      "--inventario-inicial", "--inventario-final", "--periodo", "--efd", "--sintegra", "--xml"};
  auto among = [](const auto& list, const std::string& name) {
    return std::find(std::begin(list), std::end(list), name) != std::end(list);
  };
  std::vector<fs::path> inputs;
  for (const auto& p : args.positionals) inputs.push_back(PathFromUtf8(p));
  for (const auto& [name, value] : args.options)
    if (among(kInputs, name)) inputs.push_back(PathFromUtf8(value));
  for (const auto& [name, value] : args.options) {
    if (among(kOutputs, name)) RefuseOutputOverInputs(PathFromUtf8(value), inputs);
    if (name == "--saida") RefuseOutputOverInputs(PathFromUtf8(value) / kMergedFileName, inputs);
  }
}

std::vector<std::string> SplitList(const std::string& s) {
  std::vector<std::string> out;
  std::stringstream in(s);
  std::string item;
  while (std::getline(in, item, ','))
    if (!item.empty()) out.push_back(item);
  return out;
}

// The command named on the line (null when none is known by that name) and
// its name in `name`. The command comes first, so that its options are known
// when they come: every option takes a value, so the command is the first
// argument that is neither an option nor an option's value.
const CliCommand* FindCommand(const std::vector<std::string>& argv, std::string& name) {
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (a.rfind("--", 0) == 0) {
      if (a.find('=') == std::string::npos && a != "--help") ++i;
      continue;
    }
    name = a;
    const CliCommand* command = nullptr;
    for (const CliCommand& c : CliCommands())
      if (a == c.name) command = &c;
    return command;
  }
  return nullptr;
}

// What the command line asks for besides its command: the help, or a run
// with these options and positionals, or nothing but a usage error.
struct ParsedLine {
  bool help = false;
  std::string usage_error;
};

// The options (each with its value; --dump into `dump`) and positionals of
// the line, in order, checked against what the command takes. The first of
// "--help" or a fault, in the order of the line, decides.
ParsedLine ParseLine(const std::vector<std::string>& argv, const CliCommand* command, CliArgs& args,
                     EnvelopeOptions& dump) {
  auto usage_error = [](std::string what) { return ParsedLine{false, std::move(what)}; };
  bool seen_command = false;
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (a == "--help" || a == "-h") return ParsedLine{true, {}};
    if (a.rfind("--", 0) == 0) {
      size_t eq = a.find('=');
      std::string name = a.substr(0, eq);
      bool known = name == "--dump" ||
                   (command && std::find(command->options.begin(), command->options.end(), name) !=
                                   command->options.end());
      if (!known) return usage_error("opção desconhecida: " + a);
      std::string value;
      if (eq != std::string::npos) {
        value = a.substr(eq + 1);
      } else if (i + 1 < argv.size()) {
        value = argv[++i];
      } else {
        return usage_error(name + " precisa de um valor");
      }
      if (name == "--dump") {
        for (auto& t : SplitList(value)) dump.tables.push_back(t);
      } else {
        args.options.emplace_back(name, value);
      }
    } else if (!seen_command) {
      seen_command = true;
    } else {
      args.positionals.push_back(a);
    }
  }
  if (args.command.empty()) return usage_error("falta o comando");
  if (!command) return usage_error("comando desconhecido: " + args.command);
  int count = static_cast<int>(args.positionals.size());
  if (count < command->min_positionals)
    return usage_error(command->needs_file && count == 0 ? "falta o ARQUIVO" : "faltam argumentos");
  if (command->max_positionals >= 0 && count > command->max_positionals)
    return usage_error("argumento a mais: " +
                       args.positionals[static_cast<size_t>(command->max_positionals)]);
  return {};
}

// The first table of --dump that the catalogue does not hold.
std::optional<std::string> UnknownTable(const EnvelopeOptions& dump) {
  const std::vector<TableDef>& defs = CatalogueDefs();
  for (const auto& t : dump.tables)
    if (std::none_of(defs.begin(), defs.end(), [&](const TableDef& d) { return d.name == t; }))
      return t;
  return std::nullopt;
}

// Runs the command over a session of its own in a private working folder
// and writes the envelope; a refusal or an error goes to `err` as
// "fiscora-cli: FILE:LINE: reason" (exit code 1) and writes no envelope.
int RunCommand(const CliCommand& command, const CliArgs& args, EnvelopeOptions& dump,
               OutputSink& out, std::ostream& err, ReportPrinter* printer) {
  std::string file = command.needs_file ? args.positionals.front() : std::string();
  try {
    RefuseOutputsOverInputs(args);
    TempFolder folder;
    HeadlessSession session(folder.path());

    // Every command's file must be there and readable; what a command
    // loads is checked further by the command.
    if (command.needs_file) CheckReadableFile(file);
    EnvelopeExtras extras;
    CliContext context{session.s, session.ui, args, dump, extras, err, printer};
    int code = command.run(context);
    JsonWriter w(out);
    WriteEnvelope(w, session.s, session.ui.messages, dump, extras);
    w.Flush();
    out.Write("\n");
    return code;
  } catch (const InputRefusal& e) {
    err << "fiscora-cli: " << e.file() << ":" << e.line() << ": " << e.reason() << "\n";
  } catch (const ConversionError& e) {
    err << "fiscora-cli: " << e.file() << ":" << e.line() << ": " << e.detail() << "\n";
  } catch (const SpedConversionError& e) {
    err << "fiscora-cli: " << e.file() << ":" << e.line() << ": " << e.detail() << "\n";
  } catch (const std::exception& e) {
    err << "fiscora-cli: " << file << (file.empty() ? "" : ": ") << e.what() << "\n";
  }
  return 1;
}

}  // namespace

std::vector<fs::path> CurrentRunFolders() {
  std::lock_guard lock(run_folder_mutex);
  return {run_folders.begin(), run_folders.end()};
}

int RunCli(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err,
           ReportPrinter* printer) {
  StreamSink sink(out);
  return RunCli(argv, sink, err, printer);
}

int RunCli(const std::vector<std::string>& argv, OutputSink& out, std::ostream& err,
           ReportPrinter* printer) {
  CliArgs args;
  EnvelopeOptions dump;
  const CliCommand* command = FindCommand(argv, args.command);
  const ParsedLine parsed = ParseLine(argv, command, args, dump);
  if (parsed.help) {
    out.Write(Usage());
    return 0;
  }
  if (!parsed.usage_error.empty()) {
    err << "fiscora-cli: " << parsed.usage_error << "\n" << Usage();
    return 2;
  }
  if (auto unknown = UnknownTable(dump)) {
    err << "fiscora-cli: tabela desconhecida: " << *unknown << "\n";
    return 2;
  }
  return RunCommand(*command, args, dump, out, err, printer);
}

}  // namespace fiscora

// fiscora-cli prints the same bytes as the recorded outputs: every command
// on the example file, on generated files and on the sample files read in
// place. tests/fixtures/cli_output/outputs.txt keeps, for each input (known
// by a digest of its bytes) and each run, the exit code, the size and a
// digest of standard output and a digest of standard error; the example's
// envelopes are kept whole beside it (example/RUN.json) so that a change
// shows as a diff. Paths in the output read {in} and {dir}.
//
// After a deliberate change of the output, FISCORA_UPDATE_CLI_OUTPUT=1 on
// this test writes the fixtures again from what the commands print now.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "data/catalogue.h"
#include "sintegra/record_layout.h"
#include "sintegra_fixture.h"
#include "tools/sintegra_generator.h"
#include "tools/sped_generator.h"

namespace fiscora {
namespace {

namespace fs = std::filesystem;
using namespace fiscora::testing;

const fs::path kFixtures = fs::path(FISCORA_FIXTURES) / "cli_output";

std::string Digest(std::string_view bytes) {  // FNV-1a, 64 bits
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 1099511628211ull;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
  return text;
}

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
}

std::string AllTables() {
  TdtmCENTRAL dtm;
  std::string list;
  for (const auto& t : dtm.tables()) list += (list.empty() ? "" : ",") + t->name();
  return list;
}

// The number of the first note (record 50) of a SINTEGRA file, "1" without one.
std::string FirstNote(const fs::path& file) {
  for (const std::string& line : FileLines(file))
    if (line.rfind("50", 0) == 0 && line.size() >= static_cast<size_t>(rec50::kNumero.last()))
      return line.substr(static_cast<size_t>(rec50::kNumero.first - 1),
                         static_cast<size_t>(rec50::kNumero.width));
  return "1";
}

struct Invocation {
  const char* name;
  std::vector<std::string> args;  // {in}: the input; {copy}: a copy of it; {dir}: a folder
};

std::vector<Invocation> SintegraRuns(const fs::path& input) {
  const std::string all = AllTables();
  return {
      {"carregar", {"carregar", "{in}", "--dump", all}},
      {"verificar", {"verificar", "{in}", "--dump", all}},
      {"validar", {"validar", "{in}"}},
      {"notas", {"notas", "{in}"}},
      {"resumo-nota", {"resumo-nota", "{in}", FirstNote(input)}},
      {"cfop", {"cfop", "{in}"}},
      {"resumo-fiscal", {"resumo-fiscal", "{in}"}},
      {"inventario", {"inventario", "{in}", "--planilha", "{dir}/inventario.xlsx"}},
      {"aliquotas", {"aliquotas", "{in}"}},
      {"aliquotas-planilha",
       {"aliquotas", "{in}", "--planilha", "{dir}/resumo.xlsx", "--tabela", "resumo"}},
      {"registro90", {"registro90", "{copy}"}},
      {"tipo-arquivo", {"tipo-arquivo", "{copy}", "2"}},
      {"auditoria",
       {"auditoria", "--markup", "30", "--inventario-inicial", "{in}", "--inventario-final", "{in}",
        "--periodo", "{in}", "--planilha", "{dir}/auditoria.xlsx"}},
  };
}

std::vector<Invocation> SpedRuns() {
  return {
      {"validar", {"validar", "{in}"}},
      {"sped-notas", {"sped-notas", "{in}", "--planilha-notas", "{dir}/notas.xlsx"}},
      {"sped-mesclar", {"sped-mesclar", "--saida", "{dir}/mescla", "{in}"}},
  };
}

struct Output {
  int code;
  std::string out, err;
};

// Runs in a fresh folder; a copy of the input for the commands that change
// it or write beside it.
Output RunOn(const Invocation& run, const fs::path& input) {
  TempDir dir;
  const fs::path copy = dir.path() / ("copia" + input.extension().string());
  fs::copy_file(input, copy);
  const std::string dir_text = dir.path().string();
  std::vector<std::string> args;
  for (std::string a : run.args) {
    ReplaceAll(a, "{in}", input.string());
    ReplaceAll(a, "{copy}", copy.string());
    ReplaceAll(a, "{dir}", dir_text);
    args.push_back(a);
  }
  CliResult r = Cli(args);
  Output o{r.code, r.out, r.err};
  for (std::string* s : {&o.out, &o.err}) {
    ReplaceAll(*s, copy.string(), "{copy}");
    ReplaceAll(*s, input.string(), "{in}");
    ReplaceAll(*s, dir_text, "{dir}");
  }
  return o;
}

std::string ManifestLine(const std::string& input_digest, const Invocation& run, const Output& o) {
  std::ostringstream line;
  line << input_digest << ' ' << run.name << ' ' << o.code << ' ' << o.out.size() << ' '
       << Digest(o.out) << ' ' << Digest(o.err);
  return line.str();
}

bool Updating() {
  const char* v = std::getenv("FISCORA_UPDATE_CLI_OUTPUT");
  return v && *v && std::string(v) != "0";
}

// The manifest: "INPUT RUN" -> the whole line.
class Manifest {
 public:
  explicit Manifest(std::string section) : section_(std::move(section)) {
    std::ifstream in(kFixtures / "outputs.txt");
    std::string line, current;
    while (std::getline(in, line)) {
      if (line.rfind("# ", 0) == 0) {
        current = line.substr(2);
        sections_.push_back(current);
        continue;
      }
      lines_[current].push_back(line);
      std::istringstream fields(line);
      std::string input, run;
      fields >> input >> run;
      if (current == section_) expected_[input + ' ' + run] = line;
    }
  }
  // Compares (or records, when updating) one run's output.
  void Check(const std::string& input_digest, const Invocation& run, const Output& o) {
    const std::string line = ManifestLine(input_digest, run, o);
    if (Updating()) {
      fresh_.push_back(line);
      return;
    }
    auto it = expected_.find(input_digest + ' ' + run.name);
    if (it == expected_.end()) {
      ADD_FAILURE() << "no recorded output (FISCORA_UPDATE_CLI_OUTPUT=1 records it)";
      return;
    }
    EXPECT_EQ(line, it->second) << "input code out-size out-digest err-digest\nerr: " << o.err;
  }
  ~Manifest() {
    if (!Updating()) return;
    lines_[section_] = fresh_;
    if (std::find(sections_.begin(), sections_.end(), section_) == sections_.end())
      sections_.push_back(section_);
    std::ofstream out(kFixtures / "outputs.txt", std::ios::binary);
    for (const std::string& s : sections_) {
      out << "# " << s << '\n';
      for (const std::string& l : lines_[s]) out << l << '\n';
    }
  }

 private:
  std::string section_;
  std::vector<std::string> sections_;
  std::map<std::string, std::vector<std::string>> lines_;
  std::map<std::string, std::string> expected_;
  std::vector<std::string> fresh_;
};

void CheckAll(Manifest& manifest, const fs::path& input, const std::vector<Invocation>& runs,
              const fs::path& whole = {}) {
  const std::string input_digest = Digest(Slurp(input));
  for (const Invocation& run : runs) {
    SCOPED_TRACE(run.name);
    Output o = RunOn(run, input);
    manifest.Check(input_digest, run, o);
    if (whole.empty()) continue;
    const fs::path file = whole / (std::string(run.name) + ".json");
    if (Updating()) {
      fs::create_directories(whole);
      std::ofstream(file, std::ios::binary) << o.out;
    } else {
      EXPECT_EQ(o.out, Slurp(file));
    }
  }
}

TEST(CliOutput, ExampleFileEveryCommand) {
  Manifest manifest("example");
  const fs::path example = fs::path(FISCORA_SOURCE_DIR) / "examples" / "loja_exemplo_03-2025.txt";
  std::vector<Invocation> runs = SintegraRuns(example);
  runs.push_back({"tables", {"tables"}});
  CheckAll(manifest, example, runs, kFixtures / "example");
}

// Generated files: a month of a shop with rate differences and spread
// prices, one full of problems (records out of order), and an EFD ICMS/IPI
// file with C481 lines.
TEST(CliOutput, GeneratedFiles) {
  Manifest manifest("generated");
  TempDir dir;
  GeneratorOptions options;
  options.rate_mismatch_share = 0.2;
  options.price_spread_share = 0.1;
  const fs::path sintegra = dir.path() / "gerado.txt";
  GenerateSintegra(sintegra, 4000, 23, options);
  CheckAll(manifest, sintegra, SintegraRuns(sintegra));
  const fs::path heavy = dir.path() / "problemas.txt";
  GenerateSintegra(heavy, 6000, 29, ProblemHeavyOptions());
  CheckAll(manifest, heavy, SintegraRuns(heavy));
  SpedGeneratorOptions sped_options;
  sped_options.c481 = true;
  const fs::path sped = dir.path() / "gerado_sped.txt";
  GenerateSped(sped, 4000, 23, sped_options);
  CheckAll(manifest, sped, SpedRuns());
}

// Text that must be escaped (quotes, backslashes, tabs, control bytes) and
// bytes above 0x7f, in labels, table rows and the findings that quote them.
TEST(CliOutput, TextThatNeedsEscaping) {
  Manifest manifest("escaping");
  TempDir dir;
  const std::string odd =
      "A\"B\\C\tD\x01"
      "E\xc7"
      "F";
  Rec r10 = R10();
  r10.Put(rec10::kIe, "12\t4\"5\\6\x01").Put(rec10::kRazaoSocial, "LOJA " + odd);
  Rec r11("11");
  r11.Put(rec11::kLogradouro, "RUA " + odd).Put(rec11::kContato, odd);
  const fs::path file =
      dir.Write("estranho.txt",
                {r10.str(), r11.str(), R50("5102", 17500).str(), R60R("P1", 100, "1700").str(),
                 R74("P1", 1000, 500).str(), R75("P1", "CAFE " + odd).str()});
  CheckAll(manifest, file, SintegraRuns(file));
  const fs::path efd = dir.Write(
      "efd.txt",
      {"|0000|006|0|||01032024|31032024|EMPRESA " + odd + "|12345678000195|SP|3550308||00|0|",
       "|0001|1|", "|0150|P\t1|" + odd + "|1058|11222333000181||||||||", "|9999|5|"});
  CheckAll(manifest, efd, SpedRuns());
}

TEST(CliOutput, SampleFiles) {
  const fs::path samples = FISCORA_SAMPLES;
  if (!fs::is_directory(samples)) GTEST_SKIP() << "no sample files";
  Manifest manifest("samples");
  for (const char* kind : {"sintegra", "sped"}) {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(samples / kind))
      if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
      SCOPED_TRACE(Digest(Slurp(file)));
      CheckAll(manifest, file, std::string(kind) == "sintegra" ? SintegraRuns(file) : SpedRuns());
    }
  }
}

}  // namespace
}  // namespace fiscora

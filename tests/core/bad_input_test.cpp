// Files the program refuses: one table of bad inputs, each run through
// "Verificar" (the routine the window calls) and through fiscora-cli's
// "verificar" and "carregar". Each case names the line the refusal points
// at and the words its message must hold; afterwards no table holds a row
// and no file was written, neither in the working folder nor beside the input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "cli/cli.h"
#include "sintegra/input_check.h"
#include "sintegra/loader.h"
#include "sintegra_fixture.h"
#include "sped/input_check.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;
namespace fs = std::filesystem;

enum class Kind { kBytes, kFolder, kMissing, kUnreadable };

struct BadInput {
  const char* name;
  Kind kind;
  std::string bytes;
  int64_t line;  // 0: the file as a whole
  std::vector<std::string> words;
  // The refusal comes while loading (a short record): the tables are
  // emptied, the working files of the load may stay.
  bool during_load = false;
};

void PrintTo(const BadInput& c, std::ostream* os) { *os << c.name; }

std::string Lines(std::initializer_list<std::string> lines, std::string_view eol = "\r\n") {
  std::string out;
  for (const auto& l : lines) out += l + std::string(eol);
  return out;
}

const std::string kR10 = R10().str();
const std::string kR50 = R50("5102", 10000).str();

// clang-format off
const BadInput kBadInputs[] = {
    {"Empty", Kind::kBytes, "", 0, {"vazio", "registro 10"}},
    {"BlankLinesOnly", Kind::kBytes, "\r\n   \r\n\t\r\n", 0, {"vazio"}},
    {"BomOnly", Kind::kBytes, "\xEF\xBB\xBF", 0, {"vazio"}},
    {"PlainText", Kind::kBytes, Lines({"Relatorio de vendas", kR10}), 1,
     {"não é um arquivo SINTEGRA", "registro 10", "\"Relatorio de\""}},
    {"RecordNotTenFirst", Kind::kBytes, Lines({kR50, kR10}), 1, {"registro 10", "\"50"}},
    {"AfterBlankLines", Kind::kBytes, Lines({"", "  ", "90xyz"}), 3, {"registro 10", "\"90xyz\""}},
    {"BomThenText", Kind::kBytes, "\xEF\xBB\xBF" "abc\r\n", 1, {"\"abc\""}},
    {"EfdFile", Kind::kBytes, Lines({"|0000|017|0|01032024|31032024|LOJA|", "|9999|2|"}), 1,
     {"EFD", "registro 10"}},
    {"NulInFirstLine", Kind::kBytes, std::string("10\0\0\0PK", 7), 1, {"binários", "NUL"}},
    {"BinaryHead", Kind::kBytes, std::string("\x89PNG\r\n\x1a\n\0\0", 10), 1,
     {"não é um arquivo SINTEGRA", "\"?PNG\""}},
    {"NulBeforeLineBreak", Kind::kBytes, std::string("\x1f\x8b\x08\0\0\n", 6), 1, {"binários"}},
    {"NulFurtherOn", Kind::kBytes, Lines({kR10, kR50, kR50 + std::string(1, '\0')}), 3,
     {"binários"}},
    {"NulInCrOnlyFile", Kind::kBytes, Lines({kR10, kR50, std::string(3, '\0')}, "\r"), 3,
     {"binários"}},
    {"NulInLfFile", Kind::kBytes, Lines({kR10, kR50, kR50, std::string("x\0", 2)}, "\n"), 4,
     {"binários"}},
    {"ShortRecord50", Kind::kBytes, Lines({kR10, kR50, R50("5102", 1).Cut(60).str()}), 3,
     {"registro 50", "faltam as colunas"}, true},
    {"Folder", Kind::kFolder, "", 0, {"pasta"}},
    {"Missing", Kind::kMissing, "", 0, {"não existe"}},
    {"Unreadable", Kind::kUnreadable, Lines({kR10}), 0, {"permissão"}},
};
// clang-format on

class BadInputTest : public ::testing::TestWithParam<BadInput> {
 protected:
  // The path of the case, made in its own folder; empty when the case
  // cannot be made here (a file without read permission, for root).
  std::string Make() {
    const BadInput& c = GetParam();
    fs::path p = dir_.path() / "in" / "arquivo.txt";
    fs::create_directories(p.parent_path());
    switch (c.kind) {
      case Kind::kFolder:
        fs::create_directories(p);
        break;
      case Kind::kMissing:
        break;
      case Kind::kBytes:
      case Kind::kUnreadable: {
        std::ofstream(p, std::ios::binary) << c.bytes;
        if (c.kind == Kind::kUnreadable) {
          fs::permissions(p, fs::perms::none);
          if (std::ifstream(p)) return "";  // root reads it anyway
        }
        break;
      }
    }
    return p.string();
  }
  void ExpectWords(const std::string& text) {
    for (const auto& w : GetParam().words)
      EXPECT_NE(text.find(w), std::string::npos) << w << " in: " << text;
  }
  // Nothing but the input in its folder.
  void ExpectNothingWritten(const fs::path& work) {
    for (const auto& folder : {work, dir_.path() / "in"}) {
      std::error_code ec;
      for (const auto& e : fs::directory_iterator(folder, ec))
        EXPECT_EQ(e.path().filename(), "arquivo.txt") << e.path();
    }
  }
  TempDir dir_;
};

TEST_P(BadInputTest, VerificarRefusesWithNothingLoaded) {
  std::string path = Make();
  if (path.empty()) GTEST_SKIP() << "a file without read permission is readable here";
  TestSession t;
  // As typed in edtarq and confirmed: the choice of a folder or of a missing
  // file is already answered by the file choice itself.
  SetEdtarqText(t.s, path);
  std::string text;
  if (GetParam().kind == Kind::kMissing) {
    // Chosen while it was there (record 10 shown), removed before the load:
    // the window's own message for a file gone.
    std::ofstream(path, std::ios::binary) << Lines({kR10, kR50});
    t.ui.open_file = path;
    sbtnarqClick(t.s);
    EXPECT_EQ(t.dtm.cds_ident.RecordCount(), 1);
    fs::remove(path);
    sbtnverificarClick(t.s);
    for (const auto& m : t.ui.messages) text += m.text + "\n";
    EXPECT_NE(text.find("O arquivo selecionado não existe!"), std::string::npos) << text;
    t.dtm.cds_ident.EmptyDataSet();
  } else {
    try {
      sbtnverificarClick(t.s);
      ADD_FAILURE() << "accepted";
    } catch (const InputRefusal& e) {
      EXPECT_EQ(e.line(), GetParam().line);
      text = e.what();
    } catch (const std::exception& e) {
      text = e.what();
    }
    ExpectWords(text);
    EXPECT_NE(text.find("arquivo.txt"), std::string::npos) << text;
  }
  for (const auto& table : t.dtm.tables()) EXPECT_TRUE(table->IsEmpty()) << table->name();
  EXPECT_TRUE(t.frm.sbtnarq.enabled());
  ExpectNothingWritten(GetParam().during_load ? t.dir.path() / "in" : t.dir.path() / "work");
}

TEST_P(BadInputTest, CliSaysFileLineAndReasonAndExitsOne) {
  std::string path = Make();
  if (path.empty()) GTEST_SKIP() << "a file without read permission is readable here";
  for (const char* command : {"verificar", "carregar"}) {
    std::ostringstream out, err;
    int code = RunCli({command, path}, out, err);
    EXPECT_EQ(code, 1) << command;
    EXPECT_EQ(out.str(), "") << command;
    const std::string prefix =
        "fiscora-cli: " + path + ":" + std::to_string(GetParam().line) + ": ";
    EXPECT_EQ(err.str().rfind(prefix, 0), 0u) << command << ": " << err.str();
    ExpectWords(err.str());
    ExpectNothingWritten(dir_.path() / "in");
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInputTest, ::testing::ValuesIn(kBadInputs),
                         [](const auto& info) { return std::string(info.param.name); });

// What the check lets through: a byte-order mark before record 10, CR-only
// line ends, blank lines before record 10.
TEST(InputCheck, AcceptsSintegraFilesOfEveryLineEnd) {
  TempDir dir;
  struct {
    const char* name;
    std::string bytes;
  } good[] = {{"bom", "\xEF\xBB\xBF" + Lines({kR10, kR50})},
              {"cr", Lines({kR10, kR50}, "\r")},
              {"lf", Lines({kR10, kR50}, "\n")},
              {"no_break", kR10},
              {"blank_first", Lines({"", kR10, kR50})}};
  for (const auto& g : good) {
    fs::path p = dir.path() / (std::string(g.name) + ".txt");
    std::ofstream(p, std::ios::binary) << g.bytes;
    EXPECT_NO_THROW(CheckSintegraInput(p.string())) << g.name;
  }
}

// The check counts the lines as the line reader cuts them, whatever the line
// ends: random files of record 10 lines, blanks and every kind of line break,
// also split across the check's blocks, against CountLines.
TEST(InputCheck, CountsTheLinesOrRefusesAsTheLineReaderDoes) {
  TestSession t;
  std::mt19937 rng(12345);
  const std::string pieces[] = {kR10, "", " ", "\n", "\r", "\r\n", "\n\r", "x"};
  for (int round = 0; round < 300; ++round) {
    std::string bytes = rng() % 4 == 0 ? "\xEF\xBB\xBF" : "";
    if (rng() % 3 == 0) bytes += std::string(rng() % 3, ' ') + pieces[3 + rng() % 3];
    bytes += kR10;
    // Some files long enough to cross a block of 64 KiB.
    const int count = rng() % 5 == 0 ? 900 : static_cast<int>(rng() % 12);
    for (int i = 0; i < count; ++i) bytes += pieces[rng() % std::size(pieces)];
    SCOPED_TRACE(round);
    const std::string path = t.dir.Write("count.txt", {bytes}, "", false);
    // Both count the same lines, or both refuse the file (a lone CR among
    // CR LF line ends) with the same line.
    auto outcome = [](auto count) -> std::string {
      try {
        return std::to_string(count());
      } catch (const std::exception& e) {
        return std::string("recusado: ") + e.what();
      }
    };
    EXPECT_EQ(outcome([&] { return CheckSintegraInput(path); }),
              outcome([&] { return CountLines(t.s, path); }));
  }
}

// A file with a byte-order mark is loaded as if the mark were not there.
TEST(InputCheck, ByteOrderMarkIsSkippedByTheLoad) {
  TestSession t;
  std::string path = t.dir.Write("bom.txt", {"\xEF\xBB\xBF" + kR10, kR50});
  t.ui.open_file = path;
  sbtnarqClick(t.s);
  sbtnverificarClick(t.s);
  EXPECT_EQ(t.dtm.cds_50.RecordCount(), 1);
  EXPECT_EQ(t.dtm.cds_ident.RecordCount(), 1);
}

}  // namespace
}  // namespace fiscora

namespace fiscora {
namespace {

// EFD inputs: through the check the notes window, "Adicionar" and
// fiscora-cli run, and through `sped-notas` and `sped-mesclar`.
struct BadEfd {
  const char* name;
  std::string bytes;
  int64_t line;
  std::vector<std::string> words;
};
void PrintTo(const BadEfd& c, std::ostream* os) { *os << c.name; }

const std::string k0000 = "|0000|017|0|01032024|31032024|LOJA|12345678000195||SP|1|3550308||A|1|";

// clang-format off
const BadEfd kBadEfd[] = {
    {"Empty", "", 0, {"vazio", "|0000|"}},
    {"NoHeader", Lines({"|C001|0|", "|C990|2|"}), 1, {"não é um arquivo EFD", "|0000|", "\"|C001|0|\""}},
    {"Sintegra", Lines({kR10, kR50}), 1, {"é um arquivo SINTEGRA"}},
    {"Binary", std::string("|0000|\0\0", 8), 1, {"binários"}},
    {"LineWithoutFrame", Lines({k0000, "|0001|0|", "0150|P1|NOME|"}), 3, {"moldura", "\"0150|P1|NOME"}},
    {"LineWithoutClosingBar", Lines({k0000, "|0001|0|", "|0150|P1|NOME"}), 3, {"moldura"}},
    {"RegisterAfterItsBlock", Lines({k0000, "|C001|0|", "|C100|0|", "|C990|3|", "|C170|1|"}), 5,
     {"C170", "fora de qualquer bloco", "|C990|"}},
    {"BadCode", Lines({k0000, "|C1|0|"}), 2, {"código de registro inválido"}},
};
// clang-format on

class BadEfdTest : public ::testing::TestWithParam<BadEfd> {};

TEST_P(BadEfdTest, RefusedByTheCheckAndByTheCli) {
  const BadEfd& c = GetParam();
  TempDir dir;
  fs::create_directories(dir.path() / "in");
  const fs::path p = dir.path() / "in" / "efd.txt";
  std::ofstream(p, std::ios::binary) << c.bytes;
  try {
    CheckEfdInput(p);
    ADD_FAILURE() << "accepted";
  } catch (const InputRefusal& e) {
    EXPECT_EQ(e.line(), c.line);
    for (const auto& w : c.words)
      EXPECT_NE(e.reason().find(w), std::string::npos) << w << " in: " << e.reason();
  }
  const fs::path out = dir.path() / "saida";
  for (std::vector<std::string> args :
       {std::vector<std::string>{"sped-notas", p.string()},
        std::vector<std::string>{"sped-mesclar", "--saida", out.string(), p.string(),
                                 p.string()}}) {
    std::ostringstream o, err;
    EXPECT_EQ(RunCli(args, o, err), 1) << args[0];
    EXPECT_EQ(o.str(), "");
    const std::string prefix = "fiscora-cli: " + p.string() + ":" + std::to_string(c.line) + ": ";
    EXPECT_EQ(err.str().rfind(prefix, 0), 0u) << err.str();
  }
  // Nothing written beside the input nor in the output folder.
  for (const auto& e : fs::directory_iterator(dir.path() / "in")) EXPECT_EQ(e.path(), p);
  EXPECT_FALSE(fs::exists(out / "SPED_mesclado.txt"));
}

INSTANTIATE_TEST_SUITE_P(Cases, BadEfdTest, ::testing::ValuesIn(kBadEfd),
                         [](const auto& info) { return std::string(info.param.name); });

// Every whole EFD sample (not the fragments) passes the check.
TEST(EfdInputCheck, WholeSamplesPass) {
  const fs::path folder = fs::path(FISCORA_SAMPLES) / "sped";
  if (!fs::is_directory(folder)) GTEST_SKIP() << "no sample files here";
  int checked = 0;
  for (const auto& e : fs::directory_iterator(folder)) {
    if (e.path().filename().string().find("fragment") != std::string::npos) continue;
    EXPECT_NO_THROW(CheckEfdInput(e.path())) << e.path();
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

// The byte-order mark and blank lines before |0000| are let through.
TEST(EfdInputCheck, BomAndBlankLinesBeforeTheHeader) {
  TempDir dir;
  const fs::path p = dir.path() / "efd.txt";
  std::ofstream(p, std::ios::binary)
      << "\xEF\xBB\xBF\r\n" + Lines({k0000, "|0001|0|", "|0990|3|", "|9999|4|"});
  EXPECT_NO_THROW(CheckEfdInput(p));
}

}  // namespace
}  // namespace fiscora

// What fiscora-cli guarantees about the user's files: a result never
// replaces an input (links and hard links followed), a replaced file keeps
// its mode and its links, a file the user may not write is refused with
// nothing changed, and no temporary file is left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "audit_fixture.h"
#include "cli_fixture.h"
#include "data/atomic_file.h"
#include "export/spreadsheet.h"
#include "sintegra/input_check.h"
#include "sintegra/layout.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

namespace fs = std::filesystem;
using namespace fiscora::testing;

class CliFileSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_.Write("loja.txt", {R10().str(), R75("00034", "ARROZ 5KG", "SC").str(),
                                    R74("00034", 3000, 6000).str()});
    original_ = Slurp(file_);
  }
  std::string P(const char* name) const { return (dir_.path() / name).string(); }
  bool NoTemporaryFile() const {
    for (const auto& e : fs::recursive_directory_iterator(dir_.path()))
      if (e.path().extension() == ".tmp") return false;
    return true;
  }
  TempDir dir_;
  std::string file_;
  std::string original_;
};

TEST_F(CliFileSafety, AnOutputThatIsAnInputIsRefusedAndTheInputStaysWhole) {
  fs::create_symlink(file_, P("link.txt"));
  fs::create_hard_link(file_, P("hard.txt"));
  fs::create_directories(P("saida"));
  fs::create_symlink(file_, P("saida/SPED_mesclado.txt"));
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::string output;
  } cases[] = {
      {"inventario --planilha", {"inventario", file_, "--planilha", file_}, file_},
      {"inventario --pdf", {"inventario", file_, "--pdf", file_}, file_},
      {"through a link", {"inventario", file_, "--planilha", P("link.txt")}, P("link.txt")},
      {"a hard link", {"inventario", file_, "--planilha", P("hard.txt")}, P("hard.txt")},
      {"another spelling",
       {"inventario", file_, "--planilha", P("saida/../loja.txt")},
       P("saida/../loja.txt")},
      {"aliquotas", {"aliquotas", file_, "--planilha", file_, "--tabela", "cds_totaliq"}, file_},
      {"sped-notas", {"sped-notas", file_, "--planilha-notas", file_}, file_},
      {"sped-notas ecf", {"sped-notas", file_, "--planilha-ecf", P("link.txt")}, P("link.txt")},
      {"auditoria", {"auditoria", "--periodo", file_, "--planilha", P("link.txt")}, P("link.txt")},
      {"sped-mesclar",
       {"sped-mesclar", "--saida", P("saida"), file_},
       (dir_.path() / "saida" / "SPED_mesclado.txt").string()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CliResult r = Cli(c.args);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(
        r.err.find("Não foi possível gravar o arquivo " + c.output + ": é um arquivo de entrada"),
        std::string::npos)
        << r.err;
    EXPECT_EQ(Slurp(file_), original_);
    EXPECT_TRUE(fs::is_symlink(P("link.txt")));
    EXPECT_EQ(fs::hard_link_count(file_), 2u);
    EXPECT_TRUE(NoTemporaryFile());
  }
}

TEST_F(CliFileSafety, TipoArquivoKeepsModeAndLinks) {
  fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace);
  CliResult r = Cli({"tipo-arquivo", file_, "2"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(Slurp(file_), original_);
  EXPECT_EQ(fs::status(file_).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);

  // Through a link: the link stays a link, the file it names changes.
  const std::string before = Slurp(file_);
  fs::create_symlink(file_, P("link.txt"));
  r = Cli({"tipo-arquivo", P("link.txt"), "1"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(P("link.txt")));
  EXPECT_NE(Slurp(file_), before);
  EXPECT_EQ(fs::status(file_).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(NoTemporaryFile());
}

TEST_F(CliFileSafety, AFileTheUserMayNotWriteIsRefusedUnchanged) {
  fs::permissions(file_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                  fs::perm_options::replace);
  if (std::ofstream(file_, std::ios::app)) GTEST_SKIP() << "root writes any file (see the script)";
  CliResult r = Cli({"tipo-arquivo", file_, "2"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Não foi possível gravar o arquivo " + file_ + ": permissão negada"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(Slurp(file_), original_);
  EXPECT_TRUE(NoTemporaryFile());
}

// The windows' save step: the file chosen in the dialog is refused when it
// is the file the session reads, before the question and with it unchanged.
TEST_F(CliFileSafety, TheSaveStepRefusesTheSessionsInput) {
  fs::create_symlink(file_, P("link.xlsx"));
  TestSession t;
  SetSintegraFile(t.s, file_);
  Workbook book;
  book.SetText(1, 1, "x");
  for (const std::string& chosen : {file_, P("link.xlsx")}) {
    SCOPED_TRACE(chosen);
    t.ui.save_file = chosen;
    t.ui.confirm_answer = Answer::kYes;
    EXPECT_THROW(SaveWorkbook(book, t.ui, {}, InputFiles(t.s)), FileWriteError);
    EXPECT_EQ(Slurp(file_), original_);
    EXPECT_TRUE(NoTemporaryFile());
  }
  t.ui.save_file = P("nova.xlsx");
  EXPECT_EQ(SaveWorkbook(book, t.ui, {}, InputFiles(t.s)), SaveOutcome::kSaved);
}

// A field that is not what its layout says ends every SINTEGRA command
// with FILE:LINE:, the record and the field: an impossible date, a sign in
// an amount, a note number of record 54 that is no number.
TEST_F(CliFileSafety, BadFieldsEndWithFileLineRecordAndField) {
  const struct {
    const char* name;
    std::string line;
    const char* says;
  } cases[] = {
      {"date", Rec(R50("5102", 1)).Put(rec50::kData, "20250231").str(),
       "registro 50, colunas 31-38 (data de emissão): '20250231' não é uma data válida"},
      {"sign", Rec(R50("5102", 1)).Put(rec50::kValorTotal, "-000000031380").str(),
       "registro 50, colunas 57-69 (valor total): '-000000031380' não é um número válido"},
      {"note number", Rec(R54("P1", "5102", 1000, 100)).Put(rec54::kNumero, "000|01").str(),
       "registro 54, colunas 22-27 (número da nota): '000|01' não é um número válido"},
  };
  for (const auto& c : cases) {
    for (const char* command : {"verificar", "notas", "carregar"}) {
      SCOPED_TRACE(std::string(c.name) + " " + command);
      const std::string file = dir_.Write("ruim.txt", {R10().str(), c.line});
      CliResult r = Cli({command, file});
      EXPECT_EQ(r.code, 1);
      EXPECT_EQ(r.err.rfind("fiscora-cli: " + file + ":2: " + c.says, 0), 0u) << r.err;
    }
  }
}

// A file truncated or rewritten between the start and the end of a run is
// told as changed, never taken with its old line count.
TEST_F(CliFileSafety, AFileThatChangesDuringARunIsRefused) {
  const FileStamp before = StampOf(file_);
  EXPECT_NO_THROW(CheckUnchanged(file_, before));
  fs::resize_file(file_, original_.size() / 2);
  try {
    CheckUnchanged(file_, before);
    ADD_FAILURE() << "no refusal";
  } catch (const InputRefusal& e) {
    EXPECT_EQ(e.file(), file_);
    EXPECT_NE(e.reason().find("o arquivo mudou durante a leitura"), std::string::npos);
  }
}

// A stray byte in record 10 (CNPJ, dates, column 126) is decoded as the
// other labels are: the envelope stays valid UTF-8 JSON.
TEST_F(CliFileSafety, StrayBytesInRecord10KeepTheEnvelopeValid) {
  for (int column : {6, 31, 108, 126}) {
    SCOPED_TRACE(column);
    std::string bytes = original_;
    bytes[static_cast<size_t>(column - 1)] = static_cast<char>(0xE9);
    std::ofstream(file_, std::ios::binary | std::ios::trunc) << bytes;
    for (const char* command : {"verificar", "inventario"}) {
      CliResult r = Cli({command, file_});
      if (r.out.empty()) continue;  // refused: nothing printed
      EXPECT_TRUE(IsValidUtf8(r.out)) << command;
      EXPECT_NO_THROW(r.envelope()) << command;
    }
  }
}

// Line ends that mix the file's own with others (a CR alone among CR LF
// lines, CR CR LF) are refused by every reader alike, naming the user's file
// and the line, with no raw CR in the message; nothing is written.
TEST_F(CliFileSafety, MixedLineEndsAreRefusedByEveryReader) {
  const std::string r10 = R10().str(), r75 = R75("00034", "ARROZ 5KG", "SC").str(),
                    r74 = R74("00034", 3000, 6000).str();
  const struct {
    const char* name;
    std::string bytes;
    int line;
  } files[] = {
      {"a cr alone among crlf", r10 + "\r\n" + r75 + "\r" + r74 + "\r\n", 2},
      {"cr cr lf", r10 + "\r\r\n" + r75 + "\r\r\n" + r74 + "\r\r\n", 3},
  };
  for (const auto& f : files) {
    std::ofstream(file_, std::ios::binary | std::ios::trunc) << f.bytes;
    for (const char* command : {"verificar", "inventario", "registro90", "auditoria"}) {
      SCOPED_TRACE(std::string(f.name) + " " + command);
      std::vector<std::string> args{command, file_};
      if (std::string(command) == "auditoria") args = {command, "--periodo", file_};
      CliResult r = Cli(args);
      EXPECT_EQ(r.code, 1);
      EXPECT_EQ(r.err.rfind("fiscora-cli: " + file_ + ":" + std::to_string(f.line) +
                                ": quebra de linha inconsistente",
                            0),
                0u)
          << r.err;
      EXPECT_EQ(r.err.find('\r'), std::string::npos);
      EXPECT_EQ(Slurp(file_), f.bytes);
      EXPECT_FALSE(fs::exists(P("Modif_loja.txt")));
    }
  }
  const std::string efd = P("efd.txt");
  std::ofstream(efd, std::ios::binary) << "|0000|017|0|\r\n|0001|0|\r|C001|0|\r\n";
  CliResult r = Cli({"sped-notas", efd});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.rfind("fiscora-cli: " + efd + ":2: quebra de linha inconsistente", 0), 0u)
      << r.err;
}

}  // namespace
}  // namespace fiscora

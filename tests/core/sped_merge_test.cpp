// The SPED merge: the merge input with its company list and duplicate test,
// "Mesclar" with its messages and folder choice, and the merged file, whose
// every count is checked by recounting the file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "data/atomic_file.h"
#include "sintegra/layout.h"
#include "sintegra_fixture.h"
#include "sped/merge.h"
#include "sped/merged_file.h"
#include "sped_recount.h"
#include "tools/contrib_generator.h"

namespace fiscora {
namespace {

namespace fs = std::filesystem;
using namespace fiscora::testing;

// A company file with the usual opening lines, the given 0140 lines and body.
std::vector<std::string> Company(const std::vector<std::string>& establishments,
                                 const std::vector<std::string>& body = {}) {
  std::vector<std::string> lines{
      "|0000|006|0||||01042024|30042024|EMPRESA|11222333000181|SP|"
      "3550308||00|1|",
      "|0001|0|", "|0100|CONTADOR|12345678909|", "|0110|1|1|1||"};
  for (const std::string& e : establishments) lines.push_back(e);
  lines.insert(lines.end(), body.begin(), body.end());
  lines.push_back("|9999|" + std::to_string(lines.size() + 1) + "|");
  return lines;
}

std::string Est(std::string_view code, std::string_view name, std::string_view cnpj) {
  return "|0140|" + std::string(code) + "|" + std::string(name) + "|" + std::string(cnpj) +
         "|SP||3550308|||";
}

// The merge window over a private working folder, recording what it says.
struct MergeWindow {
  TempDir dir;
  fs::path work = dir.path() / "work";
  fs::path out = dir.path() / "saida";
  HeadlessSession headless{work};
  TdtmCENTRAL& dtm = headless.dtm;
  RecordingUserInterface& ui = headless.ui;
  MainWindowState& frm = headless.frm;
  Session& s = headless.s;
  SpedMergeState& m = s.sped_merge;
  MergeWindow() {
    fs::create_directories(work);
    fs::create_directories(out);
    frm_spedFormCreate(s);
    ui.folder = out.string();
  }
  bool Add(const std::string& name, const std::vector<std::string>& lines) {
    return dlg_spedCanClose(s, dir.Write(name, lines));
  }
  bool Add(const fs::path& file) { return dlg_spedCanClose(s, file.string()); }
  bool Merge() { return btn_mesclarClick(s); }
  std::vector<std::string> Messages() const {
    std::vector<std::string> v;
    for (const auto& msg : ui.messages) v.push_back(msg.text);
    return v;
  }
  std::vector<std::string> Work(const char* name) const { return CrLfLines(work / name); }
  fs::path Merged() const { return out / kMergedFileName; }
  std::vector<std::string> MergedLines() const { return CrLfLines(Merged()); }
};

int CountCode(const std::vector<std::string>& lines, std::string_view code) {
  int n = 0;
  for (const auto& l : lines) n += SpedRegister(l) == code;
  return n;
}

bool Has(const std::vector<std::string>& lines, std::string_view line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(SpedMergeInput, HeadOfficeThenBranchListsEveryEstablishment) {
  MergeWindow w;
  ASSERT_TRUE(
      w.Add("matriz.txt",
            Company({Est("1", "MATRIZ", "11222333000181"), Est("2", "FILIAL A", "11222333000262"),
                     Est("3", "FILIAL B", "11222333000343")},
                    {"|C001|0|", "|C010|11222333000181|2|", "|C100|0|1|", "|C990|4|"})));
  ASSERT_TRUE(w.Add("filial.txt", Company({Est("", "FILIAL C", "11222333000424")},
                                          {"|D001|0|", "|D010|11222333000424|", "|D990|3|"})));
  EXPECT_EQ(
      w.m.lstAdicionados,
      (std::vector<std::string>{"11.222.333/0001-81 - MATRIZ", "11.222.333/0002-62 - FILIAL A",
                                "11.222.333/0003-43 - FILIAL B", "11.222.333/0004-24 - FILIAL C"}));
  const auto header = w.Work(kMergeHeaderFile);
  ASSERT_EQ(header.size(), 4u);
  EXPECT_EQ(header[0].substr(0, 6), "|0000|");
  EXPECT_EQ(header[3], "|0110|1|1|1||");
  EXPECT_EQ(w.Work(kMergeBlock0File).size(), 4u);
  EXPECT_EQ(w.Work(kMergeBlockCFile),
            (std::vector<std::string>{"|C010|11222333000181|2|", "|C100|0|1|"}));
  EXPECT_EQ(w.Work(kMergeBlockDFile), (std::vector<std::string>{"|D010|11222333000424|"}));
  EXPECT_TRUE(w.m.btn_f_enabled);
  EXPECT_TRUE(w.Messages().empty());
}

TEST(SpedMergeInput, TheSameFileTwiceIsRefusedAndChangesNothing) {
  MergeWindow w;
  const auto lines = Company({Est("1", "MATRIZ", "11222333000181")}, {"|C100|0|1|"});
  ASSERT_TRUE(w.Add("a.txt", lines));
  const std::string before[] = {Slurp(w.work / kMergeHeaderFile), Slurp(w.work / kMergeBlock0File),
                                Slurp(w.work / kMergeBlockCFile)};
  EXPECT_FALSE(w.Add("b.txt", lines));
  EXPECT_EQ(w.Messages(), std::vector<std::string>{"Arquivo já esta presente na listagem!"});
  EXPECT_EQ(w.ui.messages[0].title, "Fiscora");
  EXPECT_EQ(w.m.lstAdicionados.size(), 1u);
  EXPECT_EQ(Slurp(w.work / kMergeHeaderFile), before[0]);
  EXPECT_EQ(Slurp(w.work / kMergeBlock0File), before[1]);
  EXPECT_EQ(Slurp(w.work / kMergeBlockCFile), before[2]);
  EXPECT_FALSE(fs::exists(w.work / kMergeBlockDFile) && fs::file_size(w.work / kMergeBlockDFile));
}

TEST(SpedMergeInput, EntryTakesCnpjAndNameFromTheFilledLine) {
  struct Case {
    const char* line;
    const char* entry;
  } cases[] = {
      {"|0140|CE0000001|EMPRESA TESTE|99999999000191|SP||3550308|||",
       "99.999.999/0001-91 - EMPRESA TESTE"},
      {"|0140||EMPRESA SEM CODIGO|12345678000195|SP||3550308|||",
       "12.345.678/0001-95 - EMPRESA SEM CODIGO"},
      {"|0140|1||12345678000195|SP||||", "12.345.678/0001-95 - 0"},
      {"|0140|1|CURTO|123|SP||||", "12.3./- - CURTO"},
      {"|0140|1|JO\xC3O D'\xC1GUA|12345678000195|SP|||", "12.345.678/0001-95 - JOÃO DÁGUA"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(CompanyEntry(c.line, SpedEncoding::kWindows1252), c.entry);
  }
  EXPECT_EQ(CompanyEntry("|0140|1|JOÃO|12345678000195|", SpedEncoding::kUtf8),
            "12.345.678/0001-95 - JOÃO");
}

TEST(SpedMergeInput, FileWithoutEstablishmentsAddsItsBlocksOnly) {
  MergeWindow w;
  ASSERT_TRUE(w.Add("a.txt", Company({Est("1", "MATRIZ", "11222333000181")})));
  ASSERT_TRUE(
      w.Add("b.txt", Company({}, {"|0150|P1|X|", "|C100|0|", "|A100|0|", "|0005|X|", "|0990|9|"})));
  EXPECT_EQ(w.m.lstAdicionados.size(), 1u);
  EXPECT_EQ(w.Work(kMergeBlock0File).back(), "|0150|P1|X|");
  EXPECT_EQ(w.Work(kMergeBlockCFile), std::vector<std::string>{"|C100|0|"});
  EXPECT_EQ(w.Work(kMergeHeaderFile).size(), 4u);  // the second file gives no header
}

TEST(SpedMergeInput, SignedFileIsReadUpToItsClosingLine) {
  MergeWindow w;
  ContribOptions o;
  o.signature = true;
  o.lines = 200;
  std::ostringstream text;
  GenerateContrib(text, o);
  const fs::path file = w.dir.path() / "assinado.txt";
  std::ofstream(file, std::ios::binary) << text.str();
  ASSERT_TRUE(w.Add(file));
  const std::string data = text.str().substr(0, text.str().find("|9999|"));
  size_t c100 = 0;
  for (size_t at = data.find("\n|C100|"); at != std::string::npos;
       at = data.find("\n|C100|", at + 1))
    ++c100;
  const auto block_c = w.Work(kMergeBlockCFile);
  EXPECT_EQ(static_cast<size_t>(CountCode(block_c, "C100")), c100);
  for (const auto& line : block_c) EXPECT_EQ(line.find("ASSINATURA"), std::string::npos);
}

TEST(SpedMerge, MessagesConfirmationAndFolderChoice) {
  struct Case {
    const char* name;
    int companies;
    Answer answer;
    std::optional<std::string> earlier_folder;  // edt_save before
    bool dialog_cancelled;
    bool written;
    std::vector<std::string> messages;
  } cases[] = {
      {"one company", 1, Answer::kYes, {}, false, false, {"Adicione duas ou mais empresas."}},
      {"cancel at confirmation",
       2,
       Answer::kCancel,
       {},
       false,
       false,
       {"Confirma a mesclagem dos arquivos?"}},
      {"folder chosen",
       2,
       Answer::kYes,
       {},
       false,
       true,
       {"Confirma a mesclagem dos arquivos?", "Mesclagem efetuada com sucesso."}},
      {"dialog cancelled, no folder ever chosen",
       2,
       Answer::kYes,
       {},
       true,
       false,
       {"Confirma a mesclagem dos arquivos?"}},
      {"dialog cancelled, earlier folder",
       2,
       Answer::kYes,
       "earlier",
       true,
       true,
       {"Confirma a mesclagem dos arquivos?", "Mesclagem efetuada com sucesso."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MergeWindow w;
    ASSERT_TRUE(w.Add("a.txt", Company({Est("1", "MATRIZ", "11222333000181")})));
    if (c.companies > 1) {
      ASSERT_TRUE(w.Add("b.txt", Company({Est("2", "FILIAL", "11222333000262")})));
    }
    fs::path target = w.Merged();
    if (c.earlier_folder) {
      target = w.dir.path() / *c.earlier_folder / kMergedFileName;
      fs::create_directories(target.parent_path());
      w.m.edt_save = target.parent_path().string();
    }
    w.ui.confirm_answer = c.answer;
    if (c.dialog_cancelled) w.ui.folder.reset();
    EXPECT_EQ(w.Merge(), c.written);
    EXPECT_EQ(w.Messages(), c.messages);
    EXPECT_EQ(fs::exists(target), c.written);
    EXPECT_EQ(w.m.lblStatus, c.written ? "Finalizado!" : "");
    if (c.written) {
      EXPECT_EQ(RecountSped(target), std::vector<std::string>{});
    }
    // Nothing but the merged file, no temporary file left behind.
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(target.parent_path())) files += e.is_regular_file();
    EXPECT_EQ(files, c.written ? 1u : 0u);
  }
}

TEST(SpedMerge, FolderWithOrWithoutTrailingSeparatorGivesTheSameFile) {
  for (const bool trailing : {false, true}) {
    SCOPED_TRACE(trailing);
    MergeWindow w;
    w.ui.folder = w.out.string() + (trailing ? "/" : "");
    ASSERT_TRUE(w.Add("a.txt", Company({Est("1", "MATRIZ", "11222333000181")})));
    ASSERT_TRUE(w.Add("b.txt", Company({Est("2", "FILIAL", "11222333000262")})));
    ASSERT_TRUE(w.Merge());
    EXPECT_TRUE(fs::exists(w.out / "SPED_mesclado.txt"));
    EXPECT_EQ(w.m.edt_save, *w.ui.folder);
  }
}

// The merged file from merge files written directly.
struct WriterCase {
  const char* name;
  std::vector<std::string> header, block0, block_c, block_d;
  std::vector<std::string> expect_lines;  // lines the merged file must hold
  std::vector<std::string> absent;        // lines it must not hold
};

std::vector<std::string> Repeat(const std::string& line, int n) {
  return std::vector<std::string>(static_cast<size_t>(n), line);
}

TEST(MergedFile, EveryCountComesFromTheLinesWritten) {
  const std::vector<std::string> header = {"|0000|006|", "|0001|0|", "|0100|X|", "|0110|1|"};
  const WriterCase cases[] = {
      {"no C and D lines",
       header,
       {"|0140|1|A|11222333000181|"},
       {},
       {},
       {"|C001|1|", "|C990|2|", "|D001|1|", "|D990|2|", "|0990|6|", "|9900|0140|1|"},
       {"|9900|C010|0|", "|9900|0005|1|", "|9900|C110|0|"}},
      {"twelve block-0 lines",
       header,
       Repeat("|0150|P|", 12),
       {},
       {},
       {"|0990|17|", "|9900|0150|12|", "|9900|0990|1|"},
       {}},
      {"250 C lines", header, {}, Repeat("|C100|0|", 250), {}, {"|C001|0|", "|C990|252|"}, {}},
      {"registers outside the usual list",
       header,
       {"|0111|1|", "|0140|1|A|1|", "|0145|1|", "|0500|1|"},
       {"|C010|1|", "|C180|1|", "|C500|1|"},
       {"|D010|1|", "|D200|1|"},
       {"|9900|0111|1|", "|9900|0145|1|", "|9900|0500|1|", "|9900|C180|1|", "|9900|C500|1|",
        "|9900|D200|1|", "|9900|C010|1|", "|9900|D001|1|", "|9900|9001|1|"},
       {"|9900|C501|0|"}},
      {"two establishments give two C010",
       header,
       {"|0140|1|A|1|", "|0140|2|B|2|"},
       {"|C010|1|", "|C100|0|", "|C010|2|"},
       {},
       {"|9900|C010|2|", "|C990|5|"},
       {}},
      {"no header file", {}, {"|0140|1|A|1|"}, {}, {}, {"|0990|2|"}, {"|9900|0000|1|"}},
  };
  for (const WriterCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    RecordingUserInterface ui;
    auto write = [&](const char* name, const std::vector<std::string>& lines) {
      if (!lines.empty() || std::string(name) != kMergeHeaderFile) dir.Write(name, lines);
    };
    write(kMergeHeaderFile, c.header);
    write(kMergeBlock0File, c.block0);
    write(kMergeBlockCFile, c.block_c);
    write(kMergeBlockDFile, c.block_d);
    std::vector<std::string> statuses;
    WriteMergedSped(dir.path(), dir.path(), ui,
                    [&](std::string_view s) { statuses.emplace_back(s); });
    EXPECT_EQ(statuses, (std::vector<std::string>{"Criando bloco 0 ...", "Criando bloco C ...",
                                                  "Criando bloco D ...",
                                                  "Criando blocos finais ...", "Finalizado!"}));
    const auto lines = CrLfLines(dir.path() / kMergedFileName);
    EXPECT_EQ(RecountSped(dir.path() / kMergedFileName), std::vector<std::string>{});
    for (const auto& l : c.expect_lines) EXPECT_TRUE(Has(lines, l)) << l;
    for (const auto& l : c.absent) EXPECT_FALSE(Has(lines, l)) << l;
    for (const auto& l : lines) {
      if (l.rfind("|9900|", 0) == 0) {
        EXPECT_NE(l.substr(l.size() - 3), "|0|") << l;
      }
    }
    EXPECT_EQ(lines.back(), "|9999|" + std::to_string(lines.size()) + "|");
    // The merge files are left as they were.
    EXPECT_EQ(CrLfLines(dir.path() / kMergeBlockCFile), c.block_c);
  }
}

TEST(MergedFile, BlockNineEndsWithItsOwnCountsInOrder) {
  TempDir dir;
  RecordingUserInterface ui;
  dir.Write(kMergeHeaderFile, {"|0000|006|", "|0001|0|", "|0100|X|", "|0110|1|"});
  dir.Write(kMergeBlock0File, {"|0140|1|A|1|"});
  dir.Write(kMergeBlockCFile, {"|C010|1|", "|C500|1|", "|C501|1|", "|C505|1|"});
  dir.Write(kMergeBlockDFile, {});
  WriteMergedSped(dir.path(), dir.path(), ui, [](std::string_view) {});
  const auto lines = CrLfLines(dir.path() / kMergedFileName);
  // 0000 0001 0100 0110 0140 0990 A001 A990 C001 C010 C500 C501 C505 C990
  // D001 D990 F001 F990 M001 M990 1001 1990 9001: 23 registers.
  const std::vector<std::string> tail(lines.end() - 6, lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"|9900|9001|1|", "|9900|9900|26|", "|9900|9990|1|",
                                            "|9900|9999|1|", "|9990|29|", "|9999|51|"}));
  EXPECT_EQ(lines.size(), 51u);
  EXPECT_EQ(lines[lines.size() - 29], "|9001|0|");
  EXPECT_EQ(lines[lines.size() - 28], "|9900|0000|1|");
}

// Lines of a merge file are copied byte for byte and each gets CR LF, whatever
// ended it there (a lone CR inside a line stays).
TEST(MergedFile, LinesKeepTheirBytesAndGetCrLf) {
  TempDir dir;
  RecordingUserInterface ui;
  std::ofstream(dir.path() / kMergeBlockCFile, std::ios::binary)
      << "|C100|LF\n|C170|CR\rINSIDE|\r\n|C170|\x93\xE7\x80|\r\n|C190|LAST";
  WriteMergedSped(dir.path(), dir.path(), ui, [](std::string_view) {});
  const auto lines = CrLfLines(dir.path() / kMergedFileName);
  EXPECT_EQ(RecountSped(dir.path() / kMergedFileName), std::vector<std::string>{});
  const std::vector<std::string> c(lines.begin() + 4, lines.begin() + 8);
  EXPECT_EQ(c, (std::vector<std::string>{"|C100|LF", "|C170|CR\rINSIDE|", "|C170|\x93\xE7\x80|",
                                         "|C190|LAST"}));
  EXPECT_EQ(lines[8], "|C990|6|");
}

// The register code is taken as the field access takes it, fast or not.
TEST(MergedFile, RegisterCodeAgreesWithTheFieldAccess) {
  for (const char* line : {"|C100|0|", "| C100|0|", "|C10|", "||C100|", "|C'100|", "|C100 |",
                           "|0140|AGUA D'OURO|", "C100|", "", "|", "|9999|12|", "|\r\n|"}) {
    SCOPED_TRACE(line);
    std::string scratch;
    EXPECT_EQ(std::string(RegisterCodeOf(line, scratch)), SpedRegister(line));
  }
}

// Reading stops after the closing line however its code is written.
TEST(SpedMergeInput, ReadingStopsAfterTheClosingLine) {
  struct Case {
    const char* closing;
    bool stops;
  } cases[] = {{"|9999|5|", true},  {"|9999 |5|", true},  {" |9999|5|", true},
               {"||9999|5|", true}, {"|99990|5|", false}, {"|999|5|", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.closing);
    TempDir dir;
    const std::string path = dir.Write("f.txt", {"|0000|X|", c.closing, "|C100|AFTER|"});
    SpedLineReader reader(path);
    std::string_view line;
    int n = 0;
    while (reader.Next(line)) ++n;
    EXPECT_EQ(n, c.stops ? 2 : 3);
  }
}

TEST(MergedFile, FailureLeavesNoPartialFileAndKeepsTheEarlierOne) {
  TempDir dir;
  RecordingUserInterface ui;
  dir.Write(kMergeBlock0File, {"|0140|1|A|1|"});
  fs::create_directories(dir.path() / kMergeBlockCFile);  // cannot be read
  const fs::path out = dir.path() / "saida";
  fs::create_directories(out);
  std::ofstream(out / kMergedFileName, std::ios::binary) << "ANTERIOR\r\n";
  EXPECT_THROW(WriteMergedSped(dir.path(), out, ui, [](std::string_view) {}), std::exception);
  EXPECT_EQ(Slurp(out / kMergedFileName), "ANTERIOR\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 1);
  // A folder that does not exist.
  EXPECT_THROW(WriteMergedSped(dir.path(), dir.path() / "nenhuma", ui, [](std::string_view) {}),
               FileWriteError);
}

TEST(SpedMerge, FailedWriteShowsNoSuccess) {
  MergeWindow w;
  ASSERT_TRUE(w.Add("a.txt", Company({Est("1", "MATRIZ", "11222333000181")})));
  ASSERT_TRUE(w.Add("b.txt", Company({Est("2", "FILIAL", "11222333000262")})));
  w.ui.folder = (w.dir.path() / "nao_existe").string();
  EXPECT_THROW(w.Merge(), FileWriteError);
  EXPECT_EQ(w.Messages(), std::vector<std::string>{"Confirma a mesclagem dos arquivos?"});
}

// The merge window's folder holding one of the added files under the merged
// file's name: the merge is refused and the input stays whole.
TEST(SpedMerge, AnInputNamedLikeTheMergedFileIsNeverReplaced) {
  MergeWindow w;
  const fs::path input = w.out / kMergedFileName;
  const std::vector<std::string> lines = Company({Est("1", "MATRIZ", "11222333000181")});
  {
    std::ofstream o(input, std::ios::binary);
    for (const std::string& l : lines) o << l << "\r\n";
  }
  const std::string before = Slurp(input);
  ASSERT_TRUE(w.Add(input));
  ASSERT_TRUE(w.Add("b.txt", Company({Est("2", "FILIAL", "11222333000262")})));
  try {
    w.Merge();
    ADD_FAILURE() << "merged over an input";
  } catch (const FileWriteError& e) {
    EXPECT_NE(std::string(e.what()).find("é um arquivo de entrada"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Slurp(input), before);
}

TEST(SpedMerge, EncodingsSingleByteKeptUtf8Converted) {
  MergeWindow w;
  // Windows-1252 with bytes 0x80-0x9F (curly quotes, euro) kept as they are.
  const std::string cp =
      "|0150|P1|\x93"
      "A\x94 \x80 S\xC3O|";
  ASSERT_TRUE(w.Add("a.txt", Company({Est("1", "A\xC7O", "11222333000181")}, {cp})));
  // UTF-8 (with a byte-order mark) turned into Windows-1252.
  auto utf8 = Company({Est("2", "AÇO FILIAL", "11222333000262")},
                      {"|0150|P2|JOÃO “X” €|", "|0150|P3|日本|"});
  utf8[0] = "\xEF\xBB\xBF" + utf8[0];
  ASSERT_TRUE(w.Add("b.txt", utf8));
  EXPECT_EQ(w.m.lstAdicionados, (std::vector<std::string>{"11.222.333/0001-81 - AÇO",
                                                          "11.222.333/0002-62 - AÇO FILIAL"}));
  ASSERT_TRUE(w.Merge());
  const auto lines = w.MergedLines();
  EXPECT_TRUE(Has(lines, cp));
  EXPECT_TRUE(Has(lines, "|0150|P2|JO\xC3O \x93X\x94 \x80|"));
  EXPECT_TRUE(Has(lines, "|0150|P3|??|"));
  EXPECT_TRUE(Has(lines, "|0140|2|A\xC7O FILIAL|11222333000262|SP||3550308|||"));
  EXPECT_EQ(lines[0].substr(0, 6), "|0000|");  // no byte-order mark
  EXPECT_EQ(RecountSped(w.Merged()), std::vector<std::string>{});
}

TEST(SpedMerge, TwoMergesInOneRunEachCountItsOwnFile) {
  MergeWindow w;
  ASSERT_TRUE(w.Add("a.txt", Company({Est("1", "MATRIZ", "11222333000181")}, {"|C100|0|"})));
  ASSERT_TRUE(w.Add("b.txt", Company({Est("2", "FILIAL", "11222333000262")}, {"|C100|0|"})));
  ASSERT_TRUE(w.Merge());
  const size_t first = w.MergedLines().size();
  ASSERT_TRUE(w.Add("c.txt", Company({Est("3", "FILIAL 2", "11222333000343")}, {"|C100|0|"})));
  ASSERT_TRUE(w.Merge());
  const auto lines = w.MergedLines();
  EXPECT_EQ(lines.size(), first + 2);  // the third file's 0140 and C100, no new register
  EXPECT_EQ(RecountSped(w.Merged()), std::vector<std::string>{});
  EXPECT_TRUE(Has(lines, "|9900|C100|3|"));
}

// Random company files, merged: the merged file always recounts right and
// holds every establishment's notes.
TEST(SpedMerge, RandomInputsAlwaysRecount) {
  uint32_t seed = 7;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    MergeWindow w;
    const int files = 2 + static_cast<int>(next() % 3);
    int expect_c100 = 0, expect_entries = 0;
    for (int f = 0; f < files; ++f) {
      ContribOptions o;
      o.seed = next() + 1;
      o.lines = 150 + next() % 400;
      o.c500 = next() % 2;
      o.utf8 = next() % 3 == 0;
      o.signature = next() % 3 == 0;
      o.empty_code = next() % 4 == 0;
      o.establishments.clear();
      const int ests = 1 + static_cast<int>(next() % 3);
      for (int e = 0; e < ests; ++e)
        o.establishments.push_back({"1122233300" + std::to_string(1000 + f * 10 + e),
                                    "EST " + std::to_string(f * 10 + e)});
      std::ostringstream text;
      GenerateContrib(text, o);
      const fs::path p = w.dir.path() / ("in" + std::to_string(f) + ".txt");
      std::ofstream(p, std::ios::binary) << text.str();
      expect_c100 += CountCode(CrLfLines(p), "C100") - (o.signature ? 1 : 0);
      expect_entries += ests;
      ASSERT_TRUE(w.Add(p));
    }
    ASSERT_TRUE(w.Merge());
    EXPECT_EQ(RecountSped(w.Merged()), std::vector<std::string>{});
    EXPECT_EQ(CountCode(w.MergedLines(), "C100"), expect_c100);
    EXPECT_EQ(static_cast<int>(w.m.lstAdicionados.size()), expect_entries);
  }
}

TEST(SpedMergeSamples, HeadOfficeWithTwoBranches) {
  const fs::path dir = fs::path(FISCORA_SAMPLES) / "sped";
  const fs::path head = dir / "contrib_efdpiscofins_mais_de_um_estabelecimento.txt";
  const fs::path signed_branch = dir / "contrib_jair-eng_sped_original.txt";
  const fs::path cp1252_branch = dir / "contrib_rust-sped_efd_data_random.txt";
  for (const auto& p : {head, signed_branch, cp1252_branch})
    if (!fs::exists(p)) GTEST_SKIP() << "samples not found: " << p;
  MergeWindow w;
  for (const auto& p : {head, signed_branch, cp1252_branch}) ASSERT_TRUE(w.Add(p)) << p;
  ASSERT_EQ(w.m.lstAdicionados.size(), 4u);
  EXPECT_EQ(w.m.lstAdicionados[0].substr(0, 21), "99.999.999/0001-91 - ");
  EXPECT_EQ(w.m.lstAdicionados[1].substr(0, 21), "99.999.999/0002-72 - ");
  // The head office again is refused.
  EXPECT_FALSE(w.Add(head));
  ASSERT_TRUE(w.Merge());
  EXPECT_EQ(RecountSped(w.Merged()), std::vector<std::string>{});

  // Every block-C and block-D line of the inputs up to |9999| is in the
  // merged file byte for byte, in order.
  const auto merged = w.MergedLines();
  std::vector<std::string> expect_c;
  for (const auto& p : {head, signed_branch, cp1252_branch}) {
    for (const auto& l : CrLfLines(p)) {
      const std::string code = SpedRegister(l);
      if (code == "9999") break;
      if (code[0] == 'C' && code != "C001" && code != "C990") expect_c.push_back(l);
    }
  }
  std::vector<std::string> got_c;
  for (const auto& l : merged) {
    const std::string code = SpedRegister(l);
    if (code[0] == 'C' && code != "C001" && code != "C990") got_c.push_back(l);
  }
  EXPECT_EQ(got_c, expect_c);
  EXPECT_TRUE(Has(merged, "|9900|C500|" + std::to_string(CountCode(merged, "C500")) + "|"));
  EXPECT_GT(CountCode(merged, "C500"), 0);
  EXPECT_EQ(CountCode(merged, "0140"), 4);
}

}  // namespace
}  // namespace fiscora

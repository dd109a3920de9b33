// The spreadsheet layer: cells read back by a reader that is not the writer,
// the save step's answers, and writes that fail without harm.
#include "export/spreadsheet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "data/atomic_file.h"
#include "sintegra_fixture.h"
#include "xlsx_reader.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;
namespace fs = std::filesystem;

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

TEST(Workbook, CellsReadBackWithTheirKindsAndFormats) {
  if (!XlsxReaderAvailable()) GTEST_SKIP() << "openpyxl (python3-openpyxl) not installed";
  TempDir dir;
  Workbook book;
  book.NameSheet("Planilha");
  book.SetText(1, 1, "Codigo");
  book.SetText(1, 2, "Descrição");
  book.SetTextFormat(2, 1);
  book.SetText(2, 1, "00012345678901");
  book.SetText(2, 2, "AÇÚCAR CRISTAL 1KG");
  book.SetInteger(2, 3, 42);
  book.SetFloat(2, 4, 2.5);
  book.SetMoney(2, 5, *ParseMoney("1234,56"));
  book.SetMoney(2, 6, *ParseMoney("-0,1"));
  book.SetTextFormat(3, 1);  // an empty text cell keeps its format
  fs::path file = dir.path() / "planilha.xlsx";
  book.SaveAs(file);

  auto sheets = ReadXlsx(file);
  ASSERT_TRUE(sheets);
  ASSERT_EQ(sheets->size(), 1u);
  const XlsxSheet& s = (*sheets)[0];
  EXPECT_EQ(s.title, "Planilha");
  struct Expect {
    int row, column;
    char kind;
    std::string value, format;
  } expects[] = {
      {1, 1, 's', "Codigo", "General"},
      {1, 2, 's', "Descrição", "General"},
      {2, 1, 's', "00012345678901", "@"},
      {2, 2, 's', "AÇÚCAR CRISTAL 1KG", "General"},
      {2, 3, 'n', "42", "General"},
      {2, 4, 'n', "2.5", "General"},
      {2, 5, 'n', "1234.56", "\"R$ \"#,##0.00;\"R$ -\"#,##0.00"},
      {2, 6, 'n', "-0.1", "\"R$ \"#,##0.00;\"R$ -\"#,##0.00"},
      {3, 1, 'e', "", "@"},
  };
  for (const auto& e : expects) {
    SCOPED_TRACE(::testing::Message() << "cell " << e.row << "," << e.column);
    const XlsxCell* c = s.At(e.row, e.column);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->kind, e.kind);
    EXPECT_EQ(c->value, e.value);
    EXPECT_EQ(c->format, e.format);
  }
}

TEST(Workbook, FloatFieldsAreWrittenToTheirDecimalsWithoutNoise) {
  TableDef def;
  def.name = "cds_somas";
  FieldDef valor = Float("valor");
  valor.money = true;
  def.fields = {valor, Float("quantidade")};
  ClientTable t(def);
  struct Case {
    double sum_valor, sum_quantidade;
    double valor, quantidade;
  } cases[] = {
      {64.40000000000001, 14.70099999999999, 64.4, 14.701},
      {0.1 + 0.2, 0.1 + 0.2, 0.3, 0.3},
      {-1234.565000000001, -2.0004999, -1234.57, -2.0},
      {0, 1e18, 0, 1e18},  // too large to round: kept
  };
  Workbook book;
  int row = 0;
  for (const auto& c : cases) {
    t.Append();
    t.FieldByName("valor").SetAsFloat(c.sum_valor);
    t.FieldByName("quantidade").SetAsFloat(c.sum_quantidade);
    t.Post();
    ++row;
    book.SetField(row, 1, t, t.CurrentRow(), 0);
    book.SetField(row, 2, t, t.CurrentRow(), 1);
    SCOPED_TRACE(::testing::Message() << "row " << row);
    EXPECT_EQ(book.At(row, 1).number, c.valor);
    EXPECT_EQ(book.At(row, 2).number, c.quantidade);
  }
}

TEST(Workbook, AnUnnamedSheetHasTheDefaultNameAndAnEmptyBookIsAValidFile) {
  if (!XlsxReaderAvailable()) GTEST_SKIP() << "openpyxl (python3-openpyxl) not installed";
  TempDir dir;
  fs::path file = dir.path() / "vazia.xlsx";
  Workbook().SaveAs(file);
  auto sheets = ReadXlsx(file);
  ASSERT_TRUE(sheets);
  ASSERT_EQ(sheets->size(), 1u);
  EXPECT_EQ((*sheets)[0].title, "Planilha1");
  EXPECT_TRUE((*sheets)[0].cells.empty());
}

// LibreOffice Calc, as a user would open the file (skipped without it).
TEST(Workbook, LibreOfficeReadsTheSameTexts) {
#ifdef _WIN32
  GTEST_SKIP() << "not on Windows";
#else
  if (std::system("libreoffice --version >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "LibreOffice (libreoffice-calc-nogui) not installed";
  TempDir dir;
  Workbook book;
  book.NameSheet("Planilha");
  book.SetTextFormat(1, 1);
  book.SetText(1, 1, "00012");
  book.SetText(1, 2, "AÇÚCAR, CRISTAL");
  book.SetFloat(1, 3, 2.5);
  book.SetInteger(1, 4, 42);
  book.SetText(2, 1, "0700");
  book.SaveAs(dir.path() / "lo.xlsx");
  const std::string cmd =
      "cd '" + dir.path().string() + "' && libreoffice -env:UserInstallation=file://" +
      dir.path().string() +
      "/profile --headless --convert-to "
      "'csv:Text - txt - csv (StarCalc):44,34,76,1,,1046,false,false,true' lo.xlsx "
      ">/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(Slurp(dir.path() / "lo.csv"), "00012,\"AÇÚCAR, CRISTAL\",2.5,42\n0700,,,\n");
#endif
}

TEST(Workbook, CellsOutsideTheSheetAreRefused) {
  Workbook book;
  EXPECT_THROW(book.SetText(0, 1, "x"), std::out_of_range);
  EXPECT_THROW(book.SetInteger(1, 0, 1), std::out_of_range);
  EXPECT_EQ(book.At(5, 5).kind, Workbook::Cell::Kind::kEmpty);
}

// The save step: what the user answers decides what is written and shown.
struct SaveCase {
  const char* name;
  bool exists;    // the chosen file is there already
  bool chosen;    // a name was given (else the dialog was left)
  Answer answer;  // the answer to the confirmation
  SaveOutcome outcome;
  std::vector<std::string> texts;  // what the user was told, in order
  bool replaced;                   // the file now holds the new workbook
};
void PrintTo(const SaveCase& c, std::ostream* os) { *os << c.name; }

class SaveStep : public ::testing::TestWithParam<SaveCase> {};

TEST_P(SaveStep, AnswersDecide) {
  const SaveCase& c = GetParam();
  TempDir dir;
  fs::path file = dir.path() / "saida.xlsx";
  const std::string old_bytes = "conteúdo anterior\r\n";
  if (c.exists) std::ofstream(file, std::ios::binary) << old_bytes;
  RecordingUserInterface ui;
  if (c.chosen) ui.save_file = PathText(file);
  ui.confirm_answer = c.answer;
  Workbook book;
  book.SetText(1, 1, "x");

  EXPECT_EQ(SaveWorkbook(book, ui), c.outcome);
  std::vector<std::string> texts;
  for (const auto& m : ui.messages) texts.push_back(m.text);
  EXPECT_EQ(texts, c.texts);
  if (c.replaced) {
    EXPECT_EQ(Slurp(file).substr(0, 2), "PK");  // a zip container
  } else if (c.exists) {
    EXPECT_EQ(Slurp(file), old_bytes);  // byte for byte
  } else {
    EXPECT_FALSE(fs::exists(file));
  }
  EXPECT_EQ(Names(dir.path()).size(), c.exists || c.replaced ? 1u : 0u) << "no temporary left";
}

const char kConfirm[] = "Você deseja salvar esse arquivo?";
const char kSaved[] = "Arquivo Salvo !!!";
INSTANTIATE_TEST_SUITE_P(
    Spreadsheet, SaveStep,
    ::testing::Values(
        SaveCase{"dialog_left", false, false, Answer::kYes, SaveOutcome::kCancelled, {}, false},
        SaveCase{"new_file", false, true, Answer::kNo, SaveOutcome::kSaved, {kSaved}, true},
        SaveCase{"existing_yes",
                 true,
                 true,
                 Answer::kYes,
                 SaveOutcome::kSaved,
                 {kConfirm, kSaved},
                 true},
        SaveCase{"existing_no", true, true, Answer::kNo, SaveOutcome::kDeclined, {kConfirm}, false},
        SaveCase{"existing_cancel",
                 true,
                 true,
                 Answer::kCancel,
                 SaveOutcome::kDeclined,
                 {kConfirm},
                 false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveStep, OffersSpreadsheetsProposesTheNameAndAddsTheExtension) {
  TempDir dir;
  std::ofstream(dir.path() / "existente.xlsx") << "antigo";
  struct Case {
    std::string typed, saved;
    bool asked;  // "Você deseja salvar esse arquivo?"
  } cases[] = {
      {"nova", "nova.xlsx", false},
      {"nova.xlsx", "nova.xlsx", false},
      {"existente", "existente.xlsx", true},  // asked about the name with ".xlsx"
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    fs::remove(dir.path() / "nova.xlsx");
    RecordingUserInterface ui;
    ui.save_file = PathText(dir.path() / c.typed);
    ui.confirm_answer = Answer::kYes;
    Workbook book;
    book.SetText(1, 1, "x");
    EXPECT_EQ(SaveWorkbook(book, ui, "loja - inventario.xlsx"), SaveOutcome::kSaved);
    ASSERT_EQ(ui.file_dialogs.size(), 1u);
    EXPECT_EQ(ui.file_dialogs[0].kind, FileKind::kSpreadsheet);
    EXPECT_EQ(ui.file_dialogs[0].proposed_name, "loja - inventario.xlsx");
    EXPECT_TRUE(fs::exists(dir.path() / c.saved));
    const bool asked = std::any_of(ui.messages.begin(), ui.messages.end(), [](const auto& m) {
      return m.text == "Você deseja salvar esse arquivo?";
    });
    EXPECT_EQ(asked, c.asked);
  }
  EXPECT_EQ(kSpreadsheetFilter, "Planilha do Excel|*.xlsx");
}

TEST(SaveStep, AFailedWriteSaysWhichFileAndLeavesNothingBehind) {
  TempDir dir;
  // A folder that does not exist, and a target that is a folder (the write
  // succeeds, the rename over it fails).
  fs::path missing = dir.path() / "nao_existe" / "saida.xlsx";
  fs::path folder_target = dir.path() / "pasta.xlsx";
  fs::create_directory(folder_target);
  struct {
    fs::path target;
    std::string reason;
  } cases[] = {{missing, "pasta inexistente"}, {folder_target, ""}};
  for (const auto& [target, reason] : cases) {
    SCOPED_TRACE(PathText(target));
    RecordingUserInterface ui;
    ui.save_file = PathText(target);
    Workbook book;
    book.SetText(1, 1, "x");
    try {
      SaveWorkbook(book, ui);
      ADD_FAILURE() << "no error";
    } catch (const FileWriteError& e) {
      EXPECT_NE(std::string(e.what()).find("Não foi possível gravar o arquivo " + PathText(target)),
                std::string::npos)
          << e.what();
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
    for (const auto& m : ui.messages) EXPECT_NE(m.text, kSaved);
  }
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"pasta.xlsx"});
  EXPECT_TRUE(fs::is_empty(folder_target));
}

TEST(AtomicFile, CommitReplacesAndAbandonKeepsTheOldFile) {
  TempDir dir;
  fs::path file = dir.path() / "saida.txt";
  std::ofstream(file, std::ios::binary) << "velho";
  {
    AtomicFile f(file);
    f.stream() << "metade";
    // destroyed without Commit: as after an exception in the middle
  }
  EXPECT_EQ(Slurp(file), "velho");
  {
    AtomicFile f(file);
    f.stream() << "novo";
    f.Commit();
  }
  EXPECT_EQ(Slurp(file), "novo");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"saida.txt"});
  EXPECT_THROW(AtomicFile(dir.path() / "nao_existe" / "x.txt"), FileWriteError);
}

TEST(AtomicFile, AWriterThatThrowsLeavesTheTargetAlone) {
  TempDir dir;
  fs::path file = dir.path() / "saida.txt";
  std::ofstream(file, std::ios::binary) << "velho";
  EXPECT_THROW(WriteFileAtomically(file,
                                   [](const fs::path& temp) {
                                     std::ofstream(temp) << "meio";
                                     throw std::runtime_error("falhou");
                                   }),
               std::runtime_error);
  EXPECT_EQ(Slurp(file), "velho");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"saida.txt"});
}

}  // namespace
}  // namespace fiscora

// fiscora-cli sped-notas and the two SPED sheets, read back as a client
// would read them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/cli.h"
#include "cli_fixture.h"
#include "sped/analysis.h"
#include "sped/sheets.h"
#include "sped_fixture.h"
#include "xlsx_reader.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;
using nlohmann::json;

std::vector<std::string> Efd(bool with_c481) {
  std::vector<std::string> lines = {
      "|0000|017|0|01032024|31032024|LOJA EXEMPLO|12345678000195||SP|1|3550308||A|1|",
      P0150("P1", "JOSÉ DA SILVA", "", "12345678909", ""),
      "|C001|0|",
      C100("1", "P1", "500", "07032024", "1000,00", "1000,00", "180,00"),
      C170("6102", "1000,00", "1000,00", "900,00"),
      C190("6102"),
      C100("0", "", "501", "08032024", "20,50"),
      C170("1949", "20,50", "0", "0"),
      Sped("C400", 5, {{2, "2D"}, {3, "MP-4000"}, {4, "BE0101"}, {5, "1"}}),
      Sped("C405", 8,
           {{2, "01032024"}, {3, "1"}, {4, "10"}, {5, "99"}, {6, "5000,00"}, {7, "800,00"}}),
  };
  if (with_c481) lines.push_back("|C481|01|700,00|0|0|0|0|0|");
  lines.push_back("|C490|000|5102|17,00|600,00|600,00|102,00||");
  lines.push_back("|C420|T1700|600,00|01||");
  lines.push_back("|C990|10|");
  lines.push_back("|9999|13|");
  return lines;
}

TEST(SpedCli, TablesAndC481) {
  for (bool with_c481 : {false, true}) {
    SCOPED_TRACE(with_c481);
    TempDir dir;
    CliResult r = Cli({"sped-notas", dir.Write("efd.txt", Efd(with_c481))});
    ASSERT_EQ(r.code, 0) << r.err;
    json j = json::parse(r.out);
    EXPECT_EQ(j["state"]["c481"], with_c481);
    const json& notes = j["tables"]["cds_nf_sped"];
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0]["codigo_nota"], 500);
    EXPECT_EQ(notes[0]["6102"], "1000.0000");
    EXPECT_EQ(notes[0]["bc_cofins"], "900.0000");
    EXPECT_EQ(notes[1]["E1_Outros"], "20.5000");
    EXPECT_EQ(notes[1]["icms_st"], "0.0000");  // set by no line
    EXPECT_EQ(notes[0].size(), 51u);           // every field
    const json& movement = j["tables"]["cds_mov_ecf_sped"];
    ASSERT_EQ(movement.size(), 1u);
    EXPECT_EQ(movement[0]["venda_liquida"], with_c481 ? "700.0000" : "600.0000");
    EXPECT_EQ(movement[0]["cst_01"], with_c481 ? "700.0000" : "0.0000");
    const json& difal = j["tables"]["cds_difal"];
    ASSERT_EQ(difal.size(), 1u);
    EXPECT_EQ(difal[0]["nome"], "JOSÉ DA SILVA");
    EXPECT_EQ(difal[0]["documento"], "12345678909");
    EXPECT_EQ(j["tables"]["cds_totalizador_icms"].size(), 3u);  // C100 E and S, C420 1700
  }
}

TEST(SpedCli, MalformedNumberNamesTheLine) {
  TempDir dir;
  std::vector<std::string> lines = Efd(false);
  lines[6] = C100("0", "", "501", "08032024", "20.50");
  std::string file = dir.Write("efd.txt", lines);
  CliResult r = Cli({"sped-notas", file});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(file + ":7: registro C100, campo 12 (VL_DOC): '20.50'"), std::string::npos)
      << r.err;
  EXPECT_EQ(Cli({"sped-notas", dir.path().string() + "/absent.txt"}).code, 1);
  EXPECT_EQ(Cli({"sped-notas"}).code, 2);
}

TEST(SpedCli, SheetsReadBack) {
  if (!XlsxReaderAvailable()) GTEST_SKIP() << "openpyxl not installed";
  TempDir dir;
  std::string notes = (dir.path() / "notas.xlsx").string();
  std::string ecf = (dir.path() / "ecf.xlsx").string();
  CliResult r = Cli({"sped-notas", dir.Write("efd.txt", Efd(true)), "--planilha-notas", notes,
                     "--planilha-ecf", ecf});
  ASSERT_EQ(r.code, 0) << r.err;
  json j = json::parse(r.out);
  ASSERT_EQ(j["messages"].size(), 2u);
  EXPECT_EQ(j["messages"][0]["text"], "Arquivo Salvo !!!");

  auto sheets = ReadXlsx(notes);
  ASSERT_TRUE(sheets.has_value());
  const XlsxSheet& n = sheets->front();
  EXPECT_EQ(n.LastRow(), 3);
  struct Cell {
    int row, column;
    char kind;
    const char* value;
  } note_cells[] = {
      {1, 1, 's', "Numero nota"}, {1, 4, 's', "Valor_Nota"}, {1, 11, 's', "1101"},
      {1, 29, 's', "E1_Outros"},  {1, 34, 's', "6102"},      {1, 49, 's', "E5_Outros"},
      {1, 50, 's', "E6_Outros"},  {1, 51, 's', "FRETE"},     {2, 1, 'n', "500"},
      {2, 2, 's', "07/03/2024"},  {2, 3, 's', "S"},          {2, 4, 'n', "1000"},
      {2, 9, 'n', "900"},         {2, 34, 'n', "1000"},      {3, 29, 'n', "20.5"},
      {3, 51, 'n', "0"},
  };
  for (const auto& c : note_cells) {
    SCOPED_TRACE(std::to_string(c.row) + "," + std::to_string(c.column));
    const XlsxCell* cell = n.At(c.row, c.column);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->kind, c.kind);
    EXPECT_EQ(cell->value, c.value);
  }
  EXPECT_EQ(n.At(1, 52), nullptr);

  sheets = ReadXlsx(ecf);
  ASSERT_TRUE(sheets.has_value());
  const XlsxSheet& m = sheets->front();
  Cell movement_cells[] = {
      {1, 1, 's', "Equipamento"}, {1, 5, 's', "Venda_Liquida"},
      {1, 16, 's', "cst_99"},     {2, 1, 's', "BE0101"},
      {2, 2, 's', "1"},           {2, 3, 's', "01/03/2024"},
      {2, 4, 'n', "800"},         {2, 5, 'n', "700"},
      {2, 6, 'n', "700"},
  };
  for (const auto& c : movement_cells) {
    SCOPED_TRACE(std::to_string(c.row) + "," + std::to_string(c.column));
    const XlsxCell* cell = m.At(c.row, c.column);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->kind, c.kind);
    EXPECT_EQ(cell->value, c.value);
  }
  EXPECT_EQ(m.At(1, 17), nullptr);
}

// A file without notes gives a sheet of the title row only; the sheet
// follows the table's current order.
TEST(SpedSheets, EmptyTableAndOrder) {
  TestSession t;
  Workbook empty = SpedNotesWorkbook(t.dtm.cds_nf_sped);
  EXPECT_EQ(empty.RowCount(), 1);
  EXPECT_EQ(empty.ColumnCount(1), 51);
  AnalyseSpedFile(t.s, t.File(Efd(false)));
  t.dtm.cds_nf_sped.SetIndexFieldNames("vl_nota");
  Workbook ordered = SpedNotesWorkbook(t.dtm.cds_nf_sped);
  EXPECT_EQ(ordered.At(2, 1).integer, 501);
  EXPECT_EQ(ordered.At(3, 1).integer, 500);
}

}  // namespace
}  // namespace fiscora

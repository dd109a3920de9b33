// The audit spreadsheet: layout, the unit value chain with the markup, the
// sales and purchases without note, and the markup that is not a number.
#include "audit/audit_sheet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;
using Kind = Workbook::Cell::Kind;

Money Reais(double v) { return Money::FromDouble(v); }

struct Row {
  double om_saida = 0, om_entrada = 0;
  Money fim_unit{}, ini_unit{};
  double in = 0;
  Money in_val{};
  double out = 0;
  Money out_val{};
};

void AddAuditRow(ClientTable& audit, const std::string& code, const Row& r) {
  audit.Append();
  audit.SetAsString(faudit::codigo, code);
  audit.SetAsString(faudit::descricao, "PRODUTO " + code);
  audit.SetAsFloat(faudit::OM_SAIDA, r.om_saida);
  audit.SetAsFloat(faudit::OM_ENTRADA, r.om_entrada);
  audit.SetAsCurrency(faudit::INV_FIM_UNITARIO, r.fim_unit);
  audit.SetAsCurrency(faudit::INV_INI_UNITARIO, r.ini_unit);
  audit.SetAsFloat(faudit::TOTALENTRADAS, r.in);
  audit.SetAsCurrency(faudit::TOTALENTRADAS_VAL, r.in_val);
  audit.SetAsFloat(faudit::TOTALSAIDAS, r.out);
  audit.SetAsCurrency(faudit::TOTALSAIDAS_VAL, r.out_val);
  audit.Post();
}

// A money cell's amount; an integer cell must hold 0.
struct Priced {
  Kind kind;
  Money amount;
};
Priced CellOf(const Workbook& book, int row, int col) {
  const auto& c = book.At(row, col);
  return {c.kind, c.kind == Kind::kMoney ? Money::FromRaw(c.integer) : Money()};
}

TEST(AuditExportSheet, UnitValueChainAndPricedOmissions) {
  struct Case {
    const char* what;
    const char* markup;
    Row row;
    Money unit;
    Kind venda_kind;
    Money venda;
    Kind compra_kind;
    Money compra;
  } cases[] = {
      {"final inventory unit, exit omitted",
       "1,5",
       {.om_saida = 4, .fim_unit = Reais(10)},
       Reais(15),
       Kind::kMoney,
       Reais(60),
       Kind::kInteger,
       Money()},
      {"average entry, entry omitted",
       "1,5",
       {.om_entrada = 2, .in = 10, .in_val = Reais(50)},
       Reais(5),
       Kind::kInteger,
       Money(),
       Kind::kMoney,
       Reais(10)},
      {"average exit back to cost, then markup",
       "2",
       {.om_saida = 1, .out = 4, .out_val = Reais(80)},
       Reais(20),
       Kind::kMoney,
       Reais(20),
       Kind::kInteger,
       Money()},
      {"initial inventory unit when the final has none",
       "2",
       {.om_entrada = 3, .ini_unit = Reais(7)},
       Reais(7),
       Kind::kInteger,
       Money(),
       Kind::kMoney,
       Reais(21)},
      {"empty markup",
       "",
       {.om_saida = 4, .fim_unit = Reais(10)},
       Money(),
       Kind::kMoney,
       Money(),
       Kind::kInteger,
       Money()},
      {"zero markup",
       "0",
       {.om_entrada = 4, .fim_unit = Reais(10)},
       Money(),
       Kind::kInteger,
       Money(),
       Kind::kMoney,
       Money()},
      {"entry value without quantity falls through to the exits",
       "2",
       {.om_entrada = 1, .in = 0, .in_val = Reais(50), .out = 2, .out_val = Reais(40)},
       Reais(10),
       Kind::kInteger,
       Money(),
       Kind::kMoney,
       Reais(10)},
      {"no average at all",
       "2",
       {.om_saida = 1, .in_val = Reais(5), .out_val = Reais(5)},
       Money(),
       Kind::kMoney,
       Money(),
       Kind::kInteger,
       Money()},
      {"no omission",
       "1,5",
       {.fim_unit = Reais(10)},
       Reais(10),
       Kind::kEmpty,
       Money(),
       Kind::kEmpty,
       Money()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestSession t;
    t.s.audit.edt_markup = c.markup;
    AddAuditRow(t.dtm.cds_audit, "P1", c.row);
    std::optional<Workbook> book = AuditWorkbook(t.s);
    ASSERT_TRUE(book);
    ASSERT_EQ(book->RowCount(), 3);
    EXPECT_EQ(CellOf(*book, 3, 9).amount, c.unit);
    EXPECT_EQ(CellOf(*book, 3, 10).kind, c.venda_kind);
    EXPECT_EQ(CellOf(*book, 3, 10).amount, c.venda);
    EXPECT_EQ(CellOf(*book, 3, 11).kind, c.compra_kind);
    EXPECT_EQ(CellOf(*book, 3, 11).amount, c.compra);
    // The integer cells hold 0.
    for (int col : {10, 11}) {
      if (book->At(3, col).kind == Kind::kInteger) {
        EXPECT_EQ(book->At(3, col).integer, 0);
      }
    }
  }
}

TEST(AuditExportSheet, TitlesPeriodsAndRowsByDescription) {
  TestSession t;
  t.s.audit.lbl_per[0] = "01/2021";
  t.s.audit.lbl_per[1] = "02/2021";
  AddAuditRow(t.dtm.cds_audit, "B", {.om_saida = -2});
  AddAuditRow(t.dtm.cds_audit, "A", {});
  std::optional<Workbook> book = AuditWorkbook(t.s);
  ASSERT_TRUE(book);
  std::string periods = "Periodo analisado: 01/2021 02/2021";
  for (int i = 0; i < 10; ++i) periods += " --------------------";
  EXPECT_EQ(book->At(1, 1).text, periods);
  ASSERT_EQ(book->ColumnCount(2), 41);
  const std::vector<std::pair<int, std::string>> titles = {{1, "Codigo"},
                                                           {2, "Descricao"},
                                                           {3, "QTD INICIAL"},
                                                           {7, "OMISSAO SAIDA"},
                                                           {9, "VALOR UNITARIO"},
                                                           {10, "VENDA SEM NF"},
                                                           {11, "COMPRA SEM NF"},
                                                           {12, "C_UNIT_INV_INI"},
                                                           {14, "SECF"},
                                                           {16, "EREVENDA"},
                                                           {32, "E1926"},
                                                           {39, "SOUTROS_VAL"},
                                                           {40, "TOTALENTRADAS_VAL"},
                                                           {41, "TOTALSAIDAS_VAL"}};
  for (const auto& [col, title] : titles) EXPECT_EQ(book->At(2, col).text, title) << col;
  EXPECT_EQ(book->At(3, 1).text, "A");
  EXPECT_EQ(book->At(4, 1).text, "B");
  EXPECT_EQ(book->At(4, 7).number, 2);  // absolute value
  EXPECT_EQ(book->At(4, 16).kind, Kind::kFloat);
  EXPECT_EQ(book->At(4, 17).kind, Kind::kMoney);
  EXPECT_EQ(t.s.audit.progress_max, 2);
  EXPECT_EQ(t.s.audit.progress_position, 2);
}

TEST(AuditExportSheet, EmptyAuditGivesTheTwoHeadRows) {
  TestSession t;
  std::optional<Workbook> book = AuditWorkbook(t.s);
  ASSERT_TRUE(book);
  EXPECT_EQ(book->RowCount(), 2);
}

TEST(AuditExportSheet, MarkupThatIsNotANumberGivesTheMarkupMessage) {
  TestSession t;
  t.s.audit.edt_markup = "1,5x";
  AddAuditRow(t.dtm.cds_audit, "A", {});
  t.ui.save_file = (t.dir.path() / "out.xlsx").string();
  btn_excelClick(t.s);
  EXPECT_TRUE(t.s.audit.progress_visible);
  ASSERT_EQ(t.ui.messages.size(), 1u);
  EXPECT_EQ(t.ui.messages[0].text, "O markup deve ser digitado. Em média o valor é 1,5");
  EXPECT_FALSE(std::filesystem::exists(t.dir.path() / "out.xlsx"));
}

TEST(AuditExportSheet, SavedUnderTheChosenName) {
  TestSession t;
  AddAuditRow(t.dtm.cds_audit, "A", {.om_saida = 1, .fim_unit = Reais(2)});
  t.ui.save_file = (t.dir.path() / "out.xlsx").string();
  btn_excelClick(t.s);
  EXPECT_TRUE(std::filesystem::file_size(t.dir.path() / "out.xlsx") > 0);
  ASSERT_EQ(t.ui.messages.size(), 1u);
  EXPECT_EQ(t.ui.messages[0].text, "Arquivo Salvo !!!");
}

}  // namespace
}  // namespace fiscora

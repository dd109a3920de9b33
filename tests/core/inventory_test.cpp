// The inventory completion in its three modes and the listing.
#include "sintegra/inventory.h"

#include <gtest/gtest.h>

#include "sintegra/loader.h"
#include "sintegra_fixture.h"
#include "xlsx_reader.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;

struct Item {
  std::string codigo, descricao, unidade;
  bool operator==(const Item&) const = default;
};
void PrintTo(const Item& i, std::ostream* os) {
  *os << "{" << i.codigo << "|" << i.descricao << "|" << i.unidade << "}";
}

// The rows of an items table in its current order.
std::vector<Item> Items(const ClientTable& t) {
  std::vector<Item> out;
  for (ClientTable::RowId r : t.OrderedRows())
    out.push_back({std::string(t.RowText(r, f74::codigo)),
                   std::string(t.RowText(r, f74::descricao)),
                   std::string(t.RowText(r, f74::unidade))});
  return out;
}

std::string Code14(std::string_view code) {
  std::string c(code);
  c.resize(14, ' ');
  return c;
}

TEST(Inventory, ListingCompletesOrdersByDescriptionAndShowsTheSheet) {
  TestSession t;
  const std::string long_description(53, 'Z');
  t.Verify({
      R75("  0007", "FEIJAO PRETO 1KG", "KG"),  // blanks around the code are trimmed
      R75("ABC", "ARROZ AGULHINHA 5KG", "PC"), R75("0009", long_description, "UN"),
      R74("0007", 2000, 1590), R74("abc", 1000, 2500),  // letter case differs: no product
      R74("0009", 1000, 100), R74("SEM75", 3000, 900),  // no record 75 at all
      R74("0008", 5000, 0),                             // value zero: never loaded
  });
  bbtn_verif_inventClick(t.s);

  const std::vector<Item> expected = {
      {Code14("abc"), "", ""},
      {Code14("SEM75"), "", ""},
      {Code14("0007"), Described("FEIJAO PRETO 1KG").substr(0, 43), "KG"},
      {Code14("0009"), std::string(43, 'Z'), "UN"},
  };
  EXPECT_EQ(Items(t.dtm.cds_inventario), expected);
  EXPECT_EQ(t.dtm.cds_inventario.IndexFieldNames(), "descricao");
  EXPECT_TRUE(t.dtm.cds_inventario.Bof());

  MainWindowState& frm = t.frm;
  // Shown while the listing runs, hidden with its usual text at the end.
  EXPECT_FALSE(frm.lblaguarde.visible());
  EXPECT_EQ(frm.lblaguarde.text(), "Aguarde por favor . . . .");
  EXPECT_EQ(frm.progresso.max(), 5);  // record 74 lines loaded, zero values counted
  // Moved to page 6, then "  Sobre  " to page 7 (page indexes count the
  // hidden sheets too): the two are the last tabs.
  EXPECT_EQ(frm.pgcdados.PageIndex(frm.tbssobre), 7);
  EXPECT_EQ(frm.pgcdados.active(), &frm.tbs_inventario);
  auto tabs = frm.pgcdados.VisibleCaptions();
  ASSERT_GE(tabs.size(), 2u);
  EXPECT_EQ(tabs[tabs.size() - 2], "Inventario");
  EXPECT_EQ(tabs.back(), "  Sobre  ");

  // A second listing finds the same products and changes nothing.
  bbtn_verif_inventClick(t.s);
  EXPECT_EQ(Items(t.dtm.cds_inventario), expected);
}

TEST(Inventory, AnEmptyInventoryListsNothing) {
  TestSession t;
  t.Verify({R75("1", "X")});
  bbtn_verif_inventClick(t.s);
  EXPECT_TRUE(t.dtm.cds_inventario.IsEmpty());
  EXPECT_TRUE(t.dtm.cds_inventario.Aggregate("soma").is_null);
}

// The audit's inventories: each mode completes its own tables, with the
// full 14-character codes of records 74 and 75.
TEST(Inventory, AuditModesCompleteTheirOwnTablesWithFullCodes) {
  struct Case {
    LoadMode mode;
    ClientTable& (*items)(TdtmCENTRAL&);
  } cases[] = {
      {LoadMode::INV_INI, [](TdtmCENTRAL& d) -> ClientTable& { return d.cds_inv_ini; }},
      {LoadMode::INV_FIM, [](TdtmCENTRAL& d) -> ClientTable& { return d.cds_inv_fim; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(ModeName(c.mode)));
    TestSession t;
    std::string file =
        t.File({R10(), R75("12345678901234", "CAFE TORRADO 500G", "PC"),
                R75("12345678901235", "ACUCAR 1KG", "KG"), R74("12345678901234", 1000, 1000),
                R74("12345678901235", 1000, 500)});
    LoadSintegraFile(t.s, file, c.mode);
    CompleteInventory(t.s, c.mode);
    EXPECT_EQ(Items(c.items(t.dtm)),
              (std::vector<Item>{
                  {"12345678901235", Described("ACUCAR 1KG").substr(0, 43), "KG"},
                  {"12345678901234", Described("CAFE TORRADO 500G").substr(0, 43), "PC"}}));
    // The main inventory and the gauge are not touched.
    EXPECT_TRUE(t.dtm.cds_inventario.IsEmpty());
    EXPECT_EQ(t.frm.progresso.max(), 0);
  }
}

TEST(Inventory, SpreadsheetStartsWithTheFirstItemWhateverRowIsSelected) {
  if (!XlsxReaderAvailable()) GTEST_SKIP() << "openpyxl (python3-openpyxl) not installed";
  TestSession t;
  t.Verify({R75("00012", "BISCOITO 200G", "PC"), R75("00034", "ARROZ 5KG", "SC"),
            R74("00012", 2500, 1000), R74("00034", 3000, 6000)});
  bbtn_verif_inventClick(t.s);
  t.dtm.cds_inventario.Last();  // the user selected the last row
  const std::filesystem::path file = t.dir.path() / "inventario.xlsx";
  t.ui.save_file = file.string();
  t.ui.messages.clear();
  EXPECT_EQ(btnExcelClick(t.s), SaveOutcome::kSaved);
  ASSERT_EQ(t.ui.messages.size(), 1u);
  EXPECT_EQ(t.ui.messages[0].text, "Arquivo Salvo !!!");
  EXPECT_TRUE(t.dtm.cds_inventario.Bof());

  auto sheets = ReadXlsx(file);
  ASSERT_TRUE(sheets);
  const XlsxSheet& s = sheets->at(0);
  EXPECT_EQ(s.title, "Planilha");
  const std::vector<std::vector<std::string>> expected = {
      {"Codigo", "Descricao", "Unidade", "Quantidade", "Valor_unitario", "Valor_total"},
      {Code14("00034"), Described("ARROZ 5KG").substr(0, 43), "SC", "3", "20", "60"},
      {Code14("00012"), Described("BISCOITO 200G").substr(0, 43), "PC", "2.5", "4", "10"},
  };
  ASSERT_EQ(s.LastRow(), 3);
  for (int row = 1; row <= 3; ++row)
    for (int col = 1; col <= 6; ++col) {
      SCOPED_TRACE(::testing::Message() << row << "," << col);
      const XlsxCell* c = s.At(row, col);
      ASSERT_NE(c, nullptr);
      EXPECT_EQ(c->value, expected[static_cast<size_t>(row - 1)][static_cast<size_t>(col - 1)]);
    }
  EXPECT_EQ(s.At(2, 1)->kind, 's');  // the code stays text, leading zeros kept
  EXPECT_EQ(s.At(2, 1)->format, "@");
  EXPECT_EQ(s.At(2, 4)->kind, 'n');
  EXPECT_NE(s.At(2, 6)->format.find("R$"), std::string::npos);
}

TEST(Inventory, AnEmptyInventorySpreadsheetHasTheHeaderRowOnly) {
  if (!XlsxReaderAvailable()) GTEST_SKIP() << "openpyxl (python3-openpyxl) not installed";
  TestSession t;
  t.Verify({R75("1", "X")});
  const std::filesystem::path file = t.dir.path() / "vazio.xlsx";
  t.ui.save_file = file.string();
  btnExcelClick(t.s);
  auto sheets = ReadXlsx(file);
  ASSERT_TRUE(sheets);
  EXPECT_EQ(sheets->at(0).LastRow(), 1);
  ASSERT_NE(sheets->at(0).At(1, 6), nullptr);
  EXPECT_EQ(sheets->at(0).At(1, 6)->value, "Valor_total");
}

}  // namespace
}  // namespace fiscora

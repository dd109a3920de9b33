// The stock audit's table: note items classed by CFOP, fiscal-printer exits,
// the two inventories and the omissions, checked against the rules and
// against a small reference model under random items.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "audit/movements.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;

// The figures of one product's audit row, by field name.
double Float(ClientTable& audit, std::string_view code, std::string_view field) {
  EXPECT_TRUE(audit.Locate("codigo", {code})) << code;
  return audit.FieldByName(field).AsFloat();
}
Money Amount(ClientTable& audit, std::string_view code, std::string_view field) {
  EXPECT_TRUE(audit.Locate("codigo", {code})) << code;
  return audit.FieldByName(field).AsCurrency();
}

Money Reais(double v) { return Money::FromDouble(v); }

// A record 54 item in cds_54, as the record loader stores it.
void Item54(TdtmCENTRAL& d, std::string_view code, std::string_view cfop, std::string_view qty,
            Money value) {
  ClientTable& t = d.cds_54;
  t.Append();
  t.SetAsString(f54::cod_produto, code);
  t.SetAsString(f54::cfop, cfop);
  t.SetAsString(f54::quantidade, qty);
  t.SetAsCurrency(f54::valor, value);
  t.Post();
}

// A fiscal-printer item in cds_60i_item.
void Item60I(TdtmCENTRAL& d, std::string_view code, double qty, Money unit) {
  ClientTable& t = d.cds_60i_item;
  t.Append();
  t.SetAsString(f60i_item::codigo, code);
  t.SetAsFloat(f60i_item::quantidade, qty);
  t.SetAsCurrency(f60i_item::valor, unit);
  t.Post();
}

void Product75(TdtmCENTRAL& d, std::string_view code, std::string_view description) {
  ClientTable& t = d.cds_produt;
  t.Append();
  t.SetAsString(f75::codigo, code);
  t.SetAsString(f75::descricao, description);
  t.Post();
}

void InventoryRow(ClientTable& t, std::string_view code, std::string_view description, double qty,
                  Money unit) {
  t.Append();
  t.SetAsString(f74::codigo, code);
  t.SetAsString(f74::descricao, description);
  t.SetAsFloat(f74::quantidade, qty);
  t.SetAsCurrency(f74::unitario, unit);
  t.Post();
}

TEST(AuditClassifyMovements, CfopDecidesGroupAndSide) {
  struct Case {
    const char* cfop;
    const char* qty_field;  // null: nothing counted
    const char* total_field;
  } cases[] = {
      {"5102", "SREVENDA", "TOTALSAIDAS"},
      {"1102", "EREVENDA", "TOTALENTRADAS"},
      {"2102", "EREVENDA", "TOTALENTRADAS"},
      {"6926", "S5926", "TOTALSAIDAS"},
      {"1926", "E1926", "TOTALENTRADAS"},
      {"5949", "SOUTROS", "TOTALSAIDAS"},
      {"1949", "EOUTROS", "TOTALENTRADAS"},
      {"1101", "EINSUMO", "TOTALENTRADAS"},
      {"6653", "SINSUMO", "TOTALSAIDAS"},
      {"1933", "ESERVINSUMO", "TOTALENTRADAS"},
      {"5124", "SSERVINSUMO", "TOTALSAIDAS"},
      {"1202", "EDEVOLUCAO", "TOTALENTRADAS"},
      {"6662", "SDEVOLUCAO", "TOTALSAIDAS"},
      {"3102", nullptr, nullptr},
      {"7102", nullptr, nullptr},
      {"4102", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cfop);
    TestSession t;
    Item54(t.dtm, "P1", c.cfop, "3", Reais(30));
    AuditClassifyMovements(t.s);
    ClientTable& audit = t.dtm.cds_audit;
    if (!c.qty_field) {
      EXPECT_EQ(audit.RecordCount(), 0);
      continue;
    }
    ASSERT_EQ(audit.RecordCount(), 1);
    const std::string val = std::string(c.qty_field) + "_VAL";
    EXPECT_EQ(Float(audit, "P1", c.qty_field), 3);
    EXPECT_EQ(Amount(audit, "P1", val), Reais(30));
    EXPECT_EQ(Float(audit, "P1", c.total_field), 3);
    EXPECT_EQ(Amount(audit, "P1", std::string(c.total_field) + "_VAL"), Reais(30));
    // Every other movement figure stays 0.
    double others = 0;
    for (int i = 0; i < audit.FieldCount(); ++i) {
      const std::string& name = audit.FieldAt(i).name;
      if (name == c.qty_field || name == c.total_field || name == "OM_SAIDA" ||
          name == "OM_ENTRADA" || audit.FieldAt(i).type != FieldType::kFloat)
        continue;
      others += std::fabs(audit.AsFloat(i));
    }
    EXPECT_EQ(others, 0);
  }
}

TEST(AuditClassifyMovements, ForeignTradeItemDoesNotTouchAnExistingRow) {
  TestSession t;
  Item54(t.dtm, "P1", "5102", "2", Reais(20));
  Item54(t.dtm, "P1", "3102", "7", Reais(70));
  Item54(t.dtm, "P1", "7102", "9", Reais(90));
  AuditClassifyMovements(t.s);
  EXPECT_EQ(Float(t.dtm.cds_audit, "P1", "TOTALSAIDAS"), 2);
  EXPECT_EQ(Float(t.dtm.cds_audit, "P1", "TOTALENTRADAS"), 0);
  EXPECT_EQ(Amount(t.dtm.cds_audit, "P1", "SOUTROS_VAL"), Money());
}

TEST(AuditClassifyMovements, QuantityTextsReadWithTheDecimalComma) {
  struct Case {
    const char* text;
    double qty;
  } cases[] = {{"3", 3}, {" 2,500 ", 2.5}, {"00000001,250", 1.25}, {"", 0}, {"   ", 0}, {"abc", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TestSession t;
    Item54(t.dtm, "P1", "1102", c.text, Reais(12.5));
    AuditClassifyMovements(t.s);
    EXPECT_EQ(Float(t.dtm.cds_audit, "P1", "EREVENDA"), c.qty);
    // An empty quantity still adds the value.
    EXPECT_EQ(Amount(t.dtm.cds_audit, "P1", "EREVENDA_VAL"), Reais(12.5));
  }
}

TEST(AuditClassifyMovements, NewRowDescribedByThePeriodsRecord75) {
  TestSession t;
  Product75(t.dtm, "P1", "ARROZ TIPO 1");
  Item54(t.dtm, "P1", "1102", "1", Reais(5));
  Item54(t.dtm, "P2", "1102", "1", Reais(5));
  Item54(t.dtm, "  ", "1102", "1", Reais(5));  // blank code: skipped
  AuditClassifyMovements(t.s);
  ClientTable& audit = t.dtm.cds_audit;
  EXPECT_EQ(audit.RecordCount(), 2);
  ASSERT_TRUE(audit.Locate("codigo", {"P1"}));
  EXPECT_EQ(audit.AsString(faudit::descricao), "ARROZ TIPO 1");
  ASSERT_TRUE(audit.Locate("codigo", {"P2"}));
  EXPECT_EQ(audit.AsString(faudit::descricao), "");
  EXPECT_TRUE(t.s.sintegra.problems.without_75.flag);
}

TEST(AuditClassifyMovements, FiscalPrinterItemsAreExits) {
  TestSession t;
  Item60I(t.dtm, "P1", 2.5, Reais(4));
  Item60I(t.dtm, "P1", 1, Reais(3.99));
  Item54(t.dtm, "P1", "5102", "1", Reais(10));
  AuditClassifyMovements(t.s);
  ClientTable& audit = t.dtm.cds_audit;
  EXPECT_EQ(Float(audit, "P1", "SECF"), 3.5);
  EXPECT_EQ(Amount(audit, "P1", "SECF_VAL"), Reais(13.99));
  EXPECT_EQ(Float(audit, "P1", "TOTALSAIDAS"), 4.5);
  EXPECT_EQ(Amount(audit, "P1", "TOTALSAIDAS_VAL"), Reais(23.99));
}

TEST(AuditClassifyMovements, LeavesTheAuditOrderedByDescription) {
  TestSession t;
  Product75(t.dtm, "A", "ZEBRA");
  Product75(t.dtm, "B", "ABACATE");
  Product75(t.dtm, "C", "MELAO");
  for (const char* code : {"A", "B", "C"}) Item54(t.dtm, code, "1102", "1", Reais(1));
  AuditClassifyMovements(t.s);
  ClientTable& audit = t.dtm.cds_audit;
  std::vector<std::string> order;
  for (audit.First(); !audit.Eof(); audit.Next()) order.push_back(audit.AsString(faudit::codigo));
  EXPECT_EQ(order, (std::vector<std::string>{"B", "C", "A"}));
}

TEST(AuditOmissions, ExpectedStockAgainstTheFinalInventory) {
  struct Case {
    double initial, entries, exits, final_qty, om_saida, om_entrada;
  } cases[] = {
      {10, 5, 12, 2, 1, 0},
      {10, 0, 4, 9, 0, 3},
      {10, 0, 4, 6, 0, 0},
      {0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.initial << " + " << c.entries << " - " << c.exits << " vs " << c.final_qty);
    TestSession t;
    ClientTable& audit = t.dtm.cds_audit;
    audit.Append();
    audit.SetAsFloat(faudit::QTD_INICIAL, c.initial);
    audit.SetAsFloat(faudit::TOTALENTRADAS, c.entries);
    audit.SetAsFloat(faudit::TOTALSAIDAS, c.exits);
    audit.SetAsFloat(faudit::QTD_FINAL, c.final_qty);
    AuditOmissions(t.s);
    audit.Post();
    EXPECT_EQ(audit.AsFloat(faudit::OM_SAIDA), c.om_saida);
    EXPECT_EQ(audit.AsFloat(faudit::OM_ENTRADA), c.om_entrada);
  }
}

TEST(AuditInventories, OneOrBothInventoriesWithoutMovements) {
  struct Case {
    const char* what;
    double initial;  // < 0: not in the initial inventory
    double final_qty;
    double om_saida, om_entrada;
  } cases[] = {
      {"only initial", 7, -1, 7, 0},     {"only final", -1, 4, 0, 4},
      {"both, stock fell", 10, 6, 4, 0}, {"both, stock rose", 6, 10, 0, 4},
      {"both, equal", 5, 5, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestSession t;
    if (c.initial >= 0)
      InventoryRow(t.dtm.cds_inv_ini, "P1", "PRODUTO", c.initial, Reais(2));
    else
      InventoryRow(t.dtm.cds_inv_ini, "P2", "OUTRO", 1, Reais(1));
    if (c.final_qty >= 0)
      InventoryRow(t.dtm.cds_inv_fim, "P1", "PRODUTO", c.final_qty, Reais(3));
    else
      InventoryRow(t.dtm.cds_inv_fim, "P2", "OUTRO", 1, Reais(1));
    AuditInitialInventory(t.s);
    AuditFinalInventory(t.s);
    ClientTable& audit = t.dtm.cds_audit;
    EXPECT_EQ(Float(audit, "P1", "QTD_INICIAL"), c.initial < 0 ? 0 : c.initial);
    EXPECT_EQ(Float(audit, "P1", "QTD_FINAL"), c.final_qty < 0 ? 0 : c.final_qty);
    EXPECT_EQ(Float(audit, "P1", "OM_SAIDA"), c.om_saida);
    EXPECT_EQ(Float(audit, "P1", "OM_ENTRADA"), c.om_entrada);
    EXPECT_EQ(audit.AsString(faudit::descricao), "PRODUTO");
    EXPECT_EQ(Amount(audit, "P1", "INV_INI_UNITARIO"), c.initial < 0 ? Money() : Reais(2));
    EXPECT_EQ(Amount(audit, "P1", "INV_FIM_UNITARIO"), c.final_qty < 0 ? Money() : Reais(3));
  }
}

TEST(AuditInventories, CodeTwiceTakesTheRowReachedLast) {
  TestSession t;
  InventoryRow(t.dtm.cds_inv_ini, "P1", "PRIMEIRO", 5, Reais(1));
  InventoryRow(t.dtm.cds_inv_ini, "P1", "SEGUNDO", 8, Reais(2));
  InventoryRow(t.dtm.cds_inv_ini, " ", "SEM CODIGO", 8, Reais(2));
  AuditInitialInventory(t.s);
  ClientTable& audit = t.dtm.cds_audit;
  EXPECT_EQ(audit.RecordCount(), 1);
  EXPECT_EQ(Float(audit, "P1", "QTD_INICIAL"), 8);
  EXPECT_EQ(Amount(audit, "P1", "INV_INI_UNITARIO"), Reais(2));
}

TEST(AuditInventories, SecondInitialInventoryReplacesAndAdds) {
  TestSession t;
  InventoryRow(t.dtm.cds_inv_ini, "P1", "UM", 5, Reais(1));
  InventoryRow(t.dtm.cds_inv_ini, "P2", "DOIS", 6, Reais(1));
  AuditInitialInventory(t.s);
  t.dtm.cds_inv_ini.EmptyDataSet();
  InventoryRow(t.dtm.cds_inv_ini, "P1", "UM", 9, Reais(4));
  InventoryRow(t.dtm.cds_inv_ini, "P3", "TRES", 1, Reais(1));
  AuditInitialInventory(t.s);
  ClientTable& audit = t.dtm.cds_audit;
  EXPECT_EQ(audit.RecordCount(), 3);
  EXPECT_EQ(Float(audit, "P1", "QTD_INICIAL"), 9);
  EXPECT_EQ(Float(audit, "P1", "OM_SAIDA"), 9);
  EXPECT_EQ(Float(audit, "P2", "QTD_INICIAL"), 6);
  EXPECT_EQ(Float(audit, "P3", "QTD_INICIAL"), 1);
}

TEST(AuditInventories, EmptyInventoryGivesTheMessageAndChangesNothing) {
  TestSession t;
  AuditFinalInventory(t.s);
  EXPECT_EQ(t.dtm.cds_audit.RecordCount(), 0);
  ASSERT_EQ(t.ui.messages.size(), 1u);
  EXPECT_EQ(t.ui.messages[0].title, "Atenção!!!");
  EXPECT_EQ(t.ui.messages[0].text, "Este arquivo não possui registros de inventario");
}

// Random items, inventories in between, against a plain reference of the
// totals; omissions follow the figures at every step.
TEST(AuditClassifyMovements, RandomItemsAgreeWithAReference) {
  struct Ref {
    double initial = 0, final_qty = 0, in = 0, out = 0, secf = 0;
    Money in_val, out_val;
  };
  std::mt19937 rng(11);
  const char* cfops[] = {"1102", "2101", "5102", "6926", "1949", "5949", "3102", "7102", "1202"};
  TestSession t;
  std::map<std::string, Ref> ref;
  for (int i = 0; i < 8; ++i)
    InventoryRow(t.dtm.cds_inv_ini, "P" + std::to_string(i), "X", static_cast<double>(rng() % 50),
                 Reais(1));
  for (ClientTable::RowId r : t.dtm.cds_inv_ini.OrderedRows())
    ref[std::string(t.dtm.cds_inv_ini.RowText(r, 0))].initial = t.dtm.cds_inv_ini.RowFloat(r, 2);
  AuditInitialInventory(t.s);
  for (int period = 0; period < 3; ++period) {
    t.dtm.cds_54.EmptyDataSet();
    t.dtm.cds_60i_item.EmptyDataSet();
    for (int i = 0; i < 60; ++i) {
      std::string code = "P" + std::to_string(rng() % 12);
      const char* cfop = cfops[rng() % std::size(cfops)];
      int qty = static_cast<int>(rng() % 9);
      Money value = Money::FromUnits(static_cast<int64_t>(rng() % 100));
      Item54(t.dtm, code, cfop, std::to_string(qty), value);
      Ref& r = cfop[0] == '3' || cfop[0] == '7' ? ref["ignored"] : ref[code];
      if (cfop[0] == '1' || cfop[0] == '2') {
        r.in += qty;
        r.in_val += value;
      } else if (cfop[0] == '5' || cfop[0] == '6') {
        r.out += qty;
        r.out_val += value;
      }
      if (i % 5 == 0) {
        Item60I(t.dtm, code, 1.5, Reais(2));
        ref[code].secf += 1.5;
        ref[code].out += 1.5;
        ref[code].out_val += Reais(3);
      }
    }
    AuditClassifyMovements(t.s);
  }
  for (int i = 0; i < 12; i += 2) {
    std::string code = "P" + std::to_string(i);
    InventoryRow(t.dtm.cds_inv_fim, code, "X", i, Reais(1));
    ref[code].final_qty = i;
  }
  AuditFinalInventory(t.s);
  ref.erase("ignored");
  ClientTable& audit = t.dtm.cds_audit;
  for (auto& [code, r] : ref) {
    SCOPED_TRACE(code);
    if (!audit.Locate("codigo", {code})) continue;  // only 3/7 items: no row
    EXPECT_DOUBLE_EQ(Float(audit, code, "TOTALENTRADAS"), r.in);
    EXPECT_DOUBLE_EQ(Float(audit, code, "TOTALSAIDAS"), r.out);
    EXPECT_EQ(Amount(audit, code, "TOTALENTRADAS_VAL"), r.in_val);
    EXPECT_EQ(Amount(audit, code, "TOTALSAIDAS_VAL"), r.out_val);
    EXPECT_DOUBLE_EQ(Float(audit, code, "SECF"), r.secf);
    double x = r.initial + r.in - r.out;
    EXPECT_DOUBLE_EQ(Float(audit, code, "OM_SAIDA"), x > r.final_qty ? x - r.final_qty : 0);
    EXPECT_DOUBLE_EQ(Float(audit, code, "OM_ENTRADA"), x < r.final_qty ? r.final_qty - x : 0);
  }
}

}  // namespace
}  // namespace fiscora

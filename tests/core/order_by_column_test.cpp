// Ordering a table by a clicked column.
#include "data/order_by_column.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/catalogue.h"

namespace fiscora {
namespace {

// cdsmaxmin rows (codigo, porcentagem) added in this order.
void Fill(ClientTable& t, const std::vector<std::pair<std::string, double>>& rows) {
  for (const auto& [code, pct] : rows) {
    t.Append();
    t.SetText(fmaxmin::codigo, code);
    t.SetFloat(fmaxmin::porcentagem, pct);
    t.Post();
  }
}

std::vector<std::string> Codes(const ClientTable& t) {
  std::vector<std::string> out;
  for (ClientTable::RowId r : t.OrderedRows()) out.emplace_back(t.RowText(r, fmaxmin::codigo));
  return out;
}

std::string Current(const ClientTable& t) { return std::string(t.GetText(fmaxmin::codigo)); }

TEST(OrderByColumn, ClicksOrderAlternateAndRemember) {
  using Codes_ = std::vector<std::string>;
  struct Case {
    const char* name;
    std::vector<const char*> clicks;
    Codes_ order;
  } cases[] = {
      {"first click ascending", {"codigo"}, {"A", "B", "C"}},
      {"two clicks reverse", {"codigo", "codigo"}, {"C", "B", "A"}},
      {"three clicks restore", {"codigo", "codigo", "codigo"}, {"A", "B", "C"}},
      {"another column", {"codigo", "porcentagem"}, {"B", "C", "A"}},
      {"A-B-A keeps A's direction", {"codigo", "codigo", "porcentagem", "codigo"}, {"C", "B", "A"}},
      {"A-B-A-A reverses it",
       {"codigo", "codigo", "porcentagem", "codigo", "codigo"},
       {"A", "B", "C"}},
      {"field names without regard to case", {"CODIGO", "codigo"}, {"C", "B", "A"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TdtmCENTRAL dtm;
    ClientTable& t = dtm.cdsmaxmin;
    Fill(t, {{"C", 200}, {"A", 300}, {"B", 160}});
    for (const char* click : c.clicks) {
      t.Last();
      EXPECT_TRUE(OrderByColumn(t, click));
      // Every click ends on the first row.
      EXPECT_EQ(Current(t), Codes(t).front());
    }
    EXPECT_EQ(Codes(t), c.order);
  }
}

TEST(OrderByColumn, IndexBesideThePredefinedOne) {
  TdtmCENTRAL dtm;
  ClientTable& t = dtm.cdsmaxmin;
  Fill(t, {{"C", 200}, {"A", 300}, {"B", 160}});
  OrderByColumn(t, "porcentagem");
  EXPECT_EQ(t.IndexName(), "porcentagem");
  int named = 0, predefined = 0;
  for (const IndexDef& d : t.IndexDefs()) {
    named += d.name == "porcentagem";
    predefined += d.name == "idx_porcentagem";
  }
  EXPECT_EQ(named, 1);
  EXPECT_EQ(predefined, 1);
  t.SetIndexName("idx_porcentagem");
  EXPECT_EQ(Codes(t), (std::vector<std::string>{"A", "C", "B"}));
  OrderByColumn(t, "porcentagem");  // not active: selected as it was
  EXPECT_EQ(Codes(t), (std::vector<std::string>{"B", "C", "A"}));
}

TEST(OrderByColumn, OrderSurvivesEmptyingTheTable) {
  TdtmCENTRAL dtm;
  ClientTable& t = dtm.cdsmaxmin;
  Fill(t, {{"C", 200}, {"A", 300}});
  OrderByColumn(t, "codigo");
  OrderByColumn(t, "codigo");
  t.EmptyDataSet();
  Fill(t, {{"X", 1}, {"Z", 2}, {"Y", 3}});
  EXPECT_EQ(Codes(t), (std::vector<std::string>{"Z", "Y", "X"}));
}

TEST(OrderByColumn, ColumnWithoutAStoredFieldChangesNothing) {
  TdtmCENTRAL dtm;
  ClientTable& t = dtm.cdsmaxmin;
  Fill(t, {{"C", 200}, {"A", 300}});
  OrderByColumn(t, "codigo");
  EXPECT_FALSE(OrderByColumn(t, "soma"));
  EXPECT_EQ(t.IndexName(), "codigo");
  EXPECT_EQ(Codes(t), (std::vector<std::string>{"A", "C"}));
}

}  // namespace
}  // namespace fiscora

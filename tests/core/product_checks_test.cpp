// Product checks: the spread of the unit values a product was sold at
// (cdsmaxmin), items sold at another rate than a 60R row's (cdsaliq) and
// products whose code reads as zero.
#include "sintegra/product_checks.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "sintegra/loader.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;

// Loads the lines as a period file and runs the checks.
void Check(TestSession& t, const std::vector<std::string>& lines) {
  LoadSintegraFile(t.s, t.File(lines), LoadMode::Normal);
  ProductChecks(t.s);
}

// A 60I item of one unit of the product, on printer "ECF1".
Rec Item(std::string_view code, long long unit_cents, std::string_view rate = "1700",
         std::string_view day = "20240305") {
  return R60I("ECF1", code, 1000, unit_cents, rate, day);
}

// A description as record 75 holds it: 53 columns, blanks kept.
struct MaxMinRow {
  std::string codigo, descricao;
  double porcentagem, min, max;
  bool operator==(const MaxMinRow&) const = default;
};

std::vector<MaxMinRow> MaxMin(ClientTable& t) {
  const int codigo = fmaxmin::codigo, descricao = fmaxmin::descricao,
            porcentagem = fmaxmin::porcentagem, min = fmaxmin::min, max = fmaxmin::max;
  std::vector<MaxMinRow> out;
  for (ClientTable::RowId r : t.OrderedRows())
    out.push_back({std::string(t.RowText(r, codigo)), std::string(t.RowText(r, descricao)),
                   t.RowFloat(r, porcentagem), t.RowFloat(r, min), t.RowFloat(r, max)});
  return out;
}

void PrintTo(const MaxMinRow& r, std::ostream* os) {
  *os << "{" << r.codigo << ", " << r.descricao << ", " << r.porcentagem << "%, " << r.min << ", "
      << r.max << "}";
}

// cdsaliq rows as (codigo, descricao, al_cad, al_vend, data); the
// description as the product holds it.
using AliqRow = std::tuple<std::string, std::string, std::string, std::string, std::string>;

std::vector<AliqRow> Aliq(ClientTable& t) {
  const int codigo = faliq::codigo, descricao = faliq::descricao, al_cad = faliq::al_cad,
            al_vend = faliq::al_vend, data = faliq::data;
  std::vector<AliqRow> out;
  for (ClientTable::RowId r : t.OrderedRows())
    out.emplace_back(t.RowText(r, codigo), t.RowText(r, descricao), t.RowText(r, al_cad),
                     t.RowText(r, al_vend), t.RowText(r, data));
  return out;
}

TEST(ProductChecks, SpreadOfUnitValues) {
  struct Case {
    const char* name;
    std::vector<long long> units;  // cents, one item each
    std::vector<MaxMinRow> rows;
  } cases[] = {
      {"160%", {1000, 1500, 1600}, {{"P1", "ARROZ", 160, 10, 16}}},
      {"order of the items does not matter", {1600, 1000, 1500}, {{"P1", "ARROZ", 160, 10, 16}}},
      {"exactly 150%", {1000, 1500}, {}},
      {"150,9% is cut to 150", {1000, 1509}, {}},
      {"151%", {1000, 1510}, {{"P1", "ARROZ", 151, 10, 15.10}}},
      {"one value", {1000}, {}},
      {"lowest 0: highest cut", {0, 15199}, {{"P1", "ARROZ", 151, 0, 151.99}}},
      {"lowest 0, highest below 151", {0, 15099}, {}},
      {"lowest 0 hides a wide spread", {1000, 1600, 0}, {}},
      {"no items", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSession t;
    std::vector<std::string> lines{R75("P1", "ARROZ"), R60R("P1", 10000, "1700")};
    for (long long unit : c.units) lines.push_back(Item("P1", unit));
    // Another product's items are not the product's.
    lines.push_back(Item("P2", 100));
    lines.push_back(Item("P2", 100000));
    Check(t, lines);
    EXPECT_EQ(MaxMin(t.dtm.cdsmaxmin), c.rows);
    EXPECT_TRUE(t.dtm.cdsaliq.IsEmpty());
  }
}

TEST(ProductChecks, SpreadListedOncePerProduct) {
  TestSession t;
  Check(t, {R75("P1", "  FEIJAO  "), R60R("P1", 100, "1700"), R60R("P1", 100, "1200"),
            Item("P1", 1000, "1700"), Item("P1", 2000, "1200")});
  // The description is trimmed.
  EXPECT_EQ(MaxMin(t.dtm.cdsmaxmin), (std::vector<MaxMinRow>{{"P1", "FEIJAO", 200, 10, 20}}));
  // Sold at both of its rates: each 60R row lists the item at the other one.
  EXPECT_EQ(t.dtm.cdsaliq.RecordCount(), 2);
}

TEST(ProductChecks, ZeroCodes) {
  // clang-format off
  struct Case {
    const char* code;
    bool zero;
  } cases[] = {
      {"000", true}, {"0", true},   {"0,5", true}, {"", true},     {"1", false},
      {"1,5", false}, {"ABC", false}, {"0A", false}, {"100", false},
  };
  // clang-format on
  const std::string header =
      "PRODUTOS COM CODIGOS ZERADOS.\n\r" + std::string(44, '-') + "\n\r\n\r";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("code \"") + c.code + "\"");
    TestSession t;
    Check(t, {R75(c.code, "PRODUTO"), R60R(c.code, 100, "1700")});
    const ProblemList& list = t.s.sintegra.problems.zero_codes;
    EXPECT_EQ(list.flag, c.zero);
    // The entry is the description, not the code.
    EXPECT_EQ(list.text, c.zero ? header + Described("PRODUTO") + "\n\r" : header);
    EXPECT_FALSE(t.s.sintegra.problems.without_75.flag);
  }
}

TEST(ProductChecks, ZeroCodeWithoutProductIsListedBlankAndMissing) {
  TestSession t;
  Check(t, {R60R("0", 100, "1700")});
  EXPECT_EQ(t.s.sintegra.problems.zero_codes.text,
            "PRODUTOS COM CODIGOS ZERADOS.\n\r" + std::string(44, '-') + "\n\r\n\r\n\r");
  EXPECT_EQ(t.s.sintegra.problems.without_75.text,
            "PRODUTOS SEM 75 CORRESPONDENTE.\n\r" + std::string(44, '-') + "\n\r\n\r0\n\r");
}

TEST(ProductChecks, RatesComparedAsText) {
  struct Case {
    const char* product_rate;
    const char* sold_rate;
    bool listed;
  } cases[] = {
      {"1700", "1700", false}, {"17,00", "1700", true}, {"1700", "17", true},
      {"1700", "17,0", true},  {"F", "F", false},       {"F", "f", true},
      {"I", "ISS", true},      {"ISS", "I", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.product_rate) + " / " + c.sold_rate);
    TestSession t;
    // Straight into the tables: a rate of record 60R is four columns wide,
    // so "17,00" cannot come from a file.
    ClientTable& r60 = t.dtm.cds_60r;
    r60.Append();
    r60.SetText(f60r::codigo, "P1");
    r60.SetText(f60r::aliquota, c.product_rate);
    r60.Post();
    ClientTable& items = t.dtm.cds_60i_item;
    items.Append();
    items.SetText(f60i_item::codigo, "P1");
    items.SetText(f60i_item::data, "05/03/2024");
    items.SetText(f60i_item::aliquota, c.sold_rate);
    items.SetMoney(f60i_item::valor, Money::FromUnits(10));
    items.Post();
    ProductChecks(t.s);
    std::vector<AliqRow> rows = Aliq(t.dtm.cdsaliq);
    ASSERT_EQ(rows.size(), c.listed ? 1u : 0u);
    if (c.listed) {
      EXPECT_EQ(std::get<3>(rows[0]), c.sold_rate);
      EXPECT_EQ(std::get<4>(rows[0]), "05/03/2024");
    }
  }
}

TEST(ProductChecks, OneAliqRowPerProductDayAndSoldRate) {
  TestSession t;
  Check(t,
        {R75("P1", "ARROZ"), R60R("P1", 100, "1700"),
         // twice on the 5th at 12%: other unit value, other printer
         Item("P1", 1000, "1200"), R60I("ECF2", "P1", 1000, 1100, "1200"),
         Item("P1", 1000, "1200", "20240306"), Item("P1", 1000, "0700"), Item("P1", 1000, "1700")});
  const std::vector<AliqRow> rows = Aliq(t.dtm.cdsaliq);
  const std::string arroz = Described("ARROZ");
  EXPECT_EQ(std::set<AliqRow>(rows.begin(), rows.end()),
            (std::set<AliqRow>{{"P1", arroz, "1700", "1200", "05/03/2024"},
                               {"P1", arroz, "1700", "1200", "06/03/2024"},
                               {"P1", arroz, "1700", "0700", "05/03/2024"}}));
  EXPECT_EQ(rows.size(), 3u);
}

TEST(ProductChecks, ProductSoldAtTwoRatesIsListedUnderBothOfIts60RRows) {
  TestSession t;
  Check(t, {R75("P1", "ARROZ"), R60R("P1", 100, "1700"), R60R("P1", 100, "1200"),
            Item("P1", 1000, "1700"), Item("P1", 1000, "1200"), Item("P1", 1100, "1200")});
  // Each 60R row lists the items sold at the other rate, once per day.
  const std::string arroz = Described("ARROZ");
  EXPECT_EQ(Aliq(t.dtm.cdsaliq),
            (std::vector<AliqRow>{{"P1", arroz, "1700", "1200", "05/03/2024"},
                                  {"P1", arroz, "1200", "1700", "05/03/2024"}}));
}

TEST(ProductChecks, GaugeEndsAtTheNumberOf60RRows) {
  TestSession t;
  Check(t, {R75("P1", "ARROZ"), R60R("P1", 100, "1700"), R60R("P2", 100, "1700"),
            R60R("P3", 100, "1700")});
  EXPECT_EQ(t.frm.progresso.max(), 3);
  EXPECT_EQ(t.frm.progresso.position(), 3);
  // P2 and P3 have no record 75.
  EXPECT_EQ(t.s.sintegra.problems.without_75.text,
            "PRODUTOS SEM 75 CORRESPONDENTE.\n\r" + std::string(44, '-') + "\n\r\n\rP2\n\rP3\n\r");
}

}  // namespace
}  // namespace fiscora

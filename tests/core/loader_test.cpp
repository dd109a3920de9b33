// The record loader, its working files, counters and labels; the ICMS
// totalizer; the file choice and record 10.
#include "sintegra/loader.h"

#include <gtest/gtest.h>

#include <bit>
#include <fstream>
#include <sstream>

#include "sintegra/header.h"
#include "sintegra/layout.h"
#include "sintegra/totalizer.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;

Money Sum(ClientTable& t, const char* field) {
  Money sum;
  int f = t.FieldIndex(field);
  for (auto row : t.OrderedRows()) sum += Money::FromRaw(t.RowRaw(row, f));
  return sum;
}

TEST(Loader, FillsTablesCountersAndLabels) {
  TestSession t;
  std::string f = t.File({
      R10().str(), R50("1102", 10000, 'T', 10, 10000, 1800).str(),
      R50("5102", 20000, 'P', 11, 20000, 3600).str(),
      Rec("54")
          .Put(rec54::kCnpj, "11222333000181")
          .Put(rec54::kModelo, "01")
          .Put(rec54::kSerie, "1")
          .Put(rec54::kNumero, "000010")
          .Put(rec54::kCfop, "1102")
          .Put(rec54::kCst, "000")
          .Put(rec54::kItem, "001")
          .Put(rec54::kCodigo, "P1")
          .Num(rec54::kQuantidade, 2500)
          .Num(rec54::kValor, 1990)
          .Num(rec54::kDesconto, 0)
          .Num(rec54::kBaseCalculo, 0)
          .Num(rec54::kValorIpi, 0)
          .Put(rec54::kAliquota, "1800")
          .str(),
      R60M("ECF1", "001").str(), R60A("ECF1", "1700", 10000).str(), R60A("ECF1", "CANC", 500).str(),
      R60I("ECF1", "P1", 2000, 250, "1700").str(),  // 2 x 2,50
      R60I("ECF1", "P1", 1000, 250, "1700").str(),  // same day, serial and rate: one row
      R60D("ECF1", "P1", 750, "1700").str(), R60D("ECF1", "P1", 250, "1700").str(),
      R60R("P1", 750, "1700").str(), R61R(300).str(), R74("P1", 1500, 300).str(),  // 1,5 x 2,00
      R74("P2", 1000, 0).str(),  // value 0: counted, not loaded
      R75("P1", "ARROZ TIPO 1", "UNID").str(),
      Rec("60a").str(),  // lower case: no known sub-type
  });
  t.s.sintegra.expected_lines = CountLines(t.s, f);
  LoadSintegraFile(t.s, f, LoadMode::Normal);

  const RecordCounters& c = t.s.sintegra.counters;
  EXPECT_EQ(c.r50, 2);
  EXPECT_EQ(c.r60a, 2);
  EXPECT_EQ(c.r60i, 2);
  EXPECT_EQ(c.r60r, 1);
  EXPECT_EQ(c.r74, 2);
  EXPECT_EQ(c.r75, 1);
  EXPECT_EQ(t.frm.lbl50.text(), "2");
  EXPECT_EQ(t.frm.lbl60i.text(), "2");
  EXPECT_EQ(t.frm.lbl74.text(), "2");
  EXPECT_EQ(t.s.sintegra.inventory_date, "31/03/2024");
  EXPECT_EQ(t.frm.progresso.position(), 0);

  ClientTable& n = t.dtm.cds_50;
  ASSERT_EQ(n.RecordCount(), 2);
  n.First();
  EXPECT_EQ(n.AsInteger(f50::numero), 10);
  EXPECT_EQ(n.AsString(f50::data_emiss), "05/03/2024");
  EXPECT_EQ(n.AsCurrency(f50::valor_total), Money::FromUnits(100));
  EXPECT_EQ(n.AsInteger(f50::ntf), 1);
  n.Next();
  EXPECT_EQ(n.AsInteger(f50::ntp), 1);
  EXPECT_EQ(n.Aggregate("sum_ntp").integer, 1);

  ClientTable& i = t.dtm.cds_54;
  i.First();
  EXPECT_EQ(i.AsString(f54::quantidade), "00000002,500");
  EXPECT_EQ(i.AsCurrency(f54::valor), Money::FromRaw(199000));

  ASSERT_EQ(t.dtm.cds_60i.RecordCount(), 1);
  EXPECT_EQ(Sum(t.dtm.cds_60i, "valor"), Money::FromRaw(75000));  // 5,00 + 2,50
  ASSERT_EQ(t.dtm.cds_60d.RecordCount(), 1);
  EXPECT_EQ(Sum(t.dtm.cds_60d, "valor"), Money::FromUnits(10));

  ClientTable& item = t.dtm.cds_60i_item;
  ASSERT_EQ(item.RecordCount(), 1);
  item.First();
  EXPECT_EQ(item.AsString(f60i_item::codigo), "P1");
  EXPECT_EQ(item.AsCurrency(f60i_item::valor), Money::FromRaw(25000));
  EXPECT_DOUBLE_EQ(item.AsFloat(f60i_item::quantidade), 3.0);
  EXPECT_EQ(item.AsCurrency(f60i_item::valor_total), Money::FromRaw(75000));

  ClientTable& inv = t.dtm.cds_inventario;
  ASSERT_EQ(inv.RecordCount(), 1);
  inv.First();
  EXPECT_EQ(inv.AsString(f74::codigo), "P1            ");  // not trimmed
  EXPECT_DOUBLE_EQ(inv.AsFloat(f74::quantidade), 1.5);
  EXPECT_EQ(inv.AsCurrency(f74::unitario), Money::FromUnits(2));

  t.dtm.cds_produt.First();
  EXPECT_EQ(t.dtm.cds_produt.AsString(f75::unidade), "UN");

  // Totalizer: 50 entry and exit, 60A by rate (CANC not).
  ClientTable& tot = t.dtm.cds_totalizador_icms;
  ASSERT_TRUE(tot.Locate("registro;tipo", {"50", "E"}));
  EXPECT_EQ(tot.AsCurrency(ftotalizador_icms::valor_icms), Money::FromUnits(18));
  ASSERT_TRUE(tot.Locate("registro;tipo", {"60a", "1700"}));
  EXPECT_EQ(tot.AsCurrency(ftotalizador_icms::valor_icms), Money::FromUnits(17));
  EXPECT_FALSE(tot.Locate("registro;tipo", {"60a", "CANC"}));
}

TEST(Loader, WorkingFilesCopyLinesByteForByte) {
  TestSession t;
  std::string odd = R60A("ECF1", "1700", 100).str() + "  trailing \xE9";  // longer, 1252 byte
  std::string path =
      t.dir.Write("in.txt", {R60M("ECF1", "001").str(), odd, R50("5102", 1).str()}, "\n", false);
  LoadSintegraFile(t.s, path, LoadMode::Normal);
  EXPECT_EQ(Slurp(WorkingFile(t.s, "60a", LoadMode::Normal)), odd + "\r\n");
  EXPECT_EQ(Slurp(WorkingFile(t.s, "60m", LoadMode::Normal)), R60M("ECF1", "001").str() + "\r\n");
  EXPECT_EQ(Slurp(WorkingFile(t.s, "50", LoadMode::Normal)), R50("5102", 1).str() + "\r\n");
  for (const char* kind : {"60r", "60d", "60i", "61R"})
    EXPECT_EQ(Slurp(WorkingFile(t.s, kind, LoadMode::Normal)), "") << kind;
}

TEST(Loader, RateIIsNotSummedIntoIss) {
  TestSession t;
  std::string f =
      t.File({R60I("ECF1", "P1", 1000, 100, "ISS").str(), R60I("ECF1", "P2", 1000, 300, "I").str(),
              R60D("ECF1", "P1", 100, "ISS").str(), R60D("ECF1", "P2", 300, "I").str()});
  LoadSintegraFile(t.s, f, LoadMode::Normal);
  for (ClientTable* table : {&t.dtm.cds_60i, &t.dtm.cds_60d}) {
    SCOPED_TRACE(table->name());
    ASSERT_EQ(table->RecordCount(), 2);
    ASSERT_TRUE(table->Locate("aliquota", {"I"}));
    EXPECT_EQ(table->FieldByName("valor").AsCurrency(), Money::FromUnits(3));
  }
}

TEST(Loader, ItemValueRoundsTiesToEven) {
  TestSession t;
  // 0,005 x 0,01 = 0,00005 -> 0,0000 (tie to even); 0,015 x 0,01 -> 0,0002.
  std::string f = t.File({R60I("E", "A", 5, 1, "1700").str(), R60I("E", "B", 15, 1, "1800").str()});
  LoadSintegraFile(t.s, f, LoadMode::Normal);
  ASSERT_TRUE(t.dtm.cds_60i.Locate("aliquota", {"1700"}));
  EXPECT_EQ(t.dtm.cds_60i.AsCurrency(f60i::valor).raw(), 0);
  ASSERT_TRUE(t.dtm.cds_60i.Locate("aliquota", {"1800"}));
  EXPECT_EQ(t.dtm.cds_60i.AsCurrency(f60i::valor).raw(), 2);
}

TEST(Loader, WithoutInventoryAndCountersPerLoad) {
  TestSession t;
  std::string with = t.dir.Write("a.txt", {R75("P1", "X").str(), R74("P1", 1000, 100).str()});
  std::string without = t.dir.Write("b.txt", {R50("5102", 100).str()});
  LoadSintegraFile(t.s, with, LoadMode::Normal);
  EXPECT_EQ(t.s.sintegra.counters.r75, 1);
  LoadSintegraFile(t.s, without, LoadMode::Normal);
  EXPECT_EQ(t.s.sintegra.counters.r75, 0);
  EXPECT_EQ(t.s.sintegra.counters.r74, 0);
  EXPECT_EQ(t.frm.lbl74.text(), "0");
  EXPECT_EQ(t.frm.lbldatainv.text(), "  /  /    ");
  EXPECT_EQ(t.s.sintegra.inventory_date, "");
}

TEST(Loader, InventoryModes) {
  TestSession t;
  t.dtm.cds_totalizador_icms.Append();
  t.dtm.cds_totalizador_icms.Post();
  std::string f = t.File({R50("5102", 100).str(), R60A("E", "1700", 100).str(),
                          R74("ABCDEFGHIJKLMN", 2000, 1000).str(), R74("P0", 1000, 0).str(),
                          R75("P1", "PRODUTO").str()});
  LoadSintegraFile(t.s, f, LoadMode::INV_INI);
  EXPECT_EQ(t.dtm.cds_totalizador_icms.RecordCount(), 0);
  EXPECT_EQ(t.dtm.cds_50.RecordCount(), 0);
  EXPECT_EQ(t.dtm.cds_60a.RecordCount(), 0);
  ASSERT_EQ(t.dtm.cds_inv_ini.RecordCount(), 1);
  t.dtm.cds_inv_ini.First();
  // The whole 14-character code, as in cds_inventario (the audit joins on it).
  EXPECT_EQ(t.dtm.cds_inv_ini.AsString(f74::codigo), "ABCDEFGHIJKLMN");
  EXPECT_EQ(t.dtm.cds_produt_inv_ini.RecordCount(), 1);
  EXPECT_EQ(t.s.sintegra.counters.r74, 2);
  EXPECT_EQ(t.s.sintegra.counters.r75, 1);
  EXPECT_EQ(t.s.sintegra.counters.r50, 0);
  EXPECT_EQ(t.frm.lbl50.text(), "0");
  EXPECT_EQ(t.frm.lbl60a.text(), "0");
  EXPECT_EQ(t.s.sintegra.inventory_date, "");  // only a "Normal" load takes the date
  for (const char* kind : {"60m", "60r", "60d", "60i", "50", "60a", "61R"}) {
    auto p = WorkingFile(t.s, kind, LoadMode::INV_INI);
    EXPECT_TRUE(std::filesystem::exists(p)) << p;
    EXPECT_EQ(std::filesystem::file_size(p), 0u) << p;
  }
  LoadSintegraFile(t.s, f, LoadMode::INV_FIM);
  EXPECT_EQ(t.dtm.cds_inv_fim.RecordCount(), 1);
}

TEST(Loader, ConversionErrorStopsAndKeepsEarlierRows) {
  TestSession t;
  std::string f = t.File({R50("5102", 100, 'T', 1).str(), R50("5102", 200, 'T', 2).str(),
                          R50("5102", 300, 'T', 3).Put(rec50::kValorTotal, "0000000X00300").str(),
                          R50("5102", 400, 'T', 4).str()});
  try {
    LoadSintegraFile(t.s, f, LoadMode::Normal);
    FAIL() << "no error";
  } catch (const ConversionError& e) {
    EXPECT_EQ(e.file(), f);
    EXPECT_EQ(e.line(), 3);
    EXPECT_EQ(e.record(), "50");
    EXPECT_EQ(e.first_column(), 57);
    EXPECT_EQ(e.last_column(), 69);
    EXPECT_EQ(e.text(), "0000000X00300");
    EXPECT_EQ(e.field(), "valor total");
  }
  EXPECT_EQ(t.dtm.cds_50.RecordCount(), 2);
  EXPECT_EQ(t.dtm.cds_50.state(), ClientTable::State::kBrowse);
  // The working files were closed: they can be read and hold the two lines.
  EXPECT_EQ(Slurp(WorkingFile(t.s, "50", LoadMode::Normal)),
            R50("5102", 100, 'T', 1).str() + "\r\n" + R50("5102", 200, 'T', 2).str() + "\r\n");
}

// The tables summed by a key (cds_60i, cds_60d, cds_60i_item) hold the same
// rows, in the same order, with the same sums to the last bit and the same
// current row, whether the load starts on empty tables (their rows found by
// the load's own map) or on tables that already hold a row (every row
// located in the table); also when the load stops at a faulty line, whose
// earlier lines are summed.
TEST(Loader, SummedTablesAgreeWithLocatedRows) {
  std::vector<std::string> lines;
  const char* codes[] = {"P1", "P1 ", "p1", "P2"};
  for (int i = 0; i < 60; ++i) {
    const std::string day = i % 3 == 0 ? "20240305" : "20240306";
    // Quantities of a tenth of a unit, whose double sums depend on their order.
    lines.push_back(R60I(i % 2 ? "ECF1" : "ECF2", codes[i % 4], 100 + i % 7, i % 5 == 0 ? 250 : 199,
                         i % 6 == 0 ? "I" : "1700", day)
                        .str());
    lines.push_back(R60D("ECF1", codes[i % 4], 100 + i, i % 4 == 0 ? "ISS" : "I", day).str());
  }
  std::vector<std::string> faulty = lines;
  faulty.insert(
      faulty.begin() + 70,
      R60I("ECF1", "P1", 1000, 100, "1700").Put(rec60i::kQuantidade.Part(5, 1), "X").str());
  struct Seen {
    std::vector<std::string> rows;
    std::string current;
  };
  auto contents = [](ClientTable& t, size_t skip) {
    Seen seen;
    const auto& order = t.OrderedRows();
    for (size_t i = skip; i < order.size(); ++i) {
      std::string row;
      for (int f = 0; f < t.FieldCount(); ++f) {
        const FieldType type = t.FieldAt(f).type;
        if (type == FieldType::kFloat)
          row += std::to_string(std::bit_cast<uint64_t>(t.RowFloat(order[i], f)));
        else
          row += t.RowAsString(order[i], f);
        row += '|';
      }
      seen.rows.push_back(row);
    }
    if (t.HasCurrent()) seen.current = t.RowAsString(t.CurrentRow(), t.FieldIndex("data"));
    EXPECT_GT(seen.rows.size(), 2u) << t.name();
    return seen;
  };
  for (const auto* input : {&lines, &faulty}) {
    SCOPED_TRACE(input == &lines ? "whole file" : "faulty line");
    std::vector<Seen> summed, located;
    for (bool seeded : {false, true}) {
      TestSession t;
      std::vector<ClientTable*> tables = {&t.dtm.cds_60i, &t.dtm.cds_60d, &t.dtm.cds_60i_item};
      if (seeded) {
        // A row no line's key matches.
        for (ClientTable* table : tables) {
          table->Append();
          table->SetText(table->FieldIndex("data"), "01/01/1999");
          table->Post();
        }
      }
      std::string f = t.File(*input);
      if (input == &lines)
        LoadSintegraFile(t.s, f, LoadMode::Normal);
      else
        EXPECT_THROW(LoadSintegraFile(t.s, f, LoadMode::Normal), ConversionError);
      for (ClientTable* table : tables)
        (seeded ? located : summed).push_back(contents(*table, seeded ? 1 : 0));
    }
    for (size_t i = 0; i < summed.size(); ++i) {
      EXPECT_EQ(summed[i].rows, located[i].rows) << i;
      EXPECT_EQ(summed[i].current, located[i].current) << i;
    }
  }
}

// Many lookups at once give what the lookups one by one give: the texts, the
// list of products without 75 and the product the table is left on. Codes
// twice in record 75 give the first; codes that differ by a blank or a
// letter's case are other codes.
TEST(Loader, ProductDescriptionsAgreeWithOneByOne) {
  const std::vector<std::string> lines = {R75("P2", "ARROZ").str(), R75("P1", "FEIJAO").str(),
                                          R75("P2", "SEGUNDO").str(), R75("P10", "").str()};
  const std::vector<std::string> codes = {"P1", "p2", "P2", "P3", "P10", "P1 ", "", "P2"};
  struct Run {
    std::vector<std::string> texts;
    std::string without_75, current;
  };
  auto run = [&](bool at_once) {
    TestSession t;
    LoadSintegraFile(t.s, t.File(lines), LoadMode::Normal);
    Run r;
    if (at_once) {
      ProductDescriptions descriptions(t.s);
      for (const std::string& c : codes) r.texts.emplace_back(descriptions.Of(c));
      descriptions.Finish();
    } else {
      for (const std::string& c : codes) r.texts.push_back(ProductDescription(t.s, c));
    }
    r.without_75 = t.s.sintegra.problems.without_75.text;
    r.current = t.dtm.cds_produt.AsString(f75::descricao);
    return r;
  };
  const Run one = run(false), many = run(true);
  EXPECT_EQ(many.texts, one.texts);
  EXPECT_EQ(many.without_75, one.without_75);
  EXPECT_EQ(many.current, one.current);
  EXPECT_EQ(Trim(one.texts[2]), "ARROZ");
}

TEST(Loader, ProblemListsOfProducts) {
  TestSession t;
  std::string f = t.File({R75("P1", "").str(), R75("P2", "ARROZ").str()});
  LoadSintegraFile(t.s, f, LoadMode::Normal);
  // The blank description is listed by the product's code.
  EXPECT_TRUE(t.s.sintegra.problems.blank_descriptions.flag);
  EXPECT_NE(t.s.sintegra.problems.blank_descriptions.text.find("P1\n\r"), std::string::npos);
  EXPECT_EQ(t.s.sintegra.problems.blank_descriptions.text.find("P2"), std::string::npos);

  EXPECT_EQ(Trim(ProductDescription(t.s, "P2")), "ARROZ");
  EXPECT_FALSE(t.s.sintegra.problems.without_75.flag);
  EXPECT_EQ(ProductDescription(t.s, "p2"), "");  // letter case counts
  EXPECT_EQ(ProductDescription(t.s, "p2"), "");
  EXPECT_TRUE(t.s.sintegra.problems.without_75.flag);
  EXPECT_EQ(t.s.sintegra.problems.without_75.text.substr(
                t.s.sintegra.problems.without_75.text.size() - 8),
            "p2\n\rp2\n\r");
}

TEST(Loader, CountLines) {
  TestSession t;
  EXPECT_EQ(CountLines(t.s, t.dir.Write("e.txt", {})), 0);
  EXPECT_EQ(CountLines(t.s, t.dir.Write("n.txt", {"a", "b", "c"}, "\n", false)), 3);
  EXPECT_EQ(CountLines(t.s, t.dir.Write("r.txt", {"a", "b"}, "\r\n", true)), 2);
  EXPECT_THROW(CountLines(t.s, (t.dir.path() / "missing.txt").string()), FileError);
}

TEST(Loader, Utf8FileLoadsLikeWindows1252) {
  TestSession a, b;
  std::vector<std::string> lines = {R75("P1",
                                        "A\xC7\xDA"
                                        "CAR")
                                        .str(),
                                    R60R("P1", 990, "1700").str()};
  std::string cp = a.File(lines);
  for (auto& l : lines) l = Cp1252ToUtf8(l);
  std::string utf = b.dir.Write("u.txt", lines, "\n");
  LoadSintegraFile(a.s, cp, LoadMode::Normal);
  LoadSintegraFile(b.s, utf, LoadMode::Normal);
  a.dtm.cds_produt.First();
  b.dtm.cds_produt.First();
  EXPECT_EQ(a.dtm.cds_produt.AsString(f75::descricao), b.dtm.cds_produt.AsString(f75::descricao));
  EXPECT_EQ(a.dtm.cds_produt.AsString(f75::unidade), "UN");
  EXPECT_EQ(b.dtm.cds_produt.AsString(f75::unidade), "UN");
  EXPECT_EQ(Sum(b.dtm.cds_60r, "valor"), Money::FromRaw(99000));
}

TEST(Totalizer, Cases) {
  TdtmCENTRAL d;
  TotalizeIcmsByCfop(d, "1102", "50", Money::FromUnits(100), Money::FromUnits(18));
  TotalizeIcmsByCfop(d, "5102", "50", Money::FromUnits(200), Money::FromUnits(36));
  TotalizeIcmsByCfop(d, "2102", "50", Money::FromUnits(10), Money::FromUnits(1));
  TotalizeIcmsByCfop(d, "3102", "50", Money::FromUnits(999), Money::FromUnits(9));  // import
  TotalizeIcmsByCfop(d, "", "50", Money::FromUnits(999), Money::FromUnits(9));
  TotalizeIcmsByRate(d, "1700", "60a", Money::FromUnits(100));
  TotalizeIcmsByRate(d, "1700", "60a", Money::FromRaw(500));  // 0,05 x 17% = 0,0085 -> 0,01
  TotalizeIcmsByRate(d, "17", "60a", Money::FromUnits(100));
  TotalizeIcmsByRate(d, "F", "60a", Money::FromUnits(50));
  // clang-format off
  struct Case {
    const char* registro;
    const char* tipo;
    int64_t base_raw, icms_raw;
  } cases[] = {
      {"50", "E", 1100000, 190000},   {"50", "S", 2000000, 360000},
      {"60a", "1700", 1000500, 170100}, {"60a", "17", 1000000, 1700},
      {"60a", "F", 500000, 0},
  };
  // clang-format on
  ClientTable& t = d.cds_totalizador_icms;
  EXPECT_EQ(t.RecordCount(), 5);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.registro) + "/" + c.tipo);
    ASSERT_TRUE(t.Locate("registro;tipo", {c.registro, c.tipo}));
    EXPECT_EQ(t.AsCurrency(ftotalizador_icms::base_calc).raw(), c.base_raw);
    EXPECT_EQ(t.AsCurrency(ftotalizador_icms::valor_icms).raw(), c.icms_raw);
  }
}

TEST(Loader, Record70IsAlwaysAnEntry) {
  TestSession t;
  Rec r70("70");
  r70.Put(rec70::kCfop, "5353").Num(rec70::kBaseCalculo, 10000).Num(rec70::kValorIcms, 1200);
  LoadSintegraFile(t.s, t.File({r70.str(), r70.str()}), LoadMode::Normal);
  ClientTable& tot = t.dtm.cds_totalizador_icms;
  ASSERT_TRUE(tot.Locate("registro;tipo", {"70", "E"}));
  EXPECT_EQ(tot.AsCurrency(ftotalizador_icms::base_calc), Money::FromUnits(200));
  EXPECT_EQ(tot.AsCurrency(ftotalizador_icms::valor_icms), Money::FromUnits(24));
  EXPECT_FALSE(tot.Locate("registro;tipo", {"70", "S"}));
}

TEST(Header, Identification) {
  TestSession t;
  std::string name(40, 'N');
  std::string f = t.File({R10("12345678000195", "20240301", "20240331", '2')
                              .Put(rec10::kRazaoSocial, name.substr(0, 35))
                              .str(),
                          R10("98765432000110", "20240401", "20240430", '3').str()});
  t.ui.open_file = f;
  sbtnarqClick(t.s);
  EXPECT_EQ(t.frm.edtarq.text(), f);
  EXPECT_TRUE(t.frm.sbtnverificar.enabled());
  EXPECT_TRUE(t.frm.btn_reg90.enabled());
  ClientTable& id = t.dtm.cds_ident;
  ASSERT_EQ(id.RecordCount(), 2);
  id.First();
  EXPECT_EQ(id.AsString(fident::cnpj), "12.345.678/0001-95");
  EXPECT_EQ(id.AsString(fident::empresa), name.substr(0, 35));  // the whole name
  EXPECT_EQ(id.AsString(fident::periodo), "01/03/2024 a 31/03/2024");
  // The labels show the second record 10.
  EXPECT_EQ(t.frm.lblCnpj.text(), "98.765.432/0001-10");
  EXPECT_EQ(t.frm.lblrazao.text(), "LOJA EXEMPLO COMERCIO DE ALIMENTOS ");
  EXPECT_EQ(t.frm.lbldataini.text(), "01/04/2024");
  EXPECT_EQ(t.frm.lbldatafim.text(), "30/04/2024");
  EXPECT_EQ(t.s.sintegra.current_period, "04/2024");
  EXPECT_EQ(t.frm.lbl_tipo_arq.text(), " 3 - Retificação");
  EXPECT_EQ(t.frm.lbl_tipo_arq2.text(), "Aditiva");
  EXPECT_TRUE(t.ui.messages.empty());
}

TEST(Header, FileTypeLabels) {
  // clang-format off
  struct Case {
    std::string code, label, label2;
  } cases[] = {{"1", "    1 - Normal", ""},     {"2", " 2 - Retificação", "Total"},
               {"3", " 3 - Retificação", "Aditiva"}, {"5", "5 - Desfazimento", ""},
               {"", "5 - Desfazimento", ""},   {"0", "5 - Desfazimento", ""}};
  // clang-format on
  TestSession t;
  for (const auto& c : cases) {
    SCOPED_TRACE("code '" + c.code + "'");
    t.s.sintegra.file_type = c.code;
    ShowFileType(t.s);
    EXPECT_EQ(t.frm.lbl_tipo_arq.text(), c.label);
    EXPECT_EQ(t.frm.lbl_tipo_arq2.text(), c.label2);
  }
  // A record 10 that stops before column 126 gives the empty code.
  t.ui.open_file = t.File({R10().CutAfter(rec10::kNatureza).str()});
  sbtnarqClick(t.s);
  EXPECT_EQ(t.s.sintegra.file_type, "");
  EXPECT_EQ(t.frm.lbl_tipo_arq.text(), "5 - Desfazimento");
}

TEST(Header, CancelledOrMissingFile) {
  TestSession t;
  t.dtm.cds_50.Append();
  t.dtm.cds_50.Post();
  t.ui.open_file.reset();  // cancelled
  sbtnarqClick(t.s);
  EXPECT_EQ(t.frm.edtarq.text(), "");
  EXPECT_FALSE(t.frm.sbtnverificar.enabled());
  EXPECT_TRUE(t.ui.messages.empty());
  EXPECT_EQ(t.dtm.cds_50.RecordCount(), 0);  // the reset emptied the tables

  t.ui.open_file = (t.dir.path() / "nao_existe.txt").string();
  sbtnarqClick(t.s);
  ASSERT_EQ(t.ui.messages.size(), 1u);
  EXPECT_EQ(t.ui.messages[0].title, "ATENÇÃO!!!");
  EXPECT_EQ(t.ui.messages[0].text,
            "O arquivo selecionado não existe! Tente localiza-lo novamente.");
  EXPECT_EQ(t.frm.edtarq.text(), "");
  EXPECT_EQ(t.s.sintegra.file_type, "0");

  // A file without record 10 leaves the identification empty.
  t.ui.open_file = t.File({R50("5102", 1).str()});
  sbtnarqClick(t.s);
  EXPECT_EQ(t.frm.lblCnpj.text(), "");
  EXPECT_EQ(t.frm.lbl_tipo_arq.text(), "");
  EXPECT_EQ(t.s.sintegra.file_type, "0");
}

}  // namespace
}  // namespace fiscora

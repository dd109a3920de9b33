// The notes sheet: note search, note analysis and note summary.
#include "sintegra/notes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sintegra/layout.h"
#include "sintegra/loader.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;

// A record 50 line of note `numero` with its total, base, exempt and other
// values in cents.
Rec Note(int numero, long long total, long long base, long long isento = 0, long long outras = 0,
         char emitente = 'T', std::string_view cfop = "1102") {
  return R50(cfop, total, emitente, numero, base)
      .Num(rec50::kIsenta, isento)
      .Num(rec50::kOutras, outras);
}

struct Item54 {
  std::string nota = "1";
  std::string n_item = "1";
  std::string code = "P1";
  std::string quantity = "00000001000";  // N 11 with 3 decimals
  long long valor = 0, desc = 0, base = 0, ipi = 0;
  std::string aliq = "1700";
};

Rec R54(const Item54& i) {
  Rec r("54");
  r.Put(rec54::kCnpj, "11222333000181").Put(rec54::kModelo, "01").Put(rec54::kSerie, "1  ");
  r.Put(rec54::kNumero, i.nota).Put(rec54::kCfop, "1102").Put(rec54::kCst, "000");
  r.Put(rec54::kItem, i.n_item).Put(rec54::kCodigo, i.code).Put(rec54::kQuantidade, i.quantity);
  r.Num(rec54::kValor, i.valor).Num(rec54::kDesconto, i.desc).Num(rec54::kBaseCalculo, i.base);
  r.Num(rec54::kBaseSt, 0).Num(rec54::kValorIpi, i.ipi).Put(rec54::kAliquota, i.aliq);
  return r;
}

void Load(TestSession& t, const std::vector<std::string>& lines) {
  LoadSintegraFile(t.s, t.File(lines), LoadMode::Normal);
}

int64_t NumeroOfCurrent(ClientTable& t) { return t.GetInteger(f50::numero); }

// ---------------------------------------------------------------- search

TEST(NoteSearch, FindsTheNoteAndOrdersTheGridByNumber) {
  struct Case {
    const char* text;
    bool found;
    bool message;
  } cases[] = {
      {"123", true, false},  {" 123 ", true, false}, {"99999", false, true},
      {"12a", false, false}, {"", false, false},     {"   ", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\"");
    TestSession t;
    Load(t, {Note(500, 100, 100), Note(123, 100, 100), Note(7, 100, 100)});
    ClientTable& notes = t.dtm.cds_50;
    notes.First();
    // Whatever the box held, the number given is the one looked up, and the
    // box shows it.
    t.frm.edt_pesq50.SetText("500");
    EXPECT_EQ(btn_pesq50Click(t.s, c.text), c.found);
    EXPECT_EQ(t.frm.edt_pesq50.text(), c.text);
    if (c.found) {
      EXPECT_EQ(notes.IndexFieldNames(), "numero");
      EXPECT_EQ(NumeroOfCurrent(notes), 123);
      notes.First();
      EXPECT_EQ(NumeroOfCurrent(notes), 7);
    } else {
      EXPECT_EQ(notes.IndexFieldNames(), "");
    }
    ASSERT_EQ(t.ui.messages.size(), c.message ? 1u : 0u);
    if (c.message) {
      EXPECT_EQ(t.ui.messages[0].title, "Atenção");
      EXPECT_EQ(t.ui.messages[0].text, "Nota não encontrada");
    }
  }
}

// ---------------------------------------------------------------- analysis

struct DifRow {
  int64_t numero;
  std::string vCont, vBase, vOutros, vIsentos, vIpi, difere;
  bool operator==(const DifRow&) const = default;
};

void PrintTo(const DifRow& r, std::ostream* os) {
  *os << "{" << r.numero << ", " << r.vCont << ", " << r.vBase << ", " << r.vOutros << ", "
      << r.vIsentos << ", " << r.vIpi << ", " << r.difere << "}";
}

std::vector<DifRow> Differences(const ClientTable& t) {
  std::vector<DifRow> out;
  const auto m = [&](ClientTable::RowId r, const char* f) {
    return Money::FromRaw(t.RowRaw(r, t.FieldIndex(f))).ToFixed4();
  };
  for (ClientTable::RowId r : t.OrderedRows())
    out.push_back({t.RowRaw(r, t.FieldIndex("numero")), m(r, "vCont"), m(r, "vBase"),
                   m(r, "vOutros"), m(r, "vIsentos"), m(r, "vIpi"), m(r, "difere")});
  return out;
}

TEST(NoteAnalysis, ListsNotesWhoseTotalDiffersFromItsParts) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::vector<DifRow> rows;
  } cases[] = {
      {"100 = 80 + 10 + 0 + IPI 10: not listed",
       {Note(1, 10000, 8000, 1000), R54({.nota = "1", .ipi = 600}),
        R54({.nota = "1", .n_item = "2", .ipi = 400})},
       {}},
      {"IPI 9,99: listed with 0,01",
       {Note(1, 10000, 8000, 1000), R54({.nota = "1", .ipi = 999})},
       {{1, "100.0000", "80.0000", "0.0000", "10.0000", "9.9900", "0.0100"}}},
      {"no IPI: base + exempt + other alone",
       {Note(1, 10000, 8000, 1000, 1000), Note(2, 10000, 8000)},
       {{2, "100.0000", "80.0000", "0.0000", "0.0000", "0.0000", "20.0000"}}},
      {"two record 50 lines of one note are summed",
       {Note(3, 10000, 10000), Note(3, 5000, 4000)},
       {{3, "150.0000", "140.0000", "0.0000", "0.0000", "0.0000", "10.0000"}}},
      {"one number of two issuers is one note",
       {Note(4, 10000, 10000, 0, 0, 'P'), Note(4, 10000, 5000, 0, 0, 'T')},
       {{4, "200.0000", "150.0000", "0.0000", "0.0000", "0.0000", "50.0000"}}},
      {"more parts than total: a negative difference",
       {Note(5, 10000, 10000), R54({.nota = "5", .ipi = 100})},
       {{5, "100.0000", "100.0000", "0.0000", "0.0000", "1.0000", "-1.0000"}}},
      {"items of a note without record 50 are ignored",
       {Note(6, 10000, 10000), R54({.nota = "77", .ipi = 100})},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSession t;
    Load(t, c.lines);
    EXPECT_EQ(bbtnAnalisarNotasClick(t.s), std::to_string(c.rows.size()));
    EXPECT_EQ(Differences(t.dtm.cds_dif_nota), c.rows);
  }
}

TEST(NoteAnalysis, RunTwiceListsOnce) {
  TestSession t;
  Load(t, {Note(1, 10000, 8000)});
  bbtnAnalisarNotasClick(t.s);
  EXPECT_EQ(bbtnAnalisarNotasClick(t.s), "1");
  EXPECT_EQ(t.dtm.cds_50_inv_ini.RecordCount(), 1);
}

TEST(NoteAnalysis, ItemNoteNumberThatIsNoIntegerEndsIt) {
  TestSession t;
  Load(t, {Note(1, 10000, 8000)});
  ClientTable& items = t.dtm.cds_54;
  items.Append();
  items.SetText(f54::nota, "12a");
  items.Post();
  EXPECT_THROW(bbtnAnalisarNotasClick(t.s), std::runtime_error);
  EXPECT_TRUE(t.dtm.cds_dif_nota.IsEmpty());
}

// ---------------------------------------------------------------- summary

struct SummaryRow {
  std::string cod_produto, quantidade, aliq, valor_un, desc, valor_tot, base_calc;
  bool operator==(const SummaryRow&) const = default;
};

void PrintTo(const SummaryRow& r, std::ostream* os) {
  *os << "{" << r.cod_produto << ", " << r.quantidade << ", " << r.aliq << ", " << r.valor_un
      << ", " << r.desc << ", " << r.valor_tot << ", " << r.base_calc << "}";
}

std::vector<SummaryRow> Summary(const ClientTable& t) {
  std::vector<SummaryRow> out;
  const auto text = [&](ClientTable::RowId r, const char* f) {
    return std::string(t.RowText(r, t.FieldIndex(f)));
  };
  const auto m = [&](ClientTable::RowId r, const char* f) {
    return Money::FromRaw(t.RowRaw(r, t.FieldIndex(f))).ToFixed4();
  };
  for (ClientTable::RowId r : t.OrderedRows())
    out.push_back({text(r, "cod_produto"), text(r, "quantidade"), text(r, "aliq"), m(r, "valor_un"),
                   m(r, "desc"), m(r, "valor_tot"), m(r, "base_calc")});
  return out;
}

TEST(NoteSummary, ItemsOfTheNoteInReverseOrder) {
  struct Case {
    const char* name;
    Item54 item;
    SummaryRow row;
  } cases[] = {
      {"unit value is value over quantity",
       {.quantity = "00000004000", .valor = 1000, .desc = 100, .base = 900},
       {"P1", "4", "1700", "2.5000", "1.0000", "9.0000", "9.0000"}},
      {"a fractional quantity in its shortest form",
       {.quantity = "00000002500", .valor = 1000},
       {"P1", "2,5", "1700", "4.0000", "0.0000", "10.0000", "0.0000"}},
      {"freight: no unit value, its amount in the discount",
       {.n_item = "991", .valor = 5000, .desc = 1500, .base = 1500},
       {"P1", "1", "FRET", "0.0000", "15.0000", "15.0000", "15.0000"}},
      {"quantity 0: unit value 0",
       {.quantity = "00000000000", .valor = 1000},
       {"P1", "0", "1700", "0.0000", "0.0000", "10.0000", "0.0000"}},
      {"blank quantity: unit value 0",
       {.quantity = "           ", .valor = 1000},
       {"P1", "", "1700", "0.0000", "0.0000", "10.0000", "0.0000"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSession t;
    Item54 other = c.item;
    other.nota = "2";
    Load(t, {R75("P1", "ARROZ"), Note(1, 100, 100), R54(c.item), R54(other)});
    FillNoteSummary(t.s, "1");
    EXPECT_EQ(Summary(t.dtm.cds_resumo_50), std::vector<SummaryRow>{c.row});
  }

  TestSession t;
  Load(t, {R75("A", "ARROZ"), R75("B", "FEIJAO"), R54({.code = "A"}), R54({.nota = "2"}),
           R54({.nota = "000001", .n_item = "2", .code = "B"}), R54({.n_item = "3", .code = "C"})});
  FillNoteSummary(t.s, "1");
  const ClientTable& r = t.dtm.cds_resumo_50;
  ASSERT_EQ(r.RecordCount(), 3);
  std::vector<std::string> codes, descriptions;
  for (ClientTable::RowId row : r.OrderedRows()) {
    codes.emplace_back(r.RowText(row, fresumo_50::cod_produto));
    descriptions.emplace_back(Trim(r.RowText(row, fresumo_50::descricao)));
  }
  EXPECT_EQ(codes, (std::vector<std::string>{"C", "B", "A"}));
  // C has no record 75: an empty description, and the code in the list.
  EXPECT_EQ(descriptions, (std::vector<std::string>{"", "FEIJAO", "ARROZ"}));
  EXPECT_TRUE(t.s.sintegra.problems.without_75.flag);
}

struct RateRow {
  std::string aliquota, base, icms;
  bool operator==(const RateRow&) const = default;
};

void PrintTo(const RateRow& r, std::ostream* os) {
  *os << "{" << r.aliquota << ", " << r.base << ", " << r.icms << "}";
}

TEST(NoteSummary, RateTableGroupsByExactRate) {
  struct Case {
    const char* name;
    std::vector<Item54> items;  // of note 1, in file order
    std::vector<RateRow> rates;
  } cases[] = {
      {"two 1700 items: one row",
       {{.base = 10000, .aliq = "1700"}, {.n_item = "2", .base = 5000, .aliq = "1700"}},
       {{"1700", "150.0000", "25.5000"}}},
      {"17 and 1700 are two rates",
       {{.base = 10000, .aliq = "17"}, {.n_item = "2", .base = 10000, .aliq = "1700"}},
       // rows in summary order: the second item first
       {{"1700", "100.0000", "17.0000"}, {"17", "100.0000", "0.1700"}}},
      {"rate 0000 and freight left out",
       {{.base = 10000, .aliq = "0000"},
        {.n_item = "991", .base = 10000, .aliq = "1700"},
        {.n_item = "3", .base = 1000, .aliq = "1200"}},
       {{"1200", "10.0000", "1.2000"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSession t;
    std::vector<std::string> lines;
    for (const Item54& i : c.items) lines.push_back(R54(i));
    Load(t, lines);
    FillNoteSummary(t.s, "1");
    ClientTable rates(RateSummaryDef());
    FillRateSummary(t.dtm.cds_resumo_50, rates);
    std::vector<RateRow> got;
    for (ClientTable::RowId r : rates.OrderedRows())
      got.push_back({std::string(rates.RowText(r, 0)),
                     Money::FromRaw(rates.RowRaw(r, 1)).ToFixed4(),
                     Money::FromRaw(rates.RowRaw(r, 2)).ToFixed4()});
    EXPECT_EQ(got, c.rates);
  }
}

TEST(NoteSummary, EnterOnTheGridSummarisesTheCurrentNote) {
  struct Case {
    char emitente;
    const char* emissao;
  } cases[] = {{'T', "Terceiros"}, {'P', "Própria"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.emitente);
    TestSession t;
    Load(t, {Note(1, 100, 100), Note(42, 100, 100, 0, 0, c.emitente), R54({.nota = "42"}),
             R54({.nota = "42", .n_item = "2"}), R54({.nota = "1"})});
    ClientTable& notes = t.dtm.cds_50;
    notes.Last();
    auto header = dbg_50Enter(t.s);
    ASSERT_TRUE(header);
    const auto labels = NoteSummaryLabels(*header, t.dtm.cds_resumo_50.RecordCount());
    EXPECT_EQ(labels, (std::vector<std::pair<std::string, std::string>>{
                          {"lbl_itens", "2"},
                          {"lbl_nota", "42"},
                          {"lbl_data", "05/03/2024"},
                          {"lbl_uf", "SP"},
                          {"lbl_cnpj", "11222333000181"},
                          {"lbl_ie", "ISENTO"},
                          {"lbl_modelo", "01"},
                          {"lbl_serie", "1  "},  // as the loader keeps it
                          {"lbl_emissao", c.emissao},
                      }));
  }
  TestSession empty;
  EXPECT_FALSE(dbg_50Enter(empty.s));
}

}  // namespace
}  // namespace fiscora

// The aliquot totals analysis: the 60A/60I and 60A/60D comparisons with
// their thresholds, the printers, the per-rate summary, and the export of
// its six tables.
#include "sintegra/aliquots.h"

#include <gtest/gtest.h>

#include <optional>

#include "export/table_export.h"
#include "sintegra_fixture.h"
#include "xlsx_reader.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;

struct TotaliqRow {
  std::string aliquotas, data, serie_ecf;
  double aliq_60a, aliq_60i, diferenca, aliq_60d, dif_60d;
  bool operator==(const TotaliqRow&) const = default;
};
void PrintTo(const TotaliqRow& r, std::ostream* os) {
  *os << "{" << r.aliquotas << "|" << r.data << "|" << r.serie_ecf << "|" << r.aliq_60a << "|"
      << r.aliq_60i << "|" << r.diferenca << "|" << r.aliq_60d << "|" << r.dif_60d << "}";
}

std::vector<TotaliqRow> Totaliq(const ClientTable& t) {
  std::vector<TotaliqRow> out;
  auto text = [&](ClientTable::RowId r, const char* f) {
    return std::string(t.RowText(r, t.FieldIndex(f)));
  };
  auto num = [&](ClientTable::RowId r, const char* f) { return t.RowFloat(r, t.FieldIndex(f)); };
  for (ClientTable::RowId r : t.OrderedRows())
    out.push_back({text(r, "aliquotas"), text(r, "data"), text(r, "serie_ecf"), num(r, "aliq_60a"),
                   num(r, "aliq_60i"), num(r, "diferenca"), num(r, "aliq_60d"), num(r, "dif_60d")});
  return out;
}

struct ResRow {
  std::string aliquotas;
  double reg60a, reg60d, reg60i, reg60r;
  bool operator==(const ResRow&) const = default;
};
void PrintTo(const ResRow& r, std::ostream* os) {
  *os << "{" << r.aliquotas << "|" << r.reg60a << "|" << r.reg60d << "|" << r.reg60i << "|"
      << r.reg60r << "}";
}

std::vector<ResRow> ResAliq(const ClientTable& t) {
  std::vector<ResRow> out;
  auto num = [&](ClientTable::RowId r, const char* f) { return t.RowFloat(r, t.FieldIndex(f)); };
  for (ClientTable::RowId r : t.OrderedRows())
    out.push_back({std::string(t.RowText(r, fres_aliq::aliquotas)), num(r, "reg60a"),
                   num(r, "reg60d"), num(r, "reg60i"), num(r, "reg60r")});
  return out;
}

// One day, one printer (slot "001"), one rate: the 60A total against the
// 60I and 60D totals.
struct Thresholds {
  const char* name;
  long long a, i;  // cents
  std::optional<long long> d;
  double diferenca, dif_60d;
};
void PrintTo(const Thresholds& c, std::ostream* os) { *os << c.name; }

class AliquotThresholds : public ::testing::TestWithParam<Thresholds> {};

TEST_P(AliquotThresholds, DifferenceReportedOrNot) {
  const Thresholds& c = GetParam();
  TestSession t;
  std::vector<std::string> lines = {R60M("SER1", "001"), R60A("SER1", "1700", c.a),
                                    R60I("SER1", "P1", 1000, c.i, "1700")};
  if (c.d) lines.push_back(R60D("SER1", "P1", *c.d, "1700"));
  t.Verify(lines);
  bbtn_analisarClick(t.s);
  const double a = static_cast<double>(c.a) / 100, i = static_cast<double>(c.i) / 100;
  const double d = c.d ? static_cast<double>(*c.d) / 100 : 0;
  EXPECT_EQ(
      Totaliq(t.dtm.cds_totaliq),
      (std::vector<TotaliqRow>{{"1700", "05/03/2024", "001", a, i, c.diferenca, d, c.dif_60d}}));
}

INSTANTIATE_TEST_SUITE_P(Aliquots, AliquotThresholds,
                         ::testing::Values(
                             // p = 1 but 1,50 more than ten cents above
                             Thresholds{"i_150_above", 10000, 10150, std::nullopt, 1.5, 0},
                             // p = -1 and below: no 60I difference; the 60D test is symmetric
                             Thresholds{"i_150_below", 10000, 9850, 9850, 0, 1.5},
                             // exactly ten cents is not more than ten cents
                             Thresholds{"ten_cents_above", 100000, 100010, 100010, 0, 0},
                             Thresholds{"eleven_cents_above", 100000, 100011, 99989, 0.11, 0.11},
                             Thresholds{"ten_cents_below", 100000, 99990, 99990, 0, 0},
                             // 2 % below is reported
                             Thresholds{"two_percent_below", 10000, 9800, 9800, 2.0, 2.0},
                             // a 60A total of 0: a difference exactly when the other is not 0
                             Thresholds{"zero_60a_zero_others", 0, 0, 0, 0, 0},
                             Thresholds{"zero_60a_others_not", 0, 5, 100, 0.05, 1.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Aliquots, PrintersWithoutASlotAreThePrinterWithoutAName) {
  TestSession t;
  t.Verify({
      R60M("SER1", "001"),
      R60A("SER1", "1700", 10000),
      R60I("SER1", "P1", 1000, 10000, "1700"),
      R60A("SEMSLOT", "1700", 2000),
      R60I("SEMSLOT", "P1", 1000, 2000, "1700"),
      R60D("SER1", "P1", 10000, "1700"),
      // no slot: matched to the row of the printers without a slot, not to
      // the previous 60D row's printer "001"
      R60D("OUTRA", "P1", 2500, "1700"),
  });
  bbtn_analisarClick(t.s);
  EXPECT_EQ(Totaliq(t.dtm.cds_totaliq),
            (std::vector<TotaliqRow>{{"1700", "05/03/2024", "001", 100, 100, 0, 100, 0},
                                     {"1700", "05/03/2024", "", 20, 20, 0, 25, 5}}));
}

TEST(Aliquots, MatchesAreExactAndTheSummaryLeavesSituationsOut) {
  TestSession t;
  t.Verify({
      R60M("SER1", "001"),
      R60A("SER1", "1700", 10000),
      R60A("SER1", "17", 500),  // not the row of "1700"
      R60A("SER1", "I", 300),   // situations: compared, not summed
      R60A("SER1", "CANC", 200),
      R60I("SER1", "P1", 1000, 10000, "1700"),
      R60I("SER1", "P2", 1000, 300, "I"),
      R60I("SER1", "P3", 1000, 700, "1200"),              // no 60A of this rate
      R60I("SER1", "P4", 1000, 900, "1700", "20240306"),  // another day
      R60D("SER1", "P1", 10000, "170"),                   // a rate that is only the start of "1700"
      R60R("P1", 12345, "1700"),
  });
  bbtn_analisarClick(t.s);
  EXPECT_EQ(Totaliq(t.dtm.cds_totaliq),
            (std::vector<TotaliqRow>{{"1700", "05/03/2024", "001", 100, 100, 0, 0, 0},
                                     {"I", "05/03/2024", "001", 3, 3, 0, 0, 0}}));
  EXPECT_EQ(ResAliq(t.dtm.cds_res_aliq), (std::vector<ResRow>{{"1700", 100, 0, 109, 123.45},
                                                              {"17", 5, 0, 0, 0},
                                                              {"170", 0, 100, 0, 0},
                                                              {"I", 0, 0, 3, 0},
                                                              {"1200", 0, 0, 7, 0}}));
  // The totals of the sheet.
  EXPECT_DOUBLE_EQ(t.dtm.cds_totaliq.Aggregate("tot_dif_60i").floating, 0);
}

TEST(Aliquots, WithoutRecord60ATheDifferencesAreEmptyAndTheRunEndsAsUsual) {
  TestSession t;
  t.Verify({R60M("SER1", "001"), R60I("SER1", "P1", 1000, 10000, "1700"),
            R60D("SER1", "P1", 10000, "1700")});
  t.ui.messages.clear();
  bbtn_analisarClick(t.s);
  EXPECT_TRUE(t.dtm.cds_totaliq.IsEmpty());
  ASSERT_EQ(t.ui.messages.size(), 1u);
  EXPECT_EQ(t.ui.messages[0].title, "Fiscora");
  EXPECT_EQ(t.ui.messages[0].text, "Análise efetuada com sucesso");
  EXPECT_FALSE(t.frm.bbtn_analisar.enabled());
  EXPECT_TRUE(t.frm.btn_opcao_aliq.visible());
  EXPECT_EQ(t.frm.progresso.position(), 0);
}

TEST(Aliquots, EveryChoiceOfTheOptionsWindowExportsItsTable) {
  TestSession t;
  t.Verify({R60M("SER1", "001"), R60A("SER1", "1700", 10000),
            R60I("SER1", "P1", 1000, 10150, "1700"), R60D("SER1", "P1", 10000, "1700"),
            R60R("P1", 10150, "1700")});
  bbtn_analisarClick(t.s);
  for (const AliquotTableChoice& c : kAliquotTableChoices) {
    SCOPED_TRACE(c.radio);
    EXPECT_EQ(FindAliquotTableChoice(c.key), &c);
    EXPECT_EQ(FindAliquotTableChoice(c.radio), &c);
    const ClientTable& table = *t.dtm.Find(c.table);
    Workbook book = TableWorkbook(t.s, table);
    EXPECT_EQ(book.sheet_name(), "Planilha");
    ASSERT_EQ(book.ColumnCount(1), table.FieldCount());
    for (int k = 0; k < table.FieldCount(); ++k)
      EXPECT_EQ(book.At(1, k + 1).text, table.FieldAt(k).name);
    EXPECT_EQ(book.RowCount(), table.RecordCount() + 1);
    EXPECT_TRUE(book.At(2, 1).text_format);
  }
  EXPECT_EQ(FindAliquotTableChoice("60x"), nullptr);

  // "Gerar" writes the chosen table; with nothing chosen nothing happens.
  t.ui.messages.clear();
  btn1Click(t.s, nullptr);
  EXPECT_TRUE(t.ui.messages.empty());
  if (!XlsxReaderAvailable()) GTEST_SKIP() << "openpyxl (python3-openpyxl) not installed";
  const std::filesystem::path file = t.dir.path() / "diferencas.xlsx";
  t.ui.save_file = file.string();
  btn1Click(t.s, FindAliquotTableChoice("rb_dif"));
  ASSERT_EQ(t.ui.messages.size(), 1u);
  EXPECT_EQ(t.ui.messages[0].text, "Arquivo Salvo !!!");
  auto sheets = ReadXlsx(file);
  ASSERT_TRUE(sheets);
  const XlsxSheet& s = sheets->at(0);
  EXPECT_EQ(s.title, "Planilha");
  const char* header[] = {"aliquotas", "data",      "serie_ecf", "aliq_60a",
                          "aliq_60i",  "diferenca", "aliq_60d",  "dif_60d"};
  for (int k = 0; k < 8; ++k) {
    ASSERT_NE(s.At(1, k + 1), nullptr);
    EXPECT_EQ(s.At(1, k + 1)->value, header[k]);
  }
  ASSERT_NE(s.At(2, 1), nullptr);
  EXPECT_EQ(s.At(2, 1)->value, "1700");
  EXPECT_EQ(s.At(2, 1)->format, "@");
  EXPECT_EQ(s.At(2, 3)->value, "001");  // the printer's name keeps its zeros
  EXPECT_EQ(s.At(2, 5)->value, "101.5");
  EXPECT_EQ(s.At(2, 6)->value, "1.5");
  EXPECT_EQ(s.LastRow(), 2);
}

}  // namespace
}  // namespace fiscora

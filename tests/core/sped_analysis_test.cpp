// The SPED analysis: the split into block files with the participants, and
// the reader of notes, fiscal-printer movement, DIFAL candidates and ICMS
// totals.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "data/json.h"
#include "sped/analysis.h"
#include "sped_fixture.h"
#include "tools/sped_generator.h"

namespace fiscora {
namespace {

using testing::C100;
using testing::C170;
using testing::C190;
using testing::FileLines;
using testing::P0150;
using testing::Sped;
using testing::TestSession;

Money Cents(int64_t cents) { return Money::FromRaw(cents * 100); }

// Values of a table's rows in its current order, one field.
std::vector<std::string> Column(ClientTable& t, std::string_view field) {
  std::vector<std::string> out;
  int f = t.FieldIndex(field);
  for (ClientTable::RowId r : t.OrderedRows()) out.push_back(t.RowAsString(r, f));
  return out;
}

Money MoneyAt(ClientTable& t, int row, std::string_view field) {
  return Money::FromRaw(t.RowRaw(t.OrderedRows()[static_cast<size_t>(row)], t.FieldIndex(field)));
}

struct Analysed : TestSession {
  bool c481 = false;
  void Run(const std::vector<std::string>& lines) { c481 = AnalyseSpedFile(s, File(lines)); }
};

TEST(SpedSplit, BlockFilesAndParticipants) {
  TestSession t;
  std::vector<std::string> lines = {
      "|0000|017|0|01012024|31012024|LOJA|12345678000195||SP|1|3550308||A|1|",
      P0150("P1", "AGUA D'OURO LTDA", "11222333000181", "", ""),
      P0150("P2", "COM IE", "11222333000262", "", "123456789"),
      P0150("P3", "PESSOA", "", "12345678909", "0"),
      "|C001|0|",
      "|C100|0|1|",
      "|C170|1|",
      "| C100 |",
      "",
      "|C990|4|",
      "|D001|0|",
      "|D100|0|",
      "|D990|2|",
      "|9999|12|",
      "|C100|after the end|",
  };
  SpedSplit split = SplitSpedForAnalysis(t.s, t.File(lines));
  EXPECT_EQ(split.c_lines, (std::vector<uint32_t>{5, 6, 7, 8}));
  EXPECT_EQ(split.d_lines, (std::vector<uint32_t>{11, 12}));
  EXPECT_EQ(FileLines(t.s.working_folder / "blocoCM.txt"),
            (std::vector<std::string>{"|C001|0|", "|C100|0|1|", "|C170|1|", "| C100 |"}));
  EXPECT_EQ(FileLines(t.s.working_folder / "blocoDM.txt"),
            (std::vector<std::string>{"|D001|0|", "|D100|0|"}));
  ClientTable& parts = t.dtm.cds_0150M;
  EXPECT_EQ(Column(parts, "cod_part"), (std::vector<std::string>{"P1", "P3"}));
  EXPECT_EQ(Column(parts, "nome"), (std::vector<std::string>{"AGUA DOURO LTDA", "PESSOA"}));
  EXPECT_EQ(Column(parts, "cnpj"), (std::vector<std::string>{"11222333000181", "0"}));
  EXPECT_EQ(Column(parts, "cpf"), (std::vector<std::string>{"0", "12345678909"}));
  EXPECT_EQ(Column(parts, "ie"), (std::vector<std::string>{"0", "0"}));
}

TEST(SpedSplit, BlockFilesKeepTheInputBytes) {
  TestSession t;
  // Windows-1252 and CP850 bytes go to the block file unchanged; the
  // participant's name is decoded.
  for (std::string name : {std::string("A\xC7\xC3O"), std::string("A\x80\xC7O")}) {
    SCOPED_TRACE(name);
    SplitSpedForAnalysis(
        t.s, t.File({P0150("P1", name, "11222333000181", "", ""), "|C100|" + name + "|"}));
    EXPECT_EQ(FileLines(t.s.working_folder / "blocoCM.txt"),
              std::vector<std::string>{"|C100|" + name + "|"});
    EXPECT_EQ(Column(t.dtm.cds_0150M, "nome"), std::vector<std::string>{"AÇÃO"});
  }
}

TEST(SpedNotes, NotesItemsAndCfopColumns) {
  Analysed t;
  t.Run({
      "|C001|0|",
      Sped("C100", 29, {{2, "1"}, {3, "0"}, {6, "02"}, {8, "11"}}),  // cancelled, empty values
      C100("1", "", "12", "05032024", "1000,00", "800,00", "144,00"),
      C170("5102", "100,00", "100,00", "90,00"),
      C170("5949", "50,00", "50,00", "50,00"),
      C170("3102", "7,00", "0", "0"),
      C170("6405", "1,50", "0", "0"),
      C100("0", "", "13", "06032024", "200,00", "200,00", "24,00"),
      C170("1102", "200,00", "0", "0"),
      C170("2910", "3,00", "0", "0"),
      "|C990|9|",
  });
  ClientTable& n = t.dtm.cds_nf_sped;
  ASSERT_EQ(n.RecordCount(), 3);
  EXPECT_EQ(Column(n, "codigo_nota"), (std::vector<std::string>{"11", "12", "13"}));
  EXPECT_EQ(Column(n, "data_nota"),
            (std::vector<std::string>{"  /  /  ", "05/03/2024", "06/03/2024"}));
  EXPECT_EQ(Column(n, "tipo"), (std::vector<std::string>{"S", "S", "E"}));
  EXPECT_EQ(MoneyAt(n, 0, "vl_nota"), Money());
  EXPECT_EQ(MoneyAt(n, 1, "vl_nota"), Cents(100000));
  EXPECT_EQ(MoneyAt(n, 1, "vl_pis"), Cents(165));
  EXPECT_EQ(MoneyAt(n, 1, "vl_cofins"), Cents(760));
  EXPECT_EQ(MoneyAt(n, 1, "tot_prod"), Cents(15850));
  EXPECT_EQ(MoneyAt(n, 1, "bc_pis"), Cents(15000));
  EXPECT_EQ(MoneyAt(n, 1, "bc_cofins"), Cents(14000));  // the items' own COFINS base
  EXPECT_EQ(MoneyAt(n, 1, "5102"), Cents(10000));
  EXPECT_EQ(MoneyAt(n, 1, "S5_OUTROS"), Cents(5000));
  EXPECT_EQ(MoneyAt(n, 1, "6405"), Cents(150));
  EXPECT_EQ(MoneyAt(n, 2, "1102"), Cents(20000));
  EXPECT_EQ(MoneyAt(n, 2, "E2_Outros"), Cents(300));
  EXPECT_EQ(MoneyAt(n, 2, "E1_Outros"), Money());
  // ICMS per direction of C100.
  ClientTable& tot = t.dtm.cds_totalizador_icms;
  ASSERT_TRUE(tot.Locate("registro;tipo", {"C100", "S"}));
  EXPECT_EQ(tot.GetMoney(ftotalizador_icms::base_calc), Cents(80000));
  EXPECT_EQ(tot.GetMoney(ftotalizador_icms::valor_icms), Cents(14400));
  ASSERT_TRUE(tot.Locate("registro;tipo", {"C100", "E"}));
  EXPECT_EQ(tot.GetMoney(ftotalizador_icms::valor_icms), Cents(2400));
}

TEST(SpedNotes, ChildrenBeforeTheirParentChangeNothing) {
  Analysed t;
  t.Run({C170("5102", "100,00", "1,00", "1,00"), "|C481|01|10,00|", "|C490|000|5102|0|10,00|",
         "|D101|0|1,00|01|01|5,00|1,65|0,08|", "|D105|0|1,00|01|01|5,00|7,60|0,38|"});
  EXPECT_EQ(t.dtm.cds_nf_sped.RecordCount(), 0);
  EXPECT_EQ(t.dtm.cds_mov_ecf_sped.RecordCount(), 0);
}

std::vector<std::string> Printers(const std::vector<std::string>& sales) {
  std::vector<std::string> lines = {"|C001|0|"};
  for (std::string_view serial : {"BE0101", "BE0202"}) {
    lines.push_back(Sped("C400", 5, {{2, "2D"}, {3, "MP-4000"}, {4, serial}, {5, " 3 "}}));
    for (std::string_view day : {"01032024", "02032024"}) {
      lines.push_back(Sped(
          "C405", 8, {{2, day}, {3, "1"}, {4, "10"}, {5, "99"}, {6, "5000,00"}, {7, "1000,00"}}));
      lines.insert(lines.end(), sales.begin(), sales.end());
    }
  }
  return lines;
}

TEST(SpedNotes, MovementWithC481) {
  Analysed t;
  t.Run(Printers(
      {"|C481|01|300,00|", "|C481| 49 |25,00|", "|C481|50|5,00|", "|C490|000|5405|0|99,00|"}));
  EXPECT_TRUE(t.c481);
  ClientTable& m = t.dtm.cds_mov_ecf_sped;
  ASSERT_EQ(m.RecordCount(), 4);
  EXPECT_EQ(Column(m, "ecf"), (std::vector<std::string>{"BE0101", "BE0101", "BE0202", "BE0202"}));
  EXPECT_EQ(Column(m, "num_caixa"), (std::vector<std::string>{"3", "3", "3", "3"}));
  EXPECT_EQ(Column(m, "data"),
            (std::vector<std::string>{"01/03/2024", "02/03/2024", "01/03/2024", "02/03/2024"}));
  for (int row = 0; row < 4; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(MoneyAt(m, row, "venda_bruta"), Cents(100000));
    EXPECT_EQ(MoneyAt(m, row, "venda_liquida"), Cents(33000));
    EXPECT_EQ(MoneyAt(m, row, "cst_01"), Cents(30000));
    EXPECT_EQ(MoneyAt(m, row, "cst_49"), Cents(2500));
  }
}

TEST(SpedNotes, MovementWithC490) {
  Analysed t;
  t.Run(
      Printers({"|C490|000|5102|17,00|300,00|", "|C490|060|5405|0|40,00|", "|C490|090|5929|0|9,00|",
                "|C420|T1700|1000,00|", "|C420|F1|50,00|", "|C420|I1|70,00|",
                // Not a register of block C for the split: never read.
                "|c420|T1700|1,00|"}));
  EXPECT_FALSE(t.c481);
  ClientTable& m = t.dtm.cds_mov_ecf_sped;
  ASSERT_EQ(m.RecordCount(), 4);
  EXPECT_EQ(MoneyAt(m, 3, "venda_liquida"), Cents(30000));
  EXPECT_EQ(MoneyAt(m, 3, "cst_01"), Cents(4000));
  EXPECT_EQ(MoneyAt(m, 3, "cst_99"), Money());
  ClientTable& tot = t.dtm.cds_totalizador_icms;
  ASSERT_TRUE(tot.Locate("registro;tipo", {"C420", "1700"}));
  EXPECT_EQ(tot.GetMoney(ftotalizador_icms::base_calc), Cents(400000));
  EXPECT_EQ(tot.GetMoney(ftotalizador_icms::valor_icms), Cents(68000));
  ASSERT_TRUE(tot.Locate("registro;tipo", {"C420", "F"}));
  EXPECT_EQ(tot.GetMoney(ftotalizador_icms::base_calc), Cents(20000));
  EXPECT_EQ(tot.GetMoney(ftotalizador_icms::valor_icms), Money());
  EXPECT_EQ(tot.RecordCount(), 2);
}

TEST(SpedNotes, DifalCandidates) {
  struct Case {
    std::string name;
    std::vector<std::string> cfops;
    bool stays;
  } cases[] = {
      {"interstate", {"6102", "6108"}, true},
      {"6929 on a line", {"6102", "6929"}, false},
      {"intrastate line", {"5102"}, false},
      {"no C190", {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Analysed t;
    std::vector<std::string> lines = {
        P0150("P1", "CLIENTE FINAL", "", "12345678909", ""),
        P0150("P2", "EMPRESA", "11222333000181", "", "ISENTO"),
        P0150("P3", "COM CNPJ", "11222333000262", "", "0"),
        C100("1", "P1", "500", "07032024", "10,00"),
    };
    for (const auto& cfop : c.cfops) lines.push_back(C190(cfop));
    lines.push_back(C100("1", "P2", "501", "07032024", "10,00"));  // has a registration
    lines.push_back(C100("0", "P1", "502", "07032024", "10,00"));  // an entry
    lines.push_back(C100("1", "P3", "503", "08032024", "10,00"));
    lines.push_back(C190("6102"));
    lines.push_back(C100("1", "P4", "504", "08032024", "10,00"));  // unknown participant
    lines.push_back(C190("5102"));  // a later note never removes an earlier candidate
    t.Run(lines);
    ClientTable& d = t.dtm.cds_difal;
    std::vector<std::string> numbers = Column(d, "numero");
    std::vector<std::string> expected =
        c.stays ? std::vector<std::string>{"500", "503"} : std::vector<std::string>{"503"};
    EXPECT_EQ(numbers, expected);
    if (c.stays) {
      EXPECT_EQ(Column(d, "documento")[0], "12345678909");  // the CPF, the CNPJ being empty
      EXPECT_EQ(Column(d, "nome")[0], "CLIENTE FINAL");
      EXPECT_EQ(Column(d, "data")[0], "07/03/2024");
      EXPECT_EQ(Column(d, "documento")[1], "11222333000262");
    }
  }
}

TEST(SpedNotes, TransportDocuments) {
  Analysed t;
  t.Run({
      "|D001|0|",
      Sped("D100", 23,
           {{2, "0"},
            {3, "1"},
            {4, "T1"},
            {5, "57"},
            {6, "00"},
            {9, "7788"},
            {11, "09032024"},
            {12, "10032024"},
            {15, "350,00"}}),
      "|D101|0|350,00|50|01|350,00|1,65|5,78|",
      "|D105|0|350,00|50|01|350,00|7,60|26,60|",
      "|D190|000|1353|12,00|350,00|350,00|42,00|0|",
      Sped("D100", 23, {{2, "0"}, {9, "7789"}, {15, "10,00"}}),
      "|D190|000|2353|12,00|10,00|10,00|1,20|0|",
      "|D990|7|",
  });
  ClientTable& n = t.dtm.cds_nf_sped;
  ASSERT_EQ(n.RecordCount(), 2);
  EXPECT_EQ(Column(n, "tipo"), (std::vector<std::string>{"CT", "CT"}));
  EXPECT_EQ(Column(n, "codigo_nota"), (std::vector<std::string>{"7788", "7789"}));
  EXPECT_EQ(Column(n, "data_nota"), (std::vector<std::string>{"10/03/2024", "  /  /  "}));
  EXPECT_EQ(MoneyAt(n, 0, "vl_nota"), Cents(35000));
  EXPECT_EQ(MoneyAt(n, 0, "frete"), Cents(35000));
  EXPECT_EQ(MoneyAt(n, 0, "bc_pis"), Cents(35000));
  EXPECT_EQ(MoneyAt(n, 0, "vl_pis"), Cents(578));
  EXPECT_EQ(MoneyAt(n, 0, "vl_cofins"), Cents(2660));
  ClientTable& tot = t.dtm.cds_totalizador_icms;
  ASSERT_TRUE(tot.Locate("registro;tipo", {"D190", "E"}));
  EXPECT_EQ(tot.GetMoney(ftotalizador_icms::valor_icms), Cents(4320));
}

TEST(SpedNotes, MalformedValuesNameTheInputLine) {
  struct Case {
    std::string name, line, record, field, text;
    int index;
    bool date;
  } cases[] = {
      {"note value", C100("1", "", "12", "05032024", "10.00"), "C100", "VL_DOC", "10.00", 11,
       false},
      {"note number", C100("1", "", "12A", "05032024", "1,00"), "C100", "NUM_DOC", "12A", 7, false},
      {"note date", C100("1", "", "12", "2024-03-05", "1,00"), "C100", "DT_DOC", "2024-03-05", 9,
       true},
      {"impossible date", C100("1", "", "12", "31022024", "1,00"), "C100", "DT_DOC", "31022024", 9,
       true},
      {"transport value", Sped("D100", 23, {{9, "1"}, {15, "x"}}), "D100", "VL_DOC", "x", 14,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Analysed t;
    std::string path;
    try {
      t.Run({"|0000|017|", "|C001|0|", c.line});
      FAIL() << "no error";
    } catch (const SpedConversionError& e) {
      EXPECT_EQ(e.file(), (t.dir.path() / "in.txt").string());
      EXPECT_EQ(e.line(), 3);
      EXPECT_EQ(e.record(), c.record);
      EXPECT_EQ(e.field(), c.field);
      EXPECT_EQ(e.field_index(), c.index);
      EXPECT_EQ(e.text(), c.text);
      EXPECT_EQ(e.is_date(), c.date);
    }
  }
}

// ------------------------------------------------------------ real files

// The fields of a line cut naively, empty ones kept: a second reading of
// the file that does not share the reader's field access.
std::vector<std::string> Naive(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream ss(line);
  std::string piece;
  while (std::getline(ss, piece, '|')) out.push_back(piece);
  return out;  // out[0] is the empty text before the first bar
}

Money NaiveMoney(const std::string& s) { return s.empty() ? Money() : ParseMoney(s).value(); }

TEST(SpedNotes, RealSamples) {
  std::filesystem::path folder = std::filesystem::path(FISCORA_SAMPLES) / "sped";
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no samples";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind("icmsipi", 0) != 0) continue;
    SCOPED_TRACE(entry.path().filename().string());
    ++files;
    // Counts and sums read naively, up to the 9999 line.
    std::ifstream in(entry.path(), std::ios::binary);
    std::string line;
    int notes = 0, reductions = 0;
    Money note_total, reduction_total;
    std::map<std::string, std::string> unregistered;  // participant -> document
    int unregistered_lines = 0;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::vector<std::string> f = Naive(line);
      if (f.size() < 2) continue;
      if (f[1] == "9999") break;
      if (f[1] == "C100" || f[1] == "D100") {
        ++notes;
        note_total += NaiveMoney(f[1] == "C100" ? f[12] : f[15]);
      } else if (f[1] == "C405") {
        ++reductions;
        reduction_total += NaiveMoney(f[7]);
      } else if (f[1] == "0150" && f.size() > 7 && (f[7].empty() || f[7] == "0")) {
        unregistered[f[2]] = f[5].empty() ? f[6] : f[5];
        ++unregistered_lines;
      }
    }
    Analysed t;
    bool c481 = AnalyseSpedFile(t.s, entry.path());
    EXPECT_FALSE(c481);
    ClientTable& n = t.dtm.cds_nf_sped;
    EXPECT_EQ(n.RecordCount(), notes);
    Money total;
    for (ClientTable::RowId r : n.OrderedRows())
      total += Money::FromRaw(n.RowRaw(r, fnf_sped::vl_nota));
    EXPECT_EQ(total, note_total);
    ClientTable& m = t.dtm.cds_mov_ecf_sped;
    EXPECT_EQ(m.RecordCount(), reductions);
    Money gross;
    for (ClientTable::RowId r : m.OrderedRows())
      gross += Money::FromRaw(m.RowRaw(r, fmov_ecf_sped::venda_bruta));
    EXPECT_EQ(gross, reduction_total);
    EXPECT_EQ(t.dtm.cds_0150M.RecordCount(), unregistered_lines);
    // Every DIFAL candidate is a note to one of those participants.
    ClientTable& d = t.dtm.cds_difal;
    for (const std::string& doc : Column(d, "documento")) {
      bool known = false;
      for (const auto& [code, document] : unregistered) known = known || document == doc;
      EXPECT_TRUE(known) << doc;
    }
  }
  EXPECT_GT(files, 5);
}

}  // namespace
}  // namespace fiscora

namespace fiscora {
namespace {

// The analysis reads block C while it splits the file; the split followed by
// the reader over the block files gives the same tables, also when
// participants come after the notes.
std::string Tables(TdtmCENTRAL& dtm) {
  return JsonText([&](JsonWriter& w) {
    w.BeginArray();
    for (ClientTable* t : {&dtm.cds_nf_sped, &dtm.cds_mov_ecf_sped, &dtm.cds_difal,
                           &dtm.cds_totalizador_icms, &dtm.cds_0150M})
      WriteTableRows(w, *t);
    w.EndArray();
  });
}

TEST(SpedNotes, ReadingWhileSplittingAgreesWithTheBlockFiles) {
  using testing::C100;
  using testing::C190;
  using testing::P0150;
  testing::TempDir dir;
  std::string generated = (dir.path() / "gen.txt").string();
  SpedGeneratorOptions options;
  options.encoding = SpedTextEncoding::kCp850;
  GenerateSped(generated, 4000, 5, options);
  std::string late = dir.Write("late.txt", {"|C001|0|", C100("1", "P1", "7", "01032024", "5,00"),
                                            C190("6102"), P0150("P1", "LATE", "", "1", "")});
  for (const std::string& file : {generated, late}) {
    SCOPED_TRACE(file);
    testing::TestSession a, b;
    AnalyseSpedFile(a.s, file);
    b.dtm.cds_nf_sped.EmptyDataSet();
    ReadSpedNotes(b.s, SplitSpedForAnalysis(b.s, file));
    EXPECT_EQ(Tables(a.dtm), Tables(b.dtm));
  }
  testing::TestSession t;
  AnalyseSpedFile(t.s, late);
  EXPECT_EQ(t.dtm.cds_difal.RecordCount(), 1);
}

}  // namespace
}  // namespace fiscora

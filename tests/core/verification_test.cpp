// The verification run: its messages, the sheets it shows, the printer
// panels, a second run on the same file, a missing path, a failing line and
// a real file from end to end.
#include "workflow/verification.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "sintegra/header.h"
#include "sintegra/layout.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;

const std::string kMissingTitle = "ATENÇÃO !!!";
const std::string kDone = "Verificação concluída com êxito!!!";

// Chooses a file of a record 10 and these lines, and verifies it.
std::vector<std::string> Titles(const TestSession& t) {
  std::vector<std::string> out;
  for (const RecordedMessage& m : t.ui.messages) out.push_back(m.title);
  return out;
}

// The problem lists as the run starts them.
std::string Listing(const char* title, char rule) {
  return std::string(title) + ".\n\r" + std::string(44, rule) + "\n\r\n\r";
}

// A description as record 75 holds it: 53 columns, blanks kept.
int64_t Sum(const ClientTable& t, const char* field) {
  const int f = t.FieldIndex(field);
  int64_t sum = 0;
  for (ClientTable::RowId r : t.OrderedRows()) sum += t.RowRaw(r, f);
  return sum;
}

TEST(Verification, WarnMissingRecordsNamesEachAbsentType) {
  const std::string start = "Não existem registros \n\r";
  // clang-format off
  struct Case {
    const char* name;
    RecordCounters counters;
    std::string text;  // empty: no message
  } cases[] = {
      {"all present", {.r50 = 1, .r60a = 1, .r60i = 1, .r60r = 1, .r74 = 0, .r75 = 1}, ""},
      {"none",
       {},
       start + "Tipo 60A. \n\r" + "Tipo 60R. \n\r" + "Tipo 60I. \n\r" + "Tipo 50. \n\r" +
           "Tipo 75. \n\r"},
      {"60I only", {.r50 = 2, .r60a = 2, .r60i = 0, .r60r = 2, .r74 = 2, .r75 = 2},
       start + "Tipo 60I. \n\r"},
      {"75 and 60A", {.r50 = 3, .r60a = 0, .r60i = 3, .r60r = 3, .r74 = 3, .r75 = 0},
       start + "Tipo 60A. \n\r" + "Tipo 75. \n\r"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSession t;
    t.s.sintegra.counters = c.counters;
    WarnMissingRecords(t.s);
    if (c.text.empty()) {
      EXPECT_TRUE(t.ui.messages.empty());
    } else {
      ASSERT_EQ(t.ui.messages.size(), 1u);
      EXPECT_EQ(t.ui.messages[0].title, kMissingTitle);
      EXPECT_EQ(t.ui.messages[0].text, c.text);
    }
  }
}

TEST(Verification, SuccessMessageOnlyWithRecord60R) {
  // clang-format off
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::vector<std::string> titles;
  } cases[] = {
      {"every type",
       {R50("5102", 100), R60A("E1", "1700", 100), R60I("E1", "P1", 1000, 100, "1700"),
        R60R("P1", 100, "1700"), R75("P1", "ARROZ")},
       {"Fiscora"}},
      {"without 60R",
       {R50("5102", 100), R60A("E1", "1700", 100), R60I("E1", "P1", 1000, 100, "1700"),
        R75("P1", "ARROZ")},
       {kMissingTitle}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSession t;
    t.Verify(c.lines);
    EXPECT_EQ(Titles(t), c.titles);
    if (c.titles.back() == "Fiscora") {
      EXPECT_EQ(t.ui.messages.back().text, kDone);
    }
    EXPECT_EQ(t.s.sintegra.loaded, c.titles.back() == "Fiscora");
    EXPECT_EQ(t.frm.progresso.position(), 0);
  }
}

TEST(Verification, ProblemMessageHoldsTheFlaggedLists) {
  const std::string header = Listing("PRODUTOS COM PROBLEMAS", '*');
  const std::string blank = Listing("PRODUTOS COM DESCRIÇÃO EM BRANCO", '-');
  const std::string zero = Listing("PRODUTOS COM CODIGOS ZERADOS", '-');
  const std::string missing = Listing("PRODUTOS SEM 75 CORRESPONDENTE", '-');
  const Rec good75 = R75("P1", "ARROZ"), good60r = R60R("P1", 100, "1700");
  const Rec blank75 = R75("77", ""), zero75 = R75("000", "FEIJAO"),
            zero60r = R60R("000", 100, "1700");
  const Rec lone60r = R60R("55", 100, "1700");
  // clang-format off
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::string text;  // empty: no problem message
  } cases[] = {
      {"no problem", {good75, good60r}, ""},
      {"without 75 only", {good75, good60r, lone60r}, header + missing + "55\n\r"},
      {"blank description only", {good75, good60r, blank75}, header + blank + "77\n\r"},
      {"zero code only", {zero75, zero60r}, header + zero + Described("FEIJAO") + "\n\r"},
      {"all three, in order",
       {lone60r, zero60r, blank75, zero75},
       header + blank + "77\n\r" + zero + Described("FEIJAO") + "\n\r" + missing + "55\n\r"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSession t;
    t.Verify(c.lines);
    std::vector<std::string> problems;
    for (const RecordedMessage& m : t.ui.messages)
      if (m.title == "Atenção") problems.push_back(m.text);
    if (c.text.empty()) {
      EXPECT_TRUE(problems.empty());
    } else {
      EXPECT_EQ(problems, std::vector<std::string>{c.text});
    }
    // Missing records first, the problems, then the success message.
    EXPECT_EQ(Titles(t).back(), "Fiscora");
    EXPECT_EQ(Titles(t).front(), kMissingTitle);
  }
}

TEST(Verification, SheetsFollowTheResultTables) {
  const std::string dados = "  Dados  ", compras = "  Compras x Vendas  ",
                    total = "Total Aliquotas", notas = "Notas Fiscais", sobre = "  Sobre  ",
                    maxmin = "  Máximo e mínimo  ", aliq = "  Aliquotas diferentes  ";
  // clang-format off
  struct Case {
    const char* name;
    std::vector<std::string> items;  // P1 is registered at 17%
    std::vector<std::string> tabs;
  } cases[] = {
      {"neither",
       {R60I("E1", "P1", 1000, 1000, "1700")},
       {dados, compras, total, notas, sobre}},
      {"spread only",
       {R60I("E1", "P1", 1000, 1000, "1700"), R60I("E1", "P1", 1000, 1600, "1700")},
       {dados, compras, total, notas, sobre, maxmin}},
      {"other rate only",
       {R60I("E1", "P1", 1000, 1000, "1200")},
       {dados, compras, total, notas, sobre, aliq}},
      {"both",
       {R60I("E1", "P1", 1000, 1000, "1700"), R60I("E1", "P1", 1000, 1600, "1200")},
       {dados, compras, maxmin, total, notas, sobre, aliq}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSession t;
    std::vector<std::string> lines{R75("P1", "ARROZ"), R60R("P1", 100, "1700")};
    lines.insert(lines.end(), c.items.begin(), c.items.end());
    t.Verify(lines);
    EXPECT_EQ(t.frm.pgcdados.VisibleCaptions(), c.tabs);
    EXPECT_EQ(t.frm.pgcdados.active(), &t.frm.tbsdados_emp);
    // A hidden sheet has lost its caption.
    for (const Control* sheet : {&t.frm.tbs_maxmin, &t.frm.tbs_aliqdif}) {
      if (!sheet->visible()) {
        EXPECT_EQ(sheet->text(), "") << sheet->name();
      }
    }
  }
}

TEST(Verification, PanelsOfPrinters4To6FollowTheFourthPrinter) {
  // clang-format off
  struct Case {
    int printers;
    bool shown;
  } cases[] = {{0, false}, {3, false}, {4, true}, {6, true}};
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.printers << " printers");
    TestSession t;
    std::vector<std::string> lines;
    for (int n = 1; n <= c.printers; ++n) {
      std::string order = "00" + std::to_string(n);
      lines.push_back(R60M("S" + order, order));
    }
    t.Verify(lines);
    EXPECT_EQ(t.s.sintegra.EcfSlotsUsed(), c.printers);
    for (const Control* panel : {&t.frm.pnlecf4, &t.frm.pnlecf5, &t.frm.pnlecf6})
      EXPECT_EQ(panel->visible(), c.shown) << panel->name();
  }
}

TEST(Verification, ControlsAfterARun) {
  TestSession t;
  t.Verify({R50("5102", 100), R60R("P1", 100, "1700"), R75("P1", "ARROZ")});
  const MainWindowState& f = t.frm;
  for (const Control* c :
       {&f.sbtnarq, &f.sbtn_sped, &f.edtarq, &f.btn_reg90, &f.sbtnAlterar_tipo, &f.bbtn_analisar})
    EXPECT_TRUE(c->enabled()) << c->name();
  // "Verificar" waits for a change of the path.
  EXPECT_FALSE(f.sbtnverificar.enabled());
  EXPECT_FALSE(f.lblaguarde.visible());
  EXPECT_TRUE(f.dbt_soma_inv_princ.visible());
  EXPECT_EQ(f.lbllinhas.text(), "4");
}

TEST(Verification, InventoryDateAndButton) {
  // clang-format off
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    const char* date;
    const char* count;
    bool button;
    int rows;
  } cases[] = {
      {"no record 74", {}, "  /  /    ", "0", false, 0},
      {"record 74", {R74("P1", 2000, 5000), R74("P2", 1000, 100, "20240229")}, "31/03/2024", "2",
       true, 2},
      {"only zero values", {R74("P1", 2000, 0)}, "31/03/2024", "1", true, 0},
      // clang-format on
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSession t;
    t.Verify(c.lines);
    EXPECT_EQ(t.frm.lbldatainv.text(), c.date);
    EXPECT_EQ(t.frm.lbl74.text(), c.count);
    EXPECT_EQ(t.frm.bbtn_verif_invent.enabled(), c.button);
    EXPECT_EQ(t.dtm.cds_inventario.RecordCount(), c.rows);
  }
}

TEST(Verification, SecondRunOnTheSameFileDoublesNothing) {
  TestSession t;
  t.Verify({R50("1102", 10000), R50("5102", 20000), R60M("E1", "001"), R60A("E1", "1700", 3000),
            R60A("E1", "DESC", 100), R60D("E1", "P1", 500, "1700"), R60D("E1", "P2", 700, "1700"),
            R60I("E1", "P1", 2000, 1000, "1700"), R60I("E1", "P1", 1000, 1600, "1200"),
            R60R("P1", 3600, "1700"), R75("P1", "ARROZ"), R74("P1", 1000, 1000)});
  auto snapshot = [&] {
    const TdtmCENTRAL& d = t.dtm;
    // clang-format off
    return std::vector<int64_t>{
        d.cds_50.RecordCount(),        d.cds_60a.RecordCount(),    d.cds_60r.RecordCount(),
        d.cds_60i.RecordCount(),       d.cds_60d.RecordCount(),    d.cds_60i_item.RecordCount(),
        d.cds_produt.RecordCount(),    d.cds_inventario.RecordCount(),
        d.cdsmaxmin.RecordCount(),     d.cdsaliq.RecordCount(),    Sum(d.cds_60i, "valor"),
        Sum(d.cds_60d, "valor"),       Sum(d.cds_60i_item, "valor_total")};
    // clang-format on
  };
  const std::vector<int64_t> first = snapshot();
  ASSERT_EQ(first[0], 2);
  ASSERT_EQ(Sum(t.dtm.cds_60i, "valor"), Money::FromUnits(36).raw());
  ASSERT_EQ(Sum(t.dtm.cds_60d, "valor"), Money::FromUnits(12).raw());
  const std::vector<std::string> labels{t.frm.lblsaidas.text(), t.frm.lblCupom.text(),
                                        t.frm.lblcupomecf1.text(), t.frm.lbldesc.text()};
  const size_t messages = t.ui.messages.size();

  // "Verificar" is disabled after a run: Enter in the file box does nothing.
  ASSERT_FALSE(t.frm.sbtnverificar.enabled());
  EdtarqEnter(t.s, t.frm.sbtnverificar.visible() && t.frm.sbtnverificar.enabled());
  EXPECT_EQ(t.ui.messages.size(), messages);

  sbtnverificarClick(t.s);
  EXPECT_EQ(snapshot(), first);
  EXPECT_EQ((std::vector<std::string>{t.frm.lblsaidas.text(), t.frm.lblCupom.text(),
                                      t.frm.lblcupomecf1.text(), t.frm.lbldesc.text()}),
            labels);
  // The same messages once more.
  ASSERT_EQ(t.ui.messages.size(), 2 * messages);
  for (size_t i = 0; i < messages; ++i)
    EXPECT_EQ(t.ui.messages[messages + i].text, t.ui.messages[i].text) << "message " << i;
}

TEST(Verification, PathOfAMissingFile) {
  // clang-format off
  struct Case {
    const char* name;
    std::string path;
    bool message;
    std::string left;  // edtarq afterwards
  } cases[] = {
      {"missing file", "/nonexistent/fiscora/nada.txt", true, ""},
      {"blanks only", "   ", false, "   "},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSession t;
    SetEdtarqText(t.s, c.path);
    sbtnverificarClick(t.s);
    std::vector<RecordedMessage> expected;
    if (c.message)
      expected.push_back(
          {"ATENÇÃO!!!", "O arquivo selecionado não existe! Tente localiza-lo novamente."});
    // The counters of the last load: none yet, so every type is missing.
    expected.push_back({kMissingTitle,
                        "Não existem registros \n\rTipo 60A. \n\rTipo 60R. \n\r"
                        "Tipo 60I. \n\rTipo 50. \n\rTipo 75. \n\r"});
    ASSERT_EQ(t.ui.messages.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(t.ui.messages[i].title, expected[i].title) << "message " << i;
      EXPECT_EQ(t.ui.messages[i].text, expected[i].text) << "message " << i;
    }
    EXPECT_EQ(t.frm.edtarq.text(), c.left);
    EXPECT_EQ(t.s.sintegra.file, c.left);
    EXPECT_TRUE(t.frm.sbtnarq.enabled());
  }
}

TEST(Verification, FailingFieldEndsTheRun) {
  // clang-format off
  struct Case {
    const char* name;
    std::vector<std::string> lines;  // after record 10
    const char* file;                // the file named in the error
    int line;
    int first_column, last_column;
    const char* text;
  } cases[] = {
      {"note value of the input file",
       {R50("1102", 100), R50("5102", 100).Put(rec50::kValorTotal, "00000000012X4"), R50("5102", 100)},
       "in.txt", 3, 57, 69, "00000000012X4"},
      {"series D value of its working file",
       {R50("1102", 100), R61R(100).Put(rec61r::kValor.Part(8, 1), "X")},
       "temp_61RNormal.txt", 1, 37, 52, "00000000X0000100"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSession t;
    std::vector<std::string> all{R10()};
    all.insert(all.end(), c.lines.begin(), c.lines.end());
    t.ui.open_file = t.File(all);
    sbtnarqClick(t.s);
    try {
      sbtnverificarClick(t.s);
      ADD_FAILURE() << "the run did not fail";
    } catch (const ConversionError& e) {
      EXPECT_EQ(std::filesystem::path(e.file()).filename(), c.file);
      EXPECT_EQ(e.line(), c.line);
      EXPECT_EQ(e.first_column(), c.first_column);
      EXPECT_EQ(e.last_column(), c.last_column);
      EXPECT_EQ(e.text(), c.text);
    }
    const MainWindowState& f = t.frm;
    for (const Control* control : {&f.sbtnarq, &f.sbtn_sped, &f.edtarq, &f.btn_reg90})
      EXPECT_TRUE(control->enabled()) << control->name();
    EXPECT_FALSE(f.sbtnverificar.enabled());
    // The notes read before the failing line are not kept.
    EXPECT_EQ(t.dtm.cds_50.RecordCount(), 0);
    EXPECT_TRUE(t.ui.messages.empty());
  }
}

TEST(Verification, SampleFileFromEndToEnd) {
  const std::filesystem::path sample =
      std::filesystem::path(FISCORA_SAMPLES) / "sintegra" / "t2ti-paf-ecf_sintegra.txt";
  if (!std::filesystem::exists(sample)) GTEST_SKIP() << "sample not found: " << sample;
  TestSession t;
  t.ui.open_file = sample.string();
  sbtnarqClick(t.s);
  sbtnverificarClick(t.s);
  const MainWindowState& f = t.frm;

  // 1066 lines: 40 of 60A, 50 of 75, no 50, 60I, 60R or 74.
  EXPECT_EQ(f.lbllinhas.text(), "1066");
  EXPECT_EQ(f.lbl60a.text(), "40");
  EXPECT_EQ(f.lbl60r.text(), "0");
  EXPECT_EQ(f.lbl60i.text(), "0");
  EXPECT_EQ(f.lbl50.text(), "0");
  EXPECT_EQ(f.lbl74.text(), "0");
  EXPECT_EQ(t.s.sintegra.counters.r75, 50);
  EXPECT_EQ(t.dtm.cds_60a.RecordCount(), 40);
  // 960 lines of 60D on two days of one printer, all without a rate.
  EXPECT_EQ(t.dtm.cds_60d.RecordCount(), 2);

  // Twelve 60M lines of four serials, all numbered 001: one slot.
  EXPECT_EQ(f.lblecf001.text(), "ECF 001:");
  EXPECT_EQ(f.lblecf002.text(), "ECF 000:");
  EXPECT_FALSE(f.pnlecf4.visible());
  EXPECT_EQ(f.lblcupomecf1.text(), "R$ 250,00");
  EXPECT_EQ(f.lbldescecf1.text(), "R$ ,00");
  EXPECT_EQ(f.lblcancecf1.text(), "R$ ,00");
  EXPECT_EQ(f.lblCupom.text(), "R$ 250,00");
  EXPECT_EQ(f.lblsaidas.text(), "R$ 250,00");
  EXPECT_EQ(f.lbltotal_bruto_cf.text(), "R$ 250,00");
  EXPECT_EQ(f.lblentradas.text(), "R$ 0,00");
  EXPECT_EQ(f.lbldesc.text(), "R$: 0,00");
  EXPECT_FALSE(f.gboxdif.visible());

  // No 60R: no product problems and no success message.
  ASSERT_EQ(t.ui.messages.size(), 1u);
  EXPECT_EQ(t.ui.messages[0].title, kMissingTitle);
  EXPECT_EQ(t.ui.messages[0].text,
            "Não existem registros \n\rTipo 60R. \n\rTipo 60I. \n\rTipo 50. \n\r");
  EXPECT_EQ(f.pgcdados.VisibleCaptions(),
            (std::vector<std::string>{"  Dados  ", "  Compras x Vendas  ", "Total Aliquotas",
                                      "Notas Fiscais", "  Sobre  "}));
}

}  // namespace
}  // namespace fiscora

// The audit loaders through the audit window's steps: a whole audit of two
// inventories and two periods with the steps on the test's thread and the
// bodies on worker threads, the markup check, repeated and thirteenth
// periods, an empty inventory, and errors inside a loader's body.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "audit/audit_window.h"
#include "audit/loaders.h"
#include "audit_fixture.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;

struct AuditSession {
  TempDir dir;
  HeadlessSession headless{dir.path() / "work", std::make_unique<EventLoopUserInterface>()};
  TdtmCENTRAL& dtm = headless.dtm;
  EventLoopUserInterface& ui = static_cast<EventLoopUserInterface&>(headless.ui);
  MainWindowState& frm = headless.frm;
  Session& s = headless.s;
  AuditState& a = s.audit;
  int changes = 0;

  AuditSession() {
    std::filesystem::create_directories(dir.path() / "work");
    a.changed = [this] { ++changes; };
  }
  std::string File(const std::string& name, const std::vector<std::string>& lines) const {
    return dir.Write(name, lines);
  }
  void InitialInventory(const std::string& path) {
    ui.open_file = path;
    btn_abrir_inv_iniClick(s);
    ui.Pump(s);
  }
  void FinalInventory(const std::string& path) {
    ui.open_file = path;
    btn_abrir_inv_fimClick(s);
    ui.Pump(s);
  }
  void Period(const std::string& path) {
    ui.open_file = path;
    btn_abrir_sintegraClick(s);
    btn_incluir_sintegraClick(s);
    ui.Pump(s);
  }
  double Figure(std::string_view code, std::string_view field) {
    ClientTable& audit = dtm.cds_audit;
    EXPECT_TRUE(audit.Locate("codigo", {code})) << code;
    return audit.FieldByName(field).AsFloat();
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& m : ui.messages) out.push_back(m.text);
    return out;
  }
};

std::vector<std::string> FreeSlots(int n) {
  return std::vector<std::string>(static_cast<size_t>(n), AuditState::kFreeSlot);
}

TEST(AuditLoaders, WholeAuditOfTwoInventoriesAndTwoPeriods) {
  AuditSession t;
  const std::string ini = t.File(
      "ini.txt", {R10Month("202401"), R75("P1", Described("ARROZ")), R75("P2", Described("FEIJAO")),
                  R74("P1", 10000, 5000), R74("P2", 5000, 2000)});
  const std::string fim =
      t.File("fim.txt", {R10Month("202403"), R75("P1", Described("ARROZ")),
                         R75("P3", Described("SAL")), R74("P1", 1000, 500), R74("P3", 4000, 400)});
  const std::string feb = t.File(
      "fev.txt", {R10Month("202402"), R54("P1", "1102", 5000, 2500), R54("P2", "5102", 1000, 900),
                  R60I("ECF1", "P1", 3000, 800, "T17"), R75("P1", Described("ARROZ"))});
  const std::string mar = t.File("mar.txt", {R10Month("202403"), R54("P1", "5102", 10000, 10000),
                                             R54("P4", "3102", 1000, 100)});

  t.InitialInventory(ini);
  EXPECT_EQ(t.a.edt_inv_ini, ini);
  EXPECT_EQ(t.s.sintegra.current_period, "01/2024");  // the initial inventory's header is read
  t.FinalInventory(fim);
  t.Period(feb);
  t.Period(mar);

  EXPECT_EQ(t.Texts(), std::vector<std::string>{});
  ClientTable& audit = t.dtm.cds_audit;
  EXPECT_EQ(audit.RecordCount(), 3);  // P4 only in a 3102 item: no row
  // P1: 10 + 5 - (3 by printer + 10) = 2 expected, 1 found: one sale without note.
  EXPECT_EQ(t.Figure("P1", "QTD_INICIAL"), 10);
  EXPECT_EQ(t.Figure("P1", "TOTALENTRADAS"), 5);
  EXPECT_EQ(t.Figure("P1", "SECF"), 3);
  EXPECT_EQ(t.Figure("P1", "TOTALSAIDAS"), 13);
  EXPECT_EQ(t.Figure("P1", "QTD_FINAL"), 1);
  EXPECT_EQ(t.Figure("P1", "OM_SAIDA"), 1);
  EXPECT_EQ(audit.AsCurrency(faudit::SECF_VAL), Money::FromUnits(24));
  // P2: 5 - 1, not in the final inventory.
  EXPECT_EQ(t.Figure("P2", "OM_SAIDA"), 4);
  // P3: only in the final inventory.
  EXPECT_EQ(t.Figure("P3", "OM_ENTRADA"), 4);

  // The window's state at the end.
  EXPECT_EQ(std::vector<std::string>(t.a.lbl_per.begin(), t.a.lbl_per.begin() + 2),
            (std::vector<std::string>{"02/2024", "03/2024"}));
  EXPECT_EQ(std::vector<std::string>(t.a.lbl_per.begin() + 2, t.a.lbl_per.end()), FreeSlots(10));
  for (const BusyPicture* p : {&t.a.img_ini, &t.a.img_fim, &t.a.img_sintegra}) {
    EXPECT_FALSE(p->visible);
    EXPECT_FALSE(p->animated);
  }
  EXPECT_FALSE(t.a.Busy());
  EXPECT_TRUE(t.a.Usable(t.a.btn_incluir_sintegra));
  EXPECT_GT(t.changes, 0);
  // The main window shows the last period, as if it had been opened there.
  EXPECT_EQ(t.frm.lbldataini.text(), "01/03/2024");
  EXPECT_EQ(t.dtm.cds_54.RecordCount(), 2);
}

TEST(AuditLoaders, WhileALoaderRunsNothingElseStarts) {
  AuditSession t;
  const std::string ini = t.File("ini.txt", {R10Month("202401"), R74("P1", 1000, 100)});
  const std::string feb = t.File("fev.txt", {R10Month("202402"), R54("P1", "5102", 1000, 100)});
  t.ui.open_file = ini;
  btn_abrir_inv_iniClick(t.s);
  ASSERT_TRUE(t.a.Busy());
  EXPECT_FALSE(t.a.Usable(t.a.btn_abrir_inv_fim));
  EXPECT_FALSE(t.a.Usable(t.a.btn_incluir_sintegra));
  EXPECT_FALSE(t.a.Usable(t.a.btn_excel));
  // Clicks meanwhile change nothing: no second loader, no reset, no dialog.
  t.a.edt_sintegra = feb;
  t.frm.lblrazao.SetText("X");
  btn_incluir_sintegraClick(t.s);
  btn_abrir_inv_fimClick(t.s);
  EXPECT_EQ(t.frm.lblrazao.text(), "X");
  EXPECT_EQ(t.a.edt_inv_fim, "");
  EXPECT_EQ(t.a.included_periods, std::vector<std::string>{});
  t.ui.Pump(t.s);
  EXPECT_FALSE(t.a.Busy());
  EXPECT_EQ(t.Figure("P1", "QTD_INICIAL"), 1);
}

// The window shows the gauge while a period's loader steps it on its worker.
TEST(AuditLoaders, GaugeIsReadWhileTheLoaderStepsIt) {
  AuditSession t;
  std::vector<std::string> lines = {R10Month("202402")};
  for (int i = 0; i < 3000; ++i) lines.push_back(R74("P" + std::to_string(i), 1000, 100));
  t.ui.open_file = t.File("fev.txt", lines);
  btn_abrir_sintegraClick(t.s);
  btn_incluir_sintegraClick(t.s);
  int seen = 0;
  t.ui.Pump(t.s, [&] { seen = std::max(seen, t.frm.progresso.position()); });
  EXPECT_LE(seen, 3000);
  EXPECT_EQ(t.frm.progresso.max(), 3000);
  EXPECT_EQ(t.frm.progresso.position(), 3000);
}

TEST(AuditLoaders, MarkupCheckBeforeTheInitialInventory) {
  struct Case {
    const char* markup;
    bool accepted;
  } cases[] = {{"1,5", true}, {" 2 ", true},  {"", false},    {"   ", false},
               {"0", false},  {"0,0", false}, {"abc", false}, {"1.5", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.markup);
    AuditSession t;
    t.a.edt_markup = c.markup;
    t.dtm.cds_inv_ini.Append();
    t.dtm.cds_inv_ini.Post();
    t.ui.open_file = std::nullopt;  // the dialog is cancelled
    btn_abrir_inv_iniClick(t.s);
    EXPECT_EQ(t.dtm.cds_inv_ini.IsEmpty(), c.accepted);
    EXPECT_EQ(t.Texts(), c.accepted ? std::vector<std::string>{}
                                    : std::vector<std::string>{
                                          "O markup deve ser digitado. Em média o valor é 1,5"});
    EXPECT_FALSE(t.a.Busy());
  }
}

TEST(AuditLoaders, RepeatedPeriodIsRefusedAfterTheReset) {
  AuditSession t;
  const std::string a = t.File("a.txt", {R10Month("202103"), R54("P1", "5102", 1000, 100)});
  const std::string b = t.File("b.txt", {R10Month("202103"), R54("P1", "5102", 7000, 700)});
  t.Period(a);
  EXPECT_EQ(t.a.lbl_per[0], "03/2021");
  t.Period(b);
  EXPECT_EQ(t.Texts(), std::vector<std::string>{"O sintegra deste periodo ja consta na listagem!"});
  EXPECT_EQ(t.Figure("P1", "TOTALSAIDAS"), 1);
  // The main window was reset and shows the refused file's identification.
  EXPECT_EQ(t.dtm.cds_54.RecordCount(), 0);
  EXPECT_EQ(t.frm.lbldataini.text(), "01/03/2021");
}

TEST(AuditLoaders, ThirteenthPeriodIsLoadedUnlistedAndStillRecognised) {
  AuditSession t;
  std::vector<std::string> months;
  for (int m = 1; m <= 12; ++m)
    months.push_back("2023" + std::string(m < 10 ? "0" : "") + std::to_string(m));
  months.push_back("202401");
  for (size_t i = 0; i < months.size(); ++i)
    t.Period(t.File("p" + std::to_string(i) + ".txt",
                    {R10Month(months[i]), R54("P1", "5102", 1000, 100)}));
  EXPECT_EQ(t.Figure("P1", "TOTALSAIDAS"), 13);
  EXPECT_EQ(t.a.lbl_per[0], "01/2023");
  EXPECT_EQ(t.a.lbl_per[11], "12/2023");
  EXPECT_EQ(t.a.included_periods.size(), 13u);
  EXPECT_EQ(t.Texts(), std::vector<std::string>{});
  t.Period(t.File("again.txt", {R10Month("202401"), R54("P1", "5102", 1000, 100)}));
  EXPECT_EQ(t.Texts(), std::vector<std::string>{"O sintegra deste periodo ja consta na listagem!"});
  EXPECT_EQ(t.Figure("P1", "TOTALSAIDAS"), 13);
}

TEST(AuditLoaders, InventoryWithoutRecordsGivesTheMessageAndOpensTheNextStep) {
  AuditSession t;
  t.a.btn_abrir_inv_fim.enabled = false;
  t.InitialInventory(t.File("ini.txt", {R10Month("202401"), R74("P1", 1000, 0)}));
  ASSERT_EQ(t.ui.messages.size(), 1u);
  EXPECT_EQ(t.ui.messages[0].title, "Atenção!!!");
  EXPECT_EQ(t.ui.messages[0].text, "Este arquivo não possui registros de inventario");
  EXPECT_TRUE(t.a.btn_abrir_inv_fim.enabled);
  EXPECT_EQ(t.dtm.cds_audit.RecordCount(), 0);
}

TEST(AuditLoaders, ErrorInTheBodyNamesFileAndLineAndLetsTheUserRetry) {
  enum Which { kInitial, kFinal, kPeriod };
  struct Case {
    const char* what;
    Which which;
  } cases[] = {{"initial", kInitial}, {"final", kFinal}, {"period", kPeriod}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    AuditSession t;
    Rec bad = c.which == kPeriod ? R54("P1", "5102", 1000, 100) : R74("P1", 1000, 100);
    bad.Put(c.which == kPeriod ? rec54::kValor : rec74::kValorTotal, "12A");
    const std::string path =
        t.File("bad.txt", {R10Month("202402"), R54("P9", "1102", 1000, 100), bad});
    BusyPicture* picture = c.which == kInitial ? &t.a.img_ini
                           : c.which == kFinal ? &t.a.img_fim
                                               : &t.a.img_sintegra;
    AuditButton* starter = c.which == kInitial ? &t.a.btn_abrir_inv_ini
                           : c.which == kFinal ? &t.a.btn_abrir_inv_fim
                                               : &t.a.btn_incluir_sintegra;
    AuditButton* next = c.which == kInitial ? &t.a.btn_abrir_inv_fim
                        : c.which == kFinal ? &t.a.btn_abrir_sintegra
                                            : nullptr;
    starter->enabled = false;
    if (next) next->enabled = false;
    if (c.which == kInitial) t.InitialInventory(path);
    if (c.which == kFinal) t.FinalInventory(path);
    if (c.which == kPeriod) t.Period(path);

    ASSERT_EQ(t.ui.messages.size(), 1u);
    // FILE:LINE: first, as every loader names a bad field.
    EXPECT_EQ(t.ui.messages[0].text.rfind(path + ":3: registro ", 0), 0u) << t.ui.messages[0].text;
    EXPECT_FALSE(picture->animated);
    EXPECT_FALSE(picture->visible);
    EXPECT_TRUE(starter->enabled);
    if (next) {
      EXPECT_FALSE(next->enabled);
    }
    EXPECT_FALSE(t.a.Busy());
    // What was read before the error stays; nothing reached the audit.
    EXPECT_EQ(t.dtm.cds_audit.RecordCount(), 0);
    if (c.which == kPeriod) {
      EXPECT_EQ(t.dtm.cds_54.RecordCount(), 1);
      // The period left the list: fixed, it can be included again.
      EXPECT_EQ(t.a.lbl_per[0], AuditState::kFreeSlot);
      t.File("bad.txt", {R10Month("202402"), R54("P9", "1102", 1000, 100)});
      t.Period(path);
      EXPECT_EQ(t.a.lbl_per[0], "02/2024");
      EXPECT_EQ(t.Figure("P9", "TOTALENTRADAS"), 1);
    }
  }
}

TEST(AuditLoaders, CancelledPeriodDialogStillEnablesIncludeAndExport) {
  AuditSession t;
  t.a.btn_incluir_sintegra.enabled = false;
  t.a.btn_excel.enabled = false;
  t.ui.open_file = std::nullopt;
  btn_abrir_sintegraClick(t.s);
  EXPECT_TRUE(t.a.btn_incluir_sintegra.enabled);
  EXPECT_TRUE(t.a.btn_excel.enabled);
  EXPECT_EQ(t.a.edt_sintegra, "");
  // A path naming no file starts nothing and says nothing.
  t.a.edt_sintegra = t.dir.path().string() + "/none.txt";
  btn_incluir_sintegraClick(t.s);
  EXPECT_FALSE(t.a.Busy());
  EXPECT_EQ(t.Texts(), std::vector<std::string>{});
}

}  // namespace
}  // namespace fiscora

// The audit window offscreen: its controls, and a whole audit assembled by
// clicks while the loaders run on worker threads and the main window keeps
// its routines locked until each loader's end step.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTest>

#include "audit/ui/frm_auditar.h"
#include "main_window_fixture.h"
#include "tests/core/audit_fixture.h"
#include "tests/core/efd_audit_fixture.h"

namespace fiscora::qt {
namespace {

using namespace fiscora::testing;

class AuditWindowTest : public MainWindowTest {
 protected:
  Tfrm_auditar* window() { return Find<Tfrm_auditar>("frm_auditar"); }
  template <class T = QWidget>
  T* Control(const char* name) {
    return window()->findChild<T*>(QString::fromLatin1(name));
  }
  QString Text(const char* name) { return *CaptionOf(Control<QObject>(name)); }
  void Click(const char* name) { Control<QAbstractButton>(name)->click(); }
  // Lets the event loop run the loader's steps until it has ended.
  void WaitForLoader() {
    QTRY_VERIFY_WITH_TIMEOUT(!session().audit.Busy(), 20000);
    WaitForAuditLoader(session());
    Pump();
  }
  TempDir files;
};

TEST_F(AuditWindowTest, ControlsAsTheWindowOpens) {
  ASSERT_NE(window(), nullptr);
  EXPECT_EQ(window()->windowTitle(), "Auditoria");
  const std::pair<const char*, const char*> captions[] = {
      {"Label1", "AUDITAR"},
      {"lbl3", "Markup:"},
      {"edt_markup", "1,5"},
      {"lbl1", "Inventario inicial:  R$"},
      {"lbl2", "Inventario final:  R$"},
      {"btn_abrir_inv_ini", "Abrir"},
      {"btn_abrir_inv_fim", "Abrir"},
      {"btn_abrir_sintegra", "Abrir"},
      {"btn_incluir_sintegra", "Icluir"},
      {"btn_excel", "Salvar em Excel"},
      {"grp1", "    Arquivos já incluidos    "},
      {"lbl_per1", "--------------------"},
      {"lbl_per12", "--------------------"},
  };
  for (const auto& [name, caption] : captions)
    EXPECT_EQ(Text(name), QString::fromUtf8(caption)) << name;
  EXPECT_TRUE(Control("edt_inv_ini")->isEnabled());
  EXPECT_FALSE(Control("edt_inv_fim")->isEnabled());
  EXPECT_FALSE(Control("edt_sintegra")->isEnabled());
  EXPECT_TRUE(Control("progress")->isHidden());
  EXPECT_FALSE(Control("img_ini")->isHidden());
}

TEST_F(AuditWindowTest, WholeAuditByClicks) {
  const std::string ini = files.Write("ini.txt", {R10Month("202401"), R75("P1", Described("ARROZ")),
                                                  R74("P1", 10000, 5000), R74("P2", 5000, 2000)});
  const std::string fim = files.Write("fim.txt", {R10Month("202403"), R74("P1", 1000, 500)});
  const std::string feb = files.Write("fev.txt", {R10Month("202402"), R54("P1", "5102", 5000, 2500),
                                                  R60I("ECF1", "P1", 3000, 800, "T17")});
  recorder_.open_file = ini;
  Click("btn_abrir_inv_ini");
  // While the loader runs nothing that touches its tables can start.
  EXPECT_TRUE(session().audit.Busy());
  EXPECT_FALSE(Control("btn_abrir_inv_fim")->isEnabled());
  EXPECT_FALSE(Control("btn_incluir_sintegra")->isEnabled());
  EXPECT_FALSE(Find("sbtnarq")->isEnabled());
  EXPECT_FALSE(Find("sbtnverificar")->isEnabled());
  WaitForLoader();
  EXPECT_TRUE(Find("sbtnarq")->isEnabled());
  EXPECT_TRUE(Control("btn_abrir_inv_fim")->isEnabled());
  EXPECT_TRUE(Control("img_ini")->isHidden());
  EXPECT_EQ(Text("edt_inv_ini"), QString::fromStdString(ini));
  EXPECT_EQ(Text("dbtxt_inv_ini"), "70,00");

  recorder_.open_file = fim;
  Click("btn_abrir_inv_fim");
  WaitForLoader();
  EXPECT_EQ(Text("dbtxt_inv_fim"), "5,00");

  recorder_.open_file = feb;
  Click("btn_abrir_sintegra");
  Click("btn_incluir_sintegra");
  WaitForLoader();
  EXPECT_EQ(Text("lbl_per1"), "02/2024");
  EXPECT_EQ(Text("lbl_per2"), "--------------------");
  EXPECT_TRUE(Control("img_sintegra")->isHidden());
  // The main window shows the period, as if it had been opened there.
  EXPECT_EQ(Find<QLabel>("lbldataini")->text(), "01/02/2024");

  ClientTable& audit = dtm_->cds_audit;
  ASSERT_TRUE(audit.Locate("codigo", {"P1"}));
  EXPECT_EQ(audit.AsFloat(faudit::SECF), 3);
  EXPECT_EQ(audit.AsFloat(faudit::OM_SAIDA), 1);  // 10 - 8 against 1

  // A spreadsheet that cannot be written: its reason comes once, through the
  // session's interface like every message, and the window is usable again.
  recorder_.messages.clear();
  recorder_.save_file = (files.path() / "sem-pasta" / "auditoria.xlsx").string();
  Click("btn_excel");
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_NE(recorder_.messages[0].text, "Arquivo Salvo !!!");
  EXPECT_TRUE(window()->isEnabled());
  EXPECT_TRUE(Control("btn_excel")->isEnabled());

  recorder_.save_file = (files.path() / "auditoria.xlsx").string();
  recorder_.file_dialogs.clear();
  Click("btn_excel");
  EXPECT_FALSE(Control("progress")->isHidden());
  EXPECT_TRUE(fs::exists(files.path() / "auditoria.xlsx"));
  // The dialog proposed the name after the SINTEGRA file chosen last.
  ASSERT_FALSE(recorder_.file_dialogs.empty());
  EXPECT_EQ(recorder_.file_dialogs.back().kind, FileKind::kSpreadsheet);
  EXPECT_EQ(recorder_.file_dialogs.back().proposed_name,
            fs::path(feb).stem().string() + " - auditoria.xlsx");
  ASSERT_FALSE(recorder_.messages.empty());
  EXPECT_EQ(recorder_.messages.back().text, "Arquivo Salvo !!!");
}

TEST_F(AuditWindowTest, EfdAuditByClicks) {
  SmallSet set;
  EXPECT_TRUE(Control("pnl_efd")->isHidden());
  Click("rb_efd");
  EXPECT_TRUE(session().audit.efd.efd);
  EXPECT_TRUE(Control("pnl_sintegra")->isHidden());
  EXPECT_FALSE(Control("pnl_efd")->isHidden());
  EXPECT_EQ(Text("lbl_cfop_exterior"),
            QString::fromUtf8("CFOP 3xxx (importação) conta como entrada e 7xxx (exportação) "
                              "como saída."));
  recorder_.open_file = set.opening;
  Click("btn_efd_inv_ini");
  recorder_.open_file = set.april;
  Click("btn_efd_inv_fim");
  EXPECT_EQ(Text("edt_efd_inv_fim"), QString::fromStdString(set.april));
  for (const std::string& period : {set.march, set.april, set.march}) {
    recorder_.open_file = period;
    Click("btn_efd_periodo");
  }
  EXPECT_EQ(Control<QListWidget>("lst_efd_periodos")->count(), 2);  // once each
  recorder_.folder = set.xml;
  Click("btn_xml_pasta");
  EXPECT_EQ(Control<QListWidget>("lst_xml")->count(), 1);

  Click("btn_auditar_efd");
  EXPECT_TRUE(session().audit.Busy());
  EXPECT_FALSE(Control("btn_auditar_efd")->isEnabled());
  EXPECT_FALSE(Control("rb_sintegra")->isEnabled());
  EXPECT_FALSE(Find("sbtnverificar")->isEnabled());
  WaitForLoader();
  EXPECT_TRUE(Control("btn_auditar_efd")->isEnabled());
  EXPECT_TRUE(Control("img_efd")->isHidden());
  EXPECT_EQ(Text("lbl_per1"), "03/2025");
  EXPECT_EQ(Text("lbl_per2"), "04/2025");
  const QString summary = Text("lbl_efd_resumo");
  EXPECT_TRUE(summary.contains(QString::fromUtf8("Inventário inicial de 28/02/2025: R$ 82,00")))
      << summary.toStdString();
  EXPECT_TRUE(summary.contains(QString::fromUtf8("saídas sem itens: 1"))) << summary.toStdString();
  EXPECT_EQ(dtm_->cds_audit.RecordCount(), 4);

  recorder_.save_file = (files.path() / "efd.xlsx").string();
  Click("btn_excel");
  EXPECT_TRUE(fs::exists(files.path() / "efd.xlsx"));
  ASSERT_FALSE(recorder_.messages.empty());
  EXPECT_EQ(recorder_.messages.back().text, "Arquivo Salvo !!!");

  // Without a period "Auditar" says so; back to SINTEGRA, its steps again.
  Click("btn_efd_limpar");
  EXPECT_EQ(Control<QListWidget>("lst_efd_periodos")->count(), 0);
  Click("btn_auditar_efd");
  EXPECT_EQ(recorder_.messages.back().text,
            QString::fromUtf8("Inclua ao menos um arquivo EFD de período.").toStdString());
  // Back to SINTEGRA: the audit under way is dropped once the user agrees.
  recorder_.confirm_answer = Answer::kCancel;
  Click("rb_sintegra");
  EXPECT_TRUE(session().audit.efd.efd);
  EXPECT_TRUE(Control<QAbstractButton>("rb_efd")->isChecked());
  EXPECT_EQ(dtm_->cds_audit.RecordCount(), 4);
  recorder_.confirm_answer = Answer::kYes;
  Click("rb_sintegra");
  EXPECT_EQ(dtm_->cds_audit.RecordCount(), 0);
  EXPECT_EQ(Text("lbl_per1"), "--------------------");
  EXPECT_FALSE(Control("pnl_sintegra")->isHidden());
  EXPECT_TRUE(Control("pnl_efd")->isHidden());
}

TEST_F(AuditWindowTest, ClosingTheProgramWaitsForTheLoader) {
  recorder_.open_file = files.Write("ini.txt", {R10Month("202401"), R74("P1", 1000, 100)});
  Click("btn_abrir_inv_ini");
  ASSERT_TRUE(session().audit.Busy());
  EXPECT_FALSE(frm_->close());  // refused now, done at the loader's end
  WaitForLoader();
  QTRY_VERIFY(!frm_->isVisible());
}

}  // namespace
}  // namespace fiscora::qt

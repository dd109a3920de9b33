#include "app/ui/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "app/model/table_model.h"
#include "app/ui/page_tabs.h"
#include "app/ui/secondary_windows.h"
#include "data/catalogue.h"
#include "main_window_fixture.h"
#include "session/session.h"
#include "workflow/envelope.h"

namespace fiscora::qt {
namespace {

TEST_F(MainWindowTest, EveryControlHasItsNameAndCaption) {
  // clang-format off
  const struct {
    const char* name;
    const char* caption;  // null: not checked
  } cases[] = {
      {"gpbtitulo", ""},
      {"lbltitulo", "Fiscora"},
      {"lbllocalizar", "Arquivo sintegra à analisar: -->"},
      {"edtarq", ""},
      {"sbtnarq", "Arquivo"},
      {"sbtnverificar", "Verificar"},
      {"btn_audit", "Auditar"},
      {"sbtn_sped", "SPED"},
      {"pnlvorn", nullptr},
      {"Image1", nullptr},
      {"lblaguarde", "Aguarde por favor . . . ."},
      {"progresso", nullptr},
      {"sbtnfechar", "Fechar"},
      {"pgcdados", nullptr},
      {"gpbSobre_emp", "   Sobre a empresa:     "},
      {"lblrazao", ""}, {"lblie", ""}, {"lblCnpj", ""}, {"lblUF", ""}, {"lblmunic", ""},
      {"lbldataini", ""}, {"lbldatafim", ""},
      {"gpbsobre_arq", "   Sobre o arquivo:    "},
      {"lbllinhas", ""}, {"lbl50", ""}, {"lbl60a", ""}, {"lbl60i", ""}, {"lbl60r", ""},
      {"lbl74", ""}, {"lbldatainv", ""},
      {"dbt_soma_inv_princ", ""},
      {"bbtn_verif_invent", "Verificar"},
      {"gpbox_tipo_arq", "   Tipo do Arquivo   "},
      {"lbl_tipo_arq", ""}, {"lbl_tipo_arq2", ""},
      {"sbtnAlterar_tipo", "Alterar"},
      {"btn_reg90", "Reconstruir\nregistro 90"},
      {"lblentradas", ""}, {"lblentradas_outros", ""}, {"lblsaidas", ""},
      {"lblsaidas_outros", ""}, {"lblmod1", ""}, {"lblCupom", ""}, {"lbldesc", ""},
      {"lblcanc", ""}, {"lbltotal_bruto_cf", ""}, {"lbl_61R", ""},
      {"pnlecf1", nullptr}, {"pnlecf2", nullptr}, {"pnlecf3", nullptr},
      {"pnlecf4", nullptr}, {"pnlecf5", nullptr}, {"pnlecf6", nullptr},
      {"lblecf001", "ECF 000:"}, {"lblecf002", "ECF 000:"}, {"lblecf003", "ECF 000:"},
      {"lblecf004", "ECF 000:"}, {"lblecf005", "ECF 000:"}, {"lblecf006", "ECF 000:"},
      {"lblcupomecf1", ""}, {"lblcupomecf6", ""}, {"lbldescecf1", ""}, {"lbldescecf6", ""},
      {"lblcancecf1", ""}, {"lblcancecf6", ""},
      {"gboxdif", nullptr},
      {"lbldiferenca", ""},
      {"lblalerta",
       "ATENÇÃO!!!  O TOTAL DE SAIDAS MENOS O TOTAL DE ENTRADAS, PODE CAUSAR PREJUIZO!"},
      {"btn_cfop", "Resumo de CFOP's"},
      {"Button2", "Resumo Fiscal"},
      {"dbgmaxmin", nullptr},
      {"dbgaliq", nullptr},
      {"dbg_totaliq", nullptr},
      {"dbgrd1", nullptr},
      {"dbtxtsoma1", ""}, {"dbtxtsoma2", ""}, {"dbtxt_soma_60a", ""}, {"dbtxtsoma", ""},
      {"dbtxt_soma60i", ""}, {"dbtxt_soma60r", ""},
      {"bbtn_analisar", "Analisar"},
      {"btn_opcao_aliq", "Gerar em Excel"},
      {"dbg_50", nullptr},
      {"edt_pesq50", ""},
      {"btn_pesq50", "Pesquisar"},
      {"soma_ntp", ""}, {"soma_ntf", ""},
      {"bbtnAnalisarNotas", "Analisar"},
      {"Label29", nullptr},
      {"Label27", nullptr},
      {"dbg_inventario", nullptr},
      {"dbt_soma_inv", ""},
      {"Button1", "Imprimir"},
      {"btnExcel", "Excel"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QWidget* w = Find(c.name);
    ASSERT_NE(w, nullptr);
    if (c.caption) {
      EXPECT_EQ(CaptionOf(w).value_or("?").toStdString(), c.caption);
    }
  }
  EXPECT_EQ(frm_->objectName(), QStringLiteral("frmprincipal"));
  EXPECT_EQ(frm_->windowTitle(), QStringLiteral("Fiscora"));
  EXPECT_EQ(Find("Image1")->toolTip(), QStringLiteral("Ir para o site da vorn"));

  const struct {
    const char* name;
    const char* caption;
  } items[] = {{"Analisarnotas2", "Analisar notas"},
               {"MesclarSPED2", "Mesclar SPED - Contribuições"},
               {"ConciliacaoXML2", "Conciliação XML"}};
  auto* menu = Find<QMenu>("popm_sped");
  ASSERT_NE(menu, nullptr);
  for (const auto& i : items) {
    SCOPED_TRACE(i.name);
    auto* a = menu->findChild<QAction*>(QString::fromLatin1(i.name));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text().toStdString(), i.caption);
  }
  EXPECT_NE(frm_->findChild<QObject*>(QStringLiteral("sdExcel")), nullptr);
}

TEST_F(MainWindowTest, CaptionsBesideTheValuesAreShown) {
  QStringList shown;
  for (const QLabel* l : frm_->findChildren<QLabel*>()) shown << l->text();
  for (const QGroupBox* g : frm_->findChildren<QGroupBox*>()) shown << g->title();
  const char* captions[] = {
      "Razão Social:",
      "Insc. Estadual: ",
      "CNPJ: ",
      "Estado:",
      "Município: ",
      "Data inicial: ",
      "Data final: ",
      "Linhas Lidas: ",
      "Registro 50:",
      "Registro 60A:",
      "Registro 60I:",
      "Registro 60R:",
      "Registro 74:",
      "Data do inventário:",
      "Valor total do inventário:  R$",
      "Verificar Itens do inventário:",
      "Clique no título para ordenar",
      "Resumo de Alíquotas:",
      "Total diferença 60a/60i: R$",
      "Total diferença 60a/60d: R$",
      "Soma 60A: R$",
      "Soma 60D: R$",
      "Soma 60I:  R$",
      "Soma 60R: R$",
      "Numero de notas:",
      "Próprias:",
      "Terceiros:",
      "Total do inventário:",
      "Versão 2.0",
      "Líquido CF:",
      "Descontos:",
      "Cancelamentos:",
      "Total Líquido CF:",
      "NF Modelo 1:",
      "Total Bruto CF:",
  };
  for (const char* c : captions) {
    SCOPED_TRACE(c);
    EXPECT_TRUE(shown.contains(QString::fromUtf8(c)));
  }
}

TEST_F(MainWindowTest, SheetsStartInTheirOrderWithInventoryHidden) {
  // clang-format off
  const struct {
    const char* name;
    const char* caption;
    bool visible;
  } sheets[] = {
      {"tbsdados_emp", "  Dados  ", true},
      {"tbs_comp_vend", "  Compras x Vendas  ", true},
      {"tbs_maxmin", "  Máximo e mínimo  ", true},
      {"tbs_aliqdif", "  Aliquotas diferentes  ", true},
      {"tbs_tot_aliq", "Total Aliquotas", true},
      {"tbsresumo", "Notas Fiscais", true},
      {"tbssobre", "  Sobre  ", true},
      {"tbs_inventario", "", false},  // the reset clears its caption
      {"tbs_validacao", "Validação", false},  // shown by "Validar"
  };
  // clang-format on
  PageTabs& tabs = frm_->pgcdados();
  ASSERT_EQ(tabs.count(), static_cast<int>(std::size(sheets)));
  for (int i = 0; i < tabs.count(); ++i) {
    SCOPED_TRACE(sheets[i].name);
    EXPECT_EQ(tabs.widget(i)->objectName().toStdString(), sheets[i].name);
    EXPECT_EQ(tabs.tabText(i).toStdString(), sheets[i].caption);
    EXPECT_EQ(tabs.isTabVisible(i), sheets[i].visible);
  }
  EXPECT_EQ(tabs.currentIndex(), 0);
}

TEST_F(MainWindowTest, WindowOpensAtItsSizeAndGrowsWithItsGridsAndPath) {
  EXPECT_EQ(frm_->size(), QSize(814, 583));
  EXPECT_EQ(frm_->minimumSize(), QSize(814, 583));
  EXPECT_TRUE(frm_->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(frm_->windowFlags() & Qt::WindowMinimizeButtonHint);
  QWidget* path = Find("edtarq");
  QWidget* grid = Find("pgcdados");  // the sheets and their grids
  ASSERT_TRUE(path && grid);
  const int path_width = path->width(), grid_width = grid->width(), grid_height = grid->height();
  frm_->resize(1300, 740);
  QCoreApplication::processEvents();
  EXPECT_GT(path->width(), path_width);
  EXPECT_GT(grid->width(), grid_width);
  EXPECT_GT(grid->height(), grid_height);
}

TEST_F(MainWindowTest, GridsShowTheirTablesAndSettings) {
  // clang-format off
  const struct {
    const char* grid;
    const char* first_title;
  } grids[] = {
      {"dbgmaxmin", "         Código"},      {"dbgaliq", "        Código"},
      {"dbg_totaliq", " Aliquotas "},        {"dbgrd1", "    Aliquotas"},
      {"dbg_50", "           CNPJ"},       {"dbg_inventario", "          Código"},
  };
  // clang-format on
  for (const auto& g : grids) {
    SCOPED_TRACE(g.grid);
    auto* view = Find<QTableView>(g.grid);
    ASSERT_NE(view, nullptr);
    ASSERT_NE(view->model(), nullptr);
    EXPECT_EQ(view->model()->headerData(0, Qt::Horizontal).toString().toStdString(), g.first_title);
    EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
  }
  EXPECT_EQ(Find<QTableView>("dbg_50")->selectionBehavior(), QAbstractItemView::SelectRows);
  // ntf and ntp are hidden: 19 fields, 17 columns.
  EXPECT_EQ(Find<QTableView>("dbg_50")->model()->columnCount(), 17);
}

TEST_F(MainWindowTest, TotalsShowAggregatesAndNothingWhenEmpty) {
  auto* total = Find<QLabel>("dbt_soma_inv");
  EXPECT_EQ(total->text(), QString());
  ClientTable& inv = dtm_->cds_inventario;
  for (int units : {1000, 234}) {
    inv.Append();
    inv.SetText(f74::codigo, "1");
    inv.SetMoney(f74::valor, Money::FromUnits(units));
    inv.Post();
  }
  Pump();
  EXPECT_EQ(total->text(), QStringLiteral("1.234,00"));
  EXPECT_EQ(Find<QLabel>("dbt_soma_inv_princ")->text(), QStringLiteral("1.234,00"));
  inv.EmptyDataSet();
  Pump();
  EXPECT_EQ(total->text(), QString());
}

TEST_F(MainWindowTest, StartLeavesPrintersFourToSixHiddenAndTheWorkingFolderMade) {
  for (const char* panel : {"pnlecf4", "pnlecf5", "pnlecf6"}) {
    SCOPED_TRACE(panel);
    EXPECT_TRUE(Find(panel)->isHidden());
  }
  EXPECT_TRUE(fs::is_directory(folder_));
  EXPECT_FALSE(Find("btn_reg90")->isEnabled());
  EXPECT_FALSE(Find("sbtnverificar")->isEnabled());  // the file box is empty
  EXPECT_TRUE(Find("progresso")->isHidden());
  EXPECT_TRUE(Find("lblaguarde")->isHidden());
}

TEST_F(MainWindowTest, ResetHidesPrintersFourToSixAndNamesAllSix) {
  for (Control* c : state().ecf_panel) c->Show();
  for (Control* c : state().ecf_name) c->SetText("ECF 001:");
  ResetMainWindow(session(), ResetMode::Tables);
  for (const char* panel : {"pnlecf4", "pnlecf5", "pnlecf6"}) {
    SCOPED_TRACE(panel);
    EXPECT_TRUE(Find(panel)->isHidden());
  }
  for (const char* panel : {"pnlecf1", "pnlecf2", "pnlecf3"}) {
    SCOPED_TRACE(panel);
    EXPECT_FALSE(Find(panel)->isHidden());
  }
  for (const char* name :
       {"lblecf001", "lblecf002", "lblecf003", "lblecf004", "lblecf005", "lblecf006"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Find<QLabel>(name)->text(), QStringLiteral("ECF 000:"));
  }
}

TEST_F(MainWindowTest, ResetWithModeOneLeavesTheTables) {
  ClientTable& notes = dtm_->cds_50;
  notes.Append();
  notes.SetInteger(f50::numero, 123);
  notes.Post();
  Pump();
  ResetMainWindow(session(), ResetMode::ControlsOnly);
  Pump();
  EXPECT_EQ(notes.RecordCount(), 1);
  EXPECT_EQ(Find<QTableView>("dbg_50")->model()->rowCount(), 1);
  ResetMainWindow(session(), ResetMode::Tables);
  Pump();
  EXPECT_EQ(notes.RecordCount(), 0);
  EXPECT_EQ(Find<QTableView>("dbg_50")->model()->rowCount(), 0);
}

TEST_F(MainWindowTest, ShiftF7TogglesAuditarAndF7AloneDoesNothing) {
  QWidget* audit = Find("btn_audit");
  QWidget* target = Find("edtarq");
  ASSERT_TRUE(audit->isHidden());
  QTest::keyClick(target, Qt::Key_F7);
  EXPECT_TRUE(audit->isHidden());
  QTest::keyClick(target, Qt::Key_F7, Qt::ShiftModifier);
  EXPECT_FALSE(audit->isHidden());
  EXPECT_TRUE(state().btn_audit.visible());
  // Anywhere in the window, not only in the file box.
  QTest::keyClick(Find("dbg_50"), Qt::Key_F7, Qt::ShiftModifier);
  EXPECT_TRUE(audit->isHidden());
  EXPECT_FALSE(state().btn_audit.visible());
}

TEST_F(MainWindowTest, EnterInFileBoxRunsOnlyWhileVerificarIsEnabled) {
  auto* edit = Find<QLineEdit>("edtarq");
  const std::string missing = (folder_ / "nao-existe.txt").string();
  edit->setText(QString::fromStdString(missing));
  EXPECT_EQ(state().edtarq.text(), missing);
  EXPECT_TRUE(Find("sbtnverificar")->isEnabled());
  state().sbtnverificar.SetEnabled(false);
  ASSERT_FALSE(Find("sbtnverificar")->isEnabled());

  // A disabled button's action runs by no key.
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_TRUE(recorder_.messages.empty());
  EXPECT_EQ(state().edtarq.text(), missing);

  state().sbtnverificar.SetEnabled(true);
  QTest::keyClick(edit, Qt::Key_Return);
  ASSERT_FALSE(recorder_.messages.empty());
  EXPECT_EQ(recorder_.messages.front().title, "ATENÇÃO!!!");
  EXPECT_EQ(recorder_.messages.front().text,
            "O arquivo selecionado não existe! Tente localiza-lo novamente.");
  EXPECT_EQ(edit->text(), QString());  // the run clears the box
  EXPECT_TRUE(Find("sbtnarq")->isEnabled());
}

TEST_F(MainWindowTest, AFailingRunEndsWithItsMessageAndTheControlsBack) {
  // A record 74 whose quantity is not a number stops the loader.
  const fs::path file = folder_ / "quantidade_invalida.txt";
  // type, date, product code, quantity (not a number), value
  std::string r74 =
      std::string("74") + "20260731" + "00000000000001" + "XXXXXXXXXXXXX" + "0000000001000";
  r74.resize(126, ' ');
  std::ofstream(file, std::ios::binary) << std::string("10").append(124, ' ') << "\r\n"
                                        << r74 << "\r\n";
  auto* edit = Find<QLineEdit>("edtarq");
  edit->setText(QString::fromStdString(file.string()));

  QTest::keyClick(edit, Qt::Key_Return);
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_EQ(recorder_.messages[0].title, "Fiscora");  // the plain message box
  EXPECT_NE(recorder_.messages[0].text.find("quantidade"), std::string::npos)
      << recorder_.messages[0].text;
  for (const char* name : {"sbtnarq", "sbtn_sped", "edtarq", "btn_reg90"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(Find(name)->isEnabled());
  }
}

TEST_F(MainWindowTest, PressingVerificarShowsTheWaitLabel) {
  ASSERT_TRUE(Find("lblaguarde")->isHidden());
  state().sbtnverificar.SetEnabled(true);
  QTest::mousePress(Find("sbtnverificar"), Qt::LeftButton);
  EXPECT_FALSE(Find("lblaguarde")->isHidden());
  QTest::mouseRelease(Find("sbtnverificar"), Qt::LeftButton);
}

// Closing deletes the window's own working folder and nothing else: the
// files in the base folder (the user's, whatever their names) and the
// folder of a second window running at the same time stay.
TEST_F(MainWindowTest, ClosingDeletesOnlyItsOwnWorkingFolder) {
  const auto touch = [](const fs::path& p, const char* text) { std::ofstream(p) << text; };
  const fs::path own = frm_->working_folder();
  ASSERT_EQ(own.parent_path(), folder_);
  EXPECT_EQ(fs::status(own).permissions() & fs::perms::all, fs::perms::owner_all);
  Tfrmprincipal second(folder_);
  const fs::path other = second.working_folder();
  ASSERT_NE(other, own);
  fs::create_directories(folder_ / "sub");
  for (const char* f : {"temp_50Normal.txt", "blocoC.txt", "planilha.xls"}) {
    touch(folder_ / f, "do usuário");
    touch(own / f, "desta janela");
    touch(other / f, "da outra janela");
  }
  touch(folder_ / "sub" / "interno.txt", "do usuário");

  frm_->close();

  EXPECT_FALSE(fs::exists(own));
  for (const char* f : {"temp_50Normal.txt", "blocoC.txt", "planilha.xls", "sub/interno.txt"}) {
    SCOPED_TRACE(f);
    EXPECT_EQ(Slurp(folder_ / f), "do usuário");
  }
  EXPECT_EQ(Slurp(other / "temp_50Normal.txt"), "da outra janela");
  EXPECT_TRUE(recorder_.messages.empty());
  second.close();
  EXPECT_FALSE(fs::exists(other));
}

TEST_F(MainWindowTest, TabsFollowTheStatesPageOrder) {
  MainWindowState& f = state();
  f.tbs_maxmin.Hide();
  f.tbs_maxmin.Clear();
  f.pgcdados.SetPageIndex(f.tbs_tot_aliq, 2);
  f.pgcdados.SetPageIndex(f.tbsresumo, 3);
  f.pgcdados.SetPageIndex(f.tbssobre, 4);
  f.tbs_inventario.SetText("Inventário");
  f.tbs_inventario.Show();
  f.pgcdados.SetPageIndex(f.tbs_inventario, 5);

  QStringList expected;
  for (const std::string& c : f.pgcdados.VisibleCaptions()) expected << QString::fromStdString(c);
  EXPECT_EQ(frm_->pgcdados().VisibleCaptions(), expected);
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(frm_->pgcdados().widget(i)->objectName().toStdString(),
              f.pgcdados.pages()[static_cast<size_t>(i)]->name());
  }

  f.pgcdados.SetActive(f.tbssobre);
  EXPECT_EQ(frm_->pgcdados().currentWidget()->objectName(), QStringLiteral("tbssobre"));
  // A click on a tab makes its sheet the active one of the state.
  frm_->pgcdados().setCurrentIndex(0);
  EXPECT_EQ(f.pgcdados.active(), &f.tbsdados_emp);
}

TEST_F(MainWindowTest, ActiveTabIsSilverOthersButtonColoured) {
  QTabBar* bar = frm_->pgcdados().tabBar();
  const QImage image = bar->grab().toImage();
  const auto background = [&](int tab) {
    const QRect r = bar->tabRect(tab);
    return image.pixelColor(r.left() + 2, r.bottom() - 2);
  };
  EXPECT_EQ(background(0), QColor(192, 192, 192));
  EXPECT_EQ(background(1), bar->palette().color(QPalette::Button));
}

TEST_F(MainWindowTest, ChangesFromAWorkerThreadReachTheWindow) {
  std::thread worker([this] { state().lblrazao.SetText("EMPRESA DE TESTE LTDA"); });
  worker.join();
  EXPECT_EQ(Find<QLabel>("lblrazao")->text(), QString());  // not before the event loop runs
  Pump();
  EXPECT_EQ(Find<QLabel>("lblrazao")->text(), QStringLiteral("EMPRESA DE TESTE LTDA"));
}

TEST_F(MainWindowTest, SecondaryWindowsHaveTheirClassesAndCaptions) {
  const struct {
    const char* class_name;
    const char* name;
    const char* caption;
  } windows[] = {
      {"TfrmTipo_arq", "frmTipo_arq", "Escolha o tipo do arquivo"},
      {"Tfrm_cfop", "frm_cfop", "Resumo de CFOP"},
      {"Tfrm_auditar", "frm_auditar", "Auditoria"},
      {"Tfrm_sped", "frm_sped", "Mesclagem de SPED"},
      {"Tfrm_notas_sped", "frm_notas_sped", "Analisar notas SPED"},
      {"TfrmOpcaoAliq", "frmOpcaoAliq", ""},
      {"TfrmDifNota", "frmDifNota", "Análise de notas fiscais"},
      {"TfrmResumoNota", "frmResumoNota", "Resuno de nota fiscal"},
      {"TfrmResumoFiscal", "frmResumoFiscal", "Resumo Fiscal"},
      {"TfrmLote", "frmLote", "Lote"},
      {"TfrmConciliacaoXml", "frmConciliacaoXml", "Conciliação XML"},
      {"TfrmDifal", "frmDifal", "Notas candidatas ao DIFAL"},
  };
  // Dialogs all (a subsystem's own window need not derive from SecondaryWindow).
  QList<QDialog*> created = frm_->findChildren<QDialog*>(QString(), Qt::FindDirectChildrenOnly);
  // The DIFAL list is owned by the SPED analysis window, which opens it.
  auto* sped = frm_->findChild<QDialog*>(QStringLiteral("frm_notas_sped"));
  ASSERT_NE(sped, nullptr);
  created += sped->findChildren<QDialog*>(QString(), Qt::FindDirectChildrenOnly);
  ASSERT_EQ(created.size(), static_cast<qsizetype>(std::size(windows)));
  for (int i = 0; i < created.size(); ++i) {
    SCOPED_TRACE(windows[i].name);
    const QDialog* w = created[i];  // in the order of creation
    EXPECT_TRUE(QByteArray(w->metaObject()->className()).endsWith(windows[i].class_name));
    EXPECT_EQ(w->objectName().toStdString(), windows[i].name);
    EXPECT_EQ(w->windowTitle().toStdString(), windows[i].caption);
  }
}

}  // namespace
}  // namespace fiscora::qt

namespace fiscora::qt {
namespace {

// Closing the window while a run breathes waits for the run to end: the
// working files it writes and reads are not deleted under it.
class CloseDuringRun : public RecordingUserInterface {
 public:
  Tfrmprincipal* window = nullptr;
  fs::path watched;
  bool existed_after_close = false;
  void Message(std::string_view title, std::string_view text) override {
    if (window && window->isVisible()) {
      window->close();
      existed_after_close = fs::exists(watched);
    }
    RecordingUserInterface::Message(title, text);
  }
};

TEST_F(MainWindowTest, ClosingDuringARunWaitsForItsEnd) {
  CloseDuringRun ui;
  ui.window = frm_.get();
  const fs::path own = frm_->working_folder();
  ui.watched = own / "temp_50Normal.txt";
  const fs::path file = ChooseAndVerifyAFileWithAWarning(ui);
  EXPECT_TRUE(ui.existed_after_close);
  EXPECT_FALSE(ui.messages.empty());
  Pump();
  EXPECT_FALSE(frm_->isVisible());
  EXPECT_FALSE(fs::exists(own));
  EXPECT_TRUE(fs::exists(file));
}

// The SPED popup and its two windows do not open while a run breathes: they
// would fill the ICMS totalizer and the gauge under it.
class SpedDuringRun : public RecordingUserInterface {
 public:
  Tfrmprincipal* window = nullptr;
  std::vector<QString> opened;  // modal windows that came up
  bool popup_shown = false;
  bool asked = false;
  void Message(std::string_view title, std::string_view text) override {
    if (window && !asked) {
      asked = true;
      // A modal window that opens anyway is noted and closed, so the test ends.
      QTimer closer;
      QObject::connect(&closer, &QTimer::timeout, [this] {
        if (QWidget* w = QApplication::activeModalWidget()) {
          opened.push_back(w->objectName());
          w->close();
        }
      });
      closer.start(0);
      auto* popup = window->findChild<QMenu*>("popm_sped");
      window->findChild<QAbstractButton*>("sbtn_sped")->setEnabled(true);
      window->findChild<QAbstractButton*>("sbtn_sped")->click();
      popup_shown = popup->isVisible();
      popup->close();
      for (const char* name : {"Analisarnotas2", "MesclarSPED2"})
        window->findChild<QAction*>(name)->trigger();
    }
    RecordingUserInterface::Message(title, text);
  }
};

TEST_F(MainWindowTest, SpedWindowsWaitForTheRunningRoutine) {
  SpedDuringRun ui;
  ui.window = frm_.get();
  ChooseAndVerifyAFileWithAWarning(ui);
  Pump();
  EXPECT_FALSE(ui.messages.empty());
  EXPECT_FALSE(ui.popup_shown);
  EXPECT_TRUE(ui.opened.empty()) << ui.opened.front().toStdString();
}

}  // namespace
}  // namespace fiscora::qt

// The window "Conciliação XML", used as a user would: from the "SPED"
// popup, the XML folder and the EFD file chosen, "Conciliar" on its worker
// thread, the summary, the grid ordered by a title and filtered by its
// messages, a double click that shows the note, "Exportar", "Cancelar".
#include "nfe/ui/xml_window.h"

#include <QHeaderView>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>

#include "main_window_fixture.h"
#include "tools/nfe_generator.h"

namespace fiscora::qt {
namespace {

class XmlWindowTest : public MainWindowTest {
 protected:
  TfrmConciliacaoXml* Window() {
    return frm_->findChild<TfrmConciliacaoXml*>(QStringLiteral("frmConciliacaoXml"));
  }
  template <class T = QWidget>
  T* Control(const char* name) {
    return Window()->findChild<T*>(QString::fromLatin1(name));
  }
  // A generated month: the XML folder and the EFD file.
  std::pair<std::string, std::string> Month(int64_t notes, bool faults) {
    NfeGeneratorOptions o;
    o.cnpj = "11222333000181";
    if (faults)
      o.unbooked = o.booking_without_xml = o.cancelled_booked = o.value_off = o.wrong_cfop =
          o.wrong_key = 1;
    const fs::path xml = folder_ / "xml", efd = folder_ / "efd.txt";
    GenerateNfe(xml, notes, 5, o, efd);
    return {xml.string(), efd.string()};
  }
  void Choose(const std::string& xml, const std::string& efd) {
    recorder_.folder = xml;
    Control<QPushButton>("btn_xml_pasta")->click();
    recorder_.open_file = efd;
    Control<QPushButton>("btn_escrita")->click();
  }
};

TEST_F(XmlWindowTest, ReconcilesAMonthFromTheSpedPopup) {
  auto* item = Find<QMenu>("popm_sped")->findChild<QAction*>(QStringLiteral("ConciliacaoXML2"));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->text(), QStringLiteral("Conciliação XML"));
  TfrmConciliacaoXml* w = Window();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Conciliação XML"));
  w->show();

  // Nothing chosen: told, nothing run.
  Control<QPushButton>("btn_conciliar")->click();
  ASSERT_FALSE(recorder_.messages.empty());
  EXPECT_EQ(recorder_.messages.back().text, "Escolha ao menos uma pasta ou arquivo .zip de XML.");
  EXPECT_FALSE(w->Running());

  const auto [xml, efd] = Month(60, true);
  Choose(xml, efd);
  EXPECT_EQ(Control<QListWidget>("lst_xml")->count(), 1);
  EXPECT_EQ(Control<QListWidget>("lst_escrita")->count(), 1);
  QSignalSpy done(w, &TfrmConciliacaoXml::finished);
  Control<QPushButton>("btn_conciliar")->click();
  EXPECT_TRUE(w->Running());
  EXPECT_FALSE(Control<QPushButton>("btn_conciliar")->isEnabled());
  EXPECT_TRUE(Control<QPushButton>("btn_cancelar")->isEnabled());
  ASSERT_TRUE(done.wait(60000));
  EXPECT_EQ(done.front().front().toString(), QString());
  EXPECT_EQ(Control<QProgressBar>("progresso")->value(), 1000);
  EXPECT_TRUE(Control<QPushButton>("btn_exportar")->isEnabled());

  // The summary above the grid: counts and money per result.
  const QString summary = Control<QLabel>("lbl_resumo")->text();
  EXPECT_TRUE(summary.contains(QStringLiteral("NF-e lidas (uma por chave): 60")))
      << summary.toStdString();
  EXPECT_TRUE(summary.contains(QStringLiteral("erro: 5, R$ "))) << summary.toStdString();
  EXPECT_TRUE(summary.contains(QStringLiteral("aviso: 1, R$ "))) << summary.toStdString();

  auto* grid = Control<QTableView>("dbg_conciliacao");
  QAbstractItemModel* model = grid->model();
  ASSERT_EQ(model->rowCount(), 61);
  const int result_column = 30;
  EXPECT_EQ(model->headerData(result_column, Qt::Horizontal).toString(),
            QStringLiteral("Resultado"));
  // A click on "Resultado": "aviso" before "conferida" before "erro"; twice, reversed.
  const int x = grid->horizontalHeader()->sectionViewportPosition(result_column) + 5;
  QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
  EXPECT_EQ(model->index(0, result_column).data().toString(), QStringLiteral("aviso"));
  QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(x, 5));
  EXPECT_EQ(model->index(0, result_column).data().toString(), QStringLiteral("erro"));

  // The filter searches the messages.
  QTest::keyClicks(Control<QLineEdit>("edt_filtro"), QStringLiteral("vl_doc"));
  ASSERT_EQ(model->rowCount(), 1);
  EXPECT_EQ(model->index(0, 18).data().toString(), QStringLiteral("0,02"));

  // A double click shows the booking's line and the note's XML.
  const QRect cell = grid->visualRect(model->index(0, 0));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  const std::string detail = recorder_.messages.back().text;
  EXPECT_NE(detail.find("|C100|"), std::string::npos) << detail;
  EXPECT_NE(detail.find("<nfeProc"), std::string::npos);

  // "Exportar": both sheets through the save step.
  const fs::path book = folder_ / "conciliacao.xlsx";
  recorder_.save_file = book.string();
  recorder_.file_dialogs.clear();
  Control<QPushButton>("btn_exportar")->click();
  EXPECT_TRUE(fs::exists(book));
  EXPECT_EQ(recorder_.messages.back().text, "Arquivo Salvo !!!");
  ASSERT_EQ(recorder_.file_dialogs.size(), 1u);
  EXPECT_EQ(recorder_.file_dialogs[0].kind, FileKind::kSpreadsheet);
  EXPECT_TRUE(recorder_.file_dialogs[0].proposed_name.ends_with(" - conciliacao-xml.xlsx"))
      << recorder_.file_dialogs[0].proposed_name;
}

TEST_F(XmlWindowTest, CancelStopsTheRunAndKeepsTheWindow) {
  TfrmConciliacaoXml* w = Window();
  w->show();
  const auto [xml, efd] = Month(600, false);
  Choose(xml, efd);
  QSignalSpy done(w, &TfrmConciliacaoXml::finished);
  const size_t messages = recorder_.messages.size();
  Control<QPushButton>("btn_conciliar")->click();
  Control<QPushButton>("btn_cancelar")->click();
  ASSERT_TRUE(done.wait(60000));
  EXPECT_EQ(done.front().front().toString(), QStringLiteral("Conciliação cancelada."));
  EXPECT_EQ(Control<QLabel>("lbl_status")->text(), QStringLiteral("Conciliação cancelada."));
  EXPECT_EQ(recorder_.messages.size(), messages);  // no message box for a cancel
  EXPECT_EQ(w->result(), nullptr);
  EXPECT_FALSE(Control<QPushButton>("btn_exportar")->isEnabled());
  EXPECT_TRUE(Control<QPushButton>("btn_conciliar")->isEnabled());
  // Run again to the end.
  Control<QPushButton>("btn_conciliar")->click();
  done.clear();
  ASSERT_TRUE(done.wait(60000));
  ASSERT_NE(w->result(), nullptr);
  EXPECT_EQ(Control<QTableView>("dbg_conciliacao")->model()->rowCount(), 600);
}

}  // namespace
}  // namespace fiscora::qt

// The window "Lote", used as a user would: the folder, "Executar", the grid
// filtered and ordered, a double click that opens the file in the main
// window, "Exportar".
#include "app/ui/batch_window.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>

#include "main_window_fixture.h"

namespace fiscora::qt {
namespace {

TEST_F(MainWindowTest, LoteChecksAFolderAndOpensAFileOfItsGrid) {
  ASSERT_NE(Find<QPushButton>("sbtnlote"), nullptr);
  EXPECT_EQ(Find<QPushButton>("sbtnlote")->text(), QStringLiteral("Lote"));
  auto* lote = frm_->findChild<TfrmLote*>(QStringLiteral("frmLote"));
  ASSERT_NE(lote, nullptr);
  EXPECT_EQ(lote->windowTitle(), QStringLiteral("Lote"));

  const fs::path in = folder_ / "clientes";
  fs::create_directories(in / "b");
  const fs::path example = fs::path(FISCORA_SOURCE_DIR) / "examples" / "loja_exemplo_03-2025.txt";
  fs::copy_file(example, in / "loja.txt");
  fs::copy_file(example, in / "b" / "filial.txt");
  std::ofstream(in / "relatorio.txt") << "Relatorio de vendas\n";

  lote->show();
  auto find = [lote](const char* name) {
    return lote->findChild<QWidget*>(QString::fromLatin1(name));
  };
  auto* pasta = qobject_cast<QLineEdit*>(find("edt_pasta"));
  ASSERT_NE(pasta, nullptr);
  QTest::keyClicks(pasta, QString::fromStdString(in.string()));
  auto* saida = qobject_cast<QLineEdit*>(find("edt_saida"));
  EXPECT_EQ(saida->text(), QString::fromStdString(in.string()) + "/resultado-lote");

  QSignalSpy done(lote, &TfrmLote::finished);
  QTest::mouseClick(qobject_cast<QPushButton*>(find("btn_executar")), Qt::LeftButton);
  ASSERT_TRUE(done.wait(60000));
  EXPECT_EQ(done.front().front().toString(), QString());
  EXPECT_TRUE(fs::exists(in / "resultado-lote" / "resumo.jsonl"));
  auto* bar = qobject_cast<QProgressBar*>(find("progresso"));
  EXPECT_EQ(bar->value(), 3);
  EXPECT_EQ(bar->maximum(), 3);

  auto* grid = qobject_cast<QTableView*>(find("dbg_lote"));
  QAbstractItemModel* model = grid->model();
  ASSERT_EQ(model->rowCount(), 3);
  EXPECT_EQ(model->headerData(12, Qt::Horizontal).toString(), QStringLiteral("Situação"));
  EXPECT_EQ(model->index(2, 12).data().toString(), QStringLiteral("ignorado"));
  EXPECT_EQ(model->index(0, 8).data().toString(), QStringLiteral("R$ 2.046,20"));

  // A click on "Situação": "com erros" before "ignorado"; twice, reversed.
  const int status_x = grid->horizontalHeader()->sectionViewportPosition(12) + 5;
  QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(status_x, 5));
  QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(status_x, 5));
  EXPECT_EQ(model->index(0, 12).data().toString(), QStringLiteral("ignorado"));

  // The filter box keeps the rows that hold its text in any column.
  auto* filtro = qobject_cast<QLineEdit*>(find("edt_filtro"));
  QTest::keyClicks(filtro, QStringLiteral("FILIAL"));
  ASSERT_EQ(model->rowCount(), 1);

  // A path cut to its column is whole in its tooltip.
  EXPECT_EQ(model->index(0, 0).data(Qt::ToolTipRole), model->index(0, 0).data());
  EXPECT_FALSE(model->index(0, 0).data(Qt::ToolTipRole).toString().isEmpty());

  // "Exportar": resumo.xlsx through the save step.
  const fs::path book = folder_ / "resumo.xlsx";
  recorder_.save_file = book.string();
  recorder_.file_dialogs.clear();
  QTest::mouseClick(qobject_cast<QPushButton*>(find("btn_exportar")), Qt::LeftButton);
  EXPECT_TRUE(fs::exists(book));
  ASSERT_EQ(recorder_.file_dialogs.size(), 1u);
  EXPECT_EQ(recorder_.file_dialogs[0].kind, FileKind::kSpreadsheet);
  EXPECT_EQ(recorder_.file_dialogs[0].proposed_name, "resumo.xlsx");
  ASSERT_FALSE(recorder_.messages.empty());
  EXPECT_EQ(recorder_.messages.back().text, "Arquivo Salvo !!!");

  // A double click opens the file in the main window.
  const QRect cell = grid->visualRect(model->index(0, 0));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_FALSE(lote->isVisible());
  EXPECT_EQ(Find<QLineEdit>("edtarq")->text().toStdString(),
            (in / "b" / "filial.txt").lexically_normal().generic_string());
}

}  // namespace
}  // namespace fiscora::qt

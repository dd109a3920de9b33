// "Validar" and the sheet "Validação", clicked as a user would.
#include "validate/ui/validation_sheet.h"

#include <QHeaderView>
#include <QPushButton>

#include "main_window_fixture.h"

namespace fiscora::qt {
namespace {

TEST_F(MainWindowTest, ValidarShowsTheFindingsWithTheirDetail) {
  fs::create_directories(folder_);
  const fs::path file = folder_ / "mes.txt";
  std::string r10 = "10" + std::string("12345678000195") + "ISENTO        ";
  r10.resize(107, ' ');
  r10 += "2024030120240331";
  r10.resize(125, ' ');
  r10 += "4";  // no valid purpose code
  std::ofstream(file, std::ios::binary) << r10 << "\r\n"
                                        << "58" << std::string(124, ' ') << "\r\n";
  Find<QLineEdit>("edtarq")->setText(QString::fromStdString(file.string()));

  QTest::mouseClick(Find<QPushButton>("sbtnvalidar"), Qt::LeftButton);
  PageTabs& tabs = frm_->pgcdados();
  const int tab = tabs.TabOf("tbs_validacao");
  ASSERT_GE(tab, 0);
  EXPECT_TRUE(tabs.isTabVisible(tab));
  EXPECT_EQ(tabs.currentIndex(), tab);
  auto* summary = Find<QLabel>("lbl_validacao");
  ASSERT_NE(summary, nullptr);
  EXPECT_TRUE(summary->text().startsWith(QStringLiteral("Arquivo SINTEGRA com 2 linhas: ")))
      << summary->text().toStdString();

  auto* grid = Find<QTableView>("dbg_validacao");
  ASSERT_NE(grid, nullptr);
  QAbstractItemModel* model = grid->model();
  ASSERT_GE(model->rowCount(), 3);
  EXPECT_EQ(model->headerData(5, Qt::Horizontal).toString(), QStringLiteral("Mensagem"));
  // A click on the title "Linha" twice: the last line first.
  QHeaderView* header = grid->horizontalHeader();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
  EXPECT_EQ(model->index(0, 0).data().toInt(), 2);

  // The purpose code's finding, double clicked: its line with column 126 marked.
  int row = -1;
  for (int r = 0; r < model->rowCount(); ++r)
    if (model->index(r, 3).data().toString() == QStringLiteral("finalidade")) row = r;
  ASSERT_GE(row, 0);
  recorder_.messages.clear();
  grid->scrollTo(model->index(row, 5));
  const QRect cell = grid->visualRect(model->index(row, 5));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_EQ(recorder_.messages[0].title, "Validação");
  EXPECT_NE(recorder_.messages[0].text.find("colunas 126"), std::string::npos)
      << recorder_.messages[0].text;
  EXPECT_NE(recorder_.messages[0].text.find("[4]"), std::string::npos)
      << recorder_.messages[0].text;
}

TEST_F(MainWindowTest, ExportarSavesTheFindingsAsASpreadsheet) {
  fs::create_directories(folder_);
  const fs::path file = folder_ / "mes.txt";
  std::ofstream(file, std::ios::binary) << "58" << std::string(124, ' ') << "\r\n";
  Find<QLineEdit>("edtarq")->setText(QString::fromStdString(file.string()));
  QTest::mouseClick(Find<QPushButton>("sbtnvalidar"), Qt::LeftButton);
  recorder_.messages.clear();
  const fs::path xlsx = folder_ / "achados.xlsx";
  recorder_.save_file = xlsx.string();
  QTest::mouseClick(Find<QPushButton>("btn_exportar_validacao"), Qt::LeftButton);
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_EQ(recorder_.messages[0].text, "Arquivo Salvo !!!");
  EXPECT_GT(fs::file_size(xlsx), 0u);
}

TEST_F(MainWindowTest, ValidarWithoutAFileSaysSo) {
  QTest::mouseClick(Find<QPushButton>("sbtnvalidar"), Qt::LeftButton);
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_EQ(recorder_.messages[0].text, "Arquivo não existe ou campo vazio.");
  EXPECT_FALSE(frm_->pgcdados().isTabVisible(frm_->pgcdados().TabOf("tbs_validacao")));
}

}  // namespace
}  // namespace fiscora::qt

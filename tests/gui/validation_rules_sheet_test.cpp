// The rules beyond structure on the sheet "Validação": an EFD ICMS/IPI file
// whose note differs from its analytic line, clicked as a user would.
#include <QHeaderView>
#include <QPushButton>

#include "main_window_fixture.h"
#include "validate/ui/validation_sheet.h"

namespace fiscora::qt {
namespace {

TEST_F(MainWindowTest, ValidarShowsTheSumsOfAnEfdFileOnTheSheet) {
  fs::create_directories(folder_);
  const fs::path file = folder_ / "efd.txt";
  const char* lines[] = {
      "|0000|017|0|01032024|31032024|EMPRESA|12345678000195||SP|110042490114|3550308|||A|1|",
      "|0001|0|",
      "|0990|3|",
      "|C001|0|",
      "|C100|1|1|P1|55|00|1|7||05032024|05032024|1010,00|0|0|0|1000,00|9|0|0|0|1000,00|170,00|0|"
      "0|0|0|0|0|0|",
      "|C190|000|5102|18,00|1000,00|1000,00|180,00|0|0|0|0||",
      "|C990|4|",
      "|9001|0|",
      "|9900|0000|1|",
      "|9900|0001|1|",
      "|9900|0990|1|",
      "|9900|C001|1|",
      "|9900|C100|1|",
      "|9900|C190|1|",
      "|9900|C990|1|",
      "|9900|9001|1|",
      "|9900|9900|11|",
      "|9900|9990|1|",
      "|9900|9999|1|",
      "|9990|14|",
      "|9999|21|",
  };
  {
    std::ofstream out(file, std::ios::binary);
    for (const char* l : lines) out << l << "\r\n";
  }
  Find<QLineEdit>("edtarq")->setText(QString::fromStdString(file.string()));
  QTest::mouseClick(Find<QPushButton>("sbtnvalidar"), Qt::LeftButton);

  auto* summary = Find<QLabel>("lbl_validacao");
  ASSERT_NE(summary, nullptr);
  EXPECT_EQ(summary->text(),
            QStringLiteral("Arquivo EFD ICMS/IPI com 21 linhas: 1 erro e 1 aviso."));
  auto* grid = Find<QTableView>("dbg_validacao");
  ASSERT_NE(grid, nullptr);
  QAbstractItemModel* model = grid->model();
  ASSERT_EQ(model->rowCount(), 2);
  // Ordered by a click on "Mensagem": the note's VL_DOC (an aviso) first.
  QHeaderView* header = grid->horizontalHeader();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(5) + 5, header->height() / 2));
  EXPECT_EQ(model->index(0, 0).data().toInt(), 5);
  EXPECT_EQ(model->index(0, 1).data().toString(), QStringLiteral("12"));
  EXPECT_EQ(model->index(0, 2).data().toString(), QStringLiteral("C100"));
  EXPECT_EQ(model->index(0, 3).data().toString(), QStringLiteral("VL_DOC"));
  EXPECT_EQ(model->index(0, 4).data().toString(), QStringLiteral("aviso"));
  EXPECT_EQ(model->index(0, 5).data().toString(),
            QStringLiteral("C100 VL_DOC 1.010,00 difere da soma dos C190 VL_OPR 1.000,00 "
                           "(diferença 10,00)."));
  EXPECT_EQ(model->index(1, 4).data().toString(), QStringLiteral("erro"));
  EXPECT_EQ(model->index(1, 5).data().toString(),
            QStringLiteral("C100 VL_ICMS 170,00 difere da soma dos C190 VL_ICMS 180,00 "
                           "(diferença -10,00)."));
  // A second click: the messages from the last.
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(5) + 5, header->height() / 2));
  EXPECT_EQ(model->index(0, 3).data().toString(), QStringLiteral("VL_ICMS"));
}

}  // namespace
}  // namespace fiscora::qt

// The SPED analysis window offscreen: opened from the "SPED" popup, a file
// read into its grids, the movement grid's added columns, title clicks, the
// DIFAL list, the sheets.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "app/ui/main_window_desktop.h"
#include "main_window_fixture.h"
#include "sped/ui/notes_window.h"
#include "tests/core/sped_fixture.h"

namespace fiscora::qt {
namespace {

using fiscora::testing::C100;
using fiscora::testing::C170;
using fiscora::testing::C190;
using fiscora::testing::P0150;
using fiscora::testing::Sped;

class SpedWindowTest : public MainWindowTest {
 protected:
  Tfrm_notas_sped* window() { return Find<Tfrm_notas_sped>("frm_notas_sped"); }
  QTableView* Grid(const char* name) {
    return window()->findChild<QTableView*>(QLatin1String(name));
  }
  void Click(const char* name) {
    window()->findChild<QPushButton*>(QLatin1String(name))->click();
    Pump();
  }
  // An EFD file: the |0000| line (the window refuses a file without it),
  // then the lines.
  std::string Write(const std::string& name, const std::vector<std::string>& lines) {
    fs::path p = folder_ / name;
    std::ofstream out(p, std::ios::binary);
    out << "|0000|017|0|01032024|31032024|LOJA|12345678000195||SP|1|3550308||A|1|\r\n";
    for (const auto& l : lines) out << l << "\r\n";
    return p.string();
  }
  std::string Efd(bool c481) {
    std::vector<std::string> lines = {
        P0150("P1", "CONSUMIDOR FINAL", "", "12345678909", ""),
        "|C001|0|",
        C100("1", "P1", "30", "07032024", "300,00"),
        C170("6102", "300,00", "300,00", "300,00"),
        C190("6102"),
        C100("0", "", "10", "06032024", "100,00"),
        C100("1", "", "20", "05032024", "200,00"),
        Sped("C400", 5, {{2, "2D"}, {3, "MP"}, {4, "BE01"}, {5, "1"}}),
        Sped("C405", 8,
             {{2, "01032024"}, {3, "1"}, {4, "10"}, {5, "99"}, {6, "9000,00"}, {7, "50,00"}}),
        c481 ? "|C481|01|50,00|" : "|C490|000|5102|17,00|50,00|",
        "|C990|9|",
    };
    return Write(c481 ? "c481.txt" : "c490.txt", lines);
  }
  // The visible column titles of a grid, left to right.
  static std::vector<std::string> Titles(QTableView* grid) {
    std::vector<std::string> titles;
    QHeaderView* h = grid->horizontalHeader();
    for (int v = 0; v < h->count(); ++v) {
      int logical = h->logicalIndex(v);
      if (grid->isColumnHidden(logical)) continue;
      titles.push_back(grid->model()->headerData(logical, Qt::Horizontal).toString().toStdString());
    }
    return titles;
  }
  static std::string Cell(QTableView* grid, int row, const std::string& title) {
    QHeaderView* h = grid->horizontalHeader();
    for (int c = 0; c < h->count(); ++c)
      if (!grid->isColumnHidden(c) &&
          grid->model()->headerData(c, Qt::Horizontal).toString().toStdString() == title)
        return grid->model()->index(row, c).data().toString().toStdString();
    return "?";
  }
  void Open(const std::string& path) {
    recorder_.open_file = path;
    Click("btn_open_arq_sped");
  }
};

TEST_F(SpedWindowTest, OpensFromThePopupModally) {
  bool shown_modal = false;
  QTimer::singleShot(0, [&] {
    shown_modal = window()->isVisible() && window()->isModal();
    window()->reject();
  });
  Find<QMenu>("popm_sped")->findChild<QAction*>(QStringLiteral("Analisarnotas2"))->trigger();
  EXPECT_TRUE(shown_modal);
  EXPECT_EQ(window()->windowTitle().toStdString(), "Analisar notas SPED");
  for (const auto& [name, caption] : std::vector<std::pair<const char*, const char*>>{
           {"lbl1", "Analisar notas e movimento por ecf do SPED"},
           {"btn_open_arq_sped", "Arquivo SPED"},
           {"lbl2", "Resumo de Notas Fiscais"},
           {"lbl3", "Movimento por ECF"},
           {"Button1", "Notas DIFAL"},
           {"btn1", "Resumo Fiscal"},
           {"btn3", "Gerar ECF Excel"},
           {"btn2", "Gerar Notas Excel"}}) {
    SCOPED_TRACE(name);
    QObject* o = window()->findChild<QObject*>(QLatin1String(name));
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(CaptionOf(o)->toStdString(), caption);
  }
}

TEST_F(SpedWindowTest, ReadsAFileIntoItsGrids) {
  // Before any file the notes grid shows its titles only.
  EXPECT_EQ(Grid("grid_analise")->model()->rowCount(), 0);
  EXPECT_EQ(Titles(Grid("grid_ecf")),
            (std::vector<std::string>{"Equipamento", "Caixa", "Data", "Venda Bruta"}));
  std::string file = Efd(true);
  Open(file);
  EXPECT_EQ(window()->findChild<QLineEdit*>(QStringLiteral("edt_arq_sped"))->text().toStdString(),
            file);
  QTableView* notes = Grid("grid_analise");
  EXPECT_EQ(Titles(notes),
            (std::vector<std::string>{"Nota", "Data", "Tipo", "Valor Nota", "Total Produtos",
                                      "Base Calc. Pis", "Valor Pis", "Base Calc. Cofins",
                                      "Valor Cofins"}));
  ASSERT_EQ(notes->model()->rowCount(), 3);
  EXPECT_EQ(Cell(notes, 0, "Nota"), "30");
  EXPECT_EQ(Cell(notes, 0, "Valor Nota"), "R$ 300,00");
  EXPECT_EQ(notes->columnWidth(notes->horizontalHeader()->logicalIndex(1)), 80);

  std::vector<std::string> ecf_c481 = {"Equipamento", "Caixa", "Data", "Venda Bruta",
                                       "Venda Liquida"};
  for (const char* cst : {"cst_01", "cst_02", "cst_03", "cst_04", "cst_05", "cst_06", "cst_07",
                          "cst_08", "cst_09", "cst_49", "cst_99"})
    ecf_c481.push_back(cst);
  EXPECT_EQ(Titles(Grid("grid_ecf")), ecf_c481);
  EXPECT_EQ(Cell(Grid("grid_ecf"), 0, "Venda Liquida"), "R$ 50,00");

  // A file without C481 replaces the added columns.
  Open(Efd(false));
  EXPECT_EQ(Titles(Grid("grid_ecf")),
            (std::vector<std::string>{"Equipamento", "Caixa", "Data", "Venda Bruta", "Tributados",
                                      "Substit."}));
  EXPECT_EQ(Cell(Grid("grid_ecf"), 0, "Tributados"), "R$ 50,00");

  // Cancelling the dialog keeps everything.
  recorder_.open_file.reset();
  Click("btn_open_arq_sped");
  EXPECT_NE(window()
                ->findChild<QLineEdit*>(QStringLiteral("edt_arq_sped"))
                ->text()
                .toStdString()
                .find("c490.txt"),
            std::string::npos);
  EXPECT_EQ(Grid("grid_analise")->model()->rowCount(), 3);
}

// A SPED file dropped on the window is read as "Arquivo SPED" reads the
// chosen one, without a dialog.
TEST_F(SpedWindowTest, ADroppedFileIsRead) {
  std::string file = Efd(false);
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window(), &drop);
  Pump();
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(window()->findChild<QLineEdit*>(QStringLiteral("edt_arq_sped"))->text().toStdString(),
            file);
  EXPECT_EQ(Grid("grid_analise")->model()->rowCount(), 3);
  EXPECT_TRUE(recorder_.file_dialogs.empty());
  // The file read goes to the front of the recent SPED files, whose menu
  // sits after "Arquivo SPED".
  auto* recent = window()->findChild<QToolButton*>(QStringLiteral("sbtn_recentes_sped"));
  ASSERT_NE(recent, nullptr);
  EXPECT_TRUE(recent->isEnabled());
  ASSERT_NE(recent->menu(), nullptr);
  EXPECT_EQ(frm_->desktop().recent_sped().paths().value(0),
            QDir::cleanPath(QString::fromStdString(file)));
}

TEST_F(SpedWindowTest, TitleClicksOrderWithRegularTitles) {
  Open(Efd(false));
  QTableView* notes = Grid("grid_analise");
  QFont bold = notes->horizontalHeader()->font();
  bold.setBold(true);
  notes->horizontalHeader()->setFont(bold);
  int nota = notes->horizontalHeader()->logicalIndex(0);
  emit notes->horizontalHeader()->sectionClicked(nota);
  Pump();
  EXPECT_FALSE(notes->horizontalHeader()->font().bold());
  std::vector<std::string> order;
  for (int r = 0; r < 3; ++r) order.push_back(Cell(notes, r, "Nota"));
  EXPECT_EQ(order, (std::vector<std::string>{"10", "20", "30"}));
  emit notes->horizontalHeader()->sectionClicked(nota);
  Pump();
  order.clear();
  for (int r = 0; r < 3; ++r) order.push_back(Cell(notes, r, "Nota"));
  EXPECT_EQ(order, (std::vector<std::string>{"30", "20", "10"}));
}

TEST_F(SpedWindowTest, DifalListIsNotModal) {
  Open(Efd(false));
  Click("Button1");
  auto* difal = Find<QDialog>("frmDifal");
  ASSERT_NE(difal, nullptr);
  EXPECT_TRUE(difal->isVisible());
  EXPECT_FALSE(difal->isModal());
  EXPECT_EQ(difal->windowTitle().toStdString(), "Notas candidatas ao DIFAL");
  QTableView* grid = difal->findChild<QTableView*>(QStringLiteral("DBGrid1"));
  EXPECT_EQ(Titles(grid), (std::vector<std::string>{"numero", "documento", "data", "nome"}));
  ASSERT_EQ(grid->model()->rowCount(), 1);
  EXPECT_EQ(Cell(grid, 0, "documento"), "12345678909");
  difal->close();
}

// Counts the mouse presses that reach a widget.
class PressCounter : public QObject {
 public:
  int presses = 0;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonPress) ++presses;
    return false;
  }
};

TEST_F(SpedWindowTest, DifalListOpensAboveTheModalWindowAndTakesInput) {
  Open(Efd(false));
  bool checked = false;
  QTimer::singleShot(0, [&] {
    checked = true;
    EXPECT_EQ(QApplication::activeModalWidget(), window());
    Click("Button1");
    auto* difal = Find<QDialog>("frmDifal");
    ASSERT_NE(difal, nullptr);
    EXPECT_TRUE(difal->isVisible());
    EXPECT_FALSE(difal->isModal());
    EXPECT_EQ(difal->parentWidget(), window());  // owned by the SPED window
    QTableView* grid = difal->findChild<QTableView*>(QStringLiteral("DBGrid1"));
    PressCounter counter;
    grid->viewport()->installEventFilter(&counter);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
    EXPECT_EQ(counter.presses, 1) << "the modal SPED window blocks the DIFAL list";
    grid->viewport()->removeEventFilter(&counter);
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_FALSE(difal->isVisible());
    EXPECT_TRUE(window()->isVisible());
    window()->reject();
  });
  Find<QMenu>("popm_sped")->findChild<QAction*>(QStringLiteral("Analisarnotas2"))->trigger();
  EXPECT_TRUE(checked);
}

TEST_F(SpedWindowTest, SheetsAreSaved) {
  const std::string efd = Efd(true);
  Open(efd);
  recorder_.file_dialogs.clear();
  recorder_.save_file = (folder_ / "notas.xlsx").string();
  Click("btn2");
  recorder_.save_file = (folder_ / "ecf.xlsx").string();
  Click("btn3");
  EXPECT_TRUE(fs::exists(folder_ / "notas.xlsx"));
  EXPECT_TRUE(fs::exists(folder_ / "ecf.xlsx"));
  ASSERT_EQ(recorder_.messages.size(), 2u);
  EXPECT_EQ(recorder_.messages[1].text, "Arquivo Salvo !!!");
  // "<the SPED file> - notas.xlsx" and "... - ecf.xlsx" in the spreadsheets' folder.
  const std::string stem = fs::path(efd).stem().string();
  ASSERT_EQ(recorder_.file_dialogs.size(), 2u);
  for (const auto& d : recorder_.file_dialogs) EXPECT_EQ(d.kind, FileKind::kSpreadsheet);
  EXPECT_EQ(recorder_.file_dialogs[0].proposed_name, stem + " - notas.xlsx");
  EXPECT_EQ(recorder_.file_dialogs[1].proposed_name, stem + " - ecf.xlsx");
}

TEST_F(SpedWindowTest, MalformedNumberShowsWhere) {
  std::string file = Write("bad.txt", {"|C001|0|", C100("1", "", "20", "05032024", "2x")});
  Open(file);
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_NE(recorder_.messages[0].text.find("linha 3: registro C100, campo 12 (VL_DOC)"),
            std::string::npos)
      << recorder_.messages[0].text;
}

}  // namespace
}  // namespace fiscora::qt

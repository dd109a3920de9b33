// The main window's sheet tools: title clicks, the note search, the note
// analysis and summary windows, the CFOP and fiscal summaries, and room for
// the largest amounts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/kit/controls.h"
#include "app/kit/ui_text.h"
#include "app/model/table_model.h"
#include "main_window_fixture.h"
#include "tests/core/sintegra_fixture.h"

namespace fiscora::qt {
namespace {

using namespace fiscora::testing;

class SheetToolsTest : public MainWindowTest {
 protected:
  // Chooses and verifies a file of a record 10 and these lines.
  void Verify(const std::vector<std::string>& lines) {
    std::vector<std::string> all{R10()};
    all.insert(all.end(), lines.begin(), lines.end());
    const fs::path file = folder_ / "entrada.txt";
    {
      std::ofstream out(file, std::ios::binary);
      for (const auto& l : all) out << l << "\r\n";
    }
    frm_->ChooseAndVerify(file.string());
    recorder_.messages.clear();
    Pump();
  }

  // Runs `action`, which opens a modal window; `check` runs while it is
  // shown, then Esc closes it. Returns whether a modal window was shown.
  bool WhileModal(const std::function<void()>& action, const std::function<void(QWidget*)>& check) {
    bool shown = false;
    QTimer::singleShot(0, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal) return;
      shown = true;
      Pump();
      check(modal);
      QTest::keyClick(modal, Qt::Key_Escape);
    });
    action();
    return shown;
  }

  static QString Text(QWidget* window, const char* label) {
    auto* l = window->findChild<QLabel*>(QString::fromLatin1(label));
    return l ? l->text() : QStringLiteral("<none>");
  }

  static std::vector<QString> Column(QTableView* grid, int column) {
    std::vector<QString> out;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
      out.push_back(grid->model()->index(r, column).data().toString());
    return out;
  }

  // The grid column showing a field.
  static int ColumnOf(QTableView* grid, const char* field) {
    auto* model = qobject_cast<TableModel*>(grid->model());
    for (int c = 0; c < model->columnCount(); ++c)
      if (model->table().FieldAt(model->FieldOfColumn(c)).name == field) return c;
    return -1;
  }

  static void ClickTitle(QTableView* grid, int column) {
    QHeaderView* h = grid->horizontalHeader();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(column) + 5, h->height() / 2));
    Pump();
  }
};

std::vector<std::string> NotesFile() {
  return {R50("5102", 10000, 'P', 500, 8000), R50("1102", 5000, 'T', 123, 5000),
          R50("5102", 2500, 'P', 7, 2500)};
}

TEST_F(SheetToolsTest, TitleClicksOrderTheGridsTableAndBoldTheTitles) {
  Verify(NotesFile());
  auto* grid = Find<QTableView>("dbg_50");
  const int numero = ColumnOf(grid, "numero");
  ASSERT_GE(numero, 0);
  ClickTitle(grid, numero);
  EXPECT_EQ(Column(grid, numero), (std::vector<QString>{"7", "123", "500"}));
  EXPECT_TRUE(grid->horizontalHeader()->font().bold());
  ClickTitle(grid, numero);
  EXPECT_EQ(Column(grid, numero), (std::vector<QString>{"500", "123", "7"}));
  // The current row is the first after each click.
  EXPECT_EQ(dtm_->cds_50.GetInteger(f50::numero), 500);

  // dbgrd1 orders the table it shows.
  ClientTable& res = dtm_->cds_res_aliq;
  for (const char* rate : {"1700", "0700", "1200"}) {
    res.Append();
    res.SetText(fres_aliq::aliquotas, rate);
    res.Post();
  }
  Pump();
  auto* rd = Find<QTableView>("dbgrd1");
  ClickTitle(rd, ColumnOf(rd, "aliquotas"));
  EXPECT_EQ(res.IndexName(), "aliquotas");
  EXPECT_EQ(Column(rd, 0), (std::vector<QString>{"0700", "1200", "1700"}));
  EXPECT_EQ(dtm_->cds_totaliq.IndexName(), "");
}

TEST_F(SheetToolsTest, NoteSearchByEnterAndButton) {
  Verify(NotesFile());
  auto* edit = Find<QLineEdit>("edt_pesq50");
  auto* grid = Find<QTableView>("dbg_50");
  edit->setFocus();
  edit->setText(QStringLiteral("123"));
  QTest::keyClick(edit, Qt::Key_Return);
  Pump();
  EXPECT_EQ(dtm_->cds_50.IndexFieldNames(), "numero");
  EXPECT_EQ(grid->currentIndex().row(), 1);  // 7, 123, 500
  EXPECT_TRUE(recorder_.messages.empty());

  edit->setText(QStringLiteral("99999"));
  QTest::mouseClick(Find("btn_pesq50"), Qt::LeftButton);
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_EQ(recorder_.messages[0].title, "Atenção");
  EXPECT_EQ(recorder_.messages[0].text, "Nota não encontrada");

  edit->setText(QStringLiteral("12a"));
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(recorder_.messages.size(), 1u);
}

TEST_F(SheetToolsTest, NoteAnalysisOpensItsWindow) {
  Verify(NotesFile());
  const bool shown = WhileModal(
      [&] { QTest::mouseClick(Find("bbtnAnalisarNotas"), Qt::LeftButton); },
      [&](QWidget* w) {
        EXPECT_EQ(w->objectName(), QStringLiteral("frmDifNota"));
        EXPECT_EQ(Text(w, "lblTotNota"), QStringLiteral("1"));
        auto* grid = w->findChild<QTableView*>(QStringLiteral("dbg_dif"));
        ASSERT_TRUE(grid);
        ASSERT_EQ(grid->model()->rowCount(), 1);
        // numero, vCont, vBase, vIpi, vIsentos, vOutros, difere
        EXPECT_EQ(grid->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Ipi"));
        EXPECT_EQ(Column(grid, 0), (std::vector<QString>{"500"}));
        EXPECT_EQ(Column(grid, 6), (std::vector<QString>{"R$ 20,00"}));
      });
  EXPECT_TRUE(shown);
  EXPECT_FALSE(frm_->findChild<TfrmDifNota*>()->isVisible());
}

TEST_F(SheetToolsTest, EnterOnTheNotesGridShowsTheSummary) {
  Rec item("54");
  item.Put(3, "11222333000181").Put(17, "01").Put(19, "1  ").Put(22, "000123").Put(28, "1102");
  item.Put(32, "000").Put(35, "001").Put(38, "P1").Put(52, "00000002000");
  item.Num(63, 12, 1000)
      .Num(75, 12, 0)
      .Num(87, 12, 10000)
      .Num(99, 12, 0)
      .Num(111, 12, 0)
      .Put(123, "1700");
  std::vector<std::string> lines = NotesFile();
  lines.push_back(item);
  Verify(lines);
  auto* grid = Find<QTableView>("dbg_50");
  grid->setFocus();
  grid->setCurrentIndex(grid->model()->index(1, 0));  // note 123
  const bool shown =
      WhileModal([&] { QTest::keyClick(grid, Qt::Key_Return); },
                 [&](QWidget* w) {
                   EXPECT_EQ(w->objectName(), QStringLiteral("frmResumoNota"));
                   EXPECT_EQ(Text(w, "lbl_nota"), QStringLiteral("123"));
                   EXPECT_EQ(Text(w, "lbl_itens"), QStringLiteral("1"));
                   EXPECT_EQ(Text(w, "lbl_emissao"), QStringLiteral("Terceiros"));
                   auto* rates = w->findChild<QTableView*>(QStringLiteral("dbg_resumo_aliq"));
                   ASSERT_TRUE(rates && rates->model());
                   EXPECT_EQ(rates->model()->headerData(0, Qt::Horizontal).toString(),
                             QStringLiteral("Alíquota"));
                   EXPECT_EQ(Column(rates, 0), (std::vector<QString>{"1700"}));
                   EXPECT_EQ(Column(rates, 2), (std::vector<QString>{"R$ 17,00"}));
                   auto* items = w->findChild<QTableView*>(QStringLiteral("DBGrid1"));
                   EXPECT_EQ(items->model()->headerData(5, Qt::Horizontal).toString(),
                             QStringLiteral("Base Calc."));
                 });
  EXPECT_TRUE(shown);
  // Closed: the rate table is gone.
  EXPECT_EQ(frm_->findChild<TfrmResumoNota*>()
                ->findChild<QTableView*>(QStringLiteral("dbg_resumo_aliq"))
                ->model(),
            nullptr);
}

TEST_F(SheetToolsTest, SummariesRebuildOnEveryShowing) {
  Verify(NotesFile());
  const auto cfop = [&](const char* expected_rows) {
    return WhileModal([&] { QTest::mouseClick(Find("btn_cfop"), Qt::LeftButton); },
                      [&](QWidget* w) {
                        EXPECT_EQ(w->objectName(), QStringLiteral("frm_cfop"));
                        EXPECT_EQ(Text(w, "lbl_sai_cont"), UiText(state().lblsaidas.text()));
                        auto* grid = w->findChild<QTableView*>(QStringLiteral("DBGrid1"));
                        EXPECT_EQ(QString::number(grid->model()->rowCount()),
                                  QString::fromLatin1(expected_rows));
                      });
  };
  EXPECT_TRUE(cfop("2"));
  EXPECT_TRUE(cfop("2"));
  EXPECT_TRUE(WhileModal([&] { QTest::mouseClick(Find("Button2"), Qt::LeftButton); },
                         [&](QWidget* w) {
                           EXPECT_EQ(w->objectName(), QStringLiteral("frmResumoFiscal"));
                           EXPECT_TRUE(Text(w, "lbl_imposto").startsWith(QStringLiteral("R$ ")));
                         }));
}

// The summary windows may be resized and maximised, their grids growing
// with them; the fiscal summary opens with every column in view, its titles
// whole, and its columns fit their content.
TEST_F(SheetToolsTest, SummaryWindowsGrowAndShowEveryColumn) {
  for (const char* name : {"frm_cfop", "frmResumoFiscal", "frmDifNota", "frmResumoNota"}) {
    SCOPED_TRACE(name);
    auto* w = frm_->findChild<QDialog*>(QString::fromLatin1(name));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w->isSizeGripEnabled());
    EXPECT_LT(w->minimumWidth(), w->maximumWidth());
    EXPECT_LT(w->minimumHeight(), w->maximumHeight());
    // Opened within a 1366 x 768 screen.
    EXPECT_LE(w->width(), 1366);
    EXPECT_LE(w->height(), 768);
  }
  Verify(NotesFile());
  EXPECT_TRUE(WhileModal([&] { QTest::mouseClick(Find("Button2"), Qt::LeftButton); },
                         [&](QWidget* w) {
                           auto* grid = w->findChild<QTableView*>(QStringLiteral("DBGrid1"));
                           ASSERT_NE(grid, nullptr);
                           ASSERT_GT(grid->model()->rowCount(), 0);
                           QHeaderView* header = grid->horizontalHeader();
                           EXPECT_EQ(grid->model()->headerData(3, Qt::Horizontal).toString(),
                                     QStringLiteral("Valor Icms"));
                           for (int c = 0; c < 4; ++c) {
                             SCOPED_TRACE(c);
                             // The title and every value whole...
                             EXPECT_GE(
                                 grid->columnWidth(c),
                                 header->fontMetrics().horizontalAdvance(
                                     grid->model()->headerData(c, Qt::Horizontal).toString()));
                             EXPECT_GE(grid->columnWidth(c),
                                       static_cast<QAbstractItemView*>(grid)->sizeHintForColumn(c));
                             // ...and the column in view.
                             EXPECT_LE(grid->columnViewportPosition(c) + grid->columnWidth(c),
                                       grid->viewport()->width());
                           }
                           // Made larger, the grid grows with the window.
                           const QSize before = grid->size();
                           w->resize(w->width() + 300, w->height() + 200);
                           QApplication::processEvents();
                           EXPECT_GT(grid->width(), before.width());
                           EXPECT_GT(grid->height(), before.height());
                         }));
}

// A grid's columns fit their content once the grid is filled, up to a
// maximum width.
TEST_F(SheetToolsTest, GridColumnsFitTheirContentWhenFilled) {
  Verify(NotesFile());
  auto* grid = Find<QTableView>("dbg_50");
  ASSERT_NE(grid, nullptr);
  ASSERT_GT(grid->model()->rowCount(), 0);
  FitColumnsNow(grid);
  const int most =
      kFitColumnMaxChars * grid->fontMetrics().horizontalAdvance(QLatin1Char('0')) + 12;
  for (int c = 0; c < grid->model()->columnCount(); ++c) {
    if (grid->isColumnHidden(c)) continue;
    SCOPED_TRACE(c);
    const QString title = grid->model()->headerData(c, Qt::Horizontal).toString().trimmed();
    const int wanted = std::max(static_cast<QAbstractItemView*>(grid)->sizeHintForColumn(c),
                                grid->horizontalHeader()->fontMetrics().horizontalAdvance(title) +
                                    2 * grid->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr,
                                                                   grid->horizontalHeader()) +
                                    8);
    EXPECT_EQ(grid->columnWidth(c), std::min(wanted, most));
  }
  // Filled again, the fit comes by itself once the rows stop coming.
  for (int c = 0; c < grid->model()->columnCount(); ++c) grid->setColumnWidth(c, 5);
  Verify(NotesFile());
  QTest::qWait(400);
  for (int c = 0; c < grid->model()->columnCount(); ++c) {
    if (grid->isColumnHidden(c)) continue;
    EXPECT_GT(grid->columnWidth(c), 5) << c;
  }
}

// On a 1366 x 768 screen the main window, maximised, shows every column of
// its summary grids once filled (the notes grid, record 50 whole, scrolls).
TEST_F(SheetToolsTest, MaximisedMainWindowShowsEveryColumn) {
  frm_->resize(1366, 740);
  // The example file, verified and its aliquots analysed.
  recorder_.open_file = std::string(FISCORA_SOURCE_DIR) + "/examples/loja_exemplo_03-2025.txt";
  Find<QAbstractButton>("sbtnarq")->click();
  Find<QAbstractButton>("sbtnverificar")->click();
  Pump();
  Find<QAbstractButton>("bbtn_analisar")->click();
  Pump();
  for (const char* name : {"dbgmaxmin", "dbgaliq", "dbg_totaliq", "dbgrd1"}) {
    SCOPED_TRACE(name);
    auto* grid = Find<QTableView>(name);
    ASSERT_NE(grid, nullptr);
    ASSERT_GT(grid->model()->rowCount(), 0);
    // Its sheet shown, as the user sees it.
    PageTabs& tabs = frm_->pgcdados();
    const int tab = tabs.TabOf(grid->parentWidget()->objectName().toStdString());
    ASSERT_GE(tab, 0);
    tabs.setTabVisible(tab, true);
    tabs.setCurrentIndex(tab);
    QApplication::processEvents();
    FitColumnsNow(grid);
    int last = -1;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
      if (!grid->isColumnHidden(c)) last = c;
    ASSERT_GE(last, 0);
    int right = 0;
    for (int c = 0; c <= last; ++c)
      if (!grid->isColumnHidden(c)) right += grid->columnWidth(c);
    std::string widths;
    for (int c = 0; c <= last; ++c)
      widths += grid->model()->headerData(c, Qt::Horizontal).toString().toStdString() + "=" +
                std::to_string(grid->columnWidth(c)) + (grid->isColumnHidden(c) ? "h " : " ");
    EXPECT_LE(right, grid->viewport()->width())
        << "window " << frm_->width() << " grid " << grid->width() << " " << widths;
  }
}

TEST_F(SheetToolsTest, AmountLabelsShowTheLargestTotalWhole) {
  const QString widest = QStringLiteral("R$ 999.999.999,99");
  state().pgcdados.SetActive(state().tbs_comp_vend);
  for (Control* p : {&state().pnlecf4, &state().pnlecf5, &state().pnlecf6}) p->SetVisible(true);
  std::vector<QLabel*> labels;
  for (const char* name :
       {"lblentradas", "lblentradas_outros", "lblmod1", "lblCupom", "lbl_61R", "lblsaidas",
        "lblsaidas_outros", "lbldesc", "lblcanc", "lbltotal_bruto_cf"})
    labels.push_back(Find<QLabel>(name));
  for (int n = 1; n <= 6; ++n)
    for (const char* kind : {"lblcupomecf%1", "lbldescecf%1", "lblcancecf%1"})
      labels.push_back(Find<QLabel>(QString::fromLatin1(kind).arg(n).toLatin1().constData()));
  for (QLabel* l : labels) l->setText(widest);
  QApplication::processEvents();
  for (QLabel* l : labels) {
    SCOPED_TRACE(l->objectName().toStdString());
    EXPECT_LE(l->sizeHint().width(), l->width());
  }
  // And on the summary windows, each shown once.
  for (QWidget* w :
       std::vector<QWidget*>{frm_->findChild<Tfrm_cfop*>(), frm_->findChild<TfrmResumoFiscal*>()}) {
    w->show();
    for (const char* name : {"lbl_ent_cont", "lbl_ent_out", "lbl_sai_cont", "lbl_sai_out",
                             "lbl_entrada", "lbl_saida", "lbl_imposto"})
      if (auto* l = w->findChild<QLabel*>(QString::fromLatin1(name))) {
        SCOPED_TRACE(name);
        l->setText(widest);
        QApplication::processEvents();
        EXPECT_LE(l->sizeHint().width(), l->width());
      }
    w->hide();
  }
}

}  // namespace
}  // namespace fiscora::qt

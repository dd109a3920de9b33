// "Validar" and the sheet "Validação", clicked as a user would.
#include "validate/ui/validation_sheet.h"

#include <QDialog>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>

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

  // The purpose code's finding, double clicked: the detail window shows its
  // place, its whole message and its line in a fixed font, unwrapped, under a
  // column ruler, column 126 marked.
  int row = -1;
  for (int r = 0; r < model->rowCount(); ++r)
    if (model->index(r, 3).data().toString() == QStringLiteral("finalidade")) row = r;
  ASSERT_GE(row, 0);
  const QString message = model->index(row, 5).data().toString();
  // The whole message is the tooltip of the message cell, cut or not.
  EXPECT_EQ(model->index(row, 5).data(Qt::ToolTipRole).toString(), message);
  recorder_.messages.clear();
  grid->scrollTo(model->index(row, 5));
  const QRect cell = grid->visualRect(model->index(row, 5));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
  EXPECT_TRUE(recorder_.messages.empty());
  auto* detail = frm_->findChild<QDialog*>(QStringLiteral("dlg_detalhe_validacao"));
  ASSERT_NE(detail, nullptr);
  EXPECT_TRUE(detail->isVisible());
  EXPECT_FALSE(detail->isModal());
  EXPECT_EQ(detail->windowTitle(), QStringLiteral("Validação"));
  auto* head = detail->findChild<QLabel*>(QStringLiteral("lbl_local_validacao"));
  ASSERT_NE(head, nullptr);
  EXPECT_TRUE(head->text().contains(QStringLiteral("colunas 126"))) << head->text().toStdString();
  auto* whole = detail->findChild<QLabel*>(QStringLiteral("lbl_mensagem_validacao"));
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(whole->text(), message);
  auto* text = detail->findChild<QPlainTextEdit*>(QStringLiteral("mmo_linha_validacao"));
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text->isVisible());
  EXPECT_TRUE(text->font().fixedPitch());
  EXPECT_EQ(text->font().styleHint(), QFont::Monospace);
  EXPECT_EQ(text->lineWrapMode(), QPlainTextEdit::NoWrap);
  const QStringList lines = text->toPlainText().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[1], QString::fromStdString(r10));
  EXPECT_EQ(lines[0].size(), 126);
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral("....+...10")));
  EXPECT_TRUE(lines[0].endsWith(QStringLiteral("..120....+.")));
  EXPECT_EQ(lines[2], QString(125, QLatin1Char(' ')) + QLatin1Char('^'));
  // The marked column stands out in the line itself.
  const auto marks = text->extraSelections();
  ASSERT_EQ(marks.size(), 1);
  EXPECT_EQ(marks[0].cursor.selectedText(), QStringLiteral("4"));
  EXPECT_EQ(marks[0].cursor.block().blockNumber(), 1);
  // The three lines in view, the marked column too, scrolled to if need be.
  const QRect marked = text->cursorRect(marks[0].cursor);
  EXPECT_GE(marked.left(), 0);
  EXPECT_LE(marked.right(), text->viewport()->width());
  EXPECT_LE(text->cursorRect(QTextCursor(text->document()->findBlockByNumber(2))).bottom(),
            text->viewport()->height());
  // Esc closes it; the sheet stays.
  QTest::keyClick(detail, Qt::Key_Escape);
  EXPECT_FALSE(detail->isVisible());
}

// A new validation shows its first findings, wherever the last one was
// scrolled to.
TEST_F(MainWindowTest, ANewValidationShowsItsFirstFindings) {
  fs::create_directories(folder_);
  const fs::path file = folder_ / "muitos.txt";
  {
    std::ofstream out(file, std::ios::binary);
    for (int i = 0; i < 300; ++i) out << "58" << std::string(124, ' ') << "\r\n";
  }
  Find<QLineEdit>("edtarq")->setText(QString::fromStdString(file.string()));
  QTest::mouseClick(Find<QPushButton>("sbtnvalidar"), Qt::LeftButton);
  auto* grid = Find<QTableView>("dbg_validacao");
  ASSERT_NE(grid, nullptr);
  ASSERT_GT(grid->model()->rowCount(), 100);
  grid->scrollToBottom();
  grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
  ASSERT_GT(grid->verticalScrollBar()->value(), 0);
  QTest::mouseClick(Find<QPushButton>("sbtnvalidar"), Qt::LeftButton);
  EXPECT_EQ(grid->verticalScrollBar()->value(), 0);
  EXPECT_EQ(grid->horizontalScrollBar()->value(), 0);
  EXPECT_EQ(grid->rowAt(0), 0);
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
  recorder_.file_dialogs.clear();
  QTest::mouseClick(Find<QPushButton>("btn_exportar_validacao"), Qt::LeftButton);
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_EQ(recorder_.messages[0].text, "Arquivo Salvo !!!");
  EXPECT_GT(fs::file_size(xlsx), 0u);
  // The dialog proposed "<file> - validacao.xlsx" in the spreadsheets' folder.
  ASSERT_EQ(recorder_.file_dialogs.size(), 1u);
  EXPECT_EQ(recorder_.file_dialogs[0].kind, FileKind::kSpreadsheet);
  EXPECT_EQ(recorder_.file_dialogs[0].proposed_name, "mes - validacao.xlsx");
  // The file validated is never replaced by its findings.
  recorder_.messages.clear();
  recorder_.save_file = file.string();
  QTest::mouseClick(Find<QPushButton>("btn_exportar_validacao"), Qt::LeftButton);
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_NE(recorder_.messages[0].text, "Arquivo Salvo !!!");
  EXPECT_EQ(Slurp(file), "58" + std::string(124, ' ') + "\r\n");
}

// The grid's order: a click on a title orders the rows by that column,
// stable over the order shown before; "Exportar" gets them in that order.
TEST(FindingsModelOrder, OrdersByAColumnKeepingThePreviousOrderOfTies) {
  FindingList list;
  auto add = [&](int64_t line, const char* field, Check check, const char* text) {
    Finding f(line, 3, 16, "50", field, Severity::kErro, check);
    f.SetText(text);
    list.push_back(f);
  };
  add(5, "CNPJ", Check::kCnpjNotDigits, "A");
  add(2, "data de emissão", Check::kDate, "B");
  add(9, "CNPJ", Check::kCnpjNotDigits, "C");
  add(2, "CNPJ", Check::kCnpjNotDigits, "D");
  FindingsModel model;
  model.SetFindings(list);
  auto column = [&](int c) {
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r) out << model.index(r, c).data().toString();
    return out;
  };
  model.sort(3, Qt::AscendingOrder);  // Campo
  EXPECT_EQ(column(0), (QStringList{"5", "9", "2", "2"}));
  model.sort(0, Qt::DescendingOrder);  // Linha, the fields' order kept for line 2
  EXPECT_EQ(column(0), (QStringList{"9", "5", "2", "2"}));
  EXPECT_EQ(column(3), (QStringList{"CNPJ", "CNPJ", "CNPJ", "data de emissão"}));
  model.sort(5, Qt::AscendingOrder);  // Mensagem
  EXPECT_EQ(column(5)[0], QStringLiteral("CNPJ com caracteres que não são algarismos: 'A'."));
  EXPECT_EQ(column(5)[3], QStringLiteral("Data inválida: 'B' (AAAAMMDD)."));
  const FindingList shown = model.findings();
  ASSERT_EQ(shown.size(), list.size());
  for (size_t r = 0; r < shown.size(); ++r) {
    EXPECT_EQ(shown[r].line, model.At(static_cast<int>(r)).line);
    EXPECT_EQ(QString::fromStdString(FindingMessage(shown[r])), column(5)[static_cast<int>(r)]);
  }
}

TEST_F(MainWindowTest, ValidarWithoutAFileSaysSo) {
  QTest::mouseClick(Find<QPushButton>("sbtnvalidar"), Qt::LeftButton);
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_EQ(recorder_.messages[0].text, "Arquivo não existe ou campo vazio.");
  EXPECT_FALSE(frm_->pgcdados().isTabVisible(frm_->pgcdados().TabOf("tbs_validacao")));
}

}  // namespace
}  // namespace fiscora::qt

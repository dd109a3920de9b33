// The inventory and aliquot sheets in the window: the buttons reach the
// core, the sheet "Inventario" shows, the options window writes its table.
#include <QRadioButton>
#include <QTimer>

#include "main_window_fixture.h"

namespace fiscora::qt {
namespace {

TEST_F(MainWindowTest, InventoryAndAliquotButtonsRunTheirRoutines) {
  const std::string example =
      std::string(FISCORA_SOURCE_DIR) + "/examples/loja_exemplo_03-2025.txt";
  recorder_.open_file = example;
  Find<QAbstractButton>("sbtnarq")->click();
  Find<QAbstractButton>("sbtnverificar")->click();
  Pump();
  ASSERT_TRUE(Find("bbtn_verif_invent")->isEnabled());

  // "Verificar" of the inventory: the sheet "Inventario" shown and current,
  // "  Sobre  " moved to the last page.
  Find<QAbstractButton>("bbtn_verif_invent")->click();
  Pump();
  auto& tabs = frm_->pgcdados();
  EXPECT_EQ(tabs.currentWidget()->objectName(), QStringLiteral("tbs_inventario"));
  QStringList captions = tabs.VisibleCaptions();
  EXPECT_TRUE(captions.contains(QStringLiteral("Inventario")));
  EXPECT_EQ(captions.last(), QStringLiteral("  Sobre  "));
  auto* grid = Find<QTableView>("dbg_inventario");
  EXPECT_EQ(grid->model()->rowCount(), dtm_->cds_inventario.RecordCount());
  EXPECT_GT(dtm_->cds_inventario.RecordCount(), 0);
  EXPECT_FALSE(Find<QLabel>("dbt_soma_inv")->text().isEmpty());

  // "Excel": the spreadsheet under the name the save dialog gives.
  const fs::path xlsx = folder_ / "inventario.xlsx";
  recorder_.save_file = xlsx.string();
  recorder_.messages.clear();
  recorder_.file_dialogs.clear();
  Find<QAbstractButton>("btnExcel")->click();
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_EQ(recorder_.messages[0].text, "Arquivo Salvo !!!");
  EXPECT_TRUE(fs::exists(xlsx));
  // Each save dialog proposes "<file> - <kind>.xlsx" in the spreadsheets'
  // folder.
  const std::string stem = fs::path(state().edtarq.text()).stem().string();
  ASSERT_EQ(recorder_.file_dialogs.size(), 1u);
  EXPECT_EQ(recorder_.file_dialogs[0].kind, FileKind::kSpreadsheet);
  EXPECT_EQ(recorder_.file_dialogs[0].proposed_name, stem + " - inventario.xlsx");

  // "Analisar", then "Gerar em Excel" with "Resumo de aliquotas".
  recorder_.messages.clear();
  Find<QAbstractButton>("bbtn_analisar")->click();
  Pump();
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_EQ(recorder_.messages[0].text, "Análise efetuada com sucesso");
  EXPECT_FALSE(Find("bbtn_analisar")->isEnabled());
  EXPECT_FALSE(Find("btn_opcao_aliq")->isHidden());
  EXPECT_EQ(Find<QTableView>("dbgrd1")->model()->rowCount(), dtm_->cds_res_aliq.RecordCount());

  const fs::path resumo = folder_ / "resumo.xlsx";
  recorder_.save_file = resumo.string();
  recorder_.messages.clear();
  auto* options = frm_->findChild<QDialog*>(QStringLiteral("frmOpcaoAliq"));
  ASSERT_NE(options, nullptr);
  QTimer::singleShot(0, options, [options] {
    options->findChild<QRadioButton*>(QStringLiteral("rb_resumo"))->setChecked(true);
    options->findChild<QAbstractButton*>(QStringLiteral("btn1"))->click();
  });
  recorder_.file_dialogs.clear();
  Find<QAbstractButton>("btn_opcao_aliq")->click();
  EXPECT_FALSE(options->isVisible());
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_EQ(recorder_.messages[0].text, "Arquivo Salvo !!!");
  EXPECT_TRUE(fs::exists(resumo));
  ASSERT_EQ(recorder_.file_dialogs.size(), 1u);
  EXPECT_EQ(recorder_.file_dialogs[0].kind, FileKind::kSpreadsheet);
  EXPECT_EQ(recorder_.file_dialogs[0].proposed_name, stem + " - aliquotas-resumo.xlsx");
}

}  // namespace
}  // namespace fiscora::qt

// The SPED merge window offscreen: its controls, "Adicionar" filling the
// company list, the duplicate refused, "Mesclar" writing the merged file
// with its status shown and closing the window.
#include "sped/ui/frm_sped.h"

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>

#include "main_window_fixture.h"
#include "sped/merge.h"

namespace fiscora::qt {
namespace {

class FrmSpedTest : public MainWindowTest {
 protected:
  Tfrm_sped* window() const { return Find<Tfrm_sped>("frm_sped"); }
  template <class T = QWidget>
  T* Control(const char* name) const {
    return window()->findChild<T*>(QString::fromLatin1(name));
  }
  std::string Company(const char* file, const char* cnpj, const char* name) {
    const fs::path p = folder_ / file;
    std::ofstream out(p, std::ios::binary);
    out << "|0000|006|0||||01042024|30042024|" << name << "|" << cnpj << "|\r\n"
        << "|0140|1|" << name << "|" << cnpj << "|SP||||\r\n"
        << "|C100|0|1|\r\n|9999|4|\r\n";
    return p.string();
  }
  QStringList Listed() const {
    QStringList out;
    auto* list = Control<QListWidget>("lstAdicionados");
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
  }
};

TEST_F(FrmSpedTest, ControlsWithTheirCaptions) {
  ASSERT_NE(window(), nullptr);
  EXPECT_EQ(window()->windowTitle(), "Mesclagem de SPED");
  const struct {
    const char* name;
    const char* caption;
  } controls[] = {
      {"lbl1", "Mesclar SPED matriz e filial"},
      {"btn_m", "Adicionar"},
      {"btn_mesclar", "Mesclar"},
      {"Label1", "Adicione primeiro o arquivo da matriz"},
      {"Label2", "Empresas já presentes no arquivo da matriz"},
      {"lblStatus", ""},
      {"edt_save", ""},
      {"btn_f", "Filial"},
  };
  for (const auto& c : controls) {
    SCOPED_TRACE(c.name);
    QWidget* w = Control(c.name);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(CaptionOf(w), QString::fromUtf8(c.caption));
  }
  EXPECT_NE(Control<QListWidget>("lstAdicionados"), nullptr);
  EXPECT_FALSE(Control("btn_f")->isEnabled());
  EXPECT_TRUE(Control("edt_save")->isHidden());
  EXPECT_GE(Control("btn_f")->y(), window()->height());  // below the visible area
  auto* item = Find<QMenu>("popm_sped")->findChild<QAction*>(QStringLiteral("MesclarSPED2"));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->text(), "Mesclar SPED - Contribuições");
}

TEST_F(FrmSpedTest, AddThenMergeShowsTheListAndTheStatusAndCloses) {
  window()->show();
  recorder_.open_file = Company("matriz.txt", "11222333000181", "MATRIZ");
  Control<QPushButton>("btn_m")->click();
  EXPECT_TRUE(Control("btn_f")->isEnabled());
  recorder_.open_file = Company("filial.txt", "11222333000262", "FILIAL");
  Control<QPushButton>("btn_f")->click();
  recorder_.open_file = folder_.string() + "/matriz.txt";
  Control<QPushButton>("btn_m")->click();
  EXPECT_EQ(Listed(), QStringList({"11.222.333/0001-81 - MATRIZ", "11.222.333/0002-62 - FILIAL"}));
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_EQ(recorder_.messages[0].text, "Arquivo já esta presente na listagem!");

  const fs::path out = folder_ / "saida";
  fs::create_directories(out);
  recorder_.folder = out.string();
  Control<QPushButton>("btn_mesclar")->click();
  EXPECT_TRUE(fs::exists(out / "SPED_mesclado.txt"));
  EXPECT_EQ(CaptionOf(Control("lblStatus")), "Finalizado!");
  EXPECT_EQ(CaptionOf(Control("edt_save")), QString::fromStdString(out.string()));
  EXPECT_EQ(recorder_.messages.back().text, "Mesclagem efetuada com sucesso.");
  EXPECT_TRUE(window()->isHidden());
  EXPECT_EQ(window()->result(), QDialog::Accepted);
  EXPECT_TRUE(Control("btn_m")->isEnabled());
}

TEST_F(FrmSpedTest, FailedWriteShowsTheErrorAndKeepsTheWindow) {
  window()->show();
  recorder_.open_file = Company("matriz.txt", "11222333000181", "MATRIZ");
  Control<QPushButton>("btn_m")->click();
  recorder_.open_file = Company("filial.txt", "11222333000262", "FILIAL");
  Control<QPushButton>("btn_m")->click();
  recorder_.folder = (folder_ / "nao_existe").string();
  Control<QPushButton>("btn_mesclar")->click();
  ASSERT_EQ(recorder_.messages.size(), 2u);
  EXPECT_EQ(recorder_.messages[0].text, "Confirma a mesclagem dos arquivos?");
  EXPECT_NE(recorder_.messages[1].text.find("SPED_mesclado.txt"), std::string::npos);
  EXPECT_FALSE(window()->isHidden());
  EXPECT_TRUE(Control("btn_mesclar")->isEnabled());
}

}  // namespace
}  // namespace fiscora::qt

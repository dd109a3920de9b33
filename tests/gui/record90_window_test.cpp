// "Reconstruir registro 90" and the file-type window, clicked as a user would.
#include <QPushButton>
#include <QRadioButton>

#include "main_window_fixture.h"
#include "sintegra/ui/file_type_window.h"

namespace fiscora::qt {
namespace {

std::string Record10(char purpose) {
  std::string r = "10" + std::string("12345678000195") + "123456789     ";
  r.resize(107, ' ');
  r += "2024030120240331";
  r.resize(125, ' ');
  return r + purpose;
}

TEST_F(MainWindowTest, Record90ButtonWritesTheCopyAndSaysSo) {
  fs::create_directories(folder_);
  const fs::path file = folder_ / "mes.txt";
  std::ofstream(file, std::ios::binary) << Record10('1') << "\r\n";
  Find<QLineEdit>("edtarq")->setText(QString::fromStdString(file.string()));
  state().btn_reg90.SetEnabled(true);

  QTest::mouseClick(Find<QAbstractButton>("btn_reg90"), Qt::LeftButton);
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_EQ(recorder_.messages[0].title, "Fiscora");
  EXPECT_EQ(recorder_.messages[0].text, "Registro 90 criado com sucesso!");
  EXPECT_TRUE(fs::exists(folder_ / "Modif_mes.txt"));
}

TEST_F(MainWindowTest, FileTypeWindowWritesTheChosenCodeAndSetsTheLabels) {
  auto* w = frm_->findChild<TfrmTipo_arq*>(QStringLiteral("frmTipo_arq"));
  ASSERT_NE(w, nullptr);
  const struct {
    const char* name;
    const char* caption;
  } buttons[] = {{"rbtnNormal", "1 - Normal"},
                 {"rbtnTotal", "2 - RetificaçãoTotal"},
                 {"rbtnAditiva", "3 - Retificação Aditiva"},
                 {"rbtnDesfazimento", "5 - Desfazimento"}};
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.name);
    auto* radio = w->findChild<QRadioButton*>(QString::fromLatin1(b.name));
    ASSERT_NE(radio, nullptr);
    EXPECT_EQ(radio->text().toStdString(), b.caption);
    EXPECT_FALSE(radio->isChecked());  // none selected at first
  }
  auto* group = w->findChild<QGroupBox*>();
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->title().toStdString(), "   Selecione o tipo de arquivo a modificar:   ");

  fs::create_directories(folder_);
  const fs::path file = folder_ / "mes.txt";
  std::ofstream(file, std::ios::binary) << Record10('1') << "\r\n";
  Find<QLineEdit>("edtarq")->setText(QString::fromStdString(file.string()));
  w->show();
  w->findChild<QRadioButton*>(QStringLiteral("rbtnAditiva"))->setChecked(true);
  QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);

  EXPECT_EQ(Slurp(file), Record10('3') + "\r\n");
  EXPECT_EQ(Find<QLabel>("lbl_tipo_arq")->text().toStdString(), " 3 - Retificação");
  EXPECT_EQ(Find<QLabel>("lbl_tipo_arq2")->text().toStdString(), "Aditiva");
  EXPECT_FALSE(w->isVisible());
  EXPECT_TRUE(recorder_.messages.empty());
}

}  // namespace
}  // namespace fiscora::qt

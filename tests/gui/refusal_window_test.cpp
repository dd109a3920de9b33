// Refusals seen in the window: a file that is not SINTEGRA gets its message
// box when "Verificar" starts, with the grids left empty; a working folder
// that cannot be made is told once the window is up.
#include "main_window_fixture.h"

namespace fiscora::qt {
namespace {

using RefusalWindowTest = MainWindowTest;

TEST_F(RefusalWindowTest, VerificarOnATextFileThatIsNotSintegraShowsWhyAndLoadsNothing) {
  const fs::path file =
      folder_.parent_path() /
      ("fiscora-gui-refusal-" + std::to_string(QCoreApplication::applicationPid()) + ".txt");
  std::ofstream(file, std::ios::binary) << "Relatorio de vendas\r\n10 nada\r\n";
  recorder_.open_file = file.string();
  Find<QAbstractButton>("sbtnarq")->click();
  recorder_.messages.clear();
  Find<QAbstractButton>("sbtnverificar")->click();
  Pump();
  ASSERT_EQ(recorder_.messages.size(), 1u);
  const std::string& text = recorder_.messages[0].text;
  EXPECT_NE(text.find("não é um arquivo SINTEGRA"), std::string::npos) << text;
  EXPECT_NE(text.find("(linha 1)"), std::string::npos) << text;
  for (const auto& table : dtm_->tables()) {
    if (table->name() != "cds_ident") {
      EXPECT_TRUE(table->IsEmpty()) << table->name();
    }
  }
  // The file controls come back once, from the run's own end.
  for (const char* name : {"sbtnarq", "sbtn_sped", "edtarq", "btn_reg90"})
    EXPECT_TRUE(Find(name)->isEnabled()) << name;
  fs::remove(file);
}

TEST(RefusalWindow, WorkingFolderThatCannotBeMadeIsToldAtStart) {
  const fs::path blocker =
      fs::temp_directory_path() /
      ("fiscora-gui-blocker-" + std::to_string(QCoreApplication::applicationPid()));
  std::ofstream(blocker) << "a file where the folder should go";
  RecordingUserInterface recorder;
  {
    Tfrmprincipal frm(blocker / "vorn");
    frm.RouteDialogsTo(&recorder);
    QCoreApplication::processEvents();
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_NE(recorder.messages[0].text.find("pasta de trabalho"), std::string::npos)
        << recorder.messages[0].text;
  }
  fs::remove(blocker);
}

}  // namespace
}  // namespace fiscora::qt

// Choosing the SINTEGRA file without the dialog, the kind of file the
// dialog is asked for, and the file names proposed to save dialogs.
#include "workflow/file_choice.h"

#include <gtest/gtest.h>

#include "session/file_names.h"
#include "sintegra_fixture.h"

namespace fiscora {
namespace {

using testing::R10;
using testing::TestSession;

TEST(FileChoice, ArquivoAsksForASintegraFile) {
  TestSession t;
  t.ui.open_file.reset();
  sbtnarqClick(t.s);
  ASSERT_EQ(t.ui.file_dialogs.size(), 1u);
  EXPECT_EQ(t.ui.file_dialogs[0].kind, FileKind::kSintegra);
}

TEST(FileChoice, ADroppedFileIsResetAndIdentifiedAsArquivoWould) {
  TestSession t;
  t.dtm.cds_50.Append();
  t.dtm.cds_50.Post();
  t.frm.lbllinhas.SetText("123");
  const std::string file = t.File({R10("98765432000110", "20240401", "20240430", '3').str()});

  ChooseFile(t.s, file);

  EXPECT_TRUE(t.ui.file_dialogs.empty());  // no dialog
  EXPECT_EQ(t.dtm.cds_50.RecordCount(), 0);
  EXPECT_EQ(t.frm.lbllinhas.text(), "");
  EXPECT_EQ(t.frm.edtarq.text(), file);
  EXPECT_EQ(t.frm.lblCnpj.text(), "98.765.432/0001-10");
  EXPECT_TRUE(t.frm.sbtnverificar.enabled());
  EXPECT_TRUE(t.frm.btn_reg90.enabled());
  EXPECT_TRUE(t.ui.messages.empty());
}

TEST(FileChoice, AMissingDroppedFileGivesTheMessageOfArquivo) {
  TestSession t;
  ChooseFile(t.s, (t.dir.path() / "nao_existe.txt").string());
  ASSERT_EQ(t.ui.messages.size(), 1u);
  EXPECT_EQ(t.ui.messages[0].title, "ATENÇÃO!!!");
  EXPECT_EQ(t.ui.messages[0].text,
            "O arquivo selecionado não existe! Tente localiza-lo novamente.");
  EXPECT_EQ(t.frm.edtarq.text(), "");
  EXPECT_FALSE(t.frm.sbtnverificar.enabled());
}

TEST(FileChoice, ChoosingTheFileInTheBoxAgainKeepsIt) {
  // The path may be edtarq's own text, which the reset clears.
  TestSession t;
  const std::string file = t.File({R10().str()});
  SetEdtarqText(t.s, file);
  ChooseFile(t.s, t.frm.edtarq.text());
  EXPECT_EQ(t.frm.edtarq.text(), file);
  EXPECT_TRUE(t.ui.messages.empty());
}

TEST(FileNames, ProposedNameIsTheInputsNameAndTheKindOfExport) {
  const struct Case {
    const char* input;
    const char* kind;
    const char* extension;
    const char* expected;
  } cases[] = {
      {"C:\\dados\\loja_03-2025.txt", "inventario", "xlsx", "loja_03-2025 - inventario.xlsx"},
      {"/home/ana/loja_03-2025.txt", "inventario", "xlsx", "loja_03-2025 - inventario.xlsx"},
      {"loja.03.2025.txt", "aliquotas", "xlsx", "loja.03.2025 - aliquotas.xlsx"},
      {"/dados/sem_extensao", "mensagem", "txt", "sem_extensao - mensagem.txt"},
      {"/dados/.oculto", "mensagem", "txt", ".oculto - mensagem.txt"},
      {"/dados/Relatório de março.txt", "notas", "xlsx", "Relatório de março - notas.xlsx"},
      {"", "inventario", "xlsx", "inventario.xlsx"},
      {"/dados/", "inventario", "xlsx", "inventario.xlsx"},
      {"loja.txt", "auditoria", "", "loja - auditoria"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(ProposedFileName(c.input, c.kind, c.extension), c.expected);
  }
}

}  // namespace
}  // namespace fiscora

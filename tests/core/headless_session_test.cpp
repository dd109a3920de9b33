// The session without a window that fiscora-cli, the tests, the fuzz targets
// and the benchmarks share, and the state that the routines take in place of
// the main window's controls: the chosen file, the printers in use and
// "something was loaded".
#include "session/headless_session.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sintegra/notes.h"
#include "sintegra/record90.h"
#include "sintegra_fixture.h"
#include "workflow/envelope.h"
#include "workflow/file_choice.h"
#include "workflow/verification.h"

namespace fiscora {
namespace {

using namespace fiscora::testing;

TEST(HeadlessSession, StartsAsTheWindowDoesWithNothingReported) {
  TempDir dir;
  auto owned = std::make_unique<RecordingUserInterface>();
  RecordingUserInterface* given = owned.get();
  HeadlessSession h(dir.path(), std::move(owned));

  // One user interface for the session and for the controls' changes.
  EXPECT_EQ(&h.ui, given);
  EXPECT_EQ(&h.s.ui, given);
  EXPECT_EQ(h.frm.user_interface(), given);
  EXPECT_EQ(&h.s.dtm, &h.dtm);
  EXPECT_EQ(&h.s.frm, &h.frm);
  EXPECT_EQ(h.s.working_folder, dir.path());

  // The controls as the window's creation leaves them, none reported as set.
  EXPECT_EQ(h.frm.btn_reg90.text(), "Reconstruir\rregistro 90");
  EXPECT_FALSE(h.frm.sbtnverificar.enabled());
  EXPECT_EQ(h.frm.lblecf004.text(), "ECF 000:");
  for (const Control* c : h.frm.controls()) {
    EXPECT_FALSE(c->text_set()) << c->name();
    EXPECT_FALSE(c->visibility_set()) << c->name();
  }
  // No file chosen, no printer in use, nothing loaded; the problem lists at
  // their start values.
  EXPECT_EQ(h.s.sintegra.file, "");
  EXPECT_EQ(h.s.sintegra.EcfSlotsUsed(), 0);
  EXPECT_FALSE(h.s.sintegra.loaded);
  EXPECT_EQ(h.s.sintegra.problems.header.rfind("PRODUTOS COM PROBLEMAS.", 0), 0u);
  EXPECT_FALSE(h.s.sintegra.problems.without_75.flag);
}

TEST(ChosenFile, KeptInTheStateAndShownInTheFileBox) {
  // clang-format off
  struct Case {
    const char* name;
    bool exists;
    std::string left;  // the chosen file afterwards, "=" for the file itself
  } cases[] = {
      {"an existing file", true, "="},
      {"a missing file", false, ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSession t;
    const std::string file =
        c.exists ? t.File({R10().str()}) : (t.dir.path() / "nao_existe.txt").string();
    ChooseFile(t.s, file);
    const std::string expected = c.left == "=" ? file : c.left;
    EXPECT_EQ(t.s.sintegra.file, expected);
    EXPECT_EQ(t.frm.edtarq.text(), expected);
    // What the routines take is the state: the record 90 rebuild and the
    // verification work on it.
    t.ui.messages.clear();
    btn_reg90Click(t.s);
    ASSERT_FALSE(t.ui.messages.empty());
    EXPECT_EQ(t.ui.messages.back().text,
              c.exists ? "Registro 90 criado com sucesso!" : "Arquivo não existe ou campo vazio.");
  }
}

TEST(ChosenFile, ANewChoiceFreesThePrinterSlotsWithTheirLabels) {
  // A run over six printers, then the choice of a missing file and a run:
  // the labels are back at "ECF 000:" and the panels 4 to 6 hidden, as no
  // printer is in use any more.
  TestSession t;
  std::vector<std::string> lines;
  for (int n = 1; n <= 6; ++n) {
    const std::string order = "00" + std::to_string(n);
    lines.push_back(R60M("S" + order, order));
  }
  t.Verify(lines);
  ASSERT_EQ(t.s.sintegra.EcfSlotsUsed(), 6);
  ASSERT_TRUE(t.frm.pnlecf4.visible());

  ChooseFile(t.s, (t.dir.path() / "nao_existe.txt").string());
  EXPECT_EQ(t.s.sintegra.EcfSlotsUsed(), 0);
  for (const Control* name : t.frm.ecf_name) EXPECT_EQ(name->text(), "ECF 000:");
  sbtnverificarClick(t.s);
  for (const Control* panel : {&t.frm.pnlecf4, &t.frm.pnlecf5, &t.frm.pnlecf6})
    EXPECT_FALSE(panel->visible()) << panel->name();
  EXPECT_FALSE(t.s.sintegra.loaded);
}

TEST(NoteSearch, TheNumberIsAParameterAndTheBoxShowsIt) {
  // The envelope of a search reports the number in edt_pesq50, as the box
  // shows it, whatever the box held before.
  TestSession t;
  t.frm.edt_pesq50.SetText("1");
  btn_pesq50Click(t.s, "004512");
  EXPECT_EQ(t.frm.edt_pesq50.text(), "004512");
  const std::string envelope = BuildEnvelope(t.s, t.ui.messages, EnvelopeOptions{});
  EXPECT_NE(envelope.find("\"edt_pesq50\":\"004512\""), std::string::npos);
}

}  // namespace
}  // namespace fiscora

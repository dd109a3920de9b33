// The main window's tools on its sheets: the title clicks of the grids, the
// note search, the note analysis and summary, and the two summaries.
#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>

#include "app/kit/controls.h"
#include "app/kit/ui_text.h"
#include "app/model/table_model.h"
#include "app/ui/main_window.h"
#include "sintegra/notes.h"

namespace fiscora::qt {

void Tfrmprincipal::AttachSheetTools() {
  // Every grid orders the table it shows: dbgrd1 orders cds_res_aliq.
  for (const char* name :
       {"dbg_inventario", "dbg_totaliq", "dbgrd1", "dbgaliq", "dbgmaxmin", "dbg_50"})
    if (auto* grid = findChild<QTableView*>(QString::fromLatin1(name)))
      OrderOnTitleClick(grid, TitleStyle::kBold, [this] { return !runner_.Busy(); });
  if (windows_.frmDifNota) windows_.frmDifNota->Attach(*session_);
  if (windows_.frmResumoNota) windows_.frmResumoNota->Attach(*session_);
  if (windows_.frm_cfop) windows_.frm_cfop->Attach(*session_);
  if (windows_.frmResumoFiscal) windows_.frmResumoFiscal->Attach(*session_);
}

void Tfrmprincipal::ConnectNoteHandlers() {
  const auto button = [this](const char* name) {
    return findChild<QAbstractButton*>(QString::fromLatin1(name));
  };
  // The summaries read the tables a routine may be filling: not meanwhile.
  connect(button("btn_cfop"), &QAbstractButton::clicked, this, [this] {
    if (!runner_.Busy()) ShowModal(windows_.frm_cfop);
  });
  connect(button("Button2"), &QAbstractButton::clicked, this, [this] {
    if (!runner_.Busy()) ShowModal(windows_.frmResumoFiscal);
  });
  connect(button("btn_pesq50"), &QAbstractButton::clicked, this, [this] {
    bool found = false;
    auto* search = findChild<QLineEdit*>(QStringLiteral("edt_pesq50"));
    const std::string number = search ? CoreText(search->text()) : std::string();
    RunAction([&found, &number](Session& s) { found = btn_pesq50Click(s, number); });
    if (found)
      if (auto* grid = findChild<QTableView*>(QStringLiteral("dbg_50"))) grid->setFocus();
  });
  connect(button("bbtnAnalisarNotas"), &QAbstractButton::clicked, this, [this] {
    std::optional<std::string> total;
    RunAction([&total](Session& s) { total = bbtnAnalisarNotasClick(s); });
    if (!total || !windows_.frmDifNota) return;
    windows_.frmDifNota->SetTotal(*total);
    ShowModal(windows_.frmDifNota);
  });
}

bool Tfrmprincipal::NoteKey(QWidget* watched, int key) {
  if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
  if (auto* search = qobject_cast<QLineEdit*>(watched);
      search && search->objectName() == QLatin1String("edt_pesq50")) {
    if (!search->text().isEmpty())
      if (auto* b = findChild<QAbstractButton*>(QStringLiteral("btn_pesq50"))) b->click();
    return true;
  }
  auto* grid = qobject_cast<QTableView*>(watched);
  if (!grid || grid->objectName() != QLatin1String("dbg_50") || !session_) return false;
  // The note the user stands on is the current row of cds_50.
  if (auto* model = qobject_cast<TableModel*>(grid->model());
      model && grid->currentIndex().isValid())
    if (auto row = model->RowIdAt(grid->currentIndex().row())) model->table().GotoBookmark(*row);
  std::optional<NoteHeader> note;
  RunAction([&note](Session& s) { note = dbg_50Enter(s); });
  if (note && windows_.frmResumoNota) {
    windows_.frmResumoNota->fields = *note;
    ShowModal(windows_.frmResumoNota);
  }
  return true;
}

}  // namespace fiscora::qt

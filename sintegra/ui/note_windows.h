// The windows of the notes sheet: the note analysis frmDifNota (the notes
// whose total differs from their parts) and the note summary frmResumoNota
// (one note's items and their totals per rate).
#pragma once

#include <memory>

#include "app/kit/secondary_window.h"
#include "data/client_table.h"
#include "session/session.h"
#include "sintegra/notes.h"

class QLabel;
class QTableView;

namespace fiscora::qt {

class TfrmDifNota : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit TfrmDifNota(QWidget* parent);
  // Binds the grid dbg_dif to cds_dif_nota.
  void Attach(Session& s);
  // lblTotNota: the number of notes listed.
  void SetTotal(const std::string& count);
};

class TfrmResumoNota : public SecondaryWindow {
  Q_OBJECT

 public:
  explicit TfrmResumoNota(QWidget* parent);
  // Binds the grid DBGrid1 to cds_resumo_50.
  void Attach(Session& s);

  // Set by the caller before the window is shown: nota, data, ie, cnpj, uf,
  // modelo, serie and emissao of the note.
  NoteHeader fields;

 protected:
  // FormShow: the labels, and the rate table created and filled.
  void showEvent(QShowEvent* event) override;
  // FormClose: the rate table discarded.
  void done(int result) override;

 private:
  Session* s_ = nullptr;
  QTableView* dbg_resumo_aliq_ = nullptr;
  std::unique_ptr<ClientTable> rates_;
};

}  // namespace fiscora::qt

// The file-type choice window frmTipo_arq ("Escolha o tipo do arquivo"):
// four radio buttons for the purpose code of record 10 and "Confirmar".
// The window only knows the buttons; the main window hands it the routine
// that writes the chosen code.
#pragma once

#include <QDialog>
#include <functional>

class QRadioButton;

namespace fiscora::qt {

class TfrmTipo_arq : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmTipo_arq(QWidget* parent);

  // Called by "Confirmar" with the code of the selected button ('5' when none
  // of the first three is selected); the window closes when it returns true.
  void SetConfirmHandler(std::function<bool(char)> handler) { confirm_ = std::move(handler); }
  // The code "Confirmar" would hand over now.
  char SelectedCode() const;

 private:
  void Button1Click();

  QRadioButton* rbtnNormal_ = nullptr;
  QRadioButton* rbtnTotal_ = nullptr;
  QRadioButton* rbtnAditiva_ = nullptr;
  QRadioButton* rbtnDesfazimento_ = nullptr;
  std::function<bool(char)> confirm_;
};

}  // namespace fiscora::qt

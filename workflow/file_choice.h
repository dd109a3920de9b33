// File choice ("Arquivo"): the reset, the dialog and the identification of
// the chosen file.
#pragma once

#include <string>
#include <string_view>

#include "session/session.h"

namespace fiscora {

// "Arquivo" clicked: reset, file dialog, identification of the chosen file.
void sbtnarqClick(Session& s);
// The reset every file choice starts with: the main window and the SINTEGRA
// tables emptied, no file chosen (edtarq cleared).
void StartFileChoice(Session& s);
// A file chosen without the dialog (dropped on the window, picked from the
// recent files): the reset of "Arquivo", then FileChosen.
void ChooseFile(Session& s, std::string_view path);
// The steps of the file choice after the dialog: the path becomes the chosen
// file (shown in edtarq); an existing file has its header read and enables
// btn_reg90; a missing one gives the message and clears the choice. An empty
// path does nothing.
void FileChosen(Session& s, std::string_view path);
// The text of edtarq changed (or a routine sets it): it becomes the chosen
// file, and "Verificar" is enabled exactly when it holds text.
void SetEdtarqText(Session& s, std::string text);

}  // namespace fiscora

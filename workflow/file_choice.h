// File choice ("Arquivo"): the reset, the dialog and the identification of
// the chosen file.
#pragma once

#include <string>
#include <string_view>

#include "session/session.h"

namespace fiscora {

// "Arquivo" clicked: reset, file dialog, identification of the chosen file.
void sbtnarqClick(Session& s);
// The steps of the file choice after the dialog: the path is written into
// edtarq; an existing file has its header read and enables btn_reg90; a
// missing one gives the message and clears edtarq. An empty path does nothing.
void FileChosen(Session& s, std::string_view path);
// The text of edtarq changed: "Verificar" is enabled exactly when it holds text.
void SetEdtarqText(Session& s, std::string text);

}  // namespace fiscora

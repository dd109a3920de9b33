// The verification run started by "Verificar" (or Enter in edtarq).
#pragma once

#include "session/session.h"

namespace fiscora {

class InputCheckAhead;

// `ahead`: the chosen file's input check, when it was started before (the
// run makes its own without it).
void sbtnverificarClick(Session& s, InputCheckAhead* ahead = nullptr);
// Enter pressed in edtarq: the click action of "Verificar" when the window
// says that button can be pressed (shown and enabled); nothing otherwise.
void EdtarqEnter(Session& s, bool verificar_usable);
void WarnMissingRecords(Session& s);

}  // namespace fiscora

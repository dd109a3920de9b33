// The verification run started by "Verificar" (or Enter in edtarq).
#pragma once

#include "session/session.h"

namespace fiscora {

void sbtnverificarClick(Session& s);
// Enter pressed in edtarq: the click action of "Verificar" when the window
// says that button can be pressed (shown and enabled); nothing otherwise.
void EdtarqEnter(Session& s, bool verificar_usable);
void WarnMissingRecords(Session& s);

}  // namespace fiscora

// The verification run started by "Verificar" (or Enter in edtarq).
#pragma once

#include "session/session.h"

namespace fiscora {

void sbtnverificarClick(Session& s);
// Enter pressed in edtarq: the click action of "Verificar" when the button
// is visible, enabled or not.
void EdtarqEnter(Session& s);
void WarnMissingRecords(Session& s);

}  // namespace fiscora

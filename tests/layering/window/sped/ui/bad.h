// A window that includes another subsystem's window.
#include "sintegra/ui/note_windows.h"
#include "sped/ui/notes_window.h"

// The kit including a subsystem's window.
#include "sped/ui/frm_sped.h"

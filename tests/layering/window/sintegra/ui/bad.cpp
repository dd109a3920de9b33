// A window that includes the main window.
#include "app/ui/main_window.h"

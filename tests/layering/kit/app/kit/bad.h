// The kit including the main window.
#include "app/ui/main_window.h"

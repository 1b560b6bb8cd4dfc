// Compiled as a backend is: it links the platform alone, so the windows' headers are out of
// its reach and this include must fail.
#include "main_window/main_layout.h"

// Compiled as the windows' library is: it links the platform alone, so the Win32 backend's
// headers are out of its reach and this include must fail.
#include "platform/win32/win32_form.h"

// The ids of zelvane.exe's resources, for its resource script and for the layouts that name
// them. Plain defines: the resource compiler reads this file too.
#pragma once

#define ZELVANE_ERASER_ICON 101  // the main window's
#define ZELVANE_FLOPPY_ICON 102  // the About window's

// Compiled as the backup is: it links the erase beneath it, not the command line above it,
// which writes backups, so this include must fail.
#include "command_line/command_report.h"

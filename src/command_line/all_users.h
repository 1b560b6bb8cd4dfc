#pragma once

#include "command_line/command_run.h"
#include "command_line/owners.h"

namespace zelvane {

// Unloads the hives under this program's private names that a run ended before its unload
// (killed, or the PC's power lost) left loaded, classes hives first, each named. Called once,
// with the all-users lock held, so that none is another run's.
void UnloadLeftovers(CommandRun& run);

// Hands visit every user's places for /allusers: each profile's (its loaded hive when the user
// is logged on, else its hive files, loaded for the visit and unloaded before anything about
// them is written), then the default user's. What it finds of each user (loaded, covered,
// nothing, not reached, a user it cannot reach) goes to `told`; a hive that stays loaded and
// a stop go to the run's report, whichever walk meets them. False when the run was asked to
// stop before it was through: then it stopped after the user at hand, and said so.
bool ForEachUser(CommandRun& run, Report& told, const OwnerVisit& visit);

}  // namespace zelvane

// The commands of zelvane_bench, one benchmark to a file; each takes the arguments after
// its name and returns the process's exit code.
#pragma once

namespace zelvane::bench {

// listing.cpp
int Listing(int argc, char** argv);
int ListingShown(int argc, char** argv);

// erasure.cpp
int SeedTree(int argc, char** argv);
int Erase(int argc, char** argv);
int CheckErased(int argc, char** argv);
int Clean();

// reading.cpp
int Read(int argc, char** argv);
int BackupErase(int argc, char** argv);

// animation.cpp
int Animation();

// building.cpp
int BuildSteps();
int BuildForm();
int BuildEmpty();

}  // namespace zelvane::bench

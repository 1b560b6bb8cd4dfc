// The program's listing, erasure, animation and window building against the Windows calls
// beneath them, under Wine, and the registry seeding the other benchmarks start from. Each
// benchmark has a file of its own (benchmarks.h).
//
//   zelvane_bench listing <reps> <accounts>...   listing, one result line per account count
//   zelvane_bench listing-shown <reps> <accounts>  the same into a list that is on screen
//   zelvane_bench seed-tree <uin>                one account holding a 10,000-key subtree,
//                                                and one sibling account beside it
//   zelvane_bench erase <uin>                    erases the account the program's way
//   zelvane_bench check-erased <uin>             the account is gone, its sibling is not
//   zelvane_bench read <uin>                     reads the account as /whatif does, timing
//                                                each kind of registry call
//   zelvane_bench backup-erase <uin>             reads it for a backup and erases it so
//   zelvane_bench clean                          removes every key the benchmarks made
//   zelvane_bench animation                      the real window's expansion and collapse
//   zelvane_bench build-steps                    each stage of building the main window
//   zelvane_bench build-form                     the main window built by the program's code
//   zelvane_bench build-empty                    an empty window built and shown
#include <exception>
#include <string>

#include "bench_support.h"
#include "benchmarks.h"

int main(int argc, char** argv) {
    using namespace zelvane::bench;
    if (argc < 2) Fail("usage: zelvane_bench <command> [arguments]; see the source's head");
    const std::string command = argv[1];
    try {
        if (command == "listing") return Listing(argc - 2, argv + 2);
        if (command == "listing-shown") return ListingShown(argc - 2, argv + 2);
        if (command == "seed-tree") return SeedTree(argc - 2, argv + 2);
        if (command == "erase") return Erase(argc - 2, argv + 2);
        if (command == "check-erased") return CheckErased(argc - 2, argv + 2);
        if (command == "read") return Read(argc - 2, argv + 2);
        if (command == "backup-erase") return BackupErase(argc - 2, argv + 2);
        if (command == "clean") return Clean();
        if (command == "animation") return Animation();
        if (command == "build-steps") return BuildSteps();
        if (command == "build-form") return BuildForm();
        if (command == "build-empty") return BuildEmpty();
    } catch (const std::exception& error) {
        Fail(command + ": " + error.what());
    }
    Fail("unknown command " + command);
}

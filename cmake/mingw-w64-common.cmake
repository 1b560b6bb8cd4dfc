# The compilers' thread model. zelvane.exe is built with win32: the posix model's runtime
# (winpthreads, linked in by libstdc++) imports GetTickCount64, which Windows XP lacks, and
# the program has one thread. GoogleTest needs std::mutex, which only the posix model has
# in GCC 12, so the Windows-side tests are built with posix in a tree of their own.
set(ZELVANE_THREAD_MODEL win32 CACHE STRING "MinGW-w64 thread model: win32 or posix")
set_property(CACHE ZELVANE_THREAD_MODEL PROPERTY STRINGS win32 posix)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ZELVANE_THREAD_MODEL)
set(CMAKE_C_COMPILER ${ZELVANE_MINGW_TRIPLE}-gcc-${ZELVANE_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${ZELVANE_MINGW_TRIPLE}-g++-${ZELVANE_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${ZELVANE_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZELVANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# One self-contained file: the MinGW runtime and libstdc++ linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Release builds are made small: optimised for size (-Oz, which takes smaller code where
# -Os would take faster) and the symbols stripped; zelvane.exe is one translation unit (see
# src/app). Set as cache defaults here because CMake's own Release default (-O3) is appended
# to any *_INIT value; a build directory takes these, and -D on the command line overrides.
# Without the link timestamp, the same sources build the same bytes. Each flag below was
# measured on the exe, and kept because it makes it smaller:
# - no decloning, which gives each constructor and destructor a shared body and an entry
#   point for each of its variants: here the entry points cost more than they save (7 KB);
# - no run-time type information: nothing asks a type at run time (a form checks a
#   control's kind by its layout), and the type names and tables of every class cost 5 KB;
# - no guard around a function's static objects: all are made on the main thread (the
#   console handler's thread uses one only, made before the handler is set), and the guard
#   calls and their lock cost 2 KB;
# - a frame pointer kept (1 KB on x64) and no partial inlining, which copies the first
#   lines of a function into its callers (0.5 KB);
# - no code hoisting, which moves a computation that both ways of a branch make ahead of
#   it, where it keeps a register taken across the branch, and none of the minor
#   optimisations GCC calls expensive (0.5 KB each on x64).
# No section for each datum or function: in one translation unit all of them are used, and
# the assembler pads each code section to 16 bytes on x64. GCC 12's link-time optimisation
# fails on this target with an internal compiler error.
# The defaults are remembered beside the flags: a build folder whose flags are still the
# defaults it was made with takes new defaults, so that the size test never measures old
# flags; flags set by hand (-D) are kept. A folder made before the defaults were remembered
# takes them once.
function(zelvane_release_flags kind default)
    set(flags CMAKE_${kind}_FLAGS_RELEASE)
    set(known ZELVANE_DEFAULT_${kind}_FLAGS_RELEASE)
    if(DEFINED CACHE{${known}} AND "$CACHE{${flags}}" STREQUAL "$CACHE{${known}}"
       OR NOT DEFINED CACHE{${known}} AND DEFINED CACHE{CMAKE_CACHE_MAJOR_VERSION})
        set(${flags} "${default}" CACHE STRING "Release flags" FORCE)
    else()
        set(${flags} "${default}" CACHE STRING "Release flags")
    endif()
    set(${known} "${default}" CACHE INTERNAL "")
endfunction()
zelvane_release_flags(CXX
    "-Oz -DNDEBUG -fno-declone-ctor-dtor -fno-rtti -fno-threadsafe-statics \
-fno-omit-frame-pointer -fno-partial-inlining -fno-code-hoisting \
-fno-expensive-optimizations")
zelvane_release_flags(EXE_LINKER "-s -Wl,--gc-sections -Wl,--no-insert-timestamp")

# Tests run through Wine in the build's own throwaway prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec)

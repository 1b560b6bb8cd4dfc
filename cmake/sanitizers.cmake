option(ZELVANE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(ZELVANE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
endif()

# The fuzzers' coverage is compiled into everything, the unit tests' code too: the sanitizer
# runtimes supply the hooks for the programs that are not fuzzers.
option(ZELVANE_FUZZ "Build the libFuzzer targets too (clang, with ZELVANE_SANITIZE)" OFF)
if(ZELVANE_FUZZ)
    if(NOT ZELVANE_SANITIZE)
        message(FATAL_ERROR "ZELVANE_FUZZ needs ZELVANE_SANITIZE: the fuzzers find faults "
                            "through the sanitizers")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

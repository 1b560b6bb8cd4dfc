# Warnings on, for the project's own targets.
function(zelvane_warnings target)
    if(MSVC)
        target_compile_options(${target} PRIVATE /W4)
    else()
        # The layouts are tables of designated initializers that name only what differs
        # from each member's default, which GCC 12 would warn about member by member.
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                                 -Wno-sign-conversion
                                                 -Wno-missing-field-initializers)
    endif()
endfunction()

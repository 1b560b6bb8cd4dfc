# The Windows headers as the project's Windows targets use them: the UTF-16 API, lean
# headers without min and max macros, and Windows XP as the oldest system, so that the
# headers hide whatever came later and a newer call cannot slip in unnoticed.
add_library(zelvane_windows INTERFACE)
target_compile_definitions(zelvane_windows INTERFACE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                     _WIN32_WINNT=0x0501 WINVER=0x0501)

# The same for the tests and benchmarks, which run under Wine only and may use Windows 7's
# calls. The options come after the definitions on the command line, so they win.
add_library(zelvane_windows_tools INTERFACE)
target_link_libraries(zelvane_windows_tools INTERFACE zelvane_windows)
target_compile_options(zelvane_windows_tools INTERFACE -U_WIN32_WINNT -D_WIN32_WINNT=0x0601
                                                       -UWINVER -DWINVER=0x0601)

# No path of the build machine in the program: the source and build folders are written as
# relative paths wherever the compiler records one (__FILE__, debug information), so that
# the same source builds the same bytes wherever it lies.
if(MINGW)
    add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>"
                        "$<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${PROJECT_BINARY_DIR}/=>")
endif()

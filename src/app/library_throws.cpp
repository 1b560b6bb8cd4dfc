// The standard library's throws of its logic errors (a string grown past its largest size,
// an index out of range, an empty std::function called), defined here so that libstdc++'s
// are not taken from the library at all. Its own build std::length_error and the like, and
// their message strings bring the library's old reference-counted string and, through it,
// the narrow string and the random-number device into the executable: some 50 KB of a
// program of 200 KB, for errors that no working program throws. Each throws here what the
// program reports it as anyway (see ErrorReport): running out of memory stays
// std::bad_alloc, every other one is the run-time error "Invalid procedure call or argument".
//
// Should the program come to call a throw that is not defined here, the linker takes the
// library's file for it and then fails on the duplicates of these: none can be missed.
#include <functional>
#include <new>

#include "platform/runtime_error.h"

namespace std {

void __throw_bad_alloc() {
    throw bad_alloc();
}

void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}

void __throw_bad_function_call() {
    throw zelvane::RuntimeError::InvalidCall();
}

void __throw_length_error(const char*) {
    throw zelvane::RuntimeError::InvalidCall();
}

void __throw_logic_error(const char*) {
    throw zelvane::RuntimeError::InvalidCall();
}

void __throw_out_of_range_fmt(const char*, ...) {
    throw zelvane::RuntimeError::InvalidCall();
}

}  // namespace std

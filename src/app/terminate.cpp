// What std::terminate calls when nothing else was set: straight to abort. libstdc++'s own
// default prints the exception's type to standard error first, which a windowed program
// does not have, and pulls its name demangler and printf (some 60 KB) into the executable
// to do so. Defined here, it is not taken from the library at all. Nothing reaches it in a
// working program: no exception leaves a window procedure or a handler.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler();

void __verbose_terminate_handler() {
    std::abort();
}

}  // namespace __gnu_cxx

// A link choice, like TickCount64.cpp: libstdc++'s handler for an exception
// that nothing catches writes the exception's type, demangled, to standard
// error, which a windowed program does not have, and brings the whole C++
// demangler with it, about an eighth of the program. Defined here, it is
// taken instead of the library's and ends the program at once.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

// A link choice, like Throw.cpp: libstdc++'s guard for a function's static
// waits on a winpthreads condition and throws where a constructor throws,
// which brings the threads library and the whole unwinder along, about a
// seventh of the program. The program throws nothing, so a guard needs only
// to let one thread construct while the others wait: the state beside the
// compiler's "done" byte goes from 0 (not begun) to 1 (being made) to 2.
#include <windows.h>

namespace {

volatile LONG* State(long long* guard) {
  return reinterpret_cast<volatile LONG*>(reinterpret_cast<char*>(guard) + 4);
}

}  // namespace

extern "C" {

int __cxa_guard_acquire(long long* guard) {
  for (;;) {
    const LONG was = InterlockedCompareExchange(State(guard), 1, 0);
    if (was == 0) return 1;
    if (was == 2) return 0;
    Sleep(0);
  }
}

void __cxa_guard_release(long long* guard) {
  *reinterpret_cast<volatile char*>(guard) = 1;
  InterlockedExchange(State(guard), 2);
}

void __cxa_guard_abort(long long* guard) { InterlockedExchange(State(guard), 0); }
}

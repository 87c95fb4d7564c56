// A link choice, like StaticGuard.cpp: the program throws nothing and catches
// nothing, so the only exceptions it could meet are the standard library's
// own (memory exhausted, a length past the maximum), which end it anyway.
// The library's throwing functions bring std::logic_error and its old
// reference-counted string along, about a tenth of the program; these are
// found first and end the program at once, as an uncaught throw would.
#include <cstdlib>
#include <new>

namespace std {

void __throw_bad_cast() { abort(); }
void __throw_bad_function_call() { abort(); }
void __throw_bad_alloc() { abort(); }
void __throw_bad_typeid() { abort(); }
void __throw_bad_exception() { abort(); }
void __throw_bad_array_new_length() { abort(); }
void __throw_logic_error(const char*) { abort(); }
void __throw_range_error(const char*) { abort(); }
void __throw_domain_error(const char*) { abort(); }
void __throw_length_error(const char*) { abort(); }
void __throw_out_of_range(const char*) { abort(); }
void __throw_runtime_error(const char*) { abort(); }
void __throw_overflow_error(const char*) { abort(); }
void __throw_underflow_error(const char*) { abort(); }
void __throw_invalid_argument(const char*) { abort(); }
void __throw_out_of_range_fmt(const char*, ...) { abort(); }

}  // namespace std

// Memory exhausted ends the program, as the throw of std::bad_alloc that
// nothing catches would, without the exception machinery the library's
// operator new brings.
void* operator new(std::size_t size) {
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  std::abort();
}
void* operator new[](std::size_t size) { return operator new(size); }
// The library's sorts ask for room this way and make do without it.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

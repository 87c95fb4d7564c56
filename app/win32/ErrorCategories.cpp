// A link choice, like Throw.cpp: the error categories and the few members of
// std::error_category that the program's own categories inherit. The
// library keeps them in one object file with std::system_error, which brings
// the old reference-counted string, std::random_device and their unwind
// tables along, about an eighth of the program, though the program never
// throws. These are found first, so that object file is never linked.
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace std {
inline namespace _V2 {
namespace {

// errno values, as the C library words them.
class GenericCategory : public error_category {
 public:
  const char* name() const noexcept override { return "generic"; }
  string message(int code) const override { return strerror(code); }
};

// The C library's numbers are all a system category can mean here: the
// program words Windows' own codes through a category of its own.
class SystemCategory : public GenericCategory {
 public:
  const char* name() const noexcept override { return "system"; }
  error_condition default_error_condition(int code) const noexcept override {
    return {code, generic_category()};
  }
};

const GenericCategory genericCategory;
const SystemCategory systemCategory;

}  // namespace

error_category::~error_category() = default;

// Kept for an older string's sake and called by nothing here.
__cow_string error_category::_M_message(int) const { abort(); }

error_condition error_category::default_error_condition(int code) const noexcept {
  return {code, *this};
}

bool error_category::equivalent(int code, const error_condition& condition) const noexcept {
  return default_error_condition(code) == condition;
}

bool error_category::equivalent(const error_code& code, int value) const noexcept {
  return *this == code.category() && code.value() == value;
}

const error_category& generic_category() noexcept { return genericCategory; }
const error_category& system_category() noexcept { return systemCategory; }

}  // namespace _V2
}  // namespace std

#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <system_error>

namespace stowlark::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// Errors whose message() is the system's own description of the code.
const std::error_category& SystemCategory();
std::error_code LastError();
inline std::error_code MakeError(DWORD code) { return {static_cast<int>(code), SystemCategory()}; }

}  // namespace stowlark::win32

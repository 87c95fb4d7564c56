#include "platform/win32/Text.h"

#include "platform/Utf.h"

namespace stowlark::win32 {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

class Win32Category : public std::error_category {
 public:
  const char* name() const noexcept override { return "win32"; }
  // The few conditions that portable code tells apart, whatever Windows
  // code says them; the message stays the system's own.
  std::error_condition default_error_condition(int code) const noexcept override {
    switch (code) {
      case ERROR_FILE_EXISTS:
      case ERROR_ALREADY_EXISTS:
        return std::errc::file_exists;
      case ERROR_DISK_FULL:
      case ERROR_HANDLE_DISK_FULL:
        return std::errc::no_space_on_device;
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
        return std::errc::no_such_file_or_directory;
    }
    return {code, *this};
  }
  std::string message(int code) const override {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length == 0) return "system error " + std::to_string(code);
    std::wstring message(text, length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.')) {
      message.pop_back();
    }
    return Narrow(message);
  }
};

}  // namespace

std::wstring Widen(std::string_view utf8) {
  const auto units = Utf8ToUtf16(utf8);
  return {units.begin(), units.end()};
}

std::string Narrow(std::wstring_view wide) {
  return Utf16ToUtf8({reinterpret_cast<const char16_t*>(wide.data()), wide.size()});
}

const std::error_category& SystemCategory() {
  static const Win32Category category;
  return category;
}

std::error_code LastError() { return MakeError(GetLastError()); }

}  // namespace stowlark::win32

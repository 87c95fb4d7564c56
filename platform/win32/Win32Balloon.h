#pragma once

#include <windows.h>

#include <string>

namespace stowlark::win32 {

// A warning balloon from an icon of the program's own in the notification
// area, for as long as this object lives. Where there is no notification
// area (no shell, a service's desktop), nothing shows and Show says so.
class Balloon {
 public:
  Balloon() = default;
  Balloon(const Balloon&) = delete;
  Balloon& operator=(const Balloon&) = delete;
  ~Balloon();
  bool Show(HWND owner, HICON icon, const std::string& title, const std::string& text);

 private:
  HWND owner_ = nullptr;
};

}  // namespace stowlark::win32

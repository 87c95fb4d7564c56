#pragma once

#include <windows.h>

#include <utility>

namespace stowlark::win32 {

// One owner type per kind of Windows resource, so no path forgets a close.
template <typename Handle, auto Invalid, auto Release>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Invalid)) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, Invalid);
    }
    return *this;
  }
  ~Owned() { Reset(); }
  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != Invalid; }
  void Reset() {
    if (handle_ != Invalid) Release(handle_);
    handle_ = Invalid;
  }

 private:
  Handle handle_ = Invalid;
};

inline void CloseFile(HANDLE handle) { CloseHandle(handle); }
inline void CloseFind(HANDLE handle) { FindClose(handle); }
inline void CloseKernelObject(HANDLE handle) { CloseHandle(handle); }
inline void CloseRegistryKey(HKEY key) { RegCloseKey(key); }
inline void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void DeleteMemoryDc(HDC dc) { DeleteDC(dc); }
inline void DestroyIconHandle(HICON icon) { DestroyIcon(icon); }
inline void DestroyCursorHandle(HCURSOR cursor) { DestroyCursor(cursor); }

using UniqueFile = Owned<HANDLE, nullptr, CloseFile>;
using UniqueFind = Owned<HANDLE, nullptr, CloseFind>;
using UniqueKernelObject = Owned<HANDLE, nullptr, CloseKernelObject>;
using UniqueKey = Owned<HKEY, nullptr, CloseRegistryKey>;
using UniqueGdi = Owned<HGDIOBJ, nullptr, DeleteGdiObject>;
using UniqueMemoryDc = Owned<HDC, nullptr, DeleteMemoryDc>;
using UniqueIcon = Owned<HICON, nullptr, DestroyIconHandle>;
using UniqueCursor = Owned<HCURSOR, nullptr, DestroyCursorHandle>;

// Selects an object into a device context for the length of a scope.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() { SelectObject(dc_, old_); }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// CreateFile and FindFirstFile report failure as INVALID_HANDLE_VALUE; the
// owners above use null, so the adapters normalise on the way in.
inline HANDLE ValidOrNull(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

}  // namespace stowlark::win32

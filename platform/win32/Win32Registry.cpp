#include "platform/win32/Win32Registry.h"

#include <array>
#include <utility>

#include "platform/win32/Text.h"

namespace stowlark::win32 {
namespace {

const std::array<std::pair<RegHandle, HKEY>, 7> kRoots{{
    {0x80000000, HKEY_CLASSES_ROOT},
    {0x80000001, HKEY_CURRENT_USER},
    {0x80000002, HKEY_LOCAL_MACHINE},
    {0x80000003, HKEY_USERS},
    {0x80000004, HKEY_PERFORMANCE_DATA},
    {0x80000005, HKEY_CURRENT_CONFIG},
    {0x80000006, HKEY_DYN_DATA},
}};

}  // namespace

HKEY Win32Registry::Resolve(RegHandle handle) const {
  for (const auto& [value, root] : kRoots) {
    if (value == handle) return root;
  }
  const auto it = open_.find(handle);
  return it == open_.end() ? nullptr : it->second.Get();
}

std::int32_t Win32Registry::OpenKey(RegHandle root, const std::string& subkey, std::uint32_t access,
                                    RegHandle& opened) {
  const HKEY parent = Resolve(root);
  if (parent == nullptr) return ERROR_INVALID_HANDLE;
  HKEY key = nullptr;
  const LONG status = RegOpenKeyExW(parent, Widen(subkey).c_str(), 0, access, &key);
  if (status != ERROR_SUCCESS) return status;
  opened = nextHandle_++;
  open_.emplace(opened, UniqueKey(key));
  return ERROR_SUCCESS;
}

std::int32_t Win32Registry::QueryValue(RegHandle key, const std::string& valueName,
                                       std::uint32_t capacityBytes, RegistryValue& value) {
  const HKEY handle = Resolve(key);
  if (handle == nullptr) return ERROR_INVALID_HANDLE;
  std::vector<std::uint8_t> buffer(capacityBytes);
  DWORD type = REG_SZ;
  DWORD size = capacityBytes;
  const LONG status =
      RegQueryValueExW(handle, Widen(valueName).c_str(), nullptr, &type, buffer.data(), &size);
  if (status != ERROR_SUCCESS) return status;
  buffer.resize(size);
  value = {type, std::move(buffer)};
  return ERROR_SUCCESS;
}

std::int32_t Win32Registry::CloseKey(RegHandle key) {
  const auto it = open_.find(key);
  if (it == open_.end()) return ERROR_INVALID_HANDLE;
  open_.erase(it);
  return ERROR_SUCCESS;
}

std::int32_t Win32Registry::CreateKey(RegHandle root, const std::string& subkey,
                                      RegHandle& opened) {
  const HKEY parent = Resolve(root);
  if (parent == nullptr) return ERROR_INVALID_HANDLE;
  HKEY key = nullptr;
  const LONG status = RegCreateKeyExW(parent, Widen(subkey).c_str(), 0, nullptr, 0,
                                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  opened = nextHandle_++;
  open_.emplace(opened, UniqueKey(key));
  return ERROR_SUCCESS;
}

std::int32_t Win32Registry::SetValue(RegHandle key, const std::string& valueName,
                                     const RegistryValue& value) {
  const HKEY handle = Resolve(key);
  if (handle == nullptr) return ERROR_INVALID_HANDLE;
  return RegSetValueExW(handle, Widen(valueName).c_str(), 0, value.type, value.bytes.data(),
                        static_cast<DWORD>(value.bytes.size()));
}

}  // namespace stowlark::win32

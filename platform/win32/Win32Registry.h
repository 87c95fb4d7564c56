#pragma once

#include <map>

#include "platform/Registry.h"
#include "platform/win32/Handles.h"

namespace stowlark::win32 {

// The registry through the wide functions. Opened keys are known to the
// portable code by small numbers, never by their pointer-sized HKEYs.
class Win32Registry : public RegistryPort {
 public:
  std::int32_t OpenKey(RegHandle root, const std::string& subkey, std::uint32_t access,
                       RegHandle& opened) override;
  std::int32_t QueryValue(RegHandle key, const std::string& valueName, std::uint32_t capacityBytes,
                          RegistryValue& value) override;
  std::int32_t CloseKey(RegHandle key) override;
  std::int32_t CreateKey(RegHandle root, const std::string& subkey, RegHandle& opened) override;
  std::int32_t SetValue(RegHandle key, const std::string& valueName,
                        const RegistryValue& value) override;

 private:
  HKEY Resolve(RegHandle handle) const;

  std::map<RegHandle, UniqueKey> open_;
  RegHandle nextHandle_ = 1;
};

}  // namespace stowlark::win32

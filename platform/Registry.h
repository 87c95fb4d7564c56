#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace stowlark {

// Registry handles are 32-bit values in the portable code, as the predefined
// roots are; the Windows adapter maps them to real HKEYs so that nothing here
// depends on the pointer size.
using RegHandle = std::uint32_t;

inline constexpr std::int32_t kRegSuccess = 0;
inline constexpr std::int32_t kRegFileNotFound = 2;
inline constexpr std::int32_t kRegMoreData = 234;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr RegHandle kCurrentUser = 0x80000001;

struct RegistryValue {
  std::uint32_t type = kRegSz;
  std::vector<std::uint8_t> bytes;  // raw data as stored: UTF-16LE for strings
};

class RegistryPort {
 public:
  virtual ~RegistryPort() = default;
  virtual std::int32_t OpenKey(RegHandle root, const std::string& subkey, std::uint32_t access,
                               RegHandle& opened) = 0;
  // Fails with kRegMoreData, leaving `value` alone, when the data is larger
  // than `capacityBytes`.
  virtual std::int32_t QueryValue(RegHandle key, const std::string& valueName,
                                  std::uint32_t capacityBytes, RegistryValue& value) = 0;
  virtual std::int32_t CloseKey(RegHandle key) = 0;
  // Opens the key for writing, made first when it is missing.
  virtual std::int32_t CreateKey(RegHandle root, const std::string& subkey, RegHandle& opened) = 0;
  virtual std::int32_t SetValue(RegHandle key, const std::string& valueName,
                                const RegistryValue& value) = 0;
};

}  // namespace stowlark

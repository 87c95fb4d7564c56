#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/MessagePort.h"
#include "platform/Registry.h"

namespace stowlark {

inline constexpr std::string_view kReadFailed = "Error";

// Reads one string value given a full key path such as
// "HKEY_CURRENT_USER\Software\...". Holds nothing between reads.
class WriteRegistry {
 public:
  WriteRegistry(RegistryPort& registry, MessagePort& messages);

  // Returns nothing for a malformed path or an unknown root, "Error" when the
  // key or value cannot be read, otherwise the value's text. A well-formed
  // `KeyPath` is rewritten to its subkey part.
  std::optional<std::string> ReadRegString(std::string& KeyPath, const std::string& ValueName);

  // Returns false, and writes neither argument, when the path is malformed.
  bool SplitKeyPath(std::string& KeyPath, RegHandle& RootHandle);

  static RegHandle RootKeyFromName(std::string_view RootName);

  // Room for 254 UTF-16 characters and their terminator.
  static constexpr std::uint32_t kValueCapacityUnits = 255;

 private:
  RegistryPort& registry_;
  MessagePort& messages_;
};

}  // namespace stowlark

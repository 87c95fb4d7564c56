#pragma once

#include <map>
#include <string>

#include "platform/Registry.h"

namespace stowlark {

// Keys are stored by root handle and subkey; values keep their raw bytes, so a
// test can store a string with or without its terminator, or another type.
class MemoryRegistry : public RegistryPort {
 public:
  void SetRaw(RegHandle root, const std::string& subkey, const std::string& name,
              RegistryValue value);
  // Stores UTF-8 text as UTF-16LE, with its terminator unless told otherwise.
  void SetString(RegHandle root, const std::string& subkey, const std::string& name,
                 const std::string& text, bool terminated = true);
  void AddKey(RegHandle root, const std::string& subkey);

  int Calls() const { return calls_; }
  int OpenKeys() const { return static_cast<int>(open_.size()); }

  std::int32_t OpenKey(RegHandle root, const std::string& subkey, std::uint32_t access,
                       RegHandle& opened) override;
  std::int32_t QueryValue(RegHandle key, const std::string& valueName, std::uint32_t capacityBytes,
                          RegistryValue& value) override;
  std::int32_t CloseKey(RegHandle key) override;
  std::int32_t CreateKey(RegHandle root, const std::string& subkey, RegHandle& opened) override;
  std::int32_t SetValue(RegHandle key, const std::string& valueName,
                        const RegistryValue& value) override;
  // Writes fail with this code while it is not zero.
  std::int32_t writeFailure = 0;

 private:
  using KeyName = std::pair<RegHandle, std::string>;
  std::map<KeyName, std::map<std::string, RegistryValue>> keys_;
  std::map<RegHandle, KeyName> open_;
  RegHandle nextHandle_ = 0x100;
  int calls_ = 0;
};

}  // namespace stowlark

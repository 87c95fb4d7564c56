#include "platform/fake/MemoryRegistry.h"

#include "platform/Utf.h"

namespace stowlark {

void MemoryRegistry::AddKey(RegHandle root, const std::string& subkey) { keys_[{root, subkey}]; }

void MemoryRegistry::SetRaw(RegHandle root, const std::string& subkey, const std::string& name,
                            RegistryValue value) {
  keys_[{root, subkey}][name] = std::move(value);
}

void MemoryRegistry::SetString(RegHandle root, const std::string& subkey, const std::string& name,
                               const std::string& text, bool terminated) {
  auto units = Utf8ToUtf16(text);
  if (terminated) units.push_back(u'\0');
  RegistryValue value{kRegSz, {}};
  for (char16_t unit : units) {
    value.bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    value.bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  SetRaw(root, subkey, name, std::move(value));
}

std::int32_t MemoryRegistry::OpenKey(RegHandle root, const std::string& subkey,
                                     std::uint32_t /*access*/, RegHandle& opened) {
  ++calls_;
  const KeyName name{root, subkey};
  if (!keys_.contains(name)) return kRegFileNotFound;
  opened = nextHandle_++;
  open_[opened] = name;
  return kRegSuccess;
}

std::int32_t MemoryRegistry::QueryValue(RegHandle key, const std::string& valueName,
                                        std::uint32_t capacityBytes, RegistryValue& value) {
  ++calls_;
  const auto key_it = open_.find(key);
  if (key_it == open_.end()) return 6;  // invalid handle
  const auto& values = keys_.at(key_it->second);
  const auto value_it = values.find(valueName);
  if (value_it == values.end()) return kRegFileNotFound;
  if (value_it->second.bytes.size() > capacityBytes) return kRegMoreData;
  value = value_it->second;
  return kRegSuccess;
}

std::int32_t MemoryRegistry::CloseKey(RegHandle key) {
  ++calls_;
  return open_.erase(key) == 1 ? kRegSuccess : 6;
}

std::int32_t MemoryRegistry::CreateKey(RegHandle root, const std::string& subkey,
                                       RegHandle& opened) {
  ++calls_;
  if (writeFailure != 0) return writeFailure;
  keys_[{root, subkey}];
  return OpenKey(root, subkey, 0, opened);
}

std::int32_t MemoryRegistry::SetValue(RegHandle key, const std::string& valueName,
                                      const RegistryValue& value) {
  ++calls_;
  const auto key_it = open_.find(key);
  if (key_it == open_.end()) return 6;  // invalid handle
  if (writeFailure != 0) return writeFailure;
  keys_.at(key_it->second)[valueName] = value;
  return kRegSuccess;
}

}  // namespace stowlark

#include "settings/ProgramKey.h"

#include "platform/Utf.h"

namespace stowlark {
namespace {

// A value names a path or two at most: room for the longest the program makes.
constexpr std::uint32_t kCapacityBytes = 65536;

}  // namespace

RegistryValue TextValue(const std::string& text) {
  RegistryValue value{kRegSz, {}};
  for (const char16_t unit : Utf8ToUtf16(text + '\0')) {
    value.bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    value.bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return value;
}

RegistryValue NumberValue(std::uint32_t number) {
  RegistryValue value{kRegDword, {}};
  for (int shift = 0; shift < 32; shift += 8) {
    value.bytes.push_back(static_cast<std::uint8_t>(number >> shift));
  }
  return value;
}

std::optional<std::string> AsText(const RegistryValue& value) {
  if (value.type != kRegSz || value.bytes.size() % 2 != 0) return std::nullopt;
  std::string text = Utf16LeToUtf8(value.bytes);
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

std::optional<std::uint32_t> AsNumber(const RegistryValue& value) {
  if (value.type != kRegDword || value.bytes.size() != 4) return std::nullopt;
  return value.bytes[0] | value.bytes[1] << 8 | value.bytes[2] << 16 |
         static_cast<std::uint32_t>(value.bytes[3]) << 24;
}

bool WriteProgramValues(RegistryPort& registry,
                        const std::vector<std::pair<const char*, RegistryValue>>& values) {
  RegHandle key = 0;
  if (registry.CreateKey(kCurrentUser, kProgramKey, key) != kRegSuccess) return false;
  bool written = true;
  for (const auto& [name, value] : values) {
    written = written && registry.SetValue(key, name, value) == kRegSuccess;
  }
  registry.CloseKey(key);
  return written;
}

std::optional<std::vector<RegistryValue>> ReadProgramValues(RegistryPort& registry,
                                                            const std::vector<const char*>& names) {
  RegHandle key = 0;
  if (registry.OpenKey(kCurrentUser, kProgramKey, kKeyRead, key) != kRegSuccess) {
    return std::nullopt;
  }
  std::vector<RegistryValue> values(names.size());
  bool read = true;
  for (std::size_t i = 0; i < names.size() && read; ++i) {
    read = registry.QueryValue(key, names[i], kCapacityBytes, values[i]) == kRegSuccess;
  }
  registry.CloseKey(key);
  if (!read) return std::nullopt;
  return values;
}

}  // namespace stowlark

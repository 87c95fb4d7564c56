#include "settings/WriteRegistry.h"

#include <array>
#include <utility>

#include "platform/Utf.h"

namespace stowlark {
namespace {

constexpr std::array<std::pair<std::string_view, RegHandle>, 7> kRootKeys{{
    {"HKEY_CLASSES_ROOT", 0x80000000},
    {"HKEY_CURRENT_USER", kCurrentUser},
    {"HKEY_LOCAL_MACHINE", 0x80000002},
    {"HKEY_USERS", 0x80000003},
    {"HKEY_PERFORMANCE_DATA", 0x80000004},
    {"HKEY_CURRENT_CONFIG", 0x80000005},
    {"HKEY_DYN_DATA", 0x80000006},
}};

// Spaces only: tabs and nulls are part of the value.
std::string TrimSpaces(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

WriteRegistry::WriteRegistry(RegistryPort& registry, MessagePort& messages)
    : registry_(registry), messages_(messages) {}

RegHandle WriteRegistry::RootKeyFromName(std::string_view RootName) {
  for (const auto& [name, handle] : kRootKeys) {
    if (name == RootName) return handle;
  }
  return 0;
}

bool WriteRegistry::SplitKeyPath(std::string& KeyPath, RegHandle& RootHandle) {
  if (!KeyPath.starts_with("HKEY_") || KeyPath.ends_with('\\')) {
    messages_.ShowMessage("Incorrect Format:\n\n" + KeyPath, kStyleNoIcon, std::nullopt);
    return false;
  }
  const auto separator = KeyPath.find('\\');
  if (separator == std::string::npos) {
    RootHandle = RootKeyFromName(KeyPath);
    KeyPath.clear();
  } else {
    RootHandle = RootKeyFromName(std::string_view(KeyPath).substr(0, separator));
    KeyPath.erase(0, separator + 1);
  }
  return true;
}

std::optional<std::string> WriteRegistry::ReadRegString(std::string& KeyPath,
                                                        const std::string& ValueName) {
  RegHandle rootKey = 0;
  if (!SplitKeyPath(KeyPath, rootKey) || rootKey == 0) return std::nullopt;

  RegHandle openKey = 0;
  if (registry_.OpenKey(rootKey, KeyPath, kKeyRead, openKey) != kRegSuccess) {
    return std::string(kReadFailed);
  }
  RegistryValue value;
  const auto status = registry_.QueryValue(openKey, ValueName, kValueCapacityUnits * 2, value);
  registry_.CloseKey(openKey);
  if (status != kRegSuccess) return std::string(kReadFailed);

  // The data may or may not carry its terminator; only a terminator is
  // dropped, so a value stored without one still comes back whole.
  auto text = TrimSpaces(Utf16LeToUtf8(value.bytes));
  if (text.ends_with('\0')) text.pop_back();
  return text;
}

}  // namespace stowlark

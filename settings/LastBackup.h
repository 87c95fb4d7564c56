#pragma once

#include <optional>
#include <string>

#include "platform/Registry.h"

namespace stowlark {

// When the last backup ran, whether by itself or by hand, and whether it
// finished: what the window tells of it.
struct LastBackup {
  std::string at;  // "2026-12-09 10:03", local time
  bool automatic = false;
  bool complete = false;
  bool operator==(const LastBackup&) const = default;
};

std::optional<LastBackup> ReadLastBackup(RegistryPort& registry);
bool WriteLastBackup(RegistryPort& registry, const LastBackup& backup);

}  // namespace stowlark

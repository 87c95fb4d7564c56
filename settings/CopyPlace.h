#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Registry.h"

namespace stowlark {

// The place away from this disk where every backup is also copied: a
// folder on another drive, a USB stick or a network folder. A folder on a
// drive is known by its volume, not its letter: the root the volume had when
// last seen, its serial number and label. A network folder has none.
struct CopyPlace {
  std::string path;  // "E:\" or "\\nas\share\Backups"
  std::string volumeRoot = {};
  std::uint32_t serial = 0;
  std::string label = {};
  std::string lastMade = {};  // "2026-12-09 10:00", local time; empty until a copy is made
  bool operator==(const CopyPlace&) const = default;
};

// Nothing when no place is set (or it cannot be read).
std::optional<CopyPlace> ReadCopyPlace(RegistryPort& registry);
// A place of no path turns the copy off. False when the registry refused.
bool WriteCopyPlace(RegistryPort& registry, const CopyPlace& place);

}  // namespace stowlark

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

// What the registry holds of the place: none set, a place, or a record that
// cannot be trusted (a value missing or of the wrong type, a path that is
// not a plain full one, a root that is not the path's own), which nothing
// may act on: it was not written by Stowlark as it stands.
struct CopySetting {
  std::optional<CopyPlace> place;
  bool unreadable = false;
};
CopySetting ReadCopySetting(RegistryPort& registry);
// The place, where one is set and can be trusted.
inline std::optional<CopyPlace> ReadCopyPlace(RegistryPort& registry) {
  return ReadCopySetting(registry).place;
}
// A place of no path turns the copy off. False when the registry refused.
bool WriteCopyPlace(RegistryPort& registry, const CopyPlace& place);

// The plain path that a place given in a "\\?\" or "\\.\" form names:
// "\\?\F:\x" and "\\.\F:\x" are "F:\x", "\\?\UNC\server\share\x" is
// "\\server\share\x"; any other path as it is. Nothing where it names no
// folder on a drive or network folder (a volume by its name, a device),
// which a copy cannot be kept in.
std::optional<std::string> PlainPlacePath(const std::string& path);

}  // namespace stowlark

#pragma once

#include <string>

#include "backup/FolderOps.h"
#include "platform/Clock.h"
#include "settings/CopyPlace.h"

namespace stowlark {

inline constexpr char kCopyFolderName[] = "Stowlark";
inline constexpr char kCopyKeptFolderName[] = "Stowlark Replaced";

// "STICK": how the user knows the place; its path where it has no label.
std::string PlaceName(const CopyPlace& place);

// Where the place stands now, found by its volume, never by its letter
// alone: at its own path while the same volume is there; under another
// letter where the volume is now (`record` then follows it); else nowhere,
// and `absent` says why, so that nothing is ever written to another volume
// or to a folder that stands only because a drive is missing.
struct PlaceFound {
  std::string path;
  std::string absent;
  CopyPlace record;
};
PlaceFound FindPlace(FileSystem& files, const CopyPlace& place);

// Whether the last copy that was made whole is more than a week old, or
// none ever was.
bool CopyOverdue(const CopyPlace& place, const LocalTime& now);
// What the user is told of a copy that has not been made for too long.
std::string CopyReminder(const CopyPlace& place);

// What one backup made of the copy away from this disk.
struct PlaceCopy {
  std::string folder;   // "<place>\Stowlark"
  std::string notMade;  // why it was not made, or not finished; empty when it was
  CopyResult copied;
  std::string keptFolder;
  CopyPlace record;  // as it now stands, to be kept
  // Not made because the place may not be used, not because it was away.
  bool refused = false;
  bool operator==(const PlaceCopy&) const = default;
};

// Brings `<place>\Stowlark` up to what the backup folder holds, account by
// account (those named in `accounts` alone, where any are), by the same walk
// and rules as the backup, each file read back before it counts; what it
// replaces goes to `<place>\Stowlark Replaced`, by the one rule for kept
// folders. Stops early when the place goes away.
PlaceCopy CopyToPlace(FileSystem& files, const PlaceFound& found, const std::string& backupPath,
                      const std::vector<std::string>& accounts, const LocalTime& startedAt,
                      CopyRun& run, bool preview);

}  // namespace stowlark

#pragma once

#include <string>

#include "backup/FolderOps.h"

namespace stowlark {

// What the user is told at the end of a backup or restore.
struct Outcome {
  std::string title;
  int style = 0;
  std::string prompt;
  bool operator==(const Outcome&) const = default;
};

// The folder values of the window that a run works with.
struct Locations {
  std::string backupPath;
  std::string messengerFolder;
  bool documentsFolderKnown = false;
  bool applicationDataFolderKnown = false;
};

inline constexpr std::size_t kFailuresShown = 10;

// "path: reason" lines, at most ten, then "and N more." for the rest.
std::string ListFailures(const Failures& failures);

Outcome BackupMessengerFolders(FileSystem& files, const Locations& locations);
Outcome RestoreCommand(FileSystem& files, const Locations& locations);

}  // namespace stowlark

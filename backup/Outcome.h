#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "backup/FolderOps.h"
#include "platform/Clock.h"

namespace stowlark {

// What the user is told at the end of a backup or restore, and the files it
// replaced, each kept aside in `keptFolder`.
struct Outcome {
  std::string title;
  int style = 0;
  std::string prompt;
  std::vector<KeptFile> kept = {};
  std::string keptFolder = {};
  bool operator==(const Outcome&) const = default;
};

// The folder values of the window that a run works with. The files a run
// replaces are kept below `keptFolder`, beside the backup folder and never in
// it, so that no restore takes them for a backup.
struct Locations {
  std::string backupPath;
  std::string messengerFolder;
  bool documentsFolderKnown = false;
  bool applicationDataFolderKnown = false;
  std::string keptFolder = {};
  LocalTime startedAt = {};
};

inline constexpr std::size_t kFailuresShown = 10;

// "path: reason" lines, at most ten, then "and N more." for the rest.
std::string ListFailures(const Failures& failures);

// When the folder the settings call `what` ("Documents") is not there, or
// its drive is not connected, says so in words a user can act on.
std::optional<std::string> Unreachable(FileSystem& files, const std::string& folder,
                                       std::string_view what);

// Adds to the box how many files the run replaced and where they are kept;
// "backup" or "restore" names the run.
Outcome WithKept(Outcome outcome, std::string_view run, std::vector<KeptFile> kept,
                 const std::string& folder);

// A run that was asked to stop part way: how many of its files it finished
// ("Backed up" or "Restored"), then what failed before it stopped.
Outcome StoppedOutcome(const std::string& title, const std::string& finished, const CopyRun& run,
                       const Failures& failures);

// Both tell `progress` how far they have come and stop before the next file
// when it asks them to.
Outcome BackupMessengerFolders(FileSystem& files, const Locations& locations,
                               CopyProgress& progress);
Outcome RestoreCommand(FileSystem& files, const Locations& locations, CopyProgress& progress);

}  // namespace stowlark

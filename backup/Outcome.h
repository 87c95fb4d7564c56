#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "backup/EarlierVersion.h"
#include "backup/FolderOps.h"
#include "backup/RestoreList.h"
#include "backup/SecondPlace.h"
#include "platform/Clock.h"

namespace stowlark {

// How a run ended, from the best to the worst.
enum class RunResult {
  Done,         // every file copied or already the same
  NothingToDo,  // no messenger data folder, no account folder in it, or no backup
  Partial,      // finished, but some items could not be copied
  Stopped,      // asked to stop before the end
  NotStarted,   // a folder that cannot be found or reached or made, and the like
};

// How a run ended, what the user is told of it, and what it did: the files it
// added, those it replaced (each kept aside, below `keptFolder`), how many it
// found unchanged, and what failed. A preview fills the same from looking.
struct Outcome {
  std::string title;
  int style = 0;
  std::string prompt;
  RunResult result = RunResult::Done;
  std::vector<KeptFile> kept = {};
  std::string keptFolder = {};
  std::vector<std::string> added = {};
  std::uint64_t unchanged = 0;
  Failures failures = {};
  // What a backup made of the copy away from this disk, where one is set.
  std::optional<PlaceCopy> copy = {};
  // For a restore as of a time, each file and the version it takes.
  std::vector<FileToCopy> versions = {};
  // Where a restore found no backup here, the first found elsewhere, to be
  // offered.
  std::optional<RestoreSource> offer = {};
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
  // When not empty, the run is limited to these account folders.
  std::vector<std::string> accounts = {};
  // Looks at what the run would do and writes nothing anywhere.
  bool preview = false;
  // Where a backup is also copied, away from this disk.
  std::optional<CopyPlace> copyTo = {};
  // A restore from another place than the backup folder (a stick on a new
  // PC): the folder chosen, or its Stowlark folder.
  std::string restoreFrom = {};
  // A restore of the backup as it was at this time.
  std::optional<LocalTime> asOf = {};
  // Why a backup may make no copy to `copyTo` as things stand, or to any
  // place where the record of it cannot be trusted; empty when it may.
  std::string copyRefused = {};
  // A restore of these alone: "account\folder\name" below the backup, a
  // folder standing for everything below it.
  std::vector<std::string> items = {};
};

inline constexpr std::size_t kFailuresShown = 10;

// "path: reason" lines, at most ten, then "and N more." for the rest.
std::string ListFailures(const Failures& failures);

// When the folder the settings call `what` ("Documents") is not there, or
// its drive is not connected, says so in words a user can act on.
std::optional<std::string> Unreachable(FileSystem& files, const std::string& folder,
                                       std::string_view what);

// Adds to the outcome what the copy did, and to the box how many files it
// replaced and where they are kept; "backup" or "restore" names the run.
Outcome WithCopied(Outcome outcome, std::string_view run, CopyResult copied,
                   const std::string& keptFolder);

// For a preview that ran to its end, the box's text: what the run would do.
std::string PreviewPrompt(const Outcome& outcome);

// Adds to a backup's outcome what became of its copy away from this disk: a
// copy not made, or a file of it that failed, leaves the run unfinished.
Outcome WithPlaceCopy(Outcome outcome, PlaceCopy copy);
// The one line that ends the box: the copy made, with its counts, or not
// made and why; then what failed of it.
std::string PlaceCopyText(const PlaceCopy& copy, bool preview);
// "STICK", or the place's path: how the user knows it.
inline std::string CopyPlaceName(const PlaceCopy& copy) { return PlaceName(copy.record); }
// "Not copied to E:\Stowlark: " and why; to "another place" where the record
// of it could not be read.
inline std::string NotCopiedLine(const PlaceCopy& copy) {
  return "Not copied to " + (copy.record.path.empty() ? "another place" : copy.folder) + ": " +
         copy.notMade;
}

// Limits `folders` to the account folders named, whatever their case; when
// one is not there, says so and names those that are.
std::optional<std::string> ChooseAccounts(FileSystem& files, std::vector<Folder>& folders,
                                          const std::vector<std::string>& names);

// A run that was asked to stop part way: how many of its files it finished
// ("Backed up" or "Restored"), then what failed before it stopped.
Outcome StoppedOutcome(const std::string& title, const std::string& finished, const CopyRun& run,
                       const Failures& failures);

// The account folders a backup folder holds: its folders but a folder of
// kept versions found there.
std::vector<Folder> BackupAccounts(FileSystem& files, const Folder& backup);

// Both tell `progress` how far they have come and stop before the next file
// when it asks them to.
Outcome BackupMessengerFolders(FileSystem& files, const Locations& locations,
                               CopyProgress& progress);
Outcome RestoreCommand(FileSystem& files, const Locations& locations, CopyProgress& progress);

}  // namespace stowlark

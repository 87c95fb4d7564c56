#include "backup/Outcome.h"
#include "platform/MessagePort.h"

namespace stowlark {
namespace {

Outcome RestoreFailed(const std::string& reason) {
  return {"Restore", kStyleError, "Restore failed: " + reason};
}

// A backup folder with nothing in it but what a cut-short run left is no
// backup: restoring it would report success and restore nothing.
bool HoldsABackup(FileSystem& files, const Folder& backup) {
  std::vector<Entry> entries;
  const auto listing = files.List(backup.path, entries);
  for (const auto& entry : entries) {
    if (!IsOwnTemporary(entry)) return true;
  }
  return static_cast<bool>(listing);  // a failed listing is reported by the copy
}

}  // namespace

Outcome RestoreCommand(FileSystem& files, const Locations& locations, CopyProgress& progress) {
  if (!locations.documentsFolderKnown) {
    return RestoreFailed("your Documents folder could not be found.");
  }
  if (!locations.applicationDataFolderKnown) {
    return RestoreFailed("your Application Data folder could not be found.");
  }
  Folder backup;
  if (GetFolder(files, locations.backupPath, backup) || !HoldsABackup(files, backup)) {
    return {"No Backup", kStyleInformation, "No backup found."};
  }
  // The messenger's own folders are made when missing; the one the settings
  // name is not, since a missing one means a drive that is not there.
  const std::string applicationData = ParentFolder(ParentFolder(locations.messengerFolder));
  if (auto unreachable = Unreachable(files, applicationData, "Application Data")) {
    return RestoreFailed(*unreachable);
  }
  CopyRun run(progress, CountFiles(files, backup.path));
  const Failures failures = Copy(files, backup, locations.messengerFolder, run);
  if (run.Stopped()) return StoppedOutcome("Restore", "Restored", run, failures);
  if (failures.empty()) {
    return {"Restore Complete.", kStyleInformation,
            "Restore Complete \r\nPlease Sign-in again for the changes to take effect."};
  }
  return {"Restore", kStyleError,
          "Restore incomplete. These items could not be restored:\r\n\r\n" +
              ListFailures(failures) + "\r\nSign out of the messenger and try again."};
}

}  // namespace stowlark

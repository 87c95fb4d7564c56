#include "backup/Outcome.h"
#include "platform/MessagePort.h"

namespace stowlark {
namespace {

Outcome RestoreFailed(const std::string& reason) {
  return {"Restore", kStyleError, "Restore failed: " + reason};
}

}  // namespace

Outcome RestoreCommand(FileSystem& files, const Locations& locations, CopyProgress& progress) {
  if (!locations.documentsFolderKnown) {
    return RestoreFailed("your Documents folder could not be found.");
  }
  if (!locations.applicationDataFolderKnown) {
    return RestoreFailed("your Application Data folder could not be found.");
  }
  if (!FolderExists(files, locations.backupPath)) {
    return {"No Backup", kStyleInformation, "No backup found."};
  }
  Folder backup;
  const auto missing = GetFolder(files, locations.backupPath, backup);
  CopyRun run(progress, missing ? Tally{} : CountFiles(files, backup.path));
  const Failures failures = missing ? Failures{{locations.backupPath, missing.message()}}
                                    : Copy(files, backup, locations.messengerFolder, run);
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

#include "backup/SecondPlace.h"

#include <algorithm>

#include "backup/BackupMark.h"
#include "backup/KeptFolder.h"
#include "backup/Outcome.h"
#include "backup/RunRecord.h"

namespace stowlark {
namespace {

constexpr std::int64_t kWeekSeconds = 7 * 24 * 60 * 60;
// The largest file FAT32 holds: one byte short of 4 GiB.
constexpr std::uint64_t kFat32LargestFile = 0xFFFFFFFFu;

bool IsNetworkPath(const std::string& path) { return path.starts_with("\\\\"); }

// "\\server\share" of a network path.
std::string ShareOf(const std::string& path) {
  const auto share = path.find('\\', 2);
  return path.substr(0, share == std::string::npos ? path.size() : path.find('\\', share + 1));
}

bool IsThePlacesVolume(const std::optional<Volume>& volume, const CopyPlace& place) {
  return volume && volume->serial == place.serial && volume->label == place.label;
}

// Whether `path` lies on the drive of `root` ("E:\"), as Windows compares
// letters: a place typed in lower case is the same place.
bool OnRoot(FileSystem& files, const std::string& path, const std::string& root) {
  return path.size() >= root.size() &&
         files.NameKey(path.substr(0, root.size())) == files.NameKey(root);
}

std::string NotConnected(const CopyPlace& place) {
  return "the drive " + PlaceName(place) + " is not connected.";
}

std::string WentAway(const std::string& path, const CopyPlace& place) {
  return (IsNetworkPath(path) ? "the network folder " + ShareOf(path)
                              : "the drive " + PlaceName(place)) +
         " went away during the copy.";
}

// Where the place's own folders start: "E:\" or "\\server\share".
std::string RootOf(const std::string& path) {
  return IsNetworkPath(path) ? ShareOf(path) : path.substr(0, 3);
}

// The place and its Stowlark folder, stepped into from the place's root as
// a walk steps, so that a link put anywhere on the way (a network folder is
// writable by others) is refused and told, never written through.
std::string StepToCopyFolder(FileSystem& files, const std::string& folder, bool preview) {
  const std::string root = RootOf(folder);
  std::string at;
  const std::string below =
      folder.substr(std::min(folder.size(), root.size() + !root.ends_with('\\')));
  const auto error = StepDown(files, root, below, preview, at);
  if (!error) return "";
  if (error == CopyError::TargetIsLink) {
    return at + " is a symbolic link or junction, and no copy is written through one.";
  }
  return at + ": " + error.message() + ".";
}

}  // namespace

std::string PlaceName(const CopyPlace& place) {
  return place.label.empty() ? place.path : place.label;
}

PlaceFound FindPlace(FileSystem& files, const CopyPlace& place) {
  PlaceFound found{place.path, "", place};
  if (IsNetworkPath(place.path)) {
    // The share must answer; the folder in it is made again if it has gone.
    FileId id;
    if (const auto error = files.Identify(ShareOf(place.path), id)) {
      found.path.clear();
      found.absent = "the network folder " + ShareOf(place.path) +
                     " cannot be reached: " + error.message() + ".";
    }
    return found;
  }
  if (IsThePlacesVolume(files.VolumeOf(place.path), place)) return found;
  // The same volume under another letter: a stick in another port.
  for (const auto& root : files.DriveRoots()) {
    const auto volume = files.VolumeOf(root);
    if (!IsThePlacesVolume(volume, place) || !OnRoot(files, place.path, place.volumeRoot)) continue;
    found.path = volume->root + place.path.substr(place.volumeRoot.size());
    found.record.path = found.path;
    found.record.volumeRoot = volume->root;
    return found;
  }
  found.path.clear();
  found.absent = NotConnected(place);
  return found;
}

bool CopyOverdue(const CopyPlace& place, const LocalTime& now) {
  const auto made = ParseLocalTime(place.lastMade);
  return !made || SecondsOf(now) - SecondsOf(*made) > kWeekSeconds;
}

std::string CopyReminder(const CopyPlace& place) {
  if (place.lastMade.empty()) {
    return "Your copy on " + PlaceName(place) +
           " has not been made yet. Connect it so that the next backup makes it.";
  }
  return "Your copy on " + PlaceName(place) + " was last made on " + place.lastMade +
         ". Connect it so that the next backup brings it up to date.";
}

PlaceCopy CopyToPlace(FileSystem& files, const PlaceFound& found, const std::string& backupPath,
                      const std::vector<std::string>& accounts, const LocalTime& startedAt,
                      CopyRun& run, bool preview) {
  PlaceCopy copy{PathIn(found.path.empty() ? found.record.path : found.path, kCopyFolderName),
                 found.absent,
                 {},
                 {},
                 found.record};
  Folder backup;
  std::vector<Folder> folders;
  if (!found.absent.empty() || GetFolder(files, backupPath, backup)) return copy;
  if (copy.notMade = StepToCopyFolder(files, copy.folder, preview); !copy.notMade.empty()) {
    return copy;
  }
  // The folder found at the start is the one written to, known by its
  // identity, which comes from the folder itself where a system may still
  // answer for a volume that has gone.
  FileId startedIn;
  const bool watched = !preview && !files.Identify(copy.folder, startedIn);
  folders = BackupAccounts(files, backup);
  const auto volume = files.VolumeOf(found.path);
  const std::string fileSystem = volume ? volume->fileSystem : "";
  const CopyCare care{.verify = true,
                      .largestFile = fileSystem == "FAT32" ? kFat32LargestFile : 0,
                      .fileSystem = fileSystem,
                      .fromBackup = true,
                      .intoBackup = true,
                      .watchTarget = watched};
  RunKeptFolder kept(files, PathIn(found.path, kCopyKeptFolderName), "Backup", startedAt, preview);
  for (const auto& folder : folders) {
    const bool chosen = accounts.empty() ||
                        std::any_of(accounts.begin(), accounts.end(), [&](const std::string& name) {
                          return files.NameKey(name) == files.NameKey(Name(folder));
                        });
    if (!chosen || run.Stopped()) continue;
    FileId now;
    if (watched && (files.Identify(copy.folder, now) || now != startedIn)) {
      copy.notMade = WentAway(found.path, found.record);
      break;
    }
    const std::string target = PathIn(copy.folder, Name(folder));
    if (auto refused = RefusedStep(folder, target, files.Inspect(target))) {
      copy.copied.failures.push_back(std::move(*refused));
      continue;
    }
    const std::size_t failedBefore = copy.copied.failures.size();
    Append(copy.copied, Copy(files, folder, target, {kept, Name(folder)}, run, preview, care));
    // A drive pulled or a share lost: every later file would fail too.
    if (copy.copied.targetGone || (copy.copied.failures.size() > failedBefore &&
                                   !FindPlace(files, found.record).absent.empty())) {
      copy.notMade = WentAway(found.path, found.record);
      break;
    }
  }
  copy.keptFolder = kept.Path();
  if (auto unrecorded = copy.notMade.empty()
                            ? RecordRun(files, copy.folder, kept.Root(), kept.Path(), startedAt,
                                        copy.copied, preview)
                            : std::nullopt) {
    copy.copied.failures.push_back(std::move(*unrecorded));
  }
  // Without its mark the copy is still known by its name.
  if (!preview && copy.notMade.empty()) MarkAsBackup(files, copy.folder, startedAt);
  if (!preview && copy.notMade.empty() && copy.copied.failures.empty() && !run.Stopped()) {
    copy.record.lastMade = DateAndMinute(startedAt);
  }
  return copy;
}

}  // namespace stowlark

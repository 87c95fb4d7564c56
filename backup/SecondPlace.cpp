#include "backup/SecondPlace.h"

#include <algorithm>

#include "backup/KeptFolder.h"
#include "backup/RunRecord.h"

namespace stowlark {
namespace {

constexpr std::int64_t kWeekSeconds = 7 * 24 * 60 * 60;
// The largest file FAT32 holds: one byte short of 4 GiB.
constexpr std::uint64_t kFat32LargestFile = 0xFFFFFFFFu;

bool IsNetworkPath(const std::string& path) { return path.starts_with("\\\\"); }

std::string Below(const std::string& folder, const std::string& name) {
  return (folder.ends_with('\\') ? folder : folder + "\\") + name;
}

// "\\server\share" of a network path.
std::string ShareOf(const std::string& path) {
  const auto share = path.find('\\', 2);
  return path.substr(0, share == std::string::npos ? path.size() : path.find('\\', share + 1));
}

bool IsThePlacesVolume(const std::optional<Volume>& volume, const CopyPlace& place) {
  return volume && volume->serial == place.serial && volume->label == place.label;
}

std::string NotConnected(const CopyPlace& place) {
  return "the drive " + PlaceName(place) + " is not connected.";
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
    if (!IsThePlacesVolume(volume, place) || !place.path.starts_with(place.volumeRoot)) continue;
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
  PlaceCopy copy{Below(found.path.empty() ? found.record.path : found.path, kCopyFolderName),
                 found.absent,
                 {},
                 {},
                 found.record};
  Folder backup;
  std::vector<Folder> folders;
  if (!found.absent.empty() || GetFolder(files, backupPath, backup)) return copy;
  SubFolders(files, backup, folders);
  const auto volume = files.VolumeOf(found.path);
  const std::string fileSystem = volume ? volume->fileSystem : "";
  const CopyCare care{true, fileSystem == "FAT32" ? kFat32LargestFile : 0, fileSystem};
  RunKeptFolder kept(files, Below(found.path, kCopyKeptFolderName), "Backup", startedAt, preview);
  for (const auto& folder : folders) {
    const bool chosen = accounts.empty() ||
                        std::any_of(accounts.begin(), accounts.end(), [&](const std::string& name) {
                          return files.NameKey(name) == files.NameKey(Name(folder));
                        });
    if (!chosen || run.Stopped()) continue;
    const std::string target = Below(copy.folder, Name(folder));
    if (auto refused = RefusedStep(folder, target, files.Inspect(target))) {
      copy.copied.failures.push_back(std::move(*refused));
      continue;
    }
    const std::size_t failedBefore = copy.copied.failures.size();
    Append(copy.copied, Copy(files, folder, target, {kept, Name(folder)}, run, preview, care));
    // A drive pulled or a share lost: every later file would fail too.
    if (copy.copied.failures.size() > failedBefore &&
        !FindPlace(files, found.record).absent.empty()) {
      copy.notMade = "the " + std::string(IsNetworkPath(found.path) ? "network folder" : "drive") +
                     " went away during the copy.";
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
  if (!preview && copy.notMade.empty() && copy.copied.failures.empty() && !run.Stopped()) {
    copy.record.lastMade = DateAndMinute(startedAt);
  }
  return copy;
}

}  // namespace stowlark

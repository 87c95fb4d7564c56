#include "app/CopyTo.h"

#include "app/LogPath.h"
#include "backup/FolderOps.h"
#include "backup/SecondPlace.h"
#include "settings/FolderLocations.h"

namespace stowlark {
namespace {

// Why no copy may go to `place`, whose volume is `ofPlace`, as things
// stand; nothing when it may.
std::optional<std::string> Standing(FileSystem& files, WriteRegistry& settings,
                                    const std::string& place,
                                    const std::optional<Volume>& ofPlace) {
  if (const auto folder = ProgramFolderHolding(files, settings, place)) {
    return "it is in " + *folder + ".";
  }
  const std::string documents = ReadShellFolder(settings, kDocumentsValue);
  const auto ofDocuments =
      IsAbsoluteWindowsPath(documents) ? files.VolumeOf(files.Resolve(documents)) : std::nullopt;
  // By serial number, so that no other letter (a SUBST drive) for the same
  // volume passes.
  if (ofDocuments && ofPlace && ofDocuments->serial == ofPlace->serial) {
    return "it is on the same drive as your Documents folder, and a copy there would be lost "
           "with it.";
  }
  return std::nullopt;
}

std::optional<std::string> Refusal(FileSystem& files, WriteRegistry& settings,
                                   const std::string& place) {
  if (auto standing = Standing(files, settings, place, files.VolumeOf(place))) return standing;
  if (const auto error = EnsureFolder(files, place)) {
    return "it does not exist and cannot be made: " + error.message() + ".";
  }
  return std::nullopt;
}

// The place as it is to be kept: a folder on a drive by its volume.
std::optional<CopyPlace> PlaceToKeep(FileSystem& files, const std::string& place,
                                     const std::optional<CopyPlace>& before) {
  CopyPlace kept{place};
  if (!place.starts_with("\\\\")) {
    const auto volume = files.VolumeOf(place);
    if (!volume) return std::nullopt;
    kept = {place, volume->root, volume->serial, volume->label};
  }
  // The same place chosen again keeps the date of its last copy.
  if (before && before->path == kept.path && before->serial == kept.serial) {
    kept.lastMade = before->lastMade;
  }
  return kept;
}

CopyToAnswer Refused(const std::string& place, const std::string& reason) {
  const std::string line = "Not copying to " + place + ": " + reason;
  return {false, line, line};
}

}  // namespace

std::string CopyToLine(const CopySetting& setting) {
  if (setting.unreadable) return std::string("Copy to: ") + kCopySettingUnreadable;
  const auto& place = setting.place;
  if (!place) return "Copy to: off.";
  std::string line = "Copy to: " + place->path;
  if (!place->label.empty()) line += " (" + place->label + ")";
  return line +
         (place->lastMade.empty() ? ", not made yet." : ", last made " + place->lastMade + ".");
}

CopyToAnswer AnswerCopyTo(FileSystem& files, WriteRegistry& settings, RegistryPort& registry,
                          CopyToAsk ask, const std::string& path) {
  const CopySetting before = ReadCopySetting(registry);
  switch (ask) {
    case CopyToAsk::Show:
      return {true, CopyToLine(before), CopyToLine(before)};
    case CopyToAsk::Off:
      if (!WriteCopyPlace(registry, {})) {
        const std::string line =
            "Copy to: could not be turned off: the setting could not be stored.";
        return {false, line, line};
      }
      return {true, CopyToLine({}),
              "Backups are no longer copied to another place.\r\nWhat was copied there stays as "
              "it is."};
    case CopyToAsk::Set:
      break;
  }
  const auto plain = PlainPlacePath(path);
  if (!plain) {
    return Refused(path,
                   "it is not a folder on a drive or a network folder. Give one as E:\\Backups "
                   "or \\\\server\\share\\Backups.");
  }
  const std::string place = WithoutTrailingSeparator(files.Resolve(*plain));
  if (!IsAbsoluteWindowsPath(place)) return Refused(path, "it is not a full path.");
  if (const auto reason = Refusal(files, settings, place)) return Refused(place, *reason);
  const auto kept = PlaceToKeep(files, place, before.place);
  if (!kept) return Refused(place, "the drive it is on cannot be told apart from others.");
  if (!WriteCopyPlace(registry, *kept)) return Refused(place, "the setting could not be stored.");
  return {true, CopyToLine({kept}),
          "Every backup is now also copied to " + PlaceName(*kept) + ", into " +
              (place.ends_with('\\') ? place : place + "\\") + kCopyFolderName +
              ".\r\nThe next backup makes the copy. A drive is known by its volume, whatever "
              "letter it takes."};
}

std::optional<std::string> CopyRefusal(FileSystem& files, WriteRegistry& settings,
                                       const CopySetting& setting) {
  if (setting.unreadable) return kCopySettingUnreadable;
  if (!setting.place) return std::nullopt;
  const CopyPlace& place = *setting.place;
  // A drive by the volume it was set on, whatever letter it has now.
  return Standing(
      files, settings, place.path,
      place.path.starts_with("\\\\")
          ? files.VolumeOf(place.path)
          : std::optional(Volume{place.volumeRoot, place.serial, place.label, "", false}));
}

}  // namespace stowlark

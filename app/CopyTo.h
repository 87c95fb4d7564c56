#pragma once

#include <optional>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "settings/CopyPlace.h"
#include "settings/WriteRegistry.h"

namespace stowlark {

enum class CopyToAsk { Show, Set, Off };

// What is told of a record of the place that cannot be trusted, wherever it is.
inline constexpr char kCopySettingUnreadable[] =
    "the setting cannot be read. Set it again with /copyto:FOLDER, or turn it off with "
    "/copyto:off.";

// "Copy to: E:\ (STICK), last made 2026-12-09 10:00.", "Copy to: off.".
std::string CopyToLine(const CopySetting& setting);

// What asking for the place away from this disk came to: whether it was
// done, the one line that says what is now true or why not, and the box
// the window shows for it.
struct CopyToAnswer {
  bool done = false;
  std::string line;
  std::string box;
};

// Sets the place (`path`, a network folder already said by its network
// path), stops copying, or tells how it stands. A place is refused, and
// nothing stored, where a copy there would die with the backup or be taken
// for part of it: on the same volume as Documents, in the backup folder,
// the folder of replaced files or the messenger's folder; or where it does
// not exist and cannot be made.
CopyToAnswer AnswerCopyTo(FileSystem& files, WriteRegistry& settings, RegistryPort& registry,
                          CopyToAsk ask, const std::string& path);

// Why a backup may make no copy to the place set, as things stand now: a
// record that cannot be trusted, or a place that setting it now would refuse
// (Documents moved onto its drive, say). Nothing when it may. The place is
// not made here: the copy makes it, on the place's own volume alone.
std::optional<std::string> CopyRefusal(FileSystem& files, WriteRegistry& settings,
                                       const CopySetting& setting);

}  // namespace stowlark

#include "backup/KeptFolder.h"

namespace stowlark {

// Full stops, not colons, between the hours, minutes and seconds: a colon is
// no part of a file name on any Windows.
std::string KeptFolderOfRun(FileSystem& files, const std::string& keptFolder, std::string_view run,
                            const LocalTime& at) {
  std::string name = keptFolder;
  name.append("\\").append(run).append(" ");
  name += DateText(at) + " " + TwoDigits(at.hour) + "." + TwoDigits(at.minute) + "." +
          TwoDigits(at.second);
  std::string folder = name;
  for (int again = 2; files.Inspect(folder).kind != EntryKind::Missing; ++again) {
    folder = name + " (" + std::to_string(again) + ")";
  }
  return folder;
}

}  // namespace stowlark

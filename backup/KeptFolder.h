#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace stowlark {

// "Backup 2026-12-07 19.46.05": a kept folder's name for a run of that kind
// ("Backup" or "Restore") at that time on the local clock.
std::string KeptFolderName(std::string_view run, const LocalTime& at);
// The time a kept folder's name gives, with or without its " (n)"; nothing
// for a name of another kind or form.
std::optional<LocalTime> TimeOfKeptFolder(std::string_view name, std::string_view run);

// The time a new kept folder is named for: when the run started, or, should
// the clock have gone back since the newest folder of its kind was made (the
// end of daylight saving time, a clock set back), one second after that
// folder's, so that sorted by name the folders stand in the order of their runs.
LocalTime KeptFolderTime(FileSystem& files, const std::string& keptFolder, std::string_view run,
                         const LocalTime& startedAt);

// The one rule for where a run keeps the files it replaces: a folder of its
// own below `keptFolder` ("...\Stowlark Replaced"), named as above. The run
// makes that folder itself, in one step, when it keeps its first file; a
// name that anything stands at by then takes " (2)", " (3)" and so on, and
// every later file of the run goes into the folder it made. So no run writes
// into a folder it did not make, and one that replaces nothing leaves none.
class RunKeptFolder {
 public:
  RunKeptFolder(FileSystem& files, std::string keptFolder, std::string_view run,
                const LocalTime& startedAt, bool preview);

  // The run's folder, made at the first call. A preview makes nothing and
  // names the folder the run would make. On failure `obstacle` names where.
  std::error_code Make(std::string& folder, std::string& obstacle);
  // Once a file is kept in it, the folder stays.
  void Holds() { holds_ = true; }
  // A folder made for a file that was not kept is taken away again.
  void UnmakeIfEmpty();
  // Where the root of the kept folders is, and the run's folder: empty
  // until made.
  const std::string& Root() const { return root_; }
  const std::string& Path() const { return path_; }

 private:
  FileSystem& files_;
  std::string root_;
  std::string run_;
  LocalTime startedAt_;
  bool preview_;
  std::string path_;
  bool holds_ = false;
};

}  // namespace stowlark

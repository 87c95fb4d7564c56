#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "backup/RestoreList.h"
#include "platform/Clock.h"

namespace stowlark {

// What the Restore dialog asks the one engine for: the backup to read (none
// for this PC's), as it was at a time or its latest, and the files ticked.
struct RestoreChoice {
  std::string from;
  std::optional<LocalTime> asOf = {};
  std::vector<std::string> items = {};
};

// How the dialog lists a backup: where it is and when its last backup was
// made, in the user's date format.
std::string SourceWords(const RestoreSource& source, Clock& clock);
// "Latest backup (…)" for the latest, else "As it was before …".
std::string PointWords(const std::optional<LocalTime>& point,
                       const std::optional<LocalTime>& latest, Clock& clock);
// "512 bytes", "1.5 KB", "12 KB", "3.4 MB": a size as a row shows it.
std::string SizeWords(std::uint64_t bytes);

}  // namespace stowlark

#include "app/RestoreChoices.h"

namespace stowlark {

std::string SourceWords(const RestoreSource& source, Clock& clock) {
  const std::string when =
      source.lastBackup ? clock.Words(*source.lastBackup, true) : std::string("not known");
  switch (source.kind) {
    case SourceKind::ThisPc:
      return "This PC, " + source.folder + " (last backup " + when + ")";
    case SourceKind::SecondPlace:
      return "The copy on " + source.folder + " (last copy " + when + ")";
    default:
      return source.folder + " (last backup " + when + ")";
  }
}

std::string PointWords(const std::optional<LocalTime>& point,
                       const std::optional<LocalTime>& latest, Clock& clock) {
  if (point) return "As it was before " + clock.Words(*point, true);
  return latest ? "Latest backup (" + clock.Words(*latest, true) + ")" : "Latest backup";
}

// One decimal below ten units, as Explorer shows sizes, rounded down so
// that a file is never shown larger than it is.
std::string SizeWords(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  const char* units[] = {" KB", " MB", " GB", " TB"};
  std::uint64_t tenths = bytes * 10 / 1024;
  int unit = 0;
  for (; tenths >= 10240 && unit < 3; ++unit) tenths /= 1024;
  const std::string whole = std::to_string(tenths / 10);
  return (tenths < 100 ? whole + "." + std::to_string(tenths % 10) : whole) + units[unit];
}

}  // namespace stowlark

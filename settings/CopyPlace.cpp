#include "settings/CopyPlace.h"

#include <algorithm>

#include "settings/FolderLocations.h"
#include "settings/ProgramKey.h"

namespace stowlark {
namespace {

constexpr char kPathValue[] = "Copy to";
constexpr char kRootValue[] = "Copy to volume root";
constexpr char kSerialValue[] = "Copy to volume serial number";
constexpr char kLabelValue[] = "Copy to volume label";
constexpr char kLastMadeValue[] = "Copy last made";
const std::vector<const char*> kValues{kPathValue, kRootValue, kSerialValue, kLabelValue,
                                       kLastMadeValue};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// As Stowlark writes a place: a plain full path, and for a folder on a drive
// the root of that drive, by whatever case of its letter.
bool AsWritten(const CopyPlace& place) {
  if (!IsAbsoluteWindowsPath(place.path) || PlainPlacePath(place.path) != place.path) return false;
  if (place.path.starts_with("\\\\")) return place.volumeRoot.empty();
  const std::string& root = place.volumeRoot;
  return root.size() == 3 && Upper(root[0]) == Upper(place.path[0]) && root.substr(1) == ":\\";
}

}  // namespace

CopySetting ReadCopySetting(RegistryPort& registry) {
  const auto values = ReadProgramValues(registry, kValues);
  if (!values) {
    // Some of the values and not all: a record cut short, or not Stowlark's.
    const bool some = std::any_of(kValues.begin(), kValues.end(), [&](const char* name) {
      return ReadProgramValues(registry, {name}).has_value();
    });
    return {std::nullopt, some};
  }
  const auto path = AsText((*values)[0]), root = AsText((*values)[1]), label = AsText((*values)[3]),
             lastMade = AsText((*values)[4]);
  const auto serial = AsNumber((*values)[2]);
  if (!path || !root || !serial || !label || !lastMade) return {std::nullopt, true};
  // What turning the copy off leaves.
  if (path->empty()) return {};
  const CopyPlace place{*path, *root, *serial, *label, *lastMade};
  if (!AsWritten(place)) return {std::nullopt, true};
  return {place, false};
}

bool WriteCopyPlace(RegistryPort& registry, const CopyPlace& place) {
  return WriteProgramValues(registry, {{kPathValue, TextValue(place.path)},
                                       {kRootValue, TextValue(place.volumeRoot)},
                                       {kSerialValue, NumberValue(place.serial)},
                                       {kLabelValue, TextValue(place.label)},
                                       {kLastMadeValue, TextValue(place.lastMade)}});
}

std::optional<std::string> PlainPlacePath(const std::string& path) {
  const bool device = path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
                      (path[2] == '?' || path[2] == '.') && IsSeparator(path[3]);
  if (!device) return path;
  const std::string named = path.substr(4);
  if (named.size() >= 3 && Upper(named[0]) >= 'A' && Upper(named[0]) <= 'Z' && named[1] == ':' &&
      IsSeparator(named[2])) {
    return named;
  }
  if (named.size() > 4 && Upper(named[0]) == 'U' && Upper(named[1]) == 'N' &&
      Upper(named[2]) == 'C' && IsSeparator(named[3]) && !IsSeparator(named[4])) {
    return "\\\\" + named.substr(4);
  }
  return std::nullopt;
}

}  // namespace stowlark

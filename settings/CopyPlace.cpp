#include "settings/CopyPlace.h"

#include "settings/ProgramKey.h"

namespace stowlark {
namespace {

constexpr char kPathValue[] = "Copy to";
constexpr char kRootValue[] = "Copy to volume root";
constexpr char kSerialValue[] = "Copy to volume serial number";
constexpr char kLabelValue[] = "Copy to volume label";
constexpr char kLastMadeValue[] = "Copy last made";

}  // namespace

std::optional<CopyPlace> ReadCopyPlace(RegistryPort& registry) {
  const auto values = ReadProgramValues(
      registry, {kPathValue, kRootValue, kSerialValue, kLabelValue, kLastMadeValue});
  if (!values) return std::nullopt;
  const auto path = AsText((*values)[0]), root = AsText((*values)[1]), label = AsText((*values)[3]),
             lastMade = AsText((*values)[4]);
  const auto serial = AsNumber((*values)[2]);
  if (!path || path->empty() || !root || !serial || !label || !lastMade) return std::nullopt;
  return CopyPlace{*path, *root, *serial, *label, *lastMade};
}

bool WriteCopyPlace(RegistryPort& registry, const CopyPlace& place) {
  return WriteProgramValues(registry, {{kPathValue, TextValue(place.path)},
                                       {kRootValue, TextValue(place.volumeRoot)},
                                       {kSerialValue, NumberValue(place.serial)},
                                       {kLabelValue, TextValue(place.label)},
                                       {kLastMadeValue, TextValue(place.lastMade)}});
}

}  // namespace stowlark

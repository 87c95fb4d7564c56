#include "settings/LastBackup.h"

#include "settings/ProgramKey.h"

namespace stowlark {
namespace {

constexpr char kAtValue[] = "Last backup";
constexpr char kAutomaticValue[] = "Last backup automatic";
constexpr char kCompleteValue[] = "Last backup complete";

}  // namespace

std::optional<LastBackup> ReadLastBackup(RegistryPort& registry) {
  const auto values = ReadProgramValues(registry, {kAtValue, kAutomaticValue, kCompleteValue});
  if (!values) return std::nullopt;
  const auto at = AsText((*values)[0]);
  const auto automatic = AsNumber((*values)[1]), complete = AsNumber((*values)[2]);
  if (!at || !automatic || !complete) return std::nullopt;
  return LastBackup{*at, *automatic != 0, *complete != 0};
}

bool WriteLastBackup(RegistryPort& registry, const LastBackup& backup) {
  return WriteProgramValues(registry, {{kAtValue, TextValue(backup.at)},
                                       {kAutomaticValue, NumberValue(backup.automatic ? 1 : 0)},
                                       {kCompleteValue, NumberValue(backup.complete ? 1 : 0)}});
}

}  // namespace stowlark

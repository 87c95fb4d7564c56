#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Registry.h"

namespace stowlark {

// The user's own key, where Stowlark keeps what it must remember between
// runs: how the last automatic backup ended, and the copy away from this disk.
inline constexpr char kProgramKey[] = "Software\\Stowlark";

RegistryValue TextValue(const std::string& text);
RegistryValue NumberValue(std::uint32_t number);
std::optional<std::string> AsText(const RegistryValue& value);
std::optional<std::uint32_t> AsNumber(const RegistryValue& value);

// Writes each named value into the program's key, made when missing; false
// when the registry refused one.
bool WriteProgramValues(RegistryPort& registry,
                        const std::vector<std::pair<const char*, RegistryValue>>& values);
// Reads each named value of the program's key; nothing unless all are there.
std::optional<std::vector<RegistryValue>> ReadProgramValues(RegistryPort& registry,
                                                            const std::vector<const char*>& names);

}  // namespace stowlark

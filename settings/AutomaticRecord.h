#pragma once

#include <optional>
#include <string>

#include "platform/Clock.h"
#include "platform/Registry.h"

namespace stowlark {

// How the last automatic backup ended: when, with which exit code, its
// summary line, whether the window has told the user of it yet, and the log
// it wrote (empty when it could write none).
struct AutomaticRecord {
  std::string endedAt;  // "2026-12-08 12:00", local time
  int code = 0;
  std::string summary;
  bool told = false;
  std::string log = {};
  bool operator==(const AutomaticRecord&) const = default;
};

// False when the registry refused a value.
bool WriteAutomaticRecord(RegistryPort& registry, const AutomaticRecord& record);
std::optional<AutomaticRecord> ReadAutomaticRecord(RegistryPort& registry);

// A run that did not finish (some items not copied, stopped, or not started
// at all) and that the user has not been told of. A run with nothing to
// back up finished; a later complete one replaces the record.
bool NoticeDue(const AutomaticRecord& record);
std::string NoticeText(const AutomaticRecord& record);

}  // namespace stowlark

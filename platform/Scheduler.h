#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

#include "platform/Clock.h"

namespace stowlark {

// A time of day, on the user's own clock.
struct DailyTime {
  int hour = 12;
  int minute = 0;
  bool operator==(const DailyTime&) const = default;
};

// What Task Scheduler 1.0 (Windows XP) takes, field by field: it has no XML.
struct ScheduledJob {
  std::string application;
  std::string parameters;
  std::string workingFolder;
  std::uint32_t flags = 0;
  std::uint32_t maxRunTimeMs = 0;
  LocalTime firstDay;  // the trigger's begin date; its time is `at`
  DailyTime at;
  bool operator==(const ScheduledJob&) const = default;
};

// One task, said both ways, so that the adapter only picks the road this
// Windows has and hands the task over.
struct TaskToRegister {
  std::string name;
  std::string xml;  // for Task Scheduler 2.0 (Windows Vista on)
  ScheduledJob job;
};

// What a task starts, as the system reports it. An action that starts no
// program (a message, an e-mail) has an empty program.
struct TaskAction {
  std::string program;
  std::string arguments;
  bool operator==(const TaskAction&) const = default;
};

// Whether the task is there and, where the system says, at what time and
// what its first action starts.
struct ScheduleState {
  bool exists = false;
  std::optional<DailyTime> at;
  std::optional<TaskAction> action;
  bool operator==(const ScheduleState&) const = default;
};

class SchedulerPort {
 public:
  virtual ~SchedulerPort() = default;
  // Replaces a task of the same name, so there is never a second.
  virtual std::error_code Register(const TaskToRegister& task) = 0;
  // A task that is not there is removed already.
  virtual std::error_code Remove(const std::string& name) = 0;
  virtual std::error_code Read(const std::string& name, ScheduleState& state) = 0;
};

}  // namespace stowlark

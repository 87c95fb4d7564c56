#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Scheduler.h"

namespace stowlark {

// Task Scheduler 1.0 refuses a dot in a task's name.
inline constexpr char kTaskName[] = "Stowlark backup";
// The automatic run: a quiet backup that records how it ended.
inline constexpr char kAutomaticArguments[] = "/backup /quiet /automatic";
// Task Scheduler 1.0's TASK_FLAG_RUN_ONLY_IF_LOGGED_ON.
inline constexpr std::uint32_t kRunOnlyIfLoggedOn = 0x2000;
inline constexpr std::uint32_t kTwoHoursMs = 2 * 60 * 60 * 1000;

enum class ScheduleAsk { Show, Daily, Off };

// "HH:MM" or "H:MM", 24-hour; nothing when it is no time of day.
std::optional<DailyTime> ParseDailyTime(std::string_view text);
std::string TimeText(DailyTime time);

// The daily automatic backup of the program at `program` (its full path),
// from `today` on.
TaskToRegister DailyBackupTask(const std::string& program, const LocalTime& today, DailyTime at);

// The time of day of a trigger's start boundary, "2026-12-08T12:00:00".
std::optional<DailyTime> TimeOfStartBoundary(std::string_view boundary);

// How the task at kTaskName stands for the program at `program` (its full
// path): none, this program's, another copy's (which may be gone), or not
// Stowlark's daily backup at all, which Stowlark never replaces or removes.
enum class TaskStanding { Off, Here, Elsewhere, Missing, Foreign };
TaskStanding StandingOf(FileSystem& files, const ScheduleState& state, const std::string& program);

// "Automatic backup: every day at 12:00." and the like; for a task that is
// not this program's, what it starts instead.
std::string ScheduleLine(const ScheduleState& state, TaskStanding standing = TaskStanding::Here);

// What asking for the schedule came to: whether it was done, and the one line
// that says what is now true or why it could not be done.
struct ScheduleAnswer {
  bool done = false;
  std::string line;
  ScheduleState state;
};
ScheduleAnswer AnswerSchedule(SchedulerPort& scheduler, FileSystem& files, ScheduleAsk ask,
                              DailyTime at, const std::string& program, const LocalTime& today);

// The window's box after its menu item asked: what is now true, or why not.
std::string ScheduleBoxText(ScheduleAsk ask, const ScheduleAnswer& answer);

}  // namespace stowlark

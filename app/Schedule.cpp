#include "app/Schedule.h"

#include "backup/FolderOps.h"

namespace stowlark {
namespace {

std::optional<int> Number(std::string_view text, std::size_t from, std::size_t to, int most) {
  if (from >= to || to > text.size()) return std::nullopt;
  int number = 0;
  for (std::size_t at = from; at < to; ++at) {
    if (text[at] < '0' || text[at] > '9') return std::nullopt;
    number = number * 10 + (text[at] - '0');
  }
  return number <= most ? std::optional(number) : std::nullopt;
}

// The five characters that XML gives a meaning of its own; every other
// letter, non-ASCII ones too, stands as it is.
std::string Escaped(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&apos;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

// Task Scheduler 2.0's own terms, each chosen so that the backup needs
// nobody: the user's own token while signed in (no password stored, nothing
// elevated), a missed day made up when the PC is next on, a laptop on battery
// backed up as well, and a run that hangs ended after two hours.
std::string TaskXml(const std::string& program, const LocalTime& today, DailyTime at) {
  const std::string boundary = DateText(today) + "T" + TimeText(at) + ":00";
  return "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
         "<Task version=\"1.2\" "
         "xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
         "  <RegistrationInfo>\r\n"
         "    <Description>Backs up the messenger's account folders every day.</Description>\r\n"
         "  </RegistrationInfo>\r\n"
         "  <Triggers>\r\n"
         "    <CalendarTrigger>\r\n"
         "      <StartBoundary>" +
         boundary +
         "</StartBoundary>\r\n"
         "      <ScheduleByDay>\r\n"
         "        <DaysInterval>1</DaysInterval>\r\n"
         "      </ScheduleByDay>\r\n"
         "    </CalendarTrigger>\r\n"
         "  </Triggers>\r\n"
         "  <Principals>\r\n"
         "    <Principal id=\"Author\">\r\n"
         "      <LogonType>InteractiveToken</LogonType>\r\n"
         "      <RunLevel>LeastPrivilege</RunLevel>\r\n"
         "    </Principal>\r\n"
         "  </Principals>\r\n"
         "  <Settings>\r\n"
         "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
         "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
         "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
         "    <StartWhenAvailable>true</StartWhenAvailable>\r\n"
         "    <ExecutionTimeLimit>PT2H</ExecutionTimeLimit>\r\n"
         "  </Settings>\r\n"
         "  <Actions Context=\"Author\">\r\n"
         "    <Exec>\r\n"
         "      <Command>" +
         Escaped(program) +
         "</Command>\r\n"
         "      <Arguments>" +
         Escaped(kAutomaticArguments) +
         "</Arguments>\r\n"
         "      <WorkingDirectory>" +
         Escaped(ParentFolder(program)) +
         "</WorkingDirectory>\r\n"
         "    </Exec>\r\n"
         "  </Actions>\r\n"
         "</Task>\r\n";
}

}  // namespace

std::optional<DailyTime> ParseDailyTime(std::string_view text) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos || colon > 2 || text.size() != colon + 3) {
    return std::nullopt;
  }
  const auto hour = Number(text, 0, colon, 23);
  const auto minute = Number(text, colon + 1, text.size(), 59);
  if (!hour || !minute) return std::nullopt;
  return DailyTime{*hour, *minute};
}

std::string TimeText(DailyTime time) { return TwoDigits(time.hour) + ":" + TwoDigits(time.minute); }

TaskToRegister DailyBackupTask(const std::string& program, const LocalTime& today, DailyTime at) {
  // Wine's Task Scheduler 1.0 starts nothing without a working folder.
  return {kTaskName, TaskXml(program, today, at),
          ScheduledJob{program, kAutomaticArguments, ParentFolder(program), kRunOnlyIfLoggedOn,
                       kTwoHoursMs, LocalTime{today.year, today.month, today.day}, at}};
}

std::optional<DailyTime> TimeOfStartBoundary(std::string_view boundary) {
  const auto time = boundary.find('T');
  if (time == std::string_view::npos) return std::nullopt;
  return ParseDailyTime(boundary.substr(time + 1, 5));
}

std::string ScheduleLine(const ScheduleState& state) {
  if (!state.exists) return "Automatic backup: off.";
  if (!state.at) return "Automatic backup: every day.";
  return "Automatic backup: every day at " + TimeText(*state.at) + ".";
}

ScheduleAnswer AnswerSchedule(SchedulerPort& scheduler, ScheduleAsk ask, DailyTime at,
                              const std::string& program, const LocalTime& today) {
  ScheduleAnswer answer;
  std::error_code error;
  switch (ask) {
    case ScheduleAsk::Daily:
      error = scheduler.Register(DailyBackupTask(program, today, at));
      answer.state = {true, at, std::nullopt};
      break;
    case ScheduleAsk::Off:
      error = scheduler.Remove(kTaskName);
      answer.state = {};
      break;
    case ScheduleAsk::Show:
      error = scheduler.Read(kTaskName, answer.state);
      break;
  }
  if (!error) return {true, ScheduleLine(answer.state), answer.state};
  const char* what = ask == ScheduleAsk::Daily ? "could not be turned on"
                     : ask == ScheduleAsk::Off ? "could not be turned off"
                                               : "could not be read";
  return {false, std::string("Automatic backup ") + what + ": " + error.message(), {}};
}

std::string ScheduleBoxText(ScheduleAsk ask, const ScheduleAnswer& answer) {
  if (!answer.done) return answer.line;
  if (ask == ScheduleAsk::Off) {
    return "Automatic backups are off.\r\nStowlark backs up your messenger's items when you "
           "click GO.";
  }
  return "Stowlark will back up your messenger's items every day at " +
         TimeText(answer.state.at.value_or(DailyTime{})) +
         ", through Windows' Task Scheduler, while you are signed in.\r\n"
         "A backup that does not finish is told to you when you next open Stowlark.";
}

}  // namespace stowlark

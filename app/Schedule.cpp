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

// Stowlark's own run: a program named Stowlark.exe, compared as Windows
// compares names, told /automatic (either sign, any case, quoted or not).
// Any other task at the name is another program's, or someone's own weekly
// backup: the name alone proves nothing.
bool IsStowlarksRun(FileSystem& files, const std::string& program, const std::string& arguments) {
  const std::string name = program.substr(program.find_last_of("\\/") + 1);
  if (files.NameKey(name) != files.NameKey("Stowlark.exe")) return false;
  const std::string automatic = files.NameKey("/automatic");
  std::size_t at = 0;
  while ((at = arguments.find_first_not_of(" \t\"", at)) != std::string::npos) {
    const std::size_t end = std::min(arguments.find_first_of(" \t\"", at), arguments.size());
    std::string word = arguments.substr(at, end - at);
    if (word[0] == '-') word[0] = '/';
    if (files.NameKey(word) == automatic) return true;
    at = end;
  }
  return false;
}

// The program a task starts, without the quotes a path with spaces may
// have been given in.
std::string StartedProgram(const ScheduleState& state) {
  std::string path = state.action ? state.action->program : "";
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
    path = path.substr(1, path.size() - 2);
  }
  return path;
}

// The one sentence that says why a task at the name is left alone.
std::string ForeignTask(const TaskAction& action) {
  std::string starts = action.program;
  if (!action.arguments.empty()) starts += " " + action.arguments;
  return std::string("A task named \"") + kTaskName + "\" belongs to another program" +
         (action.program.empty() ? "." : " (it starts " + starts + ").");
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

TaskStanding StandingOf(FileSystem& files, const ScheduleState& state, const std::string& program) {
  if (!state.exists) return TaskStanding::Off;
  // Windows never holds a task without an action: Task Scheduler 2.0's
  // schema asks for one, and 1.0 keeps a job's application with the job.
  // Only Wine's 2.0 gives none, for every task, Stowlark's own among them.
  // There nothing tells whose the task is, and it is taken as this
  // program's, as before any of this was checked: taken as another
  // program's, the user's own daily backup would show as off and could not
  // be turned off from the window, the command line or the uninstaller.
  if (!state.action) return TaskStanding::Here;
  const std::string path = StartedProgram(state);
  if (!IsStowlarksRun(files, path, state.action->arguments)) return TaskStanding::Foreign;
  // Identity where both exist: a short name, another case or a link still
  // leads to the same file.
  FileId theirs;
  FileId ours;
  if (!files.Identify(path, theirs) && !files.Identify(program, ours)) {
    return theirs == ours ? TaskStanding::Here : TaskStanding::Elsewhere;
  }
  if (files.NameKey(path) == files.NameKey(program)) return TaskStanding::Here;
  return files.Inspect(path).kind == EntryKind::File ? TaskStanding::Elsewhere
                                                     : TaskStanding::Missing;
}

std::string ScheduleLine(const ScheduleState& state, TaskStanding standing) {
  if (standing == TaskStanding::Foreign)
    return "Automatic backup: off. " + ForeignTask(*state.action);
  if (!state.exists) return "Automatic backup: off.";
  std::string line = "Automatic backup: every day";
  if (state.at) line += " at " + TimeText(*state.at);
  if (standing == TaskStanding::Elsewhere || standing == TaskStanding::Missing) {
    line += ", but it starts " + StartedProgram(state);
    if (standing == TaskStanding::Missing) line += ", which is missing";
  }
  return line + ".";
}

ScheduleAnswer AnswerSchedule(SchedulerPort& scheduler, FileSystem& files, ScheduleAsk ask,
                              DailyTime at, const std::string& program, const LocalTime& today) {
  ScheduleAnswer answer;
  // Read first, whatever is asked: what is at the name decides what may be
  // done to it, and what cannot be read is neither replaced nor removed.
  std::error_code error = scheduler.Read(kTaskName, answer.state);
  TaskStanding standing = StandingOf(files, answer.state, program);
  // Another program's task is left as it is. Off asks for no daily backup
  // of Stowlark's, which is then already true.
  const bool foreign = !error && standing == TaskStanding::Foreign;
  if (foreign && ask == ScheduleAsk::Daily) {
    answer.line = "Automatic backup could not be turned on: " + ForeignTask(*answer.state.action);
    return answer;
  }
  if (!error && !foreign && ask == ScheduleAsk::Daily) {
    error = scheduler.Register(DailyBackupTask(program, today, at));
    answer.state = {true, at, std::nullopt};
    standing = TaskStanding::Here;
  } else if (!error && !foreign && ask == ScheduleAsk::Off) {
    error = scheduler.Remove(kTaskName);
    answer.state = {};
  }
  answer.done = !error;
  const char* what = ask == ScheduleAsk::Daily ? "could not be turned on"
                     : ask == ScheduleAsk::Off ? "could not be turned off"
                                               : "could not be read";
  answer.line = !error ? ScheduleLine(answer.state, standing)
                       : std::string("Automatic backup ") + what + ": " + error.message();
  return answer;
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

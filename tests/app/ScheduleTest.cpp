#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/Schedule.h"
#include "platform/fake/Recorders.h"
#include "platform/native/DriveMappedFileSystem.h"
#include "tests/ScratchFolder.h"

namespace stowlark {
namespace {

const LocalTime kToday{2026, 12, 8, 21, 14, 9};
const std::string kProgram = "C:\\Tools & M\xC3\xA1s\\Stow <lark>\\Stowlark.exe";

// Each term the task is registered with, whatever the order of the text.
TEST(Schedule, TheTaskRunsTheQuietBackupDailyAsTheSignedInUserOnBatteryAndAfterAMissedDay) {
  const TaskToRegister task = DailyBackupTask(kProgram, kToday, {7, 5});
  EXPECT_EQ(task.name, "Stowlark backup");
  const std::string folder = "C:\\Tools &amp; M\xC3\xA1s\\Stow &lt;lark&gt;";
  for (const std::string& element : std::vector<std::string>{
           "<?xml version=\"1.0\" encoding=\"UTF-16\"?>", "<LogonType>InteractiveToken</LogonType>",
           "<RunLevel>LeastPrivilege</RunLevel>",
           "<StartBoundary>2026-12-08T07:05:00</StartBoundary>", "<DaysInterval>1</DaysInterval>",
           "<StartWhenAvailable>true</StartWhenAvailable>",
           "<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
           "<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>",
           "<ExecutionTimeLimit>PT2H</ExecutionTimeLimit>",
           "<MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>",
           "<Command>" + folder + "\\Stowlark.exe</Command>",
           "<Arguments>/backup /quiet /automatic</Arguments>",
           "<WorkingDirectory>" + folder + "</WorkingDirectory>"}) {
    EXPECT_NE(task.xml.find(element), std::string::npos) << element;
  }
  // No account, password or elevation is named: the registering user's own
  // token is used.
  for (const char* absent :
       {"<UserId>", "<Password>", "HighestAvailable", "S4U", "M\xC3\xA1s\\Stow <"}) {
    EXPECT_EQ(task.xml.find(absent), std::string::npos) << absent;
  }
  EXPECT_EQ(task.job, (ScheduledJob{kProgram, "/backup /quiet /automatic",
                                    "C:\\Tools & M\xC3\xA1s\\Stow <lark>", 0x2000, 7'200'000,
                                    LocalTime{2026, 12, 8}, DailyTime{7, 5}}));
  EXPECT_EQ(DailyBackupTask("C:\\Stowlark.exe", kToday, {}).job.workingFolder, "C:\\");
}

TEST(Schedule, TimesOfDayAndTheLineThatSaysHowItStands) {
  for (const auto& [text, time] : {std::pair{"12:00", DailyTime{12, 0}},
                                   {"7:05", DailyTime{7, 5}},
                                   {"00:00", DailyTime{0, 0}},
                                   {"23:59", DailyTime{23, 59}}}) {
    EXPECT_EQ(ParseDailyTime(text), time) << text;
  }
  for (const char* wrong :
       {"24:00", "12:60", "12", "12:5", "012:00", "1a:00", ":00", "12:00:00", "-1:00", ""}) {
    EXPECT_EQ(ParseDailyTime(wrong), std::nullopt) << wrong;
  }
  EXPECT_EQ(TimeOfStartBoundary("2026-12-08T07:05:00"), (DailyTime{7, 5}));
  EXPECT_EQ(TimeOfStartBoundary("2026-12-08"), std::nullopt);
  EXPECT_EQ(ScheduleLine({true, DailyTime{7, 5}, std::nullopt}),
            "Automatic backup: every day at 07:05.");
  EXPECT_EQ(ScheduleLine({true, std::nullopt, std::nullopt}), "Automatic backup: every day.");
  EXPECT_EQ(ScheduleLine({}), "Automatic backup: off.");
}

TEST(Schedule, EachAskGivesOneLineOfWhatIsNowTrueOrWhyItCouldNotBe) {
  FakeScheduler scheduler;
  testing_support::ScratchFolder scratch;
  DriveMappedFileSystem files{scratch.Path()};
  auto answer = AnswerSchedule(scheduler, files, ScheduleAsk::Daily, {6, 30}, kProgram, kToday);
  EXPECT_EQ(answer.line, "Automatic backup: every day at 06:30.");
  EXPECT_TRUE(answer.done);
  ASSERT_TRUE(scheduler.registered);
  EXPECT_EQ(scheduler.registered->job.at, (DailyTime{6, 30}));
  EXPECT_EQ(AnswerSchedule(scheduler, files, ScheduleAsk::Off, {}, kProgram, kToday).line,
            "Automatic backup: off.");
  EXPECT_EQ(scheduler.removed, "Stowlark backup");
  scheduler.state = {true, std::nullopt, std::nullopt};
  EXPECT_EQ(AnswerSchedule(scheduler, files, ScheduleAsk::Show, {}, kProgram, kToday).line,
            "Automatic backup: every day.");

  scheduler.refusal = std::make_error_code(std::errc::permission_denied);
  const std::string reason = scheduler.refusal.message();
  answer = AnswerSchedule(scheduler, files, ScheduleAsk::Daily, {}, kProgram, kToday);
  EXPECT_FALSE(answer.done);
  EXPECT_EQ(answer.line, "Automatic backup could not be turned on: " + reason);
  EXPECT_EQ(AnswerSchedule(scheduler, files, ScheduleAsk::Off, {}, kProgram, kToday).line,
            "Automatic backup could not be turned off: " + reason);
  EXPECT_EQ(AnswerSchedule(scheduler, files, ScheduleAsk::Show, {}, kProgram, kToday).line,
            "Automatic backup could not be read: " + reason);
}

// Only a Stowlark.exe told /automatic is Stowlark's task, whatever its name,
// and only one that starts this very file, by whatever path, is on. The
// others are told for what they are.
TEST(Schedule, ATaskIsOnOnlyWhenItStartsThisStowlarkAndOthersAreToldForWhatTheyAre) {
  testing_support::ScratchFolder scratch;
  DriveMappedFileSystem files{scratch.Path()};
  const std::string program = "C:\\Program Files\\Stowlark\\Stowlark.exe";
  testing_support::WriteFile(scratch.Path() / "c/Program Files/Stowlark/Stowlark.exe", "this");
  std::filesystem::create_directories(scratch.Path() / "c/PROGRA~1");
  std::filesystem::create_hard_link(scratch.Path() / "c/Program Files/Stowlark/Stowlark.exe",
                                    scratch.Path() / "c/PROGRA~1/STOWLARK.EXE");
  testing_support::WriteFile(scratch.Path() / "d/Other/Stowlark.exe", "another copy");
  const std::string automatic = "/backup /quiet /automatic";
  const std::string foreign =
      "Automatic backup: off. A task named \"Stowlark backup\" belongs to another program";
  const std::string every = "Automatic backup: every day at 09:00";
  using enum TaskStanding;
  const std::vector<std::tuple<std::optional<TaskAction>, TaskStanding, std::string>> tasks{
      {TaskAction{"C:\\Windows\\notepad.exe", ""}, Foreign,
       foreign + " (it starts C:\\Windows\\notepad.exe)."},
      {TaskAction{program, "/backup /quiet"}, Foreign,
       foreign + " (it starts " + program + " /backup /quiet)."},
      {TaskAction{"C:\\Tools\\MyStowlark.exe", automatic}, Foreign,
       foreign + " (it starts C:\\Tools\\MyStowlark.exe " + automatic + ")."},
      {TaskAction{"", ""}, Foreign, foreign + "."},
      {TaskAction{program, automatic}, Here, every + "."},
      {TaskAction{"\"C:\\PROGRA~1\\STOWLARK.EXE\"", "-Backup \"-QUIET\" -Automatic"}, Here,
       every + "."},
      {TaskAction{"c:\\program files\\stowlark\\STOWLARK.exe", "/AUTOMATIC"}, Here, every + "."},
      {std::nullopt, Here, every + "."},
      {TaskAction{"D:\\Other\\Stowlark.exe", automatic}, Elsewhere,
       every + ", but it starts D:\\Other\\Stowlark.exe."},
      {TaskAction{"C:\\Old\\Stowlark.exe", automatic}, Missing,
       every + ", but it starts C:\\Old\\Stowlark.exe, which is missing."}};
  for (const auto& [action, standing, line] : tasks) {
    const ScheduleState state{true, DailyTime{9, 0}, action};
    const std::string started = action ? action->program + " " + action->arguments : "none";
    EXPECT_EQ(StandingOf(files, state, program), standing) << started;
    EXPECT_EQ(ScheduleLine(state, StandingOf(files, state, program)), line) << started;
  }
  EXPECT_EQ(StandingOf(files, {}, program), Off);
}

// Another program's task is left as it is: off is already true of
// Stowlark's, and on is refused rather than replace it. Another copy's task
// is Stowlark's own: on points it here, and off removes it.
TEST(Schedule, OffRemovesOnlyStowlarksTaskAndOnRefusesToReplaceAnotherProgramsTask) {
  FakeScheduler scheduler;
  testing_support::ScratchFolder scratch;
  DriveMappedFileSystem files{scratch.Path()};
  const auto ask = [&](ScheduleAsk asked) {
    return AnswerSchedule(scheduler, files, asked, {6, 30}, kProgram, kToday);
  };
  const std::string reason =
      "A task named \"Stowlark backup\" belongs to another program (it starts "
      "C:\\Windows\\notepad.exe).";
  scheduler.state = {true, DailyTime{9, 0}, TaskAction{"C:\\Windows\\notepad.exe", ""}};
  for (const ScheduleAsk asked : {ScheduleAsk::Off, ScheduleAsk::Show}) {
    const ScheduleAnswer answer = ask(asked);
    EXPECT_TRUE(answer.done);
    EXPECT_EQ(answer.line, "Automatic backup: off. " + reason);
  }
  const ScheduleAnswer refused = ask(ScheduleAsk::Daily);
  EXPECT_FALSE(refused.done);
  EXPECT_EQ(refused.line, "Automatic backup could not be turned on: " + reason);
  EXPECT_EQ(scheduler.removed, "");
  EXPECT_FALSE(scheduler.registered);

  scheduler.state.action = TaskAction{"C:\\Old\\Stowlark.exe", kAutomaticArguments};
  EXPECT_EQ(ask(ScheduleAsk::Daily).line, "Automatic backup: every day at 06:30.");
  ASSERT_TRUE(scheduler.registered);
  EXPECT_EQ(scheduler.registered->job.application, kProgram);
  scheduler.state.action->program = "C:\\Old\\Stowlark.exe";
  EXPECT_EQ(ask(ScheduleAsk::Off).line, "Automatic backup: off.");
  EXPECT_EQ(scheduler.removed, "Stowlark backup");
}

TEST(Schedule, TheSwitchesStandAloneAndAFirstWordThatIsASwitchIsOne) {
  const auto parse = [](std::vector<std::string> arguments) { return ParseCommandLine(arguments); };
  const auto line = std::get<CommandLine>(parse({"/SCHEDULE:Daily", "-at:6:30", "/quiet"}));
  EXPECT_EQ(line.schedule, ScheduleAsk::Daily);
  EXPECT_EQ(line.at, (DailyTime{6, 30}));
  EXPECT_EQ(std::get<CommandLine>(parse({"/schedule"})).schedule, ScheduleAsk::Show);
  EXPECT_EQ(std::get<CommandLine>(parse({"/schedule:off"})).schedule, ScheduleAsk::Off);
  EXPECT_EQ(std::get<CommandLine>(parse({"/schedule:daily"})).at, (DailyTime{12, 0}));
  EXPECT_TRUE(std::get<CommandLine>(parse({"/backup", "/quiet", "/automatic"})).automatic);
  const std::vector<std::pair<std::vector<std::string>, std::string>> errors{
      {{"/schedule:daily", "/backup"}, "Give /schedule without /backup or /restore."},
      {{"/restore", "/schedule:off"}, "Give /schedule without /backup or /restore."},
      {{"/schedule:weekly"}, "The switch /schedule takes daily or off, or no value."},
      {{"/schedule:daily", "/at:25:00"},
       "The switch /at takes a time of day from 00:00 to 23:59, as /at:12:00."},
      {{"/schedule:daily", "/at"},
       "The switch /at takes a time of day from 00:00 to 23:59, as /at:12:00."},
      {{"/schedule:off", "/at:12:00"}, "The switch /at goes with /schedule:daily."},
      {{"/schedule", "/log:x.log"}, "The switch /schedule goes with /at and /quiet alone."},
      {{"/restore", "/automatic"}, "The switch /automatic goes with /backup."},
      {{"/quiet"}, "Give /backup, /restore, /schedule or /copyto."}};
  for (const auto& [arguments, error] : errors) {
    const auto parsed = parse(arguments);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << arguments.back();
    EXPECT_EQ(std::get<std::string>(parsed), error);
  }
  using Words = std::vector<std::string>;
  EXPECT_TRUE(AsksForOneLine(Words{"/at:7:00", "-SCHEDULE:daily"}));
  EXPECT_FALSE(AsksForOneLine(Words{"/backup", "/log:/schedule"}));
  EXPECT_EQ(ArgumentsAfterProgram({"C:\\P\\Stowlark.exe", "/backup"}), Words{"/backup"});
  EXPECT_EQ(ArgumentsAfterProgram({"Stowlark.exe"}), Words{});
  EXPECT_EQ(ArgumentsAfterProgram({"/backup", "/quiet", "/automatic"}),
            (Words{"/backup", "/quiet", "/automatic"}));
  EXPECT_EQ(ArgumentsAfterProgram({"-backup"}), Words{"-backup"});
  EXPECT_EQ(ArgumentsAfterProgram({}), Words{});
}

}  // namespace
}  // namespace stowlark

#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace stowlark {
namespace {

std::variant<CommandLine, std::string> Parse(std::vector<std::string> arguments) {
  return ParseCommandLine(arguments);
}

TEST(CommandLine, SwitchesTakeEitherSignAnyCaseAndValuesAfterAColon) {
  EXPECT_EQ(Parse({"-BACKUP", "/Quiet", "/preview", "/account:alice@example.com", "-Account:b:c",
                   "/LOG:C:\\My Logs\\stowlark.log"}),
            (std::variant<CommandLine, std::string>(CommandLine{false,
                                                                RunKind::Backup,
                                                                true,
                                                                true,
                                                                {"alice@example.com", "b:c"},
                                                                "C:\\My Logs\\stowlark.log"})));
  EXPECT_EQ(std::get<CommandLine>(Parse({"/restore", "/restore"})).run, RunKind::Restore);
  EXPECT_EQ(std::get<CommandLine>(Parse({"/schedule:off", "/Schedule:OFF"})).schedule,
            ScheduleAsk::Off);
  EXPECT_TRUE(std::get<CommandLine>(Parse({"/?"})).usage);
  // A restore from a stick, as the backup was at a time: a date alone is the
  // end of that day.
  const auto asOf = std::get<CommandLine>(Parse({"/restore", "/from:E:\\", "/asof:2026-12-09"}));
  EXPECT_EQ(asOf.from, "E:\\");
  EXPECT_EQ(asOf.asOf, (LocalTime{2026, 12, 9, 23, 59, 59}));
  EXPECT_EQ(std::get<CommandLine>(Parse({"/restore", "/item:acc\\sub\\a.png", "-ITEM:bob"})).items,
            (std::vector<std::string>{"acc\\sub\\a.png", "bob"}));
  EXPECT_EQ(std::get<CommandLine>(Parse({"/restore", "/asof:2026-12-09 10:03:07"})).asOf,
            (LocalTime{2026, 12, 9, 10, 3, 7}));
  for (const LocalTime day : {LocalTime{2028, 2, 29}, LocalTime{2000, 2, 29}, LocalTime{1601, 1, 1},
                              LocalTime{9999, 12, 31}}) {
    EXPECT_EQ(std::get<CommandLine>(Parse({"/restore", "/asof:" + DateText(day)})).asOf,
              (LocalTime{day.year, day.month, day.day, 23, 59, 59}));
  }
  EXPECT_EQ(std::get<CommandLine>(Parse({"/copyto:E:\\Backups"})).copyToPath, "E:\\Backups");
  EXPECT_EQ(std::get<CommandLine>(Parse({"/copyto:OFF"})).copyTo, CopyToAsk::Off);
  EXPECT_EQ((std::vector{ExitCode(RunResult::Done), ExitCode(RunResult::NothingToDo),
                         ExitCode(RunResult::Partial), ExitCode(RunResult::Stopped),
                         ExitCode(RunResult::NotStarted)}),
            (std::vector{0, 1, 2, 3, 4}));
}

TEST(CommandLine, EveryUsageErrorSaysWhatIsWrong) {
  const std::string kOneSchedule = "Give only one of /schedule, /schedule:daily and /schedule:off.";
  const std::vector<std::pair<std::vector<std::string>, std::string>> errors{
      {{"/quiet", "/preview"}, "Give /backup, /restore, /schedule or /copyto."},
      {{"/backup", "/restore"}, "Give only one of /backup and /restore."},
      {{"/schedule:daily", "/schedule:off"}, kOneSchedule},
      {{"/schedule:off", "-SCHEDULE:daily"}, kOneSchedule},
      {{"/schedule", "/schedule:daily"}, kOneSchedule},
      {{"/backup", "/everything"}, "Unknown switch: /everything"},
      {{"/backup", "C:\\x.log"}, "Not a switch: C:\\x.log"},
      {{"/backup", "-"}, "Not a switch: -"},
      {{"/backup", "/account"}, "The switch /account needs a value after \":\"."},
      {{"/restore", "/log:"}, "The switch /log needs a value after \":\"."},
      {{"/backup", "/log:a", "/log:b"}, "The switch /log may be given once."},
      {{"/backup:now"}, "The switch /backup takes no value."},
      {{"/restore", "/QUIET:yes"}, "The switch /quiet takes no value."},
      {{"/backup", "/asof:2026-12-09"}, "The switches /from and /asof go with /restore."},
      {{"/restore", "/from:E:\\", "/from:F:\\"}, "The switch /from may be given once."},
      {{"/backup", "/item:acc"}, "The switch /item goes with /restore."},
      {{"/restore", "/item:"}, "The switch /item needs a value after \":\"."},
      {{"/copyto:E:\\", "/backup"}, "The switch /copyto goes with /quiet alone."},
      {{"/copyto:"}, "The switch /copyto takes a folder, or off, or no value."},
      // Written right, but no such day or time exists.
      {{"/restore", "/asof:2027-02-30"}, "There is no date 2027-02-30."},
      {{"/restore", "/asof:2027-04-31 10:00"}, "There is no date 2027-04-31."},
      {{"/restore", "/asof:2100-02-29"}, "There is no date 2100-02-29."},
      {{"/restore", "/asof:2026-00-10"}, "There is no date 2026-00-10."},
      {{"/restore", "/asof:2026-12-09 24:00"}, "There is no time 24:00."},
      {{"/restore", "/asof:2026-12-09 10:03:60"}, "There is no time 10:03:60."},
      {{"/restore", "/asof:0000-01-01"},
       "There is no date 0000-01-01 in Windows, whose dates start at 1601-01-01."}};
  for (const char* wrong :
       {"/asof:2026-12-9", "/asof:2026-12-09 10.03", "/asof:2026-02-30x", "/asof"}) {
    EXPECT_EQ(std::get<std::string>(Parse({"/restore", wrong})),
              "The switch /asof takes a date, or a date and time, as /asof:2026-12-09 or "
              "/asof:\"2026-12-09 10:03\".")
        << wrong;
  }
  for (const auto& [arguments, error] : errors) {
    const auto parsed = Parse(arguments);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << arguments.back();
    EXPECT_EQ(std::get<std::string>(parsed), error);
  }
}

TEST(CommandLine, QuietAmongTheWordsOfAnyArgumentAsksForNoBox) {
  for (const std::string quiet :
       {"/quiet", "-QUIET", "/quiet ", " /Quiet", "/backup /quiet", "/backup\t-quiet /log:x"}) {
    EXPECT_TRUE(AsksForQuiet(std::vector{std::string("/backup"), quiet})) << quiet;
  }
  for (const std::string other : {"/quieter", "/quiet:yes", "quiet", "/log:/quiet.log", ""}) {
    EXPECT_FALSE(AsksForQuiet(std::vector{std::string("/backup"), other})) << other;
  }
}

TEST(CommandLine, TheUsageInABoxHasNoColumnsToLineUp) {
  const std::string boxed = WithoutColumns(UsageText());
  EXPECT_EQ(boxed.find("  "), std::string::npos) << boxed;
  for (const char* line :
       {"\r\n/backup - Back up every account folder into Documents\\Stowlark.\r\n",
        "\r\n/schedule:daily - Back up every day at 12:00, or at the time /at:HH:MM gives, run by "
        "Windows' Task Scheduler.\r\n",
        "\r\n/item:PATH - Restore only this file or folder of the backup, written "
        "account\\folder\\name; may be given more than once.\r\n",
        "\r\n/? - Show this text.\r\n", "\r\nExit codes: 0 done, 1 nothing to do"}) {
    EXPECT_NE(boxed.find(line), std::string::npos) << line << "\n" << boxed;
  }
}

}  // namespace
}  // namespace stowlark

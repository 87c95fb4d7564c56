#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/LogPath.h"
#include "platform/fake/MemoryRegistry.h"
#include "platform/fake/Recorders.h"
#include "platform/native/DriveMappedFileSystem.h"
#include "settings/FolderLocations.h"
#include "tests/ScratchFolder.h"

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
  EXPECT_TRUE(std::get<CommandLine>(Parse({"/?"})).usage);
  EXPECT_EQ((std::vector{ExitCode(RunResult::Done), ExitCode(RunResult::NothingToDo),
                         ExitCode(RunResult::Partial), ExitCode(RunResult::Stopped),
                         ExitCode(RunResult::NotStarted)}),
            (std::vector{0, 1, 2, 3, 4}));
}

TEST(CommandLine, EveryUsageErrorSaysWhatIsWrong) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> errors{
      {{"/quiet", "/preview"}, "Give /backup or /restore."},
      {{"/backup", "/restore"}, "Give only one of /backup and /restore."},
      {{"/backup", "/everything"}, "Unknown switch: /everything"},
      {{"/backup", "C:\\x.log"}, "Not a switch: C:\\x.log"},
      {{"/backup", "-"}, "Not a switch: -"},
      {{"/backup", "/account"}, "The switch /account needs a value after \":\"."},
      {{"/restore", "/log:"}, "The switch /log needs a value after \":\"."},
      {{"/backup", "/log:a", "/log:b"}, "The switch /log may be given once."},
      {{"/backup:now"}, "The switch /backup takes no value."},
      {{"/restore", "/QUIET:yes"}, "The switch /quiet takes no value."}};
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

// A log goes nowhere a run reads, writes or keeps in, whatever leads there.
TEST(CommandLine, ALogMayNotGoInOrAtTheProgramsFolders) {
  testing_support::ScratchFolder scratch;
  DriveMappedFileSystem files{scratch.Path()};
  MemoryRegistry settings;
  const std::string key(kShellFoldersKey.substr(kShellFoldersKey.find('\\') + 1));
  settings.SetString(0x80000001, key, "Personal", "C:\\Docs");
  settings.SetString(0x80000001, key, "AppData", "C:\\App");
  RecordingMessages messages;
  WriteRegistry registry(settings, messages);
  std::filesystem::create_directories(files.HostPath("C:\\App\\Microsoft\\MSN Messenger"));
  std::filesystem::create_directories(files.HostPath("C:\\Docs"));
  std::filesystem::create_directory_symlink(files.HostPath("C:\\Docs"),
                                            files.HostPath("C:\\Linked"));
  const auto refused = [&](const std::string& path) {
    return LogPathRefusal(files, registry, path).value_or("");
  };
  EXPECT_EQ(refused("C:\\Docs\\Stowlark"),
            "The log file cannot be written: C:\\Docs\\Stowlark: it would be in the backup "
            "folder, C:\\Docs\\Stowlark.");
  EXPECT_EQ(refused("C:\\Linked"), "The log file cannot be written: C:\\Linked: it is a folder.");
  // The backup folder not made yet is compared by its names, then by identity.
  for (const std::string below : {"stowlark\\x.log", "Stowlark\\alice\\x.log"}) {
    for (const std::string& path :
         {"C:\\Linked\\" + below, std::string("C:\\Docs\\x\\..\\Stowlark Replaced"),
          std::string("C:\\App\\Microsoft\\MSN Messenger\\x.log")}) {
      EXPECT_NE(refused(path), "") << path;
    }
    std::filesystem::create_directories(files.HostPath("C:\\Docs\\Stowlark\\alice"));
  }
  for (const std::string path : {"C:\\Docs\\x.log", "C:\\Docs\\Stowlark.log",
                                 "C:\\App\\Microsoft\\x.log", "D:\\Stowlark\\x.log"}) {
    EXPECT_EQ(refused(path), "") << path;
  }
}

}  // namespace
}  // namespace stowlark

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <thread>
#include <tuple>

#include "app/CommandLine.h"
#include "backup/KeptFolder.h"
#include "platform/fake/DeepFileSystem.h"
#include "platform/fake/FaultyFileSystem.h"
#include "tests/backup/BackupFixture.h"

namespace stowlark {
namespace {

const std::error_code kIoError = std::make_error_code(std::errc::io_error);
const std::string kIoReason = kIoError.message();

class FaultsTest : public BackupFixture {
 protected:
  void SetUp() override {
    Put(Messenger() / "acc/one.png", std::string(3000, '1'));
    Put(Messenger() / "acc/two.png", std::string(3000, '2'));
    Put(Messenger() / "acc/three.png", std::string(3000, '3'));
    ASSERT_EQ(Telling(RunBackup()), kBackupComplete);
    Put(Messenger() / "acc/one.png", std::string(5000, 'a'));
    Put(Messenger() / "acc/two.png", std::string(5000, 'b'));
    Put(Messenger() / "acc/three.png", std::string(5000, 'c'));
  }
  bool NoPartialFiles() const { return !HasTemporaryFile(Backup()); }
  FaultyFileSystem faulty{files};
};

TEST_F(FaultsTest, AFailureAnywhereInAFileLeavesTheOldFileOrNoneAndTheRestIsCopied) {
  Put(Messenger() / "other/x.png", "x");
  Put(Messenger() / "other/y.png", "y");
  Put(Messenger() / "other/z.png", std::string(4000, 'z'));
  faulty.Inject({Operation::Read, "acc\\one.png", kIoError, 2000});
  // A directory that claims more than the file holds, as a pulled stick leaves it.
  faulty.Inject({Operation::Read, "other\\z.png", {}, 1000});
  faulty.Inject({Operation::Write, "Stowlark\\acc", kIoError, 4000});
  faulty.Inject({Operation::Commit, "other\\x.png", kIoError});

  const Outcome outcome = BackupMessengerFolders(faulty, locations, none);
  // Every write in acc fails, so all three keep their old content.
  const auto backup = Snapshot(Backup());
  EXPECT_EQ(backup.at("acc/one.png"), std::string(3000, '1'));
  EXPECT_EQ(backup.at("acc/two.png"), std::string(3000, '2'));
  EXPECT_EQ(backup.at("acc/three.png"), std::string(3000, '3'));
  EXPECT_FALSE(backup.contains("other/x.png"));
  EXPECT_FALSE(backup.contains("other/z.png"));
  EXPECT_EQ(backup.at("other/y.png"), "y");
  EXPECT_TRUE(NoPartialFiles());
  EXPECT_EQ(outcome.style, 48);
  for (const std::string path :
       {"C:\\App\\Microsoft\\MSN Messenger\\acc\\one.png", "C:\\Docs\\Stowlark\\acc\\two.png",
        "C:\\Docs\\Stowlark\\other\\x.png"}) {
    EXPECT_NE(outcome.prompt.find(path + ": " + kIoReason), std::string::npos) << outcome.prompt;
  }
  EXPECT_NE(outcome.prompt.find("MSN Messenger\\other\\z.png: only 1000 of 4000 bytes could be "
                                "read: the drive may be damaged"),
            std::string::npos)
      << outcome.prompt;
}

TEST_F(FaultsTest, TheReportShowsTenFailuresAndCountsTheRest) {
  for (int i = 0; i < 12; ++i) Put(Messenger() / "acc" / std::to_string(i), "x");
  faulty.Inject({Operation::OpenRead, "", kIoError});
  const Outcome outcome = BackupMessengerFolders(faulty, locations, none);
  EXPECT_EQ(outcome.title, "Backup");
  EXPECT_TRUE(outcome.prompt.starts_with(
      "Backup incomplete. These items could not be copied:\r\n\r\nC:\\App\\"));
  EXPECT_TRUE(outcome.prompt.ends_with("\r\nand 5 more.")) << outcome.prompt;
  EXPECT_EQ(Occurrences(outcome.prompt, ": " + kIoReason), 10);
}

TEST_F(FaultsTest, AListingThatFailsPartWayEndsTheWalkThereAndIsReported) {
  Put(Messenger() / "second/x.png", "x");
  Put(Messenger() / "third/y.png", "y");
  faulty.Inject({Operation::List, "MSN Messenger", kIoError, 0, 1});
  const Outcome outcome = BackupMessengerFolders(faulty, locations, none);
  // Only the first account listed is reached, whichever the file system lists first.
  const auto backup = Snapshot(Backup());
  const int reached = (backup.at("acc/one.png") == std::string(5000, 'a')) +
                      backup.contains("second/x.png") + backup.contains("third/y.png");
  EXPECT_EQ(reached, 1) << outcome.prompt;
  EXPECT_NE(outcome.prompt.find("C:\\App\\Microsoft\\MSN Messenger: " + kIoReason),
            std::string::npos)
      << outcome.prompt;
}

// The file a failed replace had already moved aside goes back to its place.
TEST_F(FaultsTest, AFailedRestoreSaysWhatWasNotRestoredAndWhatWasKept) {
  faulty.Inject({Operation::Commit, "MSN Messenger\\acc\\one.png", kIoError});
  Put(Messenger() / "acc/one.png", "held by the messenger");
  const Outcome outcome = RestoreCommand(faulty, locations, none);
  EXPECT_EQ(outcome.title, "Restore");
  EXPECT_EQ(outcome.style, 16);
  EXPECT_EQ(outcome.prompt,
            "Restore incomplete. These items could not be restored:\r\n\r\n"
            "C:\\App\\Microsoft\\MSN Messenger\\acc\\one.png: " +
                kIoReason + "\r\nSign out of the messenger and try again." +
                KeptNote("2 files", "restore", kRestoreKept));
  EXPECT_EQ(testing_support::ReadFile(Messenger() / "acc/one.png"), "held by the messenger");
  EXPECT_EQ(testing_support::ReadFile(Messenger() / "acc/two.png"), std::string(3000, '2'));
  EXPECT_EQ(Snapshot(Host(kRestoreKept)), (Tree{{"acc/", ""},
                                                {"acc/two.png", std::string(5000, 'b')},
                                                {"acc/three.png", std::string(5000, 'c')}}));
  // Again while the messenger holds it: no kept folder without a kept file.
  faulty.Inject({Operation::Move, "Messenger\\acc\\one.png", kIoError});
  EXPECT_EQ(RestoreCommand(faulty, locations, none).result, RunResult::Partial);
  EXPECT_FALSE(std::filesystem::exists(Host(kRestoreKept + " (2)")));
}

// Whatever stands in the run's way, its preview meets it too and tells the
// same items, failures and exit code, writing nothing.
TEST_F(FaultsTest, APreviewMeetsEveryObstacleTheRunMeets) {
  const auto replaced = Host("C:\\Docs\\Stowlark Replaced");
  const auto outside = scratch.Path() / "outside";
  const auto link = [&](const std::filesystem::path& at) {
    std::filesystem::create_directories(outside);
    std::filesystem::create_directories(at.parent_path());
    std::filesystem::create_directory_symlink(outside, at);
  };
  FaultyFileSystem obstructed(files);
  const std::vector<std::function<void()>> obstacles{
      [&] { Put(replaced, "a file"); }, [&] { link(replaced); },
      [&] {
        obstructed.Inject({Operation::OpenRead, "two.png", kIoError});
      }};
  for (std::size_t i = 0; i < obstacles.size(); ++i) {
    for (const bool restore : {false, true}) {
      SCOPED_TRACE(testing::Message() << i << restore);
      std::filesystem::remove_all(replaced);
      std::filesystem::remove_all(outside);
      for (const auto& [name, fill] :
           {std::pair{"one.png", 'a'}, {"two.png", 'b'}, {"three.png", 'c'}}) {
        Put(Backup() / "acc" / name, std::string(3000, fill));
        Put(Messenger() / "acc" / name, std::string(5000, fill));
      }
      obstacles[i]();
      const auto run = [&] {
        return restore ? RestoreCommand(obstructed, locations, none)
                       : BackupMessengerFolders(obstructed, locations, none);
      };
      const auto before = Snapshot(scratch.Path());
      locations.preview = true;
      const Outcome preview = run();
      EXPECT_EQ(Snapshot(scratch.Path()), before);
      locations.preview = false;
      const Outcome done = run();
      EXPECT_EQ(done.result, RunResult::Partial);
      EXPECT_TRUE(Snapshot(outside).empty()) << "nothing is kept through a link";
      EXPECT_EQ(preview.result, done.result);
      EXPECT_EQ(ReportLines(RunKind::Backup, preview, false),
                ReportLines(RunKind::Backup, done, false));
    }
  }
}

// Names that differ only in case are one name to Windows: whichever comes
// second is not copied, and its reason names the first, which was.
TEST_F(FaultsTest, OfTwoNamesThatDifferOnlyInCaseTheSecondIsReportedWithTheFirst) {
  Put(Messenger() / "acc/One.PNG", "twin");
  Put(Messenger() / "ACC/x.png", "twin");
  const std::string file = locations.messengerFolder + "\\acc\\one.png";
  const std::string twinFile = locations.messengerFolder + "\\acc\\One.PNG";
  const std::string folder = locations.messengerFolder + "\\acc";
  const std::string twinFolder = locations.messengerFolder + "\\ACC";
  const std::map<std::string, std::string> twinOf{
      {file, twinFile}, {twinFile, file}, {folder, twinFolder}, {twinFolder, folder}};
  const Outcome outcome = RunBackup();
  ASSERT_EQ(outcome.failures.size(), 2u) << outcome.prompt;
  for (const auto& [path, said] : outcome.failures) {
    EXPECT_EQ(said,
              "Another item of the same name (Windows ignores case) was already copied "
              "there, from " +
                  twinOf.at(path));
  }
}

TEST_F(FaultsTest, LinksAreNeverFollowedInTheSourceOrTheTarget) {
  std::filesystem::create_directory_symlink("..", Messenger() / "acc/loop");
  std::filesystem::create_symlink(Messenger() / "acc/one.png", Messenger() / "acc/alias.png");
  const auto outside = scratch.Path() / "outside";
  std::filesystem::create_directories(outside);
  Put(Messenger() / "acc/sub/new.png", "new");
  std::filesystem::create_directory_symlink(outside, Backup() / "acc/sub");

  const Outcome outcome = RunBackup();
  // Reparse tags: symbolic link, junction are links; cloud file, dedup file are not.
  EXPECT_TRUE(IsLinkTag(0xA000000C) && IsLinkTag(0xA0000003) && IsLinkTag(0));
  EXPECT_FALSE(IsLinkTag(0x9000001A) || IsLinkTag(0x80000013));
  EXPECT_TRUE(std::filesystem::is_empty(outside));
  EXPECT_FALSE(std::filesystem::exists(Backup() / "acc/loop"));
  EXPECT_FALSE(std::filesystem::exists(Backup() / "acc/alias.png"));
  EXPECT_EQ(testing_support::ReadFile(Backup() / "acc/one.png"), std::string(5000, 'a'));
  for (const char* reported : {"acc\\loop: Symbolic links", "acc\\alias.png: Symbolic links",
                               "Stowlark\\acc\\sub: The target is a symbolic link"}) {
    EXPECT_EQ(Occurrences(outcome.prompt, reported), 1) << reported << "\n" << outcome.prompt;
  }
}

// An account folder that is a link at either end is refused the same way on
// every road: backup or restore, of every account or of that one by name.
TEST_F(FaultsTest, EveryRoadToAnAccountFolderRefusesALinkAtEitherEnd) {
  const auto outside = scratch.Path() / "outside";
  Put(outside / "x.png", "outside");
  for (const auto& [real, linked] : {std::pair{Messenger(), Backup()}, {Backup(), Messenger()}}) {
    const std::string name = real == Messenger() ? "b-link" : "m-link";
    Put(real / name / "y.png", "y");
    std::filesystem::create_directory_symlink(outside, linked / name);
  }
  const std::string messenger = locations.messengerFolder + "\\m-link: ";
  const std::string backup = "C:\\Docs\\Stowlark\\b-link: ";
  const std::string source = make_error_code(CopyError::SourceIsLink).message();
  const std::string target = make_error_code(CopyError::TargetIsLink).message();
  for (const bool restore : {false, true}) {
    for (const auto& accounts : {std::vector<std::string>{}, {"m-link", "acc", "b-link"}}) {
      locations.accounts = accounts;
      const Outcome outcome = restore ? RunRestore() : RunBackup();
      std::set<std::string> failed;
      for (const auto& [path, reason] : outcome.failures) failed.insert(path + ": " + reason);
      EXPECT_EQ(failed, (restore ? std::set{backup + source, messenger + target}
                                 : std::set{messenger + source, backup + target}))
          << restore << accounts.size();
      EXPECT_EQ(outcome.result, RunResult::Partial);
    }
  }
  EXPECT_EQ(Snapshot(outside), (Tree{{"x.png", "outside"}}));
  // A backup of nothing but a linked account is refused as that account is.
  std::filesystem::remove_all(Backup() / "acc");
  std::filesystem::remove_all(Backup() / "m-link");
  locations.accounts = {};
  EXPECT_EQ(RunRestore().result, RunResult::Partial);
}

TEST_F(FaultsTest, AFileThatChangesWhileCopiedIsReadAgainAndReportedIfItKeepsChanging) {
  int rewrites = 0;
  bool changing = true;
  faulty.WhileReading("acc\\one.png", [&] {
    if (changing) Put(Messenger() / "acc/one.png", std::string(6000 + ++rewrites, 'x'));
  });
  const Outcome outcome = BackupMessengerFolders(faulty, locations, none);
  EXPECT_EQ(outcome.prompt,
            "Backup incomplete. These items could not be copied:\r\n\r\n"
            "C:\\App\\Microsoft\\MSN Messenger\\acc\\one.png: The file changed while it was "
            "being copied" +
                KeptNote("2 files", "backup", kBackupKept));
  EXPECT_EQ(testing_support::ReadFile(Backup() / "acc/one.png"), std::string(3000, '1'));
  EXPECT_EQ(testing_support::ReadFile(Backup() / "acc/two.png"), std::string(5000, 'b'));
  EXPECT_TRUE(NoPartialFiles());

  // Once it holds still, the next read is copied whole.
  changing = false;
  EXPECT_EQ(BackupMessengerFolders(faulty, locations, none).style, 64);
  EXPECT_EQ(testing_support::ReadFile(Backup() / "acc/one.png"), std::string(6000 + rewrites, 'x'));
}

TEST(DeepTrees, TwentyThousandLevelsAreCopiedWithoutDeepeningTheCallStack) {
  constexpr int kDepth = 20000;
  DeepFileSystem deep(kDepth);
  NoProgress none;
  CopyRun run(none, {});
  RunKeptFolder kept(deep, "C:\\K", "Backup", {}, false);
  EXPECT_EQ(Copy(deep, {"C:\\S", false}, "C:\\T", {kept, ""}, run).failures, Failures{});
  EXPECT_EQ(deep.foldersMade, kDepth);
  std::string expected = "C:\\T";
  for (int i = 0; i < kDepth; ++i) expected += "\\d";
  EXPECT_EQ(deep.fileCommitted, expected + "\\f");
}

// Content that tells, from any one file, which run wrote it and whether whole.
std::string Content(int file, char run) {
  return std::string(1, run) + std::string(96 * 1024 + file, run);
}

TEST_F(FaultsTest, AKilledCopyLeavesEveryFileOldOrWholeAndTheNextRunCleansUp) {
  constexpr int kFiles = 400;
  for (int i = 0; i < kFiles; ++i) Put(Messenger() / "big" / std::to_string(i), Content(i, 'o'));
  ASSERT_TRUE(RunBackup().prompt.starts_with("Backup Complete."));
  for (int i = 0; i < kFiles; ++i) Put(Messenger() / "big" / std::to_string(i), Content(i, 'n'));

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    BackupMessengerFolders(files, locations, none);
    _exit(0);
  }
  // Kill it the moment it is seen part way through a file.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!HasTemporaryFile(Backup() / "big") && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the copy ended before it could be killed";

  int replaced = 0;
  for (int i = 0; i < kFiles; ++i) {
    const auto place = Backup() / "big" / std::to_string(i);
    if (!std::filesystem::exists(place)) {  // moved aside, the new one not yet in
      ASSERT_EQ(testing_support::ReadFile(Host(kBackupKept + " (2)") / "big" / std::to_string(i)),
                Content(i, 'o'));
      continue;
    }
    const auto content = testing_support::ReadFile(place);
    ASSERT_TRUE(content == Content(i, 'o') || content == Content(i, 'n')) << "file " << i;
    replaced += content == Content(i, 'n');
  }
  EXPECT_LT(replaced, kFiles);

  EXPECT_TRUE(RunBackup().prompt.starts_with("Backup Complete."));
  EXPECT_FALSE(HasTemporaryFile(Backup() / "big"));
  for (int i = 0; i < kFiles; ++i) {
    ASSERT_EQ(testing_support::ReadFile(Backup() / "big" / std::to_string(i)), Content(i, 'n'));
  }
}

// Where the file it would replace cannot be kept aside (a kept folder that
// cannot be made, a full disk on the way to another volume), a file is not
// replaced, and the box says so and where keeping it failed.
TEST_F(FaultsTest, AFileThatCannotBeKeptAsideIsNotReplacedAndReported) {
  const std::error_code full = std::make_error_code(std::errc::no_space_on_device);
  const std::string replaced = "C:\\Docs\\Stowlark Replaced";
  using Case = std::tuple<Fault, std::string, bool>;  // the reason; at the file, or the folder
  std::filesystem::remove_all(Host(replaced));        // with the first backup's record
  for (const auto& [fault, reason, atFile] :
       {Case{{Operation::CreateFolder, "Stowlark Replaced", kIoError}, kIoReason, false},
        Case{{Operation::Write, "09.05.03\\acc", full}, full.message(), true}}) {
    FaultyFileSystem failing(files);
    failing.Inject(fault);
    failing.Inject({Operation::Move, "", std::make_error_code(std::errc::cross_device_link)});
    const Outcome outcome = BackupMessengerFolders(failing, locations, none);
    ASSERT_EQ(outcome.failures.size(), 3u) << outcome.prompt;
    for (const auto& [path, said] : outcome.failures) {
      const std::string name = path.substr(path.rfind('\\'));
      EXPECT_EQ(said, "Not replaced, as the file there could not be kept aside: " +
                          (atFile ? kBackupKept + "\\acc" + name : replaced) + ": " + reason);
    }
    EXPECT_TRUE(outcome.kept.empty());
    EXPECT_EQ(testing_support::ReadFile(Backup() / "acc/one.png"), std::string(3000, '1'));
    EXPECT_FALSE(HasTemporaryFile(Host("C:\\Docs")));
  }
}

// A kill before a file is moved aside, between that and the rename of the
// new one, and, with the kept folder on another volume, while the file is
// copied aside and after: each file is whole at its place or kept, and the
// next run finishes the job.
TEST_F(FaultsTest, AKillAtEachStepOfKeepingAndReplacingLosesNoFile) {
  const std::map<std::string, std::string> mine{{"one.png", std::string(5000, 'a')},
                                                {"two.png", std::string(5000, 'b')},
                                                {"three.png", std::string(5000, 'c')}};
  const auto kept = Host("C:\\Docs\\Stowlark Replaced");
  using Step = std::tuple<Operation, std::string, bool>;  // killed as it begins; on two volumes
  for (const auto& [operation, pathEnding, otherVolume] :
       {Step{Operation::Move, "acc\\one.png", false},
        Step{Operation::Commit, "Messenger\\acc\\one.png", false},
        Step{Operation::Commit, "09.05.03\\acc\\one.png", true},
        Step{Operation::Commit, "Messenger\\acc\\one.png", true}}) {
    std::filesystem::remove_all(kept);
    for (const auto& [name, content] : mine) Put(Messenger() / "acc" / name, content);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      FaultyFileSystem dying(files);
      if (otherVolume) {
        dying.Inject({Operation::Move, "", std::make_error_code(std::errc::cross_device_link)});
      }
      dying.Before(operation, pathEnding, [] { _exit(0); });
      RestoreCommand(dying, locations, none);
      _exit(1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0) << pathEnding << ": the step was never reached";

    const Tree keptFirst = Snapshot(kept / "Restore 2026-12-07 09.05.03");
    for (const auto& [name, content] : mine) {
      const auto place = Messenger() / "acc" / name;
      const std::string backup = testing_support::ReadFile(Backup() / "acc" / name);
      if (std::filesystem::exists(place)) {
        const auto now = testing_support::ReadFile(place);
        EXPECT_TRUE(now == content || now == backup) << pathEnding << " " << name;
      } else {
        EXPECT_EQ(keptFirst.at("acc/" + name), content) << pathEnding;
      }
    }
    EXPECT_EQ(RestoreCommand(files, locations, none).style, 64);
    std::set<std::string> keptContents;
    for (const auto& [path, content] : Snapshot(kept)) keptContents.insert(content);
    for (const auto& [name, content] : mine) {
      EXPECT_EQ(testing_support::ReadFile(Messenger() / "acc" / name),
                testing_support::ReadFile(Backup() / "acc" / name));
      EXPECT_TRUE(keptContents.contains(content)) << pathEnding << ": " << name << " lost";
    }
  }
}

}  // namespace
}  // namespace stowlark

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

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
    std::filesystem::create_directories(Host("C:\\Docs"));
    Put(Messenger() / "acc/one.png", std::string(3000, '1'));
    Put(Messenger() / "acc/two.png", std::string(3000, '2'));
    Put(Messenger() / "acc/three.png", std::string(3000, '3'));
    ASSERT_EQ(RunBackup(), (Outcome{"Backup", 64, "Backup Complete."}));
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
  faulty.Inject({Operation::Read, "acc\\one.png", kIoError, 2000});
  faulty.Inject({Operation::Write, "Stowlark\\acc", kIoError, 4000});
  faulty.Inject({Operation::Commit, "other\\x.png", kIoError});

  const Outcome outcome = BackupMessengerFolders(faulty, locations, none);
  // Every write in acc fails, so all three keep their old content.
  const auto backup = Snapshot(Backup());
  EXPECT_EQ(backup.at("acc/one.png"), std::string(3000, '1'));
  EXPECT_EQ(backup.at("acc/two.png"), std::string(3000, '2'));
  EXPECT_EQ(backup.at("acc/three.png"), std::string(3000, '3'));
  EXPECT_FALSE(backup.contains("other/x.png"));
  EXPECT_EQ(backup.at("other/y.png"), "y");
  EXPECT_TRUE(NoPartialFiles());
  EXPECT_EQ(outcome.style, 48);
  for (const std::string path :
       {"C:\\App\\Microsoft\\MSN Messenger\\acc\\one.png", "C:\\Docs\\Stowlark\\acc\\two.png",
        "C:\\Docs\\Stowlark\\other\\x.png"}) {
    EXPECT_NE(outcome.prompt.find(path + ": " + kIoReason), std::string::npos) << outcome.prompt;
  }
}

TEST_F(FaultsTest, TheReportShowsTenFailuresAndCountsTheRest) {
  for (int i = 0; i < 12; ++i) Put(Messenger() / "acc" / ("f" + std::to_string(i)), "x");
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
  EXPECT_TRUE(outcome.prompt.ends_with("C:\\App\\Microsoft\\MSN Messenger: " + kIoReason))
      << outcome.prompt;
}

TEST_F(FaultsTest, AFailedRestoreSaysWhatWasNotRestored) {
  faulty.Inject({Operation::Commit, "MSN Messenger\\acc\\one.png", kIoError});
  Put(Messenger() / "acc/one.png", "held by the messenger");
  const Outcome outcome = RestoreCommand(faulty, locations, none);
  EXPECT_EQ(outcome, (Outcome{"Restore", 16,
                              "Restore incomplete. These items could not be restored:\r\n\r\n"
                              "C:\\App\\Microsoft\\MSN Messenger\\acc\\one.png: " +
                                  kIoReason + "\r\nSign out of the messenger and try again."}));
  EXPECT_EQ(testing_support::ReadFile(Messenger() / "acc/one.png"), "held by the messenger");
  EXPECT_EQ(testing_support::ReadFile(Messenger() / "acc/two.png"), std::string(3000, '2'));
}

TEST_F(FaultsTest, LinksAreNeverFollowedInTheSourceOrTheTarget) {
  std::filesystem::create_directory_symlink("..", Messenger() / "acc/loop");
  std::filesystem::create_symlink(Messenger() / "acc/one.png", Messenger() / "acc/alias.png");
  const auto outside = scratch.Path() / "outside";
  std::filesystem::create_directories(outside);
  Put(Messenger() / "acc/sub/new.png", "new");
  std::filesystem::create_directory_symlink(outside, Backup() / "acc/sub");
  Put(Messenger() / "linked/x.png", "x");
  std::filesystem::create_directory_symlink(outside, Backup() / "linked");
  std::filesystem::create_directory_symlink(Messenger() / "acc", Messenger() / "alias-account");

  const Outcome outcome = RunBackup();
  // Reparse tags: symbolic link, junction are links; cloud file, dedup file are not.
  EXPECT_TRUE(IsLinkTag(0xA000000C) && IsLinkTag(0xA0000003) && IsLinkTag(0));
  EXPECT_FALSE(IsLinkTag(0x9000001A) || IsLinkTag(0x80000013));
  EXPECT_TRUE(std::filesystem::is_empty(outside));
  EXPECT_FALSE(std::filesystem::exists(Backup() / "acc/loop"));
  EXPECT_FALSE(std::filesystem::exists(Backup() / "acc/alias.png"));
  EXPECT_EQ(testing_support::ReadFile(Backup() / "acc/one.png"), std::string(5000, 'a'));
  for (const char* reported : {"acc\\loop: Symbolic links", "acc\\alias.png: Symbolic links",
                               "Stowlark\\acc\\sub: The target is a symbolic link",
                               "Stowlark\\linked: The target is a symbolic link",
                               "Messenger\\alias-account: Symbolic links"}) {
    EXPECT_EQ(Occurrences(outcome.prompt, reported), 1) << reported << "\n" << outcome.prompt;
  }
  EXPECT_FALSE(std::filesystem::exists(Backup() / "alias-account"));
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
            "being copied");
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
  EXPECT_EQ(Copy(deep, {"C:\\S", false}, "C:\\T", run), Failures{});
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
  ASSERT_EQ(RunBackup().prompt, "Backup Complete.");
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
    const auto content = testing_support::ReadFile(Backup() / "big" / std::to_string(i));
    ASSERT_TRUE(content == Content(i, 'o') || content == Content(i, 'n')) << "file " << i;
    replaced += content == Content(i, 'n');
  }
  EXPECT_LT(replaced, kFiles);

  EXPECT_EQ(RunBackup().prompt, "Backup Complete.");
  EXPECT_FALSE(HasTemporaryFile(Backup() / "big"));
  for (int i = 0; i < kFiles; ++i) {
    ASSERT_EQ(testing_support::ReadFile(Backup() / "big" / std::to_string(i)), Content(i, 'n'));
  }
}

}  // namespace
}  // namespace stowlark

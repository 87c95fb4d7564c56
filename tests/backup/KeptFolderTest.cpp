#include <gtest/gtest.h>

#include "backup/KeptFolder.h"
#include "platform/fake/FaultyFileSystem.h"
#include "tests/backup/BackupFixture.h"

namespace stowlark {
namespace {

class KeptFolderTest : public BackupFixture {
 protected:
  void SetUp() override {
    Put(Messenger() / "acc/smile.png", "smile-1");
    ASSERT_EQ(Telling(RunBackup()), kBackupComplete);
    Put(Messenger() / "acc/smile.png", "smile-2");
  }
  std::filesystem::path Replaced() const { return Host("C:\\Docs\\Stowlark Replaced"); }
};

// Another PC's run of the same second, synced in, or a person: a folder that
// appears at the run's name once the run has begun is not the run's, so it
// receives nothing and what it holds stays as it was.
TEST_F(KeptFolderTest, AFolderMadeAtTheRunsNameAfterItStartedReceivesNothing) {
  const auto theirs = Replaced() / "Backup 2026-12-07 09.05.03/acc/smile.png";
  FaultyFileSystem racing(files);
  racing.Before(Operation::OpenRead, "acc\\smile.png", [&] {
    if (!std::filesystem::exists(theirs)) Put(theirs, "another run's copy");
  });
  const Outcome outcome = BackupMessengerFolders(racing, locations, none);
  EXPECT_EQ(outcome.keptFolder, kBackupKept + " (2)");
  EXPECT_EQ(testing_support::ReadFile(theirs), "another run's copy");
  EXPECT_EQ(testing_support::ReadFile(Host(kBackupKept + " (2)\\acc\\smile.png")), "smile-1");
  EXPECT_EQ(testing_support::ReadFile(Backup() / "acc/smile.png"), "smile-2");
}

// A clock set back (or the end of daylight saving time) would name a later
// run's folder before an earlier one's: the name then follows the newest
// folder of its kind instead, and the folders sort in the order of the runs.
TEST_F(KeptFolderTest, FoldersSortInTheOrderOfTheirRunsWhenTheClockGoesBack) {
  std::filesystem::create_directories(Replaced() / "Backup 2026-12-07 10.09.36");
  std::filesystem::create_directories(Replaced() / "Backup 2026-12-07 10.09.36 (2)");
  std::filesystem::create_directories(Replaced() / "Restore 2026-12-07 11.00.00");
  std::filesystem::create_directories(Replaced() / "Backup 2026-13-07 23.00.00");
  std::filesystem::create_directories(Replaced() / "Backup 2026-12-07 23.00.00 (x)");
  Put(Replaced() / "Backup 2026-12-08 00.00.00", "a file, not a run's folder");
  const std::string root = "C:\\Docs\\Stowlark Replaced";
  locations.startedAt = {2026, 12, 7, 9, 9, 43};
  EXPECT_EQ(RunBackup().keptFolder, root + "\\Backup 2026-12-07 10.09.37");
  Put(Messenger() / "acc/smile.png", "smile-3");
  locations.startedAt = {2026, 12, 7, 10, 9, 37};  // another run in the same second
  EXPECT_EQ(RunBackup().keptFolder, root + "\\Backup 2026-12-07 10.09.37 (2)");
  // Restores keep their own order.
  EXPECT_EQ(KeptFolderTime(files, root, "Restore", {2026, 12, 7, 9, 0, 0}),
            (LocalTime{2026, 12, 7, 11, 0, 1}));
  EXPECT_EQ(KeptFolderTime(files, root, "Backup", {2026, 12, 7, 12, 0, 0}),
            (LocalTime{2026, 12, 7, 12, 0, 0}));

  // One second after the newest, across a year's and a leap day's end.
  std::filesystem::create_directories(Replaced() / "Backup 2027-12-31 23.59.59");
  EXPECT_EQ(KeptFolderTime(files, root, "Backup", {2027, 12, 31, 23, 0, 0}),
            (LocalTime{2028, 1, 1, 0, 0, 0}));
  std::filesystem::create_directories(Replaced() / "Backup 2028-02-28 23.59.59");
  EXPECT_EQ(KeptFolderTime(files, root, "Backup", {2028, 1, 1, 0, 0, 0}),
            (LocalTime{2028, 2, 29, 0, 0, 0}));
  EXPECT_EQ(TimeOfKeptFolder("Backup 2026-12-07 10.09.36 (12)", "Backup"),
            (LocalTime{2026, 12, 7, 10, 9, 36}));
  for (const char* other : {"Backups 2026-12-07 10.09.36", "Backup 2026-12-07 10.09.3",
                            "Backup 2026-12-07 24.00.00", "Backup 2026-12-07 10.09.36 ()",
                            "Backup 2026-12-07 10:09:36", "Restore 2026-12-07 10.09.36"}) {
    EXPECT_EQ(TimeOfKeptFolder(other, "Backup"), std::nullopt) << other;
  }
}

}  // namespace
}  // namespace stowlark

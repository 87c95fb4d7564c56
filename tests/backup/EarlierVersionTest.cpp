#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/backup/BackupFixture.h"

namespace stowlark {
namespace {

// Backups a second and more apart on the real clock: which version a file
// had when is told by the kept folders' names and the files' creation times,
// which only the system sets.
class EarlierVersionTest : public BackupFixture {
 protected:
  void SetUp() override {
    Put(Messenger() / "acc/smile.png", "smile-1");
    Put(Messenger() / "acc/me.jpg", "me-1");
    BackUpNow();
  }
  LocalTime Now() {
    return files.LocalTimeOf(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count());
  }
  LocalTime BackUpNow() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    locations.startedAt = Now();
    EXPECT_EQ(RunBackup().result, RunResult::Done);
    return locations.startedAt;
  }
  // The messenger's folder after a restore as of `at` into an empty one.
  Tree RestoredAsOf(const LocalTime& at) {
    std::filesystem::remove_all(Messenger());
    locations.asOf = at;
    const Outcome outcome = RunRestore();
    locations.asOf.reset();
    return outcome.result == RunResult::Done ? Snapshot(Messenger()) : Tree{{"", outcome.prompt}};
  }
};

TEST_F(EarlierVersionTest, EachTimeGetsExactlyTheFilesAndVersionsTheBackupHeldThen) {
  std::vector<Entry> listed;
  files.List("C:\\Docs\\Stowlark\\acc", listed);
  if (listed.empty() || listed[0].stamp.creationTime == 0) {
    GTEST_SKIP() << "this file system keeps no creation time";
  }
  const LocalTime first = locations.startedAt;
  Put(Messenger() / "acc/smile.png", "smile-2");
  Put(Messenger() / "acc/sub/new.png", "added between");
  const LocalTime second = BackUpNow();
  Put(Messenger() / "acc/smile.png", "smile-3");
  const LocalTime third = BackUpNow();
  EXPECT_EQ(RestoredAsOf(second),
            (Tree{{"acc/", ""}, {"acc/me.jpg", "me-1"}, {"acc/smile.png", "smile-1"}}));
  EXPECT_EQ(RestoredAsOf(third), (Tree{{"acc/", ""},
                                       {"acc/me.jpg", "me-1"},
                                       {"acc/smile.png", "smile-2"},
                                       {"acc/sub/", ""},
                                       {"acc/sub/new.png", "added between"}}));
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  EXPECT_EQ(RestoredAsOf(Now()).at("acc/smile.png"), "smile-3");
  EXPECT_EQ(RestoredAsOf(first),
            (Tree{{"", "The backup holds nothing from before " + DateAndMinute(first) + "."}}));

  // Over what is there, as any restore: what it replaces is kept, nothing is
  // deleted, and each file's version is told.
  ASSERT_EQ(RunRestore().result, RunResult::Done);
  locations.asOf = second;
  locations.startedAt = Now();
  const Outcome over = RunRestore();
  EXPECT_EQ(over.result, RunResult::Done);
  EXPECT_EQ(Snapshot(Messenger()).at("acc/sub/new.png"), "added between");
  EXPECT_EQ(Snapshot(Messenger()).at("acc/smile.png"), "smile-1");
  EXPECT_EQ(testing_support::ReadFile(Host(over.keptFolder + "\\acc\\smile.png")), "smile-3");
  EXPECT_EQ(over.versions, (std::vector<FileToCopy>{
                               {"C:\\Docs\\Stowlark\\acc\\me.jpg", "acc\\me.jpg"},
                               {"C:\\Docs\\Stowlark Replaced\\Backup " + DateText(second) + " " +
                                    TwoDigits(second.hour) + "." + TwoDigits(second.minute) + "." +
                                    TwoDigits(second.second) + "\\acc\\smile.png",
                                "acc\\smile.png"}}));
}

}  // namespace
}  // namespace stowlark

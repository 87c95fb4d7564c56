#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "tests/backup/BackupFixture.h"

namespace stowlark {
namespace {

// Keeps every report, and asks to stop once `stopAfter` files are whole.
class RecordingProgress : public CopyProgress {
 public:
  void Report(const Tally& done, const Tally& plan) override {
    reports.push_back(done);
    planned = plan;
  }
  bool StopRequested() override {
    return reports.back().files >= stopAfter || reports.back().bytes >= stopAtBytes;
  }

  // Files and bytes each only ever rise, and the bytes stay within the plan.
  void ExpectMonotonic() const {
    for (std::size_t i = 1; i < reports.size(); ++i) {
      EXPECT_GE(reports[i].files, reports[i - 1].files) << i;
      EXPECT_GE(reports[i].bytes, reports[i - 1].bytes) << i;
      EXPECT_LE(reports[i].bytes, planned.bytes) << i;
    }
  }

  std::vector<Tally> reports;
  Tally planned;
  std::uint64_t stopAfter = std::numeric_limits<std::uint64_t>::max();
  std::uint64_t stopAtBytes = std::numeric_limits<std::uint64_t>::max();
};

using ProgressTest = BackupFixture;

TEST_F(ProgressTest, ACopyCountsItsFilesAndBytesFirstAndEndsAtThem) {
  // Three files, one of several chunks; a link and a temporary file do not count.
  Put(Messenger() / "a" / "one.png", std::string(3000, 'x'));
  Put(Messenger() / "a" / "deep" / "two.png", std::string((2 << 20) + 5, 'y'));
  Put(Messenger() / "b" / "empty.dat", "");
  PutStaleTemporary(Messenger() / "b" / "~stowlark-1-1.partial");
  std::filesystem::create_symlink(Messenger() / "a", Messenger() / "b" / "link");
  const Tally total{3, 3000 + (2 << 20) + 5};

  for (int run = 0; run < 2; ++run) {  // copying, then finding every file equal
    RecordingProgress progress;
    EXPECT_EQ(BackupMessengerFolders(files, locations, progress).style, 48);  // the link
    EXPECT_EQ(progress.planned, total) << run;
    EXPECT_EQ(progress.reports.front(), Tally{}) << run;
    EXPECT_EQ(progress.reports.back(), total) << run;
    EXPECT_GT(progress.reports.size(), 5u) << "within the large file too";
    progress.ExpectMonotonic();
  }
  RecordingProgress restore;
  EXPECT_EQ(RestoreCommand(files, locations, restore).style, 64);
  EXPECT_EQ(restore.reports.back(), total);
  restore.ExpectMonotonic();
}

TEST_F(ProgressTest, AStopIsHonouredBetweenFilesAndEveryFileIsWholeOrUntouched) {
  for (int i = 0; i < 20; ++i) {
    Put(Messenger() / ("acc" + std::to_string(i % 3)) / std::to_string(i), std::string(i, 'n'));
  }
  RunBackup();
  for (int i = 0; i < 20; ++i) {
    Put(Messenger() / ("acc" + std::to_string(i % 3)) / std::to_string(i), std::string(i, 'N'));
  }
  RecordingProgress progress;
  progress.stopAfter = 5;
  const Outcome stopped = BackupMessengerFolders(files, locations, progress);
  EXPECT_EQ(stopped.prompt,
            "Stopped before it finished.\r\nBacked up 5 of 20 files; the others were not copied." +
                KeptNote("5 files", "backup", kBackupKept));
  int renewed = 0;
  for (const auto& [path, content] : BackupTree()) {
    if (path.ends_with('/')) continue;
    const std::size_t size = std::stoul(path.substr(path.find('/') + 1));
    EXPECT_TRUE(content == std::string(size, 'n') || content == std::string(size, 'N')) << path;
    renewed += content == std::string(size, 'N') && size > 0;
  }
  EXPECT_EQ(renewed, 5);
  EXPECT_FALSE(HasTemporaryFile(Backup()));

  RecordingProgress restore;
  restore.stopAfter = 0;
  EXPECT_EQ(RestoreCommand(files, locations, restore).prompt,
            "Stopped before it finished.\r\nRestored 0 of 20 files; the others were not copied.");
}

// A stop does not wait for the file in hand, however large: it is abandoned
// and its target, being compared or replaced, stays as it was.
TEST_F(ProgressTest, AStopInsideALargeFileAbandonsItAndLeavesItsTargetAsItWas) {
  const std::string old(8 << 20, 'o');
  Put(Messenger() / "acc" / "big.bin", old);
  // Stopped inside its first file, the first backup leaves an empty account
  // folder, which a restore must not take for a backup.
  RecordingProgress first;
  first.stopAtBytes = 2 << 20;
  EXPECT_EQ(BackupMessengerFolders(files, locations, first).style, 48);
  EXPECT_TRUE(std::filesystem::is_empty(Backup() / "acc"));
  EXPECT_EQ(Telling(RunRestore()), (Told{"No Backup", 64, "No backup found.\r\nC:\\Docs\\Stowlark",
                                         RunResult::NothingToDo}));
  ASSERT_EQ(Telling(RunBackup()), kBackupComplete);
  for (const char* change : {"", "new"}) {
    if (*change) Put(Messenger() / "acc" / "big.bin", std::string(8 << 20, 'n'));
    RecordingProgress progress;
    progress.stopAtBytes = 2 << 20;
    EXPECT_EQ(BackupMessengerFolders(files, locations, progress).prompt,
              "Stopped before it finished.\r\nBacked up 0 of 1 file; the others were not copied.");
    // The last report gives the abandoned file up; the one before it is where reading ended.
    EXPECT_LT(progress.reports.end()[-2].bytes, 4u << 20) << "the rest was never read";
    EXPECT_EQ(testing_support::ReadFile(Backup() / "acc" / "big.bin"), old);
    EXPECT_FALSE(HasTemporaryFile(Backup()));
  }
}

}  // namespace
}  // namespace stowlark

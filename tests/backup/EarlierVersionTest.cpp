#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "backup/KeptFolder.h"
#include "backup/RunRecord.h"
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

// Runs whose clocks went forward years and back years, their kept folders
// named ever later in the future, and files whose times say they were there
// long before they came: the records and their order decide, never a time.
TEST_F(EarlierVersionTest, TheRecordsDecideWhateverTheClocksAndTheFilesTimesSay) {
  const std::int64_t first = SecondsOf(locations.startedAt);
  const std::int64_t hour = 3600, years = 10 * 365 * 24 * hour;
  const auto at = [&](std::int64_t seconds) { return TimeOfSeconds(first + seconds); };
  const auto run = [&](std::int64_t seconds, const std::string& smile, const std::string& added) {
    Put(Messenger() / "acc/smile.png", smile);
    if (!added.empty()) Put(Messenger() / added, added);
    locations.startedAt = at(seconds);
    EXPECT_EQ(RunBackup().result, RunResult::Done) << smile;
  };
  run(hour, "smile-2", "acc/sub/new.png");
  run(years, "smile-3", "");  // the clock years ahead
  run(2 * hour, "smile-4", "acc/late.png");
  run(-years, "smile-5", "");  // years behind
  run(3 * hour, "smile-6", "");
  // Planted with no record, and named later than any run.
  Put(Host(locations.keptFolder + "\\Backup 2099-01-01 00.00.00\\acc\\smile.png"), "planted");
  locations.startedAt = at(4 * hour);
  const Tree atFirst{{"acc/", ""}, {"acc/me.jpg", "me-1"}, {"acc/smile.png", "smile-1"}};
  EXPECT_EQ(RestoredAsOf(at(hour / 2)), atFirst);
  const Tree atLast = BackupTree();
  EXPECT_EQ(RestoredAsOf(at(3 * hour + 1)), atLast);
  EXPECT_EQ(RestoredAsOf(at(-hour)),
            (Tree{{"", "The backup holds nothing from before " + DateAndMinute(at(0)) + "."}}));

  // A record cut short is none: its run's versions are told by the kept
  // folders alone, and the file it added is one whose coming is not known.
  for (const auto& entry : std::filesystem::directory_iterator(Host(locations.keptFolder))) {
    const std::string text = testing_support::ReadFile(entry.path());
    if (text.find("added acc\\late.png") != std::string::npos) {
      Put(entry.path(), text.substr(0, text.size() - 5));
    }
  }
  Tree cut = atFirst;
  cut["acc/late.png"] = "acc/late.png";
  EXPECT_EQ(RestoredAsOf(at(hour / 2)), cut);
  // With no record at all, the kept folders' names decide, as they always did.
  for (const auto& entry : std::filesystem::directory_iterator(Host(locations.keptFolder))) {
    if (entry.path().extension() == ".record") std::filesystem::remove(entry.path());
  }
  EXPECT_EQ(RestoredAsOf(at(3 * hour + 1)).at("acc/smile.png"), "smile-2");
}

// A record is read as a stick may hold it: anything not whole and well
// formed, or leading anywhere but below the backup, is no record at all.
TEST_F(EarlierVersionTest, ARecordNotWholeAndPlainIsNoRecord) {
  const std::string root = locations.keptFolder;
  const std::string good =
      "Stowlark backup record 1\r\nsequence 7\r\ntime 2026-12-07 09:05:03\r\n"
      "kept Backup 2026-12-07 09.05.03\r\nadded acc\\a.png\r\nreplaced acc\\b.png\r\nend\r\n";
  const auto readable = [&](const std::string& text) {
    std::filesystem::remove_all(Host(root));
    Put(Host(root + "\\Backup 2030-01-01 00.00.00.record"), text);
    return ReadRunRecords(files, root).size();
  };
  ASSERT_EQ(readable(good), 1u);
  for (const auto& [part, bad] : std::vector<std::pair<std::string, std::string>>{
           {"\r\nend\r\n", "\r\n"},
           {"end\r\n", "end\r\nadded acc\\c.png\r\n"},
           {"sequence 7", "sequence -7"},
           {"sequence 7", "sequence 99999999999999999999"},
           {"09:05:03", "09:05:61"},
           {"kept Backup 2026-12-07 09.05.03", "kept ..\\..\\Windows"},
           {"kept Backup 2026-12-07 09.05.03\r\n", ""},
           {"acc\\a.png", "..\\..\\a.png"},
           {"acc\\a.png", "acc\\..\\..\\a.png"},
           {"acc\\b.png", "C:\\Windows\\b.png"},
           {"acc\\b.png", "\\acc\\b.png"},
           {"acc\\b.png", "acc/../b.png"},
           {"acc\\b.png", "b.png"},
           {"added", "deleted"}}) {
    std::string text = good;
    text.replace(text.find(part), part.size(), bad);
    EXPECT_EQ(readable(text), 0u) << text;
  }
  EXPECT_EQ(readable(std::string(33 << 20, 'x')), 0u);
}

}  // namespace
}  // namespace stowlark

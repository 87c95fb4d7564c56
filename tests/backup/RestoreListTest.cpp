#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "backup/RestoreList.h"
#include "tests/backup/BackupFixture.h"

namespace stowlark {
namespace {

// Two backups an hour apart, the second replacing acc\a.png and adding
// acc\new.png; then the messenger's folder changed here.
class RestoreListTest : public BackupFixture {
 protected:
  void SetUp() override {
    Put(Messenger() / "acc/a.png", "a1");
    Put(Messenger() / "acc/sub/b.png", "b1");
    Put(Messenger() / "bob/c.png", "c1");
    ASSERT_EQ(RunBackup().result, RunResult::Done);
    Put(Messenger() / "acc/a.png", "a2");
    Put(Messenger() / "acc/new.png", "n");
    locations.startedAt = later;
    ASSERT_EQ(RunBackup().result, RunResult::Done);
    Put(Messenger() / "acc/a.png", "here");
    std::filesystem::remove_all(Messenger() / "acc/sub");
    Put(Host("C:\\Docs\\Stowlark\\acc\\~stowlark-9-9.partial"), "left by a pull");
    std::filesystem::create_symlink(Messenger() / "bob/c.png",
                                    Host("C:\\Docs\\Stowlark\\acc\\link.png"));
  }
  std::vector<std::vector<RestoreRow>> Listed(const std::optional<LocalTime>& asOf) {
    std::vector<std::vector<RestoreRow>> batches;
    ListRestore(
        files, "C:\\Docs\\Stowlark", asOf, locations.messengerFolder, later,
        [&](std::vector<RestoreRow> rows) { batches.push_back(std::move(rows)); }, stop);
    return batches;
  }
  std::int64_t WriteTime(const std::string& path) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::file_clock::to_sys(std::filesystem::last_write_time(Host(path)))
                   .time_since_epoch())
        .count();
  }
  RestoreRow Row(const std::string& relative, const std::string& source, std::uint64_t size,
                 bool replaces) {
    return {relative, source, size, WriteTime(source), replaces};
  }
  void Plug(char letter, const std::string& label) {
    Put(scratch.Path() / std::string(1, letter) / ".windows-label", label + "\n");
    Put(scratch.Path() / std::string(1, letter) / ".windows-serial", "5a11cafe\n");
  }

  const LocalTime later{2026, 12, 7, 10, 5, 3};
  const LocalTime between{2026, 12, 7, 9, 35, 0};
  std::atomic<bool> stop = false;
};

// What a restore would write, a folder at a time: a file the same here is
// no row, and neither a link nor a temporary file of the program's own.
TEST_F(RestoreListTest, TheListingTellsWhatARestoreWouldWriteLatestOrAsOfATime) {
  const std::string backup = "C:\\Docs\\Stowlark\\";
  EXPECT_EQ(Listed(std::nullopt),
            (std::vector<std::vector<RestoreRow>>{
                {Row("acc\\a.png", backup + "acc\\a.png", 2, true)},
                {Row("acc\\sub\\b.png", backup + "acc\\sub\\b.png", 2, false)}}));
  const std::string kept = kBackupKept.substr(0, kBackupKept.size() - 8) + "10.05.03\\";
  EXPECT_EQ(Listed(between), (std::vector<std::vector<RestoreRow>>{
                                 {Row("acc\\a.png", kept + "acc\\a.png", 2, true)},
                                 {Row("acc\\sub\\b.png", backup + "acc\\sub\\b.png", 2, false)}}));
  EXPECT_EQ(EarlierPoints(files, "C:\\Docs\\Stowlark", later), std::vector<LocalTime>{later});
  stop = true;
  EXPECT_TRUE(Listed(std::nullopt).empty());
}

TEST_F(RestoreListTest, ChosenFilesAloneAreRestoredAndAnItemTheBackupLacksIsRefused) {
  const Tree before = Snapshot(Messenger());
  for (const std::string item : {"acc\\nothing.png", "acc\\new.png"}) {
    locations.items = {"acc\\a.png", item};
    locations.asOf = item == "acc\\new.png" ? std::optional(between) : std::nullopt;
    const Outcome refused = RunRestore();
    EXPECT_EQ(Telling(refused),
              (Told{"Restore", 16, "The backup holds no " + item + ".", RunResult::NotStarted}));
    EXPECT_EQ(ExitCode(refused.result), 4);
  }
  EXPECT_EQ(Snapshot(Messenger()), before) << "nothing written";
  locations.asOf.reset();
  locations.items = {"ACC\\SUB\\", "bob"};
  EXPECT_EQ(Telling(RunRestore()).prompt,
            "Restored 1 file from C:\\Docs\\Stowlark; 1 was the same here already.\r\n"
            "Please Sign-in again for the changes to take effect.");
  EXPECT_EQ(Snapshot(Messenger()).at("acc/sub/b.png"), "b1");
  EXPECT_EQ(Snapshot(Messenger()).at("acc/a.png"), "here");
  locations.items = {"acc\\a.png"};
  locations.asOf = between;
  EXPECT_EQ(Telling(RunRestore()).prompt,
            "Restored 1 file from C:\\Docs\\Stowlark, as it was on 2026-12-07 09:35.\r\n"
            "Please Sign-in again for the changes to take effect." +
                KeptNote("1 file", "restore",
                         "C:\\Docs\\Stowlark Replaced\\Restore 2026-12-07 10.05.03"));
  EXPECT_EQ(Snapshot(Messenger()).at("acc/a.png"), "a1");
}

// On a new PC: the backups on the second place and on the drives, each
// once, and the first of them offered when there is none here.
TEST_F(RestoreListTest, BackupsElsewhereAreFoundOnceAndOfferedWhenNoneIsHere) {
  Plug('e', "STICK");
  std::filesystem::remove(Host("C:\\Docs\\Stowlark\\acc\\link.png"));  // a copy refuses it
  locations.copyTo = CopyPlace{"E:\\", "E:\\", 0x5a11cafe, "STICK"};
  const Outcome copied = RunBackup();
  ASSERT_EQ(copied.copy->notMade, "");
  locations.copyTo = copied.copy->record;
  Put(Host("F:\\Stowlark\\acc\\a.png"), "made before the mark");
  Put(Host("A:\\Stowlark\\acc\\a.png"), "a floppy");
  std::filesystem::create_directories(Host("G:\\Stowlark\\Notes"));  // no file, no mark
  const RestoreSource here{SourceKind::ThisPc, "C:\\Docs\\Stowlark", later};
  const RestoreSource stick{SourceKind::SecondPlace, "E:\\Stowlark", LocalTime{2026, 12, 7, 10, 5}};
  const RestoreSource drive{SourceKind::Drive, "F:\\Stowlark",
                            files.LocalTimeOf(WriteTime("F:\\Stowlark\\acc\\a.png"))};
  EXPECT_EQ(FindRestoreSources(files, {"C:\\Docs\\Stowlark\\", later, locations.copyTo}),
            (std::vector{here, stick, drive}));
  // Documents on the stick: the one folder is found once, as this PC's.
  EXPECT_EQ(FindRestoreSources(files, {"E:\\Stowlark", later, locations.copyTo}),
            (std::vector{RestoreSource{SourceKind::ThisPc, "E:\\Stowlark", later}, drive}));

  std::filesystem::remove_all(Backup());
  const std::string none = "No backup found.\r\nC:\\Docs\\Stowlark\r\n\r\n";
  Outcome offered = RunRestore();
  EXPECT_EQ(Telling(offered), (Told{"No Backup", 64,
                                    none +
                                        "Backups were found on STICK (E:\\Stowlark), last made "
                                        "2026-12-07 10:05; and on F:\\Stowlark, last made " +
                                        DateAndMinute(*drive.lastBackup) + ".",
                                    RunResult::NothingToDo}));
  EXPECT_EQ(offered.offer, stick);
  std::filesystem::remove_all(Host("F:\\Stowlark"));
  offered = RunRestore();
  EXPECT_EQ(offered.prompt, none +
                                "A backup was found on STICK (E:\\Stowlark), last made "
                                "2026-12-07 10:05.");
  EXPECT_EQ(SummaryLines(RunKind::Restore, offered, false),
            std::vector<std::string>{"No backup found. C:\\Docs\\Stowlark A backup was found on "
                                     "STICK (E:\\Stowlark), last made 2026-12-07 10:05; restore "
                                     "from it with /restore /from:E:\\Stowlark"});
}

TEST(RestoreSelection, TicksCascadeDownAndUpAndTheTotalsSaySo) {
  RestoreSelection selection;
  EXPECT_EQ(selection.Totals(),
            "Nothing to restore: the messenger's folder already holds all of it.");
  const auto row = [](const std::string& relative) {
    return RestoreRow{relative, "", 0, 0, false};
  };
  selection.Add({row("acc\\a"), row("acc\\sub\\b")});
  selection.Add({row("acc\\sub\\c"), {"bob\\d", "", 0, 0, true}});
  std::vector<std::pair<std::string, int>> shown;
  for (const auto& row : selection.Rows()) shown.emplace_back(row.text, row.depth);
  EXPECT_EQ(shown, (std::vector<std::pair<std::string, int>>{{"acc", 0},
                                                             {"acc\\a", 1},
                                                             {"acc\\sub", 1},
                                                             {"acc\\sub\\b", 2},
                                                             {"acc\\sub\\c", 2},
                                                             {"bob", 0},
                                                             {"bob\\d", 1}}));
  EXPECT_EQ(selection.Totals(),
            "Restores 4 files of 2 accounts; 1 replaces a file here, which is kept aside.");
  EXPECT_EQ(selection.SetTicked(3, false), (std::vector<std::size_t>{3, 2, 0}));
  EXPECT_EQ(selection.SetTicked(5, false), (std::vector<std::size_t>{5, 6}));
  EXPECT_EQ(selection.Totals(), "Restores 2 files of 1 account.");
  EXPECT_EQ(selection.SetTicked(0, false), (std::vector<std::size_t>{1, 4}));
  EXPECT_EQ(selection.Totals(), "Nothing is ticked to restore.");
  EXPECT_EQ(selection.SetTicked(2, true), (std::vector<std::size_t>{2, 3, 4}));
  EXPECT_EQ(selection.TickedItems(), (std::vector<std::string>{"acc\\sub\\b", "acc\\sub\\c"}));
  EXPECT_EQ(selection.SetTicked(1, true), (std::vector<std::size_t>{1, 0}));
  std::vector<RestoreRow> many(1234, RestoreRow{"carol\\x", "", 0, 0, true});
  selection.Add(std::move(many));
  EXPECT_EQ(selection.Totals(),
            "Restores 1,237 files of 2 accounts; 1,234 replace files here, "
            "which are kept aside.");
}

}  // namespace
}  // namespace stowlark

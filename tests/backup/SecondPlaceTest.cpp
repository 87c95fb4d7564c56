#include <gtest/gtest.h>

#include <thread>

#include "app/CommandLine.h"
#include "app/CopyTo.h"
#include "backup/RunRecord.h"
#include "backup/SecondPlace.h"
#include "platform/fake/FaultyFileSystem.h"
#include "platform/fake/MemoryRegistry.h"
#include "platform/fake/Recorders.h"
#include "tests/backup/BackupFixture.h"

namespace stowlark {
namespace {

const CopyPlace kStick{"E:\\", "E:\\", 0x5a11cafe, "STICK"};

// A backup into Documents on C:, and a stick, STICK, at E:.
class SecondPlaceTest : public BackupFixture {
 protected:
  void SetUp() override {
    Plug('e', "STICK", "5a11cafe");
    Put(Messenger() / "acc/one.png", std::string(3000, '1'));
    Put(Messenger() / "acc/two.png", std::string(3000, '2'));
    locations.copyTo = kStick;
  }
  void Plug(char letter, const std::string& label, const std::string& serial) {
    Put(scratch.Path() / std::string(1, letter) / ".windows-label", label + "\n");
    Put(scratch.Path() / std::string(1, letter) / ".windows-serial", serial + "\n");
  }
  std::string Read(const std::string& path) { return testing_support::ReadFile(Host(path)); }
  // The real clock a second on, as the files' creation times follow it.
  LocalTime SecondLater() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    return files.LocalTimeOf(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count());
  }
  // A backup, with the record the window would keep of the place.
  Outcome BackUp(FileSystem& through) {
    Outcome outcome = BackupMessengerFolders(through, locations, none);
    if (outcome.copy) locations.copyTo = outcome.copy->record;
    return outcome;
  }
};

// The place is known by its volume: found under another letter, and never
// taken for another volume that stands at its letter, or for a letter
// with nothing behind it. The backup in Documents is made whatever happens.
TEST_F(SecondPlaceTest, TheStickIsFoundByItsVolumeAndNothingIsWrittenToAnother) {
  Outcome outcome = BackUp(files);
  ASSERT_TRUE(outcome.copy);
  EXPECT_EQ(outcome.result, RunResult::Done);
  EXPECT_EQ(Read("E:\\Stowlark\\acc\\one.png"), std::string(3000, '1'));
  EXPECT_TRUE(outcome.prompt.ends_with(
      "Backup Complete.\r\n\r\nCopied to E:\\Stowlark: 2 files added, 0 replaced, 0 unchanged."))
      << outcome.prompt;
  EXPECT_EQ(outcome.copy->record.lastMade, "2026-12-07 09:05");

  // In another port, the stick is at F:.
  std::filesystem::rename(scratch.Path() / "e", scratch.Path() / "f");
  Put(Messenger() / "acc/one.png", "one, changed");
  locations.startedAt.hour = 10;
  outcome = BackUp(files);
  EXPECT_EQ(outcome.copy->folder, "F:\\Stowlark");
  EXPECT_EQ(outcome.copy->record.path, "F:\\");
  EXPECT_EQ(Read("F:\\Stowlark\\acc\\one.png"), "one, changed");
  EXPECT_EQ(Read("F:\\Stowlark Replaced\\Backup 2026-12-07 10.05.03\\acc\\one.png"),
            std::string(3000, '1'));
  // The copy records its own runs, as the backup does: what each added and replaced.
  auto records = ReadRunRecords(files, "F:\\Stowlark Replaced");
  ASSERT_EQ(records.size(), 2u);
  std::sort(records[0].added.begin(), records[0].added.end());
  EXPECT_EQ(records[0],
            (RunRecord{1, {2026, 12, 7, 9, 5, 3}, "", {"acc\\one.png", "acc\\two.png"}, {}}));
  EXPECT_EQ(
      records[1],
      (RunRecord{2, locations.startedAt, "Backup 2026-12-07 10.05.03", {}, {"acc\\one.png"}}));

  // Another volume at F:, then none: the copy is not made, the run says so.
  std::filesystem::rename(scratch.Path() / "f", scratch.Path() / "stick");
  Plug('f', "OTHER", "0bad0bad");
  Put(Messenger() / "acc/two.png", "two, changed");
  for (const bool other : {true, false}) {
    if (!other) std::filesystem::remove_all(scratch.Path() / "f");
    outcome = BackUp(files);
    EXPECT_EQ(outcome.result, RunResult::Partial);
    EXPECT_EQ(outcome.copy->notMade, "the drive STICK is not connected.");
    EXPECT_TRUE(outcome.prompt.ends_with(
        "\r\n\r\nNot copied to F:\\Stowlark: the drive STICK is not connected."));
    EXPECT_EQ(testing_support::ReadFile(Backup() / "acc/two.png"), "two, changed");
    EXPECT_EQ(outcome.copy->record.lastMade, "2026-12-07 10:05") << "the last copy made";
  }
  EXPECT_EQ(Snapshot(scratch.Path() / "stick" / "Stowlark").at("acc/two.png"),
            std::string(3000, '2'));
}

// Nothing is written through a link on the way to the place's folders, and
// a copy whose folder gives way to another volume at the letter mid-run
// writes nothing more there; a place typed in lower case is the same place.
TEST_F(SecondPlaceTest, ALinkOnThePlaceOrAnotherVolumeAtItsLetterEndsTheCopyThere) {
  const auto elsewhere = scratch.Path() / "c" / "Elsewhere";
  std::filesystem::create_directories(elsewhere);
  std::filesystem::create_directories(scratch.Path() / "e");
  for (const std::string place : {"E:\\", "E:\\Backups"}) {
    std::filesystem::remove_all(scratch.Path() / "e" / "Backups");
    std::filesystem::create_directory_symlink(
        elsewhere, scratch.Path() / "e" / (place == "E:\\" ? "Stowlark" : "Backups"));
    locations.copyTo = CopyPlace{place, "E:\\", 0x5a11cafe, "STICK"};
    const Outcome outcome = BackUp(files);
    const std::string link = place == "E:\\" ? "E:\\Stowlark" : "E:\\Backups";
    EXPECT_EQ(outcome.copy->notMade,
              link + " is a symbolic link or junction, and no copy is written through one.");
    EXPECT_EQ(outcome.result, RunResult::Partial);
    EXPECT_EQ(outcome.copy->record.lastMade, "");
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
    std::filesystem::remove(scratch.Path() / "e" / "Stowlark");
  }

  Put(Messenger() / "acc/three.png", std::string(3000, '3'));
  locations.copyTo = CopyPlace{"e:\\backups", "E:\\", 0x5a11cafe, "STICK"};
  FaultyFileSystem swapping(files);
  bool swapped = false;
  swapping.Before(Operation::CreateTemporary, "backups\\Stowlark\\acc", [&] {
    if (std::exchange(swapped, true)) return;
    std::filesystem::rename(scratch.Path() / "e", scratch.Path() / "stick");
    std::filesystem::create_directories(scratch.Path() / "e" / "backups" / "Stowlark" / "acc");
    Plug('e', "STICK", "5a11cafe");
  });
  const Outcome outcome = BackUp(swapping);
  EXPECT_EQ(outcome.copy->folder, "e:\\backups\\Stowlark");
  EXPECT_EQ(outcome.copy->notMade, "the drive STICK went away during the copy.");
  EXPECT_EQ(outcome.result, RunResult::Partial);
  EXPECT_EQ(Snapshot(scratch.Path() / "e" / "backups" / "Stowlark" / "acc").size(), 1u)
      << "the file in hand when the volume changed, and no other";
}

// On the place, each file is sent to the device, read back and compared
// before it takes its name: a failure at any step, or bytes that come back
// different, leave the copy that was there and no half file, and are told.
TEST_F(SecondPlaceTest, EachFileIsFlushedAndReadBackBeforeItTakesItsName) {
  ASSERT_EQ(BackUp(files).result, RunResult::Done);
  Put(Messenger() / "acc/one.png", std::string(5000, 'a'));
  const std::error_code gone = std::make_error_code(std::errc::no_such_device);
  for (const auto& [operation, reason] :
       {std::pair{Operation::Flush, gone.message()},
        {Operation::ReadBack, gone.message()},
        {Operation::ReadBackDiffers, std::string("Read back different from what was written: the "
                                                 "drive may be failing or smaller than it claims")},
        {Operation::Commit, gone.message()}}) {
    FaultyFileSystem failing(files);
    failing.Inject(
        {operation,
         operation == Operation::Commit ? "E:\\Stowlark\\acc\\one.png" : "E:\\Stowlark\\acc",
         gone});
    const Outcome outcome = BackUp(failing);
    EXPECT_EQ(outcome.result, RunResult::Partial);
    EXPECT_EQ(outcome.copy->copied.failures, (Failures{{"E:\\Stowlark\\acc\\one.png", reason}}));
    EXPECT_EQ(Read("E:\\Stowlark\\acc\\one.png"), std::string(3000, '1'));
    EXPECT_FALSE(HasTemporaryFile(Host("E:\\")));
  }
  const Outcome outcome = BackUp(files);
  EXPECT_EQ(outcome.result, RunResult::Done);
  EXPECT_EQ(Read("E:\\Stowlark\\acc\\one.png"), std::string(5000, 'a'));
  EXPECT_EQ(Read(outcome.copy->keptFolder + "\\acc\\one.png"), std::string(3000, '1'));
  EXPECT_TRUE(outcome.copy->keptFolder.starts_with("E:\\Stowlark Replaced\\Backup "));
}

// A FAT32 stick takes no file of 4 GB or more; a full one takes what fits,
// tells what did not, and the next run goes on from there.
TEST_F(SecondPlaceTest, AFat32StickRefusesFourGigabytesAndAFullOneIsToldAndResumed) {
  files.fileSystems['e'] = "FAT32";
  const auto large = Backup() / "acc/large.avi";
  std::filesystem::create_directories(large.parent_path());
  std::ofstream(large).close();
  std::filesystem::resize_file(large, std::uint64_t{4} << 30);
  Put(Messenger() / "bob/three.png", "three");
  FaultyFileSystem full(files);
  full.Inject(
      {Operation::Write, "E:\\Stowlark\\bob", std::make_error_code(std::errc::no_space_on_device)});
  Outcome outcome = BackUp(full);
  std::sort(outcome.copy->copied.failures.begin(), outcome.copy->copied.failures.end(),
            [](const Failure& a, const Failure& b) { return a.path < b.path; });
  EXPECT_EQ(outcome.copy->copied.failures,
            (Failures{{"E:\\Stowlark\\acc\\large.avi",
                       "The file is 4 GB or larger, which a FAT32 drive cannot hold"},
                      {"E:\\Stowlark\\bob\\three.png", "The drive is full"}}));
  EXPECT_EQ(outcome.result, RunResult::Partial);
  EXPECT_EQ(Read("E:\\Stowlark\\acc\\two.png"), std::string(3000, '2'));
  EXPECT_FALSE(HasTemporaryFile(Host("E:\\")));
  EXPECT_EQ(outcome.copy->record.lastMade, "") << "no copy has been made whole";

  std::filesystem::remove(large);
  outcome = BackUp(files);
  EXPECT_EQ(outcome.result, RunResult::Done);
  EXPECT_EQ(outcome.copy->copied.added, (std::vector<std::string>{"E:\\Stowlark\\bob\\three.png"}));
  EXPECT_EQ(outcome.copy->copied.unchanged, 2u);
}

// On a new PC, the copy is a backup a restore can use: read from the stick
// as it is, where FAT's two-second times replace nothing of the same bytes.
TEST_F(SecondPlaceTest, ARestoreFromTheStickReplacesNothingThatHoldsTheSameBytes) {
  files.fileSystems['e'] = "FAT32";
  ASSERT_EQ(BackUp(files).result, RunResult::Done);
  const LocalTime between = SecondLater();
  Put(Messenger() / "acc/two.png", "two, changed");
  locations.startedAt = SecondLater();
  const Outcome second = BackUp(files);
  ASSERT_FALSE(second.copy->keptFolder.empty()) << "a version kept on the stick";
  const auto copy = Host("E:\\Stowlark\\acc\\one.png");
  std::filesystem::last_write_time(
      copy,
      std::filesystem::last_write_time(Messenger() / "acc/one.png") - std::chrono::seconds(2));
  std::filesystem::remove(Messenger() / "acc/two.png");
  locations.restoreFrom = "E:\\";
  const Outcome restored = RunRestore();
  EXPECT_EQ(restored.result, RunResult::Done);
  EXPECT_EQ(restored.added,
            (std::vector<std::string>{"C:\\App\\Microsoft\\MSN Messenger\\acc\\two.png"}));
  EXPECT_TRUE(restored.kept.empty());
  EXPECT_EQ(restored.unchanged, 1u);
  locations.restoreFrom = "E:\\Stowlark Replaced";
  EXPECT_EQ(RunRestore().prompt, "No backup was found in E:\\Stowlark Replaced.")
      << "the versions kept there are not accounts";
  // As of a time between the backups, the version kept on the stick, whose
  // path at the top of the drive holds no doubled separator.
  locations.restoreFrom = "E:\\";
  locations.asOf = between;
  locations.preview = true;
  const auto versions = RunRestore().versions;
  EXPECT_NE(std::find(versions.begin(), versions.end(),
                      FileToCopy{second.copy->keptFolder + "\\acc\\two.png", "acc\\two.png"}),
            versions.end())
      << (versions.empty() ? "none" : versions.back().source);
}

// A restore from a folder takes what Stowlark wrote there and nothing else:
// the copy a backup made, marked, or by its name where it was made before
// the mark; below it no folder of Stowlark's own names is an account, and no
// temporary file is restored, whether or not the stick kept its mark.
TEST_F(SecondPlaceTest, ARestoreFromAFolderTakesTheCopyABackupMadeThereAndNothingElse) {
  Put(Host("E:\\Stowlark\\Stowlark.exe"), "MZ");  // Stowlark unpacked there, as the place
  locations.copyTo = CopyPlace{"E:\\Stowlark", "E:\\", 0x5a11cafe, "STICK"};
  ASSERT_EQ(BackUp(files).copy->folder, "E:\\Stowlark\\Stowlark");
  Put(Host("E:\\Stowlark\\Stowlark\\acc\\~stowlark-9-9.partial"), "left by a pull");
  std::filesystem::remove_all(Messenger());
  const Tree account{{"acc/", ""},
                     {"acc/one.png", std::string(3000, '1')},
                     {"acc/two.png", std::string(3000, '2')}};
  const auto restoreFrom = [&](const std::string& from) {
    locations.restoreFrom = from;
    const Outcome outcome = RunRestore();
    EXPECT_EQ(Snapshot(Messenger()), account) << from;
    return outcome.result;
  };
  for (const char* from : {"E:\\", "E:\\Stowlark\\", "E:\\Stowlark\\Stowlark"}) {
    EXPECT_EQ(restoreFrom(from), RunResult::Done) << from;
  }
  // Renamed, the copy is known by its mark; made before the mark, by its name.
  std::filesystem::rename(Host("E:\\Stowlark\\Stowlark"), Host("E:\\Old copy"));
  EXPECT_EQ(restoreFrom("E:\\Old copy"), RunResult::Done);
  std::filesystem::remove(Host("E:\\Old copy") / kBackupMarkName);
  EXPECT_EQ(restoreFrom("E:\\Old copy"), RunResult::NothingToDo);
  std::filesystem::rename(Host("E:\\Old copy"), Host("E:\\Stowlark\\Stowlark"));
  EXPECT_EQ(restoreFrom("E:\\"), RunResult::Done);
  EXPECT_TRUE(std::filesystem::exists(Host("E:\\Stowlark\\Stowlark\\acc\\~stowlark-9-9.partial")));
  ASSERT_EQ(BackUp(files).result, RunResult::Done);
  EXPECT_FALSE(HasTemporaryFile(Host("E:\\"))) << "the next copy clears it";
  EXPECT_TRUE(std::filesystem::exists(Host("E:\\Stowlark\\Stowlark") / kBackupMarkName));

  // Any other folder is no backup, in a preview too; one that is not there
  // cannot be restored from.
  Put(Host("C:\\Home\\Desktop\\.config\\wine.conf"), "not an account");
  for (const bool preview : {true, false}) {
    locations.preview = preview;
    for (const std::string from : {"C:\\Home\\Desktop", "C:\\Home"}) {
      locations.restoreFrom = from;
      EXPECT_EQ(
          Telling(RunRestore()),
          (Told{"No Backup", 64, "No backup was found in " + from + ".", RunResult::NothingToDo}));
    }
    locations.restoreFrom = "E:\\Nowhere\\";
    EXPECT_EQ(Telling(RunRestore()),
              (Told{"Restore", 16,
                    "Restore failed: the folder to restore from cannot be found:\r\nE:\\Nowhere\r\n"
                    "If it is on a drive or share that is not connected, connect it and try again.",
                    RunResult::NotStarted}));
  }
  EXPECT_EQ(Snapshot(Messenger()), account) << "nothing written";
}

// Where the copy may go, chosen and stored as a value; refused where it
// would die with the backup, be taken for part of it, or cannot be made.
TEST_F(SecondPlaceTest, APlaceIsStoredByItsVolumeOrRefusedWithTheReason) {
  MemoryRegistry registry;
  RecordingMessages messages;
  const std::string shellFolders =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  registry.SetString(kCurrentUser, shellFolders, "Personal", "C:\\Docs");
  registry.SetString(kCurrentUser, shellFolders, "AppData", "C:\\App");
  WriteRegistry settings(registry, messages);
  const auto ask = [&](CopyToAsk what, const std::string& path = "") {
    const CopyToAnswer answer = AnswerCopyTo(files, settings, registry, what, path);
    return (answer.done ? "done: " : "refused: ") + answer.line;
  };
  EXPECT_EQ(ask(CopyToAsk::Show), "done: Copy to: off.");
  Put(Host("E:\\file"), "a file");
  for (const auto& [path, reason] :
       {std::pair<std::string, std::string>{"C:\\Elsewhere",
                                            "it is on the same drive as your Documents folder, "
                                            "and a copy there would be lost with it."},
        {"C:\\Docs\\Stowlark\\x", "it is in the backup folder, C:\\Docs\\Stowlark."},
        {"E:\\file\\Backups",
         "it does not exist and cannot be made: A file stands where the "
         "folder should go."},
        {"Backups", "it is not a full path."}}) {
    EXPECT_EQ(ask(CopyToAsk::Set, path), "refused: Not copying to " + path + ": " + reason);
  }
  EXPECT_EQ(ReadCopyPlace(registry), std::nullopt) << "nothing stored";
  EXPECT_FALSE(std::filesystem::exists(Host("C:\\Elsewhere")));

  EXPECT_EQ(ask(CopyToAsk::Set, "E:\\Backups\\"),
            "done: Copy to: E:\\Backups (STICK), not made yet.");
  EXPECT_EQ(ReadCopyPlace(registry), (CopyPlace{"E:\\Backups", "E:\\", 0x5a11cafe, "STICK"}));
  ASSERT_TRUE(
      WriteCopyPlace(registry, {"E:\\Backups", "E:\\", 0x5a11cafe, "STICK", "2026-12-09 10:00"}));
  EXPECT_EQ(ask(CopyToAsk::Set, "E:\\Backups"),
            "done: Copy to: E:\\Backups (STICK), last made 2026-12-09 10:00.");
  EXPECT_EQ(ask(CopyToAsk::Off), "done: Copy to: off.");
  EXPECT_EQ(ReadCopyPlace(registry), std::nullopt);

  // A "\\?\" or "\\.\" form is kept as the plain path it names, or refused
  // where it names none.
  for (const auto& [path, plain] :
       {std::pair<std::string, std::string>{"\\\\?\\E:\\Backups", "E:\\Backups"},
        {"\\\\.\\e:\\Backups\\..\\x", "e:\\x"},
        {"\\\\?\\E:\\", "E:\\"}}) {
    EXPECT_EQ(ask(CopyToAsk::Set, path), "done: Copy to: " + plain + " (STICK), not made yet.");
    EXPECT_EQ(ReadCopyPlace(registry)->path, plain);
  }
  EXPECT_EQ(PlainPlacePath("\\\\?\\UNC\\nas\\share\\x"), "\\\\nas\\share\\x");
  EXPECT_EQ(PlainPlacePath("\\\\nas\\share"), "\\\\nas\\share");
  for (const std::string path :
       {"\\\\?\\Volume{0b1e5e4a-3f1d-11e0-9a1b-806e6f6e6963}\\", "\\\\.\\PhysicalDrive0",
        "\\\\?\\GLOBALROOT\\Device\\HarddiskVolume2\\x", "\\\\?\\UNC\\", "\\\\.\\E:"}) {
    EXPECT_EQ(ask(CopyToAsk::Set, path),
              "refused: Not copying to " + path +
                  ": it is not a folder on a drive or a network folder. Give one as E:\\Backups or "
                  "\\\\server\\share\\Backups.");
  }
  EXPECT_EQ(ReadCopyPlace(registry)->path, "E:\\") << "left as it was";

  // A copy last made more than a week ago, or never, is overdue.
  const LocalTime now{2026, 12, 16, 10, 0, 0};
  EXPECT_FALSE(CopyOverdue({"E:\\", "E:\\", 1, "", "2026-12-09 10:00"}, now));
  EXPECT_TRUE(CopyOverdue({"E:\\", "E:\\", 1, "", "2026-12-09 09:59"}, now));
  EXPECT_TRUE(CopyOverdue({"E:\\", "E:\\", 1, "", ""}, now));
}

}  // namespace
}  // namespace stowlark

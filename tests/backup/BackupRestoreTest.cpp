#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/CommandLine.h"
#include "platform/fake/FaultyFileSystem.h"
#include "tests/backup/BackupFixture.h"

namespace stowlark {
namespace {

class BackupRestoreTest : public BackupFixture {
 protected:
  void SetUp() override {
    Put(Messenger() / "alice@example.com/CustomEmoticons/smile.png", "smile-1");
    Put(Messenger() / "alice@example.com/DisplayPictures/me.jpg", "me-1");
    Put(Messenger() / "bob@example.com/Backgrounds/sea.bmp", "sea-1");
    std::filesystem::create_directories(Messenger() / "carol@example.com");
    Put(Messenger() / "loose.dat", "not an account");
  }
};

TEST_F(BackupRestoreTest, RepeatedBackupOverwritesAndKeepsWhatHasGone) {
  ASSERT_EQ(Telling(RunBackup()), kBackupComplete);
  const auto inode = [&](const char* path) {
    struct stat info {};
    ::stat((Backup() / path).c_str(), &info);
    return info.st_ino;
  };
  const auto sea = inode("bob@example.com/Backgrounds/sea.bmp");
  // Same size and time, other bytes: the time stamp alone is never trusted.
  const auto me = Messenger() / "alice@example.com/DisplayPictures/me.jpg";
  const auto time = std::filesystem::last_write_time(me);
  Put(me, "ME-1");
  std::filesystem::last_write_time(me, time);
  EXPECT_EQ(RunBackup().style, 64);
  EXPECT_EQ(inode("bob@example.com/Backgrounds/sea.bmp"), sea) << "an unchanged file is left alone";
  EXPECT_EQ(Snapshot(Backup()).at("alice@example.com/DisplayPictures/me.jpg"), "ME-1");

  Put(Messenger() / "alice@example.com/CustomEmoticons/smile.png", "smile-2, longer than before");
  std::filesystem::remove(Messenger() / "alice@example.com/DisplayPictures/me.jpg");
  std::filesystem::remove_all(Messenger() / "bob@example.com");

  EXPECT_EQ(RunBackup().style, 64);
  const auto backup = Snapshot(Backup());
  EXPECT_EQ(backup.at("alice@example.com/CustomEmoticons/smile.png"),
            "smile-2, longer than before");
  EXPECT_EQ(backup.at("alice@example.com/DisplayPictures/me.jpg"), "ME-1");
  EXPECT_EQ(backup.at("bob@example.com/Backgrounds/sea.bmp"), "sea-1");
}

TEST_F(BackupRestoreTest, RunsWithNothingToCopyOrNowhereToPutItSaySoAndCreateNothing) {
  for (const char* account : {"alice@example.com", "bob@example.com", "carol@example.com"}) {
    std::filesystem::remove_all(Messenger() / account);
  }
  const std::string messenger = "\r\nC:\\App\\Microsoft\\MSN Messenger";
  EXPECT_EQ(Telling(RunBackup()), (Told{"Backup", 48,
                                        "Nothing was backed up: there is no account folder in the "
                                        "messenger data folder" +
                                            messenger,
                                        RunResult::NothingToDo}));
  std::filesystem::remove_all(Host("C:\\App"));
  EXPECT_EQ(RunBackup().prompt,
            "Nothing was backed up: there is no messenger data folder at" + messenger);
  EXPECT_FALSE(std::filesystem::exists(Backup()));
  // A backup folder with nothing but a cut-short run's temporary file is no backup.
  PutStaleTemporary(Backup() / "~stowlark-4-0.partial");
  EXPECT_EQ(Telling(RunRestore()), (Told{"No Backup", 64, "No backup found.\r\nC:\\Docs\\Stowlark",
                                         RunResult::NothingToDo}));
  EXPECT_FALSE(std::filesystem::exists(Host("C:\\App")));

  Put(Messenger() / "alice@example.com/smile.png", "smile");
  std::filesystem::remove_all(Backup());
  Put(Backup().parent_path(), "a file named Stowlark");
  EXPECT_EQ(RunBackup().prompt,
            "Backup failed: a file stands where the backup folder goes:\r\nC:\\Docs\\Stowlark\r\n"
            "Rename or move that file, then try again.");
  const std::string unreachable =
      " folder cannot be reached:\r\nQ:\\Docs\r\nIf it is on a drive or share that is not "
      "connected, connect it and try again.";
  locations.backupPath = "Q:\\Docs\\Stowlark\\";
  EXPECT_EQ(RunBackup().prompt, "Backup failed: your Documents" + unreachable);

  // The messenger's own folders are made again; the one the settings name is not.
  locations.backupPath = "C:\\App\\Microsoft\\MSN Messenger\\";
  locations.messengerFolder = "C:\\Docs\\Microsoft\\MSN Messenger";
  EXPECT_EQ(Telling(RunRestore()), kRestoreComplete);
  EXPECT_EQ(
      testing_support::ReadFile(Host(locations.messengerFolder) / "alice@example.com/smile.png"),
      "smile");
  locations.messengerFolder = "Q:\\Docs\\Microsoft\\MSN Messenger";
  EXPECT_EQ(RunRestore().prompt, "Restore failed: your Application Data" + unreachable);
}

TEST_F(BackupRestoreTest, UnknownFoldersTouchNothing) {
  FaultyFileSystem counting(files);
  const Locations documents{"Error\\Stowlark\\", locations.messengerFolder, false, true};
  const Locations appData{locations.backupPath, "Error\\Microsoft\\MSN Messenger", true, false};
  for (const auto& [run, verb] :
       {std::pair{&BackupMessengerFolders, "Backup"}, std::pair{&RestoreCommand, "Restore"}}) {
    EXPECT_EQ(
        Telling(run(counting, documents, none)),
        (Told{verb, 16, std::string(verb) + " failed: your Documents folder could not be found.",
              RunResult::NotStarted}));
    EXPECT_EQ(Telling(run(counting, appData, none)),
              (Told{verb, 16,
                    std::string(verb) + " failed: your Application Data folder could not be found.",
                    RunResult::NotStarted}));
  }
  EXPECT_EQ(counting.Calls(), 0);
}

// The account folders of the backup, and nothing else: a file lying loose
// there (the program itself, unpacked into it) was never backed up.
TEST_F(BackupRestoreTest, RestoreMergesTheAccountFoldersOfTheBackupIntoTheMessengerFolder) {
  ASSERT_EQ(Telling(RunBackup()), kBackupComplete);
  Put(Backup() / "Stowlark.exe", "MZ the program");
  Put(Messenger() / "alice@example.com/CustomEmoticons/smile.png", "changed since");
  Put(Messenger() / "alice@example.com/CustomEmoticons/new.png", "only here");
  const auto smile = Messenger() / "alice@example.com/CustomEmoticons/smile.png";
  const auto stamp = std::filesystem::file_time_type(std::chrono::seconds(1'000'000'000));
  std::filesystem::last_write_time(smile, stamp);
  std::filesystem::permissions(smile, std::filesystem::perms::owner_read);
  const auto backupBefore = Snapshot(Backup());

  // The file it replaces is kept whole, with its time and mode, in a folder
  // of this restore's own beside the backup.
  const Outcome outcome = RunRestore();
  EXPECT_EQ(outcome.prompt, kRestoreComplete.prompt + KeptNote("1 file", "restore", kRestoreKept));
  EXPECT_EQ(outcome.kept,
            (std::vector<KeptFile>{
                {locations.messengerFolder + "\\alice@example.com\\CustomEmoticons\\smile.png",
                 kRestoreKept + "\\alice@example.com\\CustomEmoticons\\smile.png"}}));
  const auto kept = Host(kRestoreKept) / "alice@example.com/CustomEmoticons/smile.png";
  EXPECT_EQ(Snapshot(Host(kRestoreKept)),
            (Tree{{"alice@example.com/", ""},
                  {"alice@example.com/CustomEmoticons/", ""},
                  {"alice@example.com/CustomEmoticons/smile.png", "changed since"}}));
  EXPECT_EQ(std::filesystem::last_write_time(kept), stamp);
  EXPECT_EQ(std::filesystem::status(kept).permissions(), std::filesystem::perms::owner_read);
  const auto messenger = Snapshot(Messenger());
  EXPECT_EQ(messenger.at("alice@example.com/CustomEmoticons/smile.png"), "smile-1");
  EXPECT_EQ(messenger.at("alice@example.com/CustomEmoticons/new.png"), "only here");
  EXPECT_EQ(messenger.at("loose.dat"), "not an account");
  EXPECT_FALSE(messenger.contains("Stowlark.exe"));
  EXPECT_FALSE(messenger.contains("Stowlark/"));
  EXPECT_EQ(Snapshot(Backup()), backupBefore);

  // Nothing to replace: nothing kept and no folder made; what was kept is
  // never restored.
  EXPECT_EQ(Telling(RunRestore()), kRestoreComplete);
  EXPECT_EQ(Snapshot(Messenger()), messenger);
  EXPECT_EQ(Snapshot(Host("C:\\Docs\\Stowlark Replaced")).size(), 5u)
      << "the first restore's folder of four entries, and the backup's record";
}

TEST_F(BackupRestoreTest, ReadOnlyFilesAreReplacedAndKeepTheirModeAndTime) {
  const auto smile = Messenger() / "alice@example.com/CustomEmoticons/smile.png";
  std::filesystem::permissions(smile, std::filesystem::perms::owner_read);
  ASSERT_EQ(Telling(RunBackup()), kBackupComplete);
  std::filesystem::permissions(smile, std::filesystem::perms::owner_all);
  Put(smile, "smile-2");
  const auto stamp = std::filesystem::file_time_type(std::chrono::seconds(1'000'000'000));
  std::filesystem::last_write_time(smile, stamp);

  EXPECT_EQ(RunBackup().prompt, "Backup Complete." + KeptNote("1 file", "backup", kBackupKept));
  const auto copy = Backup() / "alice@example.com/CustomEmoticons/smile.png";
  EXPECT_EQ(testing_support::ReadFile(copy), "smile-2");
  EXPECT_EQ(std::filesystem::last_write_time(copy), stamp);
  EXPECT_EQ(std::filesystem::status(copy).permissions(), std::filesystem::perms::owner_all);
  // The previous copy is kept, read-only as it was.
  const auto kept = Host(kBackupKept) / "alice@example.com/CustomEmoticons/smile.png";
  EXPECT_EQ(testing_support::ReadFile(kept), "smile-1");
  EXPECT_EQ(std::filesystem::status(kept).permissions(), std::filesystem::perms::owner_read);

  // A re-save, a sync tool or a kill after a rename gives a file a new time
  // alone: the copy only takes the time, and keeps nothing.
  const auto replaced = Snapshot(Host("C:\\Docs\\Stowlark Replaced"));
  std::filesystem::last_write_time(smile, stamp - std::chrono::hours(2));
  EXPECT_EQ(Telling(RunBackup()), kBackupComplete);
  EXPECT_EQ(std::filesystem::last_write_time(copy), stamp - std::chrono::hours(2));
  EXPECT_EQ(Snapshot(Host("C:\\Docs\\Stowlark Replaced")), replaced);
  std::filesystem::last_write_time(smile, stamp - std::chrono::hours(5));
  EXPECT_EQ(Telling(RunRestore()), kRestoreComplete);
  EXPECT_EQ(std::filesystem::last_write_time(smile), stamp - std::chrono::hours(2));
  EXPECT_FALSE(std::filesystem::exists(Host(kRestoreKept)));
  // FAT keeps times to two seconds, and moves them all by an hour when
  // daylight saving time changes: neither is a reason to write anything.
  for (const auto apart : {std::chrono::seconds(2), std::chrono::seconds(3600 - 2)}) {
    std::filesystem::last_write_time(copy, stamp - std::chrono::hours(2) + apart);
    EXPECT_EQ(Telling(RunBackup()), kBackupComplete);
    EXPECT_EQ(std::filesystem::last_write_time(copy), stamp - std::chrono::hours(2) + apart);
  }
}

// Each version a backup replaces stays in that backup's own folder, whole and
// with its time; no run writes into a folder that was there before it, the
// one where earlier releases kept a single previous copy among them.
TEST_F(BackupRestoreTest, EveryVersionABackupReplacesIsKeptInAFolderOfItsOwn) {
  using Version = std::pair<std::string, std::filesystem::file_time_type>;
  const auto versions = [](const std::filesystem::path& root) {
    std::map<std::string, Version> tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      if (entry.path().extension() == ".record") continue;  // each run's own
      tree[entry.path().lexically_relative(root).generic_string()] = {
          entry.is_directory() ? "" : testing_support::ReadFile(entry.path()),
          entry.last_write_time()};
    }
    return tree;
  };
  const auto smile = Messenger() / "alice@example.com/CustomEmoticons/smile.png";
  const auto write = [&](const std::string& content, int hour) {
    Put(smile, content);
    std::filesystem::last_write_time(smile,
                                     std::filesystem::file_time_type(std::chrono::hours(hour)));
  };
  const auto replaced = Host("C:\\Docs\\Stowlark Replaced");
  Put(replaced / "Previous backup/alice@example.com/CustomEmoticons/smile.png", "smile-0");
  std::filesystem::create_directories(replaced / "Backup 2026-12-07 10.00.00");
  Put(replaced / "Backup 2026-12-07 10.00.00 (2)", "a file of the user's");
  write("smile-1", 1);
  const auto before = versions(replaced);
  ASSERT_EQ(Telling(RunBackup()), kBackupComplete);
  EXPECT_EQ(versions(replaced), before) << "nothing replaced, no folder made";

  locations.startedAt = {2026, 12, 7, 10, 0, 0};
  const std::string folder = "C:\\Docs\\Stowlark Replaced\\Backup 2026-12-07 10.00.00";
  write("smile-2", 2);
  locations.preview = true;
  EXPECT_EQ(RunBackup().keptFolder, folder + " (3)");
  EXPECT_EQ(versions(replaced), before);
  locations.preview = false;
  EXPECT_EQ(RunBackup().prompt, "Backup Complete." + KeptNote("1 file", "backup", folder + " (3)"));
  write("smile-3", 3);  // within the same second
  EXPECT_EQ(RunBackup().prompt, "Backup Complete." + KeptNote("1 file", "backup", folder + " (4)"));
  EXPECT_EQ(Telling(RunBackup()), kBackupComplete);

  const auto after = versions(replaced);
  for (const auto& [path, version] : before) EXPECT_EQ(after.at(path), version) << path;
  const std::string below = "/alice@example.com/CustomEmoticons/smile.png";
  EXPECT_EQ(after.at("Backup 2026-12-07 10.00.00 (3)" + below),
            Version("smile-1", std::filesystem::file_time_type(std::chrono::hours(1))));
  EXPECT_EQ(after.at("Backup 2026-12-07 10.00.00 (4)" + below),
            Version("smile-2", std::filesystem::file_time_type(std::chrono::hours(2))));
  EXPECT_EQ(after.size(), before.size() + 8) << "two folders of four entries each";
}

// A backup copies every account folder, an empty one too, but no loose file,
// none of its own temporary files and no folder of its own folders' names:
// a user's file is never taken for a temporary one by its name alone, but
// is not copied into the backup, where only Stowlark writes and the name
// alone tells its own.
TEST_F(BackupRestoreTest, EveryAccountIsCopiedButNoLooseFileNorWhatTheProgramTakesForItsOwn) {
  const auto alice = Messenger() / "alice@example.com";
  for (const char* name : {"~stowlark-notes.partial", "~stowlark.partial", "~stowlark-7-0.partial",
                           "~stowlark-dir.partial/inside.txt"}) {
    Put(alice / name, name);
  }
  Put(Messenger() / "Stowlark/x.png", "not an account");
  std::filesystem::create_directories(Messenger() / "stowlark replaced");
  PutStaleTemporary(alice / "~stowlark-7-1.partial");
  PutStaleTemporary(Backup() / "alice@example.com/CustomEmoticons/~stowlark-9-3.partial");
  Put(Backup() / "alice@example.com/CustomEmoticons/~stowlark-9-4.partial", "left by a pull");
  Put(Backup() / kBackupMarkName, "the user's");
  const Outcome backedUp = RunBackup();
  EXPECT_EQ(Snapshot(Backup()).at(kBackupMarkName), "the user's") << "never replaced";
  EXPECT_EQ(backedUp.result, RunResult::Partial);
  const std::string ownName =
      "Stowlark keeps its own folders under this name and a restore takes none of them for an "
      "account, so it was not backed up: rename it to have it backed up";
  const std::string messenger = locations.messengerFolder + "\\";
  Failures failures = backedUp.failures;
  std::sort(failures.begin(), failures.end(),
            [](const Failure& a, const Failure& b) { return a.path < b.path; });
  EXPECT_EQ(failures, (Failures{{messenger + "Stowlark", ownName},
                                {messenger + "alice@example.com\\~stowlark-7-0.partial",
                                 "The name is one Stowlark gives its temporary files, which a "
                                 "restore leaves out: rename the file to have it backed up"},
                                {messenger + "stowlark replaced", ownName}}));
  auto expected = Snapshot(Messenger());
  for (const char* left : {"loose.dat", "alice@example.com/~stowlark-7-1.partial",
                           "alice@example.com/~stowlark-7-0.partial", "Stowlark/", "Stowlark/x.png",
                           "stowlark replaced/"}) {
    EXPECT_EQ(expected.erase(left), 1u) << left;
  }
  EXPECT_EQ(BackupTree(), expected);
  EXPECT_TRUE(expected.contains("carol@example.com/"));

  // A restore clears its own and leaves out what a stick kept no mark on,
  // and keeps the user's files of such names.
  std::filesystem::remove(alice / "~stowlark-notes.partial");
  PutStaleTemporary(alice / "CustomEmoticons/~stowlark-3-3.partial");
  Put(Backup() / "alice@example.com/CustomEmoticons/~stowlark-9-5.partial", "left by a pull");
  EXPECT_EQ(Telling(RunRestore()), kRestoreComplete);
  const auto restored = Snapshot(alice);
  EXPECT_EQ(restored.at("~stowlark-notes.partial"), "~stowlark-notes.partial");
  EXPECT_EQ(restored.at("~stowlark-7-0.partial"), "~stowlark-7-0.partial");
  EXPECT_FALSE(restored.contains("CustomEmoticons/~stowlark-3-3.partial"));
  EXPECT_FALSE(restored.contains("CustomEmoticons/~stowlark-9-5.partial"));
}

TEST_F(BackupRestoreTest, NamesThatWindowsTakesForOneAreCopiedOnceAndTheTwinsReported) {
  Put(Messenger() / "alice@example.com/DisplayPictures/ME.jpg", "twin");
  Put(Messenger() / "alice@example.com/customemoticons/x.png", "twin folder");
  Put(Messenger() / "Bob@example.com/x.png", "twin account");
  const Outcome outcome = RunBackup();
  EXPECT_EQ(Occurrences(outcome.prompt, "was already copied there"), 3) << outcome.prompt;
  // Whichever of each pair came first is the one in the backup, whole.
  const auto source = Snapshot(Messenger());
  std::map<std::string, int> seen;
  for (const auto& [path, content] : BackupTree()) {
    EXPECT_EQ(source.at(path), content) << path;
    std::string key = path;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(++seen[key], 1) << path;
  }
}

TEST_F(BackupRestoreTest, ABackupFolderInsideTheSourceByAnySpellingIsNeverCopiedIntoItself) {
  std::filesystem::create_directory_symlink(Messenger() / "alice@example.com", Host("C:\\Docs2"));
  for (const char* backup : {"C:\\App\\Microsoft\\\\MSN Messenger\\alice@example.com\\Stowlark\\",
                             "C:\\Docs2\\Stowlark\\"}) {
    locations.backupPath = backup;
    const Outcome outcome = RunBackup();
    EXPECT_EQ(outcome.style, 48);
    EXPECT_NE(outcome.prompt.find("Stowlark\\alice@example.com: The folder would be copied into "
                                  "itself"),
              std::string::npos)
        << outcome.prompt;
    EXPECT_FALSE(std::filesystem::exists(Backup() / "alice@example.com"));
    EXPECT_EQ(testing_support::ReadFile(Backup() / "bob@example.com/Backgrounds/sea.bmp"), "sea-1");
  }
  // Refused for its only account, a backup leaves no empty backup folder.
  for (const char* other : {"bob@example.com", "carol@example.com", "alice@example.com/Stowlark"}) {
    std::filesystem::remove_all(Messenger() / other);
  }
  EXPECT_EQ(RunBackup().style, 48);
  EXPECT_FALSE(std::filesystem::exists(Backup()));
}

// A preview writes nothing anywhere and lists exactly what the run then does.
TEST_F(BackupRestoreTest, APreviewWritesNothingAndListsWhatTheRunThenDoes) {
  locations.preview = true;
  const Outcome first = RunBackup();
  EXPECT_EQ(first.added.size(), 3u);
  EXPECT_FALSE(std::filesystem::exists(Backup()));
  locations.preview = false;
  ASSERT_EQ(RunBackup().added, first.added);

  Put(Messenger() / "alice@example.com/CustomEmoticons/smile.png", "smile-2");
  Put(Messenger() / "bob@example.com/new.png", "new");
  locations.preview = true;
  const Outcome preview = RunBackup();
  EXPECT_EQ(ReportLines(RunKind::Backup, preview, true).back(),
            "Preview of a backup: 1 added, 1 replaced, 2 unchanged, 0 not copied.");
  EXPECT_EQ(PreviewPrompt(preview),
            "Preview: nothing was written.\r\nThe run would add 1 file, replace 1 file (keeping "
            "each aside) and leave 2 files unchanged.");
  locations.preview = false;
  const Outcome done = RunBackup();
  EXPECT_EQ(ReportLines(RunKind::Backup, preview, false),
            ReportLines(RunKind::Backup, done, false));
  EXPECT_EQ(ReportLines(RunKind::Backup, done, false),
            (std::vector<std::string>{
                "Added C:\\Docs\\Stowlark\\bob@example.com\\new.png",
                "Replaced C:\\Docs\\Stowlark\\alice@example.com\\CustomEmoticons\\smile.png, kept "
                "in " +
                    kBackupKept + "\\alice@example.com\\CustomEmoticons\\smile.png",
                "Backup finished: 1 added, 1 replaced, 2 unchanged, 0 not copied."}));
}

TEST_F(BackupRestoreTest, AnAccountFilterCopiesThatAccountAloneAndNamesThoseThatAreThere) {
  locations.accounts = {"ALICE@example.com"};
  EXPECT_EQ(Telling(RunBackup()), kBackupComplete);
  EXPECT_EQ(BackupTree().size(), 5u) << "alice's folder, two folders and two files in it";
  locations.accounts = {};
  ASSERT_EQ(Telling(RunBackup()), kBackupComplete);

  std::filesystem::remove_all(Messenger());
  locations.accounts = {"bob@example.com"};
  EXPECT_EQ(Telling(RunRestore()), kRestoreComplete);
  EXPECT_EQ(Snapshot(Messenger()), (Tree{{"bob@example.com/", ""},
                                         {"bob@example.com/Backgrounds/", ""},
                                         {"bob@example.com/Backgrounds/sea.bmp", "sea-1"}}));
  locations.accounts = {"bob@example.com", "dave"};
  const Outcome missing = RunRestore();
  EXPECT_EQ(missing.result, RunResult::NotStarted);
  EXPECT_EQ(missing.prompt,
            "Restore failed: there is no account folder named dave. The account folders are: "
            "alice@example.com, bob@example.com, carol@example.com.")
      << "sorted by name";
}

}  // namespace
}  // namespace stowlark

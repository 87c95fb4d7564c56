#include <gtest/gtest.h>

#include "app/Accessible.h"
#include "app/CommandLine.h"
#include "app/CopyTo.h"
#include "app/LogPath.h"
#include "app/frmBackup.h"
#include "platform/fake/MemoryRegistry.h"
#include "platform/fake/Recorders.h"
#include "platform/native/DriveMappedFileSystem.h"
#include "settings/AutomaticRecord.h"
#include "settings/CopyPlace.h"
#include "settings/FolderLocations.h"
#include "settings/LastBackup.h"
#include "settings/ProgramKey.h"
#include "tests/ScratchFolder.h"

namespace stowlark {
namespace {

using testing_support::ScratchFolder;

constexpr RegHandle kHkcu = 0x80000001;
const std::string kSubkey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kDrag = "SendMessage 161 2 0";

class frmBackupTest : public testing::Test {
 protected:
  frmBackupTest() {
    SetFolder("Personal", "C:\\Documents and Settings\\User\\My Documents");
    SetFolder("AppData", "C:\\Documents and Settings\\User\\Application Data");
  }
  void SetFolder(const std::string& name, const std::string& value) {
    registry.SetString(kHkcu, kSubkey, name, value);
  }
  void Click(std::string_view name) {
    const Rect r = PixelRect(FindControl(name));
    form.OnMouseDown(MouseButton::Left, r.left + 1, r.top + 1);
    form.OnMouseUp(MouseButton::Left, r.left + 1, r.top + 1);
  }

  MemoryRegistry registry;
  RecordingMessages messages;
  RecordingWindow window;
  ScratchFolder scratch;
  DriveMappedFileSystem files{scratch.Path()};
  FakeCopyLock lock;
  InlineWorker worker;
  RecordingTaskbar taskbar;
  FixedClock clock;
  FakeScheduler scheduler;
  frmBackup form{{registry, messages, window, files, lock, worker, taskbar, clock, scheduler}};
};

TEST_F(frmBackupTest, LoadComputesTheFoldersByPlainJoins) {
  form.Load();
  EXPECT_EQ(form.DocumentsFolder(), "C:\\Documents and Settings\\User\\My Documents");
  EXPECT_EQ(form.BackupPath(), "C:\\Documents and Settings\\User\\My Documents\\Stowlark\\");
  EXPECT_EQ(form.MessengerFolder(),
            "C:\\Documents and Settings\\User\\Application Data\\Microsoft\\MSN Messenger");
  EXPECT_TRUE(form.DocumentsFolderKnown());
  EXPECT_TRUE(form.ApplicationDataFolderKnown());
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_TRUE(window.calls.empty());

  // A drive root keeps its doubled backslash, and leading spaces go.
  SetFolder("Personal", "D:\\");
  SetFolder("AppData", "   E:\\App");
  form.Load();
  EXPECT_EQ(form.BackupPath(), "D:\\\\Stowlark\\");
  EXPECT_EQ(form.MessengerFolder(), "E:\\App\\Microsoft\\MSN Messenger");
}

TEST_F(frmBackupTest, FoldersThatAreNotAbsoluteAreUnknown) {
  registry = MemoryRegistry();
  form.Load();
  EXPECT_EQ(form.BackupPath(), "Error\\Stowlark\\");
  EXPECT_EQ(form.MessengerFolder(), "Error\\Microsoft\\MSN Messenger");
  EXPECT_FALSE(form.DocumentsFolderKnown());
  EXPECT_FALSE(form.ApplicationDataFolderKnown());

  for (const std::string value : {"", "Docs", "C:Docs", "\\Docs", "1:\\x"}) {
    SetFolder("Personal", value);
    form.Load();
    EXPECT_FALSE(form.DocumentsFolderKnown()) << value;
  }
  for (const std::string value : {"c:\\", "\\\\server\\share\\Docs"}) {
    SetFolder("Personal", value);
    form.Load();
    EXPECT_TRUE(form.DocumentsFolderKnown()) << value;
  }
}

TEST_F(frmBackupTest, RestoreUsesTheFoldersOfTheLatestLoadOrBackupAndSuffixesNeverStack) {
  SetFolder("Personal", "C:\\Docs");
  SetFolder("AppData", "C:\\Old");
  testing_support::WriteFile(files.HostPath("C:\\Docs\\Stowlark\\acc\\a.txt"), "backed up");
  std::filesystem::create_directories(files.HostPath("C:\\Old"));
  form.Load();
  SetFolder("AppData", "C:\\New");
  Click("imgRestore");
  EXPECT_EQ(messages.shown.back().title, "Restore Complete.");
  EXPECT_TRUE(
      std::filesystem::exists(files.HostPath("C:\\Old\\Microsoft\\MSN Messenger\\acc\\a.txt")));
  EXPECT_FALSE(std::filesystem::exists(files.HostPath("C:\\New")));

  Click("imgBackup");
  Click("imgBackup");
  EXPECT_EQ(form.MessengerFolder(), "C:\\New\\Microsoft\\MSN Messenger");
  SetFolder("Personal", "G:\\Other");
  Click("imgBackup");
  EXPECT_EQ(form.BackupPath(), "C:\\Docs\\Stowlark\\");
}

// A command line's log goes nowhere a run reads, writes or keeps in, by
// whatever road, the folders found as the form finds them.
TEST_F(frmBackupTest, ALogMayNotGoInOrAtTheProgramsFolders) {
  SetFolder("Personal", "C:\\Docs");
  SetFolder("AppData", "C:\\App");
  WriteRegistry settings(registry, messages);
  std::filesystem::create_directories(files.HostPath("C:\\App\\Microsoft\\MSN Messenger"));
  std::filesystem::create_directories(files.HostPath("C:\\Docs"));
  std::filesystem::create_directory_symlink(files.HostPath("C:\\Docs"),
                                            files.HostPath("C:\\Linked"));
  const auto refused = [&](const std::string& path) {
    return LogPathRefusal(files, settings, path).value_or("");
  };
  EXPECT_EQ(refused("C:\\Docs\\Stowlark"),
            "The log file cannot be written: C:\\Docs\\Stowlark: it would be in the backup "
            "folder, C:\\Docs\\Stowlark.");
  // The backup folder not made yet is compared by its names, then by identity.
  for (const std::string below : {"stowlark\\x.log", "Stowlark\\alice\\x.log"}) {
    for (const std::string& path :
         {"C:\\Linked\\" + below, std::string("C:\\Docs\\x\\..\\Stowlark Replaced"),
          std::string("C:\\App\\Microsoft\\MSN Messenger\\x.log"), std::string("C:\\Linked")}) {
      EXPECT_NE(refused(path), "") << path;
    }
    std::filesystem::create_directories(files.HostPath("C:\\Docs\\Stowlark\\alice"));
  }
  for (const std::string path : {"C:\\Docs\\x.log", "C:\\Docs\\Stowlark.log",
                                 "C:\\App\\Microsoft\\x.log", "D:\\Stowlark\\x.log"}) {
    EXPECT_EQ(refused(path), "") << path;
  }
}

TEST_F(frmBackupTest, WhileAnotherCopyRunsGoCopiesNothingAndSaysSo) {
  SetFolder("Personal", "C:\\Docs");
  SetFolder("AppData", "C:\\App\\..\\App");
  testing_support::WriteFile(files.HostPath("C:\\App\\Microsoft\\MSN Messenger\\a\\f"), "f");
  std::filesystem::create_directories(files.HostPath("C:\\Docs"));
  form.Load();
  lock.busy = true;
  Click("imgBackup");
  Click("imgRestore");
  const std::string busy = "Another backup or restore is running. Try again when it has finished.";
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(messages.shown[0].title, "Backup");
  EXPECT_EQ(messages.shown[1].title, "Restore");
  for (const auto& shown : messages.shown) {
    EXPECT_EQ(shown.prompt, busy);
    EXPECT_EQ(shown.style, 48);
  }
  EXPECT_TRUE(std::filesystem::is_empty(files.HostPath("C:\\Docs")));

  // Whatever else would keep a run from starting (a log it cannot write) is
  // asked only once the lock is held, and lets the lock go.
  int asked = 0;
  form.BeforeRun([&] {
    ++asked;
    return std::optional<std::string>("The log file cannot be written: L:\\x.log: held");
  });
  Click("imgBackup");
  EXPECT_EQ(asked, 0);
  lock.busy = false;
  Click("imgBackup");
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(messages.shown.back().prompt, "The log file cannot be written: L:\\x.log: held");
  EXPECT_EQ(messages.shown.back().style, 16);
  EXPECT_FALSE(lock.held);
  EXPECT_TRUE(std::filesystem::is_empty(files.HostPath("C:\\Docs")));

  form.BeforeRun(nullptr);
  Click("imgBackup");
  EXPECT_EQ(messages.shown.back().prompt, "Backup Complete.");
  EXPECT_FALSE(lock.held) << "released when the copy ends";
  // What a menu item asked of one restore ends with it, refused or not.
  lock.busy = true;
  form.RestoreChosen({"Q:\\Nowhere"});
  lock.busy = false;
  Click("imgRestore");
  EXPECT_EQ(messages.shown.back().title, "Restore Complete.");
  EXPECT_TRUE(std::filesystem::exists(files.HostPath("C:\\Docs\\Stowlark\\a\\f")));
}

TEST_F(frmBackupTest, OnlyPressesOnTheBareSurfaceDragAndOnlyLeftClicksOnAControlAct) {
  for (auto button : {MouseButton::Left, MouseButton::Right, MouseButton::Middle}) {
    window.calls.clear();
    form.OnMouseDown(button, 5, 20);  // title band, left of lblTitle
    EXPECT_EQ(window.calls, (std::vector<std::string>{"ReleaseCapture", kDrag}));
  }
  for (const auto& control : ControlTable()) {
    const Rect r = PixelRect(control);
    if (!control.visible || r.top >= kClientHeight) continue;
    for (auto button : {MouseButton::Left, MouseButton::Right}) {
      window.calls.clear();
      form.OnMouseDown(button, r.left + r.width / 2, r.top + r.height / 2);
      EXPECT_TRUE(window.calls.empty()) << control.name;
    }
  }
  // The title takes presses only within its measured box.
  window.calls.clear();
  form.SetLayout(kDesignDpi, {20, 17, 60, 16});
  form.OnMouseDown(MouseButton::Left, 50, 20);
  EXPECT_TRUE(window.calls.empty());
  form.OnMouseDown(MouseButton::Left, 120, 20);
  EXPECT_EQ(window.calls, (std::vector<std::string>{"ReleaseCapture", kDrag}));

  // Hidden check boxes take no presses: chkBackup's corner lies on the bare surface.
  const Rect r = PixelRect(FindControl("chkBackup"));
  EXPECT_EQ(HitTest(r.left + 1, r.top + r.height - 1), nullptr);
  const Rect inside = PixelRect(FindControl("chkRestore"));
  EXPECT_EQ(HitTest(inside.left + 1, inside.top + 1)->name, "Frame2");

  // A click needs the release on the pressed control, with the left button.
  window.calls.clear();
  const Rect close = PixelRect(FindControl("Image1"));
  form.OnMouseDown(MouseButton::Left, close.left, close.top);
  form.OnMouseUp(MouseButton::Left, 5, 100);
  form.OnMouseDown(MouseButton::Right, close.left, close.top);
  form.OnMouseUp(MouseButton::Right, close.left, close.top);
  EXPECT_TRUE(window.calls.empty());
}

// The copy runs on the worker; the window stays alive and takes no command,
// by click or by key, but its own minimise and close.
TEST_F(frmBackupTest,
       WhileACopyRunsOnlyMinimiseAndCloseActAndTheTaskbarShowsProgressAfterHalfASecond) {
  SetFolder("Personal", "C:\\Docs");
  SetFolder("AppData", "C:\\App");
  testing_support::WriteFile(files.HostPath("C:\\App\\Microsoft\\MSN Messenger\\a\\f"), "12345");
  std::filesystem::create_directories(files.HostPath("C:\\Docs"));
  form.Load();

  worker.hold = true;
  EXPECT_FALSE(form.OnKeyDown(Key::Space, false));  // GO under Backup, as a click
  EXPECT_TRUE(form.Copying());
  form.OnProgressTick(kProgressAfterMs - 1);
  form.OnKeyDown(Key::Tab, false);
  form.OnKeyDown(Key::Enter, false);  // GO under Restore, as nothing
  for (const char* control :
       {"imgBackup", "imgRestore", "Image2", "Label4", "imgMinimize", "Image1"}) {
    Click(control);
  }
  EXPECT_TRUE(messages.shown.empty());
  EXPECT_EQ(window.calls, (std::vector<std::string>{"Minimise", "Close"}));
  EXPECT_TRUE(taskbar.calls.empty()) << "nothing shows for the first half second";
  form.OnProgressTick(kProgressAfterMs);
  worker.Finish();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].prompt, "Backup Complete.");
  EXPECT_FALSE(form.Copying());
  EXPECT_FALSE(lock.held);
  EXPECT_EQ(taskbar.calls, (std::vector<std::string>{"progress 5/5", "progress 5/5", "clear"}));

  // A short run shows nothing; a failed one shows the error state while its
  // box is open.
  worker.hold = false;
  taskbar.calls.clear();
  Click("imgBackup");
  EXPECT_TRUE(taskbar.calls.empty());
  SetFolder("AppData", "C:\\Gone");
  Click("imgBackup");
  EXPECT_EQ(messages.shown.back().style, 48);
  EXPECT_EQ(taskbar.calls, (std::vector<std::string>{"error", "clear"}));
}

// The two GO pictures tell when the last backup ran (by hand or by itself,
// whole or not) and of its copy, and which backup a restore brings back;
// the times the backup can be restored as, with what differs, are listed
// newest first; the backup folder opens where there is one.
TEST_F(frmBackupTest, TheCommandsTellOfTheLastBackupAndTheRestoreDialogLooksWhereTheRecordsSay) {
  SetFolder("Personal", "C:\\Docs");
  SetFolder("AppData", "C:\\App");
  std::filesystem::create_directories(files.HostPath("C:\\Docs"));
  const auto smile = files.HostPath("C:\\App\\Microsoft\\MSN Messenger\\acc\\smile.png");
  testing_support::WriteFile(smile, "smile-1");
  form.Load();
  const Control& backup = FindControl("imgBackup");
  const Control& restore = FindControl("imgRestore");
  EXPECT_EQ(form.CommandTip(backup), "No backup has been made yet.");
  EXPECT_EQ(form.CommandTip(FindControl("Image2")), "");
  form.OpenBackupFolder();
  EXPECT_EQ(messages.shown.back().prompt,
            "There is no backup folder yet:\r\nC:\\Docs\\Stowlark\r\nThe first backup makes it.");
  Click("imgBackup");
  EXPECT_EQ(form.CommandTip(backup), "Last backup: 7 December 2026 09:05 (by hand)");
  EXPECT_EQ(form.CommandTip(restore), "Restores the backup of 7 December 2026 09:05");
  form.OpenBackupFolder();
  EXPECT_EQ(window.calls.back(), "ShellExecute open C:\\Docs\\Stowlark [] [] 1");

  testing_support::WriteFile(smile, "smile-2");
  clock.now = {2026, 12, 8, 12, 0, 0};
  form.LimitRuns({{}, false, true});
  ASSERT_TRUE(WriteCopyPlace(registry, {"E:\\", "E:\\", 1, "STICK", "2026-12-02 10:00"}));
  Click("imgBackup");
  EXPECT_EQ(form.CommandTip(backup),
            "Last backup: 8 December 2026 12:00 (automatic, incomplete)\r\nCopy on STICK: 2 "
            "December 2026");
  EXPECT_EQ(ReadLastBackup(registry), (LastBackup{"2026-12-08 12:00", true, false}));

  // The Restore dialog looks where the records say, and words the latest so.
  const auto looking = form.LookingForBackups();
  EXPECT_EQ(looking.search.backupPath, "C:\\Docs\\Stowlark");
  EXPECT_EQ(looking.search.copyTo->label, "STICK");
  EXPECT_EQ(looking.messengerFolder, "C:\\App\\Microsoft\\MSN Messenger");
  EXPECT_EQ(PointWords(std::nullopt, looking.search.lastBackupHere, clock),
            "Latest backup (8 December 2026 12:00)");
}

// Every backup looks again at the place it copies to: one that setting it
// now would refuse, or a record of it that cannot be trusted, gets no copy,
// is told, and the run is unfinished; the record stays as it was, and can
// be turned off.
TEST_F(frmBackupTest, APlaceRefusedAsThingsStandOrARecordThatCannotBeTrustedGetsNoCopy) {
  SetFolder("Personal", "C:\\Docs");
  SetFolder("AppData", "C:\\App");
  testing_support::WriteFile(files.HostPath("C:\\App\\Microsoft\\MSN Messenger\\a\\f"), "1");
  testing_support::WriteFile(files.HostPath("E:\\.windows-serial"), "5a11cafe\n");
  std::filesystem::create_directories(files.HostPath("C:\\Docs"));
  std::filesystem::create_directories(files.HostPath("E:\\Docs"));
  WriteRegistry settings(registry, messages);
  const auto show = [&] {
    return AnswerCopyTo(files, settings, registry, CopyToAsk::Show, "").line;
  };
  Outcome ended;
  form.OnRunEnded([&](const Outcome& outcome) { ended = outcome; });
  const auto backUp = [&](const std::string& notCopied) {
    form.Load();
    Click("imgBackup");
    EXPECT_EQ(ended.result, RunResult::Partial) << notCopied;
    EXPECT_TRUE(ended.prompt.ends_with("\r\n\r\nNot copied to " + notCopied)) << ended.prompt;
    EXPECT_FALSE(RecordOfAutomaticRun(ended, clock.now, "").told) << "told, not a reminder";
  };
  const CopyPlace stick{"E:\\", "E:\\", 0x5a11cafe, "", "2026-12-01 10:00"};
  ASSERT_TRUE(WriteCopyPlace(registry, stick));
  SetFolder("Personal", "E:\\Docs");
  backUp(
      "E:\\Stowlark: it is on the same drive as your Documents folder, and a copy there "
      "would be lost with it.");
  EXPECT_EQ(ReadCopyPlace(registry), stick);
  SetFolder("Personal", "C:\\Docs");
  const std::string messenger = "C:\\App\\Microsoft\\MSN Messenger";
  ASSERT_TRUE(WriteCopyPlace(registry, {messenger, "C:\\", 'c', ""}));
  backUp(messenger + "\\Stowlark: it is in the messenger's data folder, " + messenger + ".");
  EXPECT_FALSE(std::filesystem::exists(files.HostPath(messenger + "\\Stowlark")));

  const std::string key = "Software\\Stowlark";
  for (const auto& [value, stored] : std::vector<std::pair<std::string, RegistryValue>>{
           {"Copy to volume serial number", TextValue("5a11cafe")},
           {"Copy to", NumberValue(1)},
           {"Copy to volume root", TextValue("")},
           {"Copy to volume root", TextValue("F:\\")},
           {"Copy to", TextValue("Backups")},
           {"Copy to", TextValue("\\\\?\\E:\\")}}) {
    ASSERT_TRUE(WriteCopyPlace(registry, stick));
    registry.SetRaw(kHkcu, key, value, stored);
    EXPECT_EQ(show(), "Copy to: " + std::string(kCopySettingUnreadable)) << value;
    backUp(std::string("another place: ") + kCopySettingUnreadable);
    EXPECT_TRUE(ReadCopySetting(registry).unreadable) << "left as it was";
  }
  EXPECT_FALSE(std::filesystem::exists(files.HostPath("E:\\Stowlark")));
  registry = MemoryRegistry();
  SetFolder("Personal", "C:\\Docs");
  registry.SetRaw(kHkcu, key, "Copy to", TextValue("E:\\"));
  EXPECT_EQ(show(), "Copy to: " + std::string(kCopySettingUnreadable)) << "a record cut short";
  EXPECT_TRUE(AnswerCopyTo(files, settings, registry, CopyToAsk::Off, "").done);
  EXPECT_EQ(show(), "Copy to: off.");
  ASSERT_TRUE(WriteCopyPlace(registry, {"E:\\x", "e:\\", 0x5a11cafe, ""}));
  EXPECT_EQ(show(), "Copy to: E:\\x, not made yet.") << "a letter of either case";
}

// Where GO under Restore finds no backup here but one on a stick, the box
// asks whether to open it and only Yes does; what the dialog then chose is
// restored alone, and the box names where from.
TEST_F(frmBackupTest, NoBackupHereOffersTheOneOnAStickAndRestoresWhatIsChosenFromIt) {
  SetFolder("Personal", "C:\\Docs");
  SetFolder("AppData", "C:\\App");
  testing_support::WriteFile(files.HostPath("E:\\Stowlark\\acc\\smile.png"), "smile");
  testing_support::WriteFile(files.HostPath("E:\\Stowlark\\acc\\frown.png"), "frown");
  testing_support::WriteFile(files.HostPath("E:\\Stowlark\\Stowlark backup.txt"), "");
  std::filesystem::create_directories(files.HostPath("C:\\App"));
  form.Load();
  std::vector<RestoreSource> opened;
  form.OnBackupOffered([&](const RestoreSource& source) { opened.push_back(source); });
  messages.answer = false;
  Click("imgRestore");
  ASSERT_FALSE(messages.shown.empty());
  const std::string& asked = messages.shown.back().prompt;
  EXPECT_TRUE(
      asked.starts_with("No backup found.\r\nC:\\Docs\\Stowlark\r\n\r\nA backup was found "
                        "on E:\\Stowlark"))
      << asked;
  EXPECT_TRUE(asked.ends_with(". Open E:\\Stowlark in the Restore dialog?")) << asked;
  EXPECT_TRUE(opened.empty());
  messages.answer = true;
  Click("imgRestore");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].folder, "E:\\Stowlark");

  form.RestoreChosen({opened[0].folder, std::nullopt, {"acc\\smile.png"}});
  EXPECT_TRUE(messages.shown.back().prompt.starts_with("Restored 1 file from E:\\Stowlark"))
      << messages.shown.back().prompt;
  EXPECT_TRUE(
      std::filesystem::exists(files.HostPath("C:\\App\\Microsoft\\MSN Messenger\\acc\\smile.png")));
  EXPECT_FALSE(
      std::filesystem::exists(files.HostPath("C:\\App\\Microsoft\\MSN Messenger\\acc\\frown.png")));
}

TEST_F(frmBackupTest, TabAndShiftTabGoRoundTheCommands) {
  const std::vector<std::string_view> round{"imgBackup", "imgRestore",  "Label4", "Label7",
                                            "Image2",    "imgMinimize", "Image1"};
  for (const auto name : round) {
    EXPECT_EQ(form.Focused().name, name);
    EXPECT_TRUE(form.OnKeyDown(Key::Tab, false));
  }
  form.OnKeyDown(Key::Tab, true);
  EXPECT_EQ(form.Focused().name, "Image1");
}

TEST_F(frmBackupTest, TheMenuItemTurnsTheDailyBackupOnAndOffAndSaysWhatIsNowTrue) {
  const std::string program = "C:\\Program Files\\Stowlark\\Stowlark.exe";
  EXPECT_FALSE(form.DailyBackupOn(program));
  form.ToggleDailyBackup(program);
  ASSERT_TRUE(scheduler.registered);
  EXPECT_EQ(scheduler.registered->job.application, program);
  EXPECT_EQ(scheduler.registered->job.at, (DailyTime{12, 0}));
  EXPECT_TRUE(form.DailyBackupOn(program));
  form.ToggleDailyBackup(program);
  EXPECT_EQ(scheduler.removed, "Stowlark backup");
  EXPECT_FALSE(form.DailyBackupOn(program));
  scheduler.refusal = std::make_error_code(std::errc::permission_denied);
  form.ToggleDailyBackup(program);
  ASSERT_EQ(messages.shown.size(), 3u);
  EXPECT_EQ(messages.shown[0].prompt,
            "Stowlark will back up your messenger's items every day at 12:00, through Windows' "
            "Task Scheduler, while you are signed in.\r\nA backup that does not finish is told "
            "to you when you next open Stowlark.");
  EXPECT_EQ(messages.shown[1].prompt,
            "Automatic backups are off.\r\nStowlark backs up your messenger's items when you "
            "click GO.");
  EXPECT_EQ(messages.shown[2].prompt,
            "Automatic backup could not be turned on: " + scheduler.refusal.message());
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(messages.shown[i].title, "Backup");
    EXPECT_EQ(messages.shown[i].style, i < 2 ? 64 : 48);
  }
}

// Unchecked for a task that starts another copy, so that choosing the item
// points it here; for another program's task, choosing it is refused.
TEST_F(frmBackupTest, TheMenuItemIsOffForATaskOfAnotherCopyOrProgram) {
  const std::string program = "C:\\Program Files\\Stowlark\\Stowlark.exe";
  scheduler.state = {true, DailyTime{9, 0}, TaskAction{"C:\\Windows\\notepad.exe", ""}};
  EXPECT_FALSE(form.DailyBackupOn(program));
  form.ToggleDailyBackup(program);
  EXPECT_FALSE(scheduler.registered);
  scheduler.state.action = TaskAction{"C:\\Old\\Stowlark.exe", "/backup /quiet /automatic"};
  EXPECT_FALSE(form.DailyBackupOn(program));
  form.ToggleDailyBackup(program);
  ASSERT_TRUE(scheduler.registered);
  EXPECT_EQ(scheduler.registered->job.application, program);
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(messages.shown[0].prompt,
            "Automatic backup could not be turned on: A task named \"Stowlark backup\" belongs to "
            "another program (it starts C:\\Windows\\notepad.exe).");
  EXPECT_EQ(messages.shown[0].style, 48);
  EXPECT_TRUE(messages.shown[1].prompt.starts_with("Stowlark will back up"));
}

// Told once for each automatic backup that did not finish, with the log it
// wrote or, where it could write none, its reason alone; a complete one, or
// one with nothing to back up, is not told.
TEST_F(frmBackupTest, AnAutomaticBackupThatDidNotFinishIsToldOnceWhenTheWindowOpens) {
  form.TellOfUnfinishedAutomaticBackup();
  const std::string log = "C:\\Local\\Stowlark\\Automatic backups.log";
  const AutomaticRecord held{"2026-12-08 12:00", 2, "Backup finished: 1 not copied.", false, log};
  ASSERT_TRUE(WriteAutomaticRecord(registry, held));
  form.TellOfUnfinishedAutomaticBackup();
  form.TellOfUnfinishedAutomaticBackup();
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].title, "Backup");
  EXPECT_EQ(messages.shown[0].style, 48);
  EXPECT_EQ(messages.shown[0].prompt,
            "The automatic backup of 2026-12-08 12:00 did not finish:\r\nBackup finished: 1 not "
            "copied.\r\n\r\nWhat it did is written in its log:\r\n" +
                log);
  EXPECT_EQ(ReadAutomaticRecord(registry),
            (AutomaticRecord{held.endedAt, 2, held.summary, true, log}));
  const std::string noLog =
      "The automatic backup's log cannot be written: no folder for local "
      "application data was found.";
  ASSERT_TRUE(WriteAutomaticRecord(registry, {"2026-12-08 13:00", 4, noLog, false}));
  form.TellOfUnfinishedAutomaticBackup();
  EXPECT_EQ(messages.shown.back().prompt,
            "The automatic backup of 2026-12-08 13:00 did not finish:\r\n" + noLog);
  messages.shown.pop_back();
  for (const int code : {0, 1}) {
    ASSERT_TRUE(
        WriteAutomaticRecord(registry, {"2026-12-09 12:00", code, "Backup finished", false}));
    form.TellOfUnfinishedAutomaticBackup();
  }
  for (const int code : {3, 4}) {
    ASSERT_TRUE(WriteAutomaticRecord(registry, {"2026-12-10 12:00", code, "Stopped", false}));
    form.TellOfUnfinishedAutomaticBackup();
  }
  EXPECT_EQ(messages.shown.size(), 3u);
  registry.writeFailure = 5;
  EXPECT_FALSE(WriteAutomaticRecord(registry, held));

  // The log's folder: the registry's where it names a full path, else the system's.
  WriteRegistry settings(registry, messages);
  std::string system = "C:\\System\\Local";
  int asked = 0;
  const auto logPath = [&] {
    return AutomaticLogPath(files, settings, [&] { return ++asked, system; });
  };
  EXPECT_EQ(logPath(), "C:\\System\\Local\\Stowlark\\Automatic backups.log");
  SetFolder("Local AppData", "Error");
  system = "C:\\System\\Local\\";
  EXPECT_EQ(logPath(), "C:\\System\\Local\\Stowlark\\Automatic backups.log");
  system = "";
  EXPECT_EQ(logPath(), "");
  SetFolder("Local AppData", "D:\\Local");
  EXPECT_EQ(logPath(), "D:\\Local\\Stowlark\\Automatic backups.log");
  EXPECT_EQ(asked, 3) << "the system is asked only where the registry names no full path";
}

// A screen reader meets every command, and nothing it is told of lies off the window.
TEST(Accessible, EveryCommandIsAChildAndEveryChildShowsNamedInTheWindow) {
  for (const Control* command : FocusOrder()) {
    EXPECT_NE(AccessibleIdOf(*command), 0) << command->name;
  }
  for (const auto& child : AccessibleChildren()) {
    const Control& control = FindControl(child.control);
    const Rect box = PixelRect(control);
    EXPECT_TRUE(control.visible && box.top + box.height <= kClientHeight) << child.control;
    EXPECT_FALSE(AccessibleName(child).empty()) << child.control;
  }
}

}  // namespace
}  // namespace stowlark

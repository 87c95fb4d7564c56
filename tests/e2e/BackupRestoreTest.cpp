#include <gtest/gtest.h>

#include "app/Controls.h"
#include "platform/win32/Win32CopyLock.h"
#include "tests/WineUnix.h"
#include "tests/e2e/Fixture.h"

namespace stowlark::e2e {
namespace {

const std::wstring kRestoreComplete =
    L"Restore Complete \r\nPlease Sign-in again for the changes to take effect.";
const std::wstring kOneKept = L"\r\n\r\n1 file that this restore replaced was kept in:\r\n";

// The local time as a kept folder's name gives it: "2026-12-07 09.05.03".
std::wstring KeptFolderTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t text[32];
  swprintf(text, 32, L"%04d-%02d-%02d %02d.%02d.%02d", int{now.wYear}, int{now.wMonth},
           int{now.wDay}, int{now.wHour}, int{now.wMinute}, int{now.wSecond});
  return text;
}

class BackupRestoreTest : public StowlarkFixture {
 protected:
  void SetUp() override {
    StowlarkFixture::SetUp();
    WriteText(MessengerFolder() + L"\\alice@example.com\\CustomEmoticons\\smile.png", "smile");
    WriteText(MessengerFolder() + L"\\alice@example.com\\DisplayPictures\\me.jpg", "me");
    WriteText(MessengerFolder() + L"\\b\u00f6b@example.com\\Backgrounds\\sea.bmp", "sea");
    WriteText(MessengerFolder() + L"\\settings.ini", "loose");
  }
};

TEST_F(BackupRestoreTest, BackupThenRestoreWithEachBoxExactlyAndAFileHeldOpenReported) {
  RunningStowlark program;
  ASSERT_NE(program.Window(), nullptr);

  program.ClickControl("imgRestore");
  auto box = program.AnswerMessageBox();
  EXPECT_EQ(box.title, L"No Backup");
  EXPECT_EQ(box.text, L"No backup found.\r\n" + BackupFolder());
  EXPECT_TRUE(Snapshot(BackupFolder()).empty());

  program.ClickControl("imgBackup");
  box = program.AnswerMessageBox();
  EXPECT_EQ(box.title, L"Backup");
  EXPECT_EQ(box.text, L"Backup Complete.");
  EXPECT_TRUE(box.hasIcon);
  auto expected = Snapshot(MessengerFolder());
  expected.erase(L"\\settings.ini");
  EXPECT_EQ(BackupTree(), expected);

  // What a run killed part way leaves, and a read-only file, are dealt with
  // through the link to Documents as anywhere else.
  const std::wstring stale = BackupFolder() + L"\\alice@example.com\\~stowlark-9-9.partial";
  WriteText(stale, "half a file");
  SetFileAttributesW(stale.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  const std::wstring me = L"\\alice@example.com\\DisplayPictures\\me.jpg";
  SetFileAttributesW((BackupFolder() + me).c_str(), FILE_ATTRIBUTE_READONLY);
  WriteText(MessengerFolder() + me, "me, later");
  const std::wstring folder = Documents() + L"\\Stowlark Replaced\\Backup ";
  const std::wstring earliest = folder + KeptFolderTime();
  program.ClickControl("imgBackup");
  const std::wstring text = program.AnswerMessageBox().text;
  const std::wstring told =
      L"Backup Complete.\r\n\r\n1 file that this backup replaced was kept in:\r\n";
  ASSERT_TRUE(text.starts_with(told)) << win32::Narrow(text);
  // Named for the moment the run started, which sorts as the name does.
  const std::wstring kept = text.substr(told.size());
  EXPECT_TRUE(kept >= earliest && kept <= folder + KeptFolderTime()) << win32::Narrow(kept);
  expected[me] = "me, later";
  EXPECT_EQ(BackupTree(), expected);
  EXPECT_EQ(ReadText(kept + me), "me");

  const std::wstring smile = MessengerFolder() + L"\\alice@example.com\\CustomEmoticons\\smile.png";
  WriteText(smile, "changed");
  SetFileAttributesW(smile.c_str(), FILE_ATTRIBUTE_READONLY);
  program.ClickControl("imgRestore");
  box = program.AnswerMessageBox();
  EXPECT_EQ(box.title, L"Restore Complete.");
  EXPECT_TRUE(box.text.starts_with(kRestoreComplete + kOneKept)) << box.text.size();
  EXPECT_EQ(ReadText(smile), "smile");
  EXPECT_EQ(ReadText(MessengerFolder() + L"\\settings.ini"), "loose");

  // A file the messenger holds open is reported, and the program goes on;
  // one it holds that equals the backup is left alone, so it is no failure.
  const std::wstring heldPath = MessengerFolder() + L"\\alice@example.com\\DisplayPictures\\me.jpg";
  WriteText(heldPath, "in use");
  const HANDLE held = CreateFileW(heldPath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  const HANDLE reading =
      CreateFileW(smile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_NE(reading, INVALID_HANDLE_VALUE);
  program.ClickControl("imgRestore");
  box = program.AnswerMessageBox();
  CloseHandle(held);
  CloseHandle(reading);

  EXPECT_EQ(box.title, L"Restore");
  const std::wstring head =
      L"Restore incomplete. These items could not be restored:\r\n\r\n" + heldPath + L": ";
  const std::wstring tail = L"\r\nSign out of the messenger and try again.";
  EXPECT_TRUE(box.text.starts_with(head) && box.text.ends_with(tail)) << box.text.size();
  EXPECT_EQ(box.text.find(L"\r\n", head.size()), box.text.size() - tail.size())
      << "exactly one item failed";
  EXPECT_EQ(ReadText(heldPath), "in use");
  EXPECT_EQ(program.WaitForExit(0), STILL_ACTIVE);
  EXPECT_FALSE(program.HasMessageBox()) << "no completion box may follow";
}

// A restore over a file changed since the backup keeps that file, and its box
// says where: renamed aside on the messenger's own drive, and copied whole
// with Documents on another drive, which Windows cannot rename to.
TEST_F(BackupRestoreTest, ARestoreOverANewerFileKeepsItAndItsBoxSaysWhere) {
  const std::wstring smile = MessengerFolder() + L"\\alice@example.com\\CustomEmoticons\\smile.png";
  const testing_support::OtherDrive drive;
  for (const std::wstring& documents : {Documents(), std::wstring(L"S:\\Documents")}) {
    CreateDirectoryW(documents.c_str(), nullptr);
    SetDocuments(documents);
    WriteText(smile, "smile");
    RunningStowlark program;
    program.ClickControl("imgBackup");
    EXPECT_EQ(program.AnswerMessageBox().text, L"Backup Complete.");
    WriteText(smile, "newer, since the backup");
    program.ClickControl("imgRestore");
    const std::wstring text = program.AnswerMessageBox().text;
    const std::wstring head =
        kRestoreComplete + kOneKept + documents + L"\\Stowlark Replaced\\Restore 2";
    ASSERT_TRUE(text.starts_with(head)) << win32::Narrow(text);
    const std::wstring kept = text.substr(text.rfind(L"\r\n") + 2);
    EXPECT_EQ(ReadText(kept + L"\\alice@example.com\\CustomEmoticons\\smile.png"),
              "newer, since the backup");
    EXPECT_EQ(ReadText(smile), "smile");
  }
}

TEST_F(BackupRestoreTest, TwoProgramsNeverCopyAtOnceAndEveryBackupFileEqualsItsSource) {
  for (int i = 0; i < 2000; ++i) {
    WriteText(MessengerFolder() + L"\\many" + std::to_wstring(i % 4) + L"@example.com\\item" +
                  std::to_wstring(i) + L".png",
              std::string(512 + i, static_cast<char>('a' + i % 26)));
  }
  RunningStowlark first;
  RunningStowlark second;
  ASSERT_NE(first.Window(), nullptr);
  ASSERT_NE(second.Window(), nullptr);
  first.ClickControl("imgBackup");
  second.ClickControl("imgBackup");
  // Whichever click reaches its copy first completes; the other completes
  // after it or is told that a copy is running.
  const std::wstring complete = L"Backup Complete.";
  const std::wstring busy =
      L"Another backup or restore is running. Try again when it has finished.";
  const auto one = first.AnswerMessageBox().text;
  const auto other = second.AnswerMessageBox().text;
  EXPECT_TRUE(one == complete || other == complete);
  EXPECT_TRUE((one == complete || one == busy) && (other == complete || other == busy));
  auto expected = Snapshot(MessengerFolder());
  expected.erase(L"\\settings.ini");
  EXPECT_EQ(BackupTree(), expected);

  // While another copy holds the lock, GO only says so.
  const HANDLE held = CreateMutexW(nullptr, FALSE, win32::CopyLockName().c_str());
  ASSERT_EQ(WaitForSingleObject(held, 5000), WAIT_OBJECT_0);
  second.ClickControl("imgRestore");
  const auto refused = second.AnswerMessageBox();
  ReleaseMutex(held);
  CloseHandle(held);
  EXPECT_EQ(refused.title, L"Restore");
  EXPECT_EQ(refused.text, busy);
}

}  // namespace
}  // namespace stowlark::e2e

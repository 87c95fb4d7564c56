#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#include "platform/win32/Text.h"
#include "tests/e2e/Fixture.h"

namespace stowlark::e2e {
namespace {

class RestoreTest : public StowlarkFixture {
 protected:
  static std::wstring ItemOf(HWND list, int index) {
    std::wstring item(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, index, 0)), L'\0');
    SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(item.data()));
    return item;
  }
};

// Alt+Space, E: the times the backup can be restored as, newest first, with
// what differs; the one chosen by keys is restored.
TEST_F(RestoreTest, TheDialogListsTheKeptVersionsAndRestoresTheOneChosen) {
  const std::wstring smile = MessengerFolder() + L"\\alice@example.com\\smile.png";
  for (const char* version : {"smile-1", "smile-2", "smile-3"}) {
    WriteText(smile, version);
    ASSERT_EQ(Run(L"/backup /quiet").code, 0u);
    Sleep(1100);  // a kept folder of its own second for each
  }
  RunningStowlark program;
  ASSERT_TRUE(WaitForFocus(program.Window()));
  ASSERT_TRUE(ChooseFromWindowMenu('E'));
  const HWND dialog = program.WaitForDialog();
  ASSERT_NE(dialog, nullptr);
  const HWND list = FindWindowExW(dialog, nullptr, L"ListBox", nullptr);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
  EXPECT_TRUE(ItemOf(list, 0).starts_with(L"Latest backup (")) << win32::Narrow(ItemOf(list, 0));
  for (const int older : {1, 2}) {
    const std::wstring item = ItemOf(list, older);
    EXPECT_TRUE(item.starts_with(L"As backed up before ") &&
                item.ends_with(L": alice@example.com, 1 file differs"))
        << win32::Narrow(item);
  }
  PressKey(VK_DOWN);
  PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  EXPECT_EQ(program.AnswerMessageBox().title, L"Restore Complete.");
  EXPECT_EQ(ReadText(smile), "smile-1");
}

// Wine reads a file's creation time as its last write: a file dated years
// back and backed up now was still not in the backup a year ago. A date
// that does not exist is refused, never taken for one after the backup.
TEST_F(RestoreTest, AsOfATimeGoesByWhatTheRunsRecordedNotByTheFilesDates) {
  const std::wstring smile = MessengerFolder() + L"\\alice@example.com\\smile.png";
  WriteText(smile, "smile-1");
  const HANDLE file =
      CreateFileW(smile.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const SYSTEMTIME longAgo{2019, 6, 0, 1, 12, 0, 0, 0};
  FILETIME written;
  ASSERT_TRUE(SystemTimeToFileTime(&longAgo, &written) &&
              SetFileTime(file, nullptr, nullptr, &written));
  CloseHandle(file);
  ASSERT_EQ(Run(L"/backup /quiet").code, 0u);
  const Ran before = Run(L"/restore /quiet /asof:2020-01-01");
  EXPECT_EQ(before.code, 1u) << before.output;
  EXPECT_NE(before.output.find("The backup holds nothing from before "), std::string::npos)
      << before.output;
  for (const wchar_t* day : {L"2027-02-30", L"2027-04-31", L"0000-01-01"}) {
    const Ran refused = Run(std::wstring(L"/restore /quiet /asof:") + day);
    EXPECT_EQ(refused.code, 4u) << refused.output;
    EXPECT_NE(refused.output.find("There is no date " + win32::Narrow(day)), std::string::npos)
        << refused.output;
  }
}

// Run by tests/e2e/new-pc.sh in a fresh prefix, where E: is the stick that
// another PC's backups were copied to: Alt+Space, F, and the Desktop the
// picker first shows is no backup and writes nothing; the stick chosen by
// keys, and the messenger's folder, which this PC never had, holds the backup.
TEST_F(RestoreTest, OnANewPcTheMenuRestoresFromTheStickChosenInThePicker) {
  if (std::getenv("STOWLARK_NEW_PC") == nullptr) {
    GTEST_SKIP() << "run by tests/e2e/new-pc.sh, in a fresh prefix with a stick at E:";
  }
  RunningStowlark program;
  ASSERT_TRUE(WaitForFocus(program.Window()));
  ASSERT_TRUE(ChooseFromWindowMenu('F'));
  HWND picker = program.WaitForDialog();
  ASSERT_NE(picker, nullptr);
  ASSERT_TRUE(FolderPicker(picker).Shows(L"Desktop"));
  PressKey(VK_RETURN);
  const MessageBoxSeen none = program.AnswerMessageBox();
  EXPECT_EQ(none.title, L"No Backup");
  EXPECT_TRUE(none.text.starts_with(L"No backup was found in ")) << win32::Narrow(none.text);
  EXPECT_EQ(GetFileAttributesW(MessengerFolder().c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(WaitForFocus(program.Window()));
  ASSERT_TRUE(ChooseFromWindowMenu('F'));
  picker = program.WaitForDialog();
  ASSERT_NE(picker, nullptr);
  const FolderPicker chooser(picker);
  ASSERT_TRUE(chooser.ChooseDrive(L'E')) << win32::Narrow(chooser.Chosen());
  PressKey(VK_RETURN);
  EXPECT_EQ(program.AnswerMessageBox().title, L"Restore Complete.");
  EXPECT_EQ(ReadText(MessengerFolder() + L"\\alice@example.com\\smile.png"), "smile");
  EXPECT_EQ(ReadText(MessengerFolder() + L"\\bob@example.com\\Backgrounds\\sea.bmp"), "sea");
}

// Run by scripts/screenshot, in a prefix whose shell folders lead to the
// backup it made: the window's menu opens the Restore dialog, whose frame,
// once two looks a moment apart agree, is saved as the BMP that
// STOWLARK_SCREENSHOT names.
TEST(ScreenshotTest, TheMenuOpensTheRestoreDialog) {
  const char* path = std::getenv("STOWLARK_SCREENSHOT");
  if (path == nullptr) GTEST_SKIP() << "run by scripts/screenshot";
  const char* title = std::getenv("STOWLARK_SCREENSHOT_TITLE");
  SetProcessDPIAware();
  RunningStowlark program;
  ASSERT_TRUE(WaitForFocus(program.Window()));
  ASSERT_TRUE(ChooseFromWindowMenu('E'));
  const HWND dialog = program.WaitForWindowTitled(win32::Widen(title ? title : "Restore").c_str());
  ASSERT_NE(dialog, nullptr) << "no window titled " << (title ? title : "Restore");
  RECT frame;
  ASSERT_TRUE(GetWindowRect(dialog, &frame));
  Capture shot = CaptureScreen(frame);
  EXPECT_TRUE(WaitFor(
      [&] {
        const Capture again = CaptureScreen(frame);
        return std::exchange(shot, again).pixels == again.pixels;
      },
      10));
  SaveBitmap(shot, win32::Widen(path));
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace
}  // namespace stowlark::e2e

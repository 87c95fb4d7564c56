#include <gtest/gtest.h>
// after windows.h, which the fixture brings
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/win32/ResourceIds.h"
#include "platform/win32/Com.h"
#include "platform/win32/Text.h"
#include "tests/WineUnix.h"
#include "tests/e2e/Fixture.h"

namespace stowlark::e2e {
namespace {

class RestoreTest : public StowlarkFixture {
 public:
  // The program's Restore dialog, once it shows.
  static HWND RestoreDialog(const RunningStowlark& program) {
    HWND dialog = nullptr;
    WaitFor(
        [&] {
          dialog = FindWindowW(L"#32770", L"Restore");
          return dialog != nullptr && GetDlgItem(dialog, IDC_FILES) != nullptr &&
                 IsWindowVisible(dialog);
        },
        20);
    DWORD owner = 0;
    GetWindowThreadProcessId(dialog, &owner);
    return owner == program.ProcessId() ? dialog : nullptr;
  }
  // The totals once the list is whole: Restore is enabled then, or there
  // is nothing to restore.
  static std::wstring WholeList(HWND dialog, int seconds = 30) {
    const auto whole = [&] {
      const std::wstring totals = TextOf(GetDlgItem(dialog, IDC_TOTALS));
      return totals.find(L"\x2026") == std::wstring::npos && !totals.empty();
    };
    WaitFor(whole, seconds);
    return TextOf(GetDlgItem(dialog, IDC_TOTALS));
  }
  // The folder picker the dialog opens, a window of the program's besides it.
  static HWND WaitForPicker(const RunningStowlark& program, HWND dialog) {
    HWND picker = nullptr;
    WaitFor(
        [&] {
          for (picker = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); picker != nullptr;
               picker = FindWindowExW(nullptr, picker, L"#32770", nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(picker, &owner);
            if (owner == program.ProcessId() && picker != dialog && IsWindowVisible(picker)) {
              return true;
            }
          }
          return false;
        },
        20);
    return picker;
  }
  static std::vector<std::wstring> Texts(HWND dialog) {
    std::vector<std::wstring> texts;
    for (const auto& row : ListViewRows(GetDlgItem(dialog, IDC_FILES), 4)) {
      std::wstring text = (row.ticked ? L"[x] " : L"[ ] ") + row.cells[0];
      if (!row.cells[3].empty()) text += L" " + row.cells[3];
      texts.push_back(text);
    }
    return texts;
  }
};

// Alt+Space, E: the Restore dialog on the times the backup can be restored
// as, newest first. Each time lists the files that differ from the
// messenger's, ticked under their account; the account cleared and one file
// ticked alone by keys, only that file is restored.
TEST_F(RestoreTest, TheDialogListsWhatEachTimeWouldBringBackAndRestoresOnlyWhatIsTicked) {
  const std::wstring account = MessengerFolder() + L"\\alice@example.com";
  WriteText(account + L"\\frown.png", "frown");
  for (const char* version : {"smile-1", "smile-2", "smile-3"}) {
    WriteText(account + L"\\smile.png", version);
    ASSERT_EQ(Run(L"/backup /quiet").code, 0u);
    Sleep(1100);  // a kept folder of its own second for each
  }
  WriteText(account + L"\\smile.png", "smile-now");
  ASSERT_TRUE(DeleteFileW((account + L"\\frown.png").c_str()));
  RunningStowlark program;
  ASSERT_TRUE(WaitForFocus(program.Window()));
  ASSERT_TRUE(ChooseFromWindowMenu('E'));
  const HWND dialog = RestoreDialog(program);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WholeList(dialog),
            L"Restores 2 files of 1 account; 1 replaces a file here, which is kept aside.");
  const std::vector<std::wstring> latest{L"[x] alice@example.com\\",
                                         L"[x] alice@example.com\\frown.png adds",
                                         L"[x] alice@example.com\\smile.png replaces"};
  EXPECT_EQ(Texts(dialog), latest);
  const auto times = ComboItems(GetDlgItem(dialog, IDC_AS_OF));
  ASSERT_EQ(times.size(), 3u);
  EXPECT_TRUE(times[0].starts_with(L"Latest backup (")) << win32::Narrow(times[0]);
  EXPECT_TRUE(times[2].starts_with(L"As it was before ")) << win32::Narrow(times[2]);
  const auto from = ComboItems(GetDlgItem(dialog, IDC_FROM));
  ASSERT_FALSE(from.empty());
  EXPECT_TRUE(from[0].starts_with(L"This PC, ")) << win32::Narrow(from[0]);
  EXPECT_EQ(from.back(), L"Another folder\x2026");

  PressKey(VK_DOWN);  // the focus is on the times
  PressKey(VK_DOWN);
  WholeList(dialog);
  EXPECT_EQ(Texts(dialog), latest) << "the earliest time holds both files too";
  PressKey('I', VK_MENU);
  PressKey(VK_HOME);
  PressKey(VK_SPACE);
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_TOTALS)), L"Nothing is ticked to restore.");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
  PressKey(VK_DOWN);
  PressKey(VK_DOWN);
  PressKey(VK_SPACE);
  EXPECT_EQ(Texts(dialog), (std::vector<std::wstring>{
                               L"[ ] alice@example.com\\", L"[ ] alice@example.com\\frown.png adds",
                               L"[x] alice@example.com\\smile.png replaces"}));
  PressKey('R', VK_MENU);
  const MessageBoxSeen done = program.AnswerMessageBox();
  EXPECT_NE(done.text.find(L"Restored 1 file"), std::wstring::npos) << win32::Narrow(done.text);
  EXPECT_EQ(ReadText(account + L"\\smile.png"), "smile-1");
  EXPECT_EQ(GetFileAttributesW((account + L"\\frown.png").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A display picture kept under a .dat name shows as the picture it is;
// a file that is no picture says so. Cancel writes nothing.
TEST_F(RestoreTest, TheDialogShowsAPictureByItsContentWhateverItsName) {
  // A red picture 2 pixels wide and 3 high, as a PNG encoder writes it.
  static const unsigned char kPng[] = {
      0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
      0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03, 0x08, 0x02, 0x00, 0x00, 0x00, 0x36,
      0x88, 0x49, 0xd6, 0x00, 0x00, 0x00, 0x10, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8,
      0xcf, 0xc0, 0x00, 0x44, 0x0c, 0x28, 0x14, 0x00, 0x44, 0xd0, 0x05, 0xfb, 0xa4, 0xcf, 0xde,
      0x80, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
  const std::wstring account = MessengerFolder() + L"\\alice@example.com";
  WriteText(account + L"\\DisplayPictures\\a1b2.dat",
            std::string(reinterpret_cast<const char*>(kPng), sizeof(kPng)));
  WriteText(account + L"\\notes.txt", "no picture");
  ASSERT_EQ(Run(L"/backup /quiet").code, 0u);
  ASSERT_TRUE(DeleteFileW((account + L"\\DisplayPictures\\a1b2.dat").c_str()));
  ASSERT_TRUE(DeleteFileW((account + L"\\notes.txt").c_str()));
  const auto before = Snapshot(MessengerFolder());
  RunningStowlark program;
  ASSERT_TRUE(WaitForFocus(program.Window()));
  ASSERT_TRUE(ChooseFromWindowMenu('F'));
  const HWND dialog = RestoreDialog(program);
  ASSERT_NE(dialog, nullptr);
  WholeList(dialog);
  ASSERT_EQ(Texts(dialog).size(), 4u) << "the account, its folder and two files";
  PressKey('I', VK_MENU);
  PressKey(VK_END);  // a folder's files come before its folders
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_PIXELS)), L"2 \x00D7 3 pixels");
  PressKey(VK_UP);
  PressKey(VK_UP);
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_PIXELS)),
            L"No picture: this file is not a GIF, PNG, JPEG or BMP.");
  // Another folder is looked for from My Computer, and none made there;
  // cancelled, the dialog stays on the backup it showed.
  PressKey('F', VK_MENU);
  PressKey(VK_END);
  const HWND picker = WaitForPicker(program, dialog);
  ASSERT_NE(picker, nullptr);
  EXPECT_TRUE(FolderPicker(picker).Shows(L"My Computer"));
  const HWND makeFolder = FindWindowExW(picker, nullptr, L"Button", L"&Make New Folder");
  EXPECT_TRUE(makeFolder == nullptr || !IsWindowVisible(makeFolder));
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(picker); }, 10));
  EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_FROM, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(Texts(dialog).size(), 4u);
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 10));
  EXPECT_EQ(Snapshot(MessengerFolder()), before) << "Cancel wrote nothing";
}

// A screen reader names each part of the dialog from another process, and
// Tab reaches each in turn.
TEST_F(RestoreTest, EveryPartOfTheDialogIsNamedAndReachedByTab) {
  WriteText(MessengerFolder() + L"\\alice@example.com\\smile.png", "smile");
  ASSERT_EQ(Run(L"/backup /quiet").code, 0u);
  testing_support::UnixRemoveTree(win32::Narrow(MessengerFolder()));
  RunningStowlark program;
  ASSERT_TRUE(WaitForFocus(program.Window()));
  ASSERT_TRUE(ChooseFromWindowMenu('F'));
  const HWND dialog = RestoreDialog(program);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WholeList(dialog), L"Restores 1 file of 1 account.");
  const win32::ComApartment com;
  // Windows names a list or a list box by the label just before it, as
  // Wine's proxies do not: that order is what is checked for them.
  const std::pair<int, const wchar_t*> labelled[] = {
      {IDC_FROM, L"&From:"}, {IDC_AS_OF, L"&As it was:"}, {IDC_FILES, L"F&iles:"}};
  for (const auto& [id, label] : labelled) {
    EXPECT_EQ(TextOf(GetWindow(GetDlgItem(dialog, id), GW_HWNDPREV)), label) << id;
  }
  const std::pair<int, const wchar_t*> named[] = {
      {IDC_PICTURE, L"Picture"}, {IDOK, L"Restore"}, {IDCANCEL, L"Cancel"}};
  for (const auto& [id, name] : named) {
    win32::ComPtr<IAccessible> part;
    const HRESULT got =
        AccessibleObjectFromWindow(GetDlgItem(dialog, id), OBJID_CLIENT, IID_IAccessible,
                                   reinterpret_cast<void**>(part.Put()));
    if (got == E_NOINTERFACE) {
      std::printf("This Wine hands no object to another process; the 32-bit tier names them\n");
      break;
    }
    ASSERT_EQ(got, S_OK);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR said = nullptr;
    part->get_accName(self, &said);
    EXPECT_EQ(std::wstring(said != nullptr ? said : L""), name) << id;
    SysFreeString(said);
  }
  // Whole at its first size, at its smallest and when large: every part
  // inside the client area, none over another.
  const auto whole = [&](const char* when) {
    RECT client;
    GetClientRect(dialog, &client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::vector<RECT> parts;
    for (HWND part = GetWindow(dialog, GW_CHILD); part != nullptr;
         part = GetWindow(part, GW_HWNDNEXT)) {
      RECT at;
      GetWindowRect(part, &at);
      RECT inside;
      EXPECT_TRUE(IntersectRect(&inside, &at, &client) && EqualRect(&inside, &at))
          << when << ": " << win32::Narrow(TextOf(part));
      for (const RECT& other : parts) {
        EXPECT_FALSE(IntersectRect(&inside, &at, &other))
            << when << ": " << win32::Narrow(TextOf(part)) << " overlaps another part";
      }
      parts.push_back(at);
    }
  };
  whole("as opened");
  SetWindowPos(dialog, nullptr, 0, 0, 10, 10, SWP_NOMOVE | SWP_NOZORDER);
  whole("at its smallest");
  SetWindowPos(dialog, nullptr, 0, 0, 1000, 740, SWP_NOMOVE | SWP_NOZORDER);
  whole("large");
  const auto focused = [&] {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return GetDlgCtrlID(info.hwndFocus);
  };
  EXPECT_EQ(focused(), IDC_FROM);
  for (const int next : {IDC_AS_OF, IDC_FILES, IDOK, IDCANCEL, IDC_FROM}) {
    PressKey(VK_TAB);
    EXPECT_TRUE(WaitFor([&] { return focused() == next; }, 2)) << next << " " << focused();
  }
}

// With no backup here or on any drive, the dialog says so and offers
// nothing to restore.
TEST_F(RestoreTest, WithNoBackupInReachTheDialogSaysWhereToLookInstead) {
  RunningStowlark program;
  ASSERT_TRUE(WaitForFocus(program.Window()));
  ASSERT_TRUE(ChooseFromWindowMenu('F'));
  const HWND dialog = RestoreDialog(program);
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(WaitFor(
      [&] {
        return TextOf(GetDlgItem(dialog, IDC_TOTALS)).starts_with(L"No backup was found on ");
      },
      20))
      << win32::Narrow(TextOf(GetDlgItem(dialog, IDC_TOTALS)));
  Sleep(500);  // and it stays so
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_TOTALS)),
            L"No backup was found on this PC or on a connected drive. Choose another folder to "
            L"restore from.");
  EXPECT_EQ(ComboItems(GetDlgItem(dialog, IDC_FROM)),
            std::vector<std::wstring>{L"Another folder\x2026"});
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

// The command line restores the items named alone, and refuses one that
// the backup does not hold before writing anything.
TEST_F(RestoreTest, TheCommandLineRestoresOnlyTheItemsNamed) {
  WriteText(MessengerFolder() + L"\\alice@example.com\\smile.png", "smile");
  WriteText(MessengerFolder() + L"\\alice@example.com\\Backgrounds\\sea.bmp", "sea");
  WriteText(MessengerFolder() + L"\\bob@example.com\\frown.png", "frown");
  ASSERT_EQ(Run(L"/backup /quiet").code, 0u);
  testing_support::UnixRemoveTree(win32::Narrow(MessengerFolder()));
  const Ran unknown = Run(L"/restore /quiet /item:alice@example.com\\nothing.png");
  EXPECT_EQ(unknown.code, 4u) << unknown.output;
  EXPECT_NE(unknown.output.find("alice@example.com\\nothing.png"), std::string::npos)
      << unknown.output;
  EXPECT_EQ(GetFileAttributesW(MessengerFolder().c_str()), INVALID_FILE_ATTRIBUTES);
  const Ran some =
      Run(L"/restore /quiet /item:alice@example.com\\Backgrounds /item:BOB@example.com\\frown.png");
  EXPECT_EQ(some.code, 0u) << some.output;
  EXPECT_EQ(Snapshot(MessengerFolder()), (std::map<std::wstring, std::string>{
                                             {L"\\alice@example.com\\", ""},
                                             {L"\\alice@example.com\\Backgrounds\\", ""},
                                             {L"\\alice@example.com\\Backgrounds\\sea.bmp", "sea"},
                                             {L"\\bob@example.com\\", ""},
                                             {L"\\bob@example.com\\frown.png", "frown"}}));
}

// With 3,000 kept folders and 5,000 files the dialog is there at once and
// its list whole within 5 s on the x86-64 build under Wine 8.
TEST_F(RestoreTest, TheDialogOpensAtOnceAndListsALargeBackupQuickly) {
#ifndef _WIN64
  GTEST_SKIP() << "timed on the x86-64 build";
#endif
  const std::wstring backup = BackupFolder();
  for (int file = 0; file < 5000; ++file) {
    WriteText(backup + L"\\account" + std::to_wstring(file % 10) + L"\\f" + std::to_wstring(file),
              "x");
  }
  WriteText(backup + L"\\Stowlark backup.txt", "");
  const std::wstring kept = Documents() + L"\\Stowlark Replaced\\Backup 2026-01-01 00.00.00";
  for (int folder = 0; folder < 3000; ++folder) {
    WriteText(
        kept + (folder == 0 ? L"" : L" (" + std::to_wstring(folder + 1) + L")") + L"\\account0\\f0",
        "old");
  }
  RunningStowlark program;
  ASSERT_TRUE(WaitForFocus(program.Window()));
  // Timed from the menu item's command itself: Wine takes up to a second to
  // pass on a menu's choice.
  constexpr UINT kRestoreFromCommand = 0x0050;
  ASSERT_TRUE(PostMessageW(program.Window(), WM_SYSCOMMAND, kRestoreFromCommand, 0));
  const DWORD asked = GetTickCount();
  HWND dialog = nullptr;
  while (GetTickCount() - asked < 20000 &&
         !IsWindowVisible(dialog = FindWindowW(L"#32770", L"Restore"))) {
    Sleep(5);
  }
  const DWORD shown = GetTickCount();
  ASSERT_NE(dialog, nullptr);
  const std::wstring totals = WholeList(dialog);
  const DWORD whole = GetTickCount();
  EXPECT_EQ(totals, L"Restores 5,000 files of 10 accounts.");
  EXPECT_LT(shown - asked, 500u);
  EXPECT_LT(whole - asked, 5000u);
  std::printf("The dialog showed after %lu ms, its list whole after %lu ms\n", shown - asked,
              whole - asked);
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
// another PC's backups were copied to: GO under Restore finds no backup
// here, names the stick's and offers it; Enter, the default, opens the
// dialog on it, and Restore brings back what this PC never had.
TEST_F(RestoreTest, OnANewPcGoUnderRestoreOffersTheStickAndTheDialogRestoresIt) {
  if (std::getenv("STOWLARK_NEW_PC") == nullptr) {
    GTEST_SKIP() << "run by tests/e2e/new-pc.sh, in a fresh prefix with a stick at E:";
  }
  RunningStowlark program;
  ASSERT_TRUE(WaitForFocus(program.Window()));
  program.ClickControl("imgRestore");
  const MessageBoxSeen offer = program.AnswerMessageBox(VK_RETURN);
  EXPECT_EQ(offer.title, L"No Backup");
  EXPECT_TRUE(offer.text.starts_with(L"No backup found.\r\n")) << win32::Narrow(offer.text);
  EXPECT_NE(offer.text.find(L"E:\\Stowlark"), std::wstring::npos) << win32::Narrow(offer.text);
  EXPECT_TRUE(offer.text.ends_with(L". Open E:\\Stowlark in the Restore dialog?"))
      << win32::Narrow(offer.text);
  const HWND dialog = RestoreDialog(program);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(WholeList(dialog), L"Restores 2 files of 2 accounts.");
  const HWND from = GetDlgItem(dialog, IDC_FROM);
  const auto sources = ComboItems(from);
  const auto chosen = static_cast<std::size_t>(SendMessageW(from, CB_GETCURSEL, 0, 0));
  ASSERT_LT(chosen, sources.size());
  EXPECT_TRUE(sources[chosen].starts_with(L"E:\\Stowlark (last backup "))
      << win32::Narrow(sources[chosen]);
  EXPECT_EQ(GetFileAttributesW(MessengerFolder().c_str()), INVALID_FILE_ATTRIBUTES);
  PressKey('R', VK_MENU);
  const MessageBoxSeen done = program.AnswerMessageBox();
  EXPECT_NE(done.text.find(L"Restored 2 files from E:\\Stowlark"), std::wstring::npos)
      << win32::Narrow(done.text);
  EXPECT_EQ(ReadText(MessengerFolder() + L"\\alice@example.com\\smile.png"), "smile");
  EXPECT_EQ(ReadText(MessengerFolder() + L"\\bob@example.com\\Backgrounds\\sea.bmp"), "sea");
}

// Run by scripts/screenshot, in a prefix whose shell folders lead to the
// backup it made: the window's menu opens the Restore dialog, its list
// whole and the first picture in it shown; its frame, once two looks a
// moment apart agree, is saved as the BMP that STOWLARK_SCREENSHOT names.
TEST(ScreenshotTest, TheMenuOpensTheRestoreDialog) {
  const char* path = std::getenv("STOWLARK_SCREENSHOT");
  if (path == nullptr) GTEST_SKIP() << "run by scripts/screenshot";
  SetProcessDPIAware();
  RunningStowlark program;
  ASSERT_TRUE(WaitForFocus(program.Window()));
  ASSERT_TRUE(ChooseFromWindowMenu('E'));
  const HWND dialog = RestoreTest::RestoreDialog(program);
  ASSERT_NE(dialog, nullptr) << "no Restore dialog";
  RestoreTest::WholeList(dialog);
  PressKey('I', VK_MENU);
  PressKey(VK_HOME);
  for (int row = 0; row < 12 && !TextOf(GetDlgItem(dialog, IDC_PIXELS)).ends_with(L"pixels");
       ++row) {
    PressKey(VK_DOWN);
  }
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

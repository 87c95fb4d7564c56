#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"
#include "tests/WineUnix.h"
#include "tests/e2e/Fixture.h"

namespace stowlark::e2e {
namespace {

// Names, sizes, times and attributes of everything below a folder.
std::map<std::wstring, std::wstring> Listing(const std::wstring& root, std::wstring below = L"") {
  std::map<std::wstring, std::wstring> listing;
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW((root + below + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return listing;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    listing[below + L"\\" + name] = std::to_wstring(data.nFileSizeLow) + L" " +
                                    std::to_wstring(data.dwFileAttributes) + L" " +
                                    std::to_wstring(data.ftLastWriteTime.dwLowDateTime);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      listing.merge(Listing(root, below + L"\\" + name));
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return listing;
}

class CommandLineTest : public StowlarkFixture {
 protected:
  void SetUp() override {
    StowlarkFixture::SetUp();
    WriteText(MessengerFolder() + L"\\alice@example.com\\smile.png", "smile");
    WriteText(MessengerFolder() + L"\\b\u00f6b@example.com\\sea.bmp", "sea");
  }
};

// A top-level window of the process, of this class or any, and only a
// visible one if `shown`; waited for over `tries` looks 50 ms apart.
HWND WindowOf(DWORD process, const wchar_t* windowClass, bool shown = false, int tries = 400) {
  for (;; Sleep(50)) {
    for (HWND window = FindWindowExW(HWND_DESKTOP, nullptr, windowClass, nullptr);
         window != nullptr; window = FindWindowExW(HWND_DESKTOP, window, windowClass, nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == process && (!shown || IsWindowVisible(window))) return window;
    }
    if (--tries <= 0) return nullptr;
  }
}

TEST_F(CommandLineTest, EachExitCodeComesFromWhatHappenedAndQuietShowsNothing) {
  EXPECT_EQ(Run(L"/backup /frobnicate").output,
            "Unknown switch: /frobnicate\r\nStowlark.exe /? shows how to use it.\r\n");
  EXPECT_EQ(Run(L"-BACKUP /frobnicate").code, 4u);
  // No window and no box, ever, with /quiet, even mistyped where nobody
  // reads the output: there a box would wait for ever.
  bool shown = false;
  const auto watch = [&](HANDLE process) {
    for (int wait = 0; wait < 2000 && !shown && WaitForSingleObject(process, 5) == WAIT_TIMEOUT;
         ++wait)
      shown = WindowOf(GetProcessId(process), nullptr, true, 1) != nullptr;
    if (shown) TerminateProcess(process, STILL_ACTIVE);  // a box that nobody answers
  };
  for (const wchar_t* mistyped : {L"\"/backup /Quiet\"", L"/backup \"/quiet \""}) {
    EXPECT_EQ(Run(mistyped, watch, true).code, 4u) << win32::Narrow(mistyped);
  }
  const Ran backup = Run(L"/Backup -quiet", watch);
  EXPECT_FALSE(shown);
  EXPECT_EQ(backup.code, 0u);
  EXPECT_NE(
      backup.output.find(
          "Added " + win32::Narrow(BackupFolder() + L"\\b\u00f6b@example.com\\sea.bmp") + "\r\n"),
      std::string::npos)
      << backup.output;
  EXPECT_TRUE(backup.output.ends_with(
      "Backup finished: 2 added, 0 replaced, 0 unchanged, 0 not copied.\r\n"));

  // A second run while the window copies a long file is refused; nothing to
  // back up is 1.
  WriteSparse(MessengerFolder() + L"\\alice@example.com\\big.bin", 4LL << 30);
  RunningStowlark window;
  window.ClickControl("imgBackup");
  EXPECT_EQ(Run(L"/backup /quiet").code, 4u);
  PostMessageW(window.Window(), WM_CLOSE, 0, 0);
  window.AnswerMessageBox();
  testing_support::UnixRemoveTree(win32::Narrow(MessengerFolder()));
  CreateDirectoryW(MessengerFolder().c_str(), nullptr);
  EXPECT_EQ(Run(L"/backup /quiet").code, 1u);
}

TEST_F(CommandLineTest, APreviewChangesNothingAndListsWhatTheRunThenDoes) {
  ASSERT_EQ(Run(L"/backup /quiet").code, 0u);
  WriteText(MessengerFolder() + L"\\alice@example.com\\smile.png", "a newer smile");
  WriteText(MessengerFolder() + L"\\alice@example.com\\new.png", "new");
  const auto before = Listing(Root());
  const Ran preview = Run(L"/backup /quiet /preview");
  EXPECT_EQ(preview.code, 0u);
  EXPECT_EQ(Listing(Root()), before);
  const Ran backup = Run(L"/backup /quiet");
  // The real run's lines, worded as a preview's.
  std::string worded = std::regex_replace(backup.output, std::regex("Added "), "Would add ");
  worded = std::regex_replace(worded, std::regex("Replaced (.*), kept in"),
                              "Would replace $1, keeping it in");
  worded = std::regex_replace(worded, std::regex("Backup finished"), "Preview of a backup");
  // Each names the kept folder for the second it started in.
  const std::regex started("Backup \\d{4}-\\d\\d-\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d\\\\");
  EXPECT_EQ(std::regex_replace(preview.output, started, "Backup <started>\\"),
            std::regex_replace(worded, started, "Backup <started>\\"));
  EXPECT_NE(preview.output.find("1 added, 1 replaced, 1 unchanged"), std::string::npos)
      << preview.output;
}

TEST_F(CommandLineTest, AnAccountAloneALogAcrossRunsAndTheWindowAsIfGoWasClicked) {
  // A log where the backup folder goes, or in the messenger's folder by its
  // long name, is refused before anything is made.
  wchar_t messenger[MAX_PATH];
  GetLongPathNameW(MessengerFolder().c_str(), messenger, MAX_PATH);
  for (const std::wstring& refused : {BackupFolder(), messenger + std::wstring(L"\\x.log")}) {
    EXPECT_EQ(Run(L"/backup /quiet \"/log:" + refused + L"\"").code, 4u);
    EXPECT_EQ(GetFileAttributesW(refused.c_str()), INVALID_FILE_ATTRIBUTES);
  }

  const std::wstring log = Root() + L"\\Logs and more\\stowlark.log";
  CreateDirectoryW((Root() + L"\\Logs and more").c_str(), nullptr);
  EXPECT_EQ(Run(L"/backup /quiet /account:B\u00d6B@example.com \"/log:" + log + L"\"").code, 0u);
  EXPECT_EQ(BackupTree(),
            (std::map<std::wstring, std::string>{{L"\\b\u00f6b@example.com\\", ""},
                                                 {L"\\b\u00f6b@example.com\\sea.bmp", "sea"}}));
  EXPECT_EQ(Run(L"/restore /quiet \"/log:" + log + L"\"").code, 0u);
  EXPECT_TRUE(ReadText(log).value_or("").ends_with(
      " Restore finished: 0 added, 0 replaced, 1 unchanged, 0 not copied.\r\n"));

  RunningStowlark window(L"/restore");
  ASSERT_NE(window.Window(), nullptr);
  EXPECT_TRUE(window.AnswerMessageBox().text.starts_with(L"Restore Complete "));
  EXPECT_EQ(window.WaitForExit(5000), 0u);
}

// A log-off ends a run from either door alike: one that has ended, its box
// up, keeps its own code; one in the middle stops within half a second.
// Either writes its lines to the output and the log.
TEST_F(CommandLineTest, ALogOffEndsARunWithItsOwnCodeAndLinesThroughEitherDoor) {
  // Beside the backup folder, a log is welcome.
  const std::wstring logFile = Documents() + L"\\Stowlark run log.txt";
  const std::wstring log = L" \"/log:" + logFile + L"\"";
  DWORD asked = 0, ended = 0;
  const auto logOff = [&](const wchar_t* windowClass, bool boxUp) {
    return [&, windowClass, boxUp](HANDLE process) {
      const HWND window = WindowOf(GetProcessId(process), windowClass);
      ASSERT_NE(window, nullptr);
      if (boxUp) {
        ASSERT_NE(WindowOf(GetProcessId(process), L"#32770"), nullptr);
      } else {
        Sleep(200);  // inside the long file, with little of it written
      }
      asked = GetTickCount();
      SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 2000, nullptr);
      SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 2000, nullptr);
      WaitForSingleObject(process, 5000);
      ended = GetTickCount();
    };
  };
  const wchar_t* const windowed = L"StowlarkBackupRestore";
  const Ran done = Run(L"/backup" + log, logOff(windowed, true));
  EXPECT_EQ(done.code, 0u);
  EXPECT_TRUE(
      done.output.ends_with("Backup finished: 2 added, 0 replaced, 0 unchanged, 0 not copied.\r\n"))
      << done.output;
  std::string written = "\xEF\xBB\xBF" + done.output;

  // A file held open without sharing is not copied.
  WriteText(MessengerFolder() + L"\\alice@example.com\\smile.png", "a newer smile");
  {
    const win32::UniqueFile holder(
        win32::ValidOrNull(CreateFileW((BackupFolder() + L"\\alice@example.com\\smile.png").c_str(),
                                       GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
    for (const bool quiet : {true, false}) {
      const Ran partial =
          quiet ? Run(L"/backup /quiet" + log) : Run(L"/backup" + log, logOff(windowed, true));
      EXPECT_EQ(partial.code, 2u) << quiet;
      written += partial.output;
    }
  }

  WriteSparse(MessengerFolder() + L"\\alice@example.com\\big.bin", 4LL << 30);
  for (const bool quiet : {true, false}) {
    const Ran stopped = Run(quiet ? L"/backup /quiet" + log : L"/backup" + log,
                            logOff(quiet ? L"StowlarkQuietRun" : windowed, false));
    EXPECT_EQ(stopped.code, 3u) << stopped.output;
    EXPECT_NE(stopped.output.find(" stopped before the end: "), std::string::npos) << quiet;
    EXPECT_LE(ended - asked, 500u);
    std::printf("Log-off during a backup: ended in %lu ms.\n", ended - asked);
    written += stopped.output;
  }

  // The log holds the same lines, each after its date and time.
  EXPECT_EQ(std::regex_replace(ReadText(logFile).value_or(""),
                               std::regex("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d "), ""),
            written);
}

}  // namespace
}  // namespace stowlark::e2e

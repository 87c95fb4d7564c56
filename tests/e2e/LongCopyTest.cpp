#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "app/Controls.h"
#include "tests/e2e/Fixture.h"

namespace stowlark::e2e {
namespace {

// A messenger folder large enough that a backup takes seconds under Wine.
class LongCopyTest : public StowlarkFixture {
 protected:
  static constexpr int kFiles = 4000;

  void SetUp() override {
    StowlarkFixture::SetUp();
    for (int i = 0; i < kFiles; ++i) {
      WriteText(MessengerFolder() + L"\\acc" + std::to_wstring(i % 8) + L"@example.com\\item" +
                    std::to_wstring(i) + L".png",
                std::string(48 * 1024 + i, static_cast<char>('a' + i % 26)));
    }
  }
};

// How long the window takes to answer a message that does nothing.
DWORD AnswerMs(HWND window) {
  const DWORD start = GetTickCount();
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
  return GetTickCount() - start;
}

HCURSOR CursorOver(const RunningStowlark& program, std::string_view control) {
  const POINT origin = program.ClientOrigin();
  const POINT centre = RunningStowlark::CentreOf(control);
  MovePointer(origin.x + centre.x + 1, origin.y + centre.y);
  MovePointer(origin.x + centre.x, origin.y + centre.y);
  CURSORINFO info{};
  info.cbSize = sizeof(info);
  GetCursorInfo(&info);
  return info.hCursor;
}

TEST_F(LongCopyTest, DuringACopyTheWindowAnswersRepaintsAndTakesNoCommand) {
  RunningStowlark program;
  ASSERT_NE(program.Window(), nullptr);
  Sleep(300);
  const HCURSOR hand = CursorOver(program, "imgRestore");
  const HCURSOR arrow = CursorOver(program, "lblTitle");
  const DWORD start = GetTickCount();
  program.ClickControl("imgBackup");
  // The app-starting cursor, over the pictures too.
  const HCURSOR busy = CursorOver(program, "imgRestore");
  EXPECT_NE(busy, hand);
  EXPECT_NE(busy, arrow);
  EXPECT_EQ(CursorOver(program, "lblTitle"), busy);
  // It moves by its surface, and minimises and comes back from the taskbar.
  const POINT moved = program.Drag(ScaleToDpi(150, ScreenDpi()), ScaleToDpi(25, ScreenDpi()));
  EXPECT_EQ(std::pair(moved.x, moved.y), std::pair(40L, 20L));
  for (const WPARAM command : {SC_MINIMIZE, SC_RESTORE}) {
    SendMessageTimeoutW(program.Window(), WM_SYSCOMMAND, command, 0, SMTO_NORMAL, 200, nullptr);
    EXPECT_EQ(IsIconic(program.Window()), command == SC_MINIMIZE);
  }
  ASSERT_FALSE(program.HasMessageBox()) << "all of that during the copy";
  DWORD slowest = 0;
  bool repainted = false;
  int clicks = 0;
  while (!program.HasMessageBox()) {
    slowest = std::max(slowest, AnswerMs(program.Window()));
    // Painted again once the region it was told to paint is valid again.
    InvalidateRect(program.Window(), nullptr, FALSE);
    Sleep(150);
    repainted = repainted || !GetUpdateRect(program.Window(), nullptr, FALSE);
    if (clicks++ < 3) program.ClickControl(clicks % 2 ? "imgRestore" : "imgBackup");
    if (clicks == 4) PressKey(VK_RETURN);  // on GO under Backup, which has the focus
  }
  const DWORD took = GetTickCount() - start;
  std::printf("The backup took %lu ms; the window answered within %lu ms at the slowest.\n", took,
              slowest);
  EXPECT_GT(took, 1500u) << "too short a copy to show anything";
  EXPECT_LE(slowest, 200u);
  EXPECT_TRUE(repainted);
  const auto box = program.AnswerMessageBox();
  EXPECT_EQ(box.title, L"Backup");
  EXPECT_EQ(box.text, L"Backup Complete.");
  Sleep(500);
  EXPECT_FALSE(program.HasMessageBox()) << "a click or key during the copy started another";
  EXPECT_EQ(BackupTree(), Snapshot(MessengerFolder()));
}

// A stop never waits for the file in hand: a close, or the session's end,
// in the middle of a 4 GiB file is heard within half a second, and neither
// leaves a trace of the file in the backup.
TEST_F(StowlarkFixture, AStopInsideAFourGigabyteFileIsHeardWithinHalfASecond) {
  const std::wstring big = MessengerFolder() + L"\\acc@example.com\\big.bin";
  WriteSparse(big, (4LL << 30) + 1);
  for (const bool sessionEnds : {false, true}) {
    RunningStowlark program;
    ASSERT_NE(program.Window(), nullptr);
    program.ClickControl("imgBackup");
    const DWORD clicked = GetTickCount();
    // Inside the file once its temporary file shows beside the mark.
    while (Snapshot(BackupFolder()).size() < 3 && GetTickCount() - clicked < 10000) Sleep(10);
    Sleep(300);
    ASSERT_FALSE(program.HasMessageBox()) << "the file was copied too soon to stop inside it";
    const DWORD asked = GetTickCount();
    if (sessionEnds) {
      SendMessageTimeoutW(program.Window(), WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 2000, nullptr);
      SendMessageTimeoutW(program.Window(), WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 2000, nullptr);
      EXPECT_EQ(program.WaitForExit(2000), 0u);
    } else {
      PostMessageW(program.Window(), WM_CLOSE, 0, 0);
      while (!program.HasMessageBox() && GetTickCount() - asked < 20000) Sleep(10);
    }
    const DWORD took = GetTickCount() - asked;
    std::printf("%s inside the file: answered in %lu ms.\n", sessionEnds ? "Session end" : "Close",
                took);
    EXPECT_LE(took, 500u);
    if (!sessionEnds) {
      EXPECT_EQ(
          program.AnswerMessageBox().text,
          L"Stopped before it finished.\r\nBacked up 0 of 1 file; the others were not copied.");
      EXPECT_EQ(program.WaitForExit(5000), 0u);
    }
    EXPECT_EQ(BackupTree(), (std::map<std::wstring, std::string>{{L"\\acc@example.com\\", ""}}));
  }
}

}  // namespace
}  // namespace stowlark::e2e

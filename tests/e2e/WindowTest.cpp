#include <gtest/gtest.h>

#include "app/Controls.h"
#include "tests/e2e/Fixture.h"

namespace stowlark::e2e {
namespace {

using WindowTest = StowlarkFixture;

void ClickControl(RunningStowlark& program, std::string_view name) {
  const Rect r = PixelRect(FindControl(name));
  program.Click(r.left + r.width / 2, r.top + r.height / 2);
}

TEST_F(WindowTest, StartsBorderlessAndCentredAndClosesWithCodeZero) {
  RunningStowlark program;
  ASSERT_NE(program.Window(), nullptr);

  const auto style = static_cast<DWORD>(GetWindowLongW(program.Window(), GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongW(program.Window(), GWL_EXSTYLE));
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0u);
  EXPECT_NE(exStyle & WS_EX_APPWINDOW, 0u);
  RECT client, frame;
  GetClientRect(program.Window(), &client);
  GetWindowRect(program.Window(), &frame);
  EXPECT_EQ(client.right, 218);
  EXPECT_EQ(client.bottom, 245);
  EXPECT_EQ(frame.right - frame.left, 218);
  EXPECT_EQ(frame.bottom - frame.top, 245);
  EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - 218) / 2);
  EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - 245) / 2);

  ClickControl(program, "Image2");
  const auto about = program.AnswerMessageBox();
  EXPECT_EQ(about.title, L"Backup / Restore");
  EXPECT_EQ(about.text,
            L"Stowlark V 1.0\r\nCoded by Dorvane\r\n\r\nThis program can backup and restore "
            L"your MSN 6 Emoticons, Display pictures and Backgrounds.\r\nSimply Backup your "
            L"current items and you can Restore them later.");
  EXPECT_TRUE(about.hasIcon);
  EXPECT_NE(program.WaitForExit(0), 0u) << "the about box must not end the program";

  ClickControl(program, "Image1");
  EXPECT_EQ(program.WaitForExit(20000), 0u);
}

}  // namespace
}  // namespace stowlark::e2e

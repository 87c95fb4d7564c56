#include <gtest/gtest.h>

#include "app/Controls.h"
#include "app/win32/Pictures.h"
#include "app/win32/ResourceIds.h"
#include "platform/win32/Com.h"
#include "tests/e2e/Fixture.h"

namespace stowlark::e2e {
namespace {

using DensityTest = StowlarkFixture;

// With the pointer, as a user clicks: where the picture shows is where the
// window takes the click, at every density. With nothing to restore yet,
// Restore says so.
TEST_F(DensityTest, APressAtTheCentreOfEachGoPictureRunsItsCommand) {
  RunningStowlark program;
  ASSERT_NE(program.Window(), nullptr);
  Sleep(300);
  for (const auto& [control, title] :
       {std::pair("imgBackup", L"Backup"), std::pair("imgRestore", L"No Backup")}) {
    const POINT origin = program.ClientOrigin();
    const POINT centre = RunningStowlark::CentreOf(control);
    MovePointer(origin.x + centre.x, origin.y + centre.y);
    PressLeft();
    ReleaseLeft();
    EXPECT_EQ(program.AnswerMessageBox().title, title) << control;
  }
}

// Moved to a monitor of another density, the window takes the size the
// system suggests and draws itself anew: at 168 dots per inch, which no
// picture is drawn for, with the 192-dot pictures made smaller.
TEST_F(DensityTest, AtAnotherDensityTheWindowIsLaidOutAndDrawnAnew) {
  const win32::ComApartment com;
  RunningStowlark program;
  ASSERT_NE(program.Window(), nullptr);
  program.SendDpiChanged(168);
  RECT client;
  GetClientRect(program.Window(), &client);
  ASSERT_EQ(client.right, 382);
  ASSERT_EQ(client.bottom, 429);

  const auto drawn =
      PictureDecoder().Decode(GetModuleHandleW(nullptr), ResourceFor(IDR_BACKGROUND, 192));
  ASSERT_TRUE(drawn);
  const auto expected = Resized(*drawn, 382, 429);
  ASSERT_TRUE(expected);
  Sleep(500);
  EXPECT_EQ(CompareBareSurface(program.CaptureClient(), PixelsOf(*expected), 168).mismatches, 0);

  // Presses land on the controls where they now are.
  program.ClickControl("Image2", 168);
  EXPECT_EQ(program.AnswerMessageBox().title, L"Backup / Restore");
}

}  // namespace
}  // namespace stowlark::e2e

#include <gtest/gtest.h>

#include "platform/win32/Text.h"
#include "tests/WineUnix.h"
#include "tests/e2e/Fixture.h"

namespace stowlark::e2e {
namespace {

class CopyToTest : public StowlarkFixture {
 protected:
  void TearDown() override {
    Run(L"/copyto:off");
    StowlarkFixture::TearDown();
  }
};

// Alt+Space, T: the system's folder picker, driven by keys; a box says what
// is now true or why not. Alt+Space, P stops the copy a place was set for.
TEST_F(CopyToTest, TheMenuChoosesThePlaceThroughThePickerAndStopsIt) {
  RunningStowlark program;
  ASSERT_TRUE(WaitForFocus(program.Window()));
  ASSERT_TRUE(ChooseFromWindowMenu('T'));
  const HWND picker = program.WaitForDialog();
  ASSERT_NE(picker, nullptr);
  // The drive of Documents, chosen by keys in the tree: refused.
  const FolderPicker chooser(picker);
  ASSERT_TRUE(chooser.ChooseDrive(L'C')) << win32::Narrow(chooser.Chosen());
  PressKey(VK_RETURN);
  auto box = program.AnswerMessageBox();
  EXPECT_EQ(box.title, L"Backup");
  EXPECT_EQ(box.text,
            L"Not copying to C:\\: it is on the same drive as your Documents folder, and a "
            L"copy there would be lost with it.");
  EXPECT_EQ(Run(L"/copyto").output, "Copy to: off.\r\n");

  // A place set as the command line sets it, here a stick not plugged in.
  const std::wstring key = L"Software\\Stowlark";
  for (const auto& [name, text] : {std::pair{L"Copy to", L"S:\\"},
                                   {L"Copy to volume root", L"S:\\"},
                                   {L"Copy to volume label", L"STICK"},
                                   {L"Copy last made", L""}}) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, REG_SZ, text,
                    static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
  }
  const DWORD serial = 0x5a11cafe;
  RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), L"Copy to volume serial number", REG_DWORD,
                  &serial, sizeof(serial));
  ASSERT_EQ(Run(L"/copyto").output, "Copy to: S:\\ (STICK), not made yet.\r\n");
  ASSERT_TRUE(ChooseFromWindowMenu('P'));
  box = program.AnswerMessageBox();
  EXPECT_EQ(box.text,
            L"Backups are no longer copied to another place.\r\nWhat was copied there "
            L"stays as it is.");
  EXPECT_EQ(Run(L"/copyto").output, "Copy to: off.\r\n");
}

}  // namespace
}  // namespace stowlark::e2e

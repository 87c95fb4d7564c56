#include <gtest/gtest.h>
// after windows.h, which the fixture brings
#include <oleacc.h>

#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/Controls.h"
#include "platform/win32/Com.h"
#include "platform/win32/Text.h"
#include "tests/e2e/Fixture.h"

namespace stowlark::e2e {
namespace {

VARIANT Child(long id) {
  VARIANT child;
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}

// What the program announced, as a screen reader's hook hears it.
struct Announcement {
  DWORD event;
  long child;
  bool operator==(const Announcement&) const = default;
};
std::vector<Announcement> heard;

void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
  // The system's own announcements of the window as a whole are left out.
  if (object == OBJID_CLIENT && child != CHILDID_SELF) heard.push_back({event, child});
}

// Out-of-context announcements arrive through this thread's messages.
std::vector<Announcement> HeardWithin(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  for (MSG message; GetTickCount() - start < milliseconds; Sleep(10)) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  return std::exchange(heard, {});
}

std::wstring Take(BSTR text) {
  std::wstring taken = text != nullptr ? text : L"";
  SysFreeString(text);
  return taken;
}

// The window as a screen reader reads it: from another process, through the
// object its client area hands out.
class AccessibilityTest : public StowlarkFixture {
 protected:
  void SetUp() override {
    StowlarkFixture::SetUp();
    WriteText(MessengerFolder() + L"\\alice@example.com\\smile.png", "smile");
    program_.emplace();  // after the folders are set, which it reads at start
    ASSERT_TRUE(WaitForFocus(program_->Window()));
    const HRESULT got = AccessibleObjectFromWindow(
        program_->Window(), OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(client_.Put()));
    if (got == E_NOINTERFACE) {
      GTEST_SKIP() << "This Wine cannot hand an object to a screen reader in another process "
                      "(64-bit Wine 8 cannot); the 32-bit tier runs these checks.";
    }
    ASSERT_EQ(got, S_OK);
  }
  std::wstring Name(long id) {
    BSTR name = nullptr;
    client_->get_accName(Child(id), &name);
    return Take(name);
  }
  long Number(HRESULT (STDMETHODCALLTYPE IAccessible::*query)(VARIANT, VARIANT*), long id) {
    VARIANT value{};
    (client_.Get()->*query)(Child(id), &value);
    return value.vt == VT_I4 ? value.lVal : -1;
  }

  win32::ComApartment com_;
  std::optional<RunningStowlark> program_;
  win32::ComPtr<IAccessible> client_;
};

TEST_F(AccessibilityTest, EveryCommandAndTextIsNamedWithItsRoleStateAndPlace) {
  EXPECT_EQ(Name(CHILDID_SELF), L"Backup/Restore");
  long count = 0;
  client_->get_accChildCount(&count);
  std::vector<std::wstring> read;
  for (long id = 1; id <= count; ++id) {
    const long role = Number(&IAccessible::get_accRole, id);
    read.push_back((role == ROLE_SYSTEM_PUSHBUTTON   ? L"button "
                    : role == ROLE_SYSTEM_LINK       ? L"link "
                    : role == ROLE_SYSTEM_STATICTEXT ? L"text "
                                                     : L"? ") +
                   Name(id));
  }
  EXPECT_EQ(read, (std::vector<std::wstring>{
                      L"text Stowlark", L"text [ Backup ]", L"text Backup your current setting.",
                      L"button Back up", L"text [ Restore ]",
                      L"text Restore your last saved backup.", L"button Restore", L"link Dorvane",
                      L"link Smileys", L"button About", L"button Minimise", L"button Close"}));
  BSTR description = nullptr;
  client_->get_accDescription(Child(4), &description);
  EXPECT_EQ(Take(description), L"No backup has been made yet.");
  client_->get_accDescription(Child(3), &description);
  EXPECT_EQ(Take(description), L"");

  // Where each command shows on the screen, at the screen's density.
  const POINT origin = program_->ClientOrigin();
  const Rect go = PixelRect(FindControl("imgRestore"), ScreenDpi());
  long left = 0, top = 0, width = 0, height = 0;
  client_->accLocation(&left, &top, &width, &height, Child(7));
  EXPECT_EQ((std::vector<long>{left, top, width, height}),
            (std::vector<long>{origin.x + go.left, origin.y + go.top, go.width, go.height}));
  long hit = -1;
  VARIANT found{};
  client_->accHitTest(origin.x + go.left + 1, origin.y + go.top + 1, &found);
  hit = found.vt == VT_I4 ? found.lVal : -1;
  EXPECT_EQ(hit, 7);

  // The focus as Tab moves it, and what states say of it.
  EXPECT_EQ(Number(&IAccessible::get_accState, 7), STATE_SYSTEM_FOCUSABLE);
  PressKey(VK_TAB);
  VARIANT focus{};
  client_->get_accFocus(&focus);
  EXPECT_EQ(focus.vt == VT_I4 ? focus.lVal : -1, 7);
  EXPECT_EQ(Number(&IAccessible::get_accState, 7), STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);
  VARIANT next{};
  client_->accNavigate(NAVDIR_NEXT, Child(7), &next);
  EXPECT_EQ(next.vt == VT_I4 ? next.lVal : -1, 8);
}

// Behind a box the window takes nothing, from a reader no more than from the
// mouse: a second About asked for at once opens no second box, and GO
// starts nothing.
TEST_F(AccessibilityTest, TheDefaultActionRunsACommandButNothingBehindABox) {
  EXPECT_EQ(client_->accDoDefaultAction(Child(10)), S_OK);
  client_->accDoDefaultAction(Child(10));
  for (int wait = 0; wait < 250 && !program_->HasMessageBox(); ++wait) Sleep(20);
  for (const long command : {4, 7, 8, 9, 10, 11, 12}) {
    EXPECT_TRUE(Number(&IAccessible::get_accState, command) & STATE_SYSTEM_UNAVAILABLE) << command;
  }
  EXPECT_EQ(client_->accDoDefaultAction(Child(4)), S_FALSE);
  EXPECT_EQ(program_->AnswerMessageBox().title, L"Backup / Restore");
  Sleep(500);
  EXPECT_FALSE(program_->HasMessageBox()) << "a second box was opened behind the first";
  EXPECT_TRUE(Snapshot(BackupFolder()).empty());

  BSTR action = nullptr;
  client_->get_accDefaultAction(Child(4), &action);
  EXPECT_EQ(Take(action), L"Press");
  EXPECT_EQ(client_->accDoDefaultAction(Child(4)), S_OK);
  EXPECT_EQ(program_->AnswerMessageBox().text, L"Backup Complete.");
  EXPECT_EQ(ReadText(BackupFolder() + L"\\alice@example.com\\smile.png"), "smile");
  // Each GO tells, as its tip does, of the backup just made.
  BSTR tip = nullptr;
  client_->get_accDescription(Child(4), &tip);
  const std::wstring told = Take(tip);
  EXPECT_TRUE(told.starts_with(L"Last backup: ") && told.ends_with(L" (by hand)"))
      << win32::Narrow(told);
  client_->get_accDescription(Child(7), &tip);
  EXPECT_EQ(Take(tip), L"Restores the backup of " + told.substr(13, told.size() - 13 - 10));
}

// A reader is told when the focus moves and when the commands cease, and
// come back, to be available around a copy.
TEST_F(AccessibilityTest, WhatChangesIsAnnouncedAndCommandsAreUnavailableDuringACopy) {
  const std::wstring big = MessengerFolder() + L"\\alice@example.com\\big.bin";
  WriteSparse(big, 1 << 30);  // long to copy, even where 32-bit code runs at full speed
  const std::unique_ptr<std::remove_pointer_t<HWINEVENTHOOK>, decltype(&UnhookWinEvent)> hook(
      SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_STATECHANGE, nullptr, Hear,
                      program_->ProcessId(), 0, WINEVENT_OUTOFCONTEXT),
      UnhookWinEvent);
  ASSERT_NE(hook, nullptr);
  HeardWithin(300);
  PressKey(VK_TAB);
  EXPECT_EQ(HeardWithin(300), (std::vector<Announcement>{{EVENT_OBJECT_FOCUS, 7}}));

  // GO under Backup again, and Enter: a copy holds back five commands.
  PressKey(VK_TAB, VK_SHIFT);
  PressKey(VK_RETURN);
  std::vector<Announcement> focusThenEveryCommand{{EVENT_OBJECT_FOCUS, 4}};
  for (const long command : {4, 7, 8, 9, 10}) {
    focusThenEveryCommand.push_back({EVENT_OBJECT_STATECHANGE, command});
  }
  EXPECT_EQ(HeardWithin(300), focusThenEveryCommand);
  ASSERT_FALSE(program_->HasMessageBox()) << "the copy ended too soon to be looked at";
  for (const long command : {4, 7, 8, 9, 10}) {
    EXPECT_TRUE(Number(&IAccessible::get_accState, command) & STATE_SYSTEM_UNAVAILABLE) << command;
  }
  for (const long command : {11, 12}) {
    EXPECT_FALSE(Number(&IAccessible::get_accState, command) & STATE_SYSTEM_UNAVAILABLE) << command;
  }
  EXPECT_EQ(client_->accDoDefaultAction(Child(7)), S_FALSE);

  EXPECT_EQ(program_->AnswerMessageBox().text, L"Backup Complete.");
  // Back from the box, the reader hears the command that has the focus.
  EXPECT_EQ(HeardWithin(300), focusThenEveryCommand);
  EXPECT_EQ(Number(&IAccessible::get_accState, 4), STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_FOCUSED);
}

}  // namespace
}  // namespace stowlark::e2e

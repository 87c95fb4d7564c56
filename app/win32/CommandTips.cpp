#include "app/win32/CommandTips.h"

#include "platform/win32/Text.h"

namespace stowlark {
namespace {

// Tools 1 and 2 follow the pointer over the pictures; tool 3 shows for the focus.
constexpr UINT_PTR kFocusTool = 3;
constexpr const char* kToolControls[] = {"imgBackup", "imgRestore"};
constexpr int kGap = 4;
constexpr int kWidest = 400;

TOOLINFOW Tool(HWND window, UINT_PTR id, UINT flags) {
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = flags;
  tool.hwnd = window;
  tool.uId = id;
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  return tool;
}

}  // namespace

CommandTips::CommandTips(HWND window, frmBackup& form)
    : window_(window),
      form_(form),
      tip_(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                           WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0, 0, window, nullptr,
                           nullptr, nullptr)) {
  SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, kWidest);
  for (UINT_PTR id = 1; id <= 2; ++id) {
    TOOLINFOW tool = Tool(window_, id, TTF_SUBCLASS);
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  TOOLINFOW focus = Tool(window_, kFocusTool, TTF_TRACK | TTF_ABSOLUTE);
  SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&focus));
  Place();
}

const Control& CommandTips::ToolControl(UINT_PTR tool) const {
  if (tool == kFocusTool && focused_ != nullptr) return *focused_;
  return FindControl(kToolControls[tool == 2 ? 1 : 0]);
}

void CommandTips::Place() {
  for (UINT_PTR id = 1; id <= 2; ++id) {
    TOOLINFOW tool = Tool(window_, id, TTF_SUBCLASS);
    const Rect box = form_.Where(ToolControl(id));
    tool.rect = {box.left, box.top, box.left + box.width, box.top + box.height};
    SendMessageW(tip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

// Right of the window, level with the picture the tip is of.
void CommandTips::MoveBeside(const Control& control) {
  RECT frame;
  GetWindowRect(window_, &frame);
  POINT top{0, form_.Where(control).top};
  ClientToScreen(window_, &top);
  SetWindowPos(tip_, HWND_TOPMOST, frame.right + kGap, top.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void CommandTips::FollowFocus(const Control* focused) {
  const bool tipped = focused != nullptr &&
                      (focused->name == kToolControls[0] || focused->name == kToolControls[1]);
  TOOLINFOW tool = Tool(window_, kFocusTool, TTF_TRACK | TTF_ABSOLUTE);
  if (tipped) {
    focused_ = focused;
    RECT frame;
    GetWindowRect(window_, &frame);
    SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(frame.right + kGap, frame.top));
  }
  SendMessageW(tip_, TTM_TRACKACTIVATE, tipped, reinterpret_cast<LPARAM>(&tool));
}

bool CommandTips::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.hwndFrom != tip_) return false;
  if (header.code == TTN_GETDISPINFOW) {
    auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
    text_ = win32::Widen(form_.CommandTip(ToolControl(info.hdr.idFrom)));
    info.lpszText = text_.data();
    result = 0;
    return true;
  }
  if (header.code == TTN_SHOW) {
    MoveBeside(ToolControl(header.idFrom));
    result = TRUE;
    return true;
  }
  return false;
}

}  // namespace stowlark

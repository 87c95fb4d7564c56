#include "platform/win32/Win32Taskbar.h"

namespace stowlark::win32 {

// Asked for on first use only: most runs are short and never show progress.
ITaskbarList3* Win32Taskbar::List() {
  if (!asked_) {
    asked_ = true;
    usable_ = SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(list_.Put()))) &&
              SUCCEEDED(list_->HrInit());
  }
  return usable_ ? list_.Get() : nullptr;
}

void Win32Taskbar::ShowProgress(std::uint64_t done, std::uint64_t total) {
  if (ITaskbarList3* list = List()) {
    list->SetProgressState(window_, TBPF_NORMAL);
    list->SetProgressValue(window_, done, total);
  }
}

void Win32Taskbar::ShowError() {
  if (ITaskbarList3* list = List()) {
    list->SetProgressState(window_, TBPF_ERROR);
    list->SetProgressValue(window_, 1, 1);
  }
}

void Win32Taskbar::Clear() {
  if (ITaskbarList3* list = List()) list->SetProgressState(window_, TBPF_NOPROGRESS);
}

}  // namespace stowlark::win32

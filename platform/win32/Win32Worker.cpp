#include "platform/win32/Win32Worker.h"

#include <utility>

namespace stowlark::win32 {

Win32Worker::Win32Worker(HWND window, UINT doneMessage, UINT tickMs)
    : window_(window), doneMessage_(doneMessage), tickMs_(tickMs) {}

// The window holds its close until the work is done, so this waits only
// for a thread that has already posted its end.
Win32Worker::~Win32Worker() { WaitForWork(INFINITE); }

void Win32Worker::Start(std::function<void()> work, std::function<void()> finished) {
  work_ = std::move(work);
  finished_ = std::move(finished);
  started_ = GetTickCount();
  thread_ = UniqueFile(CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr));
  if (!thread_) {
    // No thread to be had: the work runs here, as it always could.
    ThreadMain(this);
    return;
  }
  SetTimer(window_, kTimerId, tickMs_, nullptr);
}

DWORD WINAPI Win32Worker::ThreadMain(void* self) {
  auto* worker = static_cast<Win32Worker*>(self);
  worker->work_();
  PostMessageW(worker->window_, worker->doneMessage_, 0, 0);
  return 0;
}

void Win32Worker::Finish() {
  // Called again from inside the box that the first call's `finished` shows
  // (the session ending), it has nothing left to finish.
  if (!finished_) return;
  KillTimer(window_, kTimerId);
  WaitForWork(INFINITE);
  thread_.Reset();
  work_ = nullptr;
  std::exchange(finished_, nullptr)();
}

bool Win32Worker::WaitForWork(DWORD milliseconds) {
  return !thread_ || WaitForSingleObject(thread_.Get(), milliseconds) == WAIT_OBJECT_0;
}

}  // namespace stowlark::win32

#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "platform/CopyLock.h"
#include "platform/MessagePort.h"
#include "platform/Scheduler.h"
#include "platform/TaskbarPort.h"
#include "platform/WindowPort.h"
#include "platform/Worker.h"

namespace stowlark {

struct ShownMessage {
  std::string prompt;
  int style = 0;
  std::optional<std::string> title;
};

class RecordingMessages : public MessagePort {
 public:
  void ShowMessage(const std::string& prompt, int style,
                   const std::optional<std::string>& title) override {
    shown.push_back({prompt, style, title});
  }
  // Recorded as a box of no icon, and answered with `answer`.
  bool Ask(const std::string& prompt, const std::string& title) override {
    shown.push_back({prompt, kStyleNoIcon, title});
    return answer;
  }
  std::vector<ShownMessage> shown;
  bool answer = true;
};

// Each call is recorded as one line of text, which keeps expectations short.
class RecordingWindow : public WindowPort {
 public:
  void ReleaseCapture() override { calls.push_back("ReleaseCapture"); }
  void SendMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
    calls.push_back("SendMessage " + std::to_string(message) + " " + std::to_string(wParam) + " " +
                    std::to_string(lParam));
  }
  void Minimise() override { calls.push_back("Minimise"); }
  void Close() override { calls.push_back("Close"); }
  void ShellExecute(const std::string& operation, const std::string& file,
                    const std::string& parameters, const std::string& directory,
                    int showCommand) override {
    calls.push_back("ShellExecute " + operation + " " + file + " [" + parameters + "] [" +
                    directory + "] " + std::to_string(showCommand));
  }
  std::vector<std::string> calls;
};

// Held by "another copy of the program" while `busy` is set.
class FakeCopyLock : public CopyLock {
 public:
  bool TryAcquire() override { return !busy && !std::exchange(held, true); }
  void Release() override { held = false; }
  bool busy = false;
  bool held = false;
};

// Runs the work at once, on the caller's thread; with `hold` set, keeps
// `finished` until the test calls Finish, as if the copy were still running.
class InlineWorker : public Worker {
 public:
  void Start(std::function<void()> work, std::function<void()> finished) override {
    work();
    pending = std::move(finished);
    if (!hold) Finish();
  }
  void Finish() { std::exchange(pending, nullptr)(); }
  bool hold = false;
  std::function<void()> pending;
};

class RecordingTaskbar : public TaskbarPort {
 public:
  void ShowProgress(std::uint64_t done, std::uint64_t total) override {
    calls.push_back("progress " + std::to_string(done) + "/" + std::to_string(total));
  }
  void ShowError() override { calls.push_back("error"); }
  void Clear() override { calls.push_back("clear"); }
  std::vector<std::string> calls;
};

// Words its dates in English, "9 December 2026 10:03", whatever the machine's settings.
class FixedClock : public Clock {
 public:
  LocalTime Now() override { return now; }
  std::string Words(const LocalTime& at, bool withTime) override {
    static const char* const kMonths[] = {"January",   "February", "March",    "April",
                                          "May",       "June",     "July",     "August",
                                          "September", "October",  "November", "December"};
    std::string words =
        std::to_string(at.day) + " " + kMonths[at.month - 1] + " " + std::to_string(at.year);
    return withTime ? words + " " + TwoDigits(at.hour) + ":" + TwoDigits(at.minute) : words;
  }
  LocalTime now{2026, 12, 7, 9, 5, 3};
};

// Task Scheduler as a test wants it: what was asked of it, and a refusal
// that every call gives while it is set.
class FakeScheduler : public SchedulerPort {
 public:
  std::error_code Register(const TaskToRegister& task) override {
    registered = task;
    if (!refusal)
      state = {true, task.job.at, TaskAction{task.job.application, task.job.parameters}};
    return refusal;
  }
  std::error_code Remove(const std::string& name) override {
    removed = name;
    if (!refusal) state = {};
    return refusal;
  }
  std::error_code Read(const std::string&, ScheduleState& read) override {
    read = state;
    return refusal;
  }
  std::optional<TaskToRegister> registered;
  std::string removed;
  ScheduleState state;
  std::error_code refusal;
};

}  // namespace stowlark

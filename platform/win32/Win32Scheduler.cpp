#include "platform/win32/Win32Scheduler.h"

#include <windows.h>
// The interfaces' identifiers are defined here, where they are used.
#include <initguid.h>
#include <mstask.h>
#include <taskschd.h>

#include "app/Schedule.h"
#include "platform/win32/Com.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Text.h"

namespace stowlark::win32 {
namespace {

// Task Scheduler's own codes are not in the system's table of messages.
class SchedulerCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "task scheduler"; }
  std::string message(int code) const override {
    if (code == SCHED_E_SERVICE_NOT_RUNNING) return "The Task Scheduler service is not running";
    const std::string system = SystemCategory().message(code);
    if (!system.starts_with("system error")) return system;
    char hex[16];
    wsprintfA(hex, "0x%08lX", static_cast<unsigned long>(code));
    return std::string("Task Scheduler error ") + hex;
  }
};

std::error_code Failed(HRESULT result) {
  static const SchedulerCategory category;
  return {static_cast<int>(result), category};
}

bool NotThere(HRESULT result) {
  return result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
         result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

// A string that COM hands across processes: made and freed by oleaut32,
// which is loaded from the system folder like every library not imported.
class Bstr {
 public:
  explicit Bstr(const std::string& text) {
    using Allocate = BSTR(WINAPI*)(const OLECHAR*);
    static const auto allocate = SystemFunction<Allocate>(L"oleaut32.dll", "SysAllocString");
    if (allocate != nullptr) text_ = allocate(Widen(text).c_str());
  }
  Bstr() = default;
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() {
    using Free = void(WINAPI*)(BSTR);
    static const auto free = SystemFunction<Free>(L"oleaut32.dll", "SysFreeString");
    if (text_ != nullptr && free != nullptr) free(text_);
  }
  BSTR Get() const { return text_; }
  BSTR* Put() { return &text_; }
  std::string Text() const { return text_ != nullptr ? Narrow(text_) : std::string(); }

 private:
  BSTR text_ = nullptr;
};

// A string that Task Scheduler 1.0 hands out, freed by COM's allocator.
class TaskText {
 public:
  TaskText() = default;
  TaskText(const TaskText&) = delete;
  TaskText& operator=(const TaskText&) = delete;
  ~TaskText() { CoTaskMemFree(text_); }
  LPWSTR* Put() { return &text_; }
  std::string Text() const { return text_ != nullptr ? Narrow(text_) : std::string(); }

 private:
  LPWSTR text_ = nullptr;
};

VARIANT Empty() {
  VARIANT empty{};
  empty.vt = VT_EMPTY;
  return empty;
}

// Task Scheduler 2.0: the task folder "\", connected as the current user.
HRESULT RootFolder(ComPtr<ITaskFolder>& root) {
  ComPtr<ITaskService> service;
  HRESULT result =
      CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskService),
                       reinterpret_cast<void**>(service.Put()));
  if (SUCCEEDED(result)) result = service->Connect(Empty(), Empty(), Empty(), Empty());
  if (SUCCEEDED(result)) result = service->GetFolder(Bstr("\\").Get(), root.Put());
  return result;
}

HRESULT RegisterTask2(const TaskToRegister& task) {
  ComPtr<ITaskFolder> root;
  HRESULT result = RootFolder(root);
  if (FAILED(result)) return result;
  ComPtr<IRegisteredTask> registered;
  return root->RegisterTask(Bstr(task.name).Get(), Bstr(task.xml).Get(), TASK_CREATE_OR_UPDATE,
                            Empty(), Empty(), TASK_LOGON_INTERACTIVE_TOKEN, Empty(),
                            registered.Put());
}

HRESULT RemoveTask2(const std::string& name) {
  ComPtr<ITaskFolder> root;
  HRESULT result = RootFolder(root);
  if (SUCCEEDED(result)) result = root->DeleteTask(Bstr(name).Get(), 0);
  return NotThere(result) ? S_OK : result;
}

// The time comes from the first trigger and the program from the first
// action, where the system keeps them (Wine keeps neither).
HRESULT ReadTask2(const std::string& name, ScheduleState& state) {
  ComPtr<ITaskFolder> root;
  HRESULT result = RootFolder(root);
  if (FAILED(result)) return result;
  ComPtr<IRegisteredTask> task;
  result = root->GetTask(Bstr(name).Get(), task.Put());
  if (NotThere(result)) return S_OK;
  if (FAILED(result)) return result;
  state.exists = true;
  ComPtr<ITaskDefinition> definition;
  if (FAILED(task->get_Definition(definition.Put()))) return S_OK;
  ComPtr<ITriggerCollection> triggers;
  ComPtr<ITrigger> trigger;
  Bstr boundary;
  LONG count = 0;
  if (SUCCEEDED(definition->get_Triggers(triggers.Put())) &&
      SUCCEEDED(triggers->get_Count(&count)) && count > 0 &&
      SUCCEEDED(triggers->get_Item(1, trigger.Put())) &&
      SUCCEEDED(trigger->get_StartBoundary(boundary.Put()))) {
    state.at = TimeOfStartBoundary(boundary.Text());
  }
  ComPtr<IActionCollection> actions;
  ComPtr<IAction> action;
  ComPtr<IExecAction> exec;
  Bstr program;
  Bstr arguments;
  count = 0;
  if (SUCCEEDED(definition->get_Actions(actions.Put())) && SUCCEEDED(actions->get_Count(&count)) &&
      count > 0 && SUCCEEDED(actions->get_Item(1, action.Put()))) {
    if (SUCCEEDED(action->QueryInterface(IID_IExecAction, reinterpret_cast<void**>(exec.Put())))) {
      exec->get_Path(program.Put());
      exec->get_Arguments(arguments.Put());
    }
    state.action = TaskAction{program.Text(), arguments.Text()};
  }
  return S_OK;
}

HRESULT Scheduler1(ComPtr<ITaskScheduler>& scheduler) {
  return CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                          reinterpret_cast<void**>(scheduler.Put()));
}

std::wstring UserName() {
  wchar_t name[257];
  DWORD size = 257;
  return GetUserNameW(name, &size) ? std::wstring(name) : std::wstring();
}

// Task Scheduler 1.0 keeps one .job file per task; a new one replaces the
// old, since NewWorkItem refuses a name that is taken.
HRESULT RegisterTask1(const TaskToRegister& task) {
  const ScheduledJob& job = task.job;
  ComPtr<ITaskScheduler> scheduler;
  HRESULT result = Scheduler1(scheduler);
  if (FAILED(result)) return result;
  const std::wstring name = Widen(task.name);
  result = scheduler->Delete(name.c_str());
  if (FAILED(result) && !NotThere(result)) return result;
  ComPtr<ITask> item;
  ComPtr<ITaskTrigger> trigger;
  ComPtr<IPersistFile> file;
  WORD index = 0;
  const std::wstring user = UserName();
  TASK_TRIGGER daily{};
  daily.cbTriggerSize = sizeof(daily);
  daily.wBeginYear = static_cast<WORD>(job.firstDay.year);
  daily.wBeginMonth = static_cast<WORD>(job.firstDay.month);
  daily.wBeginDay = static_cast<WORD>(job.firstDay.day);
  daily.wStartHour = static_cast<WORD>(job.at.hour);
  daily.wStartMinute = static_cast<WORD>(job.at.minute);
  daily.TriggerType = TASK_TIME_TRIGGER_DAILY;
  daily.Type.Daily.DaysInterval = 1;
  result = scheduler->NewWorkItem(name.c_str(), CLSID_CTask, IID_ITask,
                                  reinterpret_cast<IUnknown**>(item.Put()));
  if (SUCCEEDED(result)) result = item->SetApplicationName(Widen(job.application).c_str());
  if (SUCCEEDED(result)) result = item->SetParameters(Widen(job.parameters).c_str());
  if (SUCCEEDED(result)) result = item->SetWorkingDirectory(Widen(job.workingFolder).c_str());
  if (SUCCEEDED(result)) result = item->SetFlags(job.flags);
  if (SUCCEEDED(result)) result = item->SetMaxRunTime(job.maxRunTimeMs);
  // Run only while the user is signed in, so no password is needed: null,
  // not an empty one, which would mean a password of no letters.
  if (SUCCEEDED(result)) result = item->SetAccountInformation(user.c_str(), nullptr);
  if (SUCCEEDED(result)) result = item->CreateTrigger(&index, trigger.Put());
  if (SUCCEEDED(result)) result = trigger->SetTrigger(&daily);
  if (SUCCEEDED(result)) {
    result = item->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Put()));
  }
  if (SUCCEEDED(result)) result = file->Save(nullptr, TRUE);
  return result;
}

HRESULT RemoveTask1(const std::string& name) {
  ComPtr<ITaskScheduler> scheduler;
  HRESULT result = Scheduler1(scheduler);
  if (SUCCEEDED(result)) result = scheduler->Delete(Widen(name).c_str());
  return NotThere(result) ? S_OK : result;
}

HRESULT ReadTask1(const std::string& name, ScheduleState& state) {
  ComPtr<ITaskScheduler> scheduler;
  HRESULT result = Scheduler1(scheduler);
  if (FAILED(result)) return result;
  ComPtr<ITask> item;
  result =
      scheduler->Activate(Widen(name).c_str(), IID_ITask, reinterpret_cast<IUnknown**>(item.Put()));
  if (NotThere(result)) return S_OK;
  if (FAILED(result)) return result;
  state.exists = true;
  ComPtr<ITaskTrigger> trigger;
  TASK_TRIGGER daily{};
  daily.cbTriggerSize = sizeof(daily);
  WORD count = 0;
  if (SUCCEEDED(item->GetTriggerCount(&count)) && count > 0 &&
      SUCCEEDED(item->GetTrigger(0, trigger.Put())) && SUCCEEDED(trigger->GetTrigger(&daily))) {
    state.at = DailyTime{daily.wStartHour, daily.wStartMinute};
  }
  TaskText program;
  TaskText arguments;
  if (SUCCEEDED(item->GetApplicationName(program.Put()))) {
    item->GetParameters(arguments.Put());
    state.action = TaskAction{program.Text(), arguments.Text()};
  }
  return S_OK;
}

}  // namespace

bool HasTaskScheduler2() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof(version);
  return GetVersionExW(&version) && version.dwMajorVersion >= 6;
}

std::error_code Win32Scheduler::Register(const TaskToRegister& task) {
  const HRESULT result = HasTaskScheduler2() ? RegisterTask2(task) : RegisterTask1(task);
  return FAILED(result) ? Failed(result) : std::error_code();
}

std::error_code Win32Scheduler::Remove(const std::string& name) {
  const HRESULT result = HasTaskScheduler2() ? RemoveTask2(name) : RemoveTask1(name);
  return FAILED(result) ? Failed(result) : std::error_code();
}

std::error_code Win32Scheduler::Read(const std::string& name, ScheduleState& state) {
  state = {};
  const HRESULT result = HasTaskScheduler2() ? ReadTask2(name, state) : ReadTask1(name, state);
  return FAILED(result) ? Failed(result) : std::error_code();
}

}  // namespace stowlark::win32

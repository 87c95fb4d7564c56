#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, which they need
#include <initguid.h>
#include <mstask.h>
#include <shlobj.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "platform/win32/Com.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32CopyLock.h"
#include "tests/e2e/Fixture.h"

namespace stowlark::e2e {
namespace {

const std::wstring kAppDefaults = L"Software\\Wine\\AppDefaults\\Stowlark.exe";
const wchar_t kJob[] = L"Stowlark backup";

// Starts the Task Scheduler service, as `net start schedule` does, or finds
// it running.
bool StartScheduleService() {
  const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) return false;
  const SC_HANDLE service = OpenServiceW(manager, L"Schedule", SERVICE_START);
  const bool running = service != nullptr && (StartServiceW(service, 0, nullptr) ||
                                              GetLastError() == ERROR_SERVICE_ALREADY_RUNNING);
  if (service != nullptr) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return running;
}

std::string ReadAll(const std::wstring& path) {
  std::ifstream file(win32::Narrow(path).c_str(), std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The task as Task Scheduler 2.0 stores it, in UTF-8 or UTF-16, as UTF-8.
std::string StoredTask(const std::wstring& path) {
  const std::string bytes = ReadAll(path);
  if (!bytes.starts_with("\xFF\xFE")) return bytes;
  return win32::Narrow(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2),
                                    (bytes.size() - 2) / sizeof(wchar_t)));
}

// The folder Task Scheduler 2.0 keeps its tasks in: the system's own, which
// a 32-bit program on 64-bit Windows reaches as "sysnative".
std::wstring TaskStore() {
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  return std::wstring(windows) + (wow64 ? L"\\sysnative\\tasks" : L"\\system32\\tasks");
}

// Task Scheduler 1.0, which Wine keeps whole: the Windows XP road.
win32::ComPtr<ITaskScheduler> Scheduler1() {
  win32::ComPtr<ITaskScheduler> scheduler;
  CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                   reinterpret_cast<void**>(scheduler.Put()));
  return scheduler;
}

win32::ComPtr<ITask> Job() {
  win32::ComPtr<ITask> job;
  if (const auto scheduler = Scheduler1()) {
    scheduler->Activate(kJob, IID_ITask, reinterpret_cast<IUnknown**>(job.Put()));
  }
  return job;
}

std::wstring JobText(HRESULT (STDMETHODCALLTYPE ITask::*get)(LPWSTR*)) {
  const auto job = Job();
  LPWSTR got = nullptr;
  std::wstring value = job && SUCCEEDED((job.Get()->*get)(&got)) && got != nullptr ? got : L"";
  CoTaskMemFree(got);
  return value;
}

// A job at Stowlark's name, daily at 09:00, written as any program may.
void WriteJob(const std::wstring& application, const std::wstring& parameters) {
  const auto scheduler = Scheduler1();
  ASSERT_TRUE(scheduler);
  win32::ComPtr<ITask> job;
  win32::ComPtr<ITaskTrigger> trigger;
  win32::ComPtr<IPersistFile> file;
  WORD index = 0;
  TASK_TRIGGER daily{};
  daily.cbTriggerSize = sizeof(daily);
  daily.wBeginYear = 2026;
  daily.wBeginMonth = daily.wBeginDay = 1;
  daily.wStartHour = 9;
  daily.TriggerType = TASK_TIME_TRIGGER_DAILY;
  daily.Type.Daily.DaysInterval = 1;
  ASSERT_EQ(
      scheduler->NewWorkItem(kJob, CLSID_CTask, IID_ITask, reinterpret_cast<IUnknown**>(job.Put())),
      S_OK);
  EXPECT_EQ(job->SetApplicationName(application.c_str()), S_OK);
  EXPECT_EQ(job->SetParameters(parameters.c_str()), S_OK);
  ASSERT_EQ(job->CreateTrigger(&index, trigger.Put()), S_OK);
  EXPECT_EQ(trigger->SetTrigger(&daily), S_OK);
  ASSERT_EQ(job->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Put())), S_OK);
  EXPECT_EQ(file->Save(nullptr, TRUE), S_OK);
}

class ScheduleTest : public StowlarkFixture {
 protected:
  void SetUp() override {
    StowlarkFixture::SetUp();
    // A prefix just made answers "Service database locked" for a while.
    ASSERT_TRUE(WaitFor(StartScheduleService, 60));
    WriteText(MessengerFolder() + L"\\alice@example.com\\smile.png", "smile");
  }
  void TearDown() override {
    Run(L"/schedule:off");
    // Another program's job, which Stowlark leaves.
    const win32::ComApartment com;
    if (const auto scheduler = Scheduler1()) scheduler->Delete(kJob);
    RegDeleteKeyW(HKEY_CURRENT_USER, kAppDefaults.c_str());
    StowlarkFixture::TearDown();
  }
  // Tells Stowlark.exe alone that it runs on Windows XP.
  void PretendWindowsXp() {
    const wchar_t* version = sizeof(void*) == 8 ? L"winxp64" : L"winxp";
    RegSetKeyValueW(HKEY_CURRENT_USER, kAppDefaults.c_str(), L"Version", REG_SZ, version,
                    static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
  }
  std::wstring Log() const { return LocalAppData() + L"\\Stowlark\\Automatic backups.log"; }
};

TEST_F(ScheduleTest, TheDailyTaskIsRegisteredWithItsSettingsToldReplacedAndRemoved) {
  const std::wstring task = TaskStore() + L"\\Stowlark backup";
  Ran ran = Run(L"/schedule:daily /at:07:30", nullptr, true);
  EXPECT_EQ(ran.code, 0u);
  ran = Run(L"/schedule:daily /at:07:30");
  EXPECT_EQ(ran.output, "Automatic backup: every day at 07:30.\r\n");
  const std::string stored = StoredTask(task);
  for (const char* setting : {"<StartWhenAvailable>true</StartWhenAvailable>",
                              "<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
                              "<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>",
                              "<ExecutionTimeLimit>PT2H</ExecutionTimeLimit>",
                              "<MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>"}) {
    EXPECT_NE(stored.find(setting), std::string::npos) << setting << "\n" << stored;
  }
  // Wine keeps no trigger of a 2.0 task, so its time may not be told.
  ran = Run(L"/schedule");
  EXPECT_EQ(ran.code, 0u);
  EXPECT_TRUE(
      std::regex_match(ran.output, std::regex("Automatic backup: every day( at 07:30)?\\.\r\n")))
      << ran.output;

  EXPECT_EQ(Run(L"/schedule:off").output, "Automatic backup: off.\r\n");
  EXPECT_EQ(GetFileAttributesW(task.c_str()), INVALID_FILE_ATTRIBUTES);
  ran = Run(L"/schedule:off");
  EXPECT_EQ(ran.code, 0u);
  EXPECT_EQ(Run(L"/schedule").output, "Automatic backup: off.\r\n");
  // Refused in one line, with no box even for nobody reading.
  ran = Run(L"/schedule:daily /backup", nullptr, true);
  EXPECT_EQ(ran.code, 4u);
  EXPECT_EQ(Run(L"/schedule:daily /at:24:00").output,
            "The switch /at takes a time of day from 00:00 to 23:59, as /at:12:00.\r\n");
}

// Alt+Space, then B: the menu's item turns the daily backup on and off, and
// a box says what is now true.
TEST_F(ScheduleTest, TheWindowsMenuItemTurnsTheDailyBackupOnAndOff) {
  RunningStowlark program;
  ASSERT_TRUE(WaitForFocus(program.Window()));
  for (const bool on : {true, false}) {
    // Wine keeps a menu to its own process, so its check mark cannot be
    // read from here; the form's test checks what it is set from.
    ASSERT_TRUE(ChooseFromWindowMenu('B'));
    const auto box = program.AnswerMessageBox();
    EXPECT_EQ(box.title, L"Backup");
    EXPECT_TRUE(box.text.starts_with(on ? L"Stowlark will back up your messenger's items every "
                                          L"day at 12:00"
                                        : L"Automatic backups are off."))
        << win32::Narrow(box.text);
    EXPECT_EQ(Run(L"/schedule").output.starts_with("Automatic backup: every day"), on);
  }
}

// Nobody may be there to click: the balloon goes by itself, and the run
// then ends with its own code.
TEST_F(ScheduleTest, AnAutomaticRunThatDoesNotFinishShowsABalloonForAboutTenSecondsAndEnds) {
  const std::wstring smile = MessengerFolder() + L"\\alice@example.com\\smile.png";
  const HANDLE held =
      CreateFileW(smile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const DWORD start = GetTickCount();
  const Ran ran = Run(L"/backup /quiet /automatic", nullptr, true);
  const DWORD took = GetTickCount() - start;
  CloseHandle(held);
  EXPECT_EQ(ran.code, 2u);
  EXPECT_GE(took, 9500u);
  EXPECT_LT(took, 40000u);
  EXPECT_NE(ReadAll(Log()).find("Backup finished: 0 added, 0 replaced, 0 unchanged, 1 not copied."),
            std::string::npos);
  const DWORD again = GetTickCount();
  EXPECT_EQ(Run(L"/backup /quiet /automatic", nullptr, true).code, 0u);
  EXPECT_LT(GetTickCount() - again, 9500u) << "a complete run shows no balloon";
}

// An automatic run that cannot start is told as one that did not finish:
// with its reason, by balloon, and by the next window. A second run while
// another holds the one-run lock and the log says so, not that the log is
// held; a registry with no usable folder for the log takes the system's.
TEST_F(ScheduleTest, AnAutomaticRunThatCannotStartEndsWithFourABalloonAndItsReason) {
  ASSERT_EQ(Run(L"/backup /quiet /automatic").code, 0u);
  win32::UniqueFile log(win32::ValidOrNull(
      CreateFileW(Log().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
  ASSERT_TRUE(log);
  const auto refused = [&](const std::string& reason) {
    const DWORD start = GetTickCount();
    const Ran ran = Run(L"/backup /quiet /automatic");
    EXPECT_EQ(ran.code, 4u);
    EXPECT_TRUE(ran.output.starts_with(reason)) << ran.output;
    EXPECT_GE(GetTickCount() - start, 9500u) << "the balloon shows for about ten seconds";
  };
  refused("The log file cannot be written: " + win32::Narrow(Log()) + ": ");
  {
    const win32::UniqueFile running(CreateMutexW(nullptr, TRUE, win32::CopyLockName().c_str()));
    refused("Another backup or restore is running. Try again when it has finished.\r\n");
  }
  RunningStowlark window;
  const auto box = window.AnswerMessageBox();
  EXPECT_TRUE(std::regex_match(win32::Narrow(box.text),
                               std::regex("The automatic backup of [-0-9: ]+ did not finish:\r\n"
                                          "Another backup or restore is running\\. Try again "
                                          "when it has finished\\.")))
      << win32::Narrow(box.text);

  log.Reset();
  // No value in either key: the system's own folder, which asking for it
  // writes back into "Shell Folders", taken out again for the program.
  const auto forget = [] {
    for (const wchar_t* key : {L"Shell Folders", L"User Shell Folders"}) {
      RegDeleteKeyValueW(
          HKEY_CURRENT_USER,
          (std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\") + key).c_str(),
          L"Local AppData");
    }
  };
  forget();
  wchar_t local[MAX_PATH];
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local), S_OK);
  forget();
  const std::wstring systemLog = std::wstring(local) + L"\\Stowlark\\Automatic backups.log";
  DeleteFileW(systemLog.c_str());
  EXPECT_EQ(Run(L"/backup /quiet /automatic").code, 0u);
  EXPECT_NE(ReadAll(systemLog).find("Backup finished"), std::string::npos);
  DeleteFileW(systemLog.c_str());
}

// On Windows XP the job holds what Task Scheduler 1.0 needs to run the
// backup by itself; started as its scheduler starts it, the job backs up and
// logs, and a run that does not finish is told once by the next window.
TEST_F(ScheduleTest, OnWindowsXpTheJobBacksUpByItselfAndAFailureIsToldOnce) {
  PretendWindowsXp();
  EXPECT_EQ(Run(L"/schedule:daily /at:07:30").output, "Automatic backup: every day at 07:30.\r\n");
  EXPECT_EQ(Run(L"/schedule").output, "Automatic backup: every day at 07:30.\r\n");

  const win32::ComApartment com;
  const auto job = Job();
  ASSERT_TRUE(job);
  EXPECT_EQ(JobText(&ITask::GetApplicationName), ProgramFolder() + L"\\Stowlark.exe");
  EXPECT_EQ(JobText(&ITask::GetParameters), L"/backup /quiet /automatic");
  EXPECT_EQ(JobText(&ITask::GetWorkingDirectory), ProgramFolder());
  DWORD flags = 0;
  EXPECT_EQ(job->GetFlags(&flags), S_OK);
  EXPECT_EQ(flags & (TASK_FLAG_RUN_ONLY_IF_LOGGED_ON | TASK_FLAG_DONT_START_IF_ON_BATTERIES |
                     TASK_FLAG_KILL_IF_GOING_ON_BATTERIES),
            static_cast<DWORD>(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON));
  DWORD limit = 0;
  EXPECT_EQ(job->GetMaxRunTime(&limit), S_OK);
  EXPECT_EQ(limit, 2u * 60 * 60 * 1000);
  win32::ComPtr<ITaskTrigger> trigger;
  ASSERT_EQ(job->GetTrigger(0, trigger.Put()), S_OK);
  TASK_TRIGGER daily{};
  daily.cbTriggerSize = sizeof(daily);
  ASSERT_EQ(trigger->GetTrigger(&daily), S_OK);
  EXPECT_EQ(daily.TriggerType, TASK_TIME_TRIGGER_DAILY);
  EXPECT_EQ(daily.Type.Daily.DaysInterval, 1);
  EXPECT_EQ(daily.wStartHour * 60 + daily.wStartMinute, 7 * 60 + 30);

  // Started as Wine's scheduler starts a job: with its parameters alone.
  const auto finishedRuns = [&] {
    const std::string log = ReadAll(Log());
    int count = 0;
    for (auto at = log.find("Backup finished"); at != std::string::npos;
         at = log.find("Backup finished", at + 1)) {
      ++count;
    }
    return count;
  };
  ASSERT_EQ(job->Run(), S_OK);
  ASSERT_TRUE(WaitFor([&] { return finishedRuns() == 1; }, 120)) << ReadAll(Log());
  EXPECT_EQ(ReadText(BackupFolder() + L"\\alice@example.com\\smile.png"), "smile");
  {
    RunningStowlark window;
    ASSERT_NE(window.Window(), nullptr);
    EXPECT_FALSE(window.HasMessageBox()) << "a complete backup is not told";
  }

  WriteText(MessengerFolder() + L"\\alice@example.com\\smile.png", "a newer smile");
  const std::wstring smile = MessengerFolder() + L"\\alice@example.com\\smile.png";
  const HANDLE held =
      CreateFileW(smile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_EQ(job->Run(), S_OK);
  const bool ran = WaitFor([&] { return finishedRuns() == 2; }, 120);
  CloseHandle(held);
  ASSERT_TRUE(ran) << ReadAll(Log());
  EXPECT_NE(ReadAll(Log()).find("Not copied: " + win32::Narrow(smile)), std::string::npos);
  for (const bool first : {true, false}) {
    RunningStowlark window;
    ASSERT_NE(window.Window(), nullptr);
    if (!first) {
      EXPECT_FALSE(window.HasMessageBox()) << "told once only";
      continue;
    }
    const auto box = window.AnswerMessageBox();
    EXPECT_EQ(box.title, L"Backup");
    EXPECT_TRUE(std::regex_search(
        win32::Narrow(box.text),
        std::regex("^The automatic backup of \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d did not "
                   "finish:\r\nBackup finished: 0 added, 0 replaced, 0 unchanged, 1 not "
                   "copied\\.\r\n\r\nWhat it did is written in its log:\r\n")))
        << win32::Narrow(box.text);
    EXPECT_TRUE(box.text.ends_with(Log())) << win32::Narrow(box.text);
  }
  EXPECT_EQ(Run(L"/schedule:off").output, "Automatic backup: off.\r\n");
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(GetFileAttributesW((std::wstring(windows) + L"\\tasks\\Stowlark backup.job").c_str()),
            INVALID_FILE_ATTRIBUTES);
}

// Another program's job at the name is told, left by /schedule:off (which
// the uninstaller runs), and never replaced: not by /schedule:daily, not by
// the window's menu item.
TEST_F(ScheduleTest, OnWindowsXpAnotherProgramsJobAtTheNameIsToldAndLeftAlone) {
  PretendWindowsXp();
  const win32::ComApartment com;
  WriteJob(L"C:\\windows\\notepad.exe", L"");
  const std::string reason =
      "A task named \"Stowlark backup\" belongs to another program (it starts "
      "C:\\windows\\notepad.exe).";
  for (const wchar_t* ask : {L"/schedule", L"/schedule:off"}) {
    const Ran ran = Run(ask);
    EXPECT_EQ(ran.code, 0u) << win32::Narrow(ask);
    EXPECT_EQ(ran.output, "Automatic backup: off. " + reason + "\r\n") << win32::Narrow(ask);
  }
  const Ran refused = Run(L"/schedule:daily");
  EXPECT_EQ(refused.code, 4u);
  EXPECT_EQ(refused.output, "Automatic backup could not be turned on: " + reason + "\r\n");
  {
    RunningStowlark program;
    ASSERT_TRUE(WaitForFocus(program.Window()));
    ASSERT_TRUE(ChooseFromWindowMenu('B'));
    EXPECT_EQ(win32::Narrow(program.AnswerMessageBox().text),
              "Automatic backup could not be turned on: " + reason);
  }
  EXPECT_EQ(JobText(&ITask::GetApplicationName), L"C:\\windows\\notepad.exe");
}

// Stowlark's job that starts another copy is told, and told as missing once
// that copy is gone; this program's /schedule:daily points it here.
TEST_F(ScheduleTest, OnWindowsXpAJobOfAMovedCopyIsToldAndPointedHere) {
  PretendWindowsXp();
  const win32::ComApartment com;
  const std::wstring copy = Root() + L"\\Old\\Stowlark.exe";
  CreateDirectoryW((Root() + L"\\Old").c_str(), nullptr);
  ASSERT_TRUE(CopyFileW((ProgramFolder() + L"\\Stowlark.exe").c_str(), copy.c_str(), FALSE));
  WriteJob(copy, L"/backup /quiet /automatic");
  const std::string starts =
      "Automatic backup: every day at 09:00, but it starts " + win32::Narrow(copy);
  EXPECT_EQ(Run(L"/schedule").output, starts + ".\r\n");
  ASSERT_TRUE(DeleteFileW(copy.c_str()));
  EXPECT_EQ(Run(L"/schedule").output, starts + ", which is missing.\r\n");
  EXPECT_EQ(Run(L"/schedule:daily /at:07:30").output, "Automatic backup: every day at 07:30.\r\n");
  EXPECT_EQ(JobText(&ITask::GetApplicationName), ProgramFolder() + L"\\Stowlark.exe");
  EXPECT_EQ(Run(L"/schedule").output, "Automatic backup: every day at 07:30.\r\n");
}

}  // namespace
}  // namespace stowlark::e2e

#include "app/win32/CommandRun.h"

#include <shlobj.h>

#include <atomic>

#include "app/LogPath.h"
#include "app/frmBackup.h"
#include "app/win32/MainWindow.h"
#include "app/win32/ResourceIds.h"
#include "backup/FolderOps.h"
#include "platform/win32/Com.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Balloon.h"
#include "platform/win32/Win32Scheduler.h"
#include "settings/AutomaticRecord.h"
#include "settings/FolderLocations.h"

namespace stowlark {
namespace {

constexpr wchar_t kQuietWindowClass[] = L"StowlarkQuietRun";
// Long enough to be read, short enough that a scheduled run soon ends.
constexpr UINT kBalloonMs = 10000;
constexpr UINT_PTR kBalloonTimer = 0x5B;

void WriteAll(HANDLE file, const std::string& text) {
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char text[32];
  wsprintfA(text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
            now.wMinute, now.wSecond);
  return text;
}

// What a run without a window needs of no window, taskbar or box.
class NoBoxes : public MessagePort {
 public:
  void ShowMessage(const std::string&, int, const std::optional<std::string>&) override {}
  bool Ask(const std::string&, const std::string&) override { return false; }
};
class NoWindow : public WindowPort {
 public:
  void ReleaseCapture() override {}
  void SendMessage(std::uint32_t, std::uintptr_t, std::intptr_t) override {}
  void Minimise() override {}
  void Close() override {}
  void ShellExecute(const std::string&, const std::string&, const std::string&, const std::string&,
                    int) override {}
};
class NoTaskbar : public TaskbarPort {
 public:
  void ShowProgress(std::uint64_t, std::uint64_t) override {}
  void ShowError() override {}
  void Clear() override {}
};

// The console's control handler is called on a thread of its own with no
// context: this is the one window it can reach, and the sign it waits for.
std::atomic<HWND> consoleWindow{nullptr};
win32::UniqueFile runEnded;

BOOL WINAPI OnConsoleControl(DWORD event) {
  const HWND window = consoleWindow.load();
  if (window == nullptr) return FALSE;
  PostMessageW(window, WM_CLOSE, 0, 0);
  // Past a close of the console, the system ends the program when this returns.
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
    WaitForSingleObject(runEnded.Get(), kEndSessionWaitMs);
  }
  return TRUE;
}

// A backup or restore with no window at all, run by the same form as the
// window's. An invisible top-level window hears the session's end, which a
// message-only window is not told of.
class QuietRun {
 public:
  static int Run(HINSTANCE instance, const CommandRun& command) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kQuietWindowClass;
    RegisterClassExW(&windowClass);
    const HWND window =
        CreateWindowExW(0, kQuietWindowClass, L"Stowlark", WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                        nullptr, instance, const_cast<CommandRun*>(&command));
    if (window == nullptr) return ExitCode(RunResult::NotStarted);
    runEnded = win32::UniqueFile(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    consoleWindow = window;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    reinterpret_cast<QuietRun*>(GetWindowLongPtrW(window, GWLP_USERDATA))->Start();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    consoleWindow = nullptr;
    DestroyWindow(window);
    return static_cast<int>(message.wParam);
  }

 private:
  QuietRun(HWND window, const CommandRun& command)
      : window_(window),
        worker_(window, kCopyDone, kProgressTickMs),
        form_({registry_, boxes_, noWindow_, files_, lock_, worker_, taskbar_, clock_, scheduler_}),
        command_(command) {
    form_.LimitRuns({command.line.accounts, command.line.preview, command.line.automatic,
                     command.line.from, command.line.asOf, command.line.items});
    form_.BeforeRun([this] { return command_.Starting(); });
    form_.OnRunEnded([this](const Outcome& outcome) {
      exitCode_ = command_.Ended(outcome);
      SetEvent(runEnded.Get());
      // An automatic backup that did not finish says so at once, in a
      // balloon that waits for no click, then ends with its code.
      if (!command_.notice.empty() && balloon_.Show(window_, Icon(), "Stowlark", command_.notice)) {
        SetTimer(window_, kBalloonTimer, kBalloonMs, nullptr);
        return;
      }
      PostQuitMessage(exitCode_);
    });
  }

  HICON Icon() const {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_STOWLARK),
                                         IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<QuietRun*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      self = new QuietRun(window, *static_cast<const CommandRun*>(create->lpCreateParams));
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      delete self;
      self = nullptr;
    }
    return self != nullptr ? self->Handle(window, message, wParam, lParam)
                           : DefWindowProcW(window, message, wParam, lParam);
  }

  void Start() {
    form_.Load();
    form_.RunCommand(command_.Go());
  }

  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case kCopyDone:
        worker_.Finish();
        return 0;
      case WM_CLOSE:
        form_.StopCopy();
        return 0;
      case WM_QUERYENDSESSION:
        form_.StopCopy();
        return TRUE;
      case WM_TIMER:
        if (wParam != kBalloonTimer) break;
        KillTimer(window, kBalloonTimer);
        PostQuitMessage(exitCode_);
        return 0;
      case WM_ENDSESSION:
        if (wParam) OnEndSession();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  // The copy stops after the file in hand and the run is told as any other;
  // the program ends before the system would end it.
  [[noreturn]] void OnEndSession() {
    form_.StopCopy();
    if (worker_.WaitForWork(kEndSessionWaitMs)) worker_.Finish();
    ExitProcess(exitCode_ >= 0 ? exitCode_ : ExitCode(RunResult::Stopped));
  }

  HWND window_;
  win32::Balloon balloon_;
  win32::Win32Registry registry_;
  NoBoxes boxes_;
  NoWindow noWindow_;
  win32::Win32FileSystem files_;
  win32::Win32CopyLock lock_;
  win32::Win32Worker worker_;
  NoTaskbar taskbar_;
  win32::Win32Clock clock_;
  win32::Win32Scheduler scheduler_;
  frmBackup form_;
  const CommandRun& command_;
  int exitCode_ = -1;
};

// Said on the command line's output, and in a box when nothing reads that
// output and no /quiet forbids boxes.
int Refuse(CommandOutput& output, bool quiet, const std::vector<std::string>& lines, int code) {
  output.Write(lines);
  if (!quiet && !output.HasReader()) {
    std::string text;
    for (const auto& line : lines) text += (text.empty() ? "" : "\r\n") + line;
    // A box's font is proportional: the usage's columns would not line up.
    if (lines.size() == 1 && lines.front() == UsageText()) text = WithoutColumns(text);
    MessageBoxW(nullptr, win32::Widen(text).c_str(), L"Stowlark",
                code == 0 ? MB_ICONINFORMATION : MB_ICONERROR);
  }
  return code;
}

// Opened only where a log may go, so that a refused one leaves nothing behind.
std::optional<std::string> OpenAllowedLog(CommandOutput& output, const std::string& path) {
  win32::Win32Registry settings;
  NoBoxes boxes;
  WriteRegistry registry(settings, boxes);
  win32::Win32FileSystem files;
  if (auto refused = LogPathRefusal(files, registry, path)) return refused;
  return output.OpenLog(path);
}

// The user's local application data as the system gives it, for a
// registry whose value is missing or not a full path.
std::string SystemLocalAppData() {
  using Function = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
  const auto folderPath = win32::SystemFunction<Function>(L"shell32.dll", "SHGetFolderPathW");
  wchar_t path[MAX_PATH] = L"";
  if (folderPath == nullptr || FAILED(folderPath(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path))) {
    return {};
  }
  return win32::Narrow(path);
}

// The automatic backup's log, in a folder of the program's own below the
// user's local application data, made when missing.
std::string AutomaticLog() {
  win32::Win32Registry settings;
  NoBoxes boxes;
  WriteRegistry registry(settings, boxes);
  win32::Win32FileSystem files;
  const std::string log = AutomaticLogPath(files, registry, SystemLocalAppData);
  if (!log.empty()) MakeFolder(files, ParentFolder(log));
  return log;
}

// For the window to tell when it next opens, should the run not have
// finished; what the balloon then says.
std::string RecordAutomaticBackup(const Outcome& outcome, const std::string& log) {
  win32::Win32Registry registry;
  win32::Win32Clock clock;
  const AutomaticRecord record = RecordOfAutomaticRun(outcome, clock.Now(), log);
  WriteAutomaticRecord(registry, record);
  return NoticeDue(record) ? record.summary : "";
}

// A place typed in a "\\?\" form is taken by the plain path it names, so
// that a mapped drive's letter is turned into its share too; one that names
// none is left as it is, to be refused.
std::string PlacePath(win32::Win32FileSystem& files, const std::string& typed) {
  if (typed.empty()) return "";
  const auto plain = PlainPlacePath(files.Resolve(typed));
  return plain ? win32::UniversalPath(files.Resolve(*plain)) : typed;
}

// Sets or stops the copy away from this disk, or tells how it stands, in one line.
int RunCopyTo(CommandOutput& output, const CommandLine& line) {
  win32::Win32Registry registry;
  NoBoxes boxes;
  WriteRegistry settings(registry, boxes);
  win32::Win32FileSystem files;
  const std::string path = PlacePath(files, line.copyToPath);
  const CopyToAnswer answer = AnswerCopyTo(files, settings, registry, *line.copyTo, path);
  output.Write({answer.line});
  return answer.done ? 0 : ExitCode(RunResult::NotStarted);
}

// Turns the daily backup on or off, or tells how it stands, in one line.
int RunSchedule(CommandOutput& output, const CommandLine& line) {
  const win32::ComApartment com;
  win32::Win32Scheduler scheduler;
  win32::Win32Clock clock;
  win32::Win32FileSystem files;
  const ScheduleAnswer answer =
      AnswerSchedule(scheduler, files, *line.schedule, line.at, ProgramPath(), clock.Now());
  output.Write({answer.line});
  return answer.done ? 0 : ExitCode(RunResult::NotStarted);
}

}  // namespace

std::string ProgramPath() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return win32::Narrow(path);
}

std::vector<std::string> ProgramArguments() {
  const wchar_t* line = GetCommandLineW();
  while (*line == L' ' || *line == L'\t') ++line;
  const bool startsWithSwitch = *line == L'/' || *line == L'-';
  const wchar_t* rest = line;
  if (*rest == L'"') {
    do ++rest;
    while (*rest != L'\0' && *rest != L'"');
    if (*rest == L'"') ++rest;
  }
  while (*rest != L'\0' && *rest != L' ' && *rest != L'\t') ++rest;
  while (*rest == L' ' || *rest == L'\t') ++rest;
  if (*rest == L'\0' && !startsWithSwitch) return {};
  using Split = LPWSTR*(WINAPI*)(LPCWSTR, int*);
  const auto split = win32::SystemFunction<Split>(L"shell32.dll", "CommandLineToArgvW");
  int count = 0;
  LPWSTR* words = split != nullptr ? split(line, &count) : nullptr;
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(win32::Narrow(words[i]));
  LocalFree(words);
  return ArgumentsAfterProgram(std::move(arguments));
}

CommandOutput::CommandOutput() {
  for (const DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    const HANDLE standard = GetStdHandle(which);
    const DWORD type = standard != nullptr && standard != INVALID_HANDLE_VALUE
                           ? GetFileType(standard)
                           : FILE_TYPE_UNKNOWN;
    if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
      out_ = standard;
      return;
    }
  }
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  console_out_ = win32::UniqueFile(win32::ValidOrNull(
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr)));
  out_ = console_out_.Get();
  console_ = out_ != nullptr;
}

std::optional<std::string> CommandOutput::OpenLog(const std::string& path) {
  log_ = win32::UniqueFile(win32::ValidOrNull(
      CreateFileW(win32::Widen(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));
  LARGE_INTEGER size{};
  if (!log_ || !GetFileSizeEx(log_.Get(), &size)) {
    return "The log file cannot be written: " + path + ": " + win32::LastError().message();
  }
  if (size.QuadPart == 0) WriteAll(log_.Get(), "\xEF\xBB\xBF");
  return std::nullopt;
}

void CommandOutput::Write(const std::vector<std::string>& lines) {
  const std::string now = log_ ? Now() : "";
  for (const auto& line : lines) {
    if (console_) {
      const std::wstring text = win32::Widen(line + "\r\n");
      DWORD written = 0;
      WriteConsoleW(out_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } else if (out_ != nullptr) {
      WriteAll(out_, line + "\r\n");
    }
    if (log_) WriteAll(log_.Get(), now + " " + line + "\r\n");
  }
}

const Control& CommandRun::Go() const {
  return FindControl(line.run == RunKind::Backup ? "imgBackup" : "imgRestore");
}

std::optional<std::string> CommandRun::Starting() const {
  if (!noLog.empty()) return noLog;
  if (line.logFile.empty()) return std::nullopt;
  return OpenAllowedLog(output, line.logFile);
}

int CommandRun::Ended(const Outcome& outcome) const {
  const std::vector<std::string> lines = ReportLines(*line.run, outcome, line.preview);
  output.Write(lines);
  const int code = ExitCode(outcome.result);
  if (line.automatic) notice = RecordAutomaticBackup(outcome, output.Logging() ? line.logFile : "");
  return code;
}

int RunCommandLine(HINSTANCE instance, int showCommand, const std::vector<std::string>& arguments) {
  CommandOutput output;
  const auto parsed = ParseCommandLine(arguments);
  // Whatever it answers, the schedule's or the copy's one line goes to the
  // output alone.
  if (AsksForOneLine(arguments)) {
    const auto* line = std::get_if<CommandLine>(&parsed);
    if (line == nullptr || line->usage) {
      output.Write({line != nullptr ? UsageText() : std::get<std::string>(parsed)});
      return line != nullptr ? 0 : ExitCode(RunResult::NotStarted);
    }
    return line->copyTo ? RunCopyTo(output, *line) : RunSchedule(output, *line);
  }
  if (const auto* error = std::get_if<std::string>(&parsed)) {
    return Refuse(output, AsksForQuiet(arguments), {*error, "Stowlark.exe /? shows how to use it."},
                  ExitCode(RunResult::NotStarted));
  }
  CommandLine line = std::get<CommandLine>(parsed);
  if (line.usage) return Refuse(output, line.quiet, {UsageText()}, 0);
  std::string noLog;
  if (line.automatic && line.logFile.empty()) {
    line.logFile = AutomaticLog();
    if (line.logFile.empty()) {
      noLog =
          "The automatic backup's log cannot be written: no folder for local application "
          "data was found.";
    }
  }
  const CommandRun command{line, output, noLog};
  if (command.line.quiet) return QuietRun::Run(instance, command);
  return MainWindow::Run(instance, showCommand, &command);
}

}  // namespace stowlark

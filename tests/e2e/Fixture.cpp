#include "tests/e2e/Fixture.h"

#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"
#include "tests/WineUnix.h"

namespace stowlark::e2e {
namespace {

// Both, as on a user's machine: the shell rewrites "Shell Folders" from
// "User Shell Folders" whenever it looks a folder up (the folder picker does).
const wchar_t* const kShellFolderKeys[] = {
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"};
const wchar_t* const kShellFolderNames[] = {L"Personal", L"AppData", L"Local AppData"};

void SetShellFolder(const wchar_t* name, const std::wstring& value) {
  for (const wchar_t* key : kShellFolderKeys) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
}

void MakeParents(const std::wstring& path) {
  for (auto at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  }
}

}  // namespace

void StowlarkFixture::SetUp() {
  // What earlier tests left the program to remember (its last backup, a
  // copy's place) is no concern of this one's.
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Stowlark");
  // Coordinates and captures in the program's own pixels, at any density.
  SetProcessDPIAware();
  for (const wchar_t* key : kShellFolderKeys) {
    for (const wchar_t* name : kShellFolderNames) {
      SavedValue saved{key, name, REG_NONE, std::vector<BYTE>(4096)};
      DWORD size = static_cast<DWORD>(saved.data.size());
      if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY | RRF_NOEXPAND, &saved.type,
                       saved.data.data(), &size) == ERROR_SUCCESS) {
        saved.data.resize(size);
        saved_.push_back(std::move(saved));
      }
    }
  }
  root_ = L"C:\\stowlark-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(GetTickCount());
  CreateDirectoryW(root_.c_str(), nullptr);
  CreateDirectoryW((root_ + L"\\Home").c_str(), nullptr);
  CreateDirectoryW((root_ + L"\\Home\\Documents").c_str(), nullptr);
  testing_support::UnixLink(win32::Narrow(root_ + L"\\Home"), win32::Narrow(root_ + L"\\Linked"));
  const std::wstring appData = root_ + L"\\Application Data";
  CreateDirectoryW(appData.c_str(), nullptr);
  wchar_t shortName[MAX_PATH];
  appData_ = GetShortPathNameW(appData.c_str(), shortName, MAX_PATH) ? shortName : appData;
  SetShellFolder(L"Personal", Documents());
  SetShellFolder(L"AppData", AppData());
  CreateDirectoryW((root_ + L"\\Local Settings").c_str(), nullptr);
  CreateDirectoryW(LocalAppData().c_str(), nullptr);
  SetShellFolder(L"Local AppData", LocalAppData());
}

void StowlarkFixture::SetDocuments(const std::wstring& folder) {
  SetShellFolder(L"Personal", folder);
}

void StowlarkFixture::TearDown() {
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Stowlark");
  for (const wchar_t* key : kShellFolderKeys) {
    for (const wchar_t* name : kShellFolderNames) RegDeleteKeyValueW(HKEY_CURRENT_USER, key, name);
  }
  for (const auto& saved : saved_) {
    RegSetKeyValueW(HKEY_CURRENT_USER, saved.key, saved.name, saved.type, saved.data.data(),
                    static_cast<DWORD>(saved.data.size()));
  }
  testing_support::UnixRemoveTree(win32::Narrow(root_));
}

void WriteText(const std::wstring& path, const std::string& content) {
  MakeParents(path);
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot write the test file";
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

void WriteSparse(const std::wstring& path, LONGLONG size) {
  WriteText(path, "");
  const win32::UniqueFile file(win32::ValidOrNull(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
  LARGE_INTEGER end;
  end.QuadPart = size;
  ASSERT_TRUE(SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get()));
}

std::optional<std::string> ReadText(const std::wstring& path) {
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string content(static_cast<std::size_t>(GetFileSize(file, nullptr)), '\0');
  DWORD got = 0;
  ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &got, nullptr);
  CloseHandle(file);
  content.resize(got);
  return content;
}

namespace {

void AddToSnapshot(const std::wstring& root, const std::wstring& relative,
                   std::map<std::wstring, std::string>& tree) {
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW((root + relative + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = relative + L"\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      tree[path + L"\\"] = "";
      AddToSnapshot(root, path, tree);
    } else {
      tree[path] = ReadText(root + path).value_or("<unreadable>");
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

}  // namespace

std::map<std::wstring, std::string> Snapshot(const std::wstring& root) {
  std::map<std::wstring, std::string> tree;
  AddToSnapshot(root, L"", tree);
  return tree;
}

std::map<std::wstring, std::string> StowlarkFixture::BackupTree() const {
  auto tree = Snapshot(BackupFolder());
  EXPECT_EQ(tree.erase(L"\\Stowlark backup.txt"), 1u) << "the backup is marked";
  return tree;
}

Ran StowlarkFixture::Run(const std::wstring& arguments, const std::function<void(HANDLE)>& during,
                         bool unread) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  // A file of its own each time, read sharing everything: after some runs
  // of the window, Wine was seen to keep an output file open elsewhere.
  const std::wstring outputPath =
      temp + std::wstring(L"stowlark-output-") + std::to_wstring(++runs_) + L".txt";
  Ran ran;
  {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    const win32::UniqueFile output(win32::ValidOrNull(
        CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                    CREATE_ALWAYS, 0, nullptr)));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = unread ? nullptr : output.Get();
    std::wstring command = L"\"" + ProgramFolder() + L"\\Stowlark.exe\" " + arguments;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE,
                        unread ? DETACHED_PROCESS : 0, nullptr, nullptr, &startup, &process)) {
      ADD_FAILURE() << "Stowlark.exe did not start";
      return ran;
    }
    if (during) during(process.hProcess);
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &ran.code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  const win32::UniqueFile written(win32::ValidOrNull(CreateFileW(
      outputPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, 0, nullptr)));
  ran.output.resize(written ? GetFileSize(written.Get(), nullptr) : 0);
  DWORD got = 0;
  if (written) ReadFile(written.Get(), ran.output.data(), ran.output.size(), &got, nullptr);
  return ran;
}

}  // namespace stowlark::e2e

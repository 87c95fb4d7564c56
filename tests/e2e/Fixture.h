#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/Harness.h"

namespace stowlark::e2e {

// Points the shell-folder values at a fresh folder tree of the prefix for the
// length of one test, and puts the old values back afterwards. As on users'
// machines, Documents is reached through a link (Wine's own prefix links it
// into the home folder; Windows users move it by a junction) and AppData is
// named by its short name.
// What a run from the command line left: its exit code and what it wrote to
// the file its standard output went to.
struct Ran {
  DWORD code = STILL_ACTIVE;
  std::string output;
};

class StowlarkFixture : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::wstring Root() const { return root_; }
  std::wstring Documents() const { return root_ + L"\\Linked\\Documents"; }
  std::wstring AppData() const { return appData_; }
  std::wstring LocalAppData() const { return root_ + L"\\Local Settings\\Application Data"; }
  std::wstring MessengerFolder() const { return AppData() + L"\\Microsoft\\MSN Messenger"; }
  std::wstring BackupFolder() const { return Documents() + L"\\Stowlark"; }
  // The backup's tree but the mark at its top, which every backup leaves.
  std::map<std::wstring, std::string> BackupTree() const;
  // Points the documents folder elsewhere, for a program started after.
  void SetDocuments(const std::wstring& folder);
  // Starts Stowlark.exe with `arguments` and its standard output going to a
  // file, or, `unread`, to nothing and no console, as in a scheduled task;
  // `during` runs while it does.
  Ran Run(const std::wstring& arguments, const std::function<void(HANDLE)>& during = nullptr,
          bool unread = false);

 private:
  std::wstring root_;
  std::wstring appData_;
  // The shell-folder values as they were, to be put back.
  struct SavedValue {
    const wchar_t* key;
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> data;
  };
  std::vector<SavedValue> saved_;
  int runs_ = 0;
};

// Small file helpers on real paths of the prefix.
void WriteText(const std::wstring& path, const std::string& content);
// A file of `size` bytes that Wine keeps sparse: long to copy, nothing to store.
void WriteSparse(const std::wstring& path, LONGLONG size);
std::optional<std::string> ReadText(const std::wstring& path);
// Relative path -> content for every file below `root`; folders end in a backslash.
std::map<std::wstring, std::string> Snapshot(const std::wstring& root);

}  // namespace stowlark::e2e

#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <optional>
#include <string>

#include "tests/e2e/Harness.h"

namespace stowlark::e2e {

// Points the shell-folder values at a fresh folder tree of the prefix for the
// length of one test, and puts the old values back afterwards. As on users'
// machines, Documents is reached through a link (Wine's own prefix links it
// into the home folder; Windows users move it by a junction) and AppData is
// named by its short name.
class StowlarkFixture : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::wstring Root() const { return root_; }
  std::wstring Documents() const { return root_ + L"\\Linked\\Documents"; }
  std::wstring AppData() const { return appData_; }
  std::wstring MessengerFolder() const { return AppData() + L"\\Microsoft\\MSN Messenger"; }
  std::wstring BackupFolder() const { return Documents() + L"\\Stowlark"; }
  // Points the documents folder elsewhere, for a program started after.
  void SetDocuments(const std::wstring& folder);

 private:
  std::wstring root_;
  std::wstring appData_;
  std::optional<std::wstring> savedPersonal_;
  std::optional<std::wstring> savedAppData_;
};

// Small file helpers on real paths of the prefix.
void WriteText(const std::wstring& path, const std::string& content);
// A file of `size` bytes that Wine keeps sparse: long to copy, nothing to store.
void WriteSparse(const std::wstring& path, LONGLONG size);
std::optional<std::string> ReadText(const std::wstring& path);
// Relative path -> content for every file below `root`; folders end in a backslash.
std::map<std::wstring, std::string> Snapshot(const std::wstring& root);

}  // namespace stowlark::e2e

#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "backup/BackupMark.h"
#include "backup/Outcome.h"
#include "platform/native/DriveMappedFileSystem.h"
#include "tests/ScratchFolder.h"

namespace stowlark {

// A messenger folder and a documents folder on a drive mapped to a scratch
// folder, and the means to look at both trees as plain maps.
class BackupFixture : public testing::Test {
 protected:
  using Tree = std::map<std::string, std::string>;  // relative path -> content; folders end in /

  // Documents, where the backup goes, is there on every machine.
  BackupFixture() { std::filesystem::create_directories(Host("C:\\Docs")); }

  std::filesystem::path Host(const std::string& windowsPath) const {
    return files.HostPath(windowsPath);
  }
  std::filesystem::path Messenger() const { return Host(locations.messengerFolder); }
  std::filesystem::path Backup() const { return Host(locations.backupPath); }

  void Put(const std::filesystem::path& path, const std::string& content) {
    testing_support::WriteFile(path, content);
  }
  static Tree Snapshot(const std::filesystem::path& root) {
    Tree tree;
    if (!std::filesystem::exists(root)) return tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      const auto relative = std::filesystem::relative(entry.path(), root).generic_string();
      if (entry.is_directory()) {
        tree[relative + "/"] = "";
      } else {
        tree[relative] = testing_support::ReadFile(entry.path());
      }
    }
    return tree;
  }
  // A temporary file as a run cut short leaves it: named so and marked as
  // the stand-in marks its own.
  void PutStaleTemporary(const std::filesystem::path& path) {
    Put(path, "half a file");
    std::filesystem::permissions(path, std::filesystem::perms::sticky_bit,
                                 std::filesystem::perm_options::add);
  }
  static bool HasTemporaryFile(const std::filesystem::path& root) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root, ignored)) {
      if (IsTemporaryName(entry.path().filename().string())) return true;
    }
    return false;
  }
  static int Occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
  }
  // The backup's tree but the mark at its top, which every backup leaves.
  Tree BackupTree() const {
    Tree tree = Snapshot(Backup());
    EXPECT_EQ(tree.erase(kBackupMarkName), 1u) << "the backup is marked";
    return tree;
  }
  Outcome RunBackup() { return BackupMessengerFolders(files, locations, none); }
  Outcome RunRestore() { return RestoreCommand(files, locations, none); }

  testing_support::ScratchFolder scratch;
  DriveMappedFileSystem files{scratch.Path()};
  Locations locations{"C:\\Docs\\Stowlark\\",
                      "C:\\App\\Microsoft\\MSN Messenger",
                      true,
                      true,
                      "C:\\Docs\\Stowlark Replaced",
                      {2026, 12, 7, 9, 5, 3}};
  NoProgress none;
};

// What a run's box tells, and how the run ended.
struct Told {
  std::string title;
  int style = 0;
  std::string prompt;
  RunResult result = RunResult::Done;
  bool operator==(const Told&) const = default;
};
inline Told Telling(const Outcome& outcome) {
  return {outcome.title, outcome.style, outcome.prompt, outcome.result};
}
inline void PrintTo(const Told& told, std::ostream* out) {
  *out << told.title << " (" << told.style << ", " << static_cast<int>(told.result)
       << "): " << told.prompt;
}

inline const Told kBackupComplete{"Backup", 64, "Backup Complete."};
inline const std::string kBackupKept = "C:\\Docs\\Stowlark Replaced\\Backup 2026-12-07 09.05.03";
inline const std::string kRestoreKept = "C:\\Docs\\Stowlark Replaced\\Restore 2026-12-07 09.05.03";
// What the box adds when `files` files were replaced and kept in `folder`.
inline std::string KeptNote(const std::string& files, const std::string& run,
                            const std::string& folder) {
  return "\r\n\r\n" + files + " that this " + run + " replaced " +
         (files == "1 file" ? "was" : "were") + " kept in:\r\n" + folder;
}
inline const Told kRestoreComplete{
    "Restore Complete.", 64,
    "Restore Complete \r\nPlease Sign-in again for the changes to take effect."};

}  // namespace stowlark

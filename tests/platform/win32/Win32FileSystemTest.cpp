#include <gtest/gtest.h>

#include <set>

#include "backup/FolderOps.h"
#include "backup/KeptFolder.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32FileSystem.h"
#include "tests/WineUnix.h"

namespace stowlark::win32 {
namespace {

// The mark of the program's own temporary files.
constexpr DWORD kMark = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// A scratch folder under the prefix's temporary folder, removed afterwards.
class Win32FileSystemTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root_ = Narrow(temp) + "stowlark-fs-" +
            testing::UnitTest::GetInstance()->current_test_info()->name();
    ASSERT_TRUE(CreateDirectoryW(Widen(root_).c_str(), nullptr));
  }
  void TearDown() override { testing_support::UnixRemoveTree(root_); }

  void Put(const std::string& path, const std::string& content, DWORD attributes = 0,
           std::int64_t time = 116444736000000000) {
    for (auto at = path.find('\\', root_.size() + 1); at != std::string::npos;
         at = path.find('\\', at + 1)) {
      files.CreateFolder(path.substr(0, at));
    }
    std::unique_ptr<FileWriter> writer;
    ASSERT_FALSE(files.CreateTemporary(path.substr(0, path.find_last_of('\\')), writer));
    ASSERT_FALSE(writer->Write(content));
    ASSERT_FALSE(writer->Commit({time, attributes, 0}, path, AtTarget::File));
  }
  std::string Get(const std::string& path) {
    std::unique_ptr<FileReader> reader;
    if (files.OpenRead(path, reader)) return "<unreadable>";
    std::string content(1 << 16, '\0');
    std::size_t count = 0;
    reader->Read(content, count);
    content.resize(count);
    return content;
  }
  std::set<std::string> Names(const std::string& folder) {
    std::vector<Entry> entries;
    files.List(folder, entries);
    std::set<std::string> names;
    for (const auto& entry : entries) names.insert(entry.name);
    return names;
  }
  Failures CopyFolder(const std::string& source, const std::string& target) {
    Folder folder;
    EXPECT_FALSE(GetFolder(files, source, folder));
    NoProgress none;
    CopyRun run(none, {});
    RunKeptFolder kept(files, root_ + "\\Kept", "Backup", {2026, 12, 9, 10, 0, 0}, false);
    return Copy(files, folder, target, {kept, ""}, run).failures;
  }

  std::string root_;
  Win32FileSystem files;
};

TEST_F(Win32FileSystemTest, CopiesNonAsciiNamesAndPathsLongerThanMaxPath) {
  const std::string name = "J\xC3\xB6rg \xE8\xA1\xA8\xE6\x83\x85";  // Jorg with umlaut, CJK
  std::string deep = root_ + "\\src\\" + name;
  while (deep.size() < 300) deep += "\\a-rather-long-folder-name";
  Put(deep + "\\smile.png", "deep");
  Put(root_ + "\\src\\" + name + "\\\xE7\x94\xBB.gif", "wide");

  EXPECT_EQ(CopyFolder(root_ + "\\src", root_ + "\\dst"), Failures{});
  std::string copied = deep;
  copied.replace(root_.size(), 4, "\\dst");
  EXPECT_EQ(Get(copied + "\\smile.png"), "deep");
  EXPECT_EQ(Get(root_ + "\\dst\\" + name + "\\\xE7\x94\xBB.gif"), "wide");
}

TEST_F(Win32FileSystemTest, NamesEndingInADotOrASpaceAreCopiedExactlyAsListed) {
  Put(root_ + "\\src\\pic", "pic");
  Put(root_ + "\\src\\pic.", "pic dot");
  Put(root_ + "\\src\\x.gif", "x");
  Put(root_ + "\\src\\x.gif ", "x space");
  Put(root_ + "\\src\\lone.", "lone");
  Put(root_ + "\\src\\acct\\a", "plain account");
  Put(root_ + "\\src\\acct.\\a", "dotted account");

  EXPECT_EQ(CopyFolder(root_ + "\\src", root_ + "\\dst"), Failures{});
  EXPECT_EQ(Names(root_ + "\\dst"), Names(root_ + "\\src"));
  for (const char* name : {"pic", "pic.", "x.gif", "x.gif ", "lone.", "acct\\a", "acct.\\a"}) {
    EXPECT_EQ(Get(root_ + "\\dst\\" + name), Get(root_ + "\\src\\" + name)) << name;
  }
  // Only a path a user gave is resolved, as Windows resolves it.
  EXPECT_EQ(files.Resolve(root_ + "\\Docs  "), root_ + "\\Docs");
  EXPECT_EQ(files.Resolve(root_ + "\\a\\..\\Docs\\\\x"), root_ + "\\Docs\\x");
}

TEST_F(Win32FileSystemTest, CarriesAttributesAndTimeAndLiftsAReadOnlyFlagOnlyForTheReplace) {
  const DWORD flags = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                      FILE_ATTRIBUTE_ARCHIVE;
  const std::int64_t stamp = 0x01D0000012345600;
  Put(root_ + "\\src\\flags.dat", "new", flags, stamp);
  Put(root_ + "\\dst\\flags.dat", "old", FILE_ATTRIBUTE_READONLY);
  Put(root_ + "\\src\\held.dat", "new");
  Put(root_ + "\\dst\\held.dat", "old", FILE_ATTRIBUTE_READONLY);
  // Of the same bytes, a read-only file only takes the time.
  Put(root_ + "\\src\\same.dat", "same", 0, stamp);
  Put(root_ + "\\dst\\same.dat", "same", FILE_ATTRIBUTE_READONLY);
  const auto time = [](const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return static_cast<std::int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
           data.ftLastWriteTime.dwLowDateTime;
  };
  const std::wstring target = LongPath(root_ + "\\dst\\flags.dat");
  const std::wstring held = LongPath(root_ + "\\dst\\held.dat");
  UniqueFile holder(ValidOrNull(CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, 0, nullptr)));
  ASSERT_TRUE(holder);

  const Failures failures = CopyFolder(root_ + "\\src", root_ + "\\dst");
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].path, root_ + "\\dst\\held.dat");
  EXPECT_EQ(failures[0].reason.find("system error"), std::string::npos) << failures[0].reason;
  holder.Reset();
  EXPECT_EQ(Get(root_ + "\\dst\\held.dat"), "old");
  EXPECT_EQ(GetFileAttributesW(held.c_str()) & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY)
      << "the flag is put back when the replace fails";

  EXPECT_EQ(Get(root_ + "\\dst\\flags.dat"), "new");
  EXPECT_EQ(GetFileAttributesW(target.c_str()) & flags, flags);
  EXPECT_EQ(time(target), stamp);
  EXPECT_EQ(time(LongPath(root_ + "\\dst\\same.dat")), stamp);
  EXPECT_EQ(Names(root_ + "\\dst"), (std::set<std::string>{"flags.dat", "held.dat", "same.dat"}));
  EXPECT_EQ(Names(root_ + "\\Kept\\Backup 2026-12-09 10.00.00"),
            (std::set<std::string>{"flags.dat"}));

  // A link's target takes no time; only an empty folder is removed.
  testing_support::UnixLink(root_ + "\\dst\\held.dat", root_ + "\\link.dat");
  EXPECT_TRUE(files.SetWriteTime(root_ + "\\link.dat", stamp));
  EXPECT_NE(time(held), stamp);
  EXPECT_TRUE(files.RemoveEmptyFolder(root_ + "\\Kept\\Backup 2026-12-09 10.00.00"));
  EXPECT_FALSE(files.CreateFolder(root_ + "\\empty") || files.RemoveEmptyFolder(root_ + "\\empty"));
  EXPECT_EQ(files.Inspect(root_ + "\\empty").kind, EntryKind::Missing);
}

// A file that a copy replaces is renamed aside on its own volume, but never
// over anything that stands there, nor is a new file committed over one;
// another volume is told apart, and a link is never moved in place of a file.
TEST_F(Win32FileSystemTest, AMoveRenamesOnOneVolumeOverNothingTellsAnotherApartAndRefusesALink) {
  Put(root_ + "\\a.dat", "a", FILE_ATTRIBUTE_READONLY);
  Put(root_ + "\\kept\\b.dat", "earlier");
  EXPECT_EQ(files.Move(root_ + "\\a.dat", root_ + "\\kept\\b.dat"), std::errc::file_exists);
  std::unique_ptr<FileWriter> writer;
  ASSERT_FALSE(files.CreateTemporary(root_ + "\\kept", writer));
  EXPECT_EQ(writer->Commit({}, root_ + "\\kept\\b.dat", AtTarget::Nothing), std::errc::file_exists);
  EXPECT_EQ(Get(root_ + "\\kept\\b.dat"), "earlier");
  EXPECT_FALSE(files.Move(root_ + "\\a.dat", root_ + "\\kept\\a.dat"));
  EXPECT_EQ(files.Inspect(root_ + "\\a.dat").kind, EntryKind::Missing);
  EXPECT_EQ(Get(root_ + "\\kept\\a.dat"), "a");
  EXPECT_TRUE(GetFileAttributesW(LongPath(root_ + "\\kept\\a.dat").c_str()) &
              FILE_ATTRIBUTE_READONLY);

  const testing_support::OtherDrive drive;
  ASSERT_TRUE(CreateDirectoryW(L"S:\\kept", nullptr));
  EXPECT_EQ(files.Move(root_ + "\\kept\\a.dat", "S:\\kept\\a.dat"), std::errc::cross_device_link);
  EXPECT_EQ(Get(root_ + "\\kept\\a.dat"), "a");

  Put(root_ + "\\target.dat", "target");
  testing_support::UnixLink(root_ + "\\target.dat", root_ + "\\link.dat");
  EXPECT_TRUE(files.Move(root_ + "\\link.dat", root_ + "\\kept\\link.dat"));
  EXPECT_EQ(files.Inspect(root_ + "\\kept\\link.dat").kind, EntryKind::Missing);
}

TEST_F(Win32FileSystemTest, TemporaryFilesAreExclusiveAndTheCleanUpNeverFollowsALink) {
  // Wine shows a link with its target's attributes: this one looks marked.
  Put(root_ + "\\outside.txt", "outside", kMark);
  Put(root_ + "\\src\\a.png", "a");
  Put(root_ + "\\dst\\a.png", "old");
  Put(root_ + "\\dst\\~stowlark-1-1.partial", "stale", kMark);
  Put(root_ + "\\dst\\~stowlark-1-2.partial", "held by its run", kMark);
  // Where this run's first temporary file would go.
  const std::string first = TemporaryName(GetCurrentProcessId(), 0);
  testing_support::UnixLink(root_ + "\\outside.txt", root_ + "\\dst\\" + first);
  UniqueFile held(ValidOrNull(CreateFileW(LongPath(root_ + "\\dst\\~stowlark-1-2.partial").c_str(),
                                          GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
  ASSERT_TRUE(held);

  EXPECT_EQ(CopyFolder(root_ + "\\src", root_ + "\\dst"), Failures{});
  held.Reset();
  EXPECT_EQ(Get(root_ + "\\dst\\a.png"), "a");
  EXPECT_EQ(Get(root_ + "\\outside.txt"), "outside");
  EXPECT_EQ(Names(root_ + "\\dst"),
            (std::set<std::string>{first, "a.png", "~stowlark-1-2.partial"}));
}

// As on users' machines, where Documents is moved by a junction or reached
// through a link, and settings may name a folder by its short name: only the
// last name of a path is asked whether it is a link.
TEST_F(Win32FileSystemTest, AFolderReachedThroughALinkOrAShortNameIsWorkedInAsAnyOther) {
  Put(root_ + "\\src\\flags.dat", "new");
  Put(root_ + "\\src\\~stowlark-notes.partial", "the user's");
  const std::string real = root_ + "\\real\\Messenger Data Folder";
  CreateDirectoryW(Widen(root_ + "\\real").c_str(), nullptr);
  testing_support::UnixLink(root_ + "\\real", root_ + "\\home");
  wchar_t shortName[MAX_PATH];
  CreateDirectoryW(Widen(real).c_str(), nullptr);
  ASSERT_GT(GetShortPathNameW(Widen(real).c_str(), shortName, MAX_PATH), 0u);
  ASSERT_NE(Narrow(shortName), real);
  for (const std::string& spelling : {root_ + "\\home\\Messenger Data Folder", Narrow(shortName)}) {
    Put(real + "\\flags.dat", "old", FILE_ATTRIBUTE_READONLY);
    Put(real + "\\~stowlark-1-1.partial", "stale", kMark);
    Put(real + "\\~stowlark-2-2.partial", "the user's too");

    EXPECT_EQ(CopyFolder(root_ + "\\src", spelling), Failures{}) << spelling;
    EXPECT_EQ(Get(real + "\\flags.dat"), "new") << spelling;
    EXPECT_EQ(Names(real), (std::set<std::string>{"flags.dat", "~stowlark-notes.partial",
                                                  "~stowlark-2-2.partial"}))
        << spelling;
    EXPECT_EQ(GetFileAttributesW(LongPath(real + "\\flags.dat").c_str()) & FILE_ATTRIBUTE_HIDDEN,
              0u)
        << "no mark stays on a committed file";
  }
}

TEST_F(Win32FileSystemTest, AFolderNamedInOtherCaseIsMergedInto) {
  Put(root_ + "\\src\\Emoticons\\smile.png", "new");
  Put(root_ + "\\dst\\EMOTICONS\\wink.png", "kept");
  EXPECT_EQ(CopyFolder(root_ + "\\src\\", root_ + "\\dst"), Failures{});
  EXPECT_EQ(Get(root_ + "\\dst\\EMOTICONS\\smile.png"), "new");
  EXPECT_EQ(Get(root_ + "\\dst\\EMOTICONS\\wink.png"), "kept");
}

}  // namespace
}  // namespace stowlark::win32

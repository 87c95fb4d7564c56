#include <gtest/gtest.h>

#include "backup/FolderOps.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32FileSystem.h"

namespace stowlark::win32 {
namespace {

// A scratch folder under the prefix's temporary folder, removed afterwards.
class Win32FileSystemTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root_ = Narrow(temp) + "stowlark-fs-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(Widen(root_).c_str(), nullptr));
  }
  void TearDown() override { RemoveTree(root_); }

  void RemoveTree(const std::string& folder) {
    std::vector<Entry> entries;
    files.List(folder, entries);
    for (const auto& entry : entries) {
      const std::string path = folder + "\\" + entry.name;
      if (entry.kind == EntryKind::Folder) {
        RemoveTree(path);
      } else {
        files.Remove(path);
      }
    }
    RemoveDirectoryW(LongPath(folder).c_str());
  }
  void Put(const std::string& path, const std::string& content) {
    for (auto at = path.find('\\', root_.size() + 1); at != std::string::npos;
         at = path.find('\\', at + 1)) {
      files.CreateFolder(path.substr(0, at));
    }
    std::unique_ptr<FileWriter> writer;
    ASSERT_FALSE(files.Create(path, writer));
    ASSERT_FALSE(writer->Write(content));
    ASSERT_FALSE(writer->Finish({116444736000000000, 0}));
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
  Failures CopyFolder(const std::string& source, const std::string& target) {
    Folder folder;
    EXPECT_FALSE(GetFolder(files, source, folder));
    return Copy(files, folder, target);
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

TEST_F(Win32FileSystemTest, CarriesAttributesAndTimeAndReplacesReadOnlyTargets) {
  Put(root_ + "\\src\\flags.dat", "new");
  Put(root_ + "\\dst\\flags.dat", "old");
  const std::wstring source = LongPath(root_ + "\\src\\flags.dat");
  const std::wstring target = LongPath(root_ + "\\dst\\flags.dat");
  const DWORD flags = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                      FILE_ATTRIBUTE_ARCHIVE;
  ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
  FILETIME stamp{0x12345600, 0x01D00000};
  {
    UniqueFile file(ValidOrNull(
        CreateFileW(source.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
    ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &stamp));
  }
  ASSERT_TRUE(SetFileAttributesW(source.c_str(), flags));

  EXPECT_EQ(CopyFolder(root_ + "\\src", root_ + "\\dst"), Failures{});
  EXPECT_EQ(Get(root_ + "\\dst\\flags.dat"), "new");
  EXPECT_EQ(GetFileAttributesW(target.c_str()) & flags, flags);
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW(target.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, stamp.dwLowDateTime);
  EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, stamp.dwHighDateTime);

  // The second backup of a read-only file succeeds as well.
  EXPECT_EQ(CopyFolder(root_ + "\\src", root_ + "\\dst"), Failures{});
}

TEST_F(Win32FileSystemTest, AFileHeldOpenFailsAloneWithTheSystemsReason) {
  Put(root_ + "\\src\\a.png", "a-new");
  Put(root_ + "\\src\\b.png", "b-new");
  Put(root_ + "\\src\\c.png", "c-new");
  Put(root_ + "\\dst\\b.png", "b-old");
  UniqueFile held(ValidOrNull(CreateFileW(LongPath(root_ + "\\dst\\b.png").c_str(),
                                          GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr)));
  ASSERT_TRUE(held);

  const Failures failures = CopyFolder(root_ + "\\src", root_ + "\\dst");
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].path, root_ + "\\dst\\b.png");
  EXPECT_FALSE(failures[0].reason.empty());
  EXPECT_EQ(failures[0].reason.find("system error"), std::string::npos) << failures[0].reason;
  held.Reset();
  EXPECT_EQ(Get(root_ + "\\dst\\a.png"), "a-new");
  EXPECT_EQ(Get(root_ + "\\dst\\b.png"), "b-old");
  EXPECT_EQ(Get(root_ + "\\dst\\c.png"), "c-new");
  EXPECT_EQ(files.Inspect(root_ + "\\dst\\" + std::string(kPartialFileName)).kind,
            EntryKind::Missing);
}

TEST_F(Win32FileSystemTest, AFolderNamedInOtherCaseIsMergedInto) {
  Put(root_ + "\\src\\Emoticons\\smile.png", "new");
  Put(root_ + "\\dst\\EMOTICONS\\wink.png", "kept");
  EXPECT_EQ(CopyFolder(root_ + "\\src", root_ + "\\dst"), Failures{});
  EXPECT_EQ(Get(root_ + "\\dst\\EMOTICONS\\smile.png"), "new");
  EXPECT_EQ(Get(root_ + "\\dst\\EMOTICONS\\wink.png"), "kept");
}

TEST_F(Win32FileSystemTest, FolderOperationsAcceptATrailingBackslash) {
  EXPECT_FALSE(MakeFolder(files, root_ + "\\made\\"));
  EXPECT_TRUE(MakeFolder(files, root_ + "\\made\\"));  // it exists now
  EXPECT_TRUE(FolderExists(files, root_ + "\\made\\"));
  EXPECT_FALSE(FolderExists(files, root_ + "\\missing\\"));
  Put(root_ + "\\made\\one\\x", "");
  Put(root_ + "\\made\\two\\y", "");
  Put(root_ + "\\made\\file", "");
  Folder made;
  ASSERT_FALSE(GetFolder(files, root_ + "\\made\\", made));
  std::vector<Folder> subfolders;
  ASSERT_FALSE(SubFolders(files, made, subfolders));
  std::vector<std::string> names;
  for (const auto& folder : subfolders) names.push_back(Name(folder));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"one", "two"}));
}

}  // namespace
}  // namespace stowlark::win32

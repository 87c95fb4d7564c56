#include <gtest/gtest.h>

#include "platform/fake/MemoryRegistry.h"
#include "platform/fake/Recorders.h"
#include "settings/WriteRegistry.h"

namespace stowlark {
namespace {

constexpr RegHandle kHkcu = 0x80000001;
constexpr RegHandle kHklm = 0x80000002;
const std::string kSubkey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kFullPath = "HKEY_CURRENT_USER\\" + kSubkey;

class WriteRegistryTest : public testing::Test {
 protected:
  std::optional<std::string> Read(const std::string& name, std::string path = kFullPath) {
    return reader.ReadRegString(path, name);
  }
  MemoryRegistry registry;
  RecordingMessages messages;
  WriteRegistry reader{registry, messages};
};

TEST_F(WriteRegistryTest, RootNamesMapExactlyAndSplitRewritesTheCallersPath) {
  const char* const roots[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE",
                               "HKEY_USERS",        "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG",
                               "HKEY_DYN_DATA"};
  for (RegHandle i = 0; i < 7; ++i)
    EXPECT_EQ(WriteRegistry::RootKeyFromName(roots[i]), 0x80000000u + i);
  for (const char* unknown : {"hkey_current_user", "HKEY_CURRENTUSER", ""}) {
    EXPECT_EQ(WriteRegistry::RootKeyFromName(unknown), 0u) << unknown;
  }

  std::string path = kFullPath;
  RegHandle root = 7;
  ASSERT_TRUE(reader.SplitKeyPath(path, root));
  EXPECT_EQ(root, kHkcu);
  EXPECT_EQ(path, kSubkey);
  path = "HKEY_LOCAL_MACHINE";
  ASSERT_TRUE(reader.SplitKeyPath(path, root));
  EXPECT_EQ(root, kHklm);
  EXPECT_EQ(path, "");
  path = "HKEY_CURRENT_USER\\\\Software\\x";
  ASSERT_TRUE(reader.SplitKeyPath(path, root));
  EXPECT_EQ(path, "\\Software\\x");

  // An unknown root reads nothing and touches nothing, but the path is rewritten.
  path = "HKEY_CURRENTUSER\\Software";
  EXPECT_EQ(reader.ReadRegString(path, "x"), std::nullopt);
  EXPECT_EQ(path, "Software");
  EXPECT_EQ(registry.Calls(), 0);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(WriteRegistryTest, MalformedPathsShowTheFormatBoxAndTouchNothing) {
  for (const std::string bad : {"hkey_current_user\\Software", "HKEY_CURRENT_USER\\Software\\",
                                "HKEY", "", "Software\\HKEY_CURRENT_USER"}) {
    messages.shown.clear();
    std::string path = bad;
    EXPECT_EQ(reader.ReadRegString(path, "Personal"), std::nullopt) << bad;
    EXPECT_EQ(path, bad);
    ASSERT_EQ(messages.shown.size(), 1u) << bad;
    EXPECT_EQ(messages.shown[0].prompt, "Incorrect Format:\n\n" + bad);
    EXPECT_EQ(messages.shown[0].style, 0);
    EXPECT_EQ(messages.shown[0].title, std::nullopt);
  }
  EXPECT_EQ(registry.Calls(), 0);
}

TEST_F(WriteRegistryTest, MissingKeyOrValueReadsAsErrorAndABareRootReadsTheRoot) {
  EXPECT_EQ(Read("Personal"), "Error");
  registry.AddKey(kHkcu, kSubkey);
  EXPECT_EQ(Read("Personal"), "Error");
  EXPECT_EQ(registry.OpenKeys(), 0);
  // A bare root name reads from the root itself.
  registry.SetString(kHklm, "", "Top", "value");
  EXPECT_EQ(Read("Top", "HKEY_LOCAL_MACHINE"), "value");
}

TEST_F(WriteRegistryTest, OnlyLeadingSpacesAndOneTerminatorGoAndTheBufferHolds254) {
  std::string umlauts;
  for (int i = 0; i < 254; ++i) umlauts += "\xC3\xBC";  // u with diaeresis: 254 UTF-16 units
  struct Case {
    std::string stored;
    bool terminated;
    std::string read;
  };
  // The terminator shields trailing spaces from the trim.
  for (const Case& c :
       {Case{"   D:\\Docs", true, "D:\\Docs"}, Case{"abc  ", true, "abc  "},
        Case{"\tx\t", true, "\tx\t"}, Case{"abc", false, "abc"}, Case{"", true, ""},
        Case{"", false, ""}, Case{"   ", false, ""},
        Case{std::string(254, 'a'), true, std::string(254, 'a')},
        Case{std::string(255, 'b'), true, "Error"},
        Case{std::string(255, 'c'), false, std::string(255, 'c')}, Case{umlauts, true, umlauts}}) {
    registry.SetString(kHkcu, kSubkey, "Value", c.stored, c.terminated);
    EXPECT_EQ(Read("Value"), c.read) << c.stored;
  }
  EXPECT_EQ(registry.OpenKeys(), 0);
  registry.SetRaw(kHkcu, kSubkey, "Dword", {4, {'A', 0, 'B', 0}});
  EXPECT_EQ(Read("Dword"), "AB") << "other value types are taken as text";
}

}  // namespace
}  // namespace stowlark

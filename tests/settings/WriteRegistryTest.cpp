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

TEST_F(WriteRegistryTest, RootNamesMapToTheirHandlesExactlyAndCaseSensitively) {
  EXPECT_EQ(WriteRegistry::RootKeyFromName("HKEY_CLASSES_ROOT"), 0x80000000u);
  EXPECT_EQ(WriteRegistry::RootKeyFromName("HKEY_CURRENT_USER"), 0x80000001u);
  EXPECT_EQ(WriteRegistry::RootKeyFromName("HKEY_LOCAL_MACHINE"), 0x80000002u);
  EXPECT_EQ(WriteRegistry::RootKeyFromName("HKEY_USERS"), 0x80000003u);
  EXPECT_EQ(WriteRegistry::RootKeyFromName("HKEY_PERFORMANCE_DATA"), 0x80000004u);
  EXPECT_EQ(WriteRegistry::RootKeyFromName("HKEY_CURRENT_CONFIG"), 0x80000005u);
  EXPECT_EQ(WriteRegistry::RootKeyFromName("HKEY_DYN_DATA"), 0x80000006u);
  EXPECT_EQ(WriteRegistry::RootKeyFromName("hkey_current_user"), 0u);
  EXPECT_EQ(WriteRegistry::RootKeyFromName("HKEY_CURRENTUSER"), 0u);
  EXPECT_EQ(WriteRegistry::RootKeyFromName(""), 0u);
}

TEST_F(WriteRegistryTest, SplitRewritesTheCallersPathToTheSubkey) {
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

TEST_F(WriteRegistryTest, UnknownRootReturnsNothingWithoutTouchingTheRegistry) {
  std::string path = "HKEY_CURRENTUSER\\Software";
  EXPECT_EQ(reader.ReadRegString(path, "x"), std::nullopt);
  EXPECT_EQ(path, "Software");
  EXPECT_EQ(registry.Calls(), 0);
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(WriteRegistryTest, MissingKeyOrValueReadsAsErrorAndClosesWhatItOpened) {
  EXPECT_EQ(Read("Personal"), "Error");
  registry.AddKey(kHkcu, kSubkey);
  EXPECT_EQ(Read("Personal"), "Error");
  EXPECT_EQ(registry.OpenKeys(), 0);
}

TEST_F(WriteRegistryTest, BareRootNameReadsFromTheRootItself) {
  registry.SetString(kHklm, "", "Top", "value");
  EXPECT_EQ(Read("Top", "HKEY_LOCAL_MACHINE"), "value");
}

TEST_F(WriteRegistryTest, OnlySpacesAreTrimmed) {
  registry.SetString(kHkcu, kSubkey, "Lead", "   D:\\Docs");
  registry.SetString(kHkcu, kSubkey, "Trail", "abc  ");
  registry.SetString(kHkcu, kSubkey, "Tab", "\tx\t");
  EXPECT_EQ(Read("Lead"), "D:\\Docs");
  // The terminator shields trailing spaces from the trim.
  EXPECT_EQ(Read("Trail"), "abc  ");
  EXPECT_EQ(Read("Tab"), "\tx\t");
}

TEST_F(WriteRegistryTest, OnlyATerminatorIsRemoved) {
  registry.SetString(kHkcu, kSubkey, "Bare", "abc", false);
  registry.SetString(kHkcu, kSubkey, "Empty", "");
  registry.SetString(kHkcu, kSubkey, "EmptyBare", "", false);
  registry.SetString(kHkcu, kSubkey, "SpacesBare", "   ", false);
  EXPECT_EQ(Read("Bare"), "abc");
  EXPECT_EQ(Read("Empty"), "");
  EXPECT_EQ(Read("EmptyBare"), "");
  EXPECT_EQ(Read("SpacesBare"), "");
}

TEST_F(WriteRegistryTest, TheBufferHolds254CharactersAndTheirTerminator) {
  const std::string fits(254, 'a');
  registry.SetString(kHkcu, kSubkey, "Fits", fits);
  registry.SetString(kHkcu, kSubkey, "TooLong", std::string(255, 'b'));
  registry.SetString(kHkcu, kSubkey, "BareFits", std::string(255, 'c'), false);
  EXPECT_EQ(Read("Fits"), fits);
  EXPECT_EQ(Read("TooLong"), "Error");
  EXPECT_EQ(Read("BareFits"), std::string(255, 'c'));
  EXPECT_EQ(registry.OpenKeys(), 0);
}

TEST_F(WriteRegistryTest, LimitCountsUtf16UnitsNotUtf8Bytes) {
  std::string umlauts;
  for (int i = 0; i < 254; ++i) umlauts += "\xC3\xBC";  // u with diaeresis
  registry.SetString(kHkcu, kSubkey, "Wide", umlauts);
  EXPECT_EQ(Read("Wide"), umlauts);
}

TEST_F(WriteRegistryTest, OtherValueTypesAreTakenAsText) {
  registry.SetRaw(kHkcu, kSubkey, "Dword", {4, {'A', 0, 'B', 0}});
  EXPECT_EQ(Read("Dword"), "AB");
}

}  // namespace
}  // namespace stowlark

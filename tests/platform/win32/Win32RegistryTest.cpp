#include <gtest/gtest.h>

#include "platform/fake/Recorders.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Registry.h"
#include "settings/WriteRegistry.h"

namespace stowlark::win32 {
namespace {

const std::wstring kScratch = L"Software\\StowlarkTests\\Registry \u00e9\u4e2d";

// Writes under a scratch key of HKEY_CURRENT_USER and removes it afterwards.
class Win32RegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kScratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\StowlarkTests");
  }
  void SetRaw(const std::wstring& name, const std::wstring& data, bool terminated) {
    const auto bytes = static_cast<DWORD>((data.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
    ASSERT_EQ(RegSetValueExW(key_, name.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(data.c_str()), bytes),
              ERROR_SUCCESS);
  }
  std::optional<std::string> Read(const std::string& name) {
    std::string path = "HKEY_CURRENT_USER\\" + Narrow(kScratch);
    return reader.ReadRegString(path, name);
  }

  HKEY key_ = nullptr;
  Win32Registry registry;
  RecordingMessages messages;
  WriteRegistry reader{registry, messages};
};

TEST_F(Win32RegistryTest, ReadsValuesUnderANonAsciiPathWithOrWithoutTheirTerminator) {
  SetRaw(L"Personal", L"  C:\\Users\\J\u00f6rg\\\u6587\u6863", true);
  SetRaw(L"Bare", L"abc", false);
  SetRaw(L"Fits", std::wstring(254, L'x'), true);
  SetRaw(L"TooLong", std::wstring(255, L'y'), true);
  EXPECT_EQ(Read("Personal"), "C:\\Users\\J\xC3\xB6rg\\\xE6\x96\x87\xE6\xA1\xA3");
  EXPECT_EQ(Read("Bare"), "abc");
  EXPECT_EQ(Read("Fits"), std::string(254, 'x'));
  EXPECT_EQ(Read("TooLong"), "Error");
  EXPECT_EQ(Read("Nowhere"), "Error");
  std::string path = "HKEY_CURRENT_USER\\Software\\StowlarkTests\\No Such Key";
  EXPECT_EQ(reader.ReadRegString(path, "Personal"), "Error");
}

TEST_F(Win32RegistryTest, ClosingReleasesTheKeyAndUnknownHandlesAreRefused) {
  RegHandle opened = 0;
  ASSERT_EQ(registry.OpenKey(0x80000001, Narrow(kScratch), kKeyRead, opened), 0);
  EXPECT_EQ(registry.CloseKey(opened), 0);
  EXPECT_NE(registry.CloseKey(opened), 0);
  RegistryValue value;
  EXPECT_NE(registry.QueryValue(opened, "x", 10, value), 0);
}

}  // namespace
}  // namespace stowlark::win32

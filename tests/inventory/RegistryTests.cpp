#include "inventory/Registry.h"

#include "support/TestMachine.h"

#include <gtest/gtest.h>

using testing_support::TTestKey;

namespace {

class RegistryTest : public ::testing::Test {
protected:
  RegistryTest() { reg.SetRootKey(key.Root()); }
  std::wstring Path(const std::wstring& sub = L"") const {
    return L"\\" + key.Path() + (sub.empty() ? L"" : L"\\" + sub);
  }
  TTestKey key;
  TRegistry reg;
};

TEST_F(RegistryTest, ReadsStringsAsStoredAndCutAtTheFirstNul) {
  key.SetString(L"", L"Plain", L"text");
  key.SetString(L"", L"Expand", L"%ProgramFiles%\\x.exe", REG_EXPAND_SZ);
  const wchar_t twoParts[] = L"first\0second";
  key.SetRaw(L"", L"Embedded", REG_SZ, twoParts, sizeof twoParts);
  // No terminating NUL, and an odd number of bytes.
  const wchar_t bare[] = {L'a', L'b', L'c'};
  key.SetRaw(L"", L"Unterminated", REG_SZ, bare, sizeof bare);
  key.SetRaw(L"", L"Odd", REG_SZ, bare, sizeof bare - 1);
  key.SetRaw(L"", L"Empty", REG_SZ, nullptr, 0);
  ASSERT_TRUE(reg.OpenKeyReadOnly(Path()));

  EXPECT_EQ(reg.ReadString(L"Plain"), L"text");
  EXPECT_EQ(reg.ReadString(L"Expand"), L"%ProgramFiles%\\x.exe");
  EXPECT_EQ(reg.ReadString(L"Embedded"), L"first");
  EXPECT_EQ(reg.ReadString(L"Unterminated"), L"abc");
  EXPECT_EQ(reg.ReadString(L"Odd"), L"ab");
  EXPECT_EQ(reg.ReadString(L"Empty"), L"");
  EXPECT_EQ(reg.ReadString(L"Missing"), L"");
}

TEST_F(RegistryTest, RaisesItsOwnMessagesForWrongTypesAndMissingData) {
  key.SetDword(L"", L"Number", 7);
  key.SetString(L"", L"Text", L"7");
  ASSERT_TRUE(reg.OpenKeyReadOnly(Path()));

  try {
    reg.ReadString(L"Number");
    FAIL() << "no error raised";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), L"Invalid data type for 'Number'");
  }
  try {
    reg.ReadInteger(L"Text");
    FAIL() << "no error raised";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), L"Invalid data type for 'Text'");
  }
  try {
    reg.ReadInteger(L"Missing");
    FAIL() << "no error raised";
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), L"Failed to get data for 'Missing'");
  }
  EXPECT_EQ(reg.ReadInteger(L"Number"), 7);
  EXPECT_TRUE(reg.ReadBool(L"Number"));
}

TEST_F(RegistryTest, ReportsTypesAndSizesOfValues) {
  key.SetString(L"", L"S", L"abc");
  key.SetString(L"", L"E", L"abc", REG_EXPAND_SZ);
  key.SetDword(L"", L"D", 1);
  key.SetBinary(L"", L"B", {1, 2, 3});
  key.SetBinary(L"", L"Q", {1, 2, 3, 4, 5, 6, 7, 8}, REG_QWORD);
  ASSERT_TRUE(reg.OpenKeyReadOnly(Path()));

  EXPECT_EQ(reg.GetDataType(L"S"), TRegDataType::String);
  EXPECT_EQ(reg.GetDataType(L"E"), TRegDataType::ExpandString);
  EXPECT_EQ(reg.GetDataType(L"D"), TRegDataType::Integer);
  EXPECT_EQ(reg.GetDataType(L"B"), TRegDataType::Binary);
  EXPECT_EQ(reg.GetDataType(L"Q"), TRegDataType::Unknown);
  EXPECT_EQ(reg.GetDataType(L"Missing"), TRegDataType::Unknown);
  EXPECT_EQ(reg.GetDataSize(L"S"), 8);
  EXPECT_EQ(reg.GetDataSize(L"Missing"), -1);
  EXPECT_TRUE(reg.ValueExists(L"s"));  // value names ignore letter case
  EXPECT_FALSE(reg.ValueExists(L"Missing"));
}

TEST_F(RegistryTest, ReadsBinaryDataThatFitsAndRefusesWhatDoesNot) {
  key.SetBinary(L"", L"B", {1, 2, 3});
  key.SetString(L"", L"S", L"x");
  ASSERT_TRUE(reg.OpenKeyReadOnly(Path()));
  BYTE buffer[4] = {};
  EXPECT_EQ(reg.ReadBinaryData(L"B", buffer, 4), 3);
  EXPECT_EQ(buffer[2], 3);
  EXPECT_EQ(reg.ReadBinaryData(L"Missing", buffer, 4), 0);
  EXPECT_THROW(reg.ReadBinaryData(L"B", buffer, 2), ERegistryException);
  EXPECT_THROW(reg.ReadBinaryData(L"S", buffer, 4), ERegistryException);
}

TEST_F(RegistryTest, WritesCreatesAndDeletesValuesAndKeys) {
  ASSERT_TRUE(reg.OpenKey(Path(L"New\\Deep"), true));
  reg.WriteString(L"Name", L"Ω program");
  reg.WriteInteger(L"Count", -5);
  reg.WriteBool(L"Flag", true);
  EXPECT_EQ(reg.CurrentPath(), key.Path() + L"\\New\\Deep");
  reg.CloseKey();

  ASSERT_TRUE(reg.OpenKey(Path(L"New\\Deep"), false));
  EXPECT_EQ(reg.ReadString(L"Name"), L"Ω program");
  EXPECT_EQ(reg.ReadInteger(L"Count"), -5);
  EXPECT_EQ(reg.ReadInteger(L"Flag"), 1);
  EXPECT_TRUE(reg.DeleteValue(L"Name"));
  EXPECT_FALSE(reg.DeleteValue(L"Name"));
  reg.CloseKey();

  EXPECT_FALSE(reg.OpenKey(Path(L"Absent"), false));
  EXPECT_FALSE(reg.KeyExists(Path(L"Absent")));
  EXPECT_TRUE(reg.CreateKey(Path(L"Absent\\Child")));
  EXPECT_TRUE(reg.KeyExists(Path(L"Absent\\Child")));
}

TEST_F(RegistryTest, DeleteKeyRemovesTheWholeTree) {
  key.SetString(L"Top\\A\\A1", L"v", L"1");
  key.SetString(L"Top\\A\\A2", L"v", L"2");
  key.SetString(L"Top\\B", L"v", L"3");
  key.SetString(L"Top", L"v", L"4");
  key.SetString(L"Sibling", L"v", L"5");

  EXPECT_TRUE(reg.DeleteKey(Path(L"Top")));
  EXPECT_FALSE(key.Exists(L"Top"));
  EXPECT_TRUE(key.Exists(L"Sibling"));
  EXPECT_FALSE(reg.DeleteKey(Path(L"Top")));
}

TEST_F(RegistryTest, DeleteKeyRemovesLinksAsLinksAndNeverWhatTheyPointTo) {
  key.SetString(L"Outside\\Child", L"v", L"outside");
  key.SetString(L"Entry\\Sub", L"v", L"1");
  key.AddLink(L"Entry\\Out", L"Outside");
  key.AddLink(L"Entry\\Sub\\Back", L"Entry");  // into the key being deleted
  key.AddLink(L"Entry\\Up", L"");                // to its parent
  key.AddLink(L"Entry\\Loop", L"Entry\\Loop");   // to itself
  key.AddLink(L"Alias", L"Outside");
  ASSERT_TRUE(key.Exists(L"Entry\\Out\\Child")) << "the links lead where they should";

  EXPECT_TRUE(reg.DeleteKey(Path(L"Entry")));
  EXPECT_FALSE(key.Exists(L"Entry"));
  // The key to delete may be a link itself: the link goes, the key it names stays.
  EXPECT_TRUE(reg.DeleteKey(Path(L"Alias")));
  EXPECT_FALSE(key.Exists(L"Alias"));

  ASSERT_TRUE(reg.OpenKeyReadOnly(Path(L"Outside\\Child")));
  EXPECT_EQ(reg.ReadString(L"v"), L"outside");
}

TEST_F(RegistryTest, RelativePathsOpenBelowTheCurrentKey) {
  key.SetString(L"Parent\\Child", L"v", L"child");
  ASSERT_TRUE(reg.OpenKeyReadOnly(Path(L"Parent")));
  ASSERT_TRUE(reg.OpenKeyReadOnly(L"Child"));
  EXPECT_EQ(reg.CurrentPath(), key.Path() + L"\\Parent\\Child");
  EXPECT_EQ(reg.ReadString(L"v"), L"child");
}

TEST_F(RegistryTest, ListsSubkeysAndValuesAndKeyInfo) {
  key.SetString(L"List\\One", L"a", L"1");
  key.SetString(L"List\\Two", L"a", L"1");
  key.SetString(L"List", L"x", L"1");
  key.SetString(L"List", L"y", L"12345");
  ASSERT_TRUE(reg.OpenKeyReadOnly(Path(L"List")));
  auto keys = reg.GetKeyNames();
  auto values = reg.GetValueNames();
  std::sort(keys.begin(), keys.end());
  std::sort(values.begin(), values.end());
  EXPECT_EQ(keys, (std::vector<std::wstring>{L"One", L"Two"}));
  EXPECT_EQ(values, (std::vector<std::wstring>{L"x", L"y"}));
  TRegKeyInfo info;
  ASSERT_TRUE(reg.GetKeyInfo(info));
  EXPECT_EQ(info.NumSubKeys, 2u);
  EXPECT_EQ(info.NumValues, 2u);
  EXPECT_EQ(info.MaxDataLen, 12u);
}

TEST_F(RegistryTest, ThirtyTwoBitViewSeesOnlyItsOwnKeys) {
  const std::wstring path = L"\\Software\\PurgalotViewTest_" + std::to_wstring(GetCurrentProcessId());
  TRegistry wow(KEY_WOW64_32KEY);
  wow.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(wow.OpenKey(path, true));
  wow.CloseKey();
  TRegistry native;
  native.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_TRUE(wow.KeyExists(path));
  EXPECT_FALSE(native.KeyExists(path));
  EXPECT_TRUE(wow.DeleteKey(path));
  EXPECT_FALSE(wow.KeyExists(path));
}

}  // namespace

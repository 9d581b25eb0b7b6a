// The registry's Run value, tried on a key of the test's own so that the user's real entries stay as
// they are.

#include <windows.h>

#include <gtest/gtest.h>

#include <random>

#include "platform/autostart.h"
#include "storage/file_io.h"

namespace kalvo {
namespace {

namespace fs = std::filesystem;

class RegistryAutostartTest : public ::testing::Test {
protected:
    RegistryAutostartTest() : root_(L"Software\\KalvoTest-" + std::to_wstring(std::random_device{}())) {}
    ~RegistryAutostartTest() override { RegDeleteTreeW(HKEY_CURRENT_USER, root_.c_str()); }

    std::wstring Key() const { return root_ + L"\\Run"; }

    // The value's data as the registry holds it; nullopt when there is none.
    std::optional<std::wstring> Value(const std::wstring& name) const {
        wchar_t data[1024] = {};
        DWORD size = sizeof data - sizeof(wchar_t);
        if (RegGetValueW(HKEY_CURRENT_USER, Key().c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        return std::wstring(data);
    }

    std::wstring root_;
};

TEST_F(RegistryAutostartTest, OnWritesOnlyWhenAbsentAndOffRemoves) {
    const fs::path mine = storage::PathFromUtf8("C:\\Programy\\Kalvo Šimon\\kalvo.exe");
    const fs::path other = "D:\\kalvo\\kalvo.exe";
    const auto entry = MakeRegistryAutostartEntry(Key(), mine);
    const auto otherEntry = MakeRegistryAutostartEntry(Key(), other);

    EXPECT_FALSE(entry->IsOn());
    EXPECT_TRUE(entry->Disable());  // nothing to remove
    EXPECT_TRUE(entry->Enable());
    EXPECT_TRUE(entry->IsOn());
    // Named after the file, holding the full path in quotes, so that the space is not read as the end
    // of the program's name.
    EXPECT_EQ(Value(L"kalvo.exe"), L'"' + mine.wstring() + L'"');
    EXPECT_FALSE(otherEntry->IsOn());

    // Another copy's value is not taken over, but turning off removes it.
    EXPECT_TRUE(otherEntry->Enable());
    EXPECT_EQ(Value(L"kalvo.exe"), L'"' + mine.wstring() + L'"');
    EXPECT_TRUE(otherEntry->Disable());
    EXPECT_EQ(Value(L"kalvo.exe"), std::nullopt);
    EXPECT_FALSE(entry->IsOn());
}

TEST_F(RegistryAutostartTest, OnlyTheExactPathCountsAsOn) {
    const auto entry = MakeRegistryAutostartEntry(Key(), "C:\\Kalvo\\kalvo.exe");
    ASSERT_TRUE(entry->Enable());
    const auto otherCase = MakeRegistryAutostartEntry(Key(), "c:\\kalvo\\kalvo.exe");
    EXPECT_FALSE(otherCase->IsOn());
    EXPECT_TRUE(entry->IsOn());
}

TEST_F(RegistryAutostartTest, TheValueCountsAsOnQuotedOrNot) {
    const fs::path mine = "C:\\Program Files\\Kalvo\\kalvo.exe";
    const auto entry = MakeRegistryAutostartEntry(Key(), mine);
    const auto set = [&](const std::wstring& data) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, Key().c_str(), L"kalvo.exe", REG_SZ, data.c_str(),
                                  static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    };
    set(mine.wstring());  // as earlier versions and their installer wrote it
    EXPECT_TRUE(entry->IsOn());
    set(L'"' + mine.wstring() + L'"');
    EXPECT_TRUE(entry->IsOn());
    for (const std::wstring& other :
         {L'"' + mine.wstring(), mine.wstring() + L'"', std::wstring(L"\"C:\\Kalvo\\kalvo.exe\""),
          L'"' + mine.wstring() + L"\" --hidden"}) {
        set(other);
        EXPECT_FALSE(entry->IsOn()) << fs::path(other).string();
    }
    EXPECT_TRUE(entry->Disable());
    EXPECT_EQ(Value(L"kalvo.exe"), std::nullopt);
}

}  // namespace
}  // namespace kalvo

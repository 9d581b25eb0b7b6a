#include "platform/win32/windows_version.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kalvo {
namespace {

WindowsVersionData Extended(std::uint32_t platform, std::uint32_t major, std::uint32_t minor,
                            std::uint8_t productType = kProductWorkstation, std::uint32_t build = 0) {
    WindowsVersionData v;
    v.read = v.extended = true;
    v.platformId = platform;
    v.major = major;
    v.minor = minor;
    v.productType = productType;
    v.build = build;
    return v;
}

WindowsVersionData Basic(std::uint32_t platform, std::uint32_t major, std::uint32_t minor,
                         std::optional<std::string> registryType) {
    WindowsVersionData v = Extended(platform, major, minor);
    v.extended = false;
    v.productType = kProductServer;  // left over in the structure; only the registry counts now
    v.registryProductType = std::move(registryType);
    return v;
}

void ExpectFamily(const WindowsVersionData& v, int code, const std::string& name) {
    const WindowsFamily f = ClassifyWindows(v);
    EXPECT_EQ(f.code, code) << name;
    EXPECT_EQ(f.name, name);
    EXPECT_EQ(WindowsDisplayName(v), name) << "the family's own name is what is shown";
}

TEST(WindowsFamily, OlderFamiliesBySumOfTheVersion) {
    ExpectFamily(WindowsVersionData{}, -1, "Chyba identifikácie");
    ExpectFamily(Extended(kPlatformWin32s, 3, 11), 1, "MS Windows 3.x");
    ExpectFamily(Extended(kPlatformWindows, 4, 0), 2, "MS Windows 95");
    ExpectFamily(Extended(kPlatformWindows, 4, 10), 3, "MS Windows 98");
    ExpectFamily(Extended(kPlatformWindows, 4, 90), 4, "MS Windows ME");
    ExpectFamily(Extended(kPlatformWindows, 4, 3), -2, "Neznámy OS");
    ExpectFamily(Extended(7, 5, 1), -2, "Neznámy OS");  // a platform no table knows
    // The sum is taken without wrapping, so absurd numbers match nothing.
    ExpectFamily(Extended(kPlatformWindows, 0xFFFFFFFFu, 5), -2, "Neznámy OS");
}

TEST(WindowsFamily, NtFamilyWithTheProductSuffix) {
    ExpectFamily(Extended(kPlatformNT, 5, 1, kProductWorkstation), 5, "MS Windows XP Professional");
    ExpectFamily(Extended(kPlatformNT, 5, 0, kProductServer), 5, "MS Windows 2000 Server");
    ExpectFamily(Extended(kPlatformNT, 5, 1, kProductDomainController), 5, "MS Windows XP");
    ExpectFamily(Extended(kPlatformNT, 3, 51, 0), 5, "MS Windows NT 3.51");
    // Only the basic structure: the registry's ProductType decides.
    ExpectFamily(Basic(kPlatformNT, 3, 51, "WINNT"), 5, "MS Windows NT 3.51 Workstation");
    ExpectFamily(Basic(kPlatformNT, 5, 0, "SERVERNT"), 5, "MS Windows 2000 Server");
    ExpectFamily(Basic(kPlatformNT, 5, 1, "LANMANNT"), 5, "MS Windows XP");
    ExpectFamily(Basic(kPlatformNT, 5, 1, std::nullopt), 5, "MS Windows XP");
    // NT 4.0 adds up to 4: unknown, and without a suffix.
    ExpectFamily(Extended(kPlatformNT, 4, 0, kProductWorkstation), -2, "Neznámy OS");
    ExpectFamily(Basic(kPlatformNT, 4, 0, "WINNT"), -2, "Neznámy OS");
}

TEST(WindowsFamily, LaterNtVersionsAreUnknownToTheTableButNamed) {
    struct Case {
        WindowsVersionData v;
        const char* name;
    };
    const std::vector<Case> cases = {
        {Extended(kPlatformNT, 5, 2, kProductServer), "MS Windows Server 2003"},
        {Extended(kPlatformNT, 5, 2, kProductWorkstation), "MS Windows XP Professional x64"},
        {Extended(kPlatformNT, 6, 1, kProductWorkstation), "MS Windows 7"},
        {Basic(kPlatformNT, 6, 1, "SERVERNT"), "MS Windows Server 2008 R2"},
        {Extended(kPlatformNT, 6, 2, kProductDomainController), "MS Windows Server 2012"},
        {Extended(kPlatformNT, 6, 3, kProductWorkstation), "MS Windows 8.1"},
        {Extended(kPlatformNT, 10, 0, kProductWorkstation, 19045), "MS Windows 10"},
        {Extended(kPlatformNT, 10, 0, kProductWorkstation, 22000), "MS Windows 11"},
        {Extended(kPlatformNT, 10, 0, kProductServer, 17763), "MS Windows Server 2019"},
        {Extended(kPlatformNT, 10, 0, kProductServer, 20348), "MS Windows Server 2022"},
        {Extended(kPlatformNT, 10, 0, kProductServer, 10240), "MS Windows Server"},
        {Extended(kPlatformNT, 11, 2, kProductWorkstation), "MS Windows NT 11.2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyWindows(c.v).code, -2) << c.name;
        EXPECT_EQ(ClassifyWindows(c.v).name, "Neznámy OS") << c.name;
        EXPECT_EQ(WindowsDisplayName(c.v), c.name);
    }
    // 6.0 adds up to 6 like XP: the family (and so the shut-down) stays as the table has it, the name not.
    const WindowsVersionData vista = Extended(kPlatformNT, 6, 0, kProductWorkstation);
    EXPECT_EQ(ClassifyWindows(vista).code, 5);
    EXPECT_EQ(ClassifyWindows(vista).name, "MS Windows XP Professional");
    EXPECT_EQ(WindowsDisplayName(vista), "MS Windows Vista");
    EXPECT_EQ(WindowsDisplayName(Extended(kPlatformNT, 6, 0, kProductServer)), "MS Windows Server 2008");
}

class RecordingCalls : public ShutdownCalls {
public:
    bool EnableShutdownPrivilege() override {
        calls.push_back("privilege");
        return privilegeWorks;
    }
    bool RequestExit(unsigned flags) override {
        calls.push_back("exit " + std::to_string(flags));
        return true;
    }
    bool privilegeWorks = true;
    std::vector<std::string> calls;
};

std::vector<std::string> ShutDownOn(const WindowsVersionData& v, bool privilegeWorks = true) {
    RecordingCalls calls;
    calls.privilegeWorks = privilegeWorks;
    EXPECT_EQ(ShutDownWindows(v, calls), privilegeWorks || v.platformId != kPlatformNT || !v.read);
    return calls.calls;
}

TEST(WindowsShutDown, NtSystemsEnableThePrivilegeAndPowerOff) {
    const std::vector<std::string> privileged = {"privilege", "exit 12"};
    EXPECT_EQ(ShutDownOn(Extended(kPlatformNT, 5, 1)), privileged);
    // Unknown to the family table, but NT all the same: without the privilege the request would fail.
    EXPECT_EQ(ShutDownOn(Extended(kPlatformNT, 4, 0)), privileged);
    EXPECT_EQ(ShutDownOn(Extended(kPlatformNT, 10, 0, kProductWorkstation, 22631)), privileged);
    EXPECT_EQ(ShutDownOn(Basic(kPlatformNT, 6, 1, std::nullopt)), privileged);
    // A failed privilege call means no request at all.
    EXPECT_EQ(ShutDownOn(Extended(kPlatformNT, 5, 1), false), std::vector<std::string>{"privilege"});
}

TEST(WindowsShutDown, OtherFamiliesAskPlainly) {
    const std::vector<std::string> plain = {"exit 1"};
    EXPECT_EQ(ShutDownOn(Extended(kPlatformWindows, 4, 10)), plain);
    EXPECT_EQ(ShutDownOn(Extended(kPlatformWin32s, 3, 11)), plain);
    EXPECT_EQ(ShutDownOn(WindowsVersionData{}), plain);  // the version could not be read
}

}  // namespace
}  // namespace kalvo

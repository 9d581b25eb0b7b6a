#include "platform/win32/windows_version.h"

namespace kalvo {
namespace {

std::string ProductSuffix(const WindowsVersionData& v) {
    if (v.extended) {
        if (v.productType == kProductWorkstation) return " Professional";
        if (v.productType == kProductServer) return " Server";
        return "";
    }
    if (v.registryProductType == "WINNT") return " Workstation";
    if (v.registryProductType == "SERVERNT") return " Server";
    return "";
}

bool IsServer(const WindowsVersionData& v) {
    if (v.extended) return v.productType == kProductServer || v.productType == kProductDomainController;
    return v.registryProductType == "SERVERNT" || v.registryProductType == "LANMANNT";
}

// Windows 11 and the server releases since 2016 all call themselves 10.0; only the build tells them apart.
std::string Nt10Name(const WindowsVersionData& v) {
    if (!IsServer(v)) return v.build >= 22000 ? "MS Windows 11" : "MS Windows 10";
    if (v.build >= 26100) return "MS Windows Server 2025";
    if (v.build >= 20348) return "MS Windows Server 2022";
    if (v.build >= 17763) return "MS Windows Server 2019";
    if (v.build >= 14393) return "MS Windows Server 2016";
    return "MS Windows Server";
}

std::string LaterNtName(const WindowsVersionData& v) {
    const bool server = IsServer(v);
    if (v.major == 5 && v.minor == 2) return server ? "MS Windows Server 2003" : "MS Windows XP Professional x64";
    if (v.major == 6 && v.minor == 0) return server ? "MS Windows Server 2008" : "MS Windows Vista";
    if (v.major == 6 && v.minor == 1) return server ? "MS Windows Server 2008 R2" : "MS Windows 7";
    if (v.major == 6 && v.minor == 2) return server ? "MS Windows Server 2012" : "MS Windows 8";
    if (v.major == 6 && v.minor == 3) return server ? "MS Windows Server 2012 R2" : "MS Windows 8.1";
    if (v.major == 10 && v.minor == 0) return Nt10Name(v);
    return "MS Windows NT " + std::to_string(v.major) + "." + std::to_string(v.minor);
}

}  // namespace

WindowsFamily ClassifyWindows(const WindowsVersionData& v) {
    if (!v.read) return {-1, "Chyba identifikácie"};
    // The sum of major and minor version is what tells the families apart (and NT 3.51 gives 54).
    const std::uint64_t sum = std::uint64_t{v.major} + v.minor;
    switch (v.platformId) {
        case kPlatformWin32s:
            return {1, "MS Windows 3.x"};
        case kPlatformWindows:
            if (sum == 4) return {2, "MS Windows 95"};
            if (sum == 14) return {3, "MS Windows 98"};
            if (sum == 94) return {4, "MS Windows ME"};
            break;
        case kPlatformNT: {
            std::string name;
            if (sum == 5) name = "MS Windows 2000";
            else if (sum == 6) name = "MS Windows XP";
            else if (sum == 54) name = "MS Windows NT " + std::to_string(v.major) + "." + std::to_string(v.minor);
            else break;
            return {5, name + ProductSuffix(v)};
        }
        default:
            break;
    }
    return {-2, "Neznámy OS"};
}

std::string WindowsDisplayName(const WindowsVersionData& v) {
    // The family table knows nothing after XP: it calls 6.0 (whose sum is 6) XP and every later release
    // unknown. NT 4.0 and unknown platforms keep the table's answer.
    const bool afterXp = v.read && v.platformId == kPlatformNT && (v.major > 5 || (v.major == 5 && v.minor >= 2));
    return afterXp ? LaterNtName(v) : ClassifyWindows(v).name;
}

bool ShutDownWindows(const WindowsVersionData& version, ShutdownCalls& calls) {
    if (version.read && version.platformId == kPlatformNT) {
        if (!calls.EnableShutdownPrivilege()) return false;
        return calls.RequestExit(kExitPowerOffForced);
    }
    return calls.RequestExit(kExitShutdown);
}

}  // namespace kalvo

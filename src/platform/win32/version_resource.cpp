#include "platform/win32/version_resource.h"

#include <windows.h>

#include <filesystem>
#include <vector>

#include "platform/system_paths.h"

namespace kalvo {

std::string ExecutableVersionText() {
    const std::wstring exe = ExecutablePath().wstring();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(exe.c_str(), 0, size, block.data())) return {};

    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT bytes = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &bytes) ||
        bytes < sizeof(Translation))
        return {};
    wchar_t query[64];
    swprintf(query, sizeof query / sizeof query[0], L"\\StringFileInfo\\%04x%04x\\ProductVersion",
             translations[0].language, translations[0].codePage);
    wchar_t* text = nullptr;
    UINT chars = 0;
    if (!VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&text), &chars) || chars == 0) return {};
    std::wstring value(text, chars);
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    const std::u8string u = std::filesystem::path(value).u8string();
    return std::string(reinterpret_cast<const char*>(u.data()), u.size());
}

}  // namespace kalvo

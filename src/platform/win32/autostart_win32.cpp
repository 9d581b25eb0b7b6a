// The registry's Run value of the current user: named after the executable's file name, holding its
// full path in quotes (Windows reads an unquoted path with spaces as a program and its arguments).
// Values written unquoted by earlier versions still count as this program's.

#include "platform/autostart.h"

#include <windows.h>

#include <string>

namespace fs = std::filesystem;

namespace kalvo {
namespace {

constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class RunKey {
public:
    explicit RunKey(const std::wstring& path) {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                            &key_, nullptr) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~RunKey() {
        if (key_) RegCloseKey(key_);
    }
    RunKey(const RunKey&) = delete;
    RunKey& operator=(const RunKey&) = delete;

    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

class RegistryAutostartEntry final : public AutostartEntry {
public:
    RegistryAutostartEntry(std::wstring keyPath, const fs::path& executable)
        : keyPath_(std::move(keyPath)),
          name_(executable.filename().wstring()),
          path_(executable.wstring()),
          command_(L'"' + path_ + L'"') {}

    bool IsOn() const override {
        RunKey key(keyPath_);
        if (!key.get()) return false;
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(key.get(), name_.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return false;
        std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        if (RegQueryValueExW(key.get(), name_.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
            ERROR_SUCCESS)
            return false;
        data.resize(size / sizeof(wchar_t));
        while (!data.empty() && data.back() == L'\0') data.pop_back();
        return data == command_ || data == path_;  // case-sensitive, as the value was written
    }

    bool Enable() override {
        RunKey key(keyPath_);
        if (!key.get()) return false;
        if (RegQueryValueExW(key.get(), name_.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            return true;  // a value of that name stays as it is
        const DWORD bytes = static_cast<DWORD>((command_.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(key.get(), name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(command_.c_str()),
                              bytes) == ERROR_SUCCESS;
    }

    bool Disable() override {
        RunKey key(keyPath_);
        if (!key.get()) return false;
        const LSTATUS status = RegDeleteValueW(key.get(), name_.c_str());
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }

private:
    std::wstring keyPath_;
    std::wstring name_;
    std::wstring path_;
    std::wstring command_;  // what the value holds
};

}  // namespace

std::unique_ptr<AutostartEntry> MakeRegistryAutostartEntry(const std::wstring& keyPath, const fs::path& executable) {
    return std::make_unique<RegistryAutostartEntry>(keyPath, executable);
}

std::unique_ptr<AutostartEntry> MakeAutostartEntry(const fs::path& executable) {
    return MakeRegistryAutostartEntry(kRunKey, executable);
}

}  // namespace kalvo

#pragma once
// Points an environment variable elsewhere for one test, so nothing reaches the real home or data folder.

#include <cstdlib>
#include <optional>
#include <string>

namespace kalvo::test {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        Set(value);
    }
    ~ScopedEnv() { Set(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const std::optional<std::string>& value) const {
#ifdef _WIN32
        _putenv_s(name_, value ? value->c_str() : "");  // an empty value removes the variable there
#else
        if (value) setenv(name_, value->c_str(), 1);
        else unsetenv(name_);
#endif
    }

    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace kalvo::test

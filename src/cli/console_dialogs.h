#pragma once
// The store's messages for a command-line run.

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "core/dialogs.h"

namespace kalvo::cli {

// Messages go to stderr; questions are answered No and file choices cancelled.
class ConsoleDialogs final : public Dialogs {
public:
    bool AskYesNo(const std::string&, const std::string&, QuestionIcon) override { return false; }
    void Inform(const std::string&, const std::string& text) override { std::cerr << "kalvo-cli: " << text << '\n'; }
    void ShowError(const std::string&, const std::string& text) override {
        if (holdErrors) held.push_back(text);
        else std::cerr << "kalvo-cli: " << text << '\n';
        ++errors;
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogOptions&) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const FileDialogOptions&) override { return std::nullopt; }

    int errors = 0;
    // Errors are kept in `held` instead of printed, for a command that tells them in its own words.
    bool holdErrors = false;
    std::vector<std::string> held;
};

}  // namespace kalvo::cli

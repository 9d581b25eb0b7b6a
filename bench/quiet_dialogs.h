#pragma once
// Dialogs that answer nothing and count the errors, for measurements without windows.

#include <optional>
#include <string>

#include "core/dialogs.h"

namespace kalvo::bench {

class QuietDialogs final : public Dialogs {
public:
    bool AskYesNo(const std::string&, const std::string&, QuestionIcon) override { return false; }
    void Inform(const std::string&, const std::string&) override {}
    void ShowError(const std::string&, const std::string&) override { ++errors; }
    std::optional<std::string> ChooseOpenFile(const FileDialogOptions&) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const FileDialogOptions&) override { return std::nullopt; }
    int errors = 0;
};

}  // namespace kalvo::bench

#pragma once
// Dialogs answered by the test: every question and message is recorded, questions get scripted answers.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/dialogs.h"

namespace kalvo::test {

class FakeDialogs : public Dialogs {
public:
    struct Shown {
        std::string kind;  // "question", "info", "error", "open", "save"
        std::string caption;
        std::string text;
    };

    bool AskYesNo(const std::string& caption, const std::string& text, QuestionIcon icon) override;
    void Inform(const std::string& caption, const std::string& text) override;
    void ShowError(const std::string& caption, const std::string& text) override;
    std::optional<std::string> ChooseOpenFile(const FileDialogOptions& options) override;
    std::optional<std::string> ChooseSaveFile(const FileDialogOptions& options) override;
    int AskChoice(const std::string& caption, const std::string& text, const std::vector<std::string>& buttons,
                  QuestionIcon icon) override;

    std::deque<bool> answers;                       // for AskYesNo; No when empty
    std::deque<int> choices;                        // for AskChoice; -1 (closed) when empty
    std::vector<std::vector<std::string>> buttons;  // of each AskChoice
    std::deque<std::optional<std::string>> files;   // for the file dialogs; cancel when empty
    std::vector<Shown> shown;
    std::vector<FileDialogOptions> fileDialogs;
    // Runs as each one is shown, as if while it waited on screen.
    std::function<void(const Shown&)> whileShown;

    int Count(const std::string& kind) const;

private:
    void Show(const Shown& s);
};

}  // namespace kalvo::test

#include "support/fake_dialogs.h"

#include <algorithm>

namespace kalvo::test {

bool FakeDialogs::AskYesNo(const std::string& caption, const std::string& text, QuestionIcon) {
    Show({"question", caption, text});
    if (answers.empty()) return false;
    const bool a = answers.front();
    answers.pop_front();
    return a;
}

void FakeDialogs::Inform(const std::string& caption, const std::string& text) { Show({"info", caption, text}); }

void FakeDialogs::ShowError(const std::string& caption, const std::string& text) { Show({"error", caption, text}); }

std::optional<std::string> FakeDialogs::ChooseOpenFile(const FileDialogOptions& options) {
    Show({"open", options.title, options.filter});
    fileDialogs.push_back(options);
    if (files.empty()) return std::nullopt;
    auto f = files.front();
    files.pop_front();
    return f;
}

std::optional<std::string> FakeDialogs::ChooseSaveFile(const FileDialogOptions& options) {
    Show({"save", options.title, options.filter});
    fileDialogs.push_back(options);
    if (files.empty()) return std::nullopt;
    auto f = files.front();
    files.pop_front();
    return f;
}

int FakeDialogs::AskChoice(const std::string& caption, const std::string& text, const std::vector<std::string>& b,
                           QuestionIcon) {
    Show({"choice", caption, text});
    buttons.push_back(b);
    if (choices.empty()) return -1;
    const int c = choices.front();
    choices.pop_front();
    return c;
}

void FakeDialogs::Show(const Shown& s) {
    shown.push_back(s);
    if (whileShown) whileShown(s);
}

int FakeDialogs::Count(const std::string& kind) const {
    return static_cast<int>(std::count_if(shown.begin(), shown.end(), [&](const Shown& s) { return s.kind == kind; }));
}

}  // namespace kalvo::test

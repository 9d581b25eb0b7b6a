#pragma once
// Questions, messages and file choices the program puts to the user. The windows answer them with real
// message boxes; tests and the command-line tool answer them without any window.

#include <optional>
#include <string>
#include <vector>

namespace kalvo {

struct FileDialogOptions {
    std::string title;
    std::string filter;   // "Caption|*.a;*.b|Caption|*.c", pairs separated by '|'
    int filterIndex = 1;  // 1-based
    std::string defaultExtension;
    std::string initialFolder;
};

enum class QuestionIcon { Question, Warning };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual bool AskYesNo(const std::string& caption, const std::string& text, QuestionIcon icon) = 0;
    virtual void Inform(const std::string& caption, const std::string& text) = 0;
    virtual void ShowError(const std::string& caption, const std::string& text) = 0;
    virtual std::optional<std::string> ChooseOpenFile(const FileDialogOptions& options) = 0;
    virtual std::optional<std::string> ChooseSaveFile(const FileDialogOptions& options) = 0;
    // A question with buttons of its own: the index of the one chosen, -1 when the question was closed
    // (or there is no one to ask: callers make -1 the safe answer).
    virtual int AskChoice(const std::string& /*caption*/, const std::string& /*text*/,
                          const std::vector<std::string>& /*buttons*/, QuestionIcon /*icon*/) {
        return -1;
    }
};

}  // namespace kalvo

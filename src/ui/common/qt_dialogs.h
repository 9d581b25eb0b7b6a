#pragma once
// Questions, messages and file choices as real message boxes and file dialogs, owned by a window.

#include <QPointer>
#include <QWidget>

#include "core/dialogs.h"

namespace kalvo::ui {

class QtDialogs final : public Dialogs {
public:
    void SetOwner(QWidget* owner) { owner_ = owner; }

    bool AskYesNo(const std::string& caption, const std::string& text, QuestionIcon icon) override;
    void Inform(const std::string& caption, const std::string& text) override;
    void ShowError(const std::string& caption, const std::string& text) override;
    std::optional<std::string> ChooseOpenFile(const FileDialogOptions& options) override;
    std::optional<std::string> ChooseSaveFile(const FileDialogOptions& options) override;
    // The last button is the one Escape and the window's close press.
    int AskChoice(const std::string& caption, const std::string& text, const std::vector<std::string>& buttons,
                  QuestionIcon icon) override;

private:
    QPointer<QWidget> owner_;
};

// "Caption|*.a;*.b|Caption|*.c" as the file dialog's filter list.
QStringList FileDialogFilters(const QString& filter);

}  // namespace kalvo::ui

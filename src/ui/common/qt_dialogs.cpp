#include "ui/common/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

namespace kalvo::ui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

void Message(QWidget* owner, QMessageBox::Icon icon, const std::string& caption, const std::string& text) {
    QMessageBox box(icon, Q(caption), Q(text), QMessageBox::NoButton, owner);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

std::optional<std::string> ChooseFile(QWidget* owner, const FileDialogOptions& o, bool save) {
    QFileDialog dialog(owner, Q(o.title), Q(o.initialFolder));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = FileDialogFilters(Q(o.filter));
    dialog.setNameFilters(filters);
    if (o.filterIndex >= 1 && o.filterIndex <= filters.size()) dialog.selectNameFilter(filters.at(o.filterIndex - 1));
    QString suffix = Q(o.defaultExtension).section(QLatin1Char(';'), 0, 0);
    suffix.remove(QStringLiteral("*."));
    if (!suffix.isEmpty() && suffix != QLatin1String("*")) dialog.setDefaultSuffix(suffix);
    if (save) {
        // A name typed without an extension gets the one of the file type chosen in the dialog.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, suffix](const QString& chosen) {
            const qsizetype at = chosen.lastIndexOf(QStringLiteral("(*."));
            const QString own =
                at < 0 ? QString() : chosen.mid(at + 3).section(QLatin1Char(')'), 0, 0).section(QLatin1Char(' '), 0, 0);
            const QString fallback = suffix != QLatin1String("*") ? suffix : QString();
            dialog.setDefaultSuffix(!own.isEmpty() && own != QLatin1String("*") ? own : fallback);
        });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

}  // namespace

QStringList FileDialogFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (patterns == QLatin1String("*.*")) patterns = QStringLiteral("*");
        QString caption = parts.at(i);
        // Captions that already name their patterns keep them; the dialog reads the last parentheses.
        if (caption.contains(QLatin1Char('('))) caption = caption.left(caption.indexOf(QLatin1Char('('))).trimmed();
        out << QStringLiteral("%1 (%2)").arg(caption, patterns);
    }
    return out;
}

bool QtDialogs::AskYesNo(const std::string& caption, const std::string& text, QuestionIcon icon) {
    QMessageBox box(icon == QuestionIcon::Warning ? QMessageBox::Warning : QMessageBox::Question, Q(caption), Q(text),
                    QMessageBox::NoButton, owner_);
    QPushButton* yes = box.addButton(QStringLiteral("Áno"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Nie"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

int QtDialogs::AskChoice(const std::string& caption, const std::string& text, const std::vector<std::string>& buttons,
                         QuestionIcon icon) {
    QMessageBox box(icon == QuestionIcon::Warning ? QMessageBox::Warning : QMessageBox::Question, Q(caption), Q(text),
                    QMessageBox::NoButton, owner_);
    std::vector<QPushButton*> pushed;
    for (const std::string& b : buttons) pushed.push_back(box.addButton(Q(b), QMessageBox::ActionRole));
    if (pushed.empty()) return -1;
    box.setDefaultButton(pushed.front());
    box.setEscapeButton(pushed.back());
    box.exec();
    const auto chosen = std::find(pushed.begin(), pushed.end(), box.clickedButton());
    return chosen == pushed.end() ? -1 : static_cast<int>(chosen - pushed.begin());
}

void QtDialogs::Inform(const std::string& caption, const std::string& text) {
    Message(owner_, QMessageBox::Information, caption, text);
}

void QtDialogs::ShowError(const std::string& caption, const std::string& text) {
    Message(owner_, QMessageBox::Critical, caption, text);
}

std::optional<std::string> QtDialogs::ChooseOpenFile(const FileDialogOptions& options) {
    return ChooseFile(owner_, options, false);
}

std::optional<std::string> QtDialogs::ChooseSaveFile(const FileDialogOptions& options) {
    return ChooseFile(owner_, options, true);
}

}  // namespace kalvo::ui

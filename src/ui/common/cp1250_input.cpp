#include "ui/common/cp1250_input.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextDocument>
#include <algorithm>

#include "core/cp1250.h"
#include "core/reminder.h"

namespace kalvo::ui {

QString HoldableText(const QString& text, QString* refused) {
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text.at(i).unicode();
        qsizetype n = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            n = 2;
        }
        // A zero byte would end the text when the file is read back; other control characters are
        // refused as kalvo-cli and D-Bus refuse them. A tab becomes a space; the text box's own line
        // breaks stay until the text is saved as one line.
        const bool lineBreak = c == '\n' || c == '\r';
        const bool holdable =
            c != 0 && !QChar::isSurrogate(c) && Cp1250CanHold(c) && (lineBreak || !IsControlCharacter(c));
        if (c == '\t') kept += QLatin1Char(' ');
        else if (holdable) kept += text.mid(i, n);
        else if (refused) *refused += text.mid(i, n);
        i += n;
    }
    return kept;
}

QString RefusedNote(const QString& refused) {
    QList<char32_t> each;
    for (const uint u : refused.toUcs4())
        if (const auto c = static_cast<char32_t>(u); !each.contains(c)) each.push_back(c);
    QStringList quoted;
    // A control character has no face of its own: it is named by its code.
    for (const char32_t c : each)
        quoted << (IsControlCharacter(c)
                       ? QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper()
                       : QStringLiteral("„%1“").arg(QString::fromUcs4(&c, 1)));
    if (quoted.size() == 1)
        return QStringLiteral("Znak %1 sa do súboru nedá uložiť, preto sa nevložil.").arg(quoted.front());
    const QString last = quoted.takeLast();
    return QStringLiteral("Znaky %1 a %2 sa do súboru nedajú uložiť, preto sa nevložili.")
        .arg(quoted.join(QStringLiteral(", ")), last);
}

QString TooLongNote(int limit) {
    return QStringLiteral("Text môže mať najviac %1 znakov, ďalšie sa nevložili.").arg(limit);
}

QValidator::State Cp1250Validator::validate(QString& input, int& pos) const {
    QString refusedChars;
    const QString kept = HoldableText(input, &refusedChars);
    if (refusedChars.isEmpty()) return Acceptable;
    // The cursor stays behind what was typed before it.
    pos = static_cast<int>(HoldableText(input.left(pos)).size());
    input = kept;
    emit refused(refusedChars);
    return Acceptable;
}

Cp1250TextEdit::Cp1250TextEdit(QWidget* parent) : QPlainTextEdit(parent) {
    // Tab moves on to the next field, as in every form of the program.
    setTabChangesFocus(true);
}

QString Cp1250TextEdit::Fitting(const QString& text) {
    const QTextCursor cursor = textCursor();
    const qsizetype kept = document()->characterCount() - 1 - (cursor.selectionEnd() - cursor.selectionStart());
    constexpr int kLimit = static_cast<int>(kMaxTextLength);
    const qsizetype room = std::max<qsizetype>(kLimit - kept, 0);
    if (text.size() <= room) return text;
    emit tooLong(kLimit);
    return text.left(room);
}

void Cp1250TextEdit::keyPressEvent(QKeyEvent* event) {
    // The text is stored as one line: Enter is the window's (it writes the reminder), Shift+Enter still
    // breaks the line on screen.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (event->modifiers() & Qt::ShiftModifier) {
            insertPlainText(QStringLiteral("\n"));
            event->accept();
        } else {
            event->ignore();
        }
        return;
    }
    QString refusedChars;
    const QString text = event->text();
    const bool printable = !text.isEmpty() && text.at(0) >= QChar(0x20) && text.at(0) != QChar(0x7F);
    if (printable) {
        const QString kept = Fitting(HoldableText(text, &refusedChars));
        if (kept != text) {
            if (!kept.isEmpty()) insertPlainText(kept);
            if (!refusedChars.isEmpty()) emit refused(refusedChars);
            event->accept();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void Cp1250TextEdit::inputMethodEvent(QInputMethodEvent* event) {
    QString refusedChars;
    const QString kept = Fitting(HoldableText(event->commitString(), &refusedChars));
    if (kept == event->commitString()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&filtered);
    if (!refusedChars.isEmpty()) emit refused(refusedChars);
}

void Cp1250TextEdit::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText()) return;
    QString refusedChars;
    const QString kept = HoldableText(source->text(), &refusedChars);
    insertPlainText(Fitting(kept));
    if (!refusedChars.isEmpty()) emit refused(refusedChars);
}

}  // namespace kalvo::ui

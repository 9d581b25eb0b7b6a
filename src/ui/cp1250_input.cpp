#include "ui/cp1250_input.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>

#include "core/cp1250.h"

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
        // A zero byte would end the text when the file is read back.
        const bool holdable = c != 0 && !QChar::isSurrogate(c) && Cp1250CanHold(c);
        if (holdable) kept += text.mid(i, n);
        else if (refused) *refused += text.mid(i, n);
        i += n;
    }
    return kept;
}

QString RefusedNote(const QString& refused) {
    const qsizetype count = refused.toUcs4().size();
    if (count == 1) return QStringLiteral("Znak „%1“ sa do súboru nedá uložiť, preto sa nevložil.").arg(refused);
    return QStringLiteral("Znaky „%1“ sa do súboru nedajú uložiť, preto sa nevložili.").arg(refused);
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
    if (!text.isEmpty() && HoldableText(text, &refusedChars).size() != text.size()) {
        const QString kept = HoldableText(text);
        if (!kept.isEmpty()) insertPlainText(kept);
        emit refused(refusedChars);
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void Cp1250TextEdit::inputMethodEvent(QInputMethodEvent* event) {
    QString refusedChars;
    const QString kept = HoldableText(event->commitString(), &refusedChars);
    if (refusedChars.isEmpty()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&filtered);
    emit refused(refusedChars);
}

void Cp1250TextEdit::insertFromMimeData(const QMimeData* source) {
    if (!source || !source->hasText()) return;
    QString refusedChars;
    const QString kept = HoldableText(source->text(), &refusedChars);
    insertPlainText(kept);
    if (!refusedChars.isEmpty()) emit refused(refusedChars);
}

}  // namespace kalvo::ui

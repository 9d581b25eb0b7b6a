#pragma once
// Inputs that take only what Windows-1250, the code page of the program's files, can hold: what the user
// sees is what is stored. Characters outside it are left out as they are typed or pasted, and the
// input says which ones it refused.

#include <QPlainTextEdit>
#include <QValidator>

namespace kalvo::ui {

// `text` without the characters the code page cannot hold; those go to `refused` (when given).
QString HoldableText(const QString& text, QString* refused = nullptr);
inline bool Cp1250Holds(const QString& text) { return HoldableText(text).size() == text.size(); }

// The short Slovak note shown when characters were refused: every one of them, each once.
QString RefusedNote(const QString& refused);
// The note shown when typing or pasting would make a text longer than it may be.
QString TooLongNote(int limit);

// For line edits and editable combo boxes.
class Cp1250Validator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;

signals:
    void refused(const QString& characters) const;
};

// A multi-line text box for the reminder's text. What the user types or pastes is cut at the length
// every way of adding a reminder allows; a text set by the program is kept as it is.
class Cp1250TextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit Cp1250TextEdit(QWidget* parent = nullptr);

signals:
    void refused(const QString& characters);
    void tooLong(int limit);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // `text` cut to the room left beside the selection it replaces; tells when it had to cut.
    QString Fitting(const QString& text);
};

}  // namespace kalvo::ui

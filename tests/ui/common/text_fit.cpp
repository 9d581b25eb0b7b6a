#include "text_fit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTextDocument>
#include <QToolButton>
#include <algorithm>

#include "ui/common/program_look.h"
#include "ui/widgets/shape.h"
#include "ui/widgets/shape_button.h"

namespace kalvo::test {
namespace {

// Air a framed button keeps between its outline and its text, on each side: the outline itself and
// four pixels, so that no letter touches it.
constexpr int kButtonAir = 5;
// What a text keeps from the window's outer edge: the frames are one or two pixels wide.
constexpr int kWindowAir = 2;

QString Name(QWidget* w) {
    QString name = w->objectName();
    if (name.isEmpty()) name = QString::fromLatin1(w->metaObject()->className());
    return name;
}

QString Where(QWidget* window, QWidget* w) { return Name(window) + QLatin1Char('/') + Name(w); }

int WidestLine(const QFontMetrics& fm, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

QString WithoutMnemonic(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

class Checker {
public:
    explicit Checker(QWidget* window) : window_(window) {}

    void Check(QWidget* w) {
        if (auto* drawn = qobject_cast<ui::ShapeButton*>(w)) CheckShapeButton(drawn);
        else if (auto* label = qobject_cast<QLabel*>(w)) CheckLabel(label);
        else if (auto* button = qobject_cast<QAbstractButton*>(w)) CheckButton(button);
        else if (auto* edit = qobject_cast<QLineEdit*>(w)) CheckPlaceholder(edit);
    }

    QStringList faults;

private:
    void Fault(QWidget* w, const QString& text, const QString& why) {
        faults << QStringLiteral("%1 \"%2\": %3").arg(Where(window_, w), text, why);
    }

    // The text drawn at `textRect` (the widget's coordinates) must keep clear of the window's edge.
    void InsideWindow(QWidget* w, const QString& text, const QRect& textRect) {
        const QRect inWindow(w->mapTo(window_, textRect.topLeft()), textRect.size());
        const QRect room = window_->rect().adjusted(kWindowAir, 0, -kWindowAir, 0);
        if (inWindow.left() < room.left() || inWindow.right() > room.right())
            Fault(w, text,
                  QStringLiteral("runs into the window's edge (x %1..%2 of %3)")
                      .arg(inWindow.left())
                      .arg(inWindow.right())
                      .arg(window_->width()));
    }

    void Wide(QWidget* w, const QString& text, int need, int room) {
        if (need > room) Fault(w, text, QStringLiteral("needs %1 px, has %2").arg(need).arg(room));
    }

    void CheckLabel(QLabel* l) {
        const QString text = l->text();
        if (text.isEmpty() || !l->pixmap().isNull()) return;
        // Shortened on purpose, with "…" or a smaller letter: it fits by construction.
        if (qobject_cast<ui::FittedLabel*>(l) || l->property("elides").toBool()) return;
        QString plain = text;
        if (Qt::mightBeRichText(text) && l->textFormat() != Qt::PlainText) {
            QTextDocument doc;
            doc.setHtml(text);
            plain = doc.toPlainText();
        }
        const QFontMetrics fm(l->font());
        const QRect room = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
        if (l->wordWrap()) {
            const int need = l->heightForWidth(l->width());
            if (need > l->height())
                Fault(l, plain, QStringLiteral("wraps to %1 px high, has %2").arg(need).arg(l->height()));
            // A zero-width space is a place to break, as in a long address.
            for (const QString& word :
                 plain.split(QRegularExpression(QStringLiteral("[\\s\\x{200B}]+")), Qt::SkipEmptyParts))
                Wide(l, word, fm.horizontalAdvance(word), room.width());
            return;
        }
        const int need = WidestLine(fm, plain);
        Wide(l, plain, need, room.width());
        const int lines = static_cast<int>(plain.count(QLatin1Char('\n'))) + 1;
        const QRect at = QStyle::alignedRect(l->layoutDirection(), l->alignment(),
                                             QSize(std::min(need, room.width()), fm.height() * lines), room);
        InsideWindow(l, plain, at);
    }

    void CheckShapeButton(ui::ShapeButton* b) {
        const QString text = b->Text();
        if (text.isEmpty()) return;
        const QFontMetrics fm(b->font());
        const bool framed = b->Current().frame.isValid();
        const int air = framed ? kButtonAir : 2;  // unframed links draw their text 2 px inside
        const QRect room = b->rect().adjusted(air, 0, -air, 0);
        const int need = fm.horizontalAdvance(text);
        Wide(b, text, need, room.width());
        InsideWindow(b, text,
                     QStyle::alignedRect(b->layoutDirection(), b->Alignment() | Qt::AlignVCenter,
                                         QSize(std::min(need, room.width()), fm.height()), room));
    }

    void CheckButton(QAbstractButton* b) {
        const QString text = WithoutMnemonic(b->text());
        if (text.isEmpty()) return;
        if (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b)) {
            // The style knows the box and the gap before the text.
            const int need = b->sizeHint().width();
            Wide(b, text, need, b->width());
            InsideWindow(b, text, QRect(0, 0, std::min(need, b->width()), b->height()));
            return;
        }
        const QFontMetrics fm(b->font());
        // A flat button of a command bar shows no outline at rest: three pixels of air are enough.
        auto* tool = qobject_cast<QToolButton*>(b);
        const int air = tool && tool->autoRaise() ? 3 : kButtonAir;
        int need = fm.horizontalAdvance(text) + 2 * air;
        if (!b->icon().isNull()) need += b->iconSize().width() + 4;
        Wide(b, text, need, b->width());
        InsideWindow(b, text, b->rect().adjusted(kButtonAir, 0, -kButtonAir, 0));
    }

    // The grey hint of an empty box is all the user reads there: cut, it says nothing.
    void CheckPlaceholder(QLineEdit* e) {
        const QString text = e->placeholderText();
        if (text.isEmpty() || !e->text().isEmpty()) return;
        const int frame = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, e) : 0;
        const QMargins margins = e->textMargins();
        // Qt keeps two pixels between the frame and the text on either side.
        const int room = e->contentsRect().width() - 2 * frame - margins.left() - margins.right() - 2 * 2;
        Wide(e, text, QFontMetrics(e->font()).horizontalAdvance(text), room);
    }

    QWidget* window_;
};

}  // namespace

QStringList CutTexts(QWidget* window) {
    window->ensurePolished();
    QApplication::processEvents();
    Checker checker(window);
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window || !w->isVisibleTo(window)) continue;
        w->ensurePolished();
        checker.Check(w);
    }
    return checker.faults;
}

bool UseDesktopFont(QString* problem) {
    // Where the program brings its own look, that look is the desktop's for it.
    if (ui::HasOwnLook()) return ui::UseProgramLook(problem);
    const QFont desktop(QStringLiteral("DejaVu Sans"), 9);
    if (QFontInfo(desktop).family() != QLatin1String("DejaVu Sans")) {
        *problem = QStringLiteral("DejaVu Sans is missing: install fonts-dejavu-core (scripts/install-deps.sh)");
        return false;
    }
    QApplication::setFont(desktop);
    return true;
}

}  // namespace kalvo::test

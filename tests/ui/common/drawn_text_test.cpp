// What the windows really draw, judged from their pixels: every input box shows its text inside the box
// (a face with odd metrics can put it above the box, where it is cut away and the box looks empty), and
// every month calendar shows its seven days beside the week numbers. Run on every platform the program
// is built for, with that platform's own text drawing (under Wine for Windows).

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QHash>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyleOptionComboBox>
#include <QTableView>
#include <QTest>

#include "filled_windows.h"
#include "text_fit.h"
#include "ui/editor/messageedit.h"
#include "ui/namedays/kalendar.h"
#include "ui/namedays/kalendarlist.h"
#include "ui/settings/setup.h"
#include "ui_fixture.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

// The pixels of `area` that stand out from its background (its commonest colour), and where they are.
struct Ink {
    int pixels = 0;
    QRect bounds;
};

Ink InkIn(const QImage& image, const QRect& area) {
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) ++counts[image.pixel(x, y) | 0xff000000u];
    QRgb background = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    const auto distance = [background](QRgb p) {
        return std::abs(qRed(p) - qRed(background)) + std::abs(qGreen(p) - qGreen(background)) +
               std::abs(qBlue(p) - qBlue(background));
    };
    // Ink is what stands out by at least a third of the strongest contrast there, so that the grey text
    // of a disabled box counts as well as black on white; smoothing at the letters' edges does not.
    int strongest = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) strongest = std::max(strongest, distance(image.pixel(x, y)));
    const int threshold = std::max(60, strongest / 3);
    Ink ink;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            if (distance(image.pixel(x, y)) < threshold) continue;
            ++ink.pixels;
            ink.bounds |= QRect(x, y, 1, 1);
        }
    return ink;
}

// A problem with the text of one box drawn in `image` (the box grabbed alone) inside `inner`, the part
// of the box where text belongs; empty when the text is there and sits inside.
QString JudgeText(const QString& name, const QString& text, const QImage& image, const QRect& inner) {
    if (text.trimmed().isEmpty()) return {};
    const Ink ink = InkIn(image, inner);
    const int letters = static_cast<int>(text.simplified().remove(QLatin1Char(' ')).size());
    if (ink.pixels < 3 * letters)
        return QStringLiteral("%1: „%2“ is not drawn in its box (%3 pixels of ink)").arg(name, text).arg(ink.pixels);
    // Drawn in the box's middle, not cut by its top or bottom edge.
    const int middle = inner.center().y();
    if (ink.bounds.top() <= inner.top() || ink.bounds.bottom() >= inner.bottom() ||
        std::abs(ink.bounds.center().y() - middle) > inner.height() / 4)
        return QStringLiteral("%1: „%2“ is drawn at rows %3 to %4 of a box from %5 to %6")
            .arg(name, text)
            .arg(ink.bounds.top())
            .arg(ink.bounds.bottom())
            .arg(inner.top())
            .arg(inner.bottom());
    return {};
}

// `w` as drawn, and `area` of it in the picture's pixels, which at a scale of 150 % are not the widget's.
struct Drawn {
    QImage image;
    QRect area;
};

Drawn Grab(QWidget* w, const QRect& area) {
    Drawn d{w->grab().toImage(), {}};
    const qreal scale = d.image.devicePixelRatio();
    d.area = QRectF(area.x() * scale, area.y() * scale, area.width() * scale, area.height() * scale).toRect();
    d.area &= d.image.rect();
    return d;
}

QString NameOf(const QWidget* w) {
    for (const QWidget* at = w; at; at = at->parentWidget())
        if (!at->objectName().isEmpty() && !at->objectName().startsWith(QLatin1String("qt_"))) return at->objectName();
    return QString::fromLatin1(w->metaObject()->className());
}

// Every visible input box of `window` whose text is not drawn inside it.
QStringList UndrawnTexts(QWidget* window) {
    QApplication::processEvents();
    QStringList problems;
    for (QLineEdit* edit : window->findChildren<QLineEdit*>()) {
        if (!edit->isVisibleTo(window) || edit->displayText().isEmpty()) continue;
        // A spin box's or date box's own line draws no frame: all of it is room for the text.
        const bool framed = edit->hasFrame() && !qobject_cast<QAbstractSpinBox*>(edit->parentWidget());
        const QRect inner = framed ? edit->rect().adjusted(2, 2, -2, -2) : edit->rect();
        const Drawn d = Grab(edit, inner);
        const QString problem = JudgeText(NameOf(edit), edit->displayText(), d.image, d.area);
        if (!problem.isEmpty()) problems << problem;
    }
    for (QComboBox* box : window->findChildren<QComboBox*>()) {
        if (!box->isVisibleTo(window) || box->isEditable() || box->currentText().isEmpty()) continue;
        QStyleOptionComboBox option;
        option.initFrom(box);
        const QRect field =
            box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
        const Drawn d = Grab(box, field);
        const QString problem = JudgeText(NameOf(box), box->currentText(), d.image, d.area);
        if (!problem.isEmpty()) problems << problem;
    }
    for (QPlainTextEdit* memo : window->findChildren<QPlainTextEdit*>()) {
        const QString first = memo->toPlainText().section(QLatin1Char('\n'), 0, 0);
        if (!memo->isVisibleTo(window) || first.isEmpty()) continue;
        const QWidget* viewport = memo->viewport();
        const Drawn d = Grab(memo->viewport(), QRect(0, 0, viewport->width(), memo->fontMetrics().height() + 8));
        const Ink ink = InkIn(d.image, d.area);
        if (ink.pixels < 3 * static_cast<int>(first.simplified().size()))
            problems << QStringLiteral("%1: „%2“ is not drawn in its box").arg(NameOf(memo), first);
    }
    return problems;
}

// Every visible month calendar of `window` that does not show its week numbers and seven days whole.
QStringList CutCalendars(QWidget* window) {
    QApplication::processEvents();
    QStringList problems;
    for (QCalendarWidget* calendar : window->findChildren<QCalendarWidget*>()) {
        if (!calendar->isVisibleTo(window)) continue;
        const QString name = NameOf(calendar);
        if (calendar->verticalHeaderFormat() != QCalendarWidget::ISOWeekNumbers)
            problems << name + QStringLiteral(": no week numbers");
        auto* view = calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
        if (!view) {
            problems << name + QStringLiteral(": no table of days");
            continue;
        }
        const int columns = view->model()->columnCount();
        if (columns != 8) problems << name + QStringLiteral(": %1 columns instead of 8").arg(columns);
        const int room = view->viewport()->width();
        for (int c = 0; c < columns; ++c) {
            const int left = view->columnViewportPosition(c);
            const int width = view->columnWidth(c);
            if (left < 0 || width < 8 || left + width > room)
                problems << name + QStringLiteral(": column %1 at %2, %3 pixels wide, in a table %4 wide")
                                       .arg(c)
                                       .arg(left)
                                       .arg(width)
                                       .arg(room);
        }
    }
    return problems;
}

void ExpectDrawn(QWidget* window, const QString& shot) {
    UiFixture::Screenshot(window, QStringLiteral("drawn-") + shot);
    const QStringList problems = UndrawnTexts(window) + CutCalendars(window);
    QVERIFY2(problems.isEmpty(), qPrintable(shot + QStringLiteral(":\n  ") + problems.join(QStringLiteral("\n  "))));
}

}  // namespace

class DrawnTextTest : public QObject {
    Q_OBJECT

    QFont before_;

private slots:
    void initTestCase() {
        before_ = QApplication::font();
        QString problem;
        QVERIFY2(UseDesktopFont(&problem), qPrintable(problem));
    }
    void cleanupTestCase() { QApplication::setFont(before_); }

    // The judge itself: a box with its text drawn above it is found, one with it inside is not.
    void judgeFindsTextOutsideItsBox() {
        QImage image(60, 21, QImage::Format_RGB32);
        image.fill(Qt::white);
        const QRect inner = image.rect().adjusted(2, 2, -2, -2);
        QVERIFY(!JudgeText(QStringLiteral("box"), QStringLiteral("12"), image, inner).isEmpty());
        for (int y = 6; y < 15; ++y)
            for (int x = 5; x < 14; ++x) image.setPixel(x, y, qRgb(0, 0, 0));
        QCOMPARE(JudgeText(QStringLiteral("box"), QStringLiteral("12"), image, inner), QString());
        image.fill(Qt::white);
        for (int y = 2; y < 6; ++y)
            for (int x = 5; x < 14; ++x) image.setPixel(x, y, qRgb(0, 0, 0));
        QVERIFY(!JudgeText(QStringLiteral("box"), QStringLiteral("12"), image, inner).isEmpty());
    }

    void editorWithANotice() {
        Filled w;
        ui::TEditMessage* e = w.f.windows->edit;
        e->show();
        ExpectDrawn(e, QStringLiteral("editor-new"));
        ClickBox(e->CB);
        e->CBPeriod->setCurrentIndex(1);
        ExpectDrawn(e, QStringLiteral("editor-weekly"));
        e->hide();
    }

    void nameCalendarAndDayList() {
        Filled w;
        ui::TFormKalendar* k = w.f.windows->kalendar;
        k->PrepareNew();
        k->show();
        k->FindName->setText(QStringLiteral("Bohuslava"));
        k->BtFindClick();
        ExpectDrawn(k, QStringLiteral("name-calendar"));
        k->hide();
        ui::TKalendForm* list = w.f.windows->kalendForm;
        list->show();
        ExpectDrawn(list, QStringLiteral("day-list"));
        list->hide();
    }

    void mainWindowMonthView() {
        Filled w;
        w.main->pmObnovitClick();
        w.main->Label7Click();
        w.main->FinishAnimation();
        ExpectDrawn(w.main, QStringLiteral("main-month"));
    }

    void settingsOnEachPage() {
        Filled w;
        ui::TFormSetup* setup = w.f.windows->setup;
        setup->show();
        ExpectDrawn(setup, QStringLiteral("settings-general"));
        setup->BtSoundClick();
        ExpectDrawn(setup, QStringLiteral("settings-sound"));
        setup->BtPictureClick();
        ExpectDrawn(setup, QStringLiteral("settings-picture"));
        setup->BtPCClick();
        ExpectDrawn(setup, QStringLiteral("settings-shutdown"));
        setup->hide();
    }
};

KALVO_UI_TEST(DrawnTextTest)

}  // namespace kalvo::test

#include "drawn_text_test.moc"

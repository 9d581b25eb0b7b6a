// The cut of a reminder row's text: the same as measuring every start of the text in turn, in the
// stock font at the row's size and in a bold one, for every width a row can have.

#include <QFont>
#include <QFontMetrics>
#include <QTest>

#include "ui/common/owndraw.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

// The cut as the rows were first drawn: one character more until the text is too wide.
QString CutOneByOne(const QFontMetrics& fm, const QString& text, int room) {
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        shown += text.at(i);
        if (fm.horizontalAdvance(shown) > room) return shown + QLatin1String(" ...");
    }
    return shown;
}

}  // namespace

class OwnDrawTest : public QObject {
    Q_OBJECT
private slots:
    void RowTextIsCutWhereMeasuringEveryStartCutsIt() {
        const QString texts[] = {
            QString(),
            QStringLiteral("x"),
            QStringLiteral("Stretnutie s klientom č. 41 v zasadačke na treťom poschodí"),
            QStringLiteral("Narodeniny :: Ľubomír Šťastný, kúpiť kvety a tortu, zavolať mame, vyzdvihnúť balík"),
            QString(300, QLatin1Char('W')),
            QStringLiteral("i i i i i i i i i i i i i i i i i i i i i i i i i i i i i i i i i i i i i i i i"),
        };
        for (const bool bold : {false, true}) {
            QFont font;
            font.setPixelSize(10);
            font.setBold(bold);
            const QFontMetrics fm(font);
            for (const QString& text : texts) {
                for (int room = -5; room <= 420; ++room) {
                    const QString cut = ui::CutToRoom(fm, text, room);
                    if (cut != CutOneByOne(fm, text, room))
                        QFAIL(qPrintable(QStringLiteral("%1 in %2 px: %3").arg(text).arg(room).arg(cut)));
                }
            }
        }
    }
};

KALVO_UI_TEST(OwnDrawTest)

}  // namespace kalvo::test

#include "owndraw_test.moc"

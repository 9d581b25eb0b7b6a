// The system's date and time conventions as the windows format them.

#include <QTest>

#include "support/builders.h"
#include "ui/common/system_locale.h"
#include "ui_test_main.h"

namespace kalvo::test {

class SystemLocaleTest : public QObject {
    Q_OBJECT

private slots:
    void slovakPatternsSeparatorsAndNames() {
        const TextLocale loc = ui::TextLocaleFrom(QLocale(QStringLiteral("sk_SK")));
        QCOMPARE(loc.longTimeFormat, std::string("H:mm:ss"));  // the time zone goes
        QCOMPARE(loc.dateSeparator, std::string("."));
        QCOMPARE(loc.timeSeparator, std::string(":"));
        QCOMPARE(ShortDate(loc, Day(2026, 12, 7)), std::string("7. 12. 2026"));
        QCOMPARE(DayMonth(loc, Day(2026, 12, 7)), std::string("07.12"));
        QCOMPARE(NextNoticeText(loc, Day(2026, 12, 11)), std::string("(11.12.26 - piatok)"));
        QCOMPARE(MonthYear(loc, Day(2026, 12, 7)), std::string("december 2026"));
    }

    void twelveHourClocksAndOtherFieldOrders() {
        const TextLocale us = ui::TextLocaleFrom(QLocale(QStringLiteral("en_US")));
        QCOMPARE(us.dateSeparator, std::string("/"));
        QCOMPARE(LongTime(us, At(14, 5)), std::string("2:05:00 PM"));
        QCOMPARE(ShortDate(us, Day(2026, 12, 7)), std::string("12/7/26"));
        const TextLocale hu = ui::TextLocaleFrom(QLocale(QStringLiteral("hu_HU")));
        QCOMPARE(hu.dateSeparator, std::string("."));
        QCOMPARE(ShortDate(hu, Day(2026, 3, 5)), std::string("2026. 03. 05."));
    }
};

KALVO_UI_TEST(SystemLocaleTest)

}  // namespace kalvo::test

#include "system_locale_test.moc"

#include "ui/common/system_locale.h"

#include "ui/common/app_context.h"

namespace kalvo::ui {
namespace {

bool IsField(QChar c) {
    return c == u'd' || c == u'M' || c == u'y' || c == u'H' || c == u'h' || c == u'm' || c == u's' || c == u'z' ||
           c == u'A' || c == u'a' || c == u't';
}

// Qt's pattern in the letters the program formats with: the time zone goes (the system's own patterns
// never carry one) and a lone AM/PM letter becomes the pair the formatter knows.
QString Normalised(const QString& pattern) {
    QString out;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern.at(i);
        if (c == u'\'') {
            const qsizetype end = pattern.indexOf(u'\'', i + 1);
            const qsizetype stop = end < 0 ? pattern.size() : end + 1;
            out += pattern.mid(i, stop - i);
            i = stop;
            continue;
        }
        qsizetype n = 1;
        while (i + n < pattern.size() && pattern.at(i + n) == c) ++n;
        if (c == u't') {
            while (out.endsWith(u' ')) out.chop(1);
        } else if ((c == u'A' || c == u'a') && n == 1 &&
                   !(i + 1 < pattern.size() && pattern.at(i + 1).toLower() == u'p')) {
            out += c == u'A' ? QStringLiteral("AP") : QStringLiteral("ap");
        } else {
            out += pattern.mid(i, n);
        }
        i += n;
    }
    return out.trimmed();
}

// The characters between the first field and the next one, without padding blanks.
QString SeparatorAfter(const QString& pattern, QChar field, const QString& fallback) {
    qsizetype i = 0;
    while (i < pattern.size() && pattern.at(i).toLower() != field) ++i;
    while (i < pattern.size() && pattern.at(i).toLower() == field) ++i;
    QString run;
    while (i < pattern.size() && !IsField(pattern.at(i)) && pattern.at(i) != u'\'') run += pattern.at(i++);
    if (run.isEmpty()) return fallback;
    const QString trimmed = run.trimmed();
    return trimmed.isEmpty() ? run : trimmed;
}

}  // namespace

TextLocale TextLocaleFrom(const QLocale& locale) {
    TextLocale loc;
    const QString date = Normalised(locale.dateFormat(QLocale::ShortFormat));
    const QString time = Normalised(locale.timeFormat(QLocale::LongFormat));
    if (!date.isEmpty()) loc.shortDateFormat = S(date);
    if (!time.isEmpty()) loc.longTimeFormat = S(time);
    // Whatever field comes first in the short date, the separator follows it.
    QChar first = u'd';
    for (QChar c : date)
        if (c == u'd' || c == u'M' || c == u'y') {
            first = c;
            break;
        }
    loc.dateSeparator = S(SeparatorAfter(date, first.toLower(), QStringLiteral(".")));
    loc.timeSeparator = S(SeparatorAfter(time, u'h', QStringLiteral(":")));
    for (int d = 0; d < 7; ++d) {
        loc.longDayNames[static_cast<std::size_t>(d)] = S(locale.dayName(d + 1, QLocale::LongFormat));
        loc.shortDayNames[static_cast<std::size_t>(d)] = S(locale.dayName(d + 1, QLocale::ShortFormat));
    }
    // Month names stand alone in "mmmm yyyy".
    for (int m = 0; m < 12; ++m) {
        loc.longMonthNames[static_cast<std::size_t>(m)] = S(locale.standaloneMonthName(m + 1, QLocale::LongFormat));
        loc.shortMonthNames[static_cast<std::size_t>(m)] = S(locale.standaloneMonthName(m + 1, QLocale::ShortFormat));
    }
    if (!locale.amText().isEmpty()) loc.amText = S(locale.amText());
    if (!locale.pmText().isEmpty()) loc.pmText = S(locale.pmText());
    return loc;
}

}  // namespace kalvo::ui

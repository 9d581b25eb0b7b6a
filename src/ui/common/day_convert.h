#pragma once
// Day numbers and fractions of a day as Qt's date and time types.

#include <QDate>
#include <QTime>

#include "core/datetime.h"

namespace kalvo::ui {

inline QDate DateOfDay(DayNumber day) { return QDate(1899, 12, 30).addDays(day); }

inline DayNumber DayOfDate(const QDate& date) {
    return date.isValid() ? ClampDay(QDate(1899, 12, 30).daysTo(date)) : 0;
}

// Only the time of day counts; a negative value (a notice already given) shows its magnitude.
inline QTime TimeOfFraction(double time) {
    const TimeParts t = SplitTime(time);
    return QTime(t.hour, t.minute, t.second, t.millisecond);
}

inline double FractionOfTime(const QTime& time) {
    return time.isValid() ? TimeFraction(time.hour(), time.minute(), time.second(), time.msec()) : 0.0;
}

}  // namespace kalvo::ui

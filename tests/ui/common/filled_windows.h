#pragma once
// Every window of the program over one user's files that give each of them its longest texts: the
// longest captions and names, two-digit days and months, a long reminder text, a picture of its own. The
// window tests that judge how texts are drawn (their width, their place in the box) start from here.

#include <QApplication>
#include <QFontMetrics>
#include <string>

#include "core/datetime.h"
#include "namedays/name_calendar.h"
#include "ui/common/day_convert.h"
#include "ui/main_window/kalvounit.h"
#include "ui_fixture.h"

namespace kalvo::test {

inline const std::string kLongText =
    "Zavolať do servisu kvôli výmene zimných pneumatík, vyzdvihnúť lieky v lekárni na Štúrovej ulici a kúpiť "
    "darček k narodeninám pre Janka";
inline const std::string kLongPicture = "/home/eva/Obrázky/Rodinné fotografie/Narodeniny a meniny/Ďurko na chate.jpg";

// The names text of the year's day whose names are the widest in `font`.
inline QString WidestNames(const namedays::NameCalendar& calendar, const QFont& font) {
    const QFontMetrics fm(font);
    QString widest;
    for (int month = 1; month <= 12; ++month)
        for (int day = 1; day <= DaysInMonth(2028, month); ++day) {
            const QString names = ui::Q(namedays::NamesOfDay(calendar, day, month).names);
            if (fm.horizontalAdvance(names) > fm.horizontalAdvance(widest)) widest = names;
        }
    return widest;
}

struct Filled {
    UiFixture f;
    ui::TMainForm* main = nullptr;
    const DayNumber today = Day(2026, 12, 7);

    Filled() {
        TSettings s;
        s.AnimateWindows = 0;
        s.OverviewSeconds = 99999;  // more than the overview counts: written by another program
        s.DeleteOldReminders = 0;
        f.WriteSettings(s);
        // Two-digit days and months, the longest weekday and period names, a picture of its own.
        TReminder weekly = WithNotice(Ordinary(Day(2026, 12, 30), At(23, 59, 59), kLongText), Day(2026, 12, 28),
                                      rpWeekly, At(23, 58, 59), 2);
        weekly.Picture = kLongPicture;
        TReminder birthday =
            NameDay(Day(2026, 12, 31), At(23, 59, 59), Day(2026, 12, 30), At(23, 58, 59), /*birthday=*/true);
        birthday.Text = "Dňa 31.12 oslavuje svoje narodeniny Bohuslava Jaroslava Ľudmila";
        TReminder today7 = Ordinary(today, At(18, 45, 30), kLongText);
        f.WriteReminders({today7, weekly, birthday});
        f.folder.Write("eva_old.dat", f.folder.Read("eva.dat"));
        f.platform.assetFolder = KALVO_ASSET_DIR;
        f.CreateWindows();
        main = f.windows->main;
    }

    QString Widest(bool bold) const {
        QFont font = QApplication::font();
        font.setBold(bold);
        return WidestNames(main->NameCalendar(), font);
    }
};

}  // namespace kalvo::test

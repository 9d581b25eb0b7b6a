#pragma once
// The user's date and time conventions as the windows show them, taken from the system's locale.

#include <QLocale>

#include "core/text_locale.h"

namespace kalvo::ui {

// Short date and long time patterns, their separators, and the weekday and month names of `locale`.
TextLocale TextLocaleFrom(const QLocale& locale);

// A system without a language of its own (the "C" locale of a bare session) gets the program's Slovak
// conventions rather than English names inside Slovak texts.
inline TextLocale SystemTextLocale() {
    const QLocale system = QLocale::system();
    return system.language() == QLocale::C ? TextLocale::Slovak() : TextLocaleFrom(system);
}

}  // namespace kalvo::ui

#pragma once
// The user's date and time conventions as the windows show them, taken from the system's locale.

#include <QLocale>

#include "core/text_locale.h"

namespace kalvo::ui {

// Short date and long time patterns, their separators, and the weekday and month names of `locale`.
TextLocale TextLocaleFrom(const QLocale& locale);

inline TextLocale SystemTextLocale() { return TextLocaleFrom(QLocale::system()); }

}  // namespace kalvo::ui

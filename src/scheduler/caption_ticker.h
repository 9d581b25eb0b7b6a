#pragma once
// The main window's caption ticker (`DatumChange`, every 7 s): five texts shown in turn in `LMeno`.

#include <string>
#include <string_view>

#include "core/datetime.h"
#include "core/text_locale.h"

namespace kalvo::scheduler {

// The first text of the ticker.
inline constexpr std::string_view kProductNotice = "Kalvo :: pripomienky, meniny a narodeniny";

class CaptionTicker {
public:
    explicit CaptionTicker(const TextLocale& locale) : locale_(locale) {}

    // One run of the ticker: the text to show now; the step moves on. The name texts are those of the
    // name-day calendar for today and tomorrow; an empty holiday text skips its step.
    std::string Step(DayNumber today, std::string_view todayNames, std::string_view tomorrowNames,
                     std::string_view todayHoliday);

    // The step the next run shows, 1..5 (the ticker's tag).
    int NextStep() const { return step_; }

private:
    const TextLocale& locale_;
    int step_ = 1;
};

}  // namespace kalvo::scheduler

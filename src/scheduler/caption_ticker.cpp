#include "scheduler/caption_ticker.h"

namespace kalvo::scheduler {

std::string CaptionTicker::Step(DayNumber today, std::string_view todayNames, std::string_view tomorrowNames,
                                std::string_view todayHoliday) {
    switch (step_) {
        case 1:
            step_ = 2;
            return std::string(kProductNotice);
        case 2:
            step_ = 3;
            return "Dátum :: " + ShortDate(locale_, today);
        case 3:
            step_ = 4;
            return "Dnes :: " + std::string(todayNames);
        case 4:
            if (!todayHoliday.empty()) {
                step_ = 5;
                return std::string(todayHoliday);
            }
            break;
        default:
            break;
    }
    step_ = 1;
    return "Zajtra :: " + std::string(tomorrowNames);
}

}  // namespace kalvo::scheduler

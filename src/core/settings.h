#pragma once
// The user's preferences: one record for the whole run.

#include <cstdint>
#include <string>
#include <string_view>

namespace kalvo {

// When the time signal sounds. The numbers are codes, not minutes.
enum TTimeSignalInterval : std::int32_t {
    tsOff = -1,
    tsHalfHour = 30,
    tsHourly = 1,
    tsTwoHours = 2,
    tsNoon = 12,
    tsAtTime = 60,
};

// The melody value that stands for the sound.wav that comes with the program.
inline constexpr std::string_view kDefaultMelody = "Default";
// The picture value the settings dialog stores for "no picture".
inline constexpr std::string_view kStandardPictureCaption = "Štandardný";

inline constexpr std::int32_t kMinLatenessHours = 1;
inline constexpr std::int32_t kMaxLatenessHours = 720;
inline constexpr std::int32_t kDefaultLatenessHours = 24;
// The longest countdown of the day overview that its close button has room for ("Zatvoriť o 999s").
inline constexpr std::int32_t kMaxOverviewSeconds = 999;

struct TSettings {
    std::string StandardMelody = std::string(kDefaultMelody);
    std::int32_t TimeSignalInterval = tsOff;
    double TimeSignalAt = -1.0;
    std::uint8_t DeleteOldReminders = 1;
    std::uint8_t SlideNameWindow = 1;
    std::uint8_t AnimateWindows = 1;
    std::string StandardPicture;
    std::string MainPicture;
    std::uint8_t MoveToNextYear = 0;
    std::int32_t OverviewSeconds = 0;
    std::uint8_t ShutdownEnabled = 0;  // never stored: no shut-down order survives a restart

    // Kept in setup.ini beside setup.dat, never in setup.dat itself, whose layout is fixed.
    std::uint8_t LatenessLimitOn = 0;  // reminders missed by more than the limit only go to the archive
    std::int32_t LatenessLimitHours = kDefaultLatenessHours;

    bool operator==(const TSettings&) const = default;
};

}  // namespace kalvo

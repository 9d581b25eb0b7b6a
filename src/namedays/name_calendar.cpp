#include "namedays/name_calendar.h"

#include <algorithm>

#include "core/cp1250.h"
#include "storage/byte_io.h"
#include "storage/file_io.h"

namespace kalvo::namedays {

std::string_view StatusName(CalendarStatus status) {
    switch (status) {
        case CalendarStatus::Ok:
            return "ok";
        case CalendarStatus::Missing:
            return "missing";
        case CalendarStatus::Unreadable:
            return "unreadable";
        case CalendarStatus::UnknownVersion:
            return "unknown-version";
        case CalendarStatus::Truncated:
            return "truncated";
        case CalendarStatus::Corrupt:
            return "corrupt";
    }
    return "corrupt";
}

std::string ProblemText(CalendarStatus status) {
    switch (status) {
        case CalendarStatus::Ok:
        case CalendarStatus::Missing:
            return {};
        case CalendarStatus::Unreadable:
            return "súbor sa nedá prečítať";
        case CalendarStatus::UnknownVersion:
            return "súbor nie je kalendár mien v tvare, ktorý Kalvo pozná";
        case CalendarStatus::Truncated:
            return "súbor je neúplný (skrátený)";
        case CalendarStatus::Corrupt:
            break;
    }
    return "súbor je poškodený";
}

namespace {

// Day, month and four empty strings: the least an entry can take.
constexpr std::size_t kSmallestEntry = 4 + 4 + 4 * 4;

bool ReadEntry(storage::ByteReader& in, TNameDay& e) {
    return in.ReadInt32(e.Day) && in.ReadInt32(e.Month) && in.ReadText(e.Holiday) && in.ReadText(e.Name1) &&
           in.ReadText(e.Name2) && in.ReadText(e.Name3);
}

CalendarStatus FaultStatus(const storage::ByteReader& in) {
    return in.Fault() == storage::ReadFault::Corrupt ? CalendarStatus::Corrupt : CalendarStatus::Truncated;
}

}  // namespace

CalendarLoad DecodeNameCalendar(std::span<const std::uint8_t> bytes, NameCalendar& calendar) {
    calendar.clear();
    CalendarLoad load;
    storage::ByteReader in(bytes);
    double version = 0;
    if (!in.ReadDouble(version)) {
        load.status = CalendarStatus::Truncated;
        return load;
    }
    load.version = version;
    if (version != kCalendarVersion) {
        load.status = CalendarStatus::UnknownVersion;
        return load;
    }
    std::int32_t count = 0;
    if (!in.ReadInt32(count)) {
        load.status = CalendarStatus::Truncated;
        return load;
    }
    if (count < 0) {
        load.status = CalendarStatus::Corrupt;
        return load;
    }
    // The count is only a promise; the bytes left bound what can really follow.
    calendar.reserve(std::min(static_cast<std::size_t>(count), in.Remaining() / kSmallestEntry));
    for (std::int32_t i = 0; i < count; ++i) {
        TNameDay e;
        if (!ReadEntry(in, e)) {
            load.status = FaultStatus(in);
            return load;
        }
        calendar.push_back(std::move(e));
    }
    load.status = CalendarStatus::Ok;
    return load;
}

CalendarLoad LoadNameCalendar(const std::filesystem::path& file, NameCalendar& calendar) {
    calendar.clear();
    const storage::FileBytes read = storage::ReadFileBytes(file);
    if (read.outcome == storage::ReadOutcome::Missing) return CalendarLoad{CalendarStatus::Missing, std::nullopt};
    if (read.outcome != storage::ReadOutcome::Ok) return CalendarLoad{CalendarStatus::Unreadable, std::nullopt};
    return DecodeNameCalendar(read.bytes, calendar);
}

std::optional<std::vector<std::uint8_t>> EncodeNameCalendar(const NameCalendar& calendar) {
    storage::ByteWriter out;
    auto text = [&](const std::string& value) { return out.WriteText(value); };
    out.WriteDouble(kCalendarVersion);
    out.WriteInt32(static_cast<std::int32_t>(calendar.size()));
    for (const TNameDay& e : calendar) {
        out.WriteInt32(e.Day);
        out.WriteInt32(e.Month);
        if (!text(e.Holiday) || !text(e.Name1) || !text(e.Name2) || !text(e.Name3)) return std::nullopt;
    }
    return out.Take();
}

DayTexts NamesOfDay(const NameCalendar& calendar, int day, int month) {
    DayTexts texts;
    for (const TNameDay& e : calendar) {
        if (e.Day != day || e.Month != month) continue;
        const bool n1 = !e.Name1.empty(), n2 = !e.Name2.empty(), n3 = !e.Name3.empty();
        if (n1 && !n2 && !n3) texts.names = e.Name1;
        else if (n1 && n2 && !n3) texts.names = e.Name1 + " a " + e.Name2;
        else if (n1 && n2 && n3) texts.names = e.Name1 + ", " + e.Name2 + " a " + e.Name3;
        if (!e.Holiday.empty()) texts.holiday = e.Holiday;
    }
    return texts;
}

namespace {

const TNameDay* FirstHolding(const NameCalendar& calendar, std::string_view name) {
    for (const TNameDay& e : calendar)
        if (e.Name1 == name || e.Name2 == name || e.Name3 == name) return &e;
    return nullptr;
}

}  // namespace

std::optional<NameDayMatch> FindNameDay(const NameCalendar& calendar, std::string_view name) {
    // An empty text would otherwise match every entry with a free name slot.
    if (name.empty()) return std::nullopt;
    if (const TNameDay* e = FirstHolding(calendar, name)) return NameDayMatch{e->Day, e->Month, std::string(name)};
    std::string upper = UpperFirstCp1250(name);
    if (upper == name) return std::nullopt;
    if (const TNameDay* e = FirstHolding(calendar, upper)) return NameDayMatch{e->Day, e->Month, std::move(upper)};
    return std::nullopt;
}

DayNames DayNamesOn(const NameCalendar& calendar, DayNumber today) {
    const CivilDate t = DayToCivil(today);
    const CivilDate next = DayToCivil(static_cast<std::int64_t>(today) + 1);
    DayTexts todays = NamesOfDay(calendar, t.day, t.month);
    return DayNames{std::move(todays.names), NamesOfDay(calendar, next.day, next.month).names,
                    std::move(todays.holiday)};
}

}  // namespace kalvo::namedays

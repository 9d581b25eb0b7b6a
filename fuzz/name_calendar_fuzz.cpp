// Any bytes as calend.dat: the loader must end with a status, never crash or allocate beyond what the
// file holds; the lookups must cope with whatever it read, and the entries must survive a write and a
// second read.

#include <cstdint>
#include <cstdlib>

#include "namedays/name_calendar.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kalvo::namedays;
    NameCalendar first;
    DecodeNameCalendar(std::span(data, size), first);
    const auto bytes = EncodeNameCalendar(first);
    if (!bytes) std::abort();
    NameCalendar second;
    if (DecodeNameCalendar(*bytes, second).status != CalendarStatus::Ok || second != first) std::abort();
    for (const TNameDay& e : first) {
        NamesOfDay(first, e.Day, e.Month);
        const auto found = FindNameDay(first, e.Name1);
        if (!e.Name1.empty() && !found) std::abort();
    }
    DayNamesOn(first, 46363);
    return 0;
}

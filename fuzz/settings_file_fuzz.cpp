// Any bytes as setup.dat: the loader must end with a status, never crash or allocate beyond what the
// file holds, and what it loaded must survive a save and a second load.

#include <bit>
#include <cstdint>
#include <cstdlib>

#include "storage/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kalvo::storage;
    kalvo::TSettings first;
    DecodeSettings(std::span(data, size), first);
    const auto bytes = EncodeSettings(first);
    if (!bytes) std::abort();  // everything read can be written back
    kalvo::TSettings second;
    if (DecodeSettings(*bytes, second).status != SettingsStatus::Ok) std::abort();
    // The doubles are compared by their bits, so NaN counts as equal to itself.
    if (first.StandardMelody != second.StandardMelody || first.TimeSignalInterval != second.TimeSignalInterval ||
        std::bit_cast<std::uint64_t>(first.TimeSignalAt) != std::bit_cast<std::uint64_t>(second.TimeSignalAt) ||
        first.DeleteOldReminders != second.DeleteOldReminders || first.SlideNameWindow != second.SlideNameWindow ||
        first.AnimateWindows != second.AnimateWindows || first.StandardPicture != second.StandardPicture ||
        first.MainPicture != second.MainPicture || first.MoveToNextYear != second.MoveToNextYear ||
        first.OverviewSeconds != second.OverviewSeconds)
        std::abort();
    return 0;
}

// Any bytes as an iCalendar file: the import must end with a status, never crash or hang (recurrences
// are expanded under a bound), every reminder it offers must be one the reminder file can store, and an
// export of those reminders must come back from a second import exactly as they were.

#include <chrono>
#include <cstdint>
#include <cstdlib>

#include "storage/ical/ical_exchange.h"
#include "storage/reminder_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kalvo::storage;
    ical::ImportOptions options;
    options.today = 46388;  // 1 January 2027
    // Rules that never match (seeds never_*.ics) end by the same bounds as in the program, kept small
    // here so that each input stays quick under the sanitizers.
    options.limits.candidates = 200'000;
    options.limits.perEvent = std::chrono::milliseconds(100);
    options.limits.perImport = std::chrono::milliseconds(300);
    const ical::ImportResult first = ical::ImportICalendar(std::span(data, size), options);
    if (first.status != ical::ImportStatus::Ok) {
        if (first.problem.empty() || !first.events.empty()) std::abort();
        return 0;
    }
    kalvo::ReminderList taken;
    std::vector<const ical::ImportedEvent*> all;
    for (const ical::ImportedEvent& e : first.events) {
        taken.push_back(e.reminder);
        all.push_back(&e);
    }
    (void)ical::ImportSummary(first.refused, all);
    const auto bytes = EncodeReminderFile(taken);
    if (!bytes) std::abort();  // everything offered can be saved

    ical::ExportOptions exportOptions;
    exportOptions.attachExistingFilesOnly = false;
    const ical::ExportResult exported = ical::ExportICalendar(taken, exportOptions);
    const ical::ImportResult second = ical::ImportICalendar(
        std::span(reinterpret_cast<const std::uint8_t*>(exported.text.data()), exported.text.size()), options);
    if (second.status != ical::ImportStatus::Ok || second.events.size() + exported.leftOut.size() != taken.size())
        std::abort();
    kalvo::ReminderList back;
    for (const ical::ImportedEvent& e : second.events) back.push_back(e.reminder);
    if (exported.leftOut.empty() && EncodeReminderFile(back) != bytes) std::abort();
    return 0;
}

// simulate: the real scheduler over the user's files in virtual time, every alarm acknowledged at once.

#include <iostream>

#include "cli/cli_context.h"
#include "cli/console_dialogs.h"
#include "platform/silent_platform.h"
#include "scheduler/scheduler.h"
#include "scheduler/virtual_run.h"
#include "storage/extra_settings_file.h"
#include "storage/file_snapshot.h"
#include "storage/settings_file.h"

namespace kalvo::cli {
namespace {

// Prints every alarm as one JSON line; the pop-up is closed at once. No shut-down is ever ordered.
class PrintingHost final : public scheduler::SchedulerHost {
public:
    explicit PrintingHost(const scheduler::VirtualClock& clock) : clock_(clock) {}

    void ShowAlarm(const scheduler::Alarm& alarm) override {
        const LocalMoment at = clock_.Now();
        Json j;
        j["at"] = FormatMoment(Moment{at.day, at.SecondOfDay()});
        j["signal"] = alarm.timeSignal;
        j["header"] = alarm.header;
        j["lines"] = alarm.lines;
        j["picture"] = alarm.picture.empty() ? Json(nullptr) : Json(alarm.picture);
        j["sound"] = alarm.sound.empty() ? Json(nullptr) : Json(alarm.sound);
        std::cout << j.dump() << '\n';
    }
    bool ShowShutdownCountdown() override { return true; }
    scheduler::ShutdownOrder CurrentShutdownOrder() const override { return {}; }
    void RefreshWeekView() override {}
    void SetTestTimerRunning(bool) override {}
    void SetBlinkTimerRunning(bool) override {}
    void ShowTrayImage(int) override {}

private:
    const scheduler::VirtualClock& clock_;
};

void RequireReadable(const std::filesystem::path& file) {
    const storage::FileSnapshot read = storage::SnapshotFile(file);
    if (read.outcome == storage::ReadOutcome::Failed)
        throw CliError(kFileError, storage::Utf8FromPath(file) + ": súbor sa nedá prečítať (" +
                                       storage::DescribeError(read.errorCode) + ")");
}

}  // namespace

int Simulate(Context& ctx) {
    const std::string fromText = TakeOption(ctx.args, "--from");
    const std::string toText = TakeOption(ctx.args, "--to");
    ExpectNoMore(ctx.args);
    if (fromText.empty() || toText.empty())
        throw CliError(kUsageError, "Príkaz simulate potrebuje --from aj --to \"RRRR-MM-DD HH:MM:SS\".");
    const Moment from = ParseMoment(fromText), to = ParseMoment(toText);
    const scheduler::SecondKey first = scheduler::KeyOf(LocalMoment::FromSecond(from.day, from.second));
    const scheduler::SecondKey last = scheduler::KeyOf(LocalMoment::FromSecond(to.day, to.second));
    if (last < first) throw CliError(kUsageError, "Koniec (--to) je pred začiatkom (--from).");

    const storage::DataFiles files{ctx.Dir(), ctx.user};
    TSettings settings;
    storage::OpenSetup(files.SetupFile(), settings);  // read only: simulate never writes it
    storage::OpenExtraSetup(files.ExtraSetupFile(), settings);

    // A file that exists but cannot be read would be overwritten by the first save.
    RequireReadable(files.UserFile());
    RequireReadable(files.ArchiveFile());

    scheduler::VirtualClock clock(scheduler::LocalReading(scheduler::FirstInstantReading(first)));
    ConsoleDialogs dialogs;
    // Durability only guards against a crash of the computer; the bytes written are the same.
    storage::ReminderStore store(files, dialogs, clock, storage::Durability::NoFlush);
    // A user without a file starts with an empty list; the first-run question is not asked here.
    if (storage::FileExists(files.UserFile())) store.OpenUserFile();
    store.OpenArchive();
    store.OpenSnoozes();  // alarms put off come back at their moment and are acknowledged at once
    dialogs.errors = 0;   // a damaged file has been told about and kept aside, as the program does

    SilentPlatform platform;
    PrintingHost host(clock);
    const TextLocale locale = TextLocale::Slovak();
    scheduler::Scheduler sched(clock, settings, store, platform, host, locale);
    // The clock is walked as the running program reads it: readings skipped when the clocks go forward
    // never come, the hour they go back comes twice.
    scheduler::RunLocalTicks(sched, clock, scheduler::FirstInstantReading(first), scheduler::LastInstantReading(last),
                             /*skipIdle=*/true, [&] {
                                 if (dialogs.errors > 0)
                                     throw CliError(kFileError, "Súbor sa nepodarilo zapísať; simulácia sa zastavila.");
                             });
    std::cout.flush();
    return kDone;
}

}  // namespace kalvo::cli

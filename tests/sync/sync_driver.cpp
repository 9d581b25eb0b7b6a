// A small program for the sync tests written in Python: it syncs a Kalvo folder with a real CalDAV server
// as the program does (the account file, the CalDAV client, the engine) and changes records the way the
// program's editor does (through the store, which notes the hints), so that a test can run each step as a
// process of its own, kill it at any moment and look at the files.
//
//   kalvo_sync_driver setup  --dir D --user U --calendar URL [--login L] [--password P] [--keep-archive]
//   kalvo_sync_driver sync   --dir D --user U [--timeout-ms N]
//   kalvo_sync_driver edit   --dir D --user U --text T [--new-text N] [--time HH:MM]
//   kalvo_sync_driver delete --dir D --user U --text T
//   kalvo_sync_driver check  --dir D --user U
//
// `sync` prints one JSON object: kalvo-cli's counts and the outcome, the Slovak failure and notices, the
// requests made and the milliseconds the run took. `check` reads the files a sync writes as the next sync
// would and prints what it found ("ok", "missing", "damaged", "failed" for each, and the items of the
// state). Exit status 0 done, 1 failed or busy, 2 bad usage.

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "caldav/caldav_client.h"
#include "caldav/password_store.h"
#include "caldav/sync_account.h"
#include "caldav/sync_setup.h"
#include "core/clock.h"
#include "core/dialogs.h"
#include "storage/reminder_store.h"
#include "storage/settings_file.h"
#include "storage/sync_hints.h"
#include "sync/sync_run.h"
#include "sync/sync_state.h"

namespace {

using namespace kalvo;
using Json = nlohmann::ordered_json;

struct Usage : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Args {
public:
    Args(int argc, char** argv) : words_(argv + 1, argv + argc) {}
    std::string Command() {
        if (words_.empty()) throw Usage("no command");
        std::string c = words_.front();
        words_.erase(words_.begin());
        return c;
    }
    std::string Option(const std::string& name, const std::string& fallback = {}) {
        for (std::size_t i = 0; i + 1 < words_.size(); ++i)
            if (words_[i] == name) return words_[i + 1];
        return fallback;
    }
    bool Flag(const std::string& name) const { return std::find(words_.begin(), words_.end(), name) != words_.end(); }
    std::string Required(const std::string& name) {
        std::string v = Option(name);
        if (v.empty()) throw Usage(name + " is needed");
        return v;
    }

private:
    std::vector<std::string> words_;
};

// Messages of the store go to standard error; a question is answered no.
class StderrDialogs final : public Dialogs {
public:
    bool AskYesNo(const std::string&, const std::string& text, QuestionIcon) override {
        Print(text);
        return false;
    }
    void Inform(const std::string&, const std::string& text) override { Print(text); }
    void ShowError(const std::string&, const std::string& text) override {
        Print(text);
        ++errors;
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogOptions&) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const FileDialogOptions&) override { return std::nullopt; }
    int AskChoice(const std::string&, const std::string& text, const std::vector<std::string>&, QuestionIcon) override {
        Print(text);
        return -1;
    }
    int errors = 0;

private:
    static void Print(const std::string& text) { std::cerr << text << "\n"; }
};

// No keyring: the tests' accounts print their password with a command.
class NoKeyring final : public caldav::Keyring {
public:
    caldav::PasswordResult Read(const QString&) override {
        return {false, {}, QStringLiteral("Kľúčenka nie je k dispozícii."), false};
    }
    QString Write(const QString&, const QString&) override { return QStringLiteral("Kľúčenka nie je k dispozícii."); }
    QString Remove(const QString&) override { return {}; }
};

storage::DataFiles FilesOf(Args& args) { return {args.Required("--dir"), args.Required("--user")}; }

int Setup(Args& args) {
    caldav::SyncAccount account;
    account.calendar = args.Required("--calendar");
    account.server = account.calendar;
    account.calendarName = "Kalvo";
    account.login = args.Option("--login");
    if (const std::string password = args.Option("--password"); !password.empty())
        account.passwordCommand = "echo " + password;
    const storage::DataFiles files = FilesOf(args);
    if (!caldav::SaveSyncAccount(files, account)) {
        std::cerr << "the account file could not be written\n";
        return 1;
    }
    if (args.Flag("--keep-archive")) {
        // Past reminders go to the archive rather than away, as a user may choose in the settings.
        TSettings settings;
        storage::OpenSetup(files.SetupFile(), settings);
        settings.DeleteOldReminders = 0;
        if (!storage::SaveSetup(files.SetupFile(), settings)) return 1;
    }
    return 0;
}

int Sync(Args& args) {
    const storage::DataFiles files = FilesOf(args);
    const caldav::LoadedAccount loaded = caldav::LoadSyncAccount(files);
    if (loaded.state != caldav::AccountState::Ok) {
        std::cerr << "no account: " << loaded.message << "\n";
        return 2;
    }
    NoKeyring keyring;
    const caldav::PasswordResult password = caldav::PasswordFor(loaded.account, keyring);
    if (!password.ok) {
        std::cerr << password.message.toStdString() << "\n";
        return 1;
    }
    caldav::ClientSettings settings = caldav::ClientSettingsFor(loaded.account, password.password);
    if (const std::string ms = args.Option("--timeout-ms"); !ms.empty())
        settings.session.timeout = std::chrono::milliseconds(std::stoi(ms));
    caldav::CalDavClient client(settings);

    // As the program would: the setting of old reminders decides whether the archive is kept.
    TSettings setup;
    storage::OpenSetup(files.SetupFile(), setup);
    const SystemClock clock;
    sync::SyncRequest request;
    request.files = files;
    request.calendar = loaded.account.calendar;
    request.clock = &clock;
    request.keepArchive = setup.DeleteOldReminders == 0;
    const auto start = std::chrono::steady_clock::now();
    const sync::SyncReport r = sync::RunSync(request, client);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);

    Json j;
    j["sent"] = r.sent;
    j["received"] = r.received;
    j["deleted_here"] = r.deletedHere;
    j["deleted_there"] = r.deletedThere;
    j["conflicts"] = r.conflicts;
    j["outcome"] = r.outcome == sync::SyncOutcome::Done   ? "done"
                   : r.outcome == sync::SyncOutcome::Busy ? "busy"
                                                          : "failed";
    j["failure"] = r.failure;
    j["notices"] = r.notices;
    j["again"] = r.again;
    j["requests"] = r.requests;
    j["http_requests"] = client.Session().RequestCount();
    j["ms"] = ms.count();
    std::cout << j.dump() << std::endl;
    return r.outcome == sync::SyncOutcome::Done ? 0 : 1;
}

// The one record with this text, changed (or removed) through the store as the editor does.
int Change(Args& args, bool remove) {
    const std::string text = args.Required("--text");
    StderrDialogs dialogs;
    const SystemClock clock;
    storage::ReminderStore store(FilesOf(args), dialogs, clock);
    store.OpenUserFile();
    if (dialogs.errors > 0) return 1;
    const ReminderList& list = std::as_const(store).Reminders();
    std::size_t found = list.size();
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].Text == text) found = i;
    if (found == list.size()) {
        std::cerr << "no record " << text << "\n";
        return 1;
    }
    if (remove) {
        store.Remove(found);
    } else {
        TReminder after = list[found];
        after.Text = args.Option("--new-text", after.Text);
        if (const std::string time = args.Option("--time"); !time.empty())
            after.Time = TimeFraction(std::stoi(time.substr(0, 2)), std::stoi(time.substr(3, 2)), 0);
        store.Replace(found, after);
    }
    return store.Commit() ? 0 : 1;
}

const char* Outcome(storage::ReadOutcome o, bool damaged) {
    if (o == storage::ReadOutcome::Missing) return "missing";
    if (o == storage::ReadOutcome::Failed) return "failed";
    return damaged ? "damaged" : "ok";
}

int Check(Args& args) {
    const storage::DataFiles files = FilesOf(args);
    Json j;
    for (const auto& [key, path] : {std::pair{"reminders", files.UserFile()}, {"archive", files.ArchiveFile()}}) {
        const storage::ReadResult read = storage::ReadReminderFile(path);
        j[key] = Outcome(read.outcome, storage::IsDamaged(read.decoded.status));
    }
    const storage::HintsRead hints = storage::ReadHintsFile(files.SyncHintsFile());
    j["hints"] = Outcome(hints.outcome, hints.decoded.damagedLines > 0);
    const sync::StateRead state = sync::ReadStateFile(files.SyncStateFile());
    static constexpr const char* kStates[] = {"ok", "missing", "damaged", "failed"};
    j["state"] = kStates[static_cast<int>(state.status)];
    j["items"] = state.state.items.size();
    std::cout << j.dump() << std::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Args args(argc, argv);
    try {
        const std::string command = args.Command();
        if (command == "setup") return Setup(args);
        if (command == "sync") return Sync(args);
        if (command == "edit") return Change(args, false);
        if (command == "delete") return Change(args, true);
        if (command == "check") return Check(args);
        throw Usage("unknown command " + command);
    } catch (const Usage& e) {
        std::cerr << "kalvo_sync_driver: " << e.what() << "\n";
        return 2;
    }
}

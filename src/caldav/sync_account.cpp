#include "caldav/sync_account.h"

#include <charconv>
#include <system_error>

#include "storage/extra_settings_file.h"
#include "storage/folder_lock.h"

namespace kalvo::caldav {
namespace {

constexpr char kServer[] = "Server";
constexpr char kCalendar[] = "Calendar";
constexpr char kCalendarName[] = "CalendarName";
constexpr char kLogin[] = "Login";
constexpr char kInterval[] = "IntervalMinutes";
constexpr char kPasswordCommand[] = "PasswordCommand";
constexpr char kPinnedCertificate[] = "PinnedCertificate";
constexpr char kLastSync[] = "LastSync";
constexpr char kLastSyncOk[] = "LastSyncOk";
constexpr char kLastSyncResult[] = "LastSyncResult";
constexpr std::uintmax_t kLimit = 64 * 1024;

std::string Get(const storage::IniValues& values, const char* key) {
    const auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
}

storage::FileBytes ReadAccountBytes(const storage::DataFiles& files) {
    return storage::ReadFileBytes(SyncAccountFile(files), kLimit);
}

storage::IniValues ValuesOf(const storage::FileBytes& bytes) {
    if (bytes.outcome != storage::ReadOutcome::Ok) return {};
    return storage::DecodeIni(std::string_view(reinterpret_cast<const char*>(bytes.bytes.data()), bytes.bytes.size()));
}

storage::WriteResult WriteValues(const storage::DataFiles& files, const storage::IniValues& values) {
    const std::string text = storage::EncodeIni(values);
    return storage::WriteFileAtomically(SyncAccountFile(files),
                                        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string OneLine(std::string value) {
    for (char& c : value) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return value;
}

}  // namespace

std::filesystem::path SyncAccountFile(const storage::DataFiles& files) {
    return files.folder / storage::PathFromUtf8(storage::SafeFileStem(files.user) + ".sync.ini");
}

LoadedAccount LoadSyncAccount(const storage::DataFiles& files) {
    LoadedAccount loaded;
    const storage::FileBytes bytes = ReadAccountBytes(files);
    if (bytes.outcome == storage::ReadOutcome::Missing) return loaded;
    if (bytes.outcome == storage::ReadOutcome::Failed) {
        loaded.state = AccountState::Damaged;
        loaded.message = "Účet synchronizácie sa nedá prečítať: " + storage::DescribeError(bytes.errorCode);
        return loaded;
    }
    const storage::IniValues values = ValuesOf(bytes);
    SyncAccount& a = loaded.account;
    a.server = Get(values, kServer);
    a.calendar = Get(values, kCalendar);
    a.calendarName = Get(values, kCalendarName);
    a.login = Get(values, kLogin);
    a.passwordCommand = Get(values, kPasswordCommand);
    a.pinnedCertificate = Get(values, kPinnedCertificate);
    const std::string interval = Get(values, kInterval);
    int minutes = 0;
    const auto [end, ec] = std::from_chars(interval.data(), interval.data() + interval.size(), minutes);
    if (ec == std::errc() && end == interval.data() + interval.size() && minutes >= kMinSyncMinutes &&
        minutes <= kMaxSyncMinutes)
        a.intervalMinutes = minutes;
    if (a.calendar.empty()) {
        loaded.state = AccountState::Damaged;
        loaded.message = "Účet synchronizácie v súbore " + storage::Utf8FromPath(SyncAccountFile(files)) +
                         " neuvádza adresu kalendára.";
        return loaded;
    }
    loaded.state = AccountState::Ok;
    return loaded;
}

storage::WriteResult SaveSyncAccount(const storage::DataFiles& files, const SyncAccount& account,
                                     std::chrono::milliseconds lockWait) {
    const storage::FileLock lock(files.SyncLockFile(), lockWait);
    if (!lock) return storage::WriteResult{false, lock.ErrorCode()};
    return SaveSyncAccount(lock, files, account);
}

storage::WriteResult SaveSyncAccount(const storage::FileLock& held, const storage::DataFiles& files,
                                     const SyncAccount& account) {
    if (!held) return storage::WriteResult{false, held.ErrorCode()};
    // The last sync's time and result, and keys of a later version, are kept.
    storage::IniValues values = ValuesOf(ReadAccountBytes(files));
    values[kServer] = OneLine(account.server);
    values[kCalendar] = OneLine(account.calendar);
    values[kCalendarName] = OneLine(account.calendarName);
    values[kLogin] = OneLine(account.login);
    values[kInterval] = std::to_string(account.intervalMinutes);
    values[kPasswordCommand] = OneLine(account.passwordCommand);
    values[kPinnedCertificate] = OneLine(account.pinnedCertificate);
    return WriteValues(files, values);
}

storage::WriteResult RemoveSyncAccount(const storage::DataFiles& files) {
    std::error_code error;
    std::filesystem::remove(SyncAccountFile(files), error);
    if (error) return storage::WriteResult{false, error.value()};
    return {};
}

LastSync LastSyncOf(const storage::DataFiles& files) {
    const storage::IniValues values = ValuesOf(ReadAccountBytes(files));
    return LastSync{Get(values, kLastSync), Get(values, kLastSyncOk) == "1", Get(values, kLastSyncResult)};
}

storage::WriteResult SaveLastSync(const storage::DataFiles& files, const LastSync& last) {
    const storage::FileLock lock(files.SyncLockFile(), storage::LockWait());
    if (!lock) return storage::WriteResult{false, lock.ErrorCode()};
    const storage::FileBytes bytes = ReadAccountBytes(files);
    if (bytes.outcome != storage::ReadOutcome::Ok) return storage::WriteResult{false, bytes.errorCode};
    storage::IniValues values = ValuesOf(bytes);
    values[kLastSync] = OneLine(last.when);
    values[kLastSyncOk] = last.ok ? "1" : "0";
    values[kLastSyncResult] = OneLine(last.result);
    return WriteValues(files, values);
}

}  // namespace kalvo::caldav

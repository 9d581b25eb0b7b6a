// decode, encode and due: the reminder file format and the due test without any window.

#include <cstdio>
#include <iostream>
#include <iterator>

#include "cli/cli_context.h"
#include "core/cp1250.h"
#include "core/due.h"
#include "storage/file_io.h"
#include "storage/folder_lock.h"
#include "storage/reminder_scan.h"

namespace kalvo::cli {

storage::FileSnapshot ReadRemindersOrFail(const std::string& file) {
    storage::FileSnapshot read = storage::SnapshotFile(storage::PathFromUtf8(file));
    if (read.outcome == storage::ReadOutcome::Missing) throw CliError(kFileError, file + ": súbor neexistuje");
    if (read.outcome == storage::ReadOutcome::Failed)
        throw CliError(kFileError, file + ": súbor sa nedá prečítať (" + storage::DescribeError(read.errorCode) + ")");
    return read;
}

namespace {

std::string CodePoint(char32_t c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
    return buf;
}

}  // namespace

int Decode(Context& ctx) {
    const std::string file = TakePositional(ctx.args, "SÚBOR");
    ExpectNoMore(ctx.args);
    const storage::FileSnapshot read = ReadRemindersOrFail(file);
    // The status leads the output, so a first pass finds it; the records are then printed one by one
    // rather than held as one document.
    storage::ReminderScan look(read.Bytes());
    while (look.Next()) {}
    std::string out = "{\"version\":" + (look.Version() ? Json(*look.Version()) : Json(nullptr)).dump() +
                      ",\"status\":" + Json(std::string(storage::StatusName(look.Status()))).dump() + ",\"records\":[";
    storage::ReminderScan scan(read.Bytes());
    for (bool first = true; scan.Next(); first = false) {
        if (!first) out += ',';
        out += RecordToJson(storage::Materialize(scan.Current())).dump();
        if (out.size() >= (1u << 20)) {
            std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
            out.clear();
        }
    }
    out += "]}\n";
    std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
    return kDone;
}

int Encode(Context& ctx) {
    const std::string file = TakePositional(ctx.args, "SÚBOR");
    ExpectNoMore(ctx.args);
    const std::string input{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    Json in;
    try {
        in = Json::parse(input);
    } catch (const Json::parse_error& e) {
        throw CliError(kUsageError,
                       "Na štandardnom vstupe nie je platný JSON (chyba na bajte " + std::to_string(e.byte) + ").");
    }
    if (!in.is_object() || !in.contains("records") || !in["records"].is_array())
        throw CliError(kUsageError, "Na štandardnom vstupe sa očakáva {\"records\": [...]}.");
    ReminderList records;
    for (std::size_t i = 0; i < in["records"].size(); ++i) records.push_back(RecordFromJson(in["records"][i], i));
    storage::EncodeFailure failure;
    const auto bytes = storage::EncodeReminderFile(records, &failure);
    if (!bytes) {
        std::string shown;
        if (failure.error.character != 0xFFFD) AppendUtf8(shown, failure.error.character);
        throw CliError(kUsageError, "záznam " + std::to_string(failure.record) + ": pole " + failure.field + ": znak " +
                                        CodePoint(failure.error.character) + (shown.empty() ? "" : " „" + shown + "“") +
                                        " sa nedá uložiť v kódovaní Windows-1250");
    }
    // The whole file is replaced on purpose; the lock keeps the replacement out of another writer's
    // read-compare-write, and a running program takes it in as an outside change.
    const std::filesystem::path path = storage::PathFromUtf8(file);
    const storage::FolderLock lock(storage::LockFolderOf(path), storage::LockWait());
    if (!lock) throw CliError(kFileError, file + ": " + storage::DescribeError(lock.ErrorCode()));
    if (const auto w = storage::WriteFileAtomically(path, *bytes); !w)
        throw CliError(kFileError,
                       file + ": súbor sa nepodarilo zapísať (" + storage::DescribeError(w.errorCode) + ")");
    return kDone;
}

int Due(Context& ctx) {
    const std::string at = TakeOption(ctx.args, "--at");
    if (at.empty()) throw CliError(kUsageError, "Príkaz due potrebuje --at \"RRRR-MM-DD HH:MM:SS\".");
    const std::string file = TakePositional(ctx.args, "SÚBOR");
    ExpectNoMore(ctx.args);
    const Moment m = ParseMoment(at);
    const storage::FileSnapshot read = ReadRemindersOrFail(file);
    const double t = TimeFraction(0, 0, m.second);
    Json due = Json::array();
    // The due test needs no text: nothing is decoded.
    for (storage::ReminderScan scan(read.Bytes()); scan.Next();)
        if (ReminderDue(scan.Current().fields, m.day, t)) due.push_back(scan.Index());
    Json out;
    out["due"] = due;
    PrintJson(out);
    return kDone;
}

}  // namespace kalvo::cli

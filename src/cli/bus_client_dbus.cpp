#include "cli/bus_client.h"

#include <memory>

#include <dbus/dbus.h>

namespace kalvo::cli {
namespace {

constexpr const char* kService = "sk.kalvo.Kalvo";
constexpr const char* kPath = "/sk/kalvo/Kalvo";
constexpr const char* kInterface = "sk.kalvo.Kalvo1";
constexpr int kTimeoutMs = 20000;  // the program may wait up to ten seconds for the folder's lock
// A first sync of thousands of reminders takes minutes; the program gives up a request that stalls.
constexpr int kSyncTimeoutMs = 30 * 60 * 1000;

struct Error {
    DBusError e;
    Error() { dbus_error_init(&e); }
    ~Error() { dbus_error_free(&e); }
    bool Is(const char* name) const { return dbus_error_has_name(&e, name); }
};

struct ConnectionClose {
    void operator()(DBusConnection* c) const {
        dbus_connection_close(c);
        dbus_connection_unref(c);
    }
};
struct MessageUnref {
    void operator()(DBusMessage* m) const { dbus_message_unref(m); }
};
using Connection = std::unique_ptr<DBusConnection, ConnectionClose>;
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

Connection Connect() {
    Error error;
    // A private connection: closed at the end, and no exit when the bus goes away.
    DBusConnection* c = dbus_bus_get_private(DBUS_BUS_SESSION, &error.e);
    if (c) dbus_connection_set_exit_on_disconnect(c, FALSE);
    return Connection(c);
}

Message Call(const char* method) {
    Message m(dbus_message_new_method_call(kService, kPath, kInterface, method));
    // Never start a program just to ask it: one that does not run leaves the files to kalvo-cli.
    if (m) dbus_message_set_auto_start(m.get(), FALSE);
    return m;
}

void AppendStrings(DBusMessage* m, std::initializer_list<const std::string*> values) {
    DBusMessageIter it;
    dbus_message_iter_init_append(m, &it);
    for (const std::string* v : values) {
        const char* text = v->c_str();
        dbus_message_iter_append_basic(&it, DBUS_TYPE_STRING, &text);
    }
}

// The reply, or the outcome that replaces it.
Message Send(DBusConnection* c, DBusMessage* m, BusReply& reply, int timeoutMs = kTimeoutMs) {
    Error error;
    Message answer(dbus_connection_send_with_reply_and_block(c, m, timeoutMs, &error.e));
    if (answer) return answer;
    if (error.Is(DBUS_ERROR_SERVICE_UNKNOWN) || error.Is(DBUS_ERROR_NAME_HAS_NO_OWNER)) {
        reply.outcome = BusOutcome::Absent;
    } else if (error.Is("sk.kalvo.Kalvo1.Error.InvalidArgument") || error.Is("sk.kalvo.Kalvo1.Error.NoAccount")) {
        reply.outcome = BusOutcome::Refused;
        reply.message = error.e.message ? error.e.message : "";
    } else if (error.Is("sk.kalvo.Kalvo1.Error.NotFound") || error.Is("sk.kalvo.Kalvo1.Error.SyncFailed")) {
        // The program's own words say it all.
        reply.outcome = BusOutcome::Failed;
        reply.message = error.e.message ? error.e.message : "";
    } else {
        reply.outcome = BusOutcome::Failed;
        reply.message =
            error.Is(DBUS_ERROR_NO_REPLY) || error.Is(DBUS_ERROR_TIMEOUT)
                ? std::string("Spustený Kalvo neodpovedá.")
                : std::string("Spustený Kalvo požiadavku neprijal: ") + (error.e.message ? error.e.message : "");
    }
    return nullptr;
}

std::string NextString(DBusMessageIter& it) {
    const char* text = "";
    if (dbus_message_iter_get_arg_type(&it) == DBUS_TYPE_STRING) dbus_message_iter_get_basic(&it, &text);
    dbus_message_iter_next(&it);
    return text;
}

bool SamePlace(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ea, eb;
    const auto ca = std::filesystem::weakly_canonical(a, ea), cb = std::filesystem::weakly_canonical(b, eb);
    return !ea && !eb && ca == cb;
}

// A connection to the program that keeps the target's files, or none.
Connection Reach(const BusTarget& target, BusReply& reply) {
    Connection c = Connect();
    if (!c) return nullptr;
    Message ask = Call("Identity");
    if (!ask) return nullptr;
    Message answer = Send(c.get(), ask.get(), reply);
    if (!answer) return nullptr;
    DBusMessageIter it;
    if (!dbus_message_iter_init(answer.get(), &it)) return nullptr;
    const std::string folder = NextString(it), user = NextString(it);
    const std::u8string folderUtf8(folder.begin(), folder.end());
    if (user != target.user || !SamePlace(std::filesystem::path(folderUtf8), target.folder)) return nullptr;
    return c;
}

// The unsigned numbers of an answer, in order.
std::vector<std::uint32_t> Numbers(DBusMessage* answer) {
    std::vector<std::uint32_t> numbers;
    DBusMessageIter it;
    if (!dbus_message_iter_init(answer, &it)) return numbers;
    do {
        if (dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_UINT32) break;
        dbus_uint32_t n = 0;
        dbus_message_iter_get_basic(&it, &n);
        numbers.push_back(n);
    } while (dbus_message_iter_next(&it));
    return numbers;
}

}  // namespace

BusReply BusAdd(const BusTarget& target, const ReminderRequest& q) {
    BusReply reply;
    Connection c = Reach(target, reply);
    if (!c) return reply;
    Message m = Call(q.noticeFrom.empty() ? "AddReminder" : "AddReminderWithNotice");
    if (!m) return BusReply{BusOutcome::Failed, "Nedostatok pamäte.", {}, {}};
    if (q.noticeFrom.empty()) AppendStrings(m.get(), {&q.date, &q.time, &q.text});
    else AppendStrings(m.get(), {&q.date, &q.time, &q.text, &q.noticeFrom, &q.period, &q.noticeTime, &q.weekDay});
    if (Send(c.get(), m.get(), reply)) reply.outcome = BusOutcome::Done;
    // An answer that never came may still have been a reminder added.
    else if (reply.outcome == BusOutcome::Failed) reply.message += " Overte v jeho zozname, či pripomienku pridal.";
    return reply;
}

BusReply BusListDay(const BusTarget& target, const std::string& date) {
    BusReply reply;
    Connection c = Reach(target, reply);
    if (!c) return reply;
    Message m = Call("ListDay");
    if (!m) return BusReply{BusOutcome::Failed, "Nedostatok pamäte.", {}, {}};
    AppendStrings(m.get(), {&date});
    Message answer = Send(c.get(), m.get(), reply);
    if (!answer) return reply;
    DBusMessageIter it, list;
    if (!dbus_message_iter_init(answer.get(), &it) || dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_ARRAY)
        return BusReply{BusOutcome::Failed, "Spustený Kalvo odpovedal neočakávane.", {}, {}};
    dbus_message_iter_recurse(&it, &list);
    while (dbus_message_iter_get_arg_type(&list) == DBUS_TYPE_STRUCT) {
        DBusMessageIter field;
        dbus_message_iter_recurse(&list, &field);
        DayEntry e;
        e.date = NextString(field);
        e.time = NextString(field);
        e.text = NextString(field);
        e.kind = NextString(field);
        dbus_bool_t notice = FALSE;
        if (dbus_message_iter_get_arg_type(&field) == DBUS_TYPE_BOOLEAN) dbus_message_iter_get_basic(&field, &notice);
        dbus_message_iter_next(&field);
        e.notice = notice != FALSE;
        e.noticeFrom = NextString(field);
        e.period = NextString(field);
        e.noticeTime = NextString(field);
        reply.entries.push_back(std::move(e));
        dbus_message_iter_next(&list);
    }
    reply.outcome = BusOutcome::Done;
    return reply;
}

BusReply BusSync(const BusTarget& target) {
    BusReply reply;
    Connection c = Reach(target, reply);
    if (!c) return reply;
    Message m = Call("Sync");
    if (!m) return BusReply{BusOutcome::Failed, "Nedostatok pamäte.", {}, {}};
    Message answer = Send(c.get(), m.get(), reply, kSyncTimeoutMs);
    if (!answer) return reply;
    reply.numbers = Numbers(answer.get());
    if (reply.numbers.size() != 5) return BusReply{BusOutcome::Failed, "Spustený Kalvo odpovedal neočakávane.", {}, {}};
    reply.outcome = BusOutcome::Done;
    return reply;
}

BusReply BusDelete(const BusTarget& target, const std::string& date, const std::string& time, const std::string& text) {
    BusReply reply;
    Connection c = Reach(target, reply);
    if (!c) return reply;
    Message m = Call("DeleteReminder");
    if (!m) return BusReply{BusOutcome::Failed, "Nedostatok pamäte.", {}, {}};
    AppendStrings(m.get(), {&date, &time, &text});
    Message answer = Send(c.get(), m.get(), reply);
    if (!answer) {
        // An answer that never came may still have been a reminder removed.
        if (reply.outcome == BusOutcome::Failed && reply.message.rfind("Spustený Kalvo", 0) == 0)
            reply.message += " Overte v jeho zozname, či pripomienku odstránil.";
        return reply;
    }
    reply.numbers = Numbers(answer.get());
    if (reply.numbers.size() != 1) return BusReply{BusOutcome::Failed, "Spustený Kalvo odpovedal neočakávane.", {}, {}};
    reply.outcome = BusOutcome::Done;
    return reply;
}

}  // namespace kalvo::cli

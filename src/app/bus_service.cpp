#include "app/bus_service.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QTimer>
#include <utility>

#include "app/program_windows.h"
#ifdef KALVO_HAVE_SYNC
#include "app/sync_service.h"
#endif
#include "ui/alarm/message_popup.h"
#include "ui/main_window/kalvounit.h"
#include "ui/overview/prehlad.h"

namespace kalvo::app {
namespace {

constexpr const char* kInvalidArgument = "sk.kalvo.Kalvo1.Error.InvalidArgument";
constexpr const char* kSaveFailed = "sk.kalvo.Kalvo1.Error.SaveFailed";
constexpr const char* kNoAlarm = "sk.kalvo.Kalvo1.Error.NoAlarm";
constexpr const char* kNotAvailable = "sk.kalvo.Kalvo1.Error.NotAvailable";
constexpr const char* kNotFound = "sk.kalvo.Kalvo1.Error.NotFound";
constexpr const char* kNoAccount = "sk.kalvo.Kalvo1.Error.NoAccount";
constexpr const char* kSyncFailed = "sk.kalvo.Kalvo1.Error.SyncFailed";

const QString kNoAccountText = QStringLiteral(
    "Synchronizácia nie je nastavená: zadajte účet v Nastaveniach na stránke Synchronizácia alebo príkazom "
    "kalvo-cli sync-setup ADRESA.");

std::string S(const QString& s) { return s.toStdString(); }
QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

QDBusArgument& operator<<(QDBusArgument& out, const BusDayEntry& e) {
    const DayEntry& d = e.entry;
    out.beginStructure();
    out << Q(d.date) << Q(d.time) << Q(d.text) << Q(d.kind) << d.notice << Q(d.noticeFrom) << Q(d.period)
        << Q(d.noticeTime);
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, BusDayEntry& e) {
    QString date, time, text, kind, from, period, noticeTime;
    in.beginStructure();
    in >> date >> time >> text >> kind >> e.entry.notice >> from >> period >> noticeTime;
    in.endStructure();
    e.entry.date = S(date);
    e.entry.time = S(time);
    e.entry.text = S(text);
    e.entry.kind = S(kind);
    e.entry.noticeFrom = S(from);
    e.entry.period = S(period);
    e.entry.noticeTime = S(noticeTime);
    return in;
}

// The same step as "Odložiť" in the strip: the snooze is on disk before the strip closes.
QString SnoozeShownAlarm(ui::TMainForm* main, unsigned minutes) {
    if (main && main->SnoozeShownAlarm(scheduler::SnoozeRequest::ForMinutes(static_cast<int>(minutes)))) return {};
    return QStringLiteral(
        "Zobrazenú pripomienku nemožno odložiť (časové znamenie, zoznam zmeškaných pripomienok "
        "alebo súbor odložených pripomienok sa nedal uložiť).");
}

BusService::BusService(ui::AppContext& ctx, ProgramWindows& windows, SyncService* sync, QObject* parent)
    : QObject(parent), ctx_(ctx), windows_(windows), sync_(sync) {
    RegisterTypes();
}

void BusService::RegisterTypes() {
    qDBusRegisterMetaType<BusDayEntry>();
    qDBusRegisterMetaType<QList<BusDayEntry>>();
}

bool BusService::Register() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    if (!bus.registerObject(QString::fromLatin1(kBusPath), this, QDBusConnection::ExportScriptableSlots)) return false;
    const auto reply =
        bus.interface()->registerService(QString::fromLatin1(kBusService), QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    return reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
}

void BusService::Refuse(const char* error, const QString& text) {
    lastRefusal_ = QString::fromLatin1(error);
    if (calledFromDBus()) sendErrorReply(lastRefusal_, text);
}

QString BusService::Identity(QString& user) {
    user = Q(ctx_.files.user);
    return ui::PathText(ctx_.files.folder);
}

void BusService::Add(const ReminderRequest& request) {
    const BuiltReminder built = BuildReminder(request);
    if (!built.reminder) return Refuse(kInvalidArgument, Q(built.error));
    ui::TMainForm* main = windows_.main;
    bool saved = false;
    StoreMessagesAfterReply([&] {
        main->Store().Reminders().push_back(*built.reminder);
        saved = main->CommitChange(/*sort=*/true);
    });
    if (!saved)
        Refuse(kSaveFailed, QStringLiteral("Pripomienku sa nepodarilo uložiť do súboru; zostáva v pamäti programu."));
}

void BusService::StoreMessagesAfterReply(const std::function<void()>& step) {
    std::vector<std::string> told;
    {
        storage::ReminderStore::HeldMessages held(windows_.main->Store());
        step();
        told = held.Take();
    }
    // The reply leaves when the call returns; the person at the screen is told after that, so that a
    // message box left open never holds the caller.
    if (!told.empty())
        QTimer::singleShot(0, this, [this, told = std::move(told)] {
            for (const std::string& text : told) ctx_.dialogs.ShowError("Kalvo", text);
        });
}

void BusService::AddReminder(const QString& date, const QString& time, const QString& text) {
    Add(ReminderRequest{S(date), S(time), S(text), {}, {}, {}, {}});
}

void BusService::AddReminderWithNotice(const QString& date, const QString& time, const QString& text,
                                       const QString& noticeFrom, const QString& period, const QString& noticeTime,
                                       const QString& weekDay) {
    if (noticeFrom.isEmpty()) return Refuse(kInvalidArgument, QStringLiteral("Začiatok upozornení je prázdny."));
    Add(ReminderRequest{S(date), S(time), S(text), S(noticeFrom), S(period), S(noticeTime), S(weekDay)});
}

QList<BusDayEntry> BusService::ListDay(const QString& date) {
    const auto day = ParseDayText(S(date));
    if (!day) {
        Refuse(kInvalidArgument, QStringLiteral("Neplatný dátum \"%1\" (očakáva sa D.M.RRRR).").arg(date));
        return {};
    }
    QList<BusDayEntry> entries;
    for (DayEntry& e : DayEntries(windows_.main->Store().Reminders(), *day))
        entries.push_back(BusDayEntry{std::move(e)});
    return entries;
}

void BusService::ShowMainWindow() { app::ShowMainWindow(windows_.main); }

void BusService::ShowToday() {
    if (windows_.plan) windows_.plan->ShowFromTray();
}

void BusService::Acknowledge() {
    ui::TMesgPopUp* popup = windows_.popup;
    if (!popup || !popup->isVisible())
        return Refuse(kNoAlarm, QStringLiteral("Práve sa nezobrazuje žiadna pripomienka."));
    StoreMessagesAfterReply([popup] { popup->Label9Click(); });
}

void BusService::Snooze(uint minutes) {
    if (minutes == 0 || minutes > 1440)
        return Refuse(kInvalidArgument, QStringLiteral("Pripomienku možno odložiť o 1 až 1440 minút."));
    if (!windows_.popup || !windows_.popup->isVisible())
        return Refuse(kNoAlarm, QStringLiteral("Práve sa nezobrazuje žiadna pripomienka."));
    QString refused;
    StoreMessagesAfterReply([&] { refused = SnoozeShownAlarm(windows_.main, minutes); });
    if (!refused.isEmpty()) Refuse(kNotAvailable, refused);
}

uint BusService::DeleteReminder(const QString& date, const QString& time, const QString& text) {
    ui::TMainForm* main = windows_.main;
    const ReminderLookup found = FindReminders(std::as_const(main->Store()).Reminders(), S(date), S(time), S(text));
    if (!found.error.empty()) {
        Refuse(kInvalidArgument, Q(found.error));
        return 0;
    }
    if (found.indices.empty()) {
        Refuse(kNotFound,
               QStringLiteral("Pripomienka %1 %2 „%3“ v zozname nie je; nič sa neodstránilo.").arg(date, time, text));
        return 0;
    }
    bool saved = false;
    StoreMessagesAfterReply([&] {
        main->Store().Remove(found.indices.front());
        saved = main->CommitChange(/*sort=*/false);
    });
    main->ViewRefresh();
    if (!saved)
        Refuse(kSaveFailed,
               QStringLiteral("Pripomienka je odstránená len v pamäti programu; súbor sa nepodarilo uložiť."));
    return static_cast<uint>(found.indices.size() - 1);
}

uint BusService::Sync(uint& received, uint& deletedHere, uint& deletedThere, uint& conflicts) {
    received = deletedHere = deletedThere = conflicts = 0;
#ifdef KALVO_HAVE_SYNC
    if (sync_ && sync_->Enabled()) {
        if (!calledFromDBus()) return 0;
        // The sync runs beside the event loop; the caller gets its answer when it has ended.
        setDelayedReply(true);
        sync_->SyncNow([call = message(), bus = connection()](const sync::SyncReport& r, bool noAccount) {
            if (noAccount) {
                bus.send(call.createErrorReply(QString::fromLatin1(kNoAccount), kNoAccountText));
            } else if (r.outcome != sync::SyncOutcome::Done) {
                bus.send(call.createErrorReply(QString::fromLatin1(kSyncFailed), Q(r.failure)));
            } else {
                const auto u = [](int n) { return QVariant::fromValue(static_cast<uint>(n)); };
                bus.send(
                    call.createReply({u(r.sent), u(r.received), u(r.deletedHere), u(r.deletedThere), u(r.conflicts)}));
            }
        });
        return 0;
    }
#endif
    Refuse(kNoAccount, kNoAccountText);
    return 0;
}

}  // namespace kalvo::app

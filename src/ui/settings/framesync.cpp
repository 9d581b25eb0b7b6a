#include "ui/settings/framesync.h"
#include "ui/settings/setup_page.h"

#include <QDateTime>
#include <QEventLoop>
#include <QFontInfo>
#include <QFontMetrics>
#include <QRegularExpression>
#include <QThread>

#include "caldav/account_sync.h"
#include "caldav/sync_setup.h"
#include "ui/common/colors.h"
#include "ui/common/window_builders.h"

namespace kalvo::ui {
namespace {

constexpr std::chrono::milliseconds kTryTimeout{20000};
constexpr std::chrono::milliseconds kCommandWait{20000};
const char* const kCaption = "Kalvo";
// Where the password is kept: Windows calls its keyring the Credential Manager.
#ifdef _WIN32
const char* const kPasswordStored = "v správcovi poverení";
const char* const kKeyringRefusedHint = "Skontrolujte správcu poverení Windows a skúste to znova";
#else
const char* const kPasswordStored = "uložené v kľúčenke";
const char* const kKeyringRefusedHint = "Odomknite kľúčenku a skúste to znova";
#endif

constexpr int kSmallestPixels = 9;

bool Fits(const QLabel* label, const QFont& font, const QString& text) {
    return QFontMetrics(font).boundingRect(QRect(0, 0, label->width(), 10000), Qt::TextWordWrap, text).height() <=
           label->height();
}

// A word-wrapped label's text: whole when its lines hold it, in smaller letters when only those hold it,
// else as much as they hold with "…" (a server's list of calendars, say); the whole text in its tooltip.
// A calendar's address has no spaces: a long one may break after any "/" of its path instead.
void ShowWrapped(QLabel* label, const QString& text) {
    static const QRegularExpression pathSlash(QStringLiteral("(?<!/)/(?!/)"));
    QString breakable = text;
    breakable.replace(pathSlash, QStringLiteral("/\u200B"));
    QFont font = label->parentWidget()->font();
    for (int pixels = QFontInfo(font).pixelSize(); !Fits(label, font, breakable) && pixels > kSmallestPixels;)
        font.setPixelSize(--pixels);
    QString shown = breakable;
    while (!shown.isEmpty() && !Fits(label, font, shown)) {
        const qsizetype space = shown.lastIndexOf(QLatin1Char(' '), shown.size() - 3);
        shown = space > 0 ? shown.left(space) + QStringLiteral(" …") : QString();
    }
    label->setFont(font);
    label->setText(shown);
    label->setToolTip(text);
}

// "2026-12-07 09:05:00" as the windows show a moment: "7.12.2026 9:05".
QString MomentText(const std::string& stored) {
    const QDateTime at = QDateTime::fromString(Q(stored), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return at.isValid() ? at.toString(QStringLiteral("d.M.yyyy H:mm")) : Q(stored);
}

}  // namespace

TFrSync::TFrSync(AppContext& ctx, QWidget* parent) : QFrame(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("FrSync1"));
    setFixedSize(510, kSetupPageHeight);
    keyring = [] { return caldav::SystemKeyring(); };
    Build();
}

TFrSync::~TFrSync() {
    *cancelled_ = true;
    if (thread_) {
        thread_->disconnect(this);
        thread_->wait(5000);
        if (thread_->isFinished()) delete thread_;
    }
}

void TFrSync::Build() {
    auto* text = new QLabel(QStringLiteral("Pripomienky synchronizované s kalendárom na serveri CalDAV"), this);
    text->setGeometry(10, 4, 490, 16);
    text->setFont(Bold(text->font()));

    auto field = [this](const QString& caption, const char* name, const QRect& captionAt, const QRect& at) {
        auto* label = new QLabel(caption, this);
        label->setGeometry(captionAt);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setGeometry(at);
        NameByCaption(label, edit);
        return edit;
    };
    Server = field(QStringLiteral("Adresa servera:"), "Server", QRect(10, 28, 134, 16), QRect(146, 24, 354, 24));
    Server->setPlaceholderText(QStringLiteral("https://server.sk/ alebo adresa kalendára"));
    Login = field(QStringLiteral("Prihlasovacie meno:"), "Login", QRect(10, 56, 134, 16), QRect(146, 52, 140, 24));
    Password = field(QStringLiteral("Heslo:"), "Password", QRect(296, 56, 46, 16), QRect(344, 52, 156, 24));
    Password->setEchoMode(QLineEdit::Password);

    BtTry = new QPushButton(QStringLiteral("Vyskúšať"), this);
    BtTry->setObjectName(QStringLiteral("BtTry"));
    BtTry->setGeometry(10, 80, 126, 26);
    LFound = new QLabel(this);
    LFound->setObjectName(QStringLiteral("LFound"));
    LFound->setGeometry(146, 78, 354, 30);
    LFound->setWordWrap(true);
    LFound->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    LFound->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* every = new QLabel(QStringLiteral("Synchronizovať každých"), this);
    every->setGeometry(10, 116, 160, 16);
    Interval = new QSpinBox(this);
    Interval->setObjectName(QStringLiteral("Interval"));
    Interval->setGeometry(172, 112, 64, 24);
    Interval->setRange(caldav::kMinSyncMinutes, caldav::kMaxSyncMinutes);
    Interval->setAlignment(Qt::AlignRight);
    Interval->setAccessibleName(QStringLiteral("Synchronizovať každých … minút"));
    every->setBuddy(Interval);
    auto* minutes = new QLabel(QStringLiteral("minút, a vždy po zmene"), this);
    minutes->setGeometry(242, 116, 150, 16);
    BtForget = new QPushButton(QStringLiteral("Zrušiť účet"), this);
    BtForget->setObjectName(QStringLiteral("BtForget"));
    BtForget->setGeometry(400, 111, 100, 26);

    auto* lastCaption = new QLabel(QStringLiteral("Naposledy:"), this);
    lastCaption->setGeometry(10, 141, 134, 16);
    // Two lines: a failure's reason is read whole.
    LLast = new QLabel(this);
    LLast->setObjectName(QStringLiteral("LLast"));
    LLast->setGeometry(146, 140, 354, 30);
    LLast->setWordWrap(true);
    LLast->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LLast->setTextInteractionFlags(Qt::TextSelectableByMouse);
    NameByCaption(lastCaption, LLast, QStringLiteral("Posledná synchronizácia"));

    connect(BtTry, &QPushButton::clicked, this, &TFrSync::TryClick);
    connect(BtForget, &QPushButton::clicked, this, &TFrSync::ForgetClick);
    // What was found no longer answers for fields changed since.
    for (QLineEdit* edit : {Server, Login, Password})
        connect(edit, &QLineEdit::textEdited, this, [this] {
            if (found_ && !FoundMatchesFields()) Say(QString(), false);
        });
}

void TFrSync::Say(const QString& text, bool problem) {
    ShowWrapped(LFound, text);
    LFound->setStyleSheet(TextColour(problem ? kSundayRed : kValueBlue));
}

void TFrSync::FormShow() {
    loaded_ = caldav::LoadSyncAccount(ctx_.files);
    found_.reset();
    const caldav::SyncAccount& a = loaded_.account;
    const bool has = loaded_.state == caldav::AccountState::Ok;
    acceptedCertificate_ = has ? Q(a.pinnedCertificate) : QString();
    Server->setText(has ? Q(a.server) : QString());
    Login->setText(has ? Q(a.login) : QString());
    Password->clear();
    Password->setEnabled(!has || a.passwordCommand.empty());
    Password->setPlaceholderText(!has || a.login.empty()     ? QString()
                                 : a.passwordCommand.empty() ? QString::fromUtf8(kPasswordStored)
                                                             : QStringLiteral("dáva ho príkaz"));
    Interval->setValue(has ? a.intervalMinutes : caldav::kDefaultSyncMinutes);
    BtForget->setEnabled(loaded_.state != caldav::AccountState::Missing);
    if (has) Say(QStringLiteral("Kalendár „%1“ – %2").arg(Q(a.calendarName), Q(a.calendar)), false);
    else if (loaded_.state == caldav::AccountState::Damaged) Say(Q(loaded_.message), true);
    else
        Say(QStringLiteral("Synchronizácia je vypnutá. Zadajte server a prihlasovacie údaje a stlačte "
                           "„Vyskúšať“."),
            false);
    ShowLastSync();
}

void TFrSync::ShowLastSync() {
    if (!storage::FileExists(caldav::SyncAccountFile(ctx_.files))) {
        ShowWrapped(LLast, QStringLiteral("—"));
        LLast->setToolTip(QString());
        LLast->setStyleSheet(QString());
        return;
    }
    const caldav::LastSync last = caldav::LastSyncOf(ctx_.files);
    const QString text = last.when.empty() ? QStringLiteral("ešte neprebehla")
                                           : MomentText(last.when) + QStringLiteral(" – ") + Q(last.result);
    ShowWrapped(LLast, text);
    LLast->setStyleSheet(TextColour(!last.when.empty() && !last.ok ? kSundayRed : kValueBlue));
}

bool TFrSync::FieldsChanged() const {
    if (loaded_.state != caldav::AccountState::Ok) return !Server->text().trimmed().isEmpty();
    const caldav::SyncAccount& a = loaded_.account;
    return Server->text().trimmed() != Q(a.server) || Login->text() != Q(a.login) || !Password->text().isEmpty() ||
           caldav::NormalizeFingerprint(acceptedCertificate_) != Q(a.pinnedCertificate);
}

bool TFrSync::FoundMatchesFields() const {
    return found_ && found_->server == Server->text().trimmed() && found_->login == Login->text() &&
           (Password->text().isEmpty() || found_->password == Password->text());
}

std::optional<QString> TFrSync::PasswordToTry() {
    if (!Password->text().isEmpty() || Login->text().isEmpty()) return Password->text();
    const caldav::SyncAccount& a = loaded_.account;
    if (loaded_.state != caldav::AccountState::Ok || Q(a.login) != Login->text()) return QString();
    const caldav::PasswordResult p = a.passwordCommand.empty()
                                         ? caldav::ReadStoredPassword(a, *keyring())
                                         : caldav::RunPasswordCommand(Q(a.passwordCommand), kCommandWait);
    if (p.ok) return p.password;
    Say(p.message, true);
    return std::nullopt;
}

void TFrSync::Discover(const std::function<void(const caldav::DiscoveryResult&)>& then) {
    if (thread_) return;
    const std::optional<QString> password = PasswordToTry();
    if (!password) return;
    caldav::DiscoveryRequest request =
        caldav::DiscoveryRequestFor(Server->text(), Login->text(), *password, {}, acceptedCertificate_);
    if (!request.address.isValid()) {
        Say(QStringLiteral("Adresa servera nie je platná: zadajte ju ako https://server.sk/ alebo ako adresu "
                           "kalendára."),
            true);
        return;
    }
    request.session.timeout = kTryTimeout;
    request.session.cancelled = cancelled_.get();
    const QString server = Server->text().trimmed(), login = Login->text();
    auto result = std::make_shared<caldav::DiscoveryResult>();
    thread_ = QThread::create([request, result, keep = cancelled_] { *result = caldav::DiscoverCalendar(request); });
    BtTry->setEnabled(false);
    Say(QStringLiteral("Skúšam spojenie so serverom…"), false);
    QThread* started = thread_;
    connect(started, &QThread::finished, this, [=, this] {
        started->wait();
        delete started;
        thread_ = nullptr;
        BtTry->setEnabled(true);
        if (result->outcome.ok() && result->calendar)
            found_ = Found{server, login, *password, request, *result->calendar};
        then(*result);
    });
    started->start();
}

bool TFrSync::Take(const caldav::DiscoveryResult& result, bool& askAgain) {
    askAgain = false;
    if (result.outcome.ok() && result.calendar) {
        Say(QStringLiteral("Nájdený kalendár „%1“ – %2%3")
                .arg(result.calendar->displayName, result.calendar->url.toString(),
                     result.created ? QStringLiteral(" (vytvorený pre Kalvo)") : QString()),
            false);
        return true;
    }
    if (!result.certificate.IsEmpty()) {
        const bool trust = ctx_.dialogs.AskYesNo(
            kCaption,
            S(caldav::CertificateText(result.certificate)) +
                "\n\nAk je to naozaj certifikát vášho servera (odtlačok overte u jeho správcu), Kalvo "
                "si ho zapamätá a bude mu dôverovať.\n\nDôverovať tomuto certifikátu?",
            QuestionIcon::Warning);
        if (trust) {
            acceptedCertificate_ = result.certificate.sha256;
            askAgain = true;
        } else {
            Say(QStringLiteral("Certifikát servera nebol prijatý, spojenie sa nenadviazalo."), true);
        }
        return false;
    }
    Say(caldav::DiscoveryFailureText(result), true);
    return false;
}

void TFrSync::TryClick() {
    Discover([this](const caldav::DiscoveryResult& result) {
        bool again = false;
        if (!Take(result, again) && again) TryClick();
    });
}

bool TFrSync::Apply() {
    while (thread_) {  // a try under way answers first
        QEventLoop loop;
        connect(thread_, &QThread::destroyed, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    const bool has = loaded_.state == caldav::AccountState::Ok;
    if (Server->text().trimmed().isEmpty()) return true;  // "Zrušiť účet" turns sync off
    if (!FieldsChanged()) {
        if (!has || Interval->value() == loaded_.account.intervalMinutes) return true;
        caldav::SyncAccount account = loaded_.account;
        account.intervalMinutes = Interval->value();
        if (const storage::WriteResult saved = caldav::SaveSyncAccount(ctx_.files, account, syncLockWait); !saved) {
            TellNotStored(saved.errorCode);
            return false;
        }
        loaded_ = caldav::LoadSyncAccount(ctx_.files);
        emit AccountChanged();
        return true;
    }
    // Tried now when the fields were changed since the last try, and waited for.
    for (int round = 0; !FoundMatchesFields() && round < 2; ++round) {
        bool ended = false, again = false;
        Discover([&](const caldav::DiscoveryResult& result) {
            Take(result, again);
            ended = true;
        });
        while (thread_ && !ended) {
            QEventLoop loop;
            connect(thread_, &QThread::destroyed, &loop, &QEventLoop::quit);
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
        if (!again) break;
    }
    if (!FoundMatchesFields()) return false;

    const bool keepCommand = has && !loaded_.account.passwordCommand.empty() && Password->text().isEmpty() &&
                             Login->text() == Q(loaded_.account.login);
    caldav::SyncAccount account = caldav::AccountFromDiscovery(
        found_->request, found_->calendar, keepCommand ? loaded_.account.passwordCommand : std::string());
    account.intervalMinutes = Interval->value();
    if (!Store(account, found_->password)) return false;
    loaded_ = caldav::LoadSyncAccount(ctx_.files);
    Password->clear();
    emit AccountChanged();
    return true;
}

bool TFrSync::Store(const caldav::SyncAccount& account, const QString& password) {
    // The password and the file go together: no sync reads the account between them. The lock is let go
    // before the sync starts over.
    const storage::FileLock lock(ctx_.files.SyncLockFile(), syncLockWait);
    if (!lock) {
        TellNotStored(lock.ErrorCode());
        return false;
    }
    if (!account.login.empty() && account.passwordCommand.empty()) {
        if (const QString refused = caldav::StorePassword(account, *keyring(), password); !refused.isEmpty()) {
            ctx_.dialogs.ShowError(kCaption, S(refused) +
                                                 "\n\nÚčet synchronizácie sa neuložil: Kalvo heslo do súboru "
                                                 "nezapisuje. " +
                                                 kKeyringRefusedHint +
                                                 ", alebo nastavte účet príkazom kalvo-cli sync-setup s voľbou "
                                                 "--password-command.");
            Say(refused, true);
            return false;
        }
    }
    if (const storage::WriteResult saved = caldav::SaveSyncAccount(lock, ctx_.files, account); !saved) {
        TellNotStored(saved.errorCode);
        return false;
    }
    return true;
}

void TFrSync::ForgetClick() {
    if (loaded_.state == caldav::AccountState::Missing) return;
    const std::string name =
        loaded_.account.calendarName.empty() ? "na serveri" : "„" + loaded_.account.calendarName + "“";
    if (!ctx_.dialogs.AskYesNo(kCaption,
                               "Zrušiť synchronizáciu s kalendárom " + name +
                                   "?\n\nPripomienky v Kalve aj udalosti na serveri zostanú, kde sú; Kalvo ich "
                                   "len prestane synchronizovať a zabudne uložené heslo.",
                               QuestionIcon::Question))
        return;
    if (const QString problems = caldav::ForgetAccount(ctx_.files, *keyring(), syncLockWait); !problems.isEmpty())
        ctx_.dialogs.ShowError(kCaption, S(problems));
    // Not forgotten (a sync runs): the page stays as it is.
    if (storage::FileExists(caldav::SyncAccountFile(ctx_.files))) return;
    FormShow();
    emit AccountChanged();
}

void TFrSync::TellNotStored(int errorCode) {
    if (errorCode == storage::kErrorLockTimeout) {
        ctx_.dialogs.ShowError(kCaption,
                               "Účet synchronizácie sa teraz nedá uložiť: synchronizácia týchto pripomienok práve "
                               "prebieha a neskončila.\n\nZadané údaje zostávajú vyplnené; skúste ich uložiť znova "
                               "o chvíľu.");
        return;
    }
    ctx_.dialogs.ShowError(kCaption, "Účet synchronizácie sa nepodarilo uložiť do súboru " +
                                         storage::Utf8FromPath(caldav::SyncAccountFile(ctx_.files)) + " (" +
                                         storage::DescribeError(errorCode) + ").");
}

}  // namespace kalvo::ui

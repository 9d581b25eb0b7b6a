#include "caldav/password_store.h"

#include <QProcess>
#include <QStringDecoder>
#include <QUrl>
#include <string>
#ifdef _WIN32
#include <windows.h>
#endif

namespace kalvo::caldav {
namespace {

// What the command printed, as text. On Windows cmd writes its own commands' output (echo) as UTF-16 (it runs
// with /u), other programs write UTF-8 or the console's code page; elsewhere it is UTF-8.
QString CommandText(const QByteArray& out) {
#ifdef _WIN32
    if (out.contains('\0'))
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(out.constData()), out.size() / 2);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(out);
    if (!utf8.hasError()) return text;
    const int size = MultiByteToWideChar(CP_OEMCP, 0, out.constData(), static_cast<int>(out.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    MultiByteToWideChar(CP_OEMCP, 0, out.constData(), static_cast<int>(out.size()), wide.data(), size);
    return QString::fromStdWString(wide);
#else
    return QString::fromUtf8(out);
#endif
}

QString KeyFor(const std::string& login, const std::string& address) {
    const QUrl url(QString::fromStdString(address));
    QString origin = url.scheme() + QStringLiteral("://") + url.host();
    if (url.port() >= 0) origin += QLatin1Char(':') + QString::number(url.port());
    return QString::fromStdString(login) + QLatin1Char('@') + origin;
}

}  // namespace

QString KeyringKey(const SyncAccount& account) {
    return KeyFor(account.login, account.calendar.empty() ? account.server : account.calendar);
}

QStringList KeyringKeys(const SyncAccount& account) {
    QStringList keys{KeyringKey(account)};
    if (!account.server.empty()) {
        const QString server = KeyFor(account.login, account.server);
        if (server != keys.front()) keys << server;
    }
    return keys;
}

PasswordResult ReadStoredPassword(const SyncAccount& account, Keyring& keyring) {
    PasswordResult result;
    for (const QString& key : KeyringKeys(account)) {
        result = keyring.Read(key);
        if (!result.notStored) break;
    }
    return result;
}

QString StorePassword(const SyncAccount& account, Keyring& keyring, const QString& password) {
    for (const QString& key : KeyringKeys(account))
        if (QString refused = keyring.Write(key, password); !refused.isEmpty()) return refused;
    return {};
}

QString RemoveStoredPassword(const SyncAccount& account, Keyring& keyring) {
    QString first;
    for (const QString& key : KeyringKeys(account)) {
        const QString refused = keyring.Remove(key);
        if (first.isEmpty()) first = refused;
    }
    return first;
}

PasswordResult RunPasswordCommand(const QString& command, std::chrono::milliseconds wait) {
    PasswordResult result;
    QProcess process;
#ifdef _WIN32
    process.setProgram(QStringLiteral("cmd.exe"));
    process.setNativeArguments(QStringLiteral("/d /u /s /c \"%1\"").arg(command));
#else
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments({QStringLiteral("-c"), command});
#endif
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(static_cast<int>(wait.count()))) {
        result.message = QStringLiteral("Príkaz na heslo sa nedá spustiť: %1").arg(process.errorString());
        return result;
    }
    if (!process.waitForFinished(static_cast<int>(wait.count()))) {
        process.kill();
        process.waitForFinished(1000);
        result.message = QStringLiteral("Príkaz na heslo neskončil do %1 s.").arg(wait.count() / 1000);
        return result;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString said = CommandText(process.readAllStandardError()).trimmed().left(200);
        result.message = said.isEmpty()
                             ? QStringLiteral("Príkaz na heslo zlyhal (kód %1).").arg(process.exitCode())
                             : QStringLiteral("Príkaz na heslo zlyhal (kód %1): %2").arg(process.exitCode()).arg(said);
        return result;
    }
    QString out = CommandText(process.readAllStandardOutput());
    const qsizetype end = out.indexOf(QLatin1Char('\n'));
    if (end >= 0) out.truncate(end);
    if (out.endsWith(QLatin1Char('\r'))) out.chop(1);
    if (out.isEmpty()) {
        result.message = QStringLiteral("Príkaz na heslo nevypísal nijaké heslo.");
        return result;
    }
    result.ok = true;
    result.password = out;
    return result;
}

PasswordResult PasswordFor(const SyncAccount& account, Keyring& keyring, std::chrono::milliseconds commandWait) {
    if (!account.passwordCommand.empty()) {
        return RunPasswordCommand(QString::fromStdString(account.passwordCommand), commandWait);
    }
    if (account.login.empty()) return PasswordResult{true, {}, {}, false};
    return ReadStoredPassword(account, keyring);
}

}  // namespace kalvo::caldav

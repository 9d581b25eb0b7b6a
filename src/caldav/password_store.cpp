#include "caldav/password_store.h"

#include <QProcess>
#include <QUrl>

namespace kalvo::caldav {

QString KeyringKey(const SyncAccount& account) {
    const QUrl url(QString::fromStdString(account.calendar.empty() ? account.server : account.calendar));
    QString origin = url.scheme() + QStringLiteral("://") + url.host();
    if (url.port() >= 0) origin += QLatin1Char(':') + QString::number(url.port());
    return QString::fromStdString(account.login) + QLatin1Char('@') + origin;
}

PasswordResult RunPasswordCommand(const QString& command, std::chrono::milliseconds wait) {
    PasswordResult result;
    QProcess process;
#ifdef _WIN32
    process.setProgram(QStringLiteral("cmd.exe"));
    process.setNativeArguments(QStringLiteral("/d /s /c \"%1\"").arg(command));
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
        const QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed().left(200);
        result.message = said.isEmpty()
                             ? QStringLiteral("Príkaz na heslo zlyhal (kód %1).").arg(process.exitCode())
                             : QStringLiteral("Príkaz na heslo zlyhal (kód %1): %2").arg(process.exitCode()).arg(said);
        return result;
    }
    QByteArray out = process.readAllStandardOutput();
    const qsizetype end = out.indexOf('\n');
    if (end >= 0) out.truncate(end);
    if (out.endsWith('\r')) out.chop(1);
    if (out.isEmpty()) {
        result.message = QStringLiteral("Príkaz na heslo nevypísal nijaké heslo.");
        return result;
    }
    result.ok = true;
    result.password = QString::fromUtf8(out);
    return result;
}

PasswordResult PasswordFor(const SyncAccount& account, Keyring& keyring, std::chrono::milliseconds commandWait) {
    if (!account.passwordCommand.empty()) {
        return RunPasswordCommand(QString::fromStdString(account.passwordCommand), commandWait);
    }
    if (account.login.empty()) return PasswordResult{true, {}, {}, false};
    return keyring.Read(KeyringKey(account));
}

}  // namespace kalvo::caldav

#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>

#ifndef _WIN32
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#endif

#include "platform/autostart.h"
#include "platform/system_paths.h"
#include "storage/file_io.h"

namespace kalvo {
namespace {

QString Text(const std::filesystem::path& p) { return QString::fromStdString(storage::Utf8FromPath(p)); }

// A RIFF/WAVE header: the one format the player takes.
bool LooksLikeWave(const std::filesystem::path& file) {
    const storage::FileBytes head = storage::ReadFileStart(file, 12);
    if (head.outcome != storage::ReadOutcome::Ok || head.bytes.size() < 12) return false;
    const std::string_view header(reinterpret_cast<const char*>(head.bytes.data()), head.bytes.size());
    return header.substr(0, 4) == "RIFF" && header.substr(8, 4) == "WAVE";
}

}  // namespace

QtPlatform::QtPlatform()
    : executable_(ExecutablePath()), programFolder_(ResolveProgramFolder(executable_.parent_path())) {}

QtPlatform::~QtPlatform() = default;

std::string QtPlatform::UserName() const { return LogonUserName(); }

std::filesystem::path QtPlatform::ProgramFolder() const { return programFolder_; }

std::filesystem::path QtPlatform::FindAsset(const std::string& name) const {
    if (auto inFolder = programFolder_ / name; std::filesystem::is_regular_file(inFolder)) return inFolder;
    return FindAssetBeside(executable_.parent_path(), name);
}

bool QtPlatform::PlaySound(const std::filesystem::path& file, SoundMode mode) {
    const std::filesystem::path path = file.is_relative() ? FindAsset(storage::Utf8FromPath(file)) : file;
    if (path.empty() || !LooksLikeWave(path)) return false;
    if (mode == SoundMode::Async) {
        // A new sound replaces the one still playing, as the system's player does.
        async_ = std::make_unique<QSoundEffect>();
        async_->setSource(QUrl::fromLocalFile(Text(path)));
        async_->play();
        return true;
    }
    QSoundEffect effect;
    QEventLoop loop;
    bool failed = false;
    QObject::connect(&effect, &QSoundEffect::statusChanged, &loop, [&] {
        if (effect.status() == QSoundEffect::Error) {
            failed = true;
            loop.quit();
        }
    });
    QObject::connect(&effect, &QSoundEffect::playingChanged, &loop, [&] {
        if (!effect.isPlaying()) loop.quit();
    });
    QTimer::singleShot(5 * 60 * 1000, &loop, &QEventLoop::quit);  // never wait forever on a broken device
    effect.setSource(QUrl::fromLocalFile(Text(path)));
    effect.play();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return !failed;
}

void QtPlatform::DefaultBeep() { QApplication::beep(); }

bool QtPlatform::AutostartIsOn() const { return MakeAutostartEntry(executable_)->IsOn(); }
void QtPlatform::EnableAutostart() { MakeAutostartEntry(executable_)->Enable(); }
void QtPlatform::DisableAutostart() { MakeAutostartEntry(executable_)->Disable(); }

std::string QtPlatform::OperatingSystemName() const {
    QFile file(QStringLiteral("/etc/os-release"));
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (!line.startsWith("PRETTY_NAME=")) continue;
            QByteArray value = line.mid(12).trimmed();
            if (value.size() >= 2 && (value.startsWith('"') || value.startsWith('\'')))
                value = value.mid(1, value.size() - 2);
            return value.toStdString();
        }
    }
    return "Neznámy OS";
}

// logind lets the user of the active local session power off without a password, and refuses quietly
// otherwise (non-interactive call: no password prompt can hang the countdown). systemctl is the
// fallback where logind is not on the system bus.
void QtPlatform::ShutDown() {
    // End-to-end tests put a harmless command of their own in place of the real shut-down.
    if (const QString stand_in = qEnvironmentVariable("KALVO_SHUTDOWN_COMMAND"); !stand_in.isEmpty()) {
        QProcess::startDetached(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), stand_in});
        return;
    }
#ifndef _WIN32
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected()) {
        QDBusInterface logind(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                              QStringLiteral("org.freedesktop.login1.Manager"), bus);
        if (logind.isValid()) {
            const QDBusReply<void> reply = logind.call(QStringLiteral("PowerOff"), false);
            if (reply.isValid()) return;
        }
    }
    QProcess::startDetached(QStringLiteral("systemctl"), {QStringLiteral("poweroff")});
#endif
}

}  // namespace kalvo

#pragma once
// One running Kalvo per user and folder: two copies would overwrite each other's changes. A second start
// asks the first to show its main window and ends; an installer asks it to end (`kalvo --quit`).
//
// The lock and the socket the second start talks to lie where only the user may write: another user
// cannot take the lock first or stand in for the program, and the temporary folder's setting (TMPDIR)
// does not change them. The lock is held by the running process itself (flock on POSIX systems, a
// named mutex on Windows), so the system drops it when the program ends in any way, even by SIGKILL.

#include <QLocalServer>
#include <QString>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace kalvo::app {

// The name of the running copy that keeps `user`'s files in `folder`.
QString InstanceKey(const std::string& user, const std::filesystem::path& folder);

class SingleInstance {
public:
    // `key` names the user and the folder.
    explicit SingleInstance(const QString& key);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this is the only copy; otherwise the running copy has been asked to show itself.
    bool IsFirst() const { return first_; }
    // Run in the first copy when another start asks for it.
    void OnActivate(std::function<void()> activate) { activate_ = std::move(activate); }
    // Run in the first copy when another process asks it to end: true when it is ending (the end itself
    // comes after the answer), false when it cannot end now because a window waits for the user.
    void OnQuit(std::function<bool()> quit) { quit_ = std::move(quit); }

    enum class QuitResult { Ended, NoneRunning, StillRunning };
    // Asks the copy running for `key` to end as its "Ukončiť" does (its changes saved) and waits up to
    // `wait` until it has ended. StillRunning when it refused, did not answer or did not end in time.
    static QuitResult RequestQuit(const QString& key, std::chrono::milliseconds wait);

    // The user's own folder for the lock and the socket: $XDG_RUNTIME_DIR when it is the user's alone,
    // else the user's data folder. Not used on Windows, where both are named objects of the user's own.
    static QString InstanceFolder();

private:
    bool TakeLock(const QString& id);
    void Listen(const QString& socketName);
    void Answer(QLocalSocket* peer);
    void Closed(QLocalSocket* peer);

    bool first_ = false;
#ifdef _WIN32
    void* mutex_ = nullptr;
#else
    int lockFd_ = -1;
#endif
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> activate_;
    std::function<bool()> quit_;
};

}  // namespace kalvo::app

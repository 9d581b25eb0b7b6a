#pragma once
// One running Kalvo per user and folder: two copies would overwrite each other's changes. A second start
// asks the first to show its main window and ends; an installer asks it to end (`kalvo --quit`).

#include <QLocalServer>
#include <QLockFile>
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

private:
    void Answer(QLocalSocket* peer);
    void Closed(QLocalSocket* peer);

    bool first_ = false;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> activate_;
    std::function<bool()> quit_;
};

}  // namespace kalvo::app

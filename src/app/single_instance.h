#pragma once
// One running Kalvo per user and folder: two copies would overwrite each other's changes. A second start
// asks the first to show its main window and ends.

#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

namespace kalvo::app {

class SingleInstance {
public:
    // `key` names the user and the folder.
    explicit SingleInstance(const QString& key);
    ~SingleInstance();

    // True when this is the only copy; otherwise the running copy has been asked to show itself.
    bool IsFirst() const { return first_; }
    // Run in the first copy when another start asks for it.
    void OnActivate(std::function<void()> activate) { activate_ = std::move(activate); }

private:
    bool first_ = false;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> activate_;
};

}  // namespace kalvo::app

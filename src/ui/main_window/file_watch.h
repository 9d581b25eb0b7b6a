#pragma once
// Notices when another process (kalvo-cli, a second user's copy) replaces the user's files, so the
// windows take the change in instead of overwriting it with the next save.

#include <functional>

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include "storage/data_files.h"

namespace kalvo::ui {

class FileWatch : public QObject {
    Q_OBJECT
public:
    // `changed` runs once a burst of changes has settled; this process's own saves trigger it too, and
    // the store tells those apart by what it last wrote.
    FileWatch(const storage::DataFiles& files, std::function<void()> changed, QObject* parent);

private:
    void Rewatch();

    QFileSystemWatcher watcher_;
    QTimer settle_;
    QStringList files_;
};

}  // namespace kalvo::ui

#include "ui/main_window/file_watch.h"

#include <QFileInfo>

#include "storage/file_io.h"

namespace kalvo::ui {
namespace {

QString Q(const std::filesystem::path& path) { return QString::fromStdString(storage::Utf8FromPath(path)); }

}  // namespace

FileWatch::FileWatch(const storage::DataFiles& files, std::function<void()> changed, QObject* parent)
    : QObject(parent), files_{Q(files.UserFile()), Q(files.ArchiveFile())} {
    settle_.setSingleShot(true);
    settle_.setInterval(30);
    connect(&settle_, &QTimer::timeout, this, [changed = std::move(changed)] { changed(); });
    // A save replaces a file by renaming another over it, which only the folder sees.
    watcher_.addPath(Q(files.folder));
    auto touched = [this] {
        Rewatch();
        settle_.start();
    };
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, touched);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, touched);
    Rewatch();
}

void FileWatch::Rewatch() {
    const QStringList watched = watcher_.files();
    for (const QString& file : files_) {
        if (!watched.contains(file) && QFileInfo::exists(file)) watcher_.addPath(file);
    }
}

}  // namespace kalvo::ui

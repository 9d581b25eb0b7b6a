// One copy per user and folder, which no other user can keep from starting and no setting of the
// temporary folder can double.

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <filesystem>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

#include "app/single_instance.h"
#include "storage/file_io.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"
#include "ui_test_main.h"

namespace kalvo::test {
namespace {

namespace fs = std::filesystem;

const QString kKey = QStringLiteral("eva|/home/eva/kalvo");

QString Id() {
    return QString::fromLatin1(QCryptographicHash::hash(kKey.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

QString Text(const fs::path& p) { return QString::fromStdString(storage::Utf8FromPath(p)); }

// A folder of the test's own as the user's runtime folder, and another as the temporary folder.
struct Folders {
    Folders() {
        fs::create_directory(folder / "run");
        fs::permissions(folder / "run", fs::perms::owner_all, fs::perm_options::replace);
        fs::create_directory(folder / "tmp");
    }
    TempFolder folder;
    ScopedEnv runtime{"XDG_RUNTIME_DIR", storage::Utf8FromPath(folder / "run")};
    ScopedEnv data{"XDG_DATA_HOME", storage::Utf8FromPath(folder / "data")};
    ScopedEnv tmp{"TMPDIR", storage::Utf8FromPath(folder / "tmp")};
};

}  // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void aFileAnotherUserMadeInTheTemporaryFolderKeepsNoOneOut() {
        Folders f;
        // Where every earlier version kept its lock, under a name anyone can work out.
        const fs::path planted = f.folder / "tmp" / ("kalvo-" + Id().toStdString() + ".lock");
        f.folder.Write("tmp/kalvo-" + Id().toStdString() + ".lock", {'1', '\n', 'k', '\n', 'h', '\n'});
        if (::geteuid() == 0) QCOMPARE(::chown(planted.c_str(), 54321, 54321), 0);
        app::SingleInstance first(kKey);
        QVERIFY(first.IsFirst());
        QCOMPARE(app::SingleInstance::InstanceFolder(), Text(f.folder / "run"));
    }

    void anotherTemporaryFolderIsNoWayToASecondCopy() {
        Folders f;
        app::SingleInstance first(kKey);
        QVERIFY(first.IsFirst());
        int shown = 0;
        first.OnActivate([&] { ++shown; });
        ScopedEnv elsewhere("TMPDIR", storage::Utf8FromPath(f.folder.Path()));
        app::SingleInstance second(kKey);
        QVERIFY(!second.IsFirst());
        QTRY_COMPARE(shown, 1);  // the running copy was asked to show itself
        // Another user or folder is another copy.
        QVERIFY(app::SingleInstance(QStringLiteral("ben|/home/eva/kalvo")).IsFirst());
    }

    void withoutAPrivateRuntimeFolderTheDataFolderServes() {
        Folders f;
        fs::permissions(f.folder / "run", fs::perms::all, fs::perm_options::replace);  // open to everyone
        const fs::path data = f.folder / "data" / "kalvo";
        QCOMPARE(app::SingleInstance::InstanceFolder(), Text(data));
        QCOMPARE(fs::status(data).permissions(), fs::perms::owner_all);
        ScopedEnv none("XDG_RUNTIME_DIR", std::nullopt);
        app::SingleInstance first(kKey);
        QVERIFY(first.IsFirst());
        QVERIFY(fs::exists(data / ("kalvo-" + Id().toStdString() + ".lock")));
        QVERIFY(!app::SingleInstance(kKey).IsFirst());
    }

    void aKilledCopyLeavesNothingThatKeepsTheNextOut() {
        if (QStandardPaths::findExecutable(QStringLiteral("flock")).isEmpty()) QSKIP("flock(1) is not installed");
        Folders f;
        // Another process holds the lock, as a running copy does, and is killed.
        const QString lock = QDir(Text(f.folder / "run")).filePath(QStringLiteral("kalvo-%1.lock").arg(Id()));
        QProcess holder;
        holder.start(QStringLiteral("flock"),
                     {QStringLiteral("-o"), lock, QStringLiteral("sleep"), QStringLiteral("60")});
        QVERIFY(holder.waitForStarted());
        QTRY_VERIFY(fs::exists(lock.toStdString()));
        QTRY_VERIFY(!app::SingleInstance(kKey).IsFirst());
        holder.kill();
        QVERIFY(holder.waitForFinished());
        // What a copy ended by a signal leaves: its lock file and its socket.
        f.folder.Write("run/kalvo-" + Id().toStdString() + ".socket", {});
        // flock(1)'s child closes its copy of the locked descriptor only once it runs, which on a busy
        // machine may be a moment after the holder was killed.
        std::unique_ptr<app::SingleInstance> next;
        QTRY_VERIFY((next = std::make_unique<app::SingleInstance>(kKey))->IsFirst());
        int shown = 0;
        next->OnActivate([&] { ++shown; });
        QVERIFY(!app::SingleInstance(kKey).IsFirst());
        QTRY_COMPARE(shown, 1);
    }
};

KALVO_UI_TEST(SingleInstanceTest)

}  // namespace kalvo::test

#include "single_instance_test.moc"

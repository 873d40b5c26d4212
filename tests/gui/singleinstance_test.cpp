// The single-instance guard with the runtime folders users really have:
// missing, open to others, holding something else where the lock goes.
#include <QtTest>

#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/singleinstance.h"

using orvanta::SingleInstance;

class SingleInstanceTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    QString runtime_, tmp_;

    static bool setMode(const QString& path, mode_t mode) { return ::chmod(path.toLocal8Bit().constData(), mode) == 0; }
    static bool isRegularFile(const QString& path) {
        struct stat st {};
        return ::lstat(path.toLocal8Bit().constData(), &st) == 0 && S_ISREG(st.st_mode);
    }
    QString fallbackDir() const { return tmp_ + "/orvanta-" + QString::number(::geteuid()); }

private slots:
    void init() {
        QVERIFY(root_.isValid());
        runtime_ = root_.path() + "/runtime-" + QString::number(QRandomGenerator::global()->generate());
        tmp_ = runtime_ + "-tmp";
        QVERIFY(QDir().mkpath(runtime_));
        QVERIFY(QDir().mkpath(tmp_));
        QVERIFY(setMode(runtime_, 0700));
        qputenv("XDG_RUNTIME_DIR", runtime_.toLocal8Bit());
        qputenv("TMPDIR", tmp_.toLocal8Bit());
        qputenv("DISPLAY", ":41");
    }

    void aSecondHolderIsRefusedUntilTheFirstReleases() {
        SingleInstance first;
        QVERIFY(first.acquire());
        QVERIFY(first.held());
        QVERIFY(QString::fromStdString(SingleInstance::lockPath()).startsWith(runtime_ + "/"));
        SingleInstance second;  // a second descriptor conflicts like another process would
        QVERIFY(!second.acquire());
        QVERIFY(SingleInstance::heldElsewhere());
        first.release();
        QVERIFY(!SingleInstance::heldElsewhere());
        QVERIFY(second.acquire());
        QVERIFY(second.held());
    }

    void everyScreenOfADisplayIsOneShow() {
        SingleInstance first;
        QVERIFY(first.acquire());
        for (const char* same : {":41.0", ":41.1", "unix:41.0", "unix:41"}) {
            qputenv("DISPLAY", same);
            QVERIFY2(SingleInstance::heldElsewhere(), same);
        }
        for (const char* other : {":42", ":4", ":410.0", "remote:41.0"}) {
            qputenv("DISPLAY", other);
            QVERIFY2(!SingleInstance::heldElsewhere(), other);
        }
        QCOMPARE(SingleInstance::displayName(":41.0"), std::string(":41"));
        QCOMPARE(SingleInstance::displayName("localhost:10.0"), std::string("localhost:10"));
        QCOMPARE(SingleInstance::displayName(""), std::string("none"));
        // Without an X display, the Wayland display names the show.
        const struct {
            const char *x, *wayland, *key;
        } keys[] = {{":41.0", "wayland-0", ":41"},
                    {"", "wayland-0", "wl-wayland-0"},
                    {"", "/run/user/7/wayland-1", "wl-_run_user_7_wayland-1"},
                    {"", "", "none"}};
        for (const auto& row : keys) QCOMPARE(SingleInstance::displayKey(row.x, row.wayland), std::string(row.key));
        qputenv("DISPLAY", "");
        qputenv("WAYLAND_DISPLAY", "wayland-41");
        QVERIFY(!SingleInstance::heldElsewhere());
        SingleInstance onWayland;
        QVERIFY(onWayland.acquire());
        qputenv("WAYLAND_DISPLAY", "wayland-42");
        QVERIFY(!SingleInstance::heldElsewhere());
        qputenv("WAYLAND_DISPLAY", "wayland-41");
        QVERIFY(SingleInstance::heldElsewhere());
        qunsetenv("WAYLAND_DISPLAY");
    }

    void aMissingOrSharedRuntimeFolderIsReplacedByAPrivateOne() {
        for (const char* runtime : {"", "relative/dir", "/nonexistent/orvanta-runtime"}) {
            qputenv("XDG_RUNTIME_DIR", runtime);
            SingleInstance guard;
            QVERIFY2(guard.acquire() && guard.held(), runtime);
            QVERIFY(QString::fromStdString(SingleInstance::lockPath()).startsWith(fallbackDir() + "/"));
            QVERIFY(SingleInstance::heldElsewhere());
        }
        // A runtime folder others can enter is not used either; the fallback is made private.
        qputenv("XDG_RUNTIME_DIR", runtime_.toLocal8Bit());
        QVERIFY(setMode(runtime_, 0777));
        QVERIFY(setMode(fallbackDir(), 0755));
        SingleInstance guard;
        QVERIFY(guard.acquire() && guard.held());
        QVERIFY(QString::fromStdString(SingleInstance::lockPath()).startsWith(fallbackDir() + "/"));
        QCOMPARE(QFileInfo(fallbackDir()).permissions() & (QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup),
                 QFile::Permissions());
        QVERIFY(!QDir(runtime_).exists("orvanta-" + QString::number(::geteuid()) + "-:41.lock"));
    }

    void somethingElseInPlaceOfTheLockMeansARunWithoutTheGuard() {
        const QString lock = QString::fromStdString(SingleInstance::lockPath());
        QVERIFY(!lock.isEmpty());
        // A folder, a FIFO (never waited on) and a link to a file elsewhere.
        QVERIFY(QDir().mkdir(lock));
        {
            SingleInstance guard;
            QVERIFY(guard.acquire());
            QVERIFY(!guard.held());
            QVERIFY(!SingleInstance::heldElsewhere());
        }
        QVERIFY(QDir().rmdir(lock));
        QCOMPARE(::mkfifo(lock.toLocal8Bit().constData(), 0600), 0);
        {
            SingleInstance guard;
            QVERIFY(guard.acquire());
            QVERIFY(!guard.held());
        }
        QVERIFY(QFile::remove(lock));
        const QString bait = root_.path() + "/bait";
        {
            QFile file(bait);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("x");
        }
        QVERIFY(QFile::link(bait, lock));
        {
            SingleInstance guard;
            QVERIFY(guard.acquire());
            QVERIFY(!guard.held());
        }
        QVERIFY(isRegularFile(bait));
        QVERIFY(QFile::remove(lock));
    }

    void aFallbackFolderOfAnotherUserIsNotUsed() {
        if (::geteuid() != 0) QSKIP("needs root to give the folder to another user");
        qputenv("XDG_RUNTIME_DIR", "");
        QVERIFY(QDir().mkpath(fallbackDir()));
        QCOMPARE(::chown(fallbackDir().toLocal8Bit().constData(), 65534, 65534), 0);
        QVERIFY(SingleInstance::lockPath().empty());
        SingleInstance guard;
        QVERIFY(guard.acquire());
        QVERIFY(!guard.held());
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "singleinstance_test.moc"

// The master volume against a real sound server: a PulseAudio daemon with a
// null sink, run as an ordinary account, is ALSA's default device here as on
// a desktop (its "Master" element), and pactl tells independently what the
// server's volume is. The failure cases use ALSA configurations without a
// usable "Master". No display and no sound card are needed.
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "framework/mastervolume.h"
#include "tests/gui/ordinaryaccount.h"

using namespace orvanta;

class MasterVolumeTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QProcess server;
    QString socket;

    void useAlsaConfig(const QString& name, const QByteArray& text) {
        QFile f(dir.path() + "/" + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        // ALSA reloads its configuration when the list of files changes.
        qputenv("ALSA_CONFIG_PATH", f.fileName().toLocal8Bit());
    }

    void usePulse() { useAlsaConfig("pulse.conf", "pcm.!default { type pulse }\nctl.!default { type pulse }\n"); }

    // The sink's channel volumes as the server reports them (0..65536).
    static QList<int> serverVolumes() {
        QProcess pactl;
        pactl.start("pactl", {"get-sink-volume", "out"});
        if (!pactl.waitForFinished(10000)) return {};
        QList<int> volumes;
        static const QRegularExpression value(R"(:\s*(\d+)\s*/)");
        for (auto it = value.globalMatch(QString::fromUtf8(pactl.readAllStandardOutput())); it.hasNext();)
            volumes << it.next().captured(1).toInt();
        return volumes;
    }

    static bool setServerVolumes(const QStringList& volumes) {
        return QProcess::execute("pactl", QStringList{"set-sink-volume", "out"} + volumes) == 0;
    }

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty() || QStandardPaths::findExecutable("pactl").isEmpty())
            QSKIP("pulseaudio or pactl not installed (scripts/install-deps.sh installs them): skipped");
        QVERIFY(dir.isValid());
        // The server refuses to run as root: it runs as an ordinary account.
        ::chmod(dir.path().toLocal8Bit().constData(), 0755);
        for (const char* sub : {"home", "run"}) {
            QVERIFY(QDir(dir.path()).mkdir(sub));
            QVERIFY(test::giveToOrdinaryAccount(dir.path() + "/" + sub));
        }
        socket = dir.path() + "/run/native";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", dir.path() + "/home");
        env.insert("XDG_RUNTIME_DIR", dir.path() + "/run");
        env.remove("PULSE_SERVER");
        server.setProcessEnvironment(env);
        server.setWorkingDirectory(dir.path());
        test::runAsOrdinaryAccount(server);
        server.setStandardOutputFile(QProcess::nullDevice());
        server.setStandardErrorFile(QProcess::nullDevice());
        server.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes", "--realtime=no",
                                    "--high-priority=no", "--use-pid-file=no",
                                    "--log-level=error", "--load=module-null-sink sink_name=out",
                                    "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket});
        QVERIFY(server.waitForStarted(10000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket), 15000);
        qputenv("PULSE_SERVER", ("unix:" + socket).toLocal8Bit());
        QTRY_COMPARE_WITH_TIMEOUT(serverVolumes().size(), 2, 15000);
        usePulse();
    }

    void cleanupTestCase() {
        if (server.state() == QProcess::NotRunning) return;
        server.terminate();
        if (!server.waitForFinished(10000)) server.kill();
        server.waitForFinished(5000);
    }

    void theVolumeIsSetAndReadOnTheServersScale() {
        usePulse();
        QVERIFY(setMasterVolume(65535));
        QCOMPARE(serverVolumes(), (QList<int>{65536, 65536}));
        QCOMPARE(readMasterVolume(), std::optional(65535));
        QVERIFY(setMasterVolume(0));
        QCOMPARE(serverVolumes(), (QList<int>{0, 0}));
        QCOMPARE(readMasterVolume(), std::optional(0));
        QVERIFY(setMasterVolume(16384));
        for (int v : serverVolumes()) QVERIFY2(std::abs(v - 16384) <= 1, QByteArray::number(v));
        const std::optional<int> quarter = readMasterVolume();
        QVERIFY(quarter && std::abs(*quarter - 16384) <= 1);
        // Out of range values are held to the ends.
        QVERIFY(setMasterVolume(-5));
        QCOMPARE(serverVolumes(), (QList<int>{0, 0}));
        QVERIFY(setMasterVolume(1 << 20));
        QCOMPARE(serverVolumes(), (QList<int>{65536, 65536}));
    }

    void theSliderStandsForHalfTheVolume() {
        usePulse();
        // The right end (32760) is a volume of 65520 out of 65535.
        QVERIFY(setMasterVolumeFromSlider(kVolumeSliderMax));
        for (int v : serverVolumes()) QVERIFY2(std::abs(v - 65521) <= 1, QByteArray::number(v));
        const std::optional<int> end = masterVolumeSliderPosition();
        QVERIFY(end && std::abs(*end - kVolumeSliderMax) <= 1);
        QVERIFY(setMasterVolumeFromSlider(16380));
        const std::optional<int> middle = masterVolumeSliderPosition();
        QVERIFY(middle && std::abs(*middle - 16380) <= 1);
        QVERIFY(setMasterVolumeFromSlider(0));
        QCOMPARE(serverVolumes(), (QList<int>{0, 0}));
        QCOMPARE(masterVolumeSliderPosition(), std::optional(0));
    }

    void theLoudestChannelIsRead() {
        usePulse();
        QVERIFY(setServerVolumes({"30%", "60%"}));
        const std::optional<int> volume = readMasterVolume();
        QVERIFY(volume);
        QVERIFY2(std::abs(*volume - 39321) <= 2, QByteArray::number(*volume));  // 60 %
        // A write sets both channels alike.
        QVERIFY(setMasterVolume(32768));
        const QList<int> after = serverVolumes();
        QCOMPARE(after.size(), 2);
        QCOMPARE(after[0], after[1]);
    }

    void failuresChangeNothing_data() {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<QByteArray>("address");
        QTest::newRow("no sound card") << QByteArray("ctl.!default { type hw card 7 }\n") << QByteArray();
        QTest::newRow("server not reachable")
            << QByteArray("ctl.!default { type pulse }\n") << QByteArray("unix:/nonexistent/native");
        // The server's mixer with the volume renamed: "Master" has a switch only.
        QTest::newRow("Master without a volume")
            << QByteArray("ctl.!default {\n type remap\n child { type pulse }\n remap {\n"
                          "  \"name='Master Playback Volume'\" \"name='Main Playback Volume'\"\n }\n}\n")
            << QByteArray();
    }

    void failuresChangeNothing() {
        QFETCH(QByteArray, config);
        QFETCH(QByteArray, address);
        usePulse();
        QVERIFY(setServerVolumes({"40%", "40%"}));
        const QList<int> before = serverVolumes();
        static int n = 0;
        useAlsaConfig(QString("broken%1.conf").arg(++n), config);
        const QByteArray savedServer = qgetenv("PULSE_SERVER");
        if (!address.isEmpty()) qputenv("PULSE_SERVER", address);
        QCOMPARE(readMasterVolume(), std::nullopt);
        QCOMPARE(masterVolumeSliderPosition(), std::nullopt);
        QVERIFY(!setMasterVolume(65535));
        QVERIFY(!setMasterVolumeFromSlider(0));
        qputenv("PULSE_SERVER", savedServer);
        QCOMPARE(serverVolumes(), before);
        // The same process reaches the server again once the configuration is right.
        usePulse();
        QVERIFY(readMasterVolume());
    }
};

QTEST_GUILESS_MAIN(MasterVolumeTest)
#include "mastervolume_test.moc"

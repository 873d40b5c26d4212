#pragma once
// A real sound server for the volume tests: a PulseAudio daemon with one null
// sink "out", run as an ordinary account in a folder of its own, made ALSA's
// default device through an ALSA configuration file, as on a desktop. pactl
// tells independently what the server's volume is.
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "tests/gui/ordinaryaccount.h"

namespace orvanta::test {

class PulseServer {
public:
    // Why the server cannot run here, or "" when it can.
    static QString missing() {
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty() || QStandardPaths::findExecutable("pactl").isEmpty())
            return "pulseaudio or pactl not installed (scripts/install-deps.sh installs them)";
        return {};
    }

    ~PulseServer() { stop(); }

    // Starts the server and makes it ALSA's default device; false when it did not come up.
    bool start() {
        if (!dir_.isValid()) return false;
        // The server refuses to run as root: it runs as an ordinary account.
        ::chmod(dir_.path().toLocal8Bit().constData(), 0755);
        for (const char* sub : {"home", "run"}) {
            if (!QDir(dir_.path()).mkdir(sub) || !giveToOrdinaryAccount(dir_.path() + "/" + sub)) return false;
        }
        const QString socket = dir_.path() + "/run/native";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", dir_.path() + "/home");
        env.insert("XDG_RUNTIME_DIR", dir_.path() + "/run");
        env.remove("PULSE_SERVER");
        server_.setProcessEnvironment(env);
        server_.setWorkingDirectory(dir_.path());
        runAsOrdinaryAccount(server_);
        server_.setStandardOutputFile(QProcess::nullDevice());
        server_.setStandardErrorFile(QProcess::nullDevice());
        server_.start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
                                     "--realtime=no", "--high-priority=no", "--use-pid-file=no", "--log-level=error",
                                     "--load=module-null-sink sink_name=out",
                                     "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket});
        if (!server_.waitForStarted(10000)) return false;
        if (!QTest::qWaitFor([&] { return QFile::exists(socket); }, 15000)) return false;
        qputenv("PULSE_SERVER", ("unix:" + socket).toLocal8Bit());
        if (!QTest::qWaitFor([] { return sinkVolumes().size() == 2; }, 15000)) return false;
        useAsAlsaDefault();
        return true;
    }

    void stop() {
        if (server_.state() == QProcess::NotRunning) return;
        server_.terminate();
        if (!server_.waitForFinished(10000)) server_.kill();
        server_.waitForFinished(5000);
    }

    // Points ALSA at a configuration of that name and text (ALSA reloads its
    // configuration when the list of files changes).
    void useAlsaConfig(const QString& name, const QByteArray& text) {
        QFile f(dir_.path() + "/" + name);
        if (!f.open(QIODevice::WriteOnly)) return;
        f.write(text);
        f.close();
        qputenv("ALSA_CONFIG_PATH", f.fileName().toLocal8Bit());
    }

    void useAsAlsaDefault() {
        useAlsaConfig("pulse.conf", "pcm.!default { type pulse }\nctl.!default { type pulse }\n");
    }

    // The sink's channel volumes as the server reports them (0..65536).
    static QList<int> sinkVolumes() {
        QProcess pactl;
        pactl.start("pactl", {"get-sink-volume", "out"});
        if (!pactl.waitForFinished(10000)) return {};
        QList<int> volumes;
        static const QRegularExpression value(R"(:\s*(\d+)\s*/)");
        for (auto it = value.globalMatch(QString::fromUtf8(pactl.readAllStandardOutput())); it.hasNext();)
            volumes << it.next().captured(1).toInt();
        return volumes;
    }

    static bool setSinkVolumes(const QStringList& volumes) {
        return QProcess::execute("pactl", QStringList{"set-sink-volume", "out"} + volumes) == 0;
    }

private:
    QTemporaryDir dir_;
    QProcess server_;
};

}  // namespace orvanta::test

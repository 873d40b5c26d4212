// The master volume against a real sound server: a PulseAudio daemon with a
// null sink, run as an ordinary account, is ALSA's default device here as on
// a desktop (its "Master" element), and pactl tells independently what the
// server's volume is. The failure cases use ALSA configurations without a
// usable "Master". No display and no sound card are needed.
#include <QTest>

#include "framework/mastervolume.h"
#include "tests/gui/pulseserver.h"

using namespace orvanta;

class MasterVolumeTest : public QObject {
    Q_OBJECT

    test::PulseServer pulse;

    void usePulse() { pulse.useAsAlsaDefault(); }
    static QList<int> serverVolumes() { return test::PulseServer::sinkVolumes(); }
    static bool setServerVolumes(const QStringList& volumes) { return test::PulseServer::setSinkVolumes(volumes); }

private slots:
    void initTestCase() {
        if (const QString missing = test::PulseServer::missing(); !missing.isEmpty())
            QSKIP(qPrintable(missing + ": skipped"));
        QVERIFY(pulse.start());
    }

    void cleanupTestCase() { pulse.stop(); }

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
            << QByteArray(
                   "ctl.!default {\n type remap\n child { type pulse }\n remap {\n"
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
        pulse.useAlsaConfig(QString("broken%1.conf").arg(++n), config);
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

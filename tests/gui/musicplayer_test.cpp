// The platform side of the music: the GStreamer player on real files and on
// the tracks of a generated audio-CD image, recorded through
// ORVANTA_AUDIO_SINK, and the libcdio drive on audio and data disc images.
// No display is needed.
#include <sys/stat.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstdint>
#include <vector>

#include "framework/cddrive.h"
#include "framework/gstmusicplayer.h"
#include "tests/gui/audiofixtures.h"

using namespace orvanta;
using namespace orvanta::test;

namespace {

// Receives the player's notifications as the show window does.
class Receiver : public QObject {
public:
    std::vector<WMusicNotifyEvent> events;
    bool event(QEvent* e) override {
        if (e->type() != WMusicNotifyEvent::eventType()) return QObject::event(e);
        events.push_back(*static_cast<WMusicNotifyEvent*>(e));
        return true;
    }
};

}  // namespace

class MusicPlayerTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString recording;

    QString write(const QString& name, const QByteArray& bytes) { return writeFile(dir.path() + "/" + name, bytes); }

    QString audioDiscImage() { return orvanta::test::audioDiscImage(dir.path()); }

    static std::optional<PlayOutcome> waitForOutcome(GstMusicPlayer& player, Receiver& receiver, int ms = 20000) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            for (const WMusicNotifyEvent& e : receiver.events)
                if (const auto outcome = player.accept(e)) {
                    receiver.events.clear();
                    return outcome;
                }
            receiver.events.clear();
        }
        return std::nullopt;
    }

    QByteArray takeRecording() { return test::takeRecording(recording); }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        recording = dir.path() + "/out.raw";
        qputenv("ORVANTA_AUDIO_SINK", recordingSink(recording));
        qputenv("GST_REGISTRY_1_0", (dir.path() + "/registry.bin").toUtf8());
    }

    void aFilePlaysToItsEndAndReportsItOnce() {
        Receiver receiver;
        GstMusicPlayer player(&receiver);
        QVERIFY(player.available());
        QVERIFY(player.playFile(write("a.WAV", wavTone(660, 0.5)).toStdString()));
        QCOMPARE(waitForOutcome(player, receiver), std::optional(PlayOutcome::Ended));
        const QByteArray sound = takeRecording();
        QVERIFY2(std::abs(sound.size() - 16000) < 800, QByteArray::number(sound.size()));  // 0.5 s
        QVERIFY(std::abs(frequencyOf(sound) - 660) < 15);
        // Nothing more is reported for that piece, and stop after the end does nothing.
        player.stop();
        QVERIFY(!waitForOutcome(player, receiver, 300));
    }

    void aNameWithBlanksAndUriCharactersPlays() {
        Receiver receiver;
        GstMusicPlayer player(&receiver);
        QVERIFY(player.playFile(write("a #1 %20 ü?.wav", wavTone(440, 0.3)).toStdString()));
        QCOMPARE(waitForOutcome(player, receiver), std::optional(PlayOutcome::Ended));
        QVERIFY(std::abs(frequencyOf(takeRecording()) - 440) < 15);
    }

    void aMidiFilePlaysThroughTheSynthesizer() {
        // Three quarter notes on a piano at 120 beats per minute: 1.5 s.
        QByteArray track;
        track.append("\x00\xC0\x00", 3);
        for (char note : {60, 64, 67}) {
            track.append('\0');
            track.append("\x90", 1).append(note).append('\x64');
            track.append("\x83\x60\x80", 3).append(note).append('\0');
        }
        track.append("\x00\xFF\x2F\x00", 4);
        QByteArray midi("MThd\0\0\0\x06\0\0\0\x01\x01\xE0", 14);
        midi.append("MTrk", 4);
        midi.append(char(0)).append(char(0)).append(char(0)).append(char(track.size()));
        midi += track;
        Receiver receiver;
        GstMusicPlayer player(&receiver);
        QVERIFY(player.playFile(write("tune.MID", midi).toStdString()));
        QCOMPARE(waitForOutcome(player, receiver), std::optional(PlayOutcome::Ended));
        const QByteArray sound = takeRecording();
        QVERIFY2(sound.size() > 16000 * 2, QByteArray::number(sound.size()));  // over a second
        const auto* samples = reinterpret_cast<const std::int16_t*>(sound.constData());
        int loudest = 0;
        for (qsizetype i = 0; i < sound.size() / 2; ++i) loudest = std::max(loudest, std::abs(int(samples[i])));
        QVERIFY2(loudest > 200, QByteArray::number(loudest));  // notes, not silence
    }

    void aStoppedPieceReportsStoppedAndNothingElse() {
        Receiver receiver;
        GstMusicPlayer player(&receiver);
        QVERIFY(player.playFile(write("long.wav", wavTone(440, 30)).toStdString()));
        QTest::qWait(100);
        player.stop();
        QCOMPARE(waitForOutcome(player, receiver), std::optional(PlayOutcome::Stopped));
        QVERIFY(!waitForOutcome(player, receiver, 300));
        takeRecording();
    }

    void aClosedPieceReportsNothing() {
        Receiver receiver;
        GstMusicPlayer player(&receiver);
        QVERIFY(player.playFile(write("short.wav", wavTone(440, 0.2)).toStdString()));
        player.close();
        QVERIFY(!waitForOutcome(player, receiver, 1000));
        takeRecording();
    }

    void filesThatCannotBePlayedFailAtOnceOrReportFailed() {
        Receiver receiver;
        GstMusicPlayer player(&receiver);
        QVERIFY(!player.playFile((dir.path() + "/missing.mp3").toStdString()));
        QVERIFY(!player.playFile(dir.path().toStdString()));  // a folder
        const QString fifo = dir.path() + "/pipe.wav";
        QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        QVERIFY(!player.playFile(fifo.toStdString()));  // never opened: nobody writes to it
        QVERIFY(player.playFile(write("damaged.mp3", QByteArray(4000, 'x')).toStdString()));
        QCOMPARE(waitForOutcome(player, receiver), std::optional(PlayOutcome::Failed));
        QVERIFY(player.playFile(write("empty.wma", QByteArray()).toStdString()));
        QCOMPARE(waitForOutcome(player, receiver), std::optional(PlayOutcome::Failed));
        QVERIFY(takeRecording().isEmpty());
    }

    void aCdTrackPlaysFromTheDiscImage() {
        const QString image = audioDiscImage();
        Receiver receiver;
        GstMusicPlayer player(&receiver);
        // The middle track plays alone; the last one plays to the end of the disc.
        for (int track : {3, 5}) {
            QVERIFY(player.playCdTrack(image.toStdString(), track, 5));
            QCOMPARE(waitForOutcome(player, receiver), std::optional(PlayOutcome::Ended));
            const QByteArray sound = takeRecording();
            QVERIFY2(std::abs(sound.size() - 64000) < 1600, QByteArray::number(sound.size()));  // 2 s
            QVERIFY2(std::abs(frequencyOf(sound) - (440 + 110 * (track - 1))) < 15,
                     QByteArray::number(frequencyOf(sound)));
        }
        QVERIFY(!player.playCdTrack((dir.path() + "/no-drive").toStdString(), 1, 5));
    }

    void theDriveTellsAudioDiscsFromDataDiscsAndMissingDrives() {
        CdioDrive drive;
        const std::string audio = audioDiscImage().toStdString();
        QVERIFY(drive.holdsAudioCd(audio));
        QCOMPARE(drive.trackCount(audio), std::optional(5));

        write("data.iso", QByteArray(2048 * 300, '\0'));
        const std::string data =
            write("data.cue", "FILE \"data.iso\" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n").toStdString();
        QVERIFY(!drive.holdsAudioCd(data));

        for (const std::string& none : {dir.path().toStdString() + "/no-drive", dir.path().toStdString(),
                                        std::string("/dev/null"), std::string("")}) {
            QVERIFY2(!drive.holdsAudioCd(none), none.c_str());
            QVERIFY(!drive.trackCount(none));
        }
        const QString fifo = dir.path() + "/drive-fifo";
        QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        QVERIFY(!drive.holdsAudioCd(fifo.toStdString()));  // at once, not blocked in open
    }
};

QTEST_GUILESS_MAIN(MusicPlayerTest)
#include "musicplayer_test.moc"

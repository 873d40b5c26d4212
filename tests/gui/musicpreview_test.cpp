// The platform side of the Music Selection page: Play and Stop through the
// GStreamer player on generated WAV files and a generated audio-CD image
// (recorded through ORVANTA_AUDIO_SINK), the CD check and track list over
// libcdio, and the optical drive list over a made-up /sys/block and /dev.
// No display is needed.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include "framework/cddrive.h"
#include "framework/musicpreview.h"
#include "music/musicselection.h"
#include "music/opticaldrives.h"
#include "tests/gui/audiofixtures.h"

using namespace orvanta;
using namespace orvanta::test;

class MusicPreviewTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString recording;
    std::vector<PlayOutcome> outcomes;

    QString write(const QString& name, const QByteArray& bytes) { return writeFile(dir.path() + "/" + name, bytes); }

    QByteArray takeRecording() { return test::takeRecording(recording); }

    bool waitForPieceOver(int ms = 20000) {
        QElapsedTimer clock;
        clock.start();
        while (outcomes.empty() && clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return !outcomes.empty();
    }

    void watch(MusicPreview& preview) {
        outcomes.clear();
        preview.setPieceOverHandler([this](PlayOutcome o) { outcomes.push_back(o); });
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        recording = dir.path() + "/out.raw";
        qputenv("ORVANTA_AUDIO_SINK", recordingSink(recording, true));  // paced as on a sound card
        qputenv("GST_REGISTRY_1_0", (dir.path() + "/registry.bin").toUtf8());
    }

    void playAGeneratedWavToItsEnd() {
        MusicPreview preview;
        watch(preview);
        QVERIFY(!preview.playing());
        QVERIFY(preview.playFile(write("tone.WAV", wavTone(550, 0.5)).toStdString()));
        QVERIFY(preview.playing());
        QVERIFY(waitForPieceOver());
        QCOMPARE(outcomes, std::vector<PlayOutcome>{PlayOutcome::Ended});
        const QByteArray sound = takeRecording();
        QVERIFY2(std::abs(sound.size() - 16000) < 800, QByteArray::number(sound.size()));  // 0.5 s
        QVERIFY(std::abs(frequencyOf(sound) - 550) < 15);
        // A piece that ended on its own still counts as playing.
        QVERIFY(preview.playing());
    }

    void stopEndsThePieceAndThePlayingState() {
        MusicPreview preview;
        watch(preview);
        QVERIFY(preview.playFile(write("long.wav", wavTone(440, 30)).toStdString()));
        QTest::qWait(300);
        preview.stop();
        QVERIFY(!preview.playing());
        QVERIFY(waitForPieceOver());
        QCOMPARE(outcomes, std::vector<PlayOutcome>{PlayOutcome::Stopped});
        const QByteArray sound = takeRecording();
        QVERIFY2(sound.size() < 16000 * 2 * 10, QByteArray::number(sound.size()));  // far less than 30 s
        // Stop again, with nothing playing, does nothing.
        outcomes.clear();
        preview.stop();
        QVERIFY(!waitForPieceOver(300));
    }

    void anotherEntryStartsAtOnceAndOnlyItIsReported() {
        MusicPreview preview;
        watch(preview);
        QVERIFY(preview.playFile(write("first.wav", wavTone(440, 30)).toStdString()));
        QTest::qWait(200);
        QVERIFY(preview.playFile(write("second.mp3.wav", wavTone(880, 0.5)).toStdString()));
        QVERIFY(waitForPieceOver());
        QCOMPARE(outcomes, std::vector<PlayOutcome>{PlayOutcome::Ended});
        QTest::qWait(200);
        QCOMPARE(outcomes.size(), 1u);  // the first piece, closed, reports nothing
        const QByteArray sound = takeRecording();
        // The recording ends with the second tone.
        QVERIFY(std::abs(frequencyOf(sound.right(16000)) - 880) < 20);
    }

    void filesThatAreNotMusicOrCannotBeOpenedPlayNothing() {
        MusicPreview preview;
        watch(preview);
        // A WAV under a name that is not a music file's is not played.
        QVERIFY(!preview.playFile(write("tone.txt", wavTone(440, 0.3)).toStdString()));
        QVERIFY(!preview.playFile(write("tone", wavTone(440, 0.3)).toStdString()));
        QVERIFY(!preview.playFile((dir.path() + "/missing.wav").toStdString()));
        QVERIFY(!preview.playing());
        // A damaged file starts, then reports its failure: no longer playing.
        QVERIFY(preview.playFile(write("damaged.mp3", QByteArray(4000, 'x')).toStdString()));
        QVERIFY(waitForPieceOver());
        QCOMPARE(outcomes, std::vector<PlayOutcome>{PlayOutcome::Failed});
        QVERIFY(!preview.playing());
        QVERIFY(takeRecording().isEmpty());
    }

    void closeSilencesWithoutAReport() {
        MusicPreview preview;
        watch(preview);
        QVERIFY(preview.playFile(write("closed.wav", wavTone(440, 0.3)).toStdString()));
        preview.close();
        QVERIFY(!preview.playing());
        QVERIFY(!waitForPieceOver(1000));
        takeRecording();
    }

    void aCdTrackPlaysFromItsStartToTheNextTrack() {
        const QString image = audioDiscImage(dir.path());
        CdioDrive drive;
        const CdTrackList list = readCdTrackList(drive, image.toStdString());
        QVERIFY(list.usable);
        QCOMPARE(list.trackCount, 5);
        QCOMPARE(list.items.back(), std::string("Track 5"));
        QCOMPARE(list.status, std::string("Selected CD has 5 audio tracks."));

        MusicPreview preview;
        watch(preview);
        QVERIFY(preview.playCdTrack(image.toStdString(), 2, list.trackCount));
        QVERIFY(waitForPieceOver());
        QCOMPARE(outcomes, std::vector<PlayOutcome>{PlayOutcome::Ended});
        const QByteArray sound = takeRecording();
        QVERIFY2(std::abs(sound.size() - 64000) < 1600, QByteArray::number(sound.size()));  // 2 s: track 2 alone
        QVERIFY(std::abs(frequencyOf(sound) - 550) < 15);
        QVERIFY(!preview.playCdTrack(image.toStdString(), 6, list.trackCount));
        QVERIFY(!preview.playCdTrack(image.toStdString(), 0, list.trackCount));
        QVERIFY(!preview.playing());
    }

    void dataDiscsAndMissingDrivesGiveNoTracks() {
        CdioDrive drive;
        write("data.iso", QByteArray(2048 * 300, '\0'));
        const QString data = write("data.cue",
                                   "FILE \"data.iso\" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n");
        for (const QString& none : {data, dir.path() + "/no-drive", QString()}) {
            const CdTrackList list = readCdTrackList(drive, none.toStdString());
            QVERIFY(!list.usable);
            QVERIFY(list.items.empty());
            QCOMPARE(list.status, std::string("No CD in drive or no audio tracks."));
        }
    }

    void opticalDrivesAreListedInTheKernelsOrder() {
        QTemporaryDir sys, dev;
        const auto block = [&](const QString& name, const char* type) {
            QVERIFY(QDir(sys.path()).mkpath(name + "/device"));
            if (type) writeFile(sys.path() + "/" + name + "/device/type", type);
        };
        block("sr10", "5\n");
        block("sr2", "5\n");
        block("sr0", nullptr);  // no type file: the name is enough
        block("sda", "0\n");    // a disk
        block("sdb", "5\n");    // an optical drive under another driver's name
        block("srx", nullptr);  // not a drive name
        block("sr3", "5\n");    // no device node: left out
        int made = 0;
        for (const char* name : {"sr10", "sr2", "sr0", "sda", "sdb", "srx"})
            made += ::mknod((dev.path() + "/" + name).toLocal8Bit().constData(), S_IFBLK | 0600, makedev(11, 0)) == 0;
        if (made == 0) QSKIP("device nodes cannot be made here (not root): skipped");
        writeFile(dev.path() + "/sr3", "not a device");
        const std::vector<std::string> drives = opticalDrives(sys.path().toStdString(), dev.path().toStdString());
        const std::string d = dev.path().toStdString();
        QCOMPARE(drives, (std::vector<std::string>{d + "/sdb", d + "/sr0", d + "/sr2", d + "/sr10"}));
        QVERIFY(opticalDrives((sys.path() + "/missing").toStdString(), d).empty());
        // This machine's own list names only block devices.
        for (const std::string& drive : opticalDrives()) {
            struct stat st {};
            QVERIFY(::stat(drive.c_str(), &st) == 0 && S_ISBLK(st.st_mode));
        }
    }
};

QTEST_GUILESS_MAIN(MusicPreviewTest)
#include "musicpreview_test.moc"

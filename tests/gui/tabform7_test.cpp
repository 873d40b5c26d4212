// The Music Selection page on real widgets, real folders and real sound: the
// three music options and what each enables, the music files of a folder,
// the directory list, the CD drive list and track list over generated disc
// images, Play and Stop through GStreamer (recorded through
// ORVANTA_AUDIO_SINK), the volume slider against a PulseAudio server, and
// what OK stores.
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <deque>
#include <sys/stat.h>
#include <unistd.h>

#include "config/configuration.h"
#include "config/tabform7.h"
#include "framework/WChoosers.h"
#include "framework/WControls.h"
#include "framework/WTabControl.h"
#include "tests/gui/audiofixtures.h"
#include "tests/gui/dialogtestenv.h"
#include "tests/gui/pulseserver.h"

using namespace orvanta;
using test::DialogHome;

namespace {

const QStringList kOptions{"optb_Music", "optb_CD", "optb_NoMusic"};
const QStringList kNotes{"label_4", "label_5", "label_6", "label_7"};

QString touch(const QString& path, const QByteArray& bytes = "x") {
    QDir().mkpath(QFileInfo(path).absolutePath());
    return test::writeFile(path, bytes);
}

// An audio disc of `count` tracks of one second each, track t a tone of
// 300 + 50·t Hz. The path of its cue sheet.
QString discOfTracks(const QString& folder, int count) {
    QByteArray bin, cue("FILE \"tracks.bin\" BINARY\n");
    for (int t = 1; t <= count; ++t) {
        cue += QByteArray("  TRACK ") + QByteArray::number(t).rightJustified(2, '0') + " AUDIO\n    INDEX 01 " +
               QByteArray::number((t - 1) / 60).rightJustified(2, '0') + ":" +
               QByteArray::number((t - 1) % 60).rightJustified(2, '0') + ":00\n";
        bin += test::pcmTone(300 + 50 * t, 1.0, 44100, 2);
    }
    test::writeFile(folder + "/tracks.bin", bin);
    return test::writeFile(folder + "/tracks.cue", cue);
}

// The page alone, with a scripted folder chooser, a given drive list and a
// recorded link opener.
struct Page {
    test::ScriptedChooser chooser;
    std::vector<QUrl> opened;
    std::unique_ptr<TabForm7> form;

    explicit Page(const Settings& settings = {}, std::vector<std::string> drives = {}) {
        form = std::make_unique<TabForm7>([this](const QUrl& url) { return opened.push_back(url), true; });
        form->setFolderChooser(chooser.chooser());
        form->setDriveLister([drives] { return drives; });
        form->loadSettings(settings);
        form->resize(form->requiredSize());
        form->show();
    }
    WListView* dirs() { return form->get<WListView>("lv_1"); }
    WListBox* files() { return form->get<WListBox>("lb_2"); }
    QComboBox* drives() { return form->get<QComboBox>("combo_CD"); }
    QString status() { return form->get<QLabel>("label_1")->text(); }
    QStringList dirTexts() { return test::itemTexts(dirs()); }
    QStringList fileTexts() { return test::itemTexts(files()); }
    void add(const QString& path) {
        chooser.answers.push_back(path);
        form->addDirectory();
    }
    void click(const char* name) { QTest::mouseClick(form->get<QAbstractButton>(name), Qt::LeftButton); }
    void clickFile(const QString& text) {
        const auto found = files()->findItems(text, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        QTest::mouseClick(files()->viewport(), Qt::LeftButton, {}, files()->visualItemRect(found.front()).center());
        QCOMPARE(files()->currentItem(), found.front());
    }
    // The names of the page's controls that are enabled / visible.
    QStringList enabledControls() {
        QStringList names;
        for (const LayoutControl& row : form->table().controls)
            if (form->control(row.name)->isEnabled()) names << QString::fromStdString(row.name);
        return names;
    }
    bool notesShown() {
        for (const QString& name : kNotes)
            if (form->control(name.toStdString())->isHidden()) return false;
        return true;
    }
};

Settings musicSettings(const std::vector<DirectoryEntry>& dirs, int option = 1) {
    Settings s;
    s.MusicOption = option;
    s.musicDirs = dirs;
    s.NumMusicDirs = static_cast<int>(dirs.size());
    return s;
}

}  // namespace

class TabForm7Test : public QObject {
    Q_OBJECT

    QTemporaryDir soundDir;
    QString recording;

    qsizetype recorded() const { return QFileInfo(recording).size(); }

private slots:
    void initTestCase() {
        QVERIFY(soundDir.isValid());
        recording = soundDir.path() + "/out.raw";
        qputenv("ORVANTA_AUDIO_SINK", test::recordingSink(recording, true));  // paced as on a sound card
        qputenv("GST_REGISTRY_1_0", (soundDir.path() + "/registry.bin").toUtf8());
    }

    void noMusicGreysEverythingButTheThreeOptionsAndStopsThePreview() {
        DialogHome home;
        const QString dir = home.path("music");
        touch(dir + "/long.wav", test::wavTone(440, 30));
        Page page(musicSettings({{dir.toStdString(), true}}), {"/dev/sr0"});
        QVERIFY(page.form->get<QRadioButton>("optb_Music")->isChecked());
        page.click("cb_Play");
        QVERIFY(page.form->previewPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(recorded() > 0, 10000);

        page.click("optb_NoMusic");
        QVERIFY(!page.form->previewPlaying());
        QCOMPARE(page.enabledControls(), QStringList() << "groupb_1"
                                                       << "label_1"
                                                       << "groupb_2"
                                                       << "label_2"
                                                       << "groupb_3"
                                                       << "label_3"
                                                       << "optb_Music"
                                                       << "optb_CD"
                                                       << "optb_NoMusic"
                                                       << "groupb_4"
                                                       << "label_4"
                                                       << "label_5"
                                                       << "label_6"
                                                       << "label_7"
                                                       << "label_8"
                                                       << "groupb_5");
        // What stays enabled takes no input, except the three options; the notes are hidden.
        for (const QString& name : page.enabledControls()) {
            QWidget* control = page.form->control(name.toStdString());
            QVERIFY2(kOptions.contains(name) || qobject_cast<QLabel*>(control) || qobject_cast<QGroupBox*>(control),
                     qPrintable(name));
        }
        QVERIFY(!page.notesShown());
        QCOMPARE(page.files()->count(), 0);
        QCOMPARE(page.status(), QString("No music selected."));
        // The sound has stopped: nothing more is recorded.
        QTest::qWait(300);
        const qsizetype after = recorded();
        QTest::qWait(500);
        QCOMPARE(recorded(), after);
        QVERIFY2(after < 16000 * 2 * 5, QByteArray::number(after));
        test::takeRecording(recording);

        // Directories again: the list and its buttons come back, the CD part stays grey.
        page.click("optb_Music");
        for (const char* name :
             {"lv_1", "Add_Dir", "Add_Subs", "Rem_Sel", "Rem_All", "lb_2", "cb_Play", "cb_Stop", "slider_1", "label_9"})
            QVERIFY2(page.form->control(name)->isEnabled(), name);
        for (const char* name : {"optb_Random", "optb_Seq", "combo_CD"})
            QVERIFY2(!page.form->control(name)->isEnabled(), name);
        QVERIFY(page.notesShown());
        QCOMPARE(page.fileTexts(), QStringList{"long.wav"});
        QCOMPARE(page.status(), QString("Selected directory has 1 music files."));
    }

    void theCdOptionReadsTheDiscInTheSelectedDrive() {
        DialogHome home;
        const QString audio = test::audioDiscImage(home.path());
        touch(home.path("data/data.iso"), QByteArray(2048 * 300, '\0'));
        const QString data = touch(home.path("data/data.cue"),
                                   "FILE \"data.iso\" BINARY\n  TRACK 01 MODE1/2048\n    INDEX 01 00:00:00\n");
        const QString empty = home.path("no-disc");
        Settings s = musicSettings({}, 1);
        s.CDDrvStr = empty.toStdString();
        Page page(s, {audio.toStdString(), data.toStdString(), empty.toStdString()});
        QCOMPARE(page.drives()->currentIndex(), 2);  // the stored drive

        // An empty drive: no tracks, the "No CD" status; the notes give way to the CD part.
        page.click("optb_CD");
        for (const char* name :
             {"optb_Random", "optb_Seq", "combo_CD", "lb_2", "cb_Play", "cb_Stop", "slider_1", "label_9"})
            QVERIFY2(page.form->control(name)->isEnabled(), name);
        for (const char* name : {"lv_1", "Add_Dir", "Add_Subs", "Rem_Sel", "Rem_All"})
            QVERIFY2(!page.form->control(name)->isEnabled(), name);
        QVERIFY(!page.notesShown());
        QCOMPARE(page.files()->count(), 0);
        QCOMPARE(page.form->cdTrackCount(), 0);
        QCOMPARE(page.status(), QString("No CD in drive or no audio tracks."));

        // Choosing the audio disc's drive reads its five tracks.
        page.drives()->setFocus();
        QTest::keyClick(page.drives(), Qt::Key_Home);  // a keyboard choice, as the user makes it
        QCOMPARE(page.drives()->currentIndex(), 0);
        QCOMPARE(page.fileTexts(), (QStringList{"Track 1", "Track 2", "Track 3", "Track 4", "Track 5"}));
        QCOMPARE(page.form->cdTrackCount(), 5);
        QCOMPARE(page.status(), QString("Selected CD has 5 audio tracks."));

        // A data disc is no audio CD.
        QTest::keyClick(page.drives(), Qt::Key_Down);
        QCOMPARE(page.files()->count(), 0);
        QCOMPARE(page.status(), QString("No CD in drive or no audio tracks."));

        Settings saved;
        page.form->collectSettings(saved);
        QCOMPARE(saved.MusicOption, 2);
        QCOMPARE(saved.CDDrvStr, data.toStdString());
    }

    void withoutADriveTheCdOptionLeavesStatusAndNotesAsTheyWere() {
        DialogHome home;
        const QString dir = home.path("m");
        touch(dir + "/a.mp3");
        Page page(musicSettings({{dir.toStdString(), true}}), {});
        QCOMPARE(page.drives()->count(), 0);
        page.click("optb_CD");
        QCOMPARE(page.files()->count(), 0);
        QCOMPARE(page.status(), QString("Selected directory has 1 music files."));
        QVERIFY(page.notesShown());
        QVERIFY(page.form->control("combo_CD")->isEnabled());
        Settings saved;
        page.form->collectSettings(saved);
        QCOMPARE(saved.CDDrvStr, std::string());
    }

    void theStoredDriveIsTheFirstThatBeginsWithItsText_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("selected");
        QTest::newRow("empty: the first drive") << "" << 0;
        QTest::newRow("exact") << "/dev/sr1" << 1;
        QTest::newRow("a prefix") << "/dev/sr" << 0;
        QTest::newRow("gone: the first drive") << "/dev/sr9" << 0;
    }

    void theStoredDriveIsTheFirstThatBeginsWithItsText() {
        QFETCH(QString, stored);
        QFETCH(int, selected);
        Settings s;
        s.CDDrvStr = stored.toStdString();
        s.CDRandom = false;
        Page page(s, {"/dev/sr0", "/dev/sr1"});
        QCOMPARE(page.drives()->currentIndex(), selected);
        QVERIFY(page.form->get<QRadioButton>("optb_Seq")->isChecked());
        // The whole device path is shown, and the box keeps clear of the track options.
        QVERIFY(page.drives()->width() >= page.drives()->sizeHint().width());
        QVERIFY(page.drives()->geometry().right() < page.form->control("optb_Random")->x());
    }

    void musicFilesAreCountedInAnyLetterCase() {
        DialogHome home;
        const QString dir = home.path("Music");
        for (const char* name :
             {"b.MP3", "a.mp3", "c.Wav", "d.MID", "e.midi", "f.RMI", "g.wma", "h.ogg", "i.txt", "mp3", "j.mp3.txt"})
            touch(dir + "/" + name);
        QDir().mkpath(dir + "/sub");
        touch(dir + "/sub/deeper.mp3");
        Page page(musicSettings({}));
        page.add(dir);
        QCOMPARE(page.chooser.title, QString("Select a music directory"));
        QCOMPARE(page.chooser.status, QString("Selected directory has 7 music files."));
        QCOMPARE(page.fileTexts(), (QStringList{"a.mp3", "b.MP3", "c.Wav", "d.MID", "e.midi", "f.RMI", "g.wma"}));
        QCOMPARE(page.status(), QString("Selected directory has 7 music files."));
        QCOMPARE(page.files()->currentRow(), 0);
        // The folder chosen is preselected next time and stored.
        page.add(dir);
        QCOMPARE(page.chooser.start, dir);
        QCOMPARE(page.dirTexts(), QStringList{dir});  // an exact duplicate is dropped
        Settings saved;
        page.form->collectSettings(saved);
        QCOMPARE(saved.LastMusicDir, dir.toStdString());
    }

    void aFolderWhoseNameIsNotUtf8IsListedCountedAndStoredAsItsBytes() {
        DialogHome home;
        const std::string cafe = home.path().toStdString() + "/caf\xE9";
        touch(home.path("plain.mp3"));
        QVERIFY(::mkdir(cafe.c_str(), 0700) == 0);
        QVERIFY(::rename(home.path("plain.mp3").toStdString().c_str(), (cafe + "/\xE9t\xE9.mp3").c_str()) == 0);
        Page page(musicSettings({{cafe, true}}));
        page.form->refreshFileList();
        QCOMPARE(page.dirTexts(), QStringList{home.path() + QString::fromUtf8("/caf\uFFFD")});
        QCOMPARE(page.status(), QString("Selected directory has 1 music files."));
        QCOMPARE(page.fileTexts(), QStringList{QString::fromUtf8("\uFFFDt\uFFFD.mp3")});
        QVERIFY(::mkdir((cafe + "/sub").c_str(), 0700) == 0);
        page.form->addSubdirectories();
        Settings saved;
        page.form->collectSettings(saved);
        QCOMPARE(saved.musicDirs, (std::vector<DirectoryEntry>{{cafe, true}, {cafe + "/sub", true}}));
    }

    void theRealFolderChooserCountsTheMusicFilesOfTheFolderUnderTheCursor() {
        DialogHome home;
        const QString start = home.path("start");
        touch(start + "/one.MP3");
        touch(start + "/two.wav");
        touch(start + "/cover.jpg");
        Settings s;
        s.LastMusicDir = start.toStdString();
        TabForm7 page;
        page.setDriveLister([] { return std::vector<std::string>{}; });
        page.loadSettings(s);
        page.show();
        QString title, status;
        test::answerNextModal<QFileDialog>([&](QFileDialog* chooser) {
            title = chooser->windowTitle();
            if (auto* line = chooser->findChild<QLabel*>(kFolderStatusName)) status = line->text();
            static_cast<QDialog*>(chooser)->accept();
        });
        page.addDirectory();
        QCOMPARE(title, QString("Select a music directory"));
        QCOMPARE(status, QString("Selected directory has 2 music files."));
        QCOMPARE(page.get<WListView>("lv_1")->text(0), start);
    }

    void subdirectoriesAreAddedBreadthFirstTrashIncludedCaseVariantsOnce() {
        DialogHome home;
        const QString root = home.path("root");
        for (const char* sub : {"Jazz/Live", "Rock", "rock", ".Trash-1000/files", "$RECYCLE.BIN"})
            QVERIFY(QDir().mkpath(root + "/" + sub));
        QVERIFY(QFile::link(root + "/Jazz", root + "/JAZZ"));  // the same folder spelt otherwise
        Page page(musicSettings({{root.toStdString(), true}}));
        page.form->addSubdirectories();
        const QStringList dirs = page.dirTexts();
        for (const char* sub : {"", "/Rock", "/rock", "/.Trash-1000", "/.Trash-1000/files", "/$RECYCLE.BIN"})
            QVERIFY2(dirs.contains(root + sub), sub);
        QCOMPARE(dirs.filter(QRegularExpression("/jazz$", QRegularExpression::CaseInsensitiveOption)).size(), 1);
        QCOMPARE(dirs.filter(QRegularExpression("/Live$")).size(), 1);
        QCOMPARE(dirs.size(), 8);
        for (int i = 0; i < page.dirs()->count(); ++i) QCOMPARE(page.dirs()->image(i), 1);
        QCOMPARE(page.dirs()->text(page.dirs()->selectedIndex()), root);  // the folder walked stays selected
    }

    void closingTheWindowDuringTheWalkAddsNothing() {
        DialogHome home;
        const QString root = home.path("tree");
        for (int i = 0; i < 49; ++i) QVERIFY(QDir().mkpath(root + QString("/d%1/e").arg(i)));
        Page page(musicSettings({{root.toStdString(), true}}));
        // The walk lets events run; one of them closes the window.
        QTimer::singleShot(0, page.form.get(), [&] { page.form->hide(); });
        page.form->addSubdirectories();
        QCOMPARE(page.dirTexts(), QStringList{root});
        // Open again, the walk goes through.
        QTest::qWait(100);
        page.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.form.get()));
        page.form->addSubdirectories();
        QCOMPARE(page.dirs()->count(), 99);
    }

    // The show reads back at most 100 music directories, so the list never
    // grows past them: an addition that would is refused whole, saying so,
    // and the list stays as it was.
    void aFullListRefusesAdditionsWholeAndSaysSo() {
        DialogHome home;
        const QString root = home.path("many");
        for (int i = 0; i < 99; ++i) QVERIFY(QDir().mkpath(root + QString("/d%1").arg(i, 2, 10, QChar('0'))));
        const QString more = home.path("more"), other = home.path("other");
        QVERIFY(QDir().mkpath(more) && QDir().mkpath(other));
        Page page(musicSettings({{root.toStdString(), true}}));
        QStringList notices;
        page.form->setNotice([&](const QString&, const QString& text) { notices << text; });
        page.form->addSubdirectories();
        QCOMPARE(page.dirs()->count(), 100);
        QVERIFY(notices.isEmpty());
        page.dirs()->selectItem(7);
        const QStringList full = page.dirTexts();

        page.add(more);
        page.form->addDroppedPaths({more.toStdString(), other.toStdString()});
        page.form->addSubdirectories();  // d06 has nothing below it: the walk brings nothing new
        QCOMPARE(page.dirTexts(), full);
        QCOMPARE(page.dirs()->selectedIndex(), 7);
        QCOMPARE(notices.size(), 2);
        QVERIFY(notices.front().contains("at most 100 directories"));

        // A duplicate of an entry fits; after a removal, a new folder does.
        page.add(full.front());
        QCOMPARE(page.dirs()->count(), 100);
        page.form->removeSelected();
        page.add(more);
        QCOMPARE(page.dirs()->count(), 100);
        QVERIFY(page.dirTexts().contains(more));
        QCOMPARE(notices.size(), 2);
    }

    void droppingAndRemovingDirectories() {
        DialogHome home;
        const QString a = home.path("a"), b = home.path("b");
        touch(a + "/x.mp3");
        touch(b + "/y.wav");
        touch(b + "/z.wav");
        Page page(musicSettings({}));
        page.form->addDroppedPaths({(a + "/x.mp3").toStdString(), a.toStdString(), b.toStdString()});
        QCOMPARE(page.dirTexts(), (QStringList{a, b}));
        QCOMPARE(page.status(), QString("Selected directory has 2 music files."));  // the last dropped is selected
        page.form->removeSelected();
        QCOMPARE(page.dirTexts(), QStringList{a});
        QCOMPARE(page.fileTexts(), QStringList{"x.mp3"});
        QTest::mouseDClick(page.dirs()->viewport(), Qt::LeftButton, {},
                           page.dirs()->visualItemRect(page.dirs()->topLevelItem(0)).center());
        QCOMPARE(page.dirs()->image(0), 0);
        page.click("Rem_Sel");
        QCOMPARE(page.dirs()->count(), 0);
        QCOMPARE(page.files()->count(), 0);
        QCOMPARE(page.status(), QString("Selected directory has 0 music files."));
    }

    void playAndStopAGeneratedWav() {
        DialogHome home;
        const QString dir = home.path("tones");
        touch(dir + "/a short.WAV", test::wavTone(550, 0.5));
        touch(dir + "/b long.wav", test::wavTone(440, 30));
        touch(dir + "/c high.wav", test::wavTone(880, 30));
        test::takeRecording(recording);
        Page page(musicSettings({{dir.toStdString(), true}}));
        page.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page.form.get()));
        QCOMPARE(page.fileTexts(), (QStringList{"a short.WAV", "b long.wav", "c high.wav"}));

        // Play: the short tone to its end.
        page.click("cb_Play");
        QVERIFY(page.form->previewPlaying());
        QVERIFY(page.files()->hasFocus());
        QTRY_VERIFY_WITH_TIMEOUT(recorded() >= 15200, 20000);
        QTest::qWait(500);
        QByteArray sound = test::takeRecording(recording);
        QVERIFY2(std::abs(sound.size() - 16000) < 800, QByteArray::number(sound.size()));  // 0.5 s
        QVERIFY(std::abs(test::frequencyOf(sound) - 550) < 15);
        QVERIFY(page.form->previewPlaying());  // a piece that ended still counts as playing

        // ...so choosing another entry plays it at once, and so does the next one.
        page.clickFile("b long.wav");
        QTRY_VERIFY_WITH_TIMEOUT(recorded() >= 16000, 20000);
        page.clickFile("c high.wav");
        const qsizetype switched = recorded();
        QTRY_VERIFY_WITH_TIMEOUT(recorded() >= switched + 16000, 20000);
        // Stop ends the sound and the playing state.
        page.click("cb_Stop");
        QVERIFY(!page.form->previewPlaying());
        QTest::qWait(300);
        const qsizetype stopped = recorded();
        QTest::qWait(500);
        QCOMPARE(recorded(), stopped);
        sound = test::takeRecording(recording);
        QVERIFY2(sound.size() < 16000 * 2 * 10, QByteArray::number(sound.size()));  // far from the 30 s of each tone
        QVERIFY(std::abs(test::frequencyOf(sound.left(switched - 3200)) - 440) < 15);
        QVERIFY(std::abs(test::frequencyOf(sound.right(sound.size() - switched - 3200)) - 880) < 15);
        // With the preview stopped, choosing an entry plays nothing.
        page.clickFile("b long.wav");
        QTest::qWait(500);
        QCOMPARE(recorded(), qsizetype(0));
    }

    void playACdTrackFromItsStartToTheNextTrack() {
        DialogHome home;
        const QString disc = discOfTracks(home.path(), 12);
        test::takeRecording(recording);
        Page page(musicSettings({}, 2), {disc.toStdString()});
        // Tracks in their order on the disc, each playing its own track.
        QStringList tracks;
        for (int t = 1; t <= 12; ++t) tracks << QString("Track %1").arg(t);
        QCOMPARE(page.fileTexts(), tracks);
        QCOMPARE(page.status(), QString("Selected CD has 12 audio tracks."));
        page.clickFile("Track 10");
        page.click("cb_Play");
        QVERIFY(page.form->previewPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(recorded() >= 31000, 20000);
        QTest::qWait(800);
        const QByteArray sound = test::takeRecording(recording);
        QVERIFY2(std::abs(sound.size() - 32000) < 1600, QByteArray::number(sound.size()));  // 1 s: track 10 alone
        QVERIFY2(std::abs(test::frequencyOf(sound) - 800) < 20, QByteArray::number(test::frequencyOf(sound)));
    }

    void theDownloadLinkOpensThePluginsPage() {
        Page page;
        auto* link = page.form->get<WLinkLabel>("label_7");
        QCOMPARE(link->text(), QString("GStreamer Plugins Download"));
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        const QColor before = link->palette().color(QPalette::WindowText);
        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(page.opened, std::vector<QUrl>{TabForm7::downloadPageUrl()});
        QCOMPARE(page.opened.front().scheme(), QString("https"));
        QVERIFY(link->palette().color(QPalette::WindowText) != before);
    }

    void okStoresTheMusicSettingsInTheStoresOrder() {
        DialogHome home;
        test::storeValues({{"MusicOption", "1"},
                           {"NumMusicDirs", "3"},
                           {"MusicDir0", "/zulu"},
                           {"MusicDirSet0", "1"},
                           {"MusicDir1", "/Alpha"},
                           {"MusicDirSet1", "0"},
                           {"MusicDir2", "/mike"},
                           {"MusicDirSet2", "1"},
                           {"CDDrvStr", ""},
                           {"CDRandom", "0"},
                           {"LastMusicDir", "/zulu"}});
        for (const char* name : {"new", "Newer"}) QDir().mkpath(home.path(name));
        Configuration dialog;
        auto* page = static_cast<TabForm7*>(dialog.page(3));
        std::deque<QString> answers{home.path("Newer"), home.path("new")};
        page->setFolderChooser([&](const QString&, const QString&, const auto&) -> std::optional<QString> {
            const QString next = answers.front();
            answers.pop_front();
            return next;
        });
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        // Loading listed the files of the music page without taking the focus to its hidden tab.
        QCOMPARE(page->get<WListBox>("lb_2")->count(), 0);  // the folders stored do not exist
        QVERIFY(QApplication::focusWidget() && !page->isAncestorOf(QApplication::focusWidget()));
        dialog.tabControl()->setCurrentIndex(3);
        page->addDirectory();
        page->addDirectory();
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        const auto values = test::storedValues();
        QCOMPARE(values.at("MusicOption"), std::string("1"));
        QCOMPARE(values.at("NumMusicDirs"), std::string("5"));
        const std::vector<std::pair<std::string, std::string>> expected{{"/Alpha", "0"},
                                                                        {"/mike", "1"},
                                                                        {home.path("new").toStdString(), "1"},
                                                                        {home.path("Newer").toStdString(), "1"},
                                                                        {"/zulu", "1"}};
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(values.at("MusicDir" + std::to_string(i)), expected[i].first);
            QCOMPARE(values.at("MusicDirSet" + std::to_string(i)), expected[i].second);
        }
        QCOMPARE(values.at("CDRandom"), std::string("0"));
        QCOMPARE(values.at("LastMusicDir"), home.path("new").toStdString());
        // The entries new to the key are written as pairs, path before flag, in list order.
        const std::vector<std::string> order = test::storedOrder();
        const auto at = [&](const std::string& name) {
            return std::find(order.begin(), order.end(), name) - order.begin();
        };
        QCOMPARE(at("MusicDirSet3"), at("MusicDir3") + 1);
        QCOMPARE(at("MusicDir4"), at("MusicDirSet3") + 1);
        QCOMPARE(at("MusicDirSet4"), at("MusicDir4") + 1);
    }

    void theVolumeSliderSetsTheMasterVolume() {
        if (const QString missing = test::PulseServer::missing(); !missing.isEmpty())
            QSKIP(qPrintable(missing + ": skipped"));
        test::PulseServer pulse;
        QVERIFY(pulse.start());
        QVERIFY(test::PulseServer::setSinkVolumes({"60%", "60%"}));
        {
            Page page(musicSettings({}));
            auto* slider = page.form->get<QSlider>("slider_1");
            QCOMPARE(slider->maximum(), 32760);
            QCOMPARE(slider->tickInterval(), 3276);
            QCOMPARE(slider->pageStep(), 20);
            QVERIFY2(std::abs(slider->value() - 19660) <= 1, QByteArray::number(slider->value()));  // half of 60 %
            for (int v : test::PulseServer::sinkVolumes())
                QVERIFY2(std::abs(v - 39322) <= 1, QByteArray::number(v));  // reading changes nothing
            slider->setFocus();
            QTest::keyClick(slider, Qt::Key_End);
            for (int v : test::PulseServer::sinkVolumes()) QVERIFY2(std::abs(v - 65521) <= 1, QByteArray::number(v));
            QTest::keyClick(slider, Qt::Key_Home);
            QCOMPARE(test::PulseServer::sinkVolumes(), (QList<int>{0, 0}));
            QTest::keyClick(slider, Qt::Key_PageUp);
            QCOMPARE(slider->value(), 20);
            for (int v : test::PulseServer::sinkVolumes()) QVERIFY2(std::abs(v - 40) <= 1, QByteArray::number(v));
        }
        // Without a usable mixer the slider starts in the middle and moving it changes nothing.
        QVERIFY(test::PulseServer::setSinkVolumes({"40%", "40%"}));
        const QList<int> before = test::PulseServer::sinkVolumes();
        pulse.useAlsaConfig("nocard.conf", "ctl.!default { type hw card 7 }\n");
        {
            Page page(musicSettings({}));
            auto* slider = page.form->get<QSlider>("slider_1");
            QCOMPARE(slider->value(), 16380);
            slider->setFocus();
            QTest::keyClick(slider, Qt::Key_End);
            QCOMPARE(slider->value(), 32760);
        }
        pulse.useAsAlsaDefault();
        QCOMPARE(test::PulseServer::sinkVolumes(), before);
        qunsetenv("ALSA_CONFIG_PATH");
        qunsetenv("PULSE_SERVER");
    }
};

QTEST_MAIN(TabForm7Test)
#include "tabform7_test.moc"

// orvanta-dialog-shots OUTDIR: opens the settings dialog on the X server named
// by DISPLAY and writes one PNG of the dialog per tab (tab-0.png ... tab-5.png),
// as the X server shows it. The dialog runs in a throwaway home holding two
// small picture folders and every overlay switched on, so the user's own
// settings are neither read nor changed and the pages have something to show.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>
#include <cstdio>
#include <functional>
#include <iostream>

#include "app/applicationclass.h"
#include "base/WRegistryKey.h"
#include "config/configuration.h"
#include "config/tabform2.h"
#include "config/tabform7.h"
#include "framework/WControls.h"
#include "framework/WTabControl.h"
#include "framework/cddrive.h"
#include "tools/toolusage.h"

using namespace orvanta;

namespace {

void makePicture(const QString& path, QSize size, QColor sky, QColor ground) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(image.rect(), sky);
    p.fillRect(QRect(0, size.height() * 2 / 3, size.width(), size.height()), ground);
    p.setBrush(QColor(250, 220, 90));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPoint(size.width() * 3 / 4, size.height() / 4), size.height() / 8, size.height() / 8);
    p.end();
    image.save(path);
}

void prepareHome(const QString& root) {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        const QString dir = root + "/" + QString::fromLatin1(name).toLower();
        QDir().mkpath(dir);
        qputenv(name, dir.toLocal8Bit());
    }
    const QString pictures = root + "/home/Pictures";
    QDir().mkpath(pictures + "/Holiday 2023");
    QDir().mkpath(pictures + "/Garden");
    makePicture(pictures + "/Holiday 2023/beach.jpg", {800, 600}, QColor(90, 150, 220), QColor(225, 200, 140));
    makePicture(pictures + "/Holiday 2023/harbour.png", {640, 480}, QColor(120, 170, 210), QColor(40, 80, 120));
    makePicture(pictures + "/Holiday 2023/hills.jpg", {1200, 700}, QColor(160, 190, 230), QColor(70, 130, 60));
    makePicture(pictures + "/Garden/roses.jpg", {600, 800}, QColor(200, 220, 240), QColor(150, 40, 60));

    WRegistryKey key;
    key.create(RegistryRoot::CurrentUser, "Software\\Quorrin\\Orvanta\\4.0");
    key.writeString("Count", "2");
    key.writeString("ImageDir0", (pictures + "/Holiday 2023").toStdString());
    key.writeString("DirSet0", "1");
    key.writeString("ImageDir1", (pictures + "/Garden").toStdString());
    key.writeString("DirSet1", "0");
    // Every control of the Effects/Overlays page in use, a few effects off.
    key.writeString("Effects", "1");
    key.writeString("Transitions", "11011111101111111111111110111111111");
    key.writeString("Delay", "6");
    key.writeString("Message", "1");
    key.writeString("MsgText", "Summer 2023 & friends");
    key.writeString("MsgPlace", "8");
    key.writeString("Captions", "1");
    key.writeString("CaptionPlace", "4");
    key.writeString("CaptionDate", "1");
    key.writeString("CaptionFont", "14.Times New Roman.Bold");  // else the caption group is written anew
    key.writeString("CaptionTrans", "0");
}

// Two music folders of short silent WAV and MP3-named files, the first in
// use, and music from the folders chosen.
void prepareMusic(const QString& root) {
    const QString music = root + "/home/Music";
    const std::pair<const char*, std::vector<const char*>> folders[] = {
        {"Evening Jazz", {"Blue Harbour.wav", "Late Train.MP3", "Night Walk.mp3", "Slow Rain.wav", "Sunday.mid"}},
        {"Piano", {"Etude.wav", "Nocturne.mp3"}}};
    WRegistryKey key;
    key.create(RegistryRoot::CurrentUser, "Software\\Quorrin\\Orvanta\\4.0");
    int index = 0;
    for (const auto& [folder, files] : folders) {
        QDir().mkpath(music + "/" + folder);
        for (const char* name : files) {
            QFile file(music + "/" + folder + "/" + name);
            if (file.open(QIODevice::WriteOnly)) file.write(QByteArray(64, '\0'));
        }
        key.writeString("MusicDir" + std::to_string(index), (music + "/" + folder).toStdString());
        key.writeString("MusicDirSet" + std::to_string(index), index == 0 ? "1" : "0");
        ++index;
    }
    key.writeString("NumMusicDirs", std::to_string(index));
    key.writeString("MusicOption", "1");
}

// The CD reader of the shots: an audio disc of twelve tracks in every drive.
class TwelveTrackDisc final : public CdDrive {
public:
    bool holdsAudioCd(const std::string&) override { return true; }
    std::optional<int> trackCount(const std::string&) override { return 12; }
};

// Lets events run for `ms` milliseconds, or until `done` holds.
bool runEvents(int ms, const std::function<bool()>& done = {}) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        if (done && done()) return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return !done || done();
}

constexpr const char* kUsage =
    "usage: orvanta-dialog-shots OUTDIR\n"
    "Opens the settings dialog on the X display named by DISPLAY, in a throwaway home,\n"
    "and writes a PNG of it on each tab into OUTDIR (tab-0.png ... tab-5.png, and the\n"
    "Music Selection tab in its CD and no-music modes).\n";

}  // namespace

int main(int argc, char** argv) {
    if (const auto status = tools::screenOptions(argc, argv, "orvanta-dialog-shots", kUsage)) return *status;
    if (const auto status = ApplicationClass::checkDisplay(std::cerr)) return *status;
    // Qt gets the program name only: every argument is the tool's own.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvanta-dialog-shots OUTDIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "orvanta-dialog-shots: cannot create %s\n", argv[1]);
        return 1;
    }
    QTemporaryDir home;
    if (!home.isValid()) return 1;
    prepareHome(home.path());
    prepareMusic(home.path());

    Configuration dialog;
    dialog.show();
    if (!runEvents(5000, [&] { return dialog.windowHandle() && dialog.windowHandle()->isExposed(); })) {
        std::fprintf(stderr, "orvanta-dialog-shots: the dialog was not shown\n");
        return 1;
    }
    int written = 0;
    const auto shoot = [&](const QString& name) {
        runEvents(300);
        const QPixmap shot = dialog.screen()->grabWindow(dialog.winId());
        const QString file = QString("%1/%2.png").arg(out, name);
        if (shot.isNull() || !shot.save(file)) {
            std::fprintf(stderr, "orvanta-dialog-shots: cannot write %s\n", qPrintable(file));
            return false;
        }
        std::printf("%s\n", qPrintable(file));
        return true;
    };
    for (int tab = 0; tab < dialog.tabControl()->count(); ++tab) {
        dialog.tabControl()->setCurrentIndex(tab);
        if (tab == 1) {
            // The folder with several pictures, the first of them previewed.
            auto* folders = dialog.tabForm2()->get<WListView>("lv_1");
            folders->selectItem(folders->count() - 1);
            dialog.tabForm2()->setPreview(true);
        }
        if (!shoot(QString("tab-%1").arg(tab))) return 1;
        ++written;
        if (tab == 3) {
            // The Music Selection page also in its two other modes: a CD in
            // the first of two drives (tab-3-cd.png), and no music (tab-3-none.png).
            auto* music = static_cast<TabForm7*>(dialog.page(3));
            music->setDriveLister([] { return std::vector<std::string>{"/dev/sr0", "/dev/sr1"}; });
            music->setCdDrive(std::make_unique<TwelveTrackDisc>());
            Settings cd = dialog.settings();
            cd.MusicOption = 2;
            music->loadSettings(cd);
            if (!shoot("tab-3-cd")) return 1;
            music->get<QRadioButton>("optb_NoMusic")->click();
            if (!shoot("tab-3-none")) return 1;
        }
        if (tab == 5) {
            // The end of the support report: the settings saved last.
            auto* report = dialog.page(5)->get<QPlainTextEdit>("textb_1");
            report->verticalScrollBar()->setValue(report->verticalScrollBar()->maximum());
            if (!shoot("tab-5-end")) return 1;
        }
    }
    return written == dialog.tabControl()->count() ? 0 : 1;
}

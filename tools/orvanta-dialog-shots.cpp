// orvanta-dialog-shots OUTDIR: opens the settings dialog on the X server named
// by DISPLAY and writes one PNG of the dialog per tab (tab-0.png ... tab-5.png),
// as the X server shows it. The dialog runs in a throwaway home holding two
// small picture folders and every overlay switched on, so the user's own
// settings are neither read nor changed and the pages have something to show.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QWindow>
#include <cstdio>
#include <functional>

#include "config/configuration.h"
#include "config/tabform2.h"
#include "framework/WControls.h"
#include "framework/WRegistryKey.h"
#include "framework/WTabControl.h"

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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
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

    Configuration dialog;
    dialog.show();
    if (!runEvents(5000, [&] { return dialog.windowHandle() && dialog.windowHandle()->isExposed(); })) {
        std::fprintf(stderr, "orvanta-dialog-shots: the dialog was not shown\n");
        return 1;
    }
    int written = 0;
    for (int tab = 0; tab < dialog.tabControl()->count(); ++tab) {
        dialog.tabControl()->setCurrentIndex(tab);
        if (tab == 1) {
            // The folder with several pictures, the first of them previewed.
            auto* folders = dialog.tabForm2()->get<WListView>("lv_1");
            folders->selectItem(folders->count() - 1);
            dialog.tabForm2()->setPreview(true);
        }
        runEvents(300);
        const QPixmap shot = dialog.screen()->grabWindow(dialog.winId());
        const QString file = QString("%1/tab-%2.png").arg(out).arg(tab);
        if (shot.isNull() || !shot.save(file)) {
            std::fprintf(stderr, "orvanta-dialog-shots: cannot write %s\n", qPrintable(file));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
        ++written;
    }
    return written == dialog.tabControl()->count() ? 0 : 1;
}

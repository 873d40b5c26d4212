// The wallpaper at the end of a real show: the file holds the composed back
// buffer while the screen also carries the message; and the root window
// background of a bare X session, tiled or centred per TileWallpaper, with
// the previous background pixmap freed.
#include <QTemporaryDir>
#include <QTest>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "app/endofshowwallpaper.h"
#include "app/form1.h"
#include "app/showroutine.h"
#include "desktop/bitmapfile.h"
#include "desktop/desktopkey.h"
#include "desktop/wallpaper.h"
#include "framework/desktopwallpaper.h"
#include "framework/rootwallpaper.h"
#include "show/decoders/bmpreader.h"

using namespace orvanta;

namespace {

bool pixmapExists(Display* display, unsigned long pixmap) {
    static bool failed;
    failed = false;
    auto previous = XSetErrorHandler([](Display*, XErrorEvent*) {
        failed = true;
        return 0;
    });
    Window root = 0;
    int x = 0, y = 0;
    unsigned w = 0, h = 0, border = 0, depth = 0;
    XGetGeometry(display, pixmap, &root, &x, &y, &w, &h, &border, &depth);
    XSync(display, False);
    XSetErrorHandler(previous);
    return !failed;
}

unsigned long rootPixmapId(Display* display) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    unsigned long id = 0;
    if (XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, "_XROOTPMAP_ID", False), 0, 1,
                           False, XA_PIXMAP, &type, &format, &count, &after, &data) == Success &&
        data && count == 1)
        id = *reinterpret_cast<unsigned long*>(data);
    if (data) XFree(data);
    return id;
}

}  // namespace

class WallpaperTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QByteArray savedEnv[4];
    const char* vars[4] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION"};

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        for (int i = 0; i < 4; ++i) savedEnv[i] = qgetenv(vars[i]);
        qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
        qputenv("XDG_DATA_HOME", (dir.path() + "/data").toUtf8());
        qunsetenv("XDG_CURRENT_DESKTOP");  // a bare X session
        qunsetenv("DESKTOP_SESSION");
    }

    void cleanupTestCase() {
        for (int i = 0; i < 4; ++i)
            if (savedEnv[i].isNull()) qunsetenv(vars[i]);
            else qputenv(vars[i], savedEnv[i]);
        // Give the virtual server its plain black root back.
        Display* display = XOpenDisplay(nullptr);
        if (!display) return;
        const Window root = DefaultRootWindow(display);
        if (const unsigned long old = rootPixmapId(display)) XKillClient(display, old);
        XDeleteProperty(display, root, XInternAtom(display, "_XROOTPMAP_ID", False));
        XDeleteProperty(display, root, XInternAtom(display, "ESETROOT_PMAP_ID", False));
        XSetWindowBackground(display, root, BlackPixel(display, DefaultScreen(display)));
        XClearWindow(display, root);
        XCloseDisplay(display);
    }

    void fileHoldsTheBackBufferWithoutTheMessage() {
        WBitmap picture;
        QVERIFY(picture.create(40, 30, 24));
        std::fill(picture.bits(), picture.bits() + picture.byteSize(), 200);
        QDir().mkpath(dir.path() + "/pictures");
        QVERIFY(picture.saveBmp((dir.path() + "/pictures/a.bmp").toStdString()));

        Form1 form;
        Settings& settings = form.settings();
        settings.imageDirs = {{(dir.path() + "/pictures").toStdString(), true}};
        settings.Count = 1;
        settings.Duration = 0;
        settings.Effects = false;
        settings.Randomize = false;
        settings.Proportional = false;
        settings.centred = true;
        settings.BackColor = {0, 128, 255};
        settings.Message = true;
        settings.MsgText = "MESSAGE OVER THE PICTURE";
        settings.MsgPlace = 5;
        settings.WallpaperLast = true;
        form.beginRun();
        QVERIFY(form.show().buildPictureList());
        form.window().resize(320, 200);
        form.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&form.window()));
        form.window().canvas().resize(QSize(320, 200));
        form.show().setScreen(QRect(0, 0, 320, 200), false);
        form.show().prepareRun();

        // Before a picture is composed there is nothing to keep.
        saveWallpaper(form.show(), form.options().settings());
        const QString path = QString::fromStdString(endOfShowWallpaperPath(wallpaperDirectory(), currentUserName()));
        QVERIFY(!QFile::exists(path));

        form.beginRun();

        form.show().firstPicture();
        QVERIFY(form.show().pictureComposed());
        saveWallpaper(form.show(), form.options().settings());
        WBitmap written;
        QVERIFY(loadBmp(path.toStdString(), written));
        const QImage file = written.toImage32();
        QCOMPARE(file, form.show().backBuffer().convertToFormat(QImage::Format_RGB32));
        const QImage screen = form.window().canvas().grab().convertToFormat(QImage::Format_RGB32);
        QVERIFY(screen != file);  // the message is on the screen only
        QCOMPARE(file.pixel(0, 0), qRgb(0, 128, 255));
        QCOMPARE(file.pixel(160, 100), qRgb(200, 200, 200));

        // It is the desktop's background now: this is a bare X session.
        QImage root = x11::rootWallpaper();
        QVERIFY(!root.isNull());
        const QRect centred(QPoint((root.width() - 320) / 2, (root.height() - 200) / 2), QSize(320, 200));
        QCOMPARE(root.copy(centred), file);
        QCOMPARE(root.pixel(0, 0), qRgb(0, 0, 0));
    }

    void rootBackgroundTiledOrCentredAndTheOldPixmapFreed() {
        Display* display = XOpenDisplay(nullptr);
        QVERIFY(display);
        QImage tile(30, 20, QImage::Format_RGB32);
        tile.fill(qRgb(10, 200, 30));
        tile.setPixel(0, 0, qRgb(255, 0, 255));
        const std::string path = (dir.path() + "/tile.bmp").toStdString();
        QVERIFY(writeBitmapFormB(path, tile));

        setTileWallpaper(true);
        setDesktopWallpaper(path);
        const unsigned long first = rootPixmapId(display);
        QVERIFY(first != 0);
        QImage root = x11::rootWallpaper();
        QCOMPARE(root.size(), QSize(DisplayWidth(display, 0), DisplayHeight(display, 0)));
        QCOMPARE(root.pixel(0, 0), qRgb(255, 0, 255));
        QCOMPARE(root.pixel(30, 20), qRgb(255, 0, 255));
        QCOMPARE(root.pixel(31, 20), qRgb(10, 200, 30));

        setTileWallpaper(false);
        setDesktopWallpaper(path);
        const unsigned long second = rootPixmapId(display);
        QVERIFY(second != 0 && second != first);
        QVERIFY(!pixmapExists(display, first));  // freed, not piled up
        QVERIFY(pixmapExists(display, second));
        root = x11::rootWallpaper();
        const QPoint corner((root.width() - 30) / 2, (root.height() - 20) / 2);
        QCOMPARE(root.pixel(corner), qRgb(255, 0, 255));
        QCOMPARE(root.pixel(0, 0), qRgb(0, 0, 0));
        QCOMPARE(root.pixel(corner + QPoint(29, 19)), qRgb(10, 200, 30));
        QCOMPARE(root.pixel(corner + QPoint(30, 19)), qRgb(0, 0, 0));

        // A file that cannot be read changes nothing.
        setDesktopWallpaper((dir.path() + "/missing.bmp").toStdString());
        QCOMPARE(rootPixmapId(display), second);
        XCloseDisplay(display);
    }
};

QTEST_MAIN(WallpaperTest)
#include "endofshowwallpaper_test.moc"

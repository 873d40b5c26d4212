// The show on a real window: the run state's rules for steps, pictures going
// through the whole per-picture sequence (true colour and palette mode),
// steps asked for while a picture decodes, overlays kept off the back buffer,
// and which shortcuts the picture list takes.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/form1.h"
#include "app/showroutine.h"
#include "base/WBitmap.h"
#include "desktop/shelllink.h"
#include "show/decoders/jpegwriter.h"
#include "show/run/runstate.h"

using namespace orvanta;

namespace {

// A solid JPEG: the JPEG decoder lets events run while it works, which is
// what lets a step arrive in the middle of a load.
bool writeSolidJpeg(const QString& path, QRgb colour, int width = 64, int height = 48) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = static_cast<std::uint8_t>(qRed(colour));
        pixels[i + 1] = static_cast<std::uint8_t>(qGreen(colour));
        pixels[i + 2] = static_cast<std::uint8_t>(qBlue(colour));
    }
    return writeJpegFile(path.toStdString(), pixels.data(), width, height, 3);
}

// A shortcut holding only a relative-path string, as a Windows shortcut to
// "C:\x.jpg" or to "x.jpg" beside it may.
bool writeRawShortcut(const QString& path, const QByteArray& target) {
    QByteArray link(0x4C, '\0');
    const std::uint8_t clsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    link[0] = 0x4C;
    for (int i = 0; i < 16; ++i) link[4 + i] = static_cast<char>(clsid[i]);
    link[0x14] = 0x08;  // has a relative path
    link[0x18] = 0x20;  // an archive file
    link.append(static_cast<char>(target.size() & 0xFF));
    link.append(static_cast<char>(target.size() >> 8));
    link.append(target);
    link.append(QByteArray(4, '\0'));  // no extra data
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(link) == link.size();
}

bool close(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 3 && std::abs(qGreen(a) - qGreen(b)) <= 3 &&
           std::abs(qBlue(a) - qBlue(b)) <= 3;
}

}  // namespace

class ShowRoutineTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString folder(const QString& name) {
        QDir(dir.path()).mkpath(name);
        return dir.path() + "/" + name;
    }

    // A 24-bit gradient, whose colours are mostly not in any palette.
    void writeGradient(const QString& path) {
        WBitmap b;
        QVERIFY(b.create(64, 48, 24));
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                std::uint8_t* p = b.row(y) + 3 * x;
                p[0] = static_cast<std::uint8_t>(x * 4);
                p[1] = static_cast<std::uint8_t>(y * 5);
                p[2] = static_cast<std::uint8_t>(77 + x + y);
            }
        QVERIFY(b.saveBmp(path.toStdString()));
    }

    // A show of the pictures in `pictures`, alphabetical, without effects,
    // on a window of the given size.
    void prepare(Form1& form, const QString& pictures, int duration, bool palette, QSize size = QSize(64, 48)) {
        Settings& settings = form.settings();
        settings.imageDirs = {{pictures.toStdString(), true}};
        settings.Count = 1;
        settings.Duration = duration;
        settings.Effects = false;
        settings.Randomize = false;
        settings.AlphaSort = true;
        form.beginRun();
        QVERIFY(form.show().buildPictureList());
        form.window().resize(size);
        form.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&form.window()));
        form.window().canvas().resize(size);
        form.show().setScreen(QRect(QPoint(0, 0), size), palette);
        form.show().prepareRun();
    }

    QImage screen(Form1& form) { return form.window().canvas().grab().convertToFormat(QImage::Format_RGB32); }

    static QSet<QRgb> coloursOf(const QImage& image) {
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y) | 0xFF000000u);
        return colours;
    }

    QString threeColours() {
        const QString pictures = folder("three");
        if (!QFile::exists(pictures + "/1.jpg")) {
            writeSolidJpeg(pictures + "/1.jpg", qRgb(255, 0, 0));
            writeSolidJpeg(pictures + "/2.jpg", qRgb(0, 255, 0));
            writeSolidJpeg(pictures + "/3.jpg", qRgb(0, 0, 255));
        }
        return pictures;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        writeGradient(folder("gradient") + "/a.bmp");
    }

    void onePictureThroughTheWholeSequence() {
        Form1 form;
        prepare(form, folder("gradient"), 0, false);
        form.beginRun();
        form.show().firstPicture();
        QVERIFY(form.state().idle());
        const QString shown = folder("gradient") + "/a.bmp";
        QCOMPARE(QString::fromStdString(form.show().shownPath()), shown);
        QCOMPARE(form.show().catalogue().position(), 1);  // advanced past the picture shown
        const QImage& back = form.show().backBuffer();
        QCOMPARE(back.pixel(10, 20) & 0xFFFFFFu, qRgb(77 + 30, 100, 40) & 0xFFFFFFu);
        QCOMPARE(screen(form).pixel(10, 20), back.pixel(10, 20));
        QVERIFY(coloursOf(back).size() > 256);  // true colour
        // With one picture, stepping back shows that picture again.
        form.show().request(Step::Back);
        QCOMPARE(QString::fromStdString(form.show().shownPath()), shown);
        QCOMPARE(form.show().catalogue().position(), 1);
    }

    void paletteDisplayShowsOnlyPaletteColours() {
        Form1 form;
        prepare(form, folder("gradient"), 0, true);
        form.beginRun();
        form.show().firstPicture();
        QVERIFY(!form.show().shownPath().empty());
        // A 24-bit BMP is shown through the display palette made by the quantizer.
        const std::vector<PaletteEntry>& entries = form.show().picture().palette;
        QCOMPARE(entries.size(), std::size_t{256});
        QSet<QRgb> palette;
        for (const PaletteEntry& e : entries) palette.insert(qRgb(e.red, e.green, e.blue));
        QSet<QRgb> shown = coloursOf(form.show().backBuffer());
        QVERIFY(shown.size() > 4);
        QVERIFY(shown.subtract(palette).isEmpty());
        QVERIFY(coloursOf(screen(form)).subtract(palette).isEmpty());
    }

    // A step that arrives while a picture decodes is neither lost nor started
    // inside the decode: it is carried out once the running step is done.
    void aStepDuringADecodeIsCarriedOutAfterIt_data() {
        QTest::addColumn<int>("duration");
        QTest::addColumn<int>("nested");  // the step that arrives during the decode
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QRgb>("colour");
        // Manual: Forward decodes 2 (a Forward arrives), shows 2, then 3.
        QTest::newRow("manual, forward during forward") << 0 << int(Step::Forward) << "3.jpg" << qRgb(0, 0, 255);
        // Manual: Forward decodes 2 (a Back arrives), shows 2, then back to 1.
        QTest::newRow("manual, back during forward") << 0 << int(Step::Back) << "1.jpg" << qRgb(255, 0, 0);
        // Timed: Forward shows 2 and decodes 3 (a Back arrives), then back to 1.
        QTest::newRow("timed, back during forward") << 30 << int(Step::Back) << "1.jpg" << qRgb(255, 0, 0);
        // Timed: Forward shows 2 and decodes 3 (a Forward arrives), then shows 3.
        QTest::newRow("timed, forward during forward") << 30 << int(Step::Forward) << "3.jpg" << qRgb(0, 0, 255);
    }

    void aStepDuringADecodeIsCarriedOutAfterIt() {
        QFETCH(int, duration);
        QFETCH(int, nested);
        QFETCH(QString, shown);
        QFETCH(QRgb, colour);
        Form1 form;
        const QString pictures = threeColours();
        prepare(form, pictures, duration, false);
        form.beginRun();
        form.show().firstPicture();
        QCOMPARE(QString::fromStdString(form.show().shownPath()), pictures + "/1.jpg");
        // The nested step arrives at the first event the decoder lets through.
        int arrivals = 0;
        std::function<void()> arrive = [&] {
            if (form.state().idle()) return;  // the step is over: no decode to arrive in
            if (!form.state().loading()) {
                QTimer::singleShot(0, &form.window(), arrive);
                return;
            }
            ++arrivals;
            form.show().request(static_cast<Step>(nested));
        };
        QTimer::singleShot(0, &form.window(), arrive);
        form.show().request(Step::Forward);
        QCOMPARE(arrivals, 1);
        QCOMPARE(QString::fromStdString(form.show().shownPath()), pictures + "/" + shown);
        QVERIFY(close(screen(form).pixel(32, 24), colour));
        QVERIFY(form.state().idle());
        QVERIFY(!form.state().takeQueued());
    }

    // Holding a step key: a burst of steps during decodes never nests a
    // second decode inside the first, and the show ends on a picture.
    void aBurstOfStepsNeverNestsDecodes() {
        Form1 form;
        const QString pictures = threeColours();
        prepare(form, pictures, 30, false);
        form.beginRun();
        form.show().firstPicture();
        int arrivals = 0, whileLoading = 0, nestedSteps = 0;
        std::function<void()> press = [&] {
            ++arrivals;
            // The next press is due at the next event the show lets through.
            if (arrivals < 200) QTimer::singleShot(0, &form.window(), press);
            if (form.state().loading()) ++whileLoading;
            const bool busy = !form.state().idle();
            const std::string before = form.show().shownPath();
            form.show().request(arrivals % 2 ? Step::Back : Step::Forward);
            // A step that arrived during another must not have been carried out inside it.
            if (busy && form.show().shownPath() != before) ++nestedSteps;
        };
        QTimer::singleShot(0, &form.window(), press);
        QTRY_COMPARE_WITH_TIMEOUT(arrivals, 200, 20000);
        QVERIFY(whileLoading > 0);
        QCOMPARE(nestedSteps, 0);
        QTRY_VERIFY(form.state().idle());
        const QString last = QString::fromStdString(form.show().shownPath());
        QVERIFY(last.startsWith(pictures + "/"));
        const QRgb centre = screen(form).pixel(32, 24);
        const QHash<QString, QRgb> colours = {{"1.jpg", qRgb(255, 0, 0)},
                                              {"2.jpg", qRgb(0, 255, 0)},
                                              {"3.jpg", qRgb(0, 0, 255)}};
        QVERIFY(close(centre, colours.value(QFileInfo(last).fileName())));
    }

    // A new window size: the canvases are made again and the picture on view
    // (decoded again for that size) fills the new window, caption included;
    // a timed show's next picture is decoded again too.
    void theShowFollowsTheWindowSize() {
        Form1 form;
        const QString pictures = threeColours();
        Settings& settings = form.settings();
        settings.Stretch = true;
        settings.Captions = true;
        settings.CaptionPlace = 5;
        settings.CaptionTrans = false;
        settings.CaptionBackColor = Rgb{255, 0, 255};
        prepare(form, pictures, 30, false);
        form.beginRun();
        form.show().firstPicture();
        QCOMPARE(QString::fromStdString(form.show().shownPath()), pictures + "/1.jpg");
        QCOMPARE(QString::fromStdString(form.show().picture().path), pictures + "/2.jpg");
        const QSize size(1366, 200);  // the 1366-pixel rule holds in a window too
        form.window().resize(size);
        form.show().resizeTo(size);
        QVERIFY(form.state().idle());
        QCOMPARE(form.show().showRect(), QRect(0, 0, 1360, 200));
        QCOMPARE(form.show().backBuffer().size(), QSize(1360, 200));
        QCOMPARE(form.window().canvas().size(), size);
        QCOMPARE(form.window().canvas().clip(), QRect(3, 0, 1360, 200));
        const QImage shown = screen(form);
        QVERIFY(close(shown.pixel(1300, 20), qRgb(255, 0, 0)));
        QVERIFY(close(form.show().backBuffer().pixel(1350, 190), qRgb(255, 0, 0)));
        QVERIFY(coloursOf(shown).contains(qRgb(255, 0, 255)));  // the caption is drawn again
        QVERIFY(!coloursOf(form.show().backBuffer()).contains(qRgb(255, 0, 255)));
        QCOMPARE(shown.pixel(1364, 100) & 0xFFFFFFu, 0u);  // outside the clip: black
        QCOMPARE(form.show().picture().canvas.size(), QSize(64, 48));
        QCOMPARE(QString::fromStdString(form.show().picture().path), pictures + "/2.jpg");
        // The show goes on at the new size.
        form.show().request(Step::Forward);
        QCOMPARE(QString::fromStdString(form.show().shownPath()), pictures + "/2.jpg");
        QVERIFY(close(screen(form).pixel(1300, 20), qRgb(0, 255, 0)));
        // Smaller again: the clip is the whole window once more.
        form.window().resize(QSize(80, 60));
        form.show().resizeTo(QSize(80, 60));
        QCOMPARE(form.window().canvas().clip(), QRect(0, 0, 80, 60));
        QVERIFY(close(screen(form).pixel(79, 0), qRgb(0, 255, 0)));
    }

    // A resize that arrives during a decode waits for the step under way and
    // is then carried out at the latest size.
    void aResizeDuringADecodeIsCarriedOutAfterIt() {
        Form1 form;
        const QString pictures = threeColours();
        form.settings().Stretch = true;
        prepare(form, pictures, 30, false);
        form.beginRun();
        form.show().firstPicture();
        int arrivals = 0;
        std::function<void()> arrive = [&] {
            if (form.state().idle()) return;
            if (!form.state().loading()) {
                QTimer::singleShot(0, &form.window(), arrive);
                return;
            }
            ++arrivals;
            form.window().resize(QSize(100, 70));
            form.show().resizeTo(QSize(90, 70));
            form.show().resizeTo(QSize(100, 70));
            QCOMPARE(form.show().backBuffer().size(), QSize(64, 48));  // not inside the decode
        };
        QTimer::singleShot(0, &form.window(), arrive);
        form.show().request(Step::Forward);
        QCOMPARE(arrivals, 1);
        QVERIFY(form.state().idle());
        QCOMPARE(form.show().backBuffer().size(), QSize(100, 70));
        QCOMPARE(QString::fromStdString(form.show().shownPath()), pictures + "/2.jpg");
        QVERIFY(close(screen(form).pixel(99, 69), qRgb(0, 255, 0)));
    }

    // The picture on view went away before the resize: it is stretched over
    // the new size as it was. A run that ends during the decode of a resize
    // keeps the back buffer it showed (the end-of-show wallpaper is made from it).
    void aResizeWithoutItsPictureOrItsRun() {
        Form1 form;
        const QString pictures = folder("gone");
        QVERIFY(writeSolidJpeg(pictures + "/a.jpg", qRgb(255, 0, 0)));
        form.settings().Stretch = true;
        prepare(form, pictures, 30, false);
        form.beginRun();
        form.show().firstPicture();
        QVERIFY(QFile::remove(pictures + "/a.jpg"));
        form.window().resize(QSize(128, 96));
        form.show().resizeTo(QSize(128, 96));
        QCOMPARE(form.show().backBuffer().size(), QSize(128, 96));
        QVERIFY(close(screen(form).pixel(120, 90), qRgb(255, 0, 0)));

        Form1 ending;
        ending.settings().Stretch = true;
        prepare(ending, threeColours(), 30, false);
        ending.beginRun();
        ending.show().firstPicture();
        std::function<void()> end = [&] {
            if (ending.state().loading()) ending.state().end();
            else if (!ending.state().ended()) QTimer::singleShot(0, &ending.window(), end);
        };
        QTimer::singleShot(0, &ending.window(), end);
        ending.window().resize(QSize(100, 70));
        ending.show().resizeTo(QSize(100, 70));
        QVERIFY(ending.state().ended());
        QCOMPARE(ending.show().backBuffer().size(), QSize(64, 48));
        QVERIFY(close(ending.show().backBuffer().pixel(10, 10), qRgb(255, 0, 0)));
    }

    // Captions and " Pause" are drawn on the screen only; the back buffer
    // keeps the composed picture alone.
    void overlaysStayOffTheBackBuffer() {
        Form1 form;
        const QString pictures = folder("red");
        writeSolidJpeg(pictures + "/red.jpg", qRgb(255, 0, 0), 320, 240);
        Settings& settings = form.settings();
        settings.Captions = true;
        settings.CaptionPlace = 5;
        settings.CaptionTrans = false;
        settings.CaptionBackColor = Rgb{255, 0, 255};
        settings.CaptionColor = Rgb{0, 255, 0};
        settings.Stretch = true;
        prepare(form, pictures, 30, false, QSize(320, 240));
        form.beginRun();
        form.show().firstPicture();
        QVERIFY(coloursOf(screen(form)).contains(qRgb(255, 0, 255)));
        form.show().pause();
        QVERIFY(coloursOf(screen(form)).contains(qRgb(150, 150, 150)));
        const QSet<QRgb> back = coloursOf(form.show().backBuffer());
        QVERIFY(!back.contains(qRgb(255, 0, 255)));
        QVERIFY(!back.contains(qRgb(150, 150, 150)));
        QVERIFY(close(form.show().backBuffer().pixel(300, 230), qRgb(255, 0, 0)));
    }

    // Only shortcuts to absolute paths are listed: a Windows path or a
    // relative one would be opened against the working directory.
    void onlyShortcutsToAbsolutePathsAreListed() {
        const QString pictures = folder("shortcuts");
        const QString real = folder("elsewhere") + "/real.jpg";
        QVERIFY(writeSolidJpeg(real, qRgb(10, 20, 30)));
        QCOMPARE(createShortcut(real.toStdString(), (pictures + "/real.lnk").toStdString(), ""), 0);
        QVERIFY(writeRawShortcut(pictures + "/windows.lnk", "C:\\x.jpg"));
        QVERIFY(writeRawShortcut(pictures + "/relative.lnk", "x.jpg"));
        QVERIFY(writeRawShortcut(pictures + "/up.lnk", "../elsewhere/real.jpg"));
        std::string target;
        QVERIFY(resolveShortcut((pictures + "/windows.lnk").toStdString(), target) != 0);  // the links are readable
        QCOMPARE(QString::fromStdString(target), QString("C:\\x.jpg"));
        Form1 form;
        Settings& settings = form.settings();
        settings.imageDirs = {{pictures.toStdString(), true}};
        settings.Count = 1;
        form.beginRun();
        QVERIFY(form.show().buildPictureList());
        QCOMPARE(form.show().catalogue().length(), 1);
        QCOMPARE(QString::fromStdString(form.show().catalogue().pictures()[0].path()), real);
    }
};

QTEST_MAIN(ShowRoutineTest)
#include "showroutine_test.moc"

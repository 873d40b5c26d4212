// The show routine on a real window: one picture through the whole
// per-picture sequence, on a true-colour screen and in the palette mode.
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "app/form1.h"
#include "app/showroutine.h"
#include "framework/WBitmap.h"

using namespace orvanta;

class ShowRoutineTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    // A 24-bit gradient, whose colours are mostly not in any palette.
    void writeGradient(const QString& name) {
        WBitmap b;
        QVERIFY(b.create(64, 48, 24));
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                std::uint8_t* p = b.row(y) + 3 * x;
                p[0] = static_cast<std::uint8_t>(x * 4);
                p[1] = static_cast<std::uint8_t>(y * 5);
                p[2] = static_cast<std::uint8_t>(77 + x + y);
            }
        QVERIFY(b.saveBmp((dir.path() + "/" + name).toStdString()));
    }

    void prepare(Form1& form, bool palette) {
        form.settings.imageDirs = {{dir.path().toStdString(), true}};
        form.settings.Count = 1;
        form.settings.Duration = 0;  // manual: the routine loads the picture itself
        form.settings.Effects = false;
        form.settings.Randomize = false;
        QVERIFY(buildPictureList(form, [] { return false; }));
        QCOMPARE(form.catalogue.length(), 1);
        form.showRect = QRect(0, 0, 64, 48);
        form.window.resize(64, 48);
        form.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form.window));
        form.window.canvas().resize(QSize(64, 48));
        form.backBuffer = QImage(64, 48, QImage::Format_RGB32);
        form.backBuffer.fill(Qt::black);
        form.previousBuffer = form.backBuffer.copy();
        form.paletteDisplay = palette;
    }

    static QSet<QRgb> coloursOf(const QImage& image) {
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y) | 0xFF000000u);
        return colours;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        writeGradient("a.bmp");
    }

    void onePictureThroughTheWholeSequence() {
        Form1 form;
        prepare(form, false);
        showRoutine(form);
        QVERIFY(form.loadSucceeded);
        QVERIFY(!form.changing);
        QCOMPARE(QString::fromStdString(form.currentPicturePath), dir.path() + "/a.bmp");
        QCOMPARE(form.catalogue.position(), 1);  // advanced past the picture shown
        QCOMPARE(form.backBuffer.pixel(10, 20) & 0xFFFFFFu, qRgb(77 + 30, 100, 40) & 0xFFFFFFu);
        const QImage screen = form.window.canvas().grab().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(screen.pixel(10, 20), form.backBuffer.pixel(10, 20));
        // With one picture, stepping back shows that picture again.
        stepBackManual(form);
        QVERIFY(form.loadSucceeded);
        QCOMPARE(form.catalogue.position(), 1);
        QVERIFY(coloursOf(form.backBuffer).size() > 256);  // true colour
    }

    void paletteDisplayShowsOnlyPaletteColours() {
        Form1 form;
        prepare(form, true);
        showRoutine(form);
        QVERIFY(form.loadSucceeded);
        // A 24-bit BMP is shown through the display palette made by the quantizer.
        QCOMPARE(form.picturePalette.size(), std::size_t{256});
        QSet<QRgb> palette;
        for (const PaletteEntry& e : form.picturePalette) palette.insert(qRgb(e.red, e.green, e.blue));
        QSet<QRgb> shown = coloursOf(form.backBuffer);
        QVERIFY(shown.size() > 4);
        QVERIFY(shown.subtract(palette).isEmpty());
        const QImage screen = form.window.canvas().grab().convertToFormat(QImage::Format_RGB32);
        QVERIFY(coloursOf(screen).subtract(palette).isEmpty());
    }
};

QTEST_MAIN(ShowRoutineTest)
#include "showroutine_test.moc"

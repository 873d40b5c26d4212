// The About Orvanta page on real widgets: its texts, the product picture,
// the placement of the names beside the picture and of each link after its
// caption, and the links opened through the desktop's opener.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include "commandline/informationrequest.h"
#include "config/configuration.h"
#include "config/productinfo.h"
#include "config/tabform3.h"
#include "framework/WControls.h"
#include "framework/WTabControl.h"
#include "tests/gui/dialogtestenv.h"

using namespace orvanta;

namespace {

QString textOf(const TabForm3& page, const char* name) { return page.get<QLabel>(name)->text(); }

int rightEdge(const QWidget* widget) { return widget->x() + widget->width(); }

}  // namespace

class TabForm3Test : public QObject {
    Q_OBJECT

private slots:
    void thePageShowsTheProductItsVersionAndCredits() {
        TabForm3 page;
        QCOMPARE(textOf(page, "label_ProductName"), QString("Orvanta"));
        QCOMPARE(textOf(page, "label_12"), QString("Slide Show Screen Saver"));
        QCOMPARE(textOf(page, "label_Version"), QString("Version ") + orvantaVersion());
        QCOMPARE(textOf(page, "label_Version"), QString("Version 4.9"));
        QCOMPARE(textOf(page, "label_1"), QString("Linux (X11)"));
        QCOMPARE(textOf(page, "label_3"),
                 QString(
                     "Jpeg portions of this software are based in part on the work of the Independent JPEG Group."));
        QCOMPARE(textOf(page, "label_8"),
                 QString("PNG portions of this software are based in part on the work of the PNG Development Group."));
        QCOMPARE(textOf(page, "label_4"), QString("Send comments, bugs, or suggestions to:"));
        QCOMPARE(textOf(page, "label_6"), QString("Orvanta Home Page:"));
        QCOMPARE(textOf(page, "label_5"), QString(kSupportEmail));
        QCOMPARE(textOf(page, "label_7"), QString(kHomePageText));
        for (const char* name : {"label_ProductName", "label_12", "label_Version", "label_1"}) {
            QVERIFY2(page.get<QLabel>(name)->font().bold(), name);
            QCOMPARE(page.get<QLabel>(name)->font().pointSize(), 9);
        }
        QVERIFY(!page.get<QLabel>("label_4")->font().bold());
    }

    void theNamesStandBesideThePictureAndEachLinkAfterItsCaption() {
        TabForm3 page;
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        auto* picture = page.get<WPictureFrame>("pictb_Product");
        const QImage product = TabForm3::productBitmap();
        // The frame holds the whole picture, centred inside its border.
        QCOMPARE(picture->contentsRect().size(), product.size());
        const QImage shown = picture->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QPoint inside = picture->contentsRect().topLeft();
        for (const QPoint at : {QPoint(0, 0), QPoint(76, 56), QPoint(151, 111), QPoint(40, 30)})
            QCOMPARE(shown.pixel(inside + at), product.pixel(at));
        for (const char* name : {"label_ProductName", "label_Version", "label_1", "label_12"})
            QCOMPARE(page.get<QLabel>(name)->x(), rightEdge(picture) + 25);
        QCOMPARE(page.get<QLabel>("label_5")->x(), rightEdge(page.get<QLabel>("label_4")) + 10);
        QCOMPARE(page.get<QLabel>("label_7")->x(), rightEdge(page.get<QLabel>("label_6")) + 10);
        // The captions are as wide as their texts, so each link follows its text.
        for (const char* name : {"label_4", "label_6"}) {
            auto* caption = page.get<QLabel>(name);
            QVERIFY(caption->width() <= caption->fontMetrics().horizontalAdvance(caption->text()) + 8);
        }
        // The texts stay inside the group box.
        auto* group = page.get<QWidget>("groupb_1");
        for (const char* name : {"label_ProductName", "label_12", "label_Version", "label_1", "label_3", "label_8",
                                 "label_4", "label_5", "label_6", "label_7", "pictb_Product"})
            QVERIFY2(group->geometry().contains(page.get<QWidget>(name)->geometry()), name);
    }

    void theProductPictureIsDrawnNotBlank() {
        const QImage product = TabForm3::productBitmap();
        QCOMPARE(product.size(), QSize(152, 112));
        QSet<QRgb> colours;
        for (int y = 0; y < product.height(); y += 4)
            for (int x = 0; x < product.width(); x += 4) colours.insert(product.pixel(x, y));
        QVERIFY(colours.size() > 20);
        QCOMPARE(product, TabForm3::productBitmap());  // the same every time
    }

    void theLinksOpenTheMailAddressAndTheHomePage() {
        std::vector<QUrl> opened;
        TabForm3 page([&opened](const QUrl& url) { return opened.push_back(url), true; });
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        auto* mail = page.get<WLinkLabel>("label_5");
        auto* home = page.get<WLinkLabel>("label_7");
        QCOMPARE(mail->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(home->cursor().shape(), Qt::PointingHandCursor);
        const QColor before = mail->palette().color(QPalette::WindowText);
        QTest::mouseClick(mail, Qt::LeftButton);
        QCOMPARE(opened, std::vector<QUrl>{QUrl("mailto:support@orvanta.org")});
        QVERIFY(mail->palette().color(QPalette::WindowText) != before);
        QCOMPARE(home->palette().color(QPalette::WindowText), before);
        QTest::mouseClick(home, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(opened.back(), QUrl("https://www.orvanta.org/"));
        QVERIFY(home->palette().color(QPalette::WindowText) != before);
        // Other buttons and clicks beside the links open nothing.
        QTest::mouseClick(mail, Qt::RightButton);
        QTest::mouseClick(page.get<QLabel>("label_4"), Qt::LeftButton);
        QCOMPARE(opened.size(), std::size_t(2));
    }

    void theLinksGoThroughTheDesktopsOpener() {
        // The program's own opener, with a stand-in for xdg-open that records its arguments.
        test::DialogHome home;
        const QString bin = home.path("bin");
        QDir().mkpath(bin);
        const QString log = home.path("opened.log");
        QFile script(bin + "/xdg-open");
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QString("#!/bin/sh\nprintf '%s\\n' \"$*\" >> '%1'\n").arg(log).toUtf8());
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.toLocal8Bit() + ":" + path);
        for (const char* var : {"BROWSER", "DEFAULT_BROWSER", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION"}) qunsetenv(var);

        Configuration dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.tabControl()->setCurrentIndex(4);
        auto* page = dynamic_cast<TabForm3*>(dialog.page(4));
        QVERIFY(page);
        QTest::mouseClick(page->get<WLinkLabel>("label_5"), Qt::LeftButton);
        QTest::mouseClick(page->get<WLinkLabel>("label_7"), Qt::LeftButton);
        auto lines = [&] {
            QFile file(log);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                                                  : QStringList();
        };
        QTRY_COMPARE_WITH_TIMEOUT(lines().size(), 2, 10000);
        QStringList seen = lines();
        seen.sort();
        QCOMPARE(seen, (QStringList{"https://www.orvanta.org/", "mailto:support@orvanta.org"}));
        qputenv("PATH", path);
    }
};

QTEST_MAIN(TabForm3Test)
#include "tabform3_test.moc"

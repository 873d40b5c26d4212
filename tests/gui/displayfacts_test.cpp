// The display facts of the support report under the test's X server: the
// screen as Qt sees it, the X server's screen saver as xset sets it, and a
// real xscreensaver daemon (run as an ordinary account) with its own
// preferences file. Then the whole system part as the Support page makes it.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "framework/displayfacts.h"
#include "tests/gui/ordinaryaccount.h"

using namespace orvanta;

class DisplayFactsTest : public QObject {
    Q_OBJECT

    static bool xset(const QStringList& arguments) { return QProcess::execute("xset", arguments) == 0; }

private slots:
    void theScreenAsQtSeesIt() {
        const DisplayFacts f = currentDisplayFacts();
        const QScreen* primary = QGuiApplication::primaryScreen();
        QVERIFY(primary);
        QCOMPARE(f.monitorCount, int(QGuiApplication::screens().size()));
        QCOMPARE(f.primaryWidth, qRound(primary->geometry().width() * primary->devicePixelRatio()));
        QCOMPARE(f.primaryHeight, qRound(primary->geometry().height() * primary->devicePixelRatio()));
        QCOMPARE(f.bitsPerPixel, primary->depth());
        QVERIFY(f.bitsPerPixel >= 15);
        QVERIFY(!f.paletteDevice);
        QVERIFY(f.dpiX > 0 && f.dpiY > 0);
        if (f.monitorCount == 1) {
            QCOMPARE(f.virtualScreen.width, f.primaryWidth);
            QCOMPARE(f.virtualScreen.height, f.primaryHeight);
        }
    }

    void theXServersScreenSaver() {
        if (QStandardPaths::findExecutable("xset").isEmpty()) QSKIP("xset not installed: skipped");
        QVERIFY(xset({"s", "300"}));
        DisplayFacts f = currentDisplayFacts();
        QVERIFY(f.screenSaverActive);
        QCOMPARE(f.screenSaverTimeout, 300);
        QVERIFY(xset({"s", "off"}));
        f = currentDisplayFacts();
        QVERIFY(!f.screenSaverActive);
        QCOMPARE(f.screenSaverTimeout, 0);
        QVERIFY(xset({"s", "default"}));
    }

    void xscreensaverAndItsPreferences() {
        if (QStandardPaths::findExecutable("xscreensaver").isEmpty()) QSKIP("xscreensaver not installed: skipped");
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QFile prefs(home.path() + "/.xscreensaver");
        QVERIFY(prefs.open(QIODevice::WriteOnly));
        prefs.write("timeout:\t0:07:30\nmode:\t\tblank\nlock:\t\tFalse\nsplash:\t\tFalse\n");
        prefs.close();
        QVERIFY(test::giveToOrdinaryAccount(home.path()));
        QVERIFY(xset({"s", "off"}));  // the X server's own saver says otherwise

        QProcess daemon;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home.path());
        daemon.setProcessEnvironment(env);
        daemon.setStandardOutputFile(QProcess::nullDevice());
        daemon.setStandardErrorFile(QProcess::nullDevice());
        test::runAsOrdinaryAccount(daemon);
        daemon.start("xscreensaver", {"-no-splash"});
        QVERIFY(daemon.waitForStarted(10000));
        const QByteArray savedHome = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        QTRY_VERIFY_WITH_TIMEOUT(currentDisplayFacts().screenSaverActive, 20000);
        const DisplayFacts f = currentDisplayFacts();
        qputenv("HOME", savedHome);
        daemon.terminate();
        if (!daemon.waitForFinished(10000)) daemon.kill();
        daemon.waitForFinished(5000);
        QCOMPARE(f.screenSaverTimeout, 450);
        QVERIFY(xset({"s", "default"}));
    }

    void theSystemPartAsTheSupportPageMakesIt() {
        const DisplayFacts d = currentDisplayFacts();
        const std::string report = systemReportText(gatherSystemFacts(d));
        const QString text = QString::fromStdString(report);
        QVERIFY(text.startsWith("  Orvanta 4.9 (September 1, 2018)\r\n  Kernel Version: Linux "));
        QVERIFY(
            text.contains(QString("\r\n  Primary Monitor Size: %1 x %2\r\n").arg(d.primaryWidth).arg(d.primaryHeight)));
        QCOMPARE(text.contains("Virtual Screen"), d.monitorCount > 1);
        QVERIFY(text.contains("\r\n  Physical Memory: "));
        QVERIFY(text.contains("\r\n  File System of Volume "));
        QVERIFY(!text.endsWith("\r\n"));
        for (const QString& line : text.split("\r\n")) QVERIFY2(line.startsWith("  "), qPrintable(line));
    }
};

QTEST_MAIN(DisplayFactsTest)
#include "displayfacts_test.moc"

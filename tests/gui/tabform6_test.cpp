// The Support page on real widgets under the test's X server: the report as
// the page shows it for stored settings (the system part of this machine,
// the settings part read from the key on every showing), Copy to Clipboard
// through the X clipboard, Email Author, and the report after OK in the
// dialog's next opening.
#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QUrlQuery>

#include "config/configuration.h"
#include "config/productinfo.h"
#include "config/tabform6.h"
#include "config/tabform7.h"
#include "framework/WTabControl.h"
#include "settings/supportreport.h"
#include "tests/gui/dialogtestenv.h"

using namespace orvanta;
using test::DialogHome;

namespace {

struct Page {
    std::vector<QUrl> opened;
    TabForm6 form{[this](const QUrl& url) { return opened.push_back(url), true; }};

    Page() {
        form.resize(form.requiredSize());
        form.show();
    }
    QPlainTextEdit* report() { return form.get<QPlainTextEdit>("textb_1"); }
    QStringList lines() { return report()->toPlainText().split('\n'); }
    // Hides and shows the page again, as switching tabs does.
    void showAgain() {
        form.hide();
        form.show();
    }
};

// The report as it is shown: lines separated by line feeds.
QString shown(const std::string& report) { return QString::fromStdString(report).replace("\r\n", "\n"); }

}  // namespace

class TabForm6Test : public QObject {
    Q_OBJECT

private slots:
    void theReportShowsTheSystemAndTheSettingsSavedLast() {
        DialogHome home;
        test::storeValues({{"Duration", "20"},
                           {"Count", "3"},
                           {"ImageDir0", "/a"},
                           {"DirSet0", "1"},
                           {"ImageDir1", "/b"},
                           {"DirSet1", "0"},
                           {"ImageDir2", "/c"},
                           {"DirSet2", "1"},
                           {"AutoSubDir", "0"},
                           {"Captions", "0"},
                           {"CaptionDate", "1"},
                           {"CaptionFullPath", "1"},
                           {"Stretch", "0"},
                           {"Proportional", "0"},
                           {"Shrink", "1"}});
        Page page;
        const QStringList lines = page.lines();
        QCOMPARE(page.report()->toPlainText(), shown(supportReportText(page.form.systemPart())));
        QCOMPARE(lines.front(), QString("  Orvanta 4.9 (September 1, 2018)"));
        // One monitor under the test's X server: no virtual screen.
        QVERIFY(lines.contains("  Number of Monitors: 1"));
        QVERIFY(lines.filter("Virtual Screen").isEmpty());
        QVERIFY(lines.contains("---- Last Saved Settings ----"));
        QVERIFY(lines.contains("  Picture Disply Duration: 20"));
        QVERIFY(lines.contains("  Directories In List: 3"));
        QVERIFY(lines.contains("  Directories Selected: 2"));
        QVERIFY(lines.contains("  Auto-add Subdirectories: No"));
        QVERIFY(lines.contains("  Picture Stretch: Shrink Only"));
        QVERIFY(lines.filter("Picture Stretch: None").isEmpty());
        QVERIFY(lines.contains("  Captions: Off"));
        QVERIFY(lines.filter("Caption Date").isEmpty());
        QVERIFY(lines.filter("Caption Full Path").isEmpty());
        // The page is read-only and scrolls down, not sideways.
        QVERIFY(page.report()->isReadOnly());
        QCOMPARE(page.report()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

        // Every showing reads the key again; the system part stays as gathered.
        const std::string system = page.form.systemPart();
        test::storeValues({{"Captions", "1"}, {"Duration", "7"}});
        page.showAgain();
        QCOMPARE(page.form.systemPart(), system);
        QVERIFY(page.lines().contains("  Picture Disply Duration: 7"));
        QVERIFY(page.lines().contains("  Captions: On"));
        QVERIFY(page.lines().contains("  Caption Date: Yes"));
        QVERIFY(page.lines().contains("  Caption Full Path: Yes"));
    }

    void withoutSavedSettingsOnlyTheHeadingFollows() {
        DialogHome home;
        Page page;
        QCOMPARE(page.report()->toPlainText(), shown(page.form.systemPart() + "\r\n---- Last Saved Settings ----"));
    }

    void copyToClipboardCopiesTheWholeReport() {
        DialogHome home;
        test::storeValues({{"MusicOption", "1"}, {"NumMusicDirs", "2"}, {"MusicDirSet0", "1"}, {"MusicDirSet1", "0"}});
        Page page;
        QGuiApplication::clipboard()->setText("something else");
        QTest::mouseClick(page.form.get<QPushButton>("cb_1"), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), page.report()->toPlainText());
        QVERIFY(QGuiApplication::clipboard()->text().endsWith("  Music Directories Selected: 1"));
        QVERIFY(!page.report()->textCursor().hasSelection());  // the selection is gone again
    }

    void emailAuthorWritesTheReportToTheSupportAddress() {
        DialogHome home;
        // A stored text with the characters that mean something in an address.
        test::storeValues({{"Duration", "15 & body=x#?+%"}});
        Page page;
        QTest::mouseClick(page.form.get<QPushButton>("cb_2"), Qt::LeftButton);
        QCOMPARE(page.opened.size(), 1u);
        const QUrl mail = page.opened.front();
        QCOMPARE(mail.scheme(), QString("mailto"));
        QCOMPARE(mail.path(), QString::fromLatin1(kSupportEmail));
        const QString body = QUrlQuery(mail).queryItemValue("body", QUrl::FullyDecoded);
        QCOMPARE(body, QString::fromStdString(supportReportText(page.form.systemPart())));
        QVERIFY(body.contains("\r\n  Picture Disply Duration: 15 & body=x#?+%"));
    }

    void theNextOpeningShowsWhatOkSaved() {
        DialogHome home;
        {
            Configuration dialog;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.tabControl()->setCurrentIndex(5);
            QVERIFY(dialog.page(5)->get<QPlainTextEdit>("textb_1")->toPlainText().contains("  Music Option: No Music"));
            dialog.tabControl()->setCurrentIndex(3);
            QTest::mouseClick(dialog.page(3)->get<QRadioButton>("optb_Music"), Qt::LeftButton);
            // What the pages show is not what was saved: the report still says no music.
            dialog.tabControl()->setCurrentIndex(5);
            QVERIFY(dialog.page(5)->get<QPlainTextEdit>("textb_1")->toPlainText().contains("  Music Option: No Music"));
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
        }
        Configuration dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.tabControl()->setCurrentIndex(5);
        const QString report = dialog.page(5)->get<QPlainTextEdit>("textb_1")->toPlainText();
        QVERIFY(
            report.contains("\n  Music Option: Music Directories\n  Music Directories In List: 0\n"
                            "  Music Directories Selected: 0"));
    }
};

QTEST_MAIN(TabForm6Test)
#include "tabform6_test.moc"

// The Picture Settings page on real widgets: what loading shows, the
// enable/disable chains, the stretch-mode codes posted, the duration as
// typed, the background colour chooser, and what OK takes.
#include <QColorDialog>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "config/pagemessage.h"
#include "config/stretchmode.h"
#include "config/tabform1.h"
#include "framework/WControls.h"
#include "tests/gui/dialogtestenv.h"

using namespace orvanta;

namespace {

// Receives the page's posted messages, as the dialog does, and keeps the
// codes of the stretch modes they carry.
class Owner : public QObject {
public:
    std::vector<int> codes;
    bool event(QEvent* event) override {
        if (event->type() != PageMessageEvent::eventType()) return QObject::event(event);
        codes.push_back(stretchModeCode(static_cast<PageMessageEvent*>(event)->message.stretchMode));
        return true;
    }
    std::vector<int> take() {
        QCoreApplication::sendPostedEvents(this);
        return std::exchange(codes, {});
    }
};

struct Page {
    TabForm1 form;
    Owner owner;
    explicit Page(const Settings& settings = {}) {
        form.setOwnerForm(&owner);
        form.loadSettings(settings);
        form.show();
    }
    QRadioButton* radio(const char* name) { return form.get<QRadioButton>(name); }
    WCheckBox* check(const char* name) { return form.get<WCheckBox>(name); }
    QComboBox* combo(const char* name) { return form.get<QComboBox>(name); }
    void click(const char* name) { QTest::mouseClick(form.get<QAbstractButton>(name), Qt::LeftButton); }
    Settings collected() {
        Settings s;
        form.collectSettings(s);
        return s;
    }
};

}  // namespace

class TabForm1Test : public QObject {
    Q_OBJECT

private slots:
    void loadingShowsTheSettingsAndPostsTheirCode_data() {
        QTest::addColumn<int>("flags");  // 1 Stretch, 2 Proportional, 4 Shrink, 8 Tiled, 16 RanLocDisp
        QTest::addColumn<int>("propLimit");
        QTest::addColumn<QString>("checked");
        QTest::addColumn<QString>("placement");
        QTest::addColumn<bool>("placementEnabled");
        QTest::addColumn<bool>("limitEnabled");
        QTest::addColumn<int>("code");
        QTest::newRow("full screen") << 1 << 0 << "FullOption"
                                     << "CenterOption" << false << false << 1;
        QTest::newRow("proportional 3 X") << 2 << 3 << "ProportOption"
                                          << "CenterOption" << false << true << 5;
        QTest::newRow("shrink, tiled") << (4 | 8) << 0 << "ShrinkOption"
                                       << "TileOption" << true << false << 310;
        QTest::newRow("shrink, random place") << (4 | 16) << 0 << "ShrinkOption"
                                              << "RanLocOption" << true << false << 30;
        QTest::newRow("none, tiled and random") << (8 | 16) << 0 << "NoneOption"
                                                << "TileOption" << true << false << 410;
        QTest::newRow("none, centred") << 0 << 0 << "NoneOption"
                                       << "CenterOption" << true << false << 40;
        QTest::newRow("limit out of range") << 2 << 9 << "ProportOption"
                                            << "CenterOption" << false << true << 2;
    }
    void loadingShowsTheSettingsAndPostsTheirCode() {
        QFETCH(int, flags);
        QFETCH(int, propLimit);
        QFETCH(QString, checked);
        QFETCH(QString, placement);
        QFETCH(bool, placementEnabled);
        QFETCH(bool, limitEnabled);
        QFETCH(int, code);
        Settings s;
        s.Stretch = flags & 1;
        s.Proportional = flags & 2;
        s.Shrink = flags & 4;
        s.Tiled = flags & 8;
        s.RanLocDisp = flags & 16;
        s.PropLimit = propLimit;
        Page page(s);
        QVERIFY(page.radio(checked.toLatin1())->isChecked());
        QVERIFY(page.radio(placement.toLatin1())->isChecked());
        for (const char* name : {"TileOption", "RanLocOption", "CenterOption"})
            QCOMPARE(page.radio(name)->isEnabled(), placementEnabled);
        QCOMPARE(page.combo("ProportCombo")->isEnabled(), limitEnabled);
        QCOMPARE(page.combo("ProportCombo")->currentIndex(), propLimit <= 5 ? propLimit : 0);
        QCOMPARE(page.owner.take(), std::vector<int>{code});
        QCOMPARE(page.form.currentStretchCode(), code);
    }

    void theSequenceOptionsLoadWithAlphabeticalWhenNoneIsSet() {
        Settings s;
        s.Randomize = s.AlphaSort = s.DateSort = false;
        s.AlphaMemory = true;
        Page page(s);
        QVERIFY(page.radio("AlphaOption")->isChecked());
        QVERIFY(page.check("RememberCheck")->isEnabled());
        QVERIFY(!page.check("NewestDateCheck")->isEnabled());

        s.DateSort = true;
        Page byDate(s);
        QVERIFY(byDate.radio("DateOption")->isChecked());
        QVERIFY(byDate.check("NewestDateCheck")->isEnabled());

        s.Randomize = true;
        Page random(s);
        QVERIFY(random.radio("RandomOption")->isChecked());
        QVERIFY(!random.check("RememberCheck")->isEnabled());
        QVERIFY(!random.check("NewestDateCheck")->isEnabled());
    }

    void stretchingChoicesGreyAndRestoreThePlacementOptions() {
        Settings s;
        s.Proportional = false;
        s.Shrink = true;
        s.Tiled = true;
        Page page(s);
        page.owner.take();
        page.click("FullOption");
        for (const char* name : {"TileOption", "RanLocOption", "CenterOption", "ProportCombo"})
            QVERIFY2(!page.form.control(name)->isEnabled(), name);
        QVERIFY(page.radio("TileOption")->isChecked());  // greyed, not cleared
        QCOMPARE(page.owner.take(), std::vector<int>{kStretchFull});

        page.click("ShrinkOption");
        for (const char* name : {"TileOption", "RanLocOption", "CenterOption"})
            QVERIFY(page.form.control(name)->isEnabled());
        QVERIFY(!page.combo("ProportCombo")->isEnabled());
        QVERIFY(page.radio("TileOption")->isChecked());
        QCOMPARE(page.owner.take(), std::vector<int>{kStretchShrinkTiled});

        page.click("ProportOption");
        QVERIFY(page.combo("ProportCombo")->isEnabled());
        QVERIFY(!page.radio("TileOption")->isEnabled());
        QCOMPARE(page.owner.take(), std::vector<int>{kStretchProportional});

        page.click("NoneOption");
        QCOMPARE(page.owner.take(), std::vector<int>{kStretchNoneTiled});
        page.click("CenterOption");
        QCOMPARE(page.owner.take(), std::vector<int>{kStretchNone});
        page.click("TileOption");
        QCOMPARE(page.owner.take(), std::vector<int>{kStretchNoneTiled});
        page.click("ShrinkOption");
        page.click("TileOption");
        QCOMPARE(page.owner.take(), (std::vector<int>{kStretchShrinkTiled, kStretchShrinkTiled}));
    }

    void choosingALimitPostsItsCode() {
        Page page;  // proportional, "Screen"
        page.owner.take();
        QComboBox* limit = page.combo("ProportCombo");
        limit->setFocus();
        QTest::keyClick(limit, Qt::Key_Down);  // "1.5 X"
        QTest::keyClick(limit, Qt::Key_Down);  // "2 X"
        QTest::keyClick(limit, Qt::Key_Down);  // "3 X"
        QCOMPARE(limit->currentText(), QString("3 X"));
        QCOMPARE(page.owner.take(), (std::vector<int>{3, 4, 5}));
        QCOMPARE(page.collected().PropLimit, 3);
    }

    void randomOrderGreysTheOtherChecksButKeepsAndSavesThem() {
        Settings s;
        s.Randomize = false;
        s.DateSort = true;
        s.DateRevSort = true;
        s.AlphaMemory = true;
        Page page(s);
        page.click("RandomOption");
        QVERIFY(!page.check("RememberCheck")->isEnabled());
        QVERIFY(!page.check("NewestDateCheck")->isEnabled());
        const Settings saved = page.collected();
        QVERIFY(saved.Randomize && !saved.DateSort && !saved.AlphaSort);
        QVERIFY(saved.DateRevSort && saved.AlphaMemory);

        page.click("AlphaOption");
        QVERIFY(page.check("RememberCheck")->isEnabled());
        QVERIFY(!page.check("NewestDateCheck")->isEnabled());
        page.click("DateOption");
        QVERIFY(page.check("NewestDateCheck")->isEnabled());
        // A greyed check box ignores clicks.
        page.click("RandomOption");
        page.click("RememberCheck");
        QVERIFY(page.check("RememberCheck")->isChecked());
    }

    void theDurationIsReadLikeAStoredInteger() {
        Page page;
        QComboBox* duration = page.combo("combo_1");
        QCOMPARE(duration->currentText(), QString("20"));
        duration->clearEditText();
        duration->setFocus();
        QTest::keyClicks(duration, "ab");
        QCOMPARE(page.form.duration(), 0);
        duration->setEditText(" 12abc");
        QCOMPARE(page.form.duration(), 12);
        duration->setEditText("-5");
        QCOMPARE(page.form.duration(), 1);
        duration->setCurrentIndex(duration->findText("180"));
        QCOMPARE(page.collected().Duration, 180);
        QCOMPARE(duration->count(), 18);
    }

    void everySwitchIsTakenOnOk() {
        Settings s;
        s.Splash = true;
        s.WallpaperLast = true;
        s.IgnoreMouse = false;
        s.BackColor = {1, 2, 3};
        Page page(s);
        page.click("SplashCheck");
        page.click("IgnoreMouseCheck");
        const Settings saved = page.collected();
        QVERIFY(!saved.Splash);
        QVERIFY(saved.WallpaperLast);
        QVERIFY(saved.IgnoreMouse);
        QCOMPARE(saved.BackColor, (Rgb{1, 2, 3}));
        QVERIFY(saved.Proportional && !saved.Stretch && !saved.Shrink);
    }

    void theColourChooserStartsFromTheBackgroundAndGreys() {
        Settings s;
        s.BackColor = {10, 20, 30};
        Page page(s);
        QString title;
        QColor initial;
        std::vector<int> greys;
        auto answer = [&](QColorDialog* dialog) {
            title = dialog->windowTitle();
            initial = dialog->currentColor();
            for (int i = 0; i < 16; ++i) greys.push_back(QColorDialog::customColor(i).red());
            dialog->setCurrentColor(QColor(200, 100, 50));
            dialog->accept();
        };
        test::answerNextModal<QColorDialog>(answer);
        page.click("BackButton");
        QCOMPARE(title, QString("Select Background Color"));
        QCOMPARE(initial, QColor(10, 20, 30));
        QCOMPARE(greys, (std::vector<int>{255, 239, 223, 207, 191, 175, 159, 143, 127, 111, 95, 79, 63, 47, 31, 15}));
        QCOMPARE(page.form.backColor(), (Rgb{200, 100, 50}));

        test::answerNextModal<QColorDialog>([](QColorDialog* dialog) {
            dialog->setCurrentColor(Qt::white);
            dialog->reject();
        });
        page.click("BackButton");
        QCOMPARE(page.collected().BackColor, (Rgb{200, 100, 50}));
    }
};

QTEST_MAIN(TabForm1Test)
#include "tabform1_test.moc"

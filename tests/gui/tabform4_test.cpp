// The Effects/Overlays page on real widgets: the effect list and its
// toggles, the enable chains of the three "on" check boxes, the speed
// slider, the font and colour choosers, and, through the whole dialog, what
// OK stores and what the next opening shows.
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <map>
#include <tuple>
#include <vector>

#include "config/configuration.h"
#include "config/tabform1.h"
#include "config/tabform4.h"
#include "framework/WControls.h"
#include "framework/WTabControl.h"
#include "show/overlays/fontconversion.h"
#include "show/transitions/transitiontable.h"
#include "tests/gui/dialogtestenv.h"

using namespace orvanta;
using test::DialogHome;

namespace {

struct Page {
    TabForm4 form;
    explicit Page(const Settings& settings = {}, int transitionCount = kTransitionCount) : form(transitionCount) {
        form.loadSettings(settings);
        form.show();
    }
    WCheckBox* check(const char* name) { return form.get<WCheckBox>(name); }
    QWidget* control(const char* name) { return form.control(name); }
    WListView* list() { return form.get<WListView>("lv_1"); }
    QSlider* slider() { return form.get<QSlider>("slider_1"); }
    void click(const char* name) { QTest::mouseClick(form.get<QAbstractButton>(name), Qt::LeftButton); }
    // A left click on effect list item `index`, as the mouse gives it.
    void clickItem(int index) {
        WListView* view = list();
        view->scrollToItem(view->topLevelItem(index));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualItemRect(view->topLevelItem(index)).center());
    }
    std::string switches() {
        std::string digits;
        for (int i = 0; i < list()->count(); ++i) digits += char('0' + form.effectSwitch(i));
        return digits;
    }
    Settings collected(Settings s = {}) {
        form.collectSettings(s);
        return s;
    }
};

std::string transitionString(const Settings& s, int count = kTransitionCount) {
    std::string digits;
    for (int i = 0; i < count; ++i) digits += char('0' + s.transitions[static_cast<std::size_t>(i)]);
    return digits;
}

const char* const kTransitionControls[] = {"slider_1", "lv_1", "cb_SelectAll", "cb_UnselectAll"};
const char* const kMessageControls[] = {"textb_1", "combo_2", "FontButton", "ColorButton"};
const char* const kCaptionControls[] = {"combo_4",    "capFontButton",  "capColorButton",
                                        "checkbox_3", "fullPathChkBox", "checkTrans"};

// The Effects/Overlays page of an open dialog.
TabForm4* effectsPage(Configuration& dialog) {
    dialog.tabControl()->setCurrentIndex(2);
    return dynamic_cast<TabForm4*>(dialog.page(2));
}

}  // namespace

class TabForm4Test : public QObject {
    Q_OBJECT

private slots:
    void theListNamesTheEffectsInTableOrderWithALeadingBlank_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("blending available") << 35;
        QTest::newRow("no blending") << 34;
    }
    void theListNamesTheEffectsInTableOrderWithALeadingBlank() {
        QFETCH(int, count);
        Page page(Settings{}, count);
        WListView* list = page.list();
        QCOMPARE(list->count(), count);
        QCOMPARE(page.form.listedEffects(), count);
        for (int i = 0; i < count; ++i) {
            QCOMPARE(list->text(i), QString(" ") + transitionTable()[static_cast<std::size_t>(i)].name);
            QCOMPARE(page.form.effectSwitch(i), 1);
            QVERIFY(!list->topLevelItem(i)->icon(0).isNull());
        }
        QCOMPARE(list->text(count - 1), count == 35 ? QString(" Image Blending") : QString(" Zoom Out"));
        QCOMPARE(list->selectedIndex(), 0);
        QCOMPARE(list->headerItem()->text(0), QString("Transition Effects"));
        QVERIFY(list->header()->isHidden());
        int widest = 0;
        for (int i = 0; i < count; ++i) widest = std::max(widest, list->fontMetrics().horizontalAdvance(list->text(i)));
        QVERIFY(list->columnWidth(0) >= widest + 16 + 50);
        // The two icons differ: off and on can be told apart.
        const QImage off = list->topLevelItem(0)->icon(0).pixmap(16).toImage();
        page.form.toggleEffect(0);
        QVERIFY(list->topLevelItem(0)->icon(0).pixmap(16).toImage() != off);
    }

    void loadingShowsTheStoredSwitchesAndValues() {
        Settings s;
        std::string pattern = "10110011100011110000111110000011111";
        for (int i = 0; i < 35; ++i)
            s.transitions[static_cast<std::size_t>(i)] = pattern[static_cast<std::size_t>(i)] - '0';
        s.transitions[3] = 7;  // any non-zero digit is "on"
        s.Delay = 4;
        s.Message = true;
        s.MsgText = "Tom & Jerry";
        s.MsgPlace = 9;
        s.Captions = true;
        s.CaptionPlace = 2;
        s.CaptionDate = true;
        s.CaptionFullPath = true;
        s.CaptionTrans = false;
        Page page(s);
        pattern[3] = '1';
        QCOMPARE(page.switches(), pattern);
        QCOMPARE(page.slider()->value(), 16);
        QCOMPARE(page.form.get<QLineEdit>("textb_1")->text(), QString("Tom & Jerry"));
        QCOMPARE(page.form.get<QComboBox>("combo_2")->currentText(), QString("Bottom Right"));
        QCOMPARE(page.form.get<QComboBox>("combo_4")->currentText(), QString("Top Right"));
        QVERIFY(page.check("checkbox_3")->isChecked() && page.check("fullPathChkBox")->isChecked());
        QVERIFY(!page.check("checkTrans")->isChecked());

        // What is loaded comes back unchanged.
        const Settings back = page.collected();
        QCOMPARE(transitionString(back), pattern);
        QCOMPARE(back.Delay, 4);
        QCOMPARE(back.MsgText, std::string("Tom & Jerry"));
        QCOMPARE(back.MsgPlace, 9);
        QCOMPARE(back.CaptionPlace, 2);
        QVERIFY(back.Effects && back.Message && back.Captions && back.CaptionDate && back.CaptionFullPath);
        QVERIFY(!back.CaptionTrans);
        QCOMPARE(back.TextFont.toString(), std::string("14.Times New Roman.Bold"));
    }

    void loadingEnablesTheControlsAsTheCheckBoxesSay() {
        for (int flags = 0; flags < 16; ++flags) {
            Settings s;
            s.Effects = flags & 1;
            s.Message = flags & 2;
            s.Captions = flags & 4;
            s.CaptionTrans = flags & 8;
            Page page(s);
            const QString row = QString("flags %1").arg(flags);
            for (const char* name : kTransitionControls)
                QVERIFY2(page.control(name)->isEnabled() == s.Effects, qPrintable(row + " " + name));
            for (const char* name : kMessageControls)
                QVERIFY2(page.control(name)->isEnabled() == s.Message, qPrintable(row + " " + name));
            for (const char* name : kCaptionControls)
                QVERIFY2(page.control(name)->isEnabled() == s.Captions, qPrintable(row + " " + name));
            QVERIFY2(page.control("capBackButton")->isEnabled() == (s.Captions && !s.CaptionTrans), qPrintable(row));
            // The check boxes themselves and the labels stay usable.
            for (const char* name : {"checkbox_1", "checkbox_2", "checkbox_8", "label_3", "label_5"})
                QVERIFY2(page.control(name)->isEnabled(), qPrintable(row + " " + name));
        }
    }

    void theOnCheckBoxesGreyAndRestoreTheirControls() {
        Settings s;
        s.Effects = true;
        s.Message = false;
        s.Captions = false;
        s.CaptionTrans = true;
        Page page(s);
        page.click("checkbox_1");
        for (const char* name : kTransitionControls) QVERIFY2(!page.control(name)->isEnabled(), name);
        page.click("checkbox_1");
        for (const char* name : kTransitionControls) QVERIFY2(page.control(name)->isEnabled(), name);

        page.click("checkbox_2");
        for (const char* name : kMessageControls) QVERIFY2(page.control(name)->isEnabled(), name);
        page.click("checkbox_2");
        for (const char* name : kMessageControls) QVERIFY2(!page.control(name)->isEnabled(), name);

        // Captions on: all but the background colour, which "Transparent" greys.
        page.click("checkbox_8");
        for (const char* name : kCaptionControls) QVERIFY2(page.control(name)->isEnabled(), name);
        QVERIFY(!page.control("capBackButton")->isEnabled());
        page.click("checkTrans");
        QVERIFY(page.control("capBackButton")->isEnabled());
        page.click("checkTrans");
        QVERIFY(!page.control("capBackButton")->isEnabled());
        page.click("checkTrans");
        // Captions off greys all seven; on again brings the background back
        // only while "Transparent" is unchecked.
        page.click("checkbox_8");
        for (const char* name : kCaptionControls) QVERIFY2(!page.control(name)->isEnabled(), name);
        QVERIFY(!page.control("capBackButton")->isEnabled());
        page.click("checkbox_8");
        QVERIFY(page.control("capBackButton")->isEnabled());
        page.click("checkTrans");
        page.click("checkbox_8");
        page.click("checkbox_8");
        QVERIFY(!page.control("capBackButton")->isEnabled());
        // A greyed control keeps its state and is still taken on OK.
        page.click("checkbox_8");
        const Settings saved = page.collected();
        QVERIFY(!saved.Captions && saved.CaptionTrans);
    }

    void clicksToggleTheClickedEffect() {
        Page page;
        QVERIFY(QTest::qWaitForWindowExposed(&page.form));
        page.clickItem(3);
        QCOMPARE(page.form.effectSwitch(3), 0);
        QCOMPARE(page.list()->selectedIndex(), 3);
        page.clickItem(3);
        QCOMPARE(page.form.effectSwitch(3), 1);
        page.clickItem(34);  // scrolled into view first
        QCOMPARE(page.switches(), std::string(34, '1') + "0");

        // A double click from the window system is a click and then a
        // double click: each toggles, as every click of the mouse does.
        WListView* list = page.list();
        list->scrollToItem(list->topLevelItem(5));
        const QPoint inWindow = list->viewport()->mapTo(list->window(),
                                                        list->visualItemRect(list->topLevelItem(5)).center());
        int clicks = 0;
        QObject::connect(list, &QTreeWidget::itemClicked, &page.form, [&] { ++clicks; });
        QTest::mouseDClick(list->window()->windowHandle(), Qt::LeftButton, {}, inWindow);
        QCOMPARE(clicks, 1);  // the click toggled it off, the double click on again
        QCOMPARE(page.form.effectSwitch(5), 1);
        QTest::mouseClick(list->window()->windowHandle(), Qt::LeftButton, {}, inWindow);
        QCOMPARE(page.form.effectSwitch(5), 0);
        // The double-click event alone toggles the item it names.
        list->DoubleClickEvent.raise(5);
        QCOMPARE(page.form.effectSwitch(5), 1);
        // The space bar toggles the current item.
        list->selectItem(7);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(page.switches(), std::string(7, '1') + "0" + std::string(26, '1') + "0");
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(page.form.effectSwitch(7), 1);
    }

    void selectAllAndUnselectAllSwitchEveryEffect() {
        Page page;
        page.click("cb_UnselectAll");
        QCOMPARE(page.switches(), std::string(35, '0'));
        page.clickItem(0);
        page.click("cb_SelectAll");
        QCOMPARE(page.switches(), std::string(35, '1'));
        // Greyed with the transitions off: the list and the buttons ignore the mouse.
        page.click("checkbox_1");
        page.click("cb_UnselectAll");
        page.clickItem(2);
        QCOMPARE(page.switches(), std::string(35, '1'));
    }

    void noEffectOnMeansTransitionsOff() {
        Page page;
        page.click("cb_UnselectAll");
        Settings saved = page.collected();
        QVERIFY(page.check("checkbox_1")->isChecked());
        QVERIFY(!saved.Effects);
        QCOMPARE(transitionString(saved), std::string(35, '0'));
        page.clickItem(20);
        saved = page.collected();
        QVERIFY(saved.Effects);
        QCOMPARE(transitionString(saved), std::string(20, '0') + "1" + std::string(14, '0'));
        // Unchecked stays off whatever the list holds.
        page.click("checkbox_1");
        QVERIFY(!page.collected().Effects);
    }

    void theSliderSetsTheDelayFromItsEnds() {
        Page page;
        QSlider* slider = page.slider();
        QCOMPARE(slider->minimum(), 0);
        QCOMPARE(slider->maximum(), 20);
        QCOMPARE(slider->pageStep(), 1);
        QCOMPARE(slider->tickInterval(), 1);
        QCOMPARE(page.collected().Delay, 10);
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_End);  // far right: faster
        QCOMPARE(page.collected().Delay, 0);
        QTest::keyClick(slider, Qt::Key_Home);  // far left: slower
        QCOMPARE(page.collected().Delay, 20);
        QTest::keyClick(slider, Qt::Key_PageUp);
        QTest::keyClick(slider, Qt::Key_Right);
        QCOMPARE(page.collected().Delay, 18);
        // A stored delay out of range shows at the slider's end.
        Settings s;
        s.Delay = 99;
        Page slow(s);
        QCOMPARE(slow.slider()->value(), 0);
    }

    void positionsOutsideTheListsAreKept() {
        Settings s;
        s.MsgPlace = 12;
        s.CaptionPlace = -3;
        Page page(s);
        QCOMPARE(page.form.get<QComboBox>("combo_2")->currentIndex(), -1);
        Settings saved = page.collected(s);
        QCOMPARE(saved.MsgPlace, 12);
        QCOMPARE(saved.CaptionPlace, -3);
        page.form.get<QComboBox>("combo_2")->setCurrentIndex(0);
        saved = page.collected(s);
        QCOMPARE(saved.MsgPlace, 0);
    }

    void theFontChoosersHaveTheirTitlesAndKeepAnUnchangedFace() {
        Settings s;
        s.Message = true;
        s.Captions = true;
        s.CaptionFont = FontDescription::parse("11.Liberation Sans");
        Page page(s);
        QString title;
        QFont initial;
        test::answerNextModal<QFontDialog>([&](QFontDialog* dialog) {
            title = dialog->windowTitle();
            initial = dialog->currentFont();
            dialog->accept();  // OK on the font it opened with
        });
        page.click("FontButton");
        QCOMPARE(title, QString("Select Text Font"));
        QCOMPARE(initial.family(), QFontInfo(toQFont(FontDescription::parse("14.Times New Roman.Bold"))).family());
        QCOMPARE(initial.pointSize(), 14);
        QCOMPARE(initial.weight(), QFont::Bold);
        QCOMPARE(page.form.textFont().toString(), std::string("14.Times New Roman.Bold"));

        test::answerNextModal<QFontDialog>([&](QFontDialog* dialog) {
            title = dialog->windowTitle();
            initial = dialog->currentFont();
            QFont chosen("Liberation Serif");
            chosen.setPointSize(20);
            chosen.setItalic(true);
            dialog->setCurrentFont(chosen);
            dialog->accept();
        });
        page.click("capFontButton");
        QCOMPARE(title, QString("Select Caption Font"));
        QCOMPARE(initial.family(), QString("Liberation Sans"));
        QCOMPARE(initial.pointSize(), 11);
        QCOMPARE(page.form.captionFont().toString(), std::string("20.Liberation Serif.Italic"));

        test::answerNextModal<QFontDialog>([](QFontDialog* dialog) {
            dialog->setCurrentFont(QFont("Liberation Mono", 30));
            dialog->reject();
        });
        page.click("capFontButton");
        const Settings saved = page.collected();
        QCOMPARE(saved.CaptionFont.toString(), std::string("20.Liberation Serif.Italic"));
        QCOMPARE(saved.TextFont.toString(), std::string("14.Times New Roman.Bold"));
    }

    void theColourChoosersHaveTheirTitlesAndShareTheirCustomColours() {
        Settings s;
        s.Message = true;
        s.Captions = true;
        s.CaptionTrans = false;
        s.TextColor = {1, 2, 3};
        s.CaptionColor = {4, 5, 6};
        s.CaptionBackColor = {7, 8, 9};
        Page page(s);
        struct Seen {
            QString title;
            QColor initial;
            QColor firstCustom;
        };
        std::vector<Seen> seen;
        auto answer = [&](QColor pick, bool ok, bool addCustom) {
            test::answerNextModal<QColorDialog>([&seen, pick, ok, addCustom](QColorDialog* dialog) {
                seen.push_back({dialog->windowTitle(), dialog->currentColor(), QColorDialog::customColor(0)});
                if (addCustom) QColorDialog::setCustomColor(0, QColor(10, 200, 30));
                dialog->setCurrentColor(pick);
                ok ? dialog->accept() : dialog->reject();
            });
        };
        answer(QColor(200, 0, 0), true, true);
        page.click("ColorButton");
        answer(QColor(0, 200, 0), true, false);
        page.click("capColorButton");
        // Another page's chooser resets the shared custom colours meanwhile.
        QColorDialog::setCustomColor(0, Qt::black);
        answer(QColor(0, 0, 200), false, false);
        page.click("capBackButton");
        QCOMPARE(seen.size(), std::size_t(3));
        QCOMPARE(seen[0].title, QString("Select Text Color"));
        QCOMPARE(seen[1].title, QString("Select Caption Color"));
        QCOMPARE(seen[2].title, QString("Caption Background Color"));
        QCOMPARE(seen[0].initial, QColor(1, 2, 3));
        QCOMPARE(seen[1].initial, QColor(4, 5, 6));
        QCOMPARE(seen[2].initial, QColor(7, 8, 9));
        QCOMPARE(seen[0].firstCustom, QColor(255, 255, 255));  // the greys to start with
        QCOMPARE(seen[1].firstCustom, QColor(10, 200, 30));    // what the user made in the first
        QCOMPARE(seen[2].firstCustom, QColor(10, 200, 30));
        const Settings saved = page.collected();
        QCOMPARE(saved.TextColor, (Rgb{200, 0, 0}));
        QCOMPARE(saved.CaptionColor, (Rgb{0, 200, 0}));
        QCOMPARE(saved.CaptionBackColor, (Rgb{7, 8, 9}));  // cancelled
    }

    // Through the dialog: OK stores, and the next opening shows what was stored.
    void noEffectOnIsStoredAsEffectsOffAndShownSoNextTime() {
        DialogHome home;
        {
            Configuration dialog;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            TabForm4* page = effectsPage(dialog);
            QVERIFY(page->get<WCheckBox>("checkbox_1")->isChecked());
            QTest::mouseClick(page->get<QPushButton>("cb_UnselectAll"), Qt::LeftButton);
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        }
        const auto stored = test::storedValues();
        QCOMPARE(stored.at("Effects"), std::string("0"));
        QCOMPARE(stored.at("Transitions"), std::string(35, '0'));
        Configuration again;
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        TabForm4* page = effectsPage(again);
        QVERIFY(!page->get<WCheckBox>("checkbox_1")->isChecked());
        for (const char* name : kTransitionControls) QVERIFY2(!page->control(name)->isEnabled(), name);
        for (int i = 0; i < 35; ++i) QCOMPARE(page->effectSwitch(i), 0);
    }

    void theSliderEndsAndTheTogglesAreStored_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("delay");
        QTest::newRow("far right") << 35 << int(Qt::Key_End) << "0";
        QTest::newRow("far left") << 35 << int(Qt::Key_Home) << "20";
        QTest::newRow("no blending, far right") << 34 << int(Qt::Key_End) << "0";
    }
    void theSliderEndsAndTheTogglesAreStored() {
        QFETCH(int, count);
        QFETCH(int, key);
        QFETCH(QString, delay);
        DialogHome home;
        std::string expected(static_cast<std::size_t>(count), '1');
        {
            ConfigurationOptions options;
            options.transitionCount = count;
            Configuration dialog(options);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            TabForm4* page = effectsPage(dialog);
            auto* slider = page->get<QSlider>("slider_1");
            slider->setFocus();
            QTest::keyClick(slider, Qt::Key(key));
            auto* list = page->get<WListView>("lv_1");
            for (int index : {0, 4, 4, 9, 17, 33}) {
                list->scrollToItem(list->topLevelItem(index));
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualItemRect(list->topLevelItem(index)).center());
                expected[static_cast<std::size_t>(index)] ^= 1;  // '1' <-> '0'
            }
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        }
        const auto stored = test::storedValues();
        QCOMPARE(QString::fromStdString(stored.at("Delay")), delay);
        QCOMPARE(stored.at("Transitions"), expected);
        QCOMPARE(stored.at("Effects"), std::string("1"));
        QCOMPARE(stored.at("TextFont"), std::string("14.Times New Roman.Bold"));
        QCOMPARE(stored.at("MsgText"), std::string("Place your message here..."));

        Configuration again;
        TabForm4* page = effectsPage(again);
        QCOMPARE(page->get<QSlider>("slider_1")->value(), 20 - delay.toInt());
        for (int i = 0; i < count; ++i) QCOMPARE(page->effectSwitch(i), expected[static_cast<std::size_t>(i)] - '0');
    }

    void anUntouchedOkWritesValuesOutsideTheControlsBackAsTheyAreShown() {
        DialogHome home;
        // (stored, written back): each as the show treats it, and shown so.
        const std::vector<std::tuple<std::string, std::string, std::string>> rows{{"MsgPlace", "99", "1"},
                                                                                  {"CaptionPlace", "-4", "3"},
                                                                                  {"Duration", "-5", "1"},
                                                                                  {"PropLimit", "9", "0"},
                                                                                  {"Delay", "40", "20"},
                                                                                  {"TextFont", ".",
                                                                                   "14.Times New Roman.Bold"},
                                                                                  {"CaptionFont", "-5.Arial",
                                                                                   "14.Arial"}};
        std::map<std::string, std::string> stored{{"Message", "1"}, {"Captions", "1"}};
        for (const auto& [name, value, written] : rows) stored[name] = value;
        test::storeValues(stored);
        {
            Configuration dialog;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            TabForm4* page = effectsPage(dialog);
            QCOMPARE(page->get<QComboBox>("combo_2")->currentIndex(), 1);
            QCOMPARE(page->get<QComboBox>("combo_4")->currentIndex(), 3);
            QCOMPARE(dialog.tabForm1()->get<QComboBox>("combo_1")->currentText(), QString("1"));
            QString family;
            test::answerNextModal<QFontDialog>([&](QFontDialog* chooser) {
                family = chooser->currentFont().family();
                chooser->accept();  // OK on the font it opened with
            });
            QTest::mouseClick(page->get<QPushButton>("FontButton"), Qt::LeftButton);
            QCOMPARE(family, QFontInfo(toQFont(FontDescription::parse("14.Times New Roman.Bold"))).family());
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        }
        const auto values = test::storedValues();
        for (const auto& [name, value, written] : rows) QCOMPARE(values.at(name), written);
    }

    void messageAndCaptionSettingsAreStored() {
        DialogHome home;
        {
            Configuration dialog;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            TabForm4* page = effectsPage(dialog);
            QTest::mouseClick(page->get<WCheckBox>("checkbox_2"), Qt::LeftButton);
            auto* text = page->get<QLineEdit>("textb_1");
            text->selectAll();
            QTest::keyClicks(text, "Happy Birthday");
            page->get<QComboBox>("combo_2")->setCurrentIndex(0);
            QTest::mouseClick(page->get<WCheckBox>("checkbox_8"), Qt::LeftButton);
            QTest::mouseClick(page->get<WCheckBox>("checkTrans"), Qt::LeftButton);
            QTest::mouseClick(page->get<WCheckBox>("checkbox_3"), Qt::LeftButton);
            page->get<QComboBox>("combo_4")->setCurrentIndex(5);
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        }
        const auto stored = test::storedValues();
        QCOMPARE(stored.at("Message"), std::string("1"));
        QCOMPARE(stored.at("MsgText"), std::string("Happy Birthday"));
        QCOMPARE(stored.at("MsgPlace"), std::string("0"));
        QCOMPARE(stored.at("Captions"), std::string("1"));
        QCOMPARE(stored.at("CaptionTrans"), std::string("0"));
        QCOMPARE(stored.at("CaptionDate"), std::string("1"));
        QCOMPARE(stored.at("CaptionFullPath"), std::string("0"));
        QCOMPARE(stored.at("CaptionPlace"), std::string("5"));
        QCOMPARE(stored.at("CaptionBackColor"), std::string("  0  0  0"));
    }
};

QTEST_MAIN(TabForm4Test)
#include "tabform4_test.moc"

// Forms built from layout tables: the table format, dialog units, radio
// groups, auto and plain check boxes, hidden and disabled controls, the
// multi-row tab control.
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "framework/WControlBinder.h"
#include "framework/WControls.h"
#include "framework/WForm.h"
#include "framework/WTabControl.h"

using namespace orvanta;

namespace {

LayoutTable table(const char* text) {
    std::string error;
    std::optional<LayoutTable> parsed = LayoutTable::parse(text, &error);
    if (!parsed) qFatal("table does not parse: %s", error.c_str());
    return *parsed;
}

const char* const kSample =
    "# a comment\n"
    "font | \"8.MS Sans Serif\"\n"
    "form | Sample | dialog | 0,0 | 200x100 | | \"Sample \\\"form\\\"\"\n"
    "1 | g1     | groupbox     | 5,5   | 90x60 |             | \"Group | with bar\"\n"
    "2 | r1     | autoradio    | 10,15 | 40x12 | group       | \"One\"\n"
    "3 | r2     | autoradio    | 10,30 | 40x12 |             | \"Two\"\n"
    "4 | c1     | autocheckbox | 10,45 | 40x12 | disabled    | \"Auto\"\n"
    "5 | r3     | autoradio    | 100,15| 40x12 | group       | \"Three\"\n"
    "6 | r4     | autoradio    | 100,30| 40x12 |             | \"Four\"\n"
    "7 | c2     | checkbox     | 100,45| 40x12 | hidden      | \"Plain\"\n"
    "8 | combo  | combo        | 100,60| 40x77 | editable    | \"a\" \"b\" \"c\"\n"
    "9 | bold   | label        | 10,80 | 80x8  | font=9.MS Sans Serif.Bold | \"Bold\"\n";

}  // namespace

class FormsTest : public QObject {
    Q_OBJECT

private slots:
    void tablesParseTextsFlagsAndReportBadLines() {
        const LayoutTable t = table(kSample);
        QCOMPARE(t.font, std::string("8.MS Sans Serif"));
        QCOMPARE(t.form.name, std::string("Sample"));
        QCOMPARE(t.form.text(), std::string("Sample \"form\""));
        QCOMPARE(t.controls.size(), std::size_t(9));
        QCOMPARE(t.find("g1")->text(), std::string("Group | with bar"));
        QCOMPARE(t.find("combo")->texts, (std::vector<std::string>{"a", "b", "c"}));
        QVERIFY(t.find("r1")->hasFlag("group"));
        QCOMPARE(t.find("bold")->flagValue("font"), std::string("9.MS Sans Serif.Bold"));
        QCOMPARE(t.find("r3")->x, 100);
        QCOMPARE(t.find("combo")->height, 77);

        std::string error;
        QVERIFY(
            !LayoutTable::parse("form | F | page | 0,0 | 1x1 | | \"\"\n5 | a | label | 1,2 | 3 | | \"x\"\n", &error));
        QVERIFY2(error.find("line 2") != std::string::npos, error.c_str());
        QVERIFY(!LayoutTable::parse("1 | a | label | 1,2 | 3x4 | | \"x\"\n", &error));  // no form row
        QVERIFY(
            !LayoutTable::parse("form | F | page | 0,0 | 1x1 | | \"\"\n1 | a | label | 1,2 | 3x4 | | \"x\n", &error));
        QVERIFY(!LayoutTable::parse(
            "form | F | page | 0,0 | 1x1 | | \"\"\n1 | a | label | 1,2 | 3x4 | | \"x\"\n2 | a | label | 1,2 | 3x4 | | \"y\"\n",
            &error));  // a name used twice
    }

    void dialogUnitsFollowTheFontsAverageWidthAndHeight() {
        const QFont font = formFont("8.MS Sans Serif");
        const QFontMetrics metrics(font);
        const int extent = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        const DialogUnits units = DialogUnits::of(font);
        QCOMPARE(units.baseX, (extent / 26 + 1) / 2);
        QCOMPARE(units.baseY, metrics.height());
        // Rounded to the nearest pixel, as dialogs do.
        QCOMPARE(units.x(4), units.baseX);
        QCOMPARE(units.y(8), units.baseY);
        QCOMPARE(units.x(2), (2 * units.baseX + 2) / 4);
        QCOMPARE(units.y(13), (13 * units.baseY + 4) / 8);

        WForm form(table(kSample));
        QCOMPARE(form.size(), QSize(units.x(200), units.y(100)));
        QCOMPARE(form.control("r3")->geometry(), units.rect(100, 15, 40, 12));
        QCOMPARE(form.windowTitle(), QString("Sample \"form\""));
        // The bold font of one control; the form's font everywhere else.
        QVERIFY(form.control("bold")->font().bold());
        QVERIFY(!form.control("r1")->font().bold());
        QVERIFY(form.control("bold")->font().pointSize() == 9);
    }

    void radioGroupsStartAtGroupFlagsAndAutoControlsToggle() {
        WForm form(table(kSample));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* r1 = form.get<QRadioButton>("r1");
        auto* r2 = form.get<QRadioButton>("r2");
        auto* r3 = form.get<QRadioButton>("r3");
        QCOMPARE(form.radioGroupOf("r1"), form.radioGroupOf("r2"));
        QVERIFY(form.radioGroupOf("r1") != form.radioGroupOf("r3"));
        QTest::mouseClick(r1, Qt::LeftButton);
        QTest::mouseClick(r3, Qt::LeftButton);
        QVERIFY(r1->isChecked() && r3->isChecked());
        QTest::mouseClick(r2, Qt::LeftButton);
        QVERIFY(r2->isChecked() && !r1->isChecked() && r3->isChecked());

        // A plain check box does not toggle itself; an auto one does.
        auto* plain = form.get<WCheckBox>("c2");
        QVERIFY(!plain->isVisible());  // never shown, but there
        plain->setVisible(true);
        QTest::mouseClick(plain, Qt::LeftButton);
        QVERIFY(!plain->isChecked());
        auto* autoBox = form.get<WCheckBox>("c1");
        QVERIFY(!autoBox->isEnabled());
        autoBox->setEnabled(true);
        QTest::mouseClick(autoBox, Qt::LeftButton);
        QVERIFY(autoBox->isChecked());
        // Disabled, it keeps its state.
        autoBox->setEnabled(false);
        QTest::mouseClick(autoBox, Qt::LeftButton);
        QVERIFY(autoBox->isChecked());

        // A click inside a group box reaches the control under it.
        QVERIFY(form.get<QGroupBox>("g1")->geometry().contains(r1->geometry().center()));
        QVERIFY(form.childAt(r1->geometry().center()) == r1 ||
                form.childAt(r1->geometry().center())->parentWidget() == r1);
    }

    void comboItemsComeFromTheTable() {
        WForm form(table(kSample));
        auto* combo = form.get<QComboBox>("combo");
        QVERIFY(combo->isEditable());
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(2), QString("c"));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, form.get<QPushButton>("combo"));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, form.get<QPushButton>("nothing"));
    }

    void aBinderTakesTheControlsOnceAndNamesEveryOneMissing() {
        WForm form(table(kSample));
        QRadioButton* one = nullptr;
        std::array<QAbstractButton*, 2> checks{};
        WControlBinder(form).bind(one, "r1").bind(checks, {"c1", "c2"}).check();
        QCOMPARE(one, form.control("r1"));
        QCOMPARE(checks[1], form.control("c2"));

        QPushButton* wrongKind = nullptr;
        QLabel* missing = nullptr;
        WControlBinder binder(form);
        binder.bind(wrongKind, "combo").bind(one, "r2").bind(missing, "nothing");
        QVERIFY(!wrongKind && !missing);
        QCOMPARE(one, form.control("r2"));
        try {
            binder.check();
            QFAIL("the missing controls were not reported");
        } catch (const std::logic_error& error) {
            QCOMPARE(QString(error.what()), QString("Sample: no control of the expected kind named combo, nothing"));
        }
    }

    void everyFormOfTheProgramBuilds() {
        for (const char* name :
             {"Configuration", "TabForm1", "TabForm2", "TabForm3", "TabForm4", "TabForm6", "TabForm7"}) {
            const LayoutTable t = WForm::loadTable(QString(":/forms/%1.form").arg(name));
            WForm form(t);
            QCOMPARE(form.formName(), QString(name));
            for (const LayoutControl& row : t.controls) QVERIFY2(form.control(row.name), row.name.c_str());
        }
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, WForm::loadTable(":/forms/Missing.form"));
    }

    void tabControlPutsEqualItemsInRowsWithTheSelectedRowNextToThePages() {
        QWidget host;
        host.resize(700, 400);
        auto* tabs = new WTabControl(&host);
        tabs->setGeometry(0, 0, 600, 380);
        tabs->setItemWidth(120);
        std::vector<QWidget*> pages;
        for (int i = 0; i < 6; ++i) {
            pages.push_back(new QWidget);
            tabs->insertTab(QString("Tab %1").arg(i), pages.back());
        }
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));
        tabs->setCurrentIndex(0);
        QCOMPARE(tabs->rowCount(), 2);
        for (int i = 0; i < 6; ++i) QCOMPARE(tabs->tabRect(i).width(), 120);
        // The first row is next to the pages while its tab is selected.
        QVERIFY(tabs->tabRect(0).top() > tabs->tabRect(5).top());
        QVERIFY(pages[0]->isVisible() && !pages[5]->isVisible());
        QCOMPARE(pages[0]->geometry(), tabs->displayRect());
        int selected = -1;
        tabs->SelectEvent.connect([&](int index) { return selected = index, true; });
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(5).center());
        QCOMPARE(selected, 5);
        QVERIFY(tabs->tabRect(5).top() > tabs->tabRect(0).top());
        QVERIFY(pages[5]->isVisible() && !pages[0]->isVisible());
        QVERIFY(tabs->displayRect().top() >= tabs->tabRect(5).bottom());
        QCOMPARE(tabs->heightForDisplayHeight(tabs->displayRect().height()), tabs->height());
    }
};

QTEST_MAIN(FormsTest)
#include "forms_test.moc"
